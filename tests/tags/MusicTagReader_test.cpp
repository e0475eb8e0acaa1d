// The reader by path: formats the audio library cannot open (an APE file without audio, broken
// tags), hostile files, and the raw APE parser.
#include "tags/MusicTagReader.h"
#include "tags/ApeRawReader.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>

namespace {

QString fixture(const QString& name) {
    return qEnvironmentVariable("ORVO_TAG_FIXTURES", ORVO_BUILD_DIR "/tests/tags/fixtures") + u'/' +
           name;
}

MusicTagText readPath(const QString& path) { return MusicTagReader::read(path.toStdString()); }

QByteArray le32(quint32 value) {
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray apeFooter(quint32 size, quint32 count) {
    return "APETAGEX" + le32(2000) + le32(size) + le32(count) + le32(0) + QByteArray(8, '\0');
}

QByteArray apeItem(const QByteArray& key, const QByteArray& value, quint32 flags = 0) {
    return le32(value.size()) + le32(flags) + key + '\0' + value;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// What never becomes a stream (broken tags through a stream are covered with the library): an
// APE file without audio, whose APE tag comes before its ID3v1, and broken or missing files.
TEST(MusicTagReader, ReadsFilesTheAudioLibraryRefuses) {
    const MusicTagText ape = readPath(fixture(u"apelike.ape"_qs));
    EXPECT_EQ(ape.title, u"APE 文件"_qs);
    EXPECT_EQ(ape.artist, u"Monkey"_qs);
    for (const QString& path : {fixture(u"broken_id3v2.mp3"_qs), fixture(u"missing.mp3"_qs),
                                fixture(QString()), QString()}) {
        EXPECT_TRUE(readPath(path).title.isEmpty()) << path.toStdString();
    }
}

TEST(MusicTagReader, ContentDecidesUnknownExtensionsAndOverlongTitlesAreCut) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString copy = dir.filePath(u"song.bin"_qs);
    ASSERT_TRUE(QFile::copy(fixture(u"id3v23_utf16.mp3"_qs), copy));
    EXPECT_EQ(readPath(copy).title, u"月亮代表我的心"_qs);

    const QByteArray title(5000, 'x');
    const QString path = dir.filePath(u"long.mp3"_qs);
    ASSERT_TRUE(writeFile(path, readAll(fixture(u"notags.mp3"_qs)) + apeItem("Title", title) +
                                    apeFooter(title.size() + 14 + 32, 1)));
    EXPECT_EQ(readPath(path).title.size(), MusicTagReader::kMaxTextLength);
}

TEST(ApeRawReader, ParsesTextItemsAndRejectsLies) {
    const QByteArray items = apeItem("TITLE", QByteArray("\xc7\xe7\xcc\xec\0second", 12)) +
                             apeItem("Cover Art (Front)", "binary", 2) +
                             apeItem("Artist", "Someone");
    ApeRawItems parsed = ApeRawReader::parse(items + apeFooter(items.size() + 32, 3));
    EXPECT_EQ(parsed.title, QByteArray("\xc7\xe7\xcc\xec"));  // first value only
    EXPECT_EQ(parsed.artist, QByteArray("Someone"));

    // Footer size that does not match, absurd item count, value running past the end.
    EXPECT_TRUE(ApeRawReader::parse(items + apeFooter(items.size() + 40, 3)).title.isEmpty());
    const QByteArray oneItem = apeItem("Artist", "A");
    parsed = ApeRawReader::parse(oneItem + apeFooter(oneItem.size() + 32, 0xFFFFFFFF));
    EXPECT_EQ(parsed.artist, QByteArray("A"));
    QByteArray cut = apeItem("Title", "abc");
    qToLittleEndian<quint32>(0x7FFFFFF0, cut.data());
    EXPECT_TRUE(ApeRawReader::parse(cut + apeFooter(cut.size() + 32, 1)).title.isEmpty());
    EXPECT_TRUE(ApeRawReader::parse(QByteArray("APETAGEX")).title.isEmpty());
}

// Damaged copies of every fixture format: bytes changed near both ends (where the tags are) and
// cut short. The reader must neither crash nor return runaway text.
TEST(MusicTagReader, MutatedFilesAreSafe) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QRandomGenerator random(20261206);
    for (const QString& name :
         {u"priority.mp3"_qs, u"id3v23_gbk.mp3"_qs, u"id3v22.mp3"_qs, u"ape_gbk.mp3"_qs,
          u"apelike.ape"_qs, u"flac.flac"_qs, u"vorbis.ogg"_qs, u"asf.wma"_qs, u"mp4.m4a"_qs}) {
        const QByteArray original = readAll(fixture(name));
        ASSERT_FALSE(original.isEmpty()) << name.toStdString();
        const QString path = dir.filePath(u"mutant."_qs + QFileInfo(name).suffix());
        for (int round = 0; round < 60; ++round) {
            QByteArray bytes = original;
            for (int flips = 1 + random.bounded(8); flips > 0; --flips) {
                const qsizetype span = std::min<qsizetype>(bytes.size(), 300);
                const qsizetype at = random.bounded(2) ? random.bounded(span)
                                                       : bytes.size() - 1 - random.bounded(span);
                bytes[at] = static_cast<char>(random.bounded(256));
            }
            if (round % 3 == 0) bytes.truncate(random.bounded(bytes.size()));
            ASSERT_TRUE(writeFile(path, bytes));
            const MusicTagText text = readPath(path);
            EXPECT_LE(text.title.size(), MusicTagReader::kMaxTextLength);
            EXPECT_LE(text.artist.size(), MusicTagReader::kMaxTextLength);
        }
    }
}

// Extended mode over real-world files, including those the audio library refuses to open.
TEST(MusicTagReader, CorpusFilesReadWithoutCrash) {
    const QString corpus = qEnvironmentVariable("ORVO_CORPUS");
    if (corpus.isEmpty() || !QDir(corpus).exists()) GTEST_SKIP() << "ORVO_CORPUS not set";
    const QHash<QString, std::pair<QString, QString>> known = {
        {u"tt__chinese_id3.mp3"_qs, {u"角落之歌"_qs, u"苏云"_qs}},  // GBK in ID3v1 / Latin-1 frames
        {u"atl__GB18030_tags.ape"_qs, {u"03嘿!你写日记吗?"_qs, u"小虎队"_qs}},  // GBK in APE
        {u"tt__id3v1-latin1.mp3"_qs, {u"Play Dead"_qs, u"Björk"_qs}},
    };
    int checked = 0;
    QDirIterator it(QDir(corpus).exists(u"audio"_qs) ? corpus + u"/audio"_qs : corpus, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const MusicTagText text = readPath(path);
        EXPECT_LE(text.title.size(), MusicTagReader::kMaxTextLength);
        EXPECT_LE(text.artist.size(), MusicTagReader::kMaxTextLength);
        const auto expected = known.constFind(QFileInfo(path).fileName());
        if (expected == known.cend()) continue;
        EXPECT_EQ(text.title, expected->first);
        EXPECT_EQ(text.artist, expected->second);
        ++checked;
    }
    EXPECT_GT(checked, 0);
}

}  // namespace
