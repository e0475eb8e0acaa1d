#include "GifWalker.h"

namespace {
// Offsets inside the blocks the walker reads fields from.
constexpr qsizetype kPackedOffset = 10;         // logical screen descriptor's packed byte
constexpr qsizetype kApplicationHead = 14;      // introducer, label, size byte, 11 bytes
constexpr qsizetype kCommentHead = 2;           // introducer, label
constexpr qsizetype kGraphicControlLength = 8;  // fixed
constexpr qsizetype kPlainTextHead = 15;        // introducer, label, size byte, 12 bytes
constexpr qsizetype kImageHead = 11;            // descriptor and the LZW code size byte
constexpr qsizetype kImagePackedOffset = 9;
constexpr quint8 kColorTableFlag = 0x80;

qsizetype colorTableSize(quint8 packed) {
    return (packed & kColorTableFlag) ? qsizetype(3) << ((packed & 7) + 1) : 0;
}
}  // namespace

GifWalker::GifWalker(QByteArrayView data) : m_data(data) {
    if (m_data.size() < kHeaderSize || !m_data.startsWith(QByteArrayView("GIF"))) return;
    m_gctSize = colorTableSize(byte(kPackedOffset));
    if (m_data.size() < kHeaderSize + m_gctSize) return;
    m_hasHeader = true;
    m_width = word(6);
    m_height = word(8);
    rewind();
}

void GifWalker::rewind() { m_offset = kHeaderSize + m_gctSize; }

quint16 GifWalker::word(qsizetype at) const { return quint16(byte(at) | (byte(at + 1) << 8)); }

GifWalker::Block GifWalker::classify(qsizetype at) const {
    if (at >= m_data.size()) return Block::Unrecognised;
    switch (byte(at)) {
        case 0x2C:
            return Block::Image;
        case 0x3B:
            return Block::Trailer;
        case 0x21:
            break;
        default:
            return Block::Unrecognised;
    }
    if (at + 1 >= m_data.size()) return Block::Unrecognised;
    switch (byte(at + 1)) {
        case 0xFF:
            return Block::Application;
        case 0xFE:
            return Block::Comment;
        case 0xF9:
            return Block::GraphicControl;
        case 0x01:
            return Block::PlainText;
        default:
            return Block::OtherExtension;
    }
}

qsizetype GifWalker::subBlocksLength(qsizetype at) const {
    qsizetype pos = at;
    while (pos < m_data.size()) {
        const quint8 size = byte(pos);
        if (size == 0) return pos + 1 - at;
        pos += size + 1;
    }
    return 0;  // ran off the end of the data
}

qsizetype GifWalker::blockLength(qsizetype at, Block kind) const {
    auto withSubBlocks = [&](qsizetype head) -> qsizetype {
        const qsizetype run = subBlocksLength(at + head);
        return run > 0 ? head + run : 0;
    };
    qsizetype length = 0;
    switch (kind) {
        case Block::Application:
            length = withSubBlocks(kApplicationHead);
            break;
        case Block::Comment:
        case Block::OtherExtension:
            length = withSubBlocks(kCommentHead);
            break;
        case Block::GraphicControl:
            length = kGraphicControlLength;
            break;
        case Block::PlainText:
            length = withSubBlocks(kPlainTextHead);
            break;
        case Block::Image:
            if (at + kImagePackedOffset >= m_data.size()) return 0;
            length = withSubBlocks(kImageHead + colorTableSize(byte(at + kImagePackedOffset)));
            break;
        case Block::Trailer:
            length = 1;
            break;
        case Block::Unrecognised:
            return 0;
    }
    return length > 0 && at + length <= m_data.size() ? length : 0;
}

bool GifWalker::skipExtensions(qsizetype& at, bool skipGraphicControl) const {
    for (;;) {
        const Block kind = classify(at);
        const bool skippable = kind == Block::Application || kind == Block::Comment ||
                               kind == Block::OtherExtension ||
                               (skipGraphicControl && kind == Block::GraphicControl);
        if (!skippable) return true;
        const qsizetype length = blockLength(at, kind);
        if (length == 0) return false;
        at += length;
    }
}

bool GifWalker::locateFrame(FrameSpan& span) const {
    if (!m_hasHeader) return false;
    qsizetype at = m_offset;
    if (!skipExtensions(at, false)) return false;
    span.begin = at;
    span.control = -1;
    Block kind = classify(at);
    if (kind == Block::GraphicControl) {
        const qsizetype length = blockLength(at, kind);
        if (length == 0) return false;
        span.control = at;
        at += length;
        if (!skipExtensions(at, true)) return false;
        kind = classify(at);
    }
    // What is left is the rendering block; the trailer and anything unrecognised end the walk.
    if (kind != Block::Image && kind != Block::PlainText) return false;
    const qsizetype length = blockLength(at, kind);
    if (length == 0) return false;
    span.rendering = at;
    span.end = at + length;
    return true;
}

bool GifWalker::walkFrame() {
    FrameSpan span;
    if (!locateFrame(span)) return false;
    m_offset = span.end;
    return true;
}

std::optional<GifFrameBlock> GifWalker::extractFrame() {
    FrameSpan span;
    if (!locateFrame(span)) return std::nullopt;
    GifFrameBlock frame;
    if (span.control >= 0) {
        frame.disposal = (byte(span.control + 3) >> 2) & 7;
        frame.delay = word(span.control + 4);
    }
    frame.isImage = byte(span.rendering) == 0x2C;
    if (frame.isImage) {
        frame.x = word(span.rendering + 1);
        frame.y = word(span.rendering + 3);
        frame.width = word(span.rendering + 5);
        frame.height = word(span.rendering + 7);
    }
    const qsizetype head = kHeaderSize + m_gctSize;
    const qsizetype body = span.end - span.begin;
    frame.gif.reserve(head + body + 1);
    frame.gif.append(m_data.first(head));
    frame.gif.append(m_data.sliced(span.begin, body));
    frame.gif.append(char(0x3B));
    m_offset = span.end;
    return frame;
}

int GifWalker::countFrames() {
    rewind();
    int count = 0;
    while (walkFrame()) ++count;
    return count;
}

GifWalkSummary GifWalker::Walk(QByteArrayView data) {
    GifWalker walker(data);
    GifWalkSummary summary;
    summary.hasHeader = walker.hasHeader();
    summary.width = walker.imageWidth();
    summary.height = walker.imageHeight();
    summary.counted = walker.countFrames();
    walker.rewind();
    while (walker.extractFrame()) ++summary.extracted;
    return summary;
}
