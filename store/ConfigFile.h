#pragma once
// config.xml: one top-level element per key, its "value" attribute holding the value as UTF-8.
// The first element of the key's name that has a "value" attribute is the one read and written;
// no element or attribute is ever added. A missing file is not created (the player seeds it at
// start); a damaged one is moved aside to config.xml.bad and the delivered defaults replace it.

#include <QString>

class ConfigFile {
public:
    static QString value(const QString& key);
    // Rewrites config.xml only when it holds the key.
    static void setValue(const QString& key, const QString& value);
};
