// The sheet on the offscreen platform: its layout around page 0, the pixels the rows, frames and
// caption band are drawn with, switching pages, and which pages OK applies. Pixel positions are
// logical, so the checks hold at any device pixel ratio (QT_SCALE_FACTOR).

#include "core/ConfigKeys.h"
#include "settings/SheetNavigationList.h"
#include "tests/settings/SheetFixture.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

QColor at(const QImage& img, int x, int y) {
    const qreal dpr = img.devicePixelRatio();
    return img.pixelColor(int(x * dpr), int(y * dpr));
}

// Whether some pixel of the logical rectangle matches.
bool any(const QImage& img, QRect r, const std::function<bool(QColor)>& match) {
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (match(at(img, x, y))) return true;
    return false;
}

using SheetTest = SheetFixture;

void clickRow(CMyPropertySheet& sheet, int row) {
    SheetNavigationList* list = sheet.navigationList();
    QTest::mouseClick(list, Qt::LeftButton, {}, list->rowBounds(row).center());
}

TEST_F(SheetTest, LayoutAroundPageZeroOnlyOkAndCancel) {
    CMyPropertySheet* sheet = open();
    // Page 0 sized itself 300 x 350; the tabbed sheet around it would be 10 + 304 + 10 wide.
    EXPECT_EQ(sheet->width(), 324 + 150);
    EXPECT_EQ(sheet->pageRect(), QRect(174, 35, 280, 350));
    EXPECT_EQ(m_about.page()->geometry(), sheet->pageRect());
    EXPECT_EQ(sheet->navigationList()->geometry(), QRect(QPoint(10, 10), QPoint(149, 384)));
    EXPECT_EQ(sheet->captionBandRect(), QRect(QPoint(173, 9), QPoint(454, 34)));
    QStringList buttons;
    for (QPushButton* b : sheet->findChildren<QPushButton*>())
        if (b->isVisible()) buttons << b->text();
    EXPECT_EQ(buttons, (QStringList{u"确定"_s, u"取消"_s}));
    EXPECT_EQ(sheet->okButton()->geometry().bottom() + 1 + 10, sheet->height());
}

TEST_F(SheetTest, RowsFramesAndCaptionBandAtTheirPixels) {
    CMyPropertySheet* sheet = open();
    SheetNavigationList* list = sheet->navigationList();
    ASSERT_EQ(list->count(), 5);
    EXPECT_EQ(list->rowText(4), u"版本检测"_s);
    ASSERT_TRUE(list->hasFocus());
    const int h = list->rowHeight();
    EXPECT_GE(h, 32);  // the 24-point font sets the rows' height, not the 9-point text
    const QColor blue(SheetNavigationList::kSelectionColour), white(Qt::white);
    QImage img = list->grab().toImage();
    // Row 0, selected and focused: blue from 3 pixels below its top, 3 pixels in from each side;
    // other rows white from their very top.
    const std::tuple<int, int, QColor> fill[] = {{5, 2, white}, {5, 3, blue},   {2, 10, white},
                                                 {3, 10, blue}, {-4, 10, blue}, {-3, 10, white},
                                                 {5, h, white}};
    for (auto [x, y, colour] : fill)
        EXPECT_EQ(at(img, x < 0 ? list->width() + x : x, y), colour) << x << "," << y;
    // The separator on the last two lines of each row: white, the base colour, then fading.
    for (int y : {h - 2, h - 1, 2 * h - 2, 2 * h - 1}) {
        EXPECT_EQ(at(img, 3, y), white) << y;
        EXPECT_EQ(at(img, 4, y), blue) << y;
        EXPECT_GT(at(img, list->width() - 5, y).lightness(), at(img, 60, y).lightness()) << y;
        EXPECT_GT(at(img, 60, y).lightness(), blue.lightness()) << y;
    }
    // Row 0 has white text on blue; row 1 dark text on white. Without the focus, row 0 is drawn
    // like any other row.
    const auto dark = [](QColor c) { return c.lightness() < 100; };
    const auto isWhite = [](QColor c) { return c == Qt::white; };
    EXPECT_TRUE(any(img, {27, 4, 40, h - 6}, isWhite));
    EXPECT_TRUE(any(img, {27, h + 4, 40, h - 6}, dark));
    sheet->okButton()->setFocus();
    ASSERT_FALSE(list->hasFocus());
    EXPECT_EQ(list->selectedRow(), 0);
    img = list->grab().toImage();
    EXPECT_EQ(at(img, 5, 10), white);
    EXPECT_TRUE(any(img, {27, 4, 40, h - 6}, dark));

    // Frames one pixel outside the list and the page area; the band from the caption colour,
    // fading to white, with the title in white and its black shadow.
    const QImage whole = sheet->grab().toImage();
    const QRect page = sheet->pageRect();
    for (QPoint frame : {QPoint(9, 200), QPoint(150, 200), QPoint(80, page.bottom() + 1),
                         QPoint(page.left() - 1, 200), QPoint(page.right() + 1, 200)})
        EXPECT_EQ(at(whole, frame.x(), frame.y()), QColor(CMyPropertySheet::kFrameColour))
            << frame.x();
    const QRect band = sheet->captionBandRect();
    const QColor caption(CMyPropertySheet::kCaptionColour);
    EXPECT_EQ(at(whole, band.left(), band.bottom()), caption);
    EXPECT_EQ(at(whole, band.left() + 1, band.top()), caption);
    const auto bandAt = [&](int j) { return at(whole, band.left() + j, band.top()).lightness(); };
    EXPECT_LT(bandAt(2), bandAt(100));
    EXPECT_LT(bandAt(100), bandAt(band.width() - 1));
    const QRect title(band.left() + 25, band.top(), 35, band.height());
    EXPECT_TRUE(any(whole, title, isWhite) &&
                any(whole, title, [](QColor c) { return c == Qt::black; }));
}

