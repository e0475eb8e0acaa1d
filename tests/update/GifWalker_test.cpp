// The block walker on GIFs put together block by block: which frames it finds and what each
// one-frame GIF holds; then truncated and endless bytes (random ones are fuzz/'s).
#include "update/GifWalker.h"
#include "GifPieces.h"

#include <gtest/gtest.h>
#include <QList>
#include <optional>
#include <tuple>

namespace {
QList<GifFrameBlock> extractAll(const QByteArray& bytes) {
    GifWalker walker(bytes);
    QList<GifFrameBlock> frames;
    while (auto frame = walker.extractFrame()) frames.append(*frame);
    EXPECT_EQ(GifWalker::Walk(bytes).counted, frames.size());
    return frames;
}

TEST(GifWalker, FindsTheFramesBetweenEveryKindOfBlockUpToTheFirstBrokenOne) {
    using namespace gif;
    const QByteArray head = header(8, 6);
    const QRect full(0, 0, 8, 6), part(2, 1, 3, 4);
    const quint32 none = GifWalker::kNoDelay;
    struct Frame {  // what the walker must read from a frame's piece
        QRect rect;
        quint32 delay, disposal;
        bool isImage = true;
    };
    struct Piece {
        QByteArray bytes;
        std::optional<Frame> frame;  // none: skipped, or the end of the walk
    };
    QList<QList<Piece>> rows = {
        {{image(full, kRed), Frame{full, none, 0}}, {";"}},
        {{application() + comment("a")},
         {control(7, 3) + comment("inside") + image(part, kGreen), Frame{part, 7, 3}},
         {comment(QByteArray(600, 'c'))},
         {control(0, 2) + image(
                              full, [](int x, int) { return x % 4; }, true),
          Frame{full, 0, 2}},
         {";" + image(full, kRed)}},
        {{control(7, 1) + application() + control(9, 3) + image(full, 1), Frame{full, 7, 1}}},
        {{control(5) + plainText("Hello"), Frame{{}, 5, 0, false}},
         {image(QRect(3, 3, 0, 0), 1), Frame{{3, 3, 0, 0}, none, 0}}},
        {{extension(0x2A, {}, "unknown labels are skipped like comments")},
         {image(part, kBlue), Frame{part, none, 0}},
         {"\x99" + image(full, 1)}},
        {{comment("nothing else")}},
    };
    // A frame, then a control without its image, a stray byte, a cut comment, a lone '!'.
    for (const QByteArray& end :
         {control(5) + ";", control(5) + "x", QByteArray::fromHex("21fe056162"), QByteArray("!")})
        rows.append({{image(part, 1), Frame{part, none, 0}}, {end}});
    using Seen = std::tuple<QRect, quint32, quint32, bool, QByteArray>;
    for (const QList<Piece>& row : rows) {
        QByteArray bytes = head;
        QList<Seen> expected, seen;
        for (const Piece& piece : row) {
            bytes += piece.bytes;
            if (const std::optional<Frame>& e = piece.frame)
                expected.append(
                    {e->rect, e->delay, e->disposal, e->isImage, head + piece.bytes + ';'});
        }
        for (const GifFrameBlock& f : extractAll(bytes))
            seen.append(
                {QRect(f.x, f.y, f.width, f.height), f.delay, f.disposal, f.isImage, f.gif});
        EXPECT_EQ(seen, expected) << bytes.toHex().toStdString();
    }
    for (const QByteArray& bytes : {QByteArray("GIF89a\x02\0\x02\0", 10), head.first(20),
                                    QByteArray("\x89PNG\r\n\x1a\n0000000000000", 21)})
        EXPECT_FALSE(GifWalker(bytes).hasHeader());
}

TEST(GifWalker, HostileBytesEndTheWalkAfterTheLastCompleteFrame) {
    using namespace gif;
    // Cut at every byte: exactly the frames that ended before the cut.
    QByteArray bytes = header(16, 16) + application() + comment("made here");
    QList<qsizetype> ends;
    for (int i = 0; i < 4; ++i) {
        bytes += control(10 * i, i) +
                 image(QRect(i, i, 16 - i, 16 - i), [i](int x, int y) { return (x + y + i) % 4; });
        ends.append(bytes.size());
    }
    const QList<GifFrameBlock> whole = extractAll(bytes + ';');
    for (qsizetype n = 0; n <= bytes.size(); ++n) {
        const QList<GifFrameBlock> frames = extractAll(bytes.first(n));
        ASSERT_EQ(frames.size(),
                  std::count_if(ends.begin(), ends.end(), [n](qsizetype e) { return e <= n; }))
            << n;
        for (qsizetype i = 0; i < frames.size(); ++i) ASSERT_EQ(frames[i].gif, whole[i].gif);
    }
    // An endless run of extensions on a huge image: one pass, one frame, sizes reported as read.
    QByteArray endless = header(65535, 65535);
    for (int i = 0; i < 200000; ++i) endless += comment({}) + control(1);
    const GifWalkSummary summary = GifWalker::Walk(endless + image(QRect(65534, 65534, 1, 1), 1));
    EXPECT_EQ(QSize(summary.width, summary.height), QSize(65535, 65535));
    EXPECT_EQ(summary.extracted, 1);
}
}  // namespace
