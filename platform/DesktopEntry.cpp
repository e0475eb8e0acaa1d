#include "DesktopEntry.h"

#include "AtomicFile.h"
#include "RegularFile.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

constexpr char kGroup[] = "[Desktop Entry]";
// A desktop entry is a few lines; anything larger is not one we wrote.
constexpr qint64 kMaxEntryBytes = 256 * 1024;

// The format's escapes: the character and the letter that follows the backslash for it.
constexpr std::pair<char16_t, char16_t> kEscapes[] = {
    {u'\\', u'\\'}, {u'\n', u'n'}, {u'\t', u't'}, {u'\r', u'r'}, {u' ', u's'}};

QString unescapeValue(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != QLatin1Char('\\') || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const char16_t letter = value[++i].unicode();
        const auto* e = std::find_if(std::begin(kEscapes), std::end(kEscapes),
                                     [letter](const auto& p) { return p.second == letter; });
        out += e != std::end(kEscapes) ? QChar(e->first) : QChar(letter);
    }
    return out;
}

}  // namespace

QString DesktopEntry::escapeValue(const QString& value) {
    QString out;
    out.reserve(value.size() + 8);
    // Spaces stay as they are: only a leading one would need "\s", and no value starts so.
    for (const QChar c : value) {
        const auto* e = std::find_if(std::begin(kEscapes), std::end(kEscapes) - 1,
                                     [c](const auto& p) { return p.first == c.unicode(); });
        if (e != std::end(kEscapes) - 1) {
            out += QLatin1Char('\\');
            out += QChar(e->second);
        } else {
            out += c;
        }
    }
    return out;
}

QString DesktopEntry::quoteArgument(const QString& argument) {
    static const QString kReserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString plain = argument;
    plain.replace(QLatin1Char('%'), QLatin1String("%%"));
    const bool needsQuotes =
        plain.isEmpty() ||
        std::any_of(plain.cbegin(), plain.cend(), [](QChar c) { return kReserved.contains(c); });
    if (!needsQuotes) return plain;
    QString quoted = QStringLiteral("\"");
    for (const QChar c : plain) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    return quoted + QLatin1Char('"');
}

QString DesktopEntry::execValue(const QString& program, const QString& fieldCodes) {
    QString line = quoteArgument(program);
    if (!fieldCodes.isEmpty()) line += QLatin1Char(' ') + fieldCodes;
    return line;
}

QByteArray DesktopEntry::text(const Keys& keys) {
    QString out = QLatin1String(kGroup) + QLatin1Char('\n');
    for (const auto& [key, value] : keys)
        out += key + QLatin1Char('=') + escapeValue(value) + QLatin1Char('\n');
    return out.toUtf8();
}

bool DesktopEntry::write(const QString& path, const Keys& keys) {
    const QString dir = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(dir)) return false;
    return AtomicFile::save(path, text(keys));
}

QString DesktopEntry::readValue(const QString& path, const QString& key) {
    const std::optional<QByteArray> bytes = RegularFile::read(path, kMaxEntryBytes);
    if (!bytes) return {};
    bool inGroup = false;
    for (const QByteArray& raw : bytes->split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inGroup = line == QLatin1String(kGroup);
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (inGroup && eq > 0 && line.left(eq).trimmed() == key)
            return unescapeValue(line.mid(eq + 1).trimmed());
    }
    return {};
}