TEST_F(SheetTest, SwitchingPagesCaptionFocusAndWhatOkApplies) {
    setConfig({{ConfigKeys::kAutoPlay, u"7"_s}});  // stored by the player page as "1"
    for (int opening = 0; opening < 2; ++opening) {
        CMyPropertySheet* sheet = open();
        // Every opening starts at "关于", with no other page made yet.
        EXPECT_EQ(sheet->currentPage(), 0);
        EXPECT_EQ(sheet->captionText(), u"关于"_s);
        for (int i = 1; i < 5; ++i) EXPECT_EQ(pages()[i]->page(), nullptr) << i;
        const QImage before = sheet->grab().toImage();

        clickRow(*sheet, 4);
        EXPECT_EQ(sheet->currentPage(), 4);
        EXPECT_EQ(sheet->captionText(), u"版本检测"_s);
        EXPECT_TRUE(sheet->navigationList()->hasFocus());
        ASSERT_NE(m_update.page(), nullptr);
        EXPECT_TRUE(m_update.page()->isVisible());
        EXPECT_EQ(m_update.page()->geometry(), sheet->pageRect());
        EXPECT_FALSE(m_about.page()->isVisible());
        EXPECT_NE(sheet->grab().toImage().copy(sheet->captionBandRect()),
                  before.copy(sheet->captionBandRect()));
        // Below the last row nothing changes; the arrow keys move through the pages.
        QTest::mouseClick(sheet->navigationList(), Qt::LeftButton, {},
                          QPoint(20, sheet->navigationList()->height() - 2));
        EXPECT_EQ(sheet->currentPage(), 4);
        QTest::keyClick(sheet->navigationList(), Qt::Key_Up);
        EXPECT_EQ(sheet->currentPage(), 3);
        EXPECT_EQ(sheet->captionText(), u"播放器设置"_s);
        clickRow(*sheet, 4);  // shown twice, made once
        EXPECT_EQ(m_update.inits, opening + 1);
        opening == 0 ? sheet->reject() : QTest::mouseClick(sheet->okButton(), Qt::LeftButton);
        EXPECT_FALSE(sheet->isVisible());
        // Only OK applies, and only the pages shown (the player page stores its box).
        EXPECT_EQ(config(ConfigKeys::kAutoPlay), opening ? u"1"_s : u"7"_s);
    }
    EXPECT_EQ(m_ui.applied, 0);
    EXPECT_EQ(m_update.applied, 1);
}

}  // namespace
