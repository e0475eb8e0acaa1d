#include "tags/OrvoMusicTags.h"
#include "audio/OrvoAudio.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QLibrary>
#include <atomic>
#include <thread>
#include <vector>

namespace {

QString fixtureDir() {
    const QByteArray dir = qgetenv("ORVO_TAG_FIXTURES");
    return dir.isEmpty() ? QStringLiteral(ORVO_BUILD_DIR "/tests/tags/fixtures")
                         : QString::fromLocal8Bit(dir);
}

// The library as the player uses it: loaded by file name, the export resolved by plain name.
class MusicTagsLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_library.load()) << m_library.errorString().toStdString();
        m_read =
            reinterpret_cast<GetMusicTilteAndArtistFn>(m_library.resolve("GetMusicTilteAndArtist"));
        ASSERT_NE(m_read, nullptr);
    }
    void TearDown() override { m_library.unload(); }

    QLibrary m_library{QStringLiteral(ORVO_OUT_DIR "/libOrvo_MusicTags.so")};
    GetMusicTilteAndArtistFn m_read = nullptr;
};

struct TagCase {
    const char* file;
    const char* title;
    const char* artist;
};

const TagCase kCases[] = {
    {"id3v1.mp3", "ID3v1 Title", "ID3v1 Artist"},
    {"id3v22.mp3", "Version 2.2 Title", "张学友"},
    {"id3v23_utf16.mp3", "月亮代表我的心", "邓丽君"},
    {"id3v24_utf8.mp3", "甜蜜蜜 (Live)", "Teresa Teng"},
    {"id3v23_gbk.mp3", "晴天", "周杰伦"},
    {"id3v22_gbk.mp3", "《七里香》", "周杰伦"},
    {"id3v1_gbk.mp3", "后来", "刘若英"},
    {"latin1_id3v2.mp3", "El león", "Motörhead"},
    {"latin1_id3v1.mp3", "Café del Mar", "Beyoncé"},
    {"ape.mp3", "APE 标题", "APE Artist"},
    {"ape_gbk.mp3", "青花瓷", "周杰伦"},
    {"priority.mp3", "From ID3v2", "APE Artist"},  // artist from the next tag that has one
    {"ape_over_id3v1.mp3", "From APE", "ID3v1 Artist"},
    {"padded.mp3", "Padded Title", ""},
    {"中文文件名.mp3", "文件名测试", ""},
    {"mpeg2.mp2", "Layer II 标题", "MP2 Artist"},
    {"adts.aac", "AAC 标题", "AAC Artist"},
    {"vorbis.ogg", "Ogg 标题", "Ogg Artist"},
    {"flac.flac", "FLAC 标题", "FLAC Artist"},
    {"asf.wma", "WMA 标题", "WMA Artist"},
    {"mp4.m4a", "MP4 标题", "MP4 Artist"},
    // No title: false, and whatever artist there is.
    {"artist_only.mp3", "", "Only Artist"},
    {"notags.mp3", "", ""},
    {"broken_ape.mp3", "", ""},
    {"broken_ape_item.mp3", "", ""},
};

// Keeps the test names that CTest sees readable and stable.
void PrintTo(const TagCase& c, std::ostream* os) { *os << c.file; }

class TagFormat : public MusicTagsLibrary, public ::testing::WithParamInterface<TagCase> {};

TEST_P(TagFormat, ReadsTitleAndArtistThroughTheStream) {
    const TagCase& c = GetParam();
    const OrvoAudio::Handle stream = OrvoAudio::streamCreateFile(
        (fixtureDir() + u'/' + QString::fromUtf8(c.file)).toStdString());
    ASSERT_NE(stream, 0u) << "audio library cannot open " << c.file;
    QString title = u"stale"_qs;
    QString artist = u"stale"_qs;
    const bool found = m_read(stream, title, artist);
    OrvoAudio::streamFree(stream);
    EXPECT_EQ(found, *c.title != '\0');
    EXPECT_EQ(title, QString::fromUtf8(c.title));
    EXPECT_EQ(artist, QString::fromUtf8(c.artist));
}

std::string caseName(const ::testing::TestParamInfo<TagCase>& info) {
    std::string name;
    for (const char* p = info.param.file; *p; ++p)
        name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return name + "_" + std::to_string(info.index);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, TagFormat, ::testing::ValuesIn(kCases), caseName);

TEST_F(MusicTagsLibrary, NoStreamAnswersFalseWithEmptyOutputs) {
    const OrvoAudio::Handle stream =
        OrvoAudio::streamCreateFile((fixtureDir() + u"/id3v1.mp3"_qs).toStdString());
    ASSERT_NE(stream, 0u);
    ASSERT_TRUE(OrvoAudio::streamFree(stream));
    for (const quint32 handle : {quint32(0), stream, quint32(0xFFFFFFF0)}) {
        QString title = u"stale"_qs;
        QString artist = u"stale"_qs;
        EXPECT_FALSE(m_read(handle, title, artist)) << handle;
        EXPECT_TRUE(title.isEmpty());
        EXPECT_TRUE(artist.isEmpty());
    }
}

// The reader keeps no shared state: threads reading at once get the single-threaded answers.
TEST_F(MusicTagsLibrary, ConcurrentCallsAgree) {
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int round = 0; round < 5; ++round) {
                for (const TagCase& c : kCases) {
                    const OrvoAudio::Handle stream = OrvoAudio::streamCreateFile(
                        (fixtureDir() + u'/' + QString::fromUtf8(c.file)).toStdString());
                    QString title;
                    QString artist;
                    m_read(stream, title, artist);
                    OrvoAudio::streamFree(stream);
                    if (title != QString::fromUtf8(c.title) ||
                        artist != QString::fromUtf8(c.artist))
                        ++wrong;
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(wrong.load(), 0);
}

// Extended mode over real-world files: every file that opens is read without a crash.
TEST_F(MusicTagsLibrary, CorpusFilesReadWithoutCrash) {
    const QString corpus = qEnvironmentVariable("ORVO_CORPUS");
    if (corpus.isEmpty() || !QDir(corpus).exists()) GTEST_SKIP() << "ORVO_CORPUS not set";
    const QString audio = QDir(corpus).exists(u"audio"_qs) ? corpus + u"/audio"_qs : corpus;
    int opened = 0;
    QDirIterator it(audio, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const OrvoAudio::Handle stream = OrvoAudio::streamCreateFile(path.toStdString());
        if (stream == 0) continue;
        ++opened;
        QString title;
        QString artist;
        const bool found = m_read(stream, title, artist);
        OrvoAudio::streamFree(stream);
        EXPECT_EQ(found, !title.isEmpty()) << path.toStdString();
        EXPECT_LE(title.size(), 1024);
    }
    EXPECT_GT(opened, 0);
}

}  // namespace
