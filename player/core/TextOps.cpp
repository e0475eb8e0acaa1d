#include "TextOps.h"

#include <climits>

namespace {

qsizetype fileNameStart(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype backslash = path.lastIndexOf(QLatin1Char('\\'));
    return qMax(slash, backslash) + 1;
}

}  // namespace

namespace TextOps {

QStringList SplitText(const QString& text, const QString& delimiters) {
    QStringList pieces;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !delimiters.contains(text.at(i))) continue;
        if (i > start) pieces.append(text.mid(start, i - start));
        start = i + 1;
    }
    return pieces;
}

bool IsInCommaList(const QString& item, const QString& list) {
    return SplitText(list, QStringLiteral(",")).contains(item, Qt::CaseSensitive);
}

QString FileNameTitle(const QString& path) {
    const QString name = path.mid(fileNameStart(path));
    const QStringList pieces = SplitText(name, QStringLiteral("."));
    if (!pieces.isEmpty()) return pieces.first();
    // Nothing but dots, or no file name at all: show something rather than an empty row.
    return name.isEmpty() ? path : name;
}

bool IsSupportedAudioFile(const QString& path) {
    const QString name = path.mid(fileNameStart(path));
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0) return false;
    return IsInCommaList(name.mid(dot + 1), QString::fromLatin1(kSupportedExtensions));
}

int decimalValue(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace()) ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) break;
        value = value * 10 + (c.unicode() - '0');
        if (value > qint64(INT_MAX) + 1) value = qint64(INT_MAX) + 1;  // stays clamped
    }
    if (negative) value = -value;
    return int(qBound(qint64(INT_MIN), value, qint64(INT_MAX)));
}

}  // namespace TextOps
