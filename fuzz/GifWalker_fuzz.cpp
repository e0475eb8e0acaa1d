// Bytes of a GIF picture from anywhere: the walker must end on any input, and every frame it
// counts must also be extracted.

#include "update/GifWalker.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const GifWalkSummary s =
        GifWalker::Walk(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (s.counted != s.extracted) std::abort();
    return 0;
}
