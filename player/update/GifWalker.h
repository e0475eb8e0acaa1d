#pragma once
// Splits the bytes of a GIF into frames by walking its block structure, without decoding pixels.
// Each frame comes out as a one-frame GIF of its own (the file's header and global colour table,
// the frame's blocks, a trailer), ready for an ordinary GIF decoder.
//
// Pure and bounded: every read is checked against the end of the data, every move goes forward
// by at least one byte, so hostile bytes (truncated, random, endless runs of extensions) end the
// walk in time linear in their size. The walker never allocates more than one frame at a time.
// Thread: any; an instance is used by one thread at a time.

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

// One frame as the walk found it.
struct GifFrameBlock {
    QByteArray gif;  // header, global colour table, the frame's blocks, trailer
    // From the image descriptor; all 0 when the frame is drawn by a plain text extension.
    int width = 0;
    int height = 0;
    int x = 0;
    int y = 0;
    bool isImage = false;  // false: the rendering block is a plain text extension
    // From the first graphic control extension before the rendering block.
    quint32 delay = 0xFFFFFFFFu;  // hundredths of a second; all bits set without an extension
    quint32 disposal = 0;         // 0 to 7
};

// What one pass over the bytes found; the whole of it, so a fuzz run can call Walk() alone.
struct GifWalkSummary {
    bool hasHeader = false;
    int width = 0;
    int height = 0;
    int counted = 0;    // frames found by the frame walk
    int extracted = 0;  // frames that extraction yielded (always equal to counted)
};

class GifWalker {
public:
    static constexpr quint32 kNoDelay = 0xFFFFFFFFu;
    static constexpr qsizetype kHeaderSize = 13;

    // Views the bytes; they must outlive the walker.
    explicit GifWalker(QByteArrayView data);

    // The data starts with "GIF" and holds the whole header and global colour table. Nothing
    // is walked when this is false.
    bool hasHeader() const { return m_hasHeader; }
    int imageWidth() const { return m_width; }
    int imageHeight() const { return m_height; }
    qsizetype globalColorTableSize() const { return m_gctSize; }
    qsizetype parseOffset() const { return m_offset; }

    // Back to the first block after the header and global colour table.
    void rewind();
    // Moves the parse offset past one frame; false when there is none (trailer, end of data or a
    // broken block), the offset then stays where the failing frame began.
    bool walkFrame();
    // The next frame and its one-frame GIF; nothing when walkFrame() would fail.
    std::optional<GifFrameBlock> extractFrame();
    // Rewinds and walks until the walk fails; leaves the offset after the last frame.
    int countFrames();

    // Counts and extracts every frame of the bytes once.
    static GifWalkSummary Walk(QByteArrayView data);

private:
    enum class Block {
        Application,
        Comment,
        GraphicControl,
        PlainText,
        Image,
        Trailer,
        OtherExtension,  // an extension label of no known kind: skipped like a comment
        Unrecognised,
    };
    struct FrameSpan {
        qsizetype begin = 0;      // first block of the frame
        qsizetype rendering = 0;  // the image descriptor or plain text extension
        qsizetype end = 0;        // one past the rendering block
        qsizetype control = -1;   // first graphic control extension, -1 when none
    };

    Block classify(qsizetype at) const;
    // Whole length of the block at `at`, 0 when it does not end inside the data.
    qsizetype blockLength(qsizetype at, Block kind) const;
    qsizetype subBlocksLength(qsizetype at) const;
    // Moves `at` past skippable extensions (and, when allowed, graphic control extensions);
    // false when a skipped block is broken.
    bool skipExtensions(qsizetype& at, bool skipGraphicControl) const;
    bool locateFrame(FrameSpan& span) const;
    quint16 word(qsizetype at) const;
    quint8 byte(qsizetype at) const { return quint8(m_data[at]); }

    QByteArrayView m_data;
    bool m_hasHeader = false;
    int m_width = 0;
    int m_height = 0;
    qsizetype m_gctSize = 0;
    qsizetype m_offset = 0;
};
