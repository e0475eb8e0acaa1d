// A skin picture's bytes through the fast reader of plain 24-bit BMPs.

#include "SkinPicture.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QImage image = SkinPicture::DecodePlainBmp(bytes);
    // A picture it accepts is one whose pixels the bytes really hold (three bytes each).
    if (!image.isNull() && qint64(image.width()) * image.height() * 3 > qint64(size)) std::abort();
    return 0;
}
