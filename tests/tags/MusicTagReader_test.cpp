// The reader by path: formats the audio library cannot open (an APE file without audio, broken
// tags), hostile files, the raw APE and ID3v2 parsers, and the guess between GBK and Latin-1.
#include "tags/MusicTagReader.h"
#include "tags/ApeRawReader.h"
#include "tags/Id3v2RawReader.h"
#include "tags/LegacyTextDecoder.h"
#include "tests/CorpusOracle.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtEndian>
#include <algorithm>

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
// APE file without audio, whose APE tag comes before its ID3v1, broken or missing files; a file
// whose name tells nothing, and an overlong title.
TEST(MusicTagReader, ReadsFilesTheAudioLibraryRefusesByContentCuttingLongTitles) {
    const MusicTagText ape = readPath(fixture(u"apelike.ape"_qs));
    EXPECT_EQ(ape.title, u"APE 文件"_qs);
    EXPECT_EQ(ape.artist, u"Monkey"_qs);
    for (const QString& path : {fixture(u"broken_id3v2.mp3"_qs), fixture(u"missing.mp3"_qs),
                                fixture(QString()), QString()})
        EXPECT_TRUE(readPath(path).title.isEmpty()) << path.toStdString();
    QTemporaryDir dir;
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
    const QByteArray items = apeItem("TITLE", QByteArray("\xc7\xe7\xcc\xec\0\0second", 13)) +
                             apeItem("Cover Art (Front)", "binary", 2) +
                             apeItem("Artist", "Someone");
    ApeRawItems parsed = ApeRawReader::parse(items + apeFooter(items.size() + 32, 3));
    EXPECT_EQ(parsed.title, QByteArray("\xc7\xe7\xcc\xec / second"));  // a list, no empty value
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

QByteArray bytes(std::initializer_list<char> list) {
    return QByteArray(list.begin(), qsizetype(list.size()));
}

QByteArray syncsafe(quint32 n) {
    return bytes({char(n >> 21 & 0x7F), char(n >> 14 & 0x7F), char(n >> 7 & 0x7F), char(n & 0x7F)});
}

QByteArray utf16(const QString& text, bool bigEndian) {
    return QStringEncoder(bigEndian ? QStringEncoder::Utf16BE : QStringEncoder::Utf16LE)
        .encode(text);
}

// Each mark decides its own value; unmarked values are the nomark_* fixtures of OrvoMusicTags_test.
TEST(Id3v2RawReader, Utf16ValuesWithAndWithoutMarks) {
    const QByteArray zero(2, '\0');
    const struct {
        QByteArray frame;
        QStringList values;
    } cases[] = {
        {'\1' + utf16(u"\uFEFFLe"_qs, false) + zero + utf16(u"\uFEFFBe"_qs, true),
         {u"Le"_qs, u"Be"_qs}},
        {'\2' + utf16(u"Big"_qs, true) + '\0', {u"Big"_qs}},  // a stray odd byte is dropped
        {'\1' + zero + zero, {}},
        {"\3text", {}},  // not UTF-16
        {{}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Id3v2RawReader::utf16Values(c.frame), c.values) << c.frame.toHex().toStdString();
}

// Frames found through the tag's own structure: v2.2 ids, v2.3 extended header and whole-tag
// unsynchronisation, v2.4 frame flags (group id, data length, unsynchronisation); compressed
// frames and sizes past the end are skipped, not trusted.
TEST(Id3v2RawReader, FindsTitleAndArtistFramesInEveryVersion) {
    const auto tag = [](char major, char flags, const QByteArray& body) {
        return "ID3" + bytes({major, 0, flags}) + syncsafe(body.size()) + body;
    };
    const auto be32 = [](quint32 n) {
        QByteArray b(4, '\0');
        qToBigEndian(n, b.data());
        return b;
    };
    const auto text = [](const char* data) {
        return QByteArray(data, qsizetype(strlen(data + 1)) + 1);
    };
    const QByteArray v22 =
        "TT2" + bytes({0, 0, 4}) + text("\0abc") + "TP1" + bytes({0, 0, 3}) + text("\0xy");
    const QByteArray v23ext = be32(6) + QByteArray(6, '\0');
    // Sizes of v2.3 count the resynchronised bytes.
    const QByteArray v23 = "TIT2" + be32(4) + bytes({0, 0}) + bytes({0, char(0xFF), 0, 'a', 'b'});
    const QByteArray v24 = "TPE1" + syncsafe(4) + bytes({0, 0x08}) + text("\0zip") +  // compressed
                           "TIT2" + syncsafe(9) + bytes({0, 0x43}) + 'g' + syncsafe(3) +
                           bytes({0, char(0xFF), 0, 'T'}) + "TPE1" + syncsafe(2) + bytes({0, 0}) +
                           text("\0A");
    const struct {
        QByteArray image;
        QByteArray title;
        QByteArray artist;
    } cases[] = {
        {tag(2, 0, v22), text("\0abc"), text("\0xy")},
        {tag(3, char(0xC0), v23ext + v23), bytes({0, char(0xFF), 'a', 'b'}), {}},
        {tag(4, 0, v24), bytes({0, char(0xFF), 'T'}), text("\0A")},
        {tag(3, 0, "TIT2" + be32(0x7FFFFFFF) + bytes({0, 0}) + text("\0cut")), {}, {}},
        {tag(2, 0x40, v22), {}, {}},  // v2.2 compression: nothing is read
        {tag(4, 0, v24).left(30), {}, {}},
        {"ID3", {}, {}},
    };
    for (const auto& c : cases) {
        const Id3v2RawFrames frames = Id3v2RawReader::parse(c.image);
        EXPECT_EQ(frames.title, c.title) << c.image.toHex().toStdString();
        EXPECT_EQ(frames.artist, c.artist) << c.image.toHex().toStdString();
    }
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

using Charset = LegacyTextDecoder::Charset;

QByteArray gbk(const QString& text) { return QStringEncoder("GB18030").encode(text); }

// GBK bytes are read as Chinese, real Latin-1 stays Latin-1, both decoded back to the same text.
// Latin-1 is plausible by its runs of high bytes: Þú inside a word but not alone (搡), 中 reads
// "ÖÐ", two letters, but alone and not inside a word; 爱 reads "°®", no word; never three in a
// row (晴荅, whose last trail byte is an ASCII letter).
TEST(LegacyTextDecoder, GuessesBothDirections) {
    const QStringList chinese =
        u"晴天|晴荅|周杰伦|《七里香》|Beyond - 海阔天空|爱|a爱|中|搡|角落之歌 (Live 版)|"
        u"迈克尔·杰克逊|早乙女のうた"_qs.split(u'|');
    const QStringList latin1 =
        u"El león|Café|Café del Mar|Motörhead|Jérôme|Beyoncé|Björk|"
        u"Sigur Rós - Ágætis byrjun|Mötley Crüe|Ñandú|Þúsund ár|"
        u"Françoise Hardy © 1962|Symphonie n° 5 ½|ÆØÅ|Über Alles|"
        u"plain ASCII|"_qs.split(u'|');  // the last one empty
    for (const QString& title : chinese + latin1) {
        SCOPED_TRACE(title.toStdString());
        const QByteArray raw = chinese.contains(title) ? gbk(title) : title.toLatin1();
        EXPECT_EQ(LegacyTextDecoder::guess(raw),
                  chinese.contains(title) ? Charset::Gb18030 : Charset::Latin1);
        EXPECT_EQ(LegacyTextDecoder::decode(raw), title);
    }
    // Implausible, but no Chinese reading either, so it stays Latin-1: Greek or Cyrillic in
    // GB18030 (not how Chinese titles are written), broken GBK (a lead byte without its trail
    // byte, an invalid pair), four-byte forms.
    for (const QByteArray& raw : {gbk(u"αβγδ"_qs), gbk(u"Привет"_qs), QByteArray("\xd6\xd0\xce"),
                                  QByteArray("\xff\xff\xff"), QByteArray("Ab\xc0\xc1\xc2"),
                                  QByteArray("\x81\x30\x81\x30\x81\x30\x81\x31")})
        EXPECT_EQ(LegacyTextDecoder::decode(raw), QString::fromLatin1(raw)) << raw.toHex().data();
    // Windows-1252 signs in the C1 range; undefined bytes stay as they are.
    EXPECT_EQ(LegacyTextDecoder::guess("Don\x92t Stop"), Charset::Latin1);
    EXPECT_EQ(LegacyTextDecoder::decode("\x93"
                                        "Don\x92t Stop\x94 \x96 Caf\xe9\x85 \x81"),
              u"“Don’t Stop” – Café… \u0081"_qs);
}

// What the oracle reads, as this reader would show it: cleaned and cut alike, and text that
// mutagen took for Latin-1 (ID3v1, frames marked ISO-8859-1: GBK in practice) decoded by the
// same legacy rule.
QString asShown(const std::string& utf8) {
    QString text = QString::fromStdString(utf8).trimmed();
    const bool latin1 =
        std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() <= 0xFF; });
    if (latin1) text = LegacyTextDecoder::decode(text.toLatin1());
    return text.left(MusicTagReader::kMaxTextLength);
}

// Extended mode: every real-world file against mutagen. Our reader must find what the oracle
// finds; it may find more (APE tags on MP3, which mutagen does not read there).
TEST(MusicTagReader, CorpusAgreesWithTheOracle) {
    const std::string dir = CorpusOracle::audioDir();
    if (dir.empty()) GTEST_SKIP() << "ORVO_CORPUS not set";
    const std::vector<CorpusOracle::Entry> oracle = CorpusOracle::load();
    ASSERT_FALSE(oracle.empty()) << "no oracle table: see the test orvo_corpus_oracle_setup";
    // Files where the oracle is wrong, with what a listener reads.
    const QHash<QString, std::pair<QString, QString>> oracleWrong = {
        // GBK in APE items: mutagen drops the text that is not UTF-8.
        {u"atl__GB18030_tags.ape"_qs, {u"03嘿!你写日记吗?"_qs, u"小虎队"_qs}},
        // No MPEG frame in front of the ID3v1 tag: mutagen refuses the whole file.
        {u"tt__id3v1-latin1.mp3"_qs, {u"Play Dead"_qs, u"Björk"_qs}},
    };
    int compared = 0;
    for (const CorpusOracle::Entry& entry : oracle) {
        const QString name = QString::fromStdString(entry.name);
        SCOPED_TRACE(entry.name);
        const MusicTagText text = readPath(QString::fromStdString(dir) + u'/' + name);
        const auto [title, artist] =
            oracleWrong.value(name, {asShown(entry.title), asShown(entry.artist)});
        for (const auto& [read, shown] : {std::pair{text.title, title}, {text.artist, artist}}) {
            EXPECT_LE(read.size(), MusicTagReader::kMaxTextLength);
            if (shown.isEmpty()) continue;
            EXPECT_EQ(read.toStdString(), shown.toStdString());
        }
        compared += !title.isEmpty() || !artist.isEmpty();
    }
    EXPECT_GT(compared, 20);
}

}  // namespace
