#pragma once
// Loading and saving one data file as a whole. Files are small lists of empty elements without
// a root; a load keeps whatever TinyXML parsed before a fault, and a save goes through the
// atomic-save helper, so a failed save leaves the old file.

#include <tinyxml.h>

#include <QByteArray>
#include <QString>

#include <optional>

class XmlDocumentFile {
public:
    // Nesting deeper than this is cut off before parsing: TinyXML parses recursively and a
    // hostile file could otherwise exhaust the stack. The data files are flat.
    static constexpr int kMaxDepth = 256;
    // TinyXML checks each new attribute against all earlier ones of its element, so many
    // attributes on one element cost quadratic time; the files' elements carry one to three.
    // An element with more is a fault, cut off like deep nesting.
    static constexpr int kMaxAttributes = 64;

    // Full path of a data file: the data folder followed by name.
    static QString dataPath(const QString& name);

    // Loads path into document (which must be empty). Returns true only when the whole file was
    // read and parsed without a fault; on false, document holds what was parsed before it.
    // Only a regular file of at most maxBytes is read (see RegularFile); anything else loads
    // as an empty document. bytes, when given, receives what was read.
    static bool load(const QString& path, TiXmlDocument* document, qint64 maxBytes,
                     std::optional<QByteArray>* bytes = nullptr);
    // Renames path to path + ".bad", replacing an older one; false when that failed.
    static bool moveAside(const QString& path);
    // The same for bytes already in memory.
    static bool parse(const QByteArray& bytes, TiXmlDocument* document);

    // Adds the declaration every file starts with: version "1.0", no encoding, no standalone.
    static void addDeclaration(TiXmlDocument* document);

    // The bytes a save writes, and the save itself (atomic; false when it failed).
    static QByteArray toBytes(const TiXmlDocument& document);
    static bool save(const TiXmlDocument& document, const QString& path);

    // Length of the prefix of bytes whose element nesting stays within kMaxDepth and whose
    // elements carry at most kMaxAttributes attributes each.
    static qsizetype limitedLength(const QByteArray& bytes);
};
