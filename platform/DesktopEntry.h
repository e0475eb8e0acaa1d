#pragma once
// Desktop entry files (the freedesktop.org format that autostart and "open with" read): the
// escaping of values and the quoting of the program in Exec, and the atomic write of a whole
// entry. Thread: any; no shared state.

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

class DesktopEntry {
public:
    using Keys = QList<std::pair<QString, QString>>;

    // A string value with the format's escapes (backslash, newline, tab, carriage return).
    static QString escapeValue(const QString& value);
    // One argument of Exec, before escapeValue: quoted when it holds a reserved character, with
    // '"', '`', '$' and '\' escaped inside the quotes, and '%' doubled.
    static QString quoteArgument(const QString& argument);
    // The Exec command line (before escapeValue) that runs program with the trailing field codes
    // (e.g. "%F").
    static QString execValue(const QString& program, const QString& fieldCodes = QString());

    // The entry's text: the "[Desktop Entry]" group with the keys in order, values escaped.
    static QByteArray text(const Keys& keys);
    // Writes text(keys) to path atomically, making its folder. False when anything fails.
    static bool write(const QString& path, const Keys& keys);

    // The value of key in the "[Desktop Entry]" group of the file at path, unescaped; empty when
    // the file, the group or the key is missing.
    static QString readValue(const QString& path, const QString& key);
};
