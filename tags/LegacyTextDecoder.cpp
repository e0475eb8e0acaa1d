#include "tags/LegacyTextDecoder.h"

#include <QStringDecoder>

namespace {

bool isHigh(char c) { return static_cast<uchar>(c) >= 0x80; }

bool isAsciiLetter(char c) {
    const uchar lower = static_cast<uchar>(c) | 0x20;
    return lower >= 'a' && lower <= 'z';
}

// Latin-1 letters (À..ÿ) without the two signs × and ÷ that share the range.
bool isLatin1Letter(char c) {
    const uchar b = static_cast<uchar>(c);
    return b >= 0xC0 && b != 0xD7 && b != 0xF7;
}

bool isIdeographOrKana(char16_t c) {
    return (c >= 0x4E00 && c <= 0x9FFF)      // unified ideographs
           || (c >= 0x3400 && c <= 0x4DBF)   // extension A
           || (c >= 0xF900 && c <= 0xFAFF)   // compatibility ideographs
           || (c >= 0x3040 && c <= 0x30FF);  // kana (Japanese titles saved as GBK)
}

// Signs that GBK text around Chinese words commonly holds.
bool isChineseTextSign(char16_t c) {
    return (c >= 0x3000 && c <= 0x303F)     // ideographic space, 、。「」《》【】
           || (c >= 0xFF00 && c <= 0xFFEF)  // full-width forms
           || (c >= 0x2010 && c <= 0x203B)  // dashes, quotes, ellipsis, ※
           || (c >= 0x2160 && c <= 0x217F)  // Roman numerals
           || (c >= 0x2460 && c <= 0x249B)  // circled and bracketed numbers
           || (c >= 0x25A0 && c <= 0x25FF)  // ■□▲△◆◇○●
           || (c >= 0x2605 && c <= 0x2606)  // ★☆
           || c == 0x00B7 || c == 0x00D7 || c == 0x00F7 || c == 0x00B0 || c == 0x2103 ||
           c == 0x2116;
}

// Windows-1252 signs in the C1 range, where ISO-8859-1 has control codes that no title uses;
// Windows writers put their curly quotes and dashes there. Zero: undefined, kept as is.
constexpr char16_t kCp1252C1[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

QString fromWesternBytes(const QByteArray& raw) {
    QString text = QString::fromLatin1(raw);
    for (QChar& c : text) {
        const char16_t u = c.unicode();
        if (u >= 0x80 && u <= 0x9F && kCp1252C1[u - 0x80] != 0) c = QChar(kCp1252C1[u - 0x80]);
    }
    return text;
}

bool isLetterOrCp1252Sign(char c) {
    const uchar b = static_cast<uchar>(c);
    return isLatin1Letter(c) || (b >= 0x80 && b <= 0x9F && kCp1252C1[b - 0x80] != 0);
}

}  // namespace

bool LegacyTextDecoder::isPlausibleLatin1(const QByteArray& raw) {
    const qsizetype n = raw.size();
    qsizetype i = 0;
    while (i < n) {
        if (!isHigh(raw[i])) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        while (i < n && isHigh(raw[i])) ++i;
        const qsizetype run = i - start;
        if (run == 1)
            continue;  // "Café", "Motörhead", "© 1999": one sign or accented letter at a time
        if (run > 2) return false;  // no Latin-1 language strings three of them together
        // Two together only inside a word of ASCII letters, as letters ("Þú") or a letter and
        // a Windows-1252 sign ("Café…"); GBK's common characters never use the sign range.
        if (!isLetterOrCp1252Sign(raw[start]) || !isLetterOrCp1252Sign(raw[start + 1]))
            return false;
        const bool letterBefore = start > 0 && isAsciiLetter(raw[start - 1]);
        const bool letterAfter = i < n && isAsciiLetter(raw[i]);
        if (!letterBefore && !letterAfter) return false;
    }
    return true;
}

QString LegacyTextDecoder::chineseReading(const QByteArray& raw) {
    QStringDecoder decoder("GB18030", QStringDecoder::Flag::Stateless);
    if (!decoder.isValid()) return {};
    const QString text = decoder.decode(raw);
    if (decoder.hasError()) return {};
    qsizetype chinese = 0;
    qsizetype signs = 0;
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c < 0x80) continue;
        if (isIdeographOrKana(c))
            ++chinese;
        else if (isChineseTextSign(c))
            ++signs;
        else
            return {};  // Greek, Cyrillic, pinyin letters, private use, surrogates: not a title
    }
    if (chinese == 0 || signs > chinese) return {};
    return text;
}

LegacyTextDecoder::Charset LegacyTextDecoder::guess(const QByteArray& raw) {
    bool anyHigh = false;
    for (const char c : raw) anyHigh = anyHigh || isHigh(c);
    if (!anyHigh || isPlausibleLatin1(raw)) return Charset::Latin1;
    return chineseReading(raw).isEmpty() ? Charset::Latin1 : Charset::Gb18030;
}

QString LegacyTextDecoder::decode(const QByteArray& raw) {
    if (guess(raw) == Charset::Latin1) return fromWesternBytes(raw);
    return chineseReading(raw);
}
