// The real road: a stream of the audio library, the export loaded by file name and resolved by
// plain name, as the player does.
#include "tags/OrvoMusicTags.h"
#include "audio/OrvoAudio.h"

#include <gtest/gtest.h>

#include <QLibrary>
#include <thread>
#include <vector>

namespace {

QString fixture(const char* name) {
    return qEnvironmentVariable("ORVO_TAG_FIXTURES", ORVO_BUILD_DIR "/tests/tags/fixtures") + u'/' +
           QString::fromUtf8(name);
}

struct Tags {
    bool opened = false;
    bool found = false;
    QString title = u"stale"_qs;
    QString artist = u"stale"_qs;
};

class MusicTagsLibrary : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(m_read, nullptr) << "GetMusicTilteAndArtist not exported"; }

    // Opens `path` as a stream, reads its tags through the export and frees the stream.
    Tags read(const QString& path) const {
        Tags tags;
        const OrvoAudio::Handle stream = OrvoAudio::streamCreateFile(path.toStdString());
        tags.opened = stream != 0;
        tags.found = m_read(stream, tags.title, tags.artist);
        OrvoAudio::streamFree(stream);
        return tags;
    }

    const GetMusicTilteAndArtistFn m_read =
        reinterpret_cast<GetMusicTilteAndArtistFn>(QLibrary::resolve(
            QStringLiteral(ORVO_OUT_DIR "/libOrvo_MusicTags.so"), "GetMusicTilteAndArtist"));
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
    // Several values of a field are joined as a listener reads them.
    {"multi_id3v24.mp3", "Side A / Side B", "张三 / 李四"},
    {"multi_id3v23.mp3", "Duet", "Ray / Anita / Jo"},
    {"multi_ape.mp3", "One / Two", "周杰伦 / 蔡依林"},
    {"multi.flac", "Rain / Snow", "Artist 1 / Artist 2"},
    // UTF-16 without byte-order marks, in either order.
    {"nomark_le.mp3", "月亮 Moon", "邓丽君"},
    {"nomark_be.mp3", "Hello 世界", "王菲"},
    {"nomark_mixed.mp3", "Mixed", "Alpha / Beta"},
    // No title: false, and whatever artist there is.
    {"artist_only.mp3", "", "Only Artist"},
    {"notags.mp3", "", ""},
    {"broken_ape.mp3", "", ""},
    {"broken_ape_item.mp3", "", ""},
};

// Once alone, then from four threads at once: the reader keeps no shared state.
TEST_F(MusicTagsLibrary, ReadsTitleAndArtistOfEveryFixture) {
    const auto readAll = [this] {
        for (const TagCase& c : kCases) {
            SCOPED_TRACE(c.file);
            const Tags tags = read(fixture(c.file));
            ASSERT_TRUE(tags.opened) << "the audio library cannot open it";
            EXPECT_EQ(tags.found, *c.title != '\0');
            EXPECT_EQ(tags.title, QString::fromUtf8(c.title));
            EXPECT_EQ(tags.artist, QString::fromUtf8(c.artist));
        }
    };
    readAll();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 5; ++i) readAll();
        });
    for (std::thread& thread : threads) thread.join();
}

TEST_F(MusicTagsLibrary, NoStreamAnswersFalseWithEmptyOutputs) {
    const OrvoAudio::Handle freed = OrvoAudio::streamCreateFile(fixture("id3v1.mp3").toStdString());
    ASSERT_TRUE(OrvoAudio::streamFree(freed));
    for (const quint32 handle : {quint32(0), freed, quint32(0xFFFFFFF0)}) {
        Tags tags;  // outputs start stale and must come back empty
        EXPECT_FALSE(m_read(handle, tags.title, tags.artist)) << handle;
        EXPECT_EQ(tags.title + tags.artist, QString()) << handle;
    }
}

}  // namespace
