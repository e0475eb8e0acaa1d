#include "ConfigFile.h"

#include "DataDirectory.h"
#include "RegularFile.h"
#include "StoreText.h"
#include "XmlDocumentFile.h"

#include <QFile>

#include <cstdio>

namespace {

const char kFileName[] = "config.xml";
const char kValue[] = "value";
// A real config.xml is well under a kilobyte: nine short values.
constexpr qint64 kMaxBytes = 1024 * 1024;

// The first "value" attribute of the first element named key that has one.
TiXmlAttribute* findValue(TiXmlDocument& document, const QString& key) {
    for (TiXmlElement* e = document.FirstChildElement(); e; e = e->NextSiblingElement()) {
        if (StoreText::fromLocal(e->ValueStr()) != key) continue;
        for (TiXmlAttribute* a = e->FirstAttribute(); a; a = a->Next()) {
            if (a->NameTStr() == kValue) return a;
        }
    }
    return nullptr;
}

// Loads config.xml into document; true when it was read whole. A damaged one (empty, cut, not
// well-formed, not a regular file, too big, without elements) would never be saved again, so
// settings would silently stop persisting: it is moved aside to config.xml.bad and the delivered
// defaults take its place. When that fails, document keeps what was read before the fault.
bool load(TiXmlDocument* document) {
    const QString path = XmlDocumentFile::dataPath(kFileName);
    // Without a single element no setting can be saved: that counts as damaged too.
    if (XmlDocumentFile::load(path, document, kMaxBytes) && document->FirstChildElement())
        return true;
    // A missing file is seeded at start (DataDirectory::prepare); the store never creates one.
    if (!RegularFile::entryExists(path) || !XmlDocumentFile::moveAside(path)) return false;
    if (!DataDirectory::seedConfig()) {
        // Back with it, so that it at least stays where the user knows it.
        ::rename(QFile::encodeName(path + QStringLiteral(".bad")).constData(),
                 QFile::encodeName(path).constData());
        return false;
    }
    document->Clear();
    return XmlDocumentFile::parse(DataDirectory::defaultConfig(), document);
}

}  // namespace

QString ConfigFile::value(const QString& key) {
    TiXmlDocument document;
    load(&document);
    if (const TiXmlAttribute* a = findValue(document, key))
        return StoreText::fromUtf8(a->ValueStr());
    return QString();
}

void ConfigFile::setValue(const QString& key, const QString& value) {
    TiXmlDocument document;
    if (!load(&document)) return;
    TiXmlAttribute* a = findValue(document, key);
    if (!a) return;
    a->SetValue(StoreText::toUtf8(value));
    XmlDocumentFile::save(document, XmlDocumentFile::dataPath(kFileName));
}
