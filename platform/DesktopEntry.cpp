#include "DesktopEntry.h"

#include "AtomicFile.h"
#include "RegularFile.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

constexpr char kGroup[] = "[Desktop Entry]";
// A desktop entry is a few lines; anything larger is not one we wrote.
constexpr qint64 kMaxEntryBytes = 256 * 1024;

QString unescapeValue(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            out += c;
            continue;
        }
        switch (value[++i].unicode()) {
            case 's':
                out += QLatin1Char(' ');
                break;
            case 'n':
                out += QLatin1Char('\n');
                break;
            case 't':
                out += QLatin1Char('\t');
                break;
            case 'r':
                out += QLatin1Char('\r');
                break;
            default:
                out += value[i];
                break;
        }
    }
    return out;
}

}  // namespace

QString DesktopEntry::escapeValue(const QString& value) {
    QString out;
    out.reserve(value.size() + 8);
    for (const QChar c : value) {
        switch (c.unicode()) {
            case '\\':
                out += QLatin1String("\\\\");
                break;
            case '\n':
                out += QLatin1String("\\n");
                break;
            case '\t':
                out += QLatin1String("\\t");
                break;
            case '\r':
                out += QLatin1String("\\r");
                break;
            default:
                out += c;
                break;
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
