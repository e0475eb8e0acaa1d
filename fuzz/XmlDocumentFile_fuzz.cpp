// A data file's bytes as the store parses them (config.xml, playlist.xml, skinlist.xml).

#include "XmlDocumentFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype kept = XmlDocumentFile::limitedLength(bytes);
    if (kept < 0 || kept > bytes.size()) std::abort();
    TiXmlDocument document;
    XmlDocumentFile::parse(bytes, &document);
    // Whatever was parsed prints, and what it prints is read back without a fault.
    const QByteArray printed = XmlDocumentFile::toBytes(document);
    TiXmlDocument again;
    XmlDocumentFile::parse(printed, &again);
    return 0;
}
