// Bytes a peer of the single-instance socket may send, arriving in pieces of any size.

#include "SingleInstanceFrame.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte picks the piece size, so a message also arrives split mid-header.
    const std::size_t piece = 1 + data[0] % 64;
    SingleInstanceFrame frame;
    for (std::size_t at = 1; at < size; at += piece) {
        const auto bytes =
            QByteArrayView(reinterpret_cast<const char*>(data) + at, std::min(piece, size - at));
        const SingleInstanceFrame::State before = frame.state();
        const SingleInstanceFrame::State now = frame.feed(bytes);
        // feed() reports the state it leaves, and a finished message stays finished.
        if (now != frame.state()) std::abort();
        if (before != SingleInstanceFrame::State::NeedMore && now != before) std::abort();
    }
    // Only a finished message gives paths, and none of them is empty or holds a NUL.
    const QStringList paths = frame.paths();
    if (frame.state() != SingleInstanceFrame::State::Complete && !paths.isEmpty()) std::abort();
    for (const QString& path : paths) {
        if (path.isEmpty() || path.contains(QChar(u'\0'))) std::abort();
    }
    return 0;
}
