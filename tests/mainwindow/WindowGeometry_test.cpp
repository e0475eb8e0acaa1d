#include "mainwindow/WindowGeometry.h"

#include <gtest/gtest.h>

namespace {

using W = WindowGeometry;

TEST(WindowGeometry, HitTestEdgesWinOverCornersCornersReachTenPixelsControlsTakeTheBody) {
    const QRect window(100, 200, 316, 560);  // right edge 416, bottom edge 760 (exclusive)
    const auto hit = [&](int dx, int dy, bool onControl = false) {
        return W::HitTest(window, window.topLeft() + QPoint(dx, dy), onControl);
    };
    using H = HitCode;
    // clang-format off
    const std::pair<HitCode, HitCode> cases[] = {
        {hit(2, 2), H::Left}, {hit(3, 300), H::Left}, {hit(313, 2), H::Right}, {hit(200, 3), H::Top},
        {hit(200, 557), H::Bottom}, {hit(312, 556), H::BottomRight}, {hit(6, 6), H::TopLeft},
        {hit(10, 10), H::TopLeft}, {hit(11, 10), H::Caption}, {hit(306, 6), H::TopRight},
        {hit(6, 550), H::BottomLeft}, {hit(306, 550), H::BottomRight}, {hit(150, 100), H::Caption},
        // Corners and edges stay frame even on a control.
        {hit(6, 6, true), H::TopLeft}, {hit(1, 100, true), H::Left}, {hit(150, 100, true), H::Client}};
    // clang-format on
    for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(cases[i].first, cases[i].second) << i;
}

TEST(WindowGeometry, StoredSizeIsParsedRaisedToTheMinimumPerSideOrReplaced) {
    EXPECT_EQ(W::ParseWindowSize("800,900"), QSize(800, 900));
    EXPECT_EQ(W::ParseWindowSize(",,400,,600,"), QSize(400, 600));
    EXPECT_EQ(W::ParseWindowSize("316,400"), QSize(316, 526));
    EXPECT_EQ(W::ParseWindowSize("10,10"), QSize(303, 526));
    EXPECT_EQ(W::ParseWindowSize("60000,9000"), QSize(8192, 8192));
    for (const char* bad : {"", "1", "320", "abc,def", "320,x", "-5,600", "0,0", ",,,"})
        EXPECT_EQ(W::ParseWindowSize(QString::fromLatin1(bad)),
                  QSize(W::kDefaultWidth, W::kDefaultHeight))
            << bad;
}

TEST(WindowGeometry, OpacityIsANumberFromOneTo255OrFullyOpaque) {
    const std::pair<const char*, int> cases[] = {
        {"1", 1},  {"128", 128}, {" 200x", 200}, {"255", 255}, {"abc", 255},
        {"", 255}, {"0", 255},   {"-4", 255},    {"256", 255}, {"99999999999", 255}};
    for (const auto& [text, opacity] : cases)
        EXPECT_EQ(W::OpacityFromText(QString::fromLatin1(text)), opacity) << text;
}

TEST(WindowGeometry, FadeStepsEndAtTheLargestMultipleNotAboveTarget) {
    EXPECT_EQ(W::FadeSteps(200), (QList<int>{17, 34, 51, 68, 85, 102, 119, 136, 153, 170, 187}));
    EXPECT_EQ(W::FadeSteps(40), (QList<int>{17, 34}));
    EXPECT_EQ(W::FadeSteps(17), QList<int>{17});
    EXPECT_TRUE(W::FadeSteps(10).isEmpty());
    EXPECT_EQ(W::FadeSteps(255).last(), 255);
    EXPECT_EQ(W::FadeSteps(1000).last(), 255);
}

TEST(WindowGeometry, ResizeKeepsTheOppositeEdgesAndTheMinimum) {
    const QRect start(100, 100, 400, 600);
    const QSize min(303, 526);
    EXPECT_EQ(W::ResizedGeometry(start, Qt::RightEdge, {40, 99}, min), QRect(100, 100, 440, 600));
    EXPECT_EQ(W::ResizedGeometry(start, Qt::LeftEdge | Qt::TopEdge, {-20, -30}, min),
              QRect(80, 70, 420, 630));
    // Shrinking past the minimum stops at it, with the far edge still in place.
    EXPECT_EQ(W::ResizedGeometry(start, Qt::LeftEdge | Qt::BottomEdge, {500, -500}, min),
              QRect(500 - 303, 100, 303, 526));
}

}  // namespace
