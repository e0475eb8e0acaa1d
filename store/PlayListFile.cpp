#include "PlayListFile.h"

#include "StoreText.h"
#include "XmlDocumentFile.h"

namespace {

const char kPlayList[] = "playlist.xml";
const char kRadioList[] = "radiolist.xml";

using Decoder = QString (*)(const std::string&);

void appendEntries(const QString& fileName, Decoder decode, QList<tagFileListInfo>* list) {
    TiXmlDocument document;
    XmlDocumentFile::load(XmlDocumentFile::dataPath(fileName), &document);
    for (const TiXmlElement* e = document.FirstChildElement(); e; e = e->NextSiblingElement()) {
        tagFileListInfo entry;
        // The element's name is not checked: a hand-added element is an entry too.
        for (const TiXmlAttribute* a = e->FirstAttribute(); a; a = a->Next()) {
            if (a->NameTStr() == "name") {
                entry.title = decode(a->ValueStr());
            } else if (a->NameTStr() == "value") {
                entry.path = decode(a->ValueStr());
            }
        }
        list->append(entry);
    }
}

}  // namespace

void PlayListFile::write(const QList<tagFileListInfo>& list) {
    TiXmlDocument document;
    XmlDocumentFile::addDeclaration(&document);
    for (const tagFileListInfo& entry : list) {
        auto* e = new TiXmlElement("MU");
        e->SetAttribute(std::string("value"), StoreText::toUtf8(entry.path));
        e->SetAttribute(std::string("name"), StoreText::toUtf8(entry.title));
        document.LinkEndChild(e);
    }
    XmlDocumentFile::save(document, XmlDocumentFile::dataPath(kPlayList));
}

void PlayListFile::read(QList<tagFileListInfo>* list) {
    appendEntries(kPlayList, &StoreText::fromUtf8, list);
}

void PlayListFile::readRadio(QList<tagFileListInfo>* list) {
    appendEntries(kRadioList, &StoreText::fromLocal, list);
}
