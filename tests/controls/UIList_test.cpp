#include "UIList.h"

#include "ControlsTestSupport.h"
#include "UICanvar.h"

#include <gtest/gtest.h>
#include <QPainter>
#include <QWidget>

namespace {

class UIListTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QString bar = pics.solid("listbar.png", QSize(9, 75), QColor(230, 230, 230));
        const QString line = pics.solid("line.png", QSize(300, 1), QColor(90, 90, 90));
        list = std::make_unique<UIList>(bar, line, bar);
        list->setName("musiclist");
        list->setEventSink(&sink);
        list->setPos(0, 223);
        list->setSize(316, 146);
        list->setRect(QRect(0, 223, 316, 146));
    }
    void fill(int n) {
        for (int i = 0; i < n; ++i) {
            tagFileListInfo item;
            item.title =
                QStringLiteral("歌曲 %1 - 一个相当长的标题，长到放不下一行的宽度为止").arg(i);
            item.path = QStringLiteral("/music/%1.mp3").arg(i);
            list->items().append(item);
        }
        recompute(0);
    }
    void recompute(int flag) {
        list->CreateFileBgHDC();
        list->SetListValue();
        list->GetSliderBarHeight();
        list->SetStepInt();
        list->ResetFileStartIndex();
        list->ResetSliderY(flag);
    }
    QPoint rowPoint(int visibleRow) const { return QPoint(40, 223 + visibleRow * 20 + 10); }

    PictureDir pics;
    RecordingSink sink;
    std::unique_ptr<UIList> list;
};

TEST_F(UIListTest, DoubleClickReportsTheRowWithItsIndex) {
    fill(20);
    list->wheel(rowPoint(0), -120);  // scrolled, so the row under the mouse is not the visible one
    const int first = list->firstVisibleRow();
    ASSERT_GT(first, 0);
    ASSERT_TRUE(list->mouseDoubleClick(rowPoint(2)));
    ASSERT_EQ(sink.rows.size(), 1);
    const auto& [info, item] = sink.rows.first();
    EXPECT_EQ(info.name, "musiclist");
    EXPECT_EQ(item.words[6], first + 2);
    EXPECT_EQ(item.path, QStringLiteral("/music/%1.mp3").arg(first + 2));
    EXPECT_TRUE(item.title.startsWith(QStringLiteral("歌曲 %1 ").arg(first + 2)));
    EXPECT_EQ(list->fileIndex(), first + 2);
    // The stored entry keeps its own words.
    EXPECT_EQ(list->items()[first + 2].words[6], 0);

    // Below the last row and on the scroll bar nothing is reported.
    list->DeleteList();
    fill(2);
    list->mouseDoubleClick(rowPoint(4));
    list->mouseDoubleClick(QPoint(-5, 240));
    EXPECT_EQ(sink.rows.size(), 1);
}

TEST_F(UIListTest, WheelScrollsWithinTheRows) {
    fill(3);
    EXPECT_FALSE(list->hasScrollBar());
    EXPECT_FALSE(list->wheel(rowPoint(0), -120));
    EXPECT_EQ(list->firstVisibleRow(), 0);

    list->DeleteList();
    fill(30);  // 600 pixels of rows in 146
    EXPECT_TRUE(list->hasScrollBar());
    EXPECT_TRUE(list->wheel(rowPoint(0), -120));
    EXPECT_EQ(list->scrollPixels(), 60);
    EXPECT_EQ(list->firstVisibleRow(), 3);
    for (int i = 0; i < 20; ++i) list->wheel(rowPoint(0), -120);
    EXPECT_EQ(list->scrollPixels(), 600 - 146);
    EXPECT_EQ(list->maxScroll(), 454);
    for (int i = 0; i < 20; ++i) list->wheel(rowPoint(0), 120);
    EXPECT_EQ(list->scrollPixels(), 0);
}

TEST_F(UIListTest, SetFileIndexBringsTheRowIntoView) {
    fill(30);
    list->SetFileIndex(nullptr, 20, 1);  // forward: the row comes in at the bottom
    EXPECT_EQ(list->fileIndex(), 20);
    EXPECT_EQ(list->scrollPixels(), 21 * 20 - 146);
    list->SetFileIndex(nullptr, 19, 0);  // still visible: no scrolling
    EXPECT_EQ(list->scrollPixels(), 21 * 20 - 146);
    list->SetFileIndex(nullptr, 2, 0);  // backward: at the top
    EXPECT_EQ(list->scrollPixels(), 40);
    EXPECT_EQ(list->firstVisibleRow(), 2);
    list->SetFileIndex(nullptr, 29, 1);
    EXPECT_EQ(list->scrollPixels(), list->maxScroll());
    list->SetFileIndex(nullptr, -1, 1);
    EXPECT_EQ(list->fileIndex(), -1);
    list->SetFileIndex(nullptr, 30, 1);  // past the end marks nothing
    EXPECT_EQ(list->fileIndex(), -1);
}

