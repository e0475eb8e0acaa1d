#include "PlayListFile.h"

#include "AtomicFile.h"
#include "RegularFile.h"
#include "StoreText.h"
#include "XmlDocumentFile.h"

namespace {

const char kPlayList[] = "playlist.xml";
const char kRadioList[] = "radiolist.xml";
const char kDamagedCopy[] = "playlist.xml.bad";
// About 9,000 entries a megabyte.
constexpr qint64 kMaxBytes = 64LL * 1024 * 1024;

using Decoder = QString (*)(const std::string&);

// Returns whether the file was read whole (false also when it is missing); bytes receives what
// was read.
bool appendEntries(const QString& fileName, Decoder decode, QList<tagFileListInfo>* list,
                   std::optional<QByteArray>* bytes = nullptr) {
    TiXmlDocument document;
    const bool whole =
        XmlDocumentFile::load(XmlDocumentFile::dataPath(fileName), &document, kMaxBytes, bytes);
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
    std::optional<QByteArray> bytes;
    if (appendEntries(kPlayList, &StoreText::fromUtf8, list, &bytes)) return;
    const QString path = XmlDocumentFile::dataPath(kPlayList);
    if (bytes) {
        // Only the entries before a fault were read, and the player's next save writes just
        // those: keep a copy of the damaged file so the rest can still be recovered by hand.
        if (!bytes->isEmpty()) AtomicFile::save(XmlDocumentFile::dataPath(kDamagedCopy), *bytes);
    } else if (RegularFile::entryExists(path)) {
        // Not a file that can be read (a FIFO, a device, far too big): out of the way with it.
        XmlDocumentFile::moveAside(path);
    }
}

void PlayListFile::readRadio(QList<tagFileListInfo>* list) {
    appendEntries(kRadioList, &StoreText::fromLocal, list);
}
