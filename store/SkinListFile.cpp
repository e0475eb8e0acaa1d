#include "SkinListFile.h"

#include "SkinPaths.h"
#include "StoreText.h"
#include "XmlDocumentFile.h"

namespace {

const char kFileName[] = "skinlist.xml";
// Tens of thousands of skins; a real list holds a few dozen.
constexpr qint64 kMaxBytes = 4LL * 1024 * 1024;

// One element's skin attributes, read by name in any order; a later one wins.
struct SkinAttributes {
    bool hasId = false;
    tagUiBgSkinInfo skin;
};

SkinAttributes readSkin(const TiXmlElement& e) {
    SkinAttributes result;
    for (const TiXmlAttribute* a = e.FirstAttribute(); a; a = a->Next()) {
        if (a->NameTStr() == "id") {
            result.hasId = true;
            result.skin.id = StoreText::fromLocal(a->ValueStr());
        } else if (a->NameTStr() == "fname") {
            result.skin.fname = StoreText::fromLocal(a->ValueStr());
        } else if (a->NameTStr() == "maskcolor") {
            result.skin.maskcolor = StoreText::parseDecimal(a->ValueStr());
        }
    }
    return result;
}

}  // namespace

void SkinListFile::write(const QList<tagUiBgSkinInfo>& list) {
    TiXmlDocument document;
    XmlDocumentFile::addDeclaration(&document);
    for (const tagUiBgSkinInfo& skin : list) {
        auto* e = new TiXmlElement("SKIN");
        e->SetAttribute(std::string("id"), StoreText::toLocal(skin.id));
        e->SetAttribute(std::string("fname"), StoreText::toLocal(skin.fname));
        e->SetAttribute(std::string("maskcolor"), StoreText::decimal(skin.maskcolor));
        document.LinkEndChild(e);
    }
    XmlDocumentFile::save(document, XmlDocumentFile::dataPath(kFileName));
}

void SkinListFile::read(QList<tagUiBgSkinInfo>* list) {
    TiXmlDocument document;
    XmlDocumentFile::load(XmlDocumentFile::dataPath(kFileName), &document, kMaxBytes);
    for (const TiXmlElement* e = document.FirstChildElement(); e; e = e->NextSiblingElement()) {
        list->append(readSkin(*e).skin);
    }
}

tagUiBgSkinInfo SkinListFile::find(const QString& id) {
    TiXmlDocument document;
    XmlDocumentFile::load(XmlDocumentFile::dataPath(kFileName), &document, kMaxBytes);
    for (const TiXmlElement* e = document.FirstChildElement(); e; e = e->NextSiblingElement()) {
        // Only the matching element's attributes count, whatever order they come in; an
        // element without an id matches nothing.
        const SkinAttributes found = readSkin(*e);
        if (found.hasId && found.skin.id == id) return found.skin;
    }
    return {};
}

bool SkinListFile::isSafeName(const QString& name) {
    // The description file "<name>.xml" lies beside the store's own files: their names would
    // replace them (on a case-insensitive file system in any letter case).
    for (const char* own : {"config", "playlist", "skinlist", "radiolist"}) {
        if (name.compare(QLatin1String(own), Qt::CaseInsensitive) == 0) return false;
    }
    const bool control = std::any_of(name.begin(), name.end(),
                                     [](QChar c) { return c.category() == QChar::Other_Control; });
    return !name.isEmpty() && !control && !name.contains(QLatin1Char('/')) &&
           !name.contains(QLatin1Char('\\')) && !name.contains(QLatin1String(".."));
}

bool SkinListFile::saveDescription(const QString& name, const QByteArray& maskcolor) {
    if (!isSafeName(name)) return false;
    TiXmlDocument document;
    XmlDocumentFile::addDeclaration(&document);
    auto* e = new TiXmlElement("SKIN");
    e->SetAttribute(std::string("maskcolor"), maskcolor.toStdString());
    document.LinkEndChild(e);
    return XmlDocumentFile::save(document,
                                 XmlDocumentFile::dataPath(name + QStringLiteral(".xml")));
}
