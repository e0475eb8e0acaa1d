#pragma once
// config.xml: one top-level element per key, its "value" attribute holding the value as UTF-8.
// The first element of the key's name that has a "value" attribute is the one read and written;
// the file is never created and no element or attribute is ever added.

#include <QString>

class ConfigFile {
public:
    static QString value(const QString& key);
    // Rewrites config.xml only when it parsed completely (saving a damaged file would drop
    // everything behind the fault) and holds the key.
    static void setValue(const QString& key, const QString& value);
};
