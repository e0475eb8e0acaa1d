#include "PlayListFile.h"

#include "AtomicFile.h"
#include "StoreText.h"
#include "XmlDocumentFile.h"

#include <QFile>

namespace {

const char kPlayList[] = "playlist.xml";
const char kRadioList[] = "radiolist.xml";
const char kDamagedCopy[] = "playlist.xml.bad";

using Decoder = QString (*)(const std::string&);

// Returns whether the file was read whole (false also when it is missing).
bool appendEntries(const QString& fileName, Decoder decode, QList<tagFileListInfo>* list) {
    TiXmlDocument document;
    const bool whole = XmlDocumentFile::load(XmlDocumentFile::dataPath(fileName), &document);
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
    return whole;
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
    if (appendEntries(kPlayList, &StoreText::fromUtf8, list)) return;
    // Only the entries before a fault were read, and the player's next save writes just those:
    // keep the damaged file beside it so the rest can still be recovered by hand.
    QFile damaged(XmlDocumentFile::dataPath(kPlayList));
    if (damaged.size() > 0 && damaged.open(QIODevice::ReadOnly)) {
        AtomicFile::save(XmlDocumentFile::dataPath(kDamagedCopy), damaged.readAll());
    }
}

void PlayListFile::readRadio(QList<tagFileListInfo>* list) {
    appendEntries(kRadioList, &StoreText::fromLocal, list);
}
