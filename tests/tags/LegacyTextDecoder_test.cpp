#include "tags/LegacyTextDecoder.h"

#include <gtest/gtest.h>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QStringList>

namespace {

using Charset = LegacyTextDecoder::Charset;

QByteArray gbk(const QString& text) { return QStringEncoder("GB18030").encode(text); }

// GBK bytes are read as Chinese, real Latin-1 stays Latin-1, both decoded back to the same text.
// 爱 alone reads "°®" in Latin-1; 中 reads "ÖÐ", two letters, but alone and not inside a word.
TEST(LegacyTextDecoder, GuessesBothDirections) {
    const QStringList chinese =
        u"晴天|周杰伦|《七里香》|Beyond - 海阔天空|爱|中|角落之歌 (Live 版)|"
        u"迈克尔·杰克逊|早乙女のうた"_qs.split(u'|');
    const QStringList latin1 =
        u"El león|Café|Café del Mar|Motörhead|Beyoncé|Björk|"
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
    // Windows-1252 signs in the C1 range; undefined bytes stay as they are.
    EXPECT_EQ(LegacyTextDecoder::guess("Don\x92t Stop"), Charset::Latin1);
    EXPECT_EQ(LegacyTextDecoder::decode("\x93"
                                        "Don\x92t Stop\x94 \x96 Caf\xe9\x85 \x81"),
              u"“Don’t Stop” – Café… \u0081"_qs);
}

TEST(LegacyTextDecoder, ImplausibleLatin1ThatIsNotChineseStaysLatin1) {
    // Valid GB18030, but Greek, Cyrillic: not how Chinese titles are written. Broken GBK: a lead
    // byte without its trail byte, an invalid pair.
    for (const QByteArray& raw : {gbk(u"αβγδ"_qs), gbk(u"Привет"_qs), QByteArray("\xd6\xd0\xce"),
                                  QByteArray("\xff\xff\xff")}) {
        EXPECT_FALSE(LegacyTextDecoder::isPlausibleLatin1(raw));
        EXPECT_TRUE(LegacyTextDecoder::chineseReading(raw).isEmpty());
        EXPECT_EQ(LegacyTextDecoder::decode(raw), QString::fromLatin1(raw));
    }
    // Four-byte forms neither.
    EXPECT_TRUE(LegacyTextDecoder::chineseReading("\x81\x30\x81\x30\x81\x30\x81\x31").isEmpty());
}

TEST(LegacyTextDecoder, Latin1PlausibilityLooksAtRunsOfHighBytes) {
    // Þú inside a word but not alone, Windows-1252 "Café…"; °® is no word, nor three in a row.
    const std::pair<const char*, bool> cases[] = {{"Mot\xf6rhead", true},   {"J\xe9r\xf4me", true},
                                                  {"\xde\xfasund", true},   {"\xde\xfa", false},
                                                  {"Caf\xe9\x85", true},    {"a\xb0\xae", false},
                                                  {"Ab\xc0\xc1\xc2", false}};
    for (const auto& [raw, plausible] : cases)
        EXPECT_EQ(LegacyTextDecoder::isPlausibleLatin1(raw), plausible) << raw;
}

// Random bytes: the decoder always answers, and only picks GB18030 when Latin-1 is implausible.
TEST(LegacyTextDecoder, RandomBytesAlwaysDecode) {
    QRandomGenerator random(42);
    for (int round = 0; round < 5000; ++round) {
        QByteArray raw(1 + random.bounded(12), '\0');
        for (char& c : raw)
            c = static_cast<char>(random.bounded(2) ? 0xA1 + random.bounded(0x5E)
                                                    : 0x20 + random.bounded(0x60));
        const QString text = LegacyTextDecoder::decode(raw);
        EXPECT_FALSE(text.isEmpty());
        if (LegacyTextDecoder::guess(raw) == Charset::Gb18030)
            EXPECT_FALSE(LegacyTextDecoder::isPlausibleLatin1(raw));
        else
            EXPECT_EQ(text.size(), raw.size());
    }
}

}  // namespace
