#include "VersionReply.h"

#include <limits>

namespace {
// Splits at `separator` and calls `part` with every non-empty piece until it returns true;
// consecutive separators give no empty pieces (the behaviour of a C tokenizer).
template <typename Part>
bool forEachPart(QStringView text, QChar separator, Part part) {
    for (QStringView piece : text.tokenize(separator, Qt::SkipEmptyParts))
        if (part(piece)) return true;
    return false;
}

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}
}  // namespace

QString VersionReply::Lookup(QStringView reply, QStringView key) {
    QString text = reply.toString();
    text.remove(u'{').remove(u'}');
    QString value;
    forEachPart(text, u',', [&](QStringView item) {
        bool matched = false;
        return forEachPart(item, u':', [&](QStringView part) {
            if (matched) {
                value = part.toString();
                return true;
            }
            matched = part == key;
            return false;
        });
    });
    return value;
}

qint64 VersionReply::Number(QStringView version) {
    QString digits = version.toString();
    digits.remove(u'.');
    qsizetype i = 0;
    while (i < digits.size() && isBlank(digits[i])) ++i;
    bool negative = false;
    if (i < digits.size() && (digits[i] == u'+' || digits[i] == u'-'))
        negative = digits[i++] == u'-';
    // Accumulated negatively: the most negative value fits where its opposite would not.
    constexpr qint64 kMin = std::numeric_limits<qint64>::min();
    qint64 number = 0;
    for (; i < digits.size() && digits[i] >= u'0' && digits[i] <= u'9'; ++i) {
        const int digit = digits[i].unicode() - u'0';
        number = number < (kMin + digit) / 10 ? kMin : number * 10 - digit;
    }
    if (negative) return number;
    return number == kMin ? std::numeric_limits<qint64>::max() : -number;
}

VersionReply::Reading VersionReply::Read(QStringView reply) {
    Reading reading;
    reading.version = Lookup(reply, u"ver");
    reading.time = Lookup(reply, u"ptm");
    if (reading.version.isEmpty() || reading.time.isEmpty()) return reading;
    reading.verdict = Number(reading.version) > kOwnVersion ? Verdict::Newer : Verdict::Latest;
    return reading;
}
