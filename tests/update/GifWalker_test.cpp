// The block walker on GIFs built block by block: which frames it finds, what each one-frame GIF
// holds, and that truncated, random and endless inputs end cleanly with the walk and the
// extraction agreeing.
#include "update/GifWalker.h"
#include "GifBuilder.h"

#include <gtest/gtest.h>
#include <QList>
#include <random>

namespace {
constexpr qsizetype kHead = 13 + 12;  // header and the builder's four-colour table
constexpr quint32 kNone = GifWalker::kNoDelay;

QList<GifFrameBlock> extractAll(const QByteArray& bytes) {
    GifWalker walker(bytes);
    QList<GifFrameBlock> frames;
    while (auto frame = walker.extractFrame()) frames.append(*frame);
    return frames;
}

// A file is a run of pieces: skipped ones (extensions between frames) and frames, whose blocks
// form exactly the frame's part of its one-frame GIF.
using Add = std::function<void(GifBuilder&)>;
struct Piece {
    bool frame;
    Add add;
};
struct Expect {
    bool isImage;
    QRect rect;
    quint32 delay;
    quint32 disposal;
};

TEST(GifWalker, FindsEveryFrameBetweenEveryBlockKind) {
    const QRect full(0, 0, 8, 6);
    const QRect part(2, 1, 3, 4);
    auto img = [](QRect r, int c = GifBuilder::kRed) {
        return [=](GifBuilder& b) { b.image(r, c); };
    };
    const struct Row {
        const char* name;
        QList<Piece> pieces;
        QList<Expect> frames;
    } rows[] = {
        {"image alone", {{true, img(full)}}, {{true, full, kNone, 0}}},
        {"control and image",
         {{true, [&](GifBuilder& b) { b.control(10, 2).image(part, 1); }}},
         {{true, part, 10, 2}}},
        {"application and comments skipped before frames",
         {{false, [](GifBuilder& b) { b.application().comment("a"); }},
          {true, [&](GifBuilder& b) { b.control(7, 3).comment("inside").image(part, 2); }},
          {false, [](GifBuilder& b) { b.comment(QByteArray(600, 'c')); }},
          {true, img(full)}},
         {{true, part, 7, 3}, {true, full, kNone, 0}}},
        {"first of several controls counts",
         {{true,
           [&](GifBuilder& b) { b.control(7, 1).application().control(9, 3).image(full, 2); }}},
         {{true, full, 7, 1}}},
        {"plain text renders a frame",
         {{true, [](GifBuilder& b) { b.control(5).plainText("Hello"); }}, {true, img(part)}},
         {{false, QRect(), 5, 0}, {true, part, kNone, 0}}},
        {"local colour table",
         {{true,
           [&](GifBuilder& b) {
               b.image(
                   part, [](int x, int) { return x; }, true);
           }}},
         {{true, part, kNone, 0}}},
        {"unknown extension skipped like a comment",
         {{false, [](GifBuilder& b) { b.extension(0x2A, "Hello"); }}, {true, img(full)}},
         {{true, full, kNone, 0}}},
        {"zero-size image",
         {{true, img(QRect(3, 3, 0, 0))}},
         {{true, QRect(3, 3, 0, 0), kNone, 0}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        GifBuilder file(full.width(), full.height());
        QList<QByteArray> expectedGifs;
        for (const Piece& piece : row.pieces) {
            const qsizetype before = file.bytes().size();
            piece.add(file);
            if (piece.frame)
                expectedGifs.append(file.bytes().first(kHead) + file.bytes().sliced(before) + ';');
        }
        const QByteArray bytes = file.trailer().bytes();
        const GifWalkSummary summary = GifWalker::Walk(bytes);
        EXPECT_TRUE(summary.hasHeader);
        EXPECT_EQ(QSize(summary.width, summary.height), full.size());
        EXPECT_EQ(summary.counted, row.frames.size());
        const QList<GifFrameBlock> frames = extractAll(bytes);
        ASSERT_EQ(frames.size(), row.frames.size());
        for (qsizetype i = 0; i < frames.size(); ++i) {
            const Expect& e = row.frames[i];
            EXPECT_EQ(frames[i].isImage, e.isImage) << i;
            EXPECT_EQ(QRect(frames[i].x, frames[i].y, frames[i].width, frames[i].height), e.rect);
            EXPECT_EQ(frames[i].delay, e.delay) << i;
            EXPECT_EQ(frames[i].disposal, e.disposal) << i;
            EXPECT_EQ(frames[i].gif, expectedGifs[i]) << i;
        }
    }
}

TEST(GifWalker, StopsAtTheFirstBrokenBlockKeepingTheFramesBefore) {
    const QRect r(0, 0, 2, 2);
    const QByteArray one = GifBuilder(2, 2).image(r, 1).bytes();
    const struct Row {
        const char* name;
        QByteArray bytes;
        int frames;
    } rows[] = {
        {"trailer ends the frames", GifBuilder(2, 2).image(r, 1).trailer().image(r, 2).bytes(), 1},
        {"unrecognised introducer",
         one + "\x99" + GifBuilder(2, 2).image(r, 2).bytes().sliced(kHead), 1},
        {"control before the trailer", GifBuilder(2, 2).image(r, 1).control(5).trailer().bytes(),
         1},
        {"control before garbage", GifBuilder(2, 2).image(r, 1).control(5).raw("x").bytes(), 1},
        {"no trailer at the end", one, 1},
        {"sub-blocks run past the end",
         one + QByteArray("\x21\xFE\x05"
                          "ab",
                          5),
         1},
        {"extension label cut off", one + '!', 1},
        {"nothing after the header", GifBuilder(2, 2).bytes(), 0},
        {"header too short", QByteArray("GIF89a\x02\x00\x02\x00", 10), 0},
        {"colour table cut", GifBuilder(2, 2).bytes().first(20), 0},
        {"not a GIF", QByteArray("\x89PNG\r\n\x1a\n0000000000000", 21), 0},
    };
    for (const Row& row : rows) {
        const GifWalkSummary summary = GifWalker::Walk(row.bytes);
        EXPECT_EQ(summary.counted, row.frames) << row.name;
        EXPECT_EQ(summary.extracted, row.frames) << row.name;
    }
}

TEST(GifWalker, TruncatedAtEveryByteKeepsExactlyTheCompleteFrames) {
    GifBuilder file(16, 16);
    file.application().comment("made here");
    QList<qsizetype> ends;
    for (int i = 0; i < 4; ++i) {
        file.control(10 * i, i % 4).image(QRect(i, i, 16 - i, 16 - i), [i](int x, int y) {
            return (x + y + i) % 4;
        });
        ends.append(file.bytes().size());
    }
    const QByteArray bytes = file.trailer().bytes();
    const QList<GifFrameBlock> whole = extractAll(bytes);
    ASSERT_EQ(whole.size(), 4);
    for (qsizetype n = 0; n <= bytes.size(); ++n) {
        const QByteArray cut = bytes.first(n);
        const int complete =
            int(std::count_if(ends.begin(), ends.end(), [n](qsizetype e) { return e <= n; }));
        const QList<GifFrameBlock> frames = extractAll(cut);
        ASSERT_EQ(frames.size(), complete) << n;
        ASSERT_EQ(GifWalker::Walk(cut).counted, complete) << n;
        for (int i = 0; i < complete; ++i) ASSERT_EQ(frames[i].gif, whole[i].gif) << n;
    }
}

TEST(GifWalker, RandomAndMutatedBytesEndWithWalkAndExtractionAgreeing) {
    std::mt19937 random(20261207);
    const QByteArray valid = GifBuilder(9, 9)
                                 .application()
                                 .control(3, 2, 1)
                                 .image(
                                     QRect(1, 1, 8, 8), [](int x, int) { return x % 4; }, true)
                                 .plainText("t")
                                 .comment("c")
                                 .control(4, 3)
                                 .image(QRect(0, 0, 9, 9), 2)
                                 .trailer()
                                 .bytes();
    for (int round = 0; round < 4000; ++round) {
        QByteArray bytes;
        if (round % 2 == 0) {
            bytes = valid;
            for (int flips = 1 + random() % 4; flips > 0; --flips)
                bytes[random() % bytes.size()] = char(random());
        } else {
            bytes = round % 4 == 1 ? QByteArray("GIF89a") : QByteArray();
            for (int n = random() % 300; n > 0; --n) bytes.append(char(random()));
        }
        const GifWalkSummary summary = GifWalker::Walk(bytes);
        ASSERT_EQ(summary.counted, summary.extracted) << round;
        for (const GifFrameBlock& frame : extractAll(bytes)) {
            ASSERT_LE(frame.gif.size(), bytes.size() + 1);
            ASSERT_TRUE(frame.gif.startsWith(bytes.first(13)) && frame.gif.endsWith(';'));
        }
    }
}

TEST(GifWalker, EndlessRunsOfExtensionsAndHugeSizesEndInLinearTime) {
    GifBuilder file(65535, 65535);
    for (int i = 0; i < 200000; ++i) file.raw(QByteArray("\x21\xFE\x00\x21\xF9\x04\0\0\0\0\0", 11));
    file.image(QRect(65534, 65534, 1, 1), 1);
    const GifWalkSummary summary = GifWalker::Walk(file.bytes());
    EXPECT_EQ(QSize(summary.width, summary.height), QSize(65535, 65535));
    EXPECT_EQ(summary.counted, 1);
    EXPECT_EQ(summary.extracted, 1);
}
}  // namespace
