// The tail of an audio file as the raw APEv2 reader parses it.

#include "tags/ApeRawReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray tag(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const ApeRawItems items = ApeRawReader::parse(tag);
    // Items are cut from the tag, never made up.
    if (items.title.size() + items.artist.size() > tag.size()) std::abort();
    return 0;
}
