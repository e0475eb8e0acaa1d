#include "ConfigFile.h"

#include "StoreText.h"
#include "XmlDocumentFile.h"

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

}  // namespace

QString ConfigFile::value(const QString& key) {
    TiXmlDocument document;
    XmlDocumentFile::load(XmlDocumentFile::dataPath(kFileName), &document, kMaxBytes);
    if (const TiXmlAttribute* a = findValue(document, key))
        return StoreText::fromUtf8(a->ValueStr());
    return QString();
}

void ConfigFile::setValue(const QString& key, const QString& value) {
    const QString path = XmlDocumentFile::dataPath(kFileName);
    TiXmlDocument document;
    if (!XmlDocumentFile::load(path, &document, kMaxBytes)) return;
    TiXmlAttribute* a = findValue(document, key);
    if (!a) return;
    a->SetValue(StoreText::toUtf8(value));
    XmlDocumentFile::save(document, path);
}
