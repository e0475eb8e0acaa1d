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

QString fixtureDir() {
    const QByteArray dir = qgetenv("ORVO_TAG_FIXTURES");
    return dir.isEmpty() ? QStringLiteral(ORVO_BUILD_DIR "/tests/tags/fixtures")
                         : QString::fromLocal8Bit(dir);
}

MusicTagText readFixture(const QString& name) {
    return MusicTagReader::read((fixtureDir() + u'/' + name).toStdString());
}

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

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace

TEST(MusicTagReader, ApeFileTagComesBeforeId3v1) {
    const MusicTagText text = readFixture(u"apelike.ape"_qs);
    EXPECT_EQ(text.title, u"APE 文件"_qs);
    EXPECT_EQ(text.artist, u"Monkey"_qs);
}

TEST(MusicTagReader, BrokenTagsAndMissingFilesGiveNothing) {
    for (const QString& name : {u"broken_id3v2.mp3"_qs, u"broken_ape.mp3"_qs,
                                u"broken_ape_item.mp3"_qs, u"notags.mp3"_qs, u"missing.mp3"_qs}) {
        const MusicTagText text = readFixture(name);
        EXPECT_TRUE(text.title.isEmpty()) << name.toStdString();
    }
    EXPECT_TRUE(MusicTagReader::read("").title.isEmpty());
    EXPECT_TRUE(MusicTagReader::read(fixtureDir().toStdString()).title.isEmpty());  // a folder
}

TEST(MusicTagReader, ContentDecidesWhenTheExtensionIsUnknown) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString copy = dir.filePath(u"song.bin"_qs);
    ASSERT_TRUE(QFile::copy(fixtureDir() + u"/id3v23_utf16.mp3"_qs, copy));
    EXPECT_EQ(MusicTagReader::read(copy.toStdString()).title, u"月亮代表我的心"_qs);
}

TEST(MusicTagReader, OverlongTitleIsCut) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile source(fixtureDir() + u"/notags.mp3"_qs);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QByteArray title(5000, 'x');
    const QByteArray path = dir.filePath(u"long.mp3"_qs).toUtf8();
    ASSERT_TRUE(writeFile(QString::fromUtf8(path), source.readAll() + apeItem("Title", title) +
                                                       apeFooter(title.size() + 14 + 32, 1)));
    EXPECT_EQ(MusicTagReader::read(path.toStdString()).title.size(),
              MusicTagReader::kMaxTextLength);
}

TEST(ApeRawReader, ParsesTextItemsAndRejectsLies) {
    const QByteArray items = apeItem("TITLE", QByteArray("\xc7\xe7\xcc\xec\0second", 12)) +
                             apeItem("Cover Art (Front)", "binary", 2) +
                             apeItem("Artist", "Someone");
    const QByteArray tag = items + apeFooter(items.size() + 32, 3);
    ApeRawItems parsed = ApeRawReader::parse(tag);
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

// Extended mode over real-world files, including those the audio library refuses to open.
TEST(MusicTagReader, CorpusFilesReadWithoutCrash) {
    const QString corpus = qEnvironmentVariable("ORVO_CORPUS");
    if (corpus.isEmpty() || !QDir(corpus).exists()) GTEST_SKIP() << "ORVO_CORPUS not set";
    const QString audio = QDir(corpus).exists(u"audio"_qs) ? corpus + u"/audio"_qs : corpus;
    const QHash<QString, std::pair<QString, QString>> known = {
        {u"tt__chinese_id3.mp3"_qs, {u"角落之歌"_qs, u"苏云"_qs}},  // GBK in ID3v1 / Latin-1 frames
        {u"atl__GB18030_tags.ape"_qs, {u"03嘿!你写日记吗?"_qs, u"小虎队"_qs}},  // GBK in APE
        {u"tt__id3v1-latin1.mp3"_qs, {u"Play Dead"_qs, u"Björk"_qs}},
    };
    int checked = 0;
    QDirIterator it(audio, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const MusicTagText text = MusicTagReader::read(path.toStdString());
        EXPECT_LE(text.title.size(), MusicTagReader::kMaxTextLength);
        const auto expected = known.constFind(QFileInfo(path).fileName());
        if (expected != known.cend()) {
            EXPECT_EQ(text.title, expected->first);
            EXPECT_EQ(text.artist, expected->second);
            ++checked;
        }
    }
    EXPECT_GT(checked, 0);
}

// Damaged copies of every fixture format: bytes changed near both ends (where the tags are) and
// cut short. The reader must neither crash nor return runaway text.
TEST(MusicTagReader, MutatedFilesAreSafe) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QRandomGenerator random(20261206);
    const QString target = dir.filePath(u"mutant.mp3"_qs);
    for (const QString& name :
         {u"priority.mp3"_qs, u"id3v23_gbk.mp3"_qs, u"id3v22.mp3"_qs, u"ape_gbk.mp3"_qs,
          u"apelike.ape"_qs, u"flac.flac"_qs, u"vorbis.ogg"_qs, u"asf.wma"_qs, u"mp4.m4a"_qs}) {
        QFile source(fixtureDir() + u'/' + name);
        ASSERT_TRUE(source.open(QIODevice::ReadOnly)) << name.toStdString();
        const QByteArray original = source.readAll();
        const QString suffix = u'.' + QFileInfo(name).suffix();
        for (int round = 0; round < 60; ++round) {
            QByteArray bytes = original;
            for (int flips = 1 + random.bounded(8); flips > 0; --flips) {
                const qsizetype span = std::min<qsizetype>(bytes.size(), 300);
                const qsizetype at = random.bounded(2) ? random.bounded(span)
                                                       : bytes.size() - 1 - random.bounded(span);
                bytes[at] = static_cast<char>(random.bounded(256));
            }
            if (round % 3 == 0) bytes.truncate(random.bounded(bytes.size()));
            const QString path = target + suffix;
            ASSERT_TRUE(writeFile(path, bytes));
            const MusicTagText text = MusicTagReader::read(path.toStdString());
            EXPECT_LE(text.title.size(), MusicTagReader::kMaxTextLength);
            EXPECT_LE(text.artist.size(), MusicTagReader::kMaxTextLength);
        }
    }
}