TEST_F(UIListTest, ScrollBarThumbDragAndAddingScrollsToTheEnd) {
    fill(30);
    const QRect bar = list->scrollBarRect();
    EXPECT_EQ(bar, QRect(307, 223, 9, 146));
    QRect thumb = list->thumbRect();
    EXPECT_EQ(thumb.top(), 223);
    EXPECT_EQ(thumb.height(), list->GetSliderBarHeight());
    EXPECT_EQ(list->rowAt(QPoint(310, 230)), -1);  // the bar is not a row

    ASSERT_TRUE(list->mousePress(thumb.center()));
    list->mouseMove(thumb.center() + QPoint(0, 1000));
    list->mouseRelease(thumb.center() + QPoint(0, 1000));
    EXPECT_EQ(list->scrollPixels(), list->maxScroll());
    EXPECT_EQ(list->thumbRect().bottom(), bar.bottom());

    list->setScrollPixels(0);
    tagFileListInfo extra;
    extra.title = "new";
    list->items().append(extra);
    recompute(1);  // after adding, the list shows its end
    EXPECT_EQ(list->scrollPixels(), 31 * 20 - 146);

    // Shrinking the list keeps the scroll position valid.
    list->setSize(316, 400);
    list->setRect(QRect(0, 223, 316, 400));
    recompute(0);
    EXPECT_EQ(list->scrollPixels(), 31 * 20 - 400);
    list->DeleteList();
    EXPECT_EQ(list->GetListCount(), 0);
    EXPECT_EQ(list->scrollPixels(), 0);
    EXPECT_FALSE(list->hasSongs());
}

TEST_F(UIListTest, DrawsPlayingAndHoverRowsAndTheBar) {
    fill(12);
    list->SetFileIndex(nullptr, 1, 1);
    list->mouseMove(rowPoint(3));
    QImage img(316, 400, QImage::Format_ARGB32_Premultiplied);
    img.fill(QColor(20, 40, 90));  // a dark window background under the rows
    {
        QPainter p(&img);
        list->draw(p, 1.0);
    }
    saveArtifact(img, "list.png");
    const QColor background(20, 40, 90);
    const QColor playing = img.pixelColor(300, 223 + 20 + 5);
    const QColor hover = img.pixelColor(300, 223 + 60 + 5);
    EXPECT_GT(playing.red(), 60);  // grey over blue
    EXPECT_GT(hover.red(), background.red());
    EXPECT_NE(playing, hover);
    EXPECT_EQ(img.pixelColor(300, 223 + 40 + 5), background);           // a plain row
    EXPECT_EQ(img.pixelColor(200, 223 + 40 + 19), QColor(90, 90, 90));  // separator
    EXPECT_EQ(img.pixelColor(200, 222), background);                    // nothing above the list
    // Some white text in the first row, and none spilling into the scroll bar.
    bool text = false;
    for (int x = 0; x < 300 && !text; ++x)
        for (int y = 223; y < 243 && !text; ++y) text = img.pixelColor(x, y).lightness() > 200;
    EXPECT_TRUE(text);
    EXPECT_GT(img.pixelColor(311, 230).red(), background.red());  // thumb over the track
}

TEST_F(UIListTest, CanvasRoutesWheelAndDoubleClickToTheList) {
    QWidget window;
    window.resize(316, 400);
    UICanvar canvas(&window);
    canvas.AddControlToCanvar(list.get());
    fill(30);
    canvas.MouseWheel(rowPoint(1), -120);
    EXPECT_EQ(list->firstVisibleRow(), 3);
    canvas.MouseWheel(QPoint(50, 50), -120);  // off the list
    EXPECT_EQ(list->firstVisibleRow(), 3);
    canvas.LBUTTONDBCLICK(&window, rowPoint(0));
    canvas.LButtonUp(rowPoint(0));
    ASSERT_EQ(sink.rows.size(), 1);
    EXPECT_EQ(sink.rows.first().second.words[6], 3);
}

}  // namespace
