#include "tags/LegacyTextDecoder.h"

#include <gtest/gtest.h>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {

QByteArray gbk(const QString& text) {
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
}

}  // namespace

TEST(LegacyTextDecoder, ChineseInGbkIsRecognised) {
    const QString titles[] = {u"晴天"_qs,
                              u"周杰伦"_qs,
                              u"《七里香》"_qs,
                              u"Beyond - 海阔天空"_qs,
                              u"爱"_qs,  // one character, Latin-1 reading "°®"
                              u"中"_qs,  // "ÖÐ": two letters, but alone, not inside a word
                              u"角落之歌 (Live 版)"_qs,
                              u"迈克尔·杰克逊"_qs,
                              u"早乙女のうた"_qs};
    for (const QString& title : titles) {
        const QByteArray raw = gbk(title);
        EXPECT_EQ(LegacyTextDecoder::guess(raw), LegacyTextDecoder::Charset::Gb18030)
            << title.toStdString();
        EXPECT_EQ(LegacyTextDecoder::decode(raw), title);
    }
}

TEST(LegacyTextDecoder, RealLatin1StaysLatin1) {
    const QString titles[] = {u"El león"_qs,
                              u"Café"_qs,
                              u"Café del Mar"_qs,
                              u"Motörhead"_qs,
                              u"Beyoncé"_qs,
                              u"Björk"_qs,
                              u"Sigur Rós - Ágætis byrjun"_qs,
                              u"Mötley Crüe"_qs,
                              u"Ñandú"_qs,
                              u"Þúsund ár"_qs,
                              u"Françoise Hardy © 1962"_qs,
                              u"Symphonie n° 5 ½"_qs,
                              u"ÆØÅ"_qs,
                              u"Über Alles"_qs,
                              u"plain ASCII"_qs,
                              QString()};
    for (const QString& title : titles) {
        const QByteArray raw = title.toLatin1();
        EXPECT_EQ(LegacyTextDecoder::guess(raw), LegacyTextDecoder::Charset::Latin1)
            << title.toStdString();
        EXPECT_EQ(LegacyTextDecoder::decode(raw), title);
    }
    // Windows-1252 signs in the C1 range; undefined bytes stay as they are.
    EXPECT_EQ(LegacyTextDecoder::guess("Don\x92t Stop"), LegacyTextDecoder::Charset::Latin1);
    EXPECT_EQ(LegacyTextDecoder::decode("\x93"
                                        "Don\x92t Stop\x94 \x96 Caf\xe9\x85 \x81"),
              u"“Don’t Stop” – Café… \u0081"_qs);
}

TEST(LegacyTextDecoder, ImplausibleLatin1ThatIsNotChineseStaysLatin1) {
    // Valid GB18030, but Greek, Cyrillic, four-byte forms: not how Chinese titles are written.
    const QByteArray greek = gbk(u"αβγδ"_qs);
    const QByteArray cyrillic = gbk(u"Привет"_qs);
    for (const QByteArray& raw : {greek, cyrillic}) {
        EXPECT_FALSE(LegacyTextDecoder::isPlausibleLatin1(raw));
        EXPECT_TRUE(LegacyTextDecoder::chineseReading(raw).isEmpty());
        EXPECT_EQ(LegacyTextDecoder::decode(raw), QString::fromLatin1(raw));
    }
    EXPECT_TRUE(LegacyTextDecoder::chineseReading("\x81\x30\x81\x30\x81\x30\x81\x31").isEmpty());
    // Broken GBK: a lead byte without its trail byte, an invalid pair.
    for (const QByteArray& raw : {QByteArray("\xd6\xd0\xce"), QByteArray("\xff\xff\xff")}) {
        EXPECT_TRUE(LegacyTextDecoder::chineseReading(raw).isEmpty());
        EXPECT_EQ(LegacyTextDecoder::decode(raw), QString::fromLatin1(raw));
    }
}

TEST(LegacyTextDecoder, Latin1PlausibilityLooksAtRunsOfHighBytes) {
    EXPECT_TRUE(LegacyTextDecoder::isPlausibleLatin1("Mot\xf6rhead"));
    EXPECT_TRUE(LegacyTextDecoder::isPlausibleLatin1("J\xe9r\xf4me"));
    EXPECT_TRUE(LegacyTextDecoder::isPlausibleLatin1("\xde\xfasund"));  // Þú inside a word
    EXPECT_FALSE(LegacyTextDecoder::isPlausibleLatin1("\xde\xfa"));     // the same pair alone
    EXPECT_TRUE(LegacyTextDecoder::isPlausibleLatin1("Caf\xe9\x85"));   // Windows-1252 "Café…"
    EXPECT_EQ(LegacyTextDecoder::decode("Caf\xe9\x85"), u"Café…"_qs);
    EXPECT_FALSE(LegacyTextDecoder::isPlausibleLatin1("a\xb0\xae"));       // °® is no word
    EXPECT_FALSE(LegacyTextDecoder::isPlausibleLatin1("Ab\xc0\xc1\xc2"));  // three in a row
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
        if (LegacyTextDecoder::guess(raw) == LegacyTextDecoder::Charset::Gb18030)
            EXPECT_FALSE(LegacyTextDecoder::isPlausibleLatin1(raw));
        else
            EXPECT_EQ(text.size(), raw.size());
    }
}
