#include "UIList.h"

#include "ControlsTestSupport.h"

namespace {

class UIListTest : public CanvasTest {
protected:
    UIListTest() { add(list, "musiclist", QRect(0, 223, 316, 146)); }
    void fill(int n) {  // as the window refills its list
        list.DeleteList();
        for (int i = 0; i < n; ++i)
            list.items().append(
                {QStringLiteral("歌曲 %1 - 一个长到一行放不下的标题，还要更长一些").arg(i),
                 QStringLiteral("/music/%1.mp3").arg(i)});
        list.SetListValue();
        list.SetStepInt();
        list.ResetSliderY(0);
    }
    static QPoint row(int visible) { return QPoint(40, 223 + visible * 20 + 10); }
    UIList list{pics.solid("bar.png", QSize(9, 75), QColor(230, 230, 230)),
                pics.solid("line.png", QSize(300, 1), QColor(90, 90, 90)),
                pics.solid("thumb.png", QSize(9, 75), QColor(230, 230, 230))};
};

TEST_F(UIListTest, DoubleClickReportsTheRowUnderTheMouse) {
    fill(20);
    canvas.MouseWheel(row(0), -120);  // three rows down
    canvas.LBUTTONDBCLICK(&window, row(2));
    canvas.LButtonUp(row(2));
    ASSERT_EQ(sink.rows.size(), 1);
    EXPECT_EQ(sink.rows[0].words[6], 5);
    EXPECT_EQ(sink.rows[0].path, "/music/5.mp3");
    EXPECT_TRUE(sink.rows[0].title.startsWith(QStringLiteral("musiclist|歌曲 5 ")));
    EXPECT_EQ(list.fileIndex(), 5);
    EXPECT_EQ(list.items()[5].words[6], 0);  // the stored entry keeps its words

    fill(2);  // below the last row, and outside, nothing is reported
    canvas.LBUTTONDBCLICK(&window, row(4));
    canvas.LBUTTONDBCLICK(&window, QPoint(40, 150));
    EXPECT_EQ(sink.rows.size(), 1);
}

TEST_F(UIListTest, WheelThumbDragAndPlayingRowScroll) {
    fill(3);
    canvas.MouseWheel(row(0), -120);
    EXPECT_FALSE(list.hasScrollBar());
    EXPECT_EQ(list.scrollPixels(), 0);

    fill(30);  // 600 pixels of rows in 146
    canvas.MouseWheel(row(0), -120);
    EXPECT_EQ(list.firstVisibleRow(), 3);
    for (int i = 0; i < 20; ++i) canvas.MouseWheel(row(0), -120);
    EXPECT_EQ(list.scrollPixels(), 600 - 146);
    for (int i = 0; i < 20; ++i) canvas.MouseWheel(row(0), 120);
    EXPECT_EQ(list.scrollPixels(), 0);

    const QRect bar = list.scrollBarRect();
    EXPECT_EQ(bar, QRect(307, 223, 9, 146));
    EXPECT_EQ(list.rowAt(QPoint(310, 230)), -1);
    const QPoint grip = list.thumbRect().center();
    canvas.LButtonDown(grip);
    canvas.MouseMove(grip + QPoint(-200, 1000));  // captured: far outside still drags
    canvas.LButtonUp(grip + QPoint(-200, 1000));
    EXPECT_EQ(list.scrollPixels(), list.maxScroll());
    EXPECT_EQ(list.thumbRect().bottom(), bar.bottom());

    // The playing row comes in at the bottom moving forward, at the top moving back.
    const int rowsTo21 = 21 * 20 - 146;
    for (auto [index, flag, scroll] :
         {std::tuple{2, 0, 40}, {20, 1, rowsTo21}, {19, 0, rowsTo21}, {30, 1, rowsTo21}}) {
        list.SetFileIndex(nullptr, index, flag);
        EXPECT_EQ(list.scrollPixels(), scroll) << index;
    }
    EXPECT_EQ(list.fileIndex(), -1);  // past the end: none

    list.items().append({QStringLiteral("new"), QStringLiteral("/new.mp3")});
    list.SetListValue();
    list.ResetSliderY(1);  // after adding, the list shows its end
    EXPECT_EQ(list.scrollPixels(), 31 * 20 - 146);
    place(list, "musiclist", QRect(0, 223, 316, 400));
    list.ResetFileStartIndex();
    EXPECT_EQ(list.scrollPixels(), 31 * 20 - 400);
}

TEST_F(UIListTest, ClickCtrlAndShiftSelectRowsAndTheEditsReportTheSelection) {
    fill(6);
    list.SetFileIndex(nullptr, 1, 1);
    const Qt::KeyboardModifiers none, ctrl = Qt::ControlModifier, shift = Qt::ShiftModifier;
    const std::tuple<int, Qt::KeyboardModifiers, QList<int>> clicks[] = {
        {1, none, {1}},
        {4, ctrl, {1, 4}},
        {2, shift, {2, 3, 4}},  // from the last clicked row, replacing
        {0, ctrl, {0, 2, 3, 4}},
        {3, ctrl, {0, 2, 4}},                // toggled off
        {5, ctrl | shift, {0, 2, 3, 4, 5}},  // the range from 3 added
        {2, none, {2}},  // on the selection: kept while pressed, alone after the release
        {6, none, {}},   // below the last row
        {1, none, {1}},
        {3, ctrl, {1, 3}},
    };
    for (const auto& [r, modifiers, selected] : clicks) {
        canvas.LButtonDown(row(r), modifiers);
        canvas.LButtonUp(row(r));
        EXPECT_EQ(list.selectedRows(), selected) << r;
    }
    EXPECT_TRUE(canvas.KeyPress(Qt::Key_Delete, none));
    // A press on the selection that moves a little is still a click; further, a drag.
    canvas.LButtonDown(row(3));
    canvas.MouseMove(row(3) + QPoint(2, 2));
    EXPECT_EQ(list.dropGap(), -1);
    canvas.MouseMove(row(5) + QPoint(0, 8));
    EXPECT_EQ(list.dropGap(), 6);       // after the last row
    canvas.MouseMove(QPoint(40, 150));  // above the list: no drop
    canvas.LButtonUp(QPoint(40, 150));
    canvas.LButtonDown(row(3));
    canvas.MouseMove(row(0) + QPoint(0, -2));
    canvas.LButtonUp(row(0));
    canvas.ContextMenu(row(4));  // off the selection: that row becomes the selection
    using Edit = std::tuple<tagUIListEditInfo::Kind, QList<int>, int>;
    QList<Edit> edits;
    for (const tagUIListEditInfo& e : sink.edits) edits.append({e.kind, e.rows, e.target});
    EXPECT_EQ(edits, (QList<Edit>{{tagUIListEditInfo::Kind::Remove, {1, 3}, -1},
                                  {tagUIListEditInfo::Kind::Move, {1, 3}, 0},
                                  {tagUIListEditInfo::Kind::Menu, {4}, 4}}));
    EXPECT_EQ(list.items().size(), 6);  // the list reports; the window edits

    // The window moved rows 1 and 3 to the top, then removed row 4: mark and selection follow.
    list.remapRows({2, 0, 3, 1, 4, 5});
    EXPECT_EQ(std::pair(list.fileIndex(), list.selectedRows()), std::pair(0, QList<int>{4}));
    list.remapRows({0, 1, 2, 3, -1, 4});
    EXPECT_TRUE(list.selectedRows().isEmpty());
}

TEST_F(UIListTest, DrawsRowsWithPaddedTitlesPlayingHoverSelectionAndTheBar) {
    fill(12);
    list.SetFileIndex(nullptr, 1, 1);
    for (int r : {1, 5, 6}) {
        canvas.LButtonDown(row(r), Qt::ControlModifier);
        canvas.LButtonUp(row(r));
    }
    canvas.MouseMove(row(3));
    const QColor bg(20, 40, 90);
    const QImage img = renderControl(list, QSize(316, 400), bg);
    const QColor playing = img.pixelColor(300, 223 + 25), hover = img.pixelColor(300, 223 + 65);
    EXPECT_GT(playing.red(), 60);
    EXPECT_GT(hover.red(), bg.red());
    EXPECT_NE(playing, hover);
    // Selected rows are blue, unlike the grey playing and hover fills; playing and selected
    // shows both, with the playing accent.
    const QColor selected = img.pixelColor(300, 223 + 105), both = img.pixelColor(300, 223 + 30);
    EXPECT_GT(selected.blue(), selected.red() + 60);
    EXPECT_NE(selected, both);
    EXPECT_GT(img.pixelColor(1, 223 + 30).red(), 150);
    // While dragging, a line in the selection colour marks the gap.
    canvas.LButtonDown(row(5));
    canvas.MouseMove(row(3) + QPoint(0, -10));
    const QImage dragged = renderControl(list, QSize(316, 400), bg);
    EXPECT_EQ(dragged.pixelColor(150, 223 + 60), QColor(0x3C, 0x8C, 0xF0));
    EXPECT_EQ(img.pixelColor(300, 223 + 45), bg);
    EXPECT_EQ(img.pixelColor(200, 223 + 59), QColor(90, 90, 90));  // separator
    EXPECT_GT(img.pixelColor(311, 230).red(), 200);                // thumb
    // Title text in the first row: plenty of it, none within 10 pixels of the left edge or of
    // the scroll bar.
    int text = 0, nearEdge = 0;
    for (int y = 223; y < 242; ++y)
        for (int x = 0; x < 316; ++x) {
            const bool lit = img.pixelColor(x, y).lightness() > 120;
            text += lit;
            nearEdge += lit && (x < 10 || (x >= 297 && x < 307));
        }
    EXPECT_GT(text, 100);
    EXPECT_EQ(nearEdge, 0);
}

}  // namespace
