#pragma once
// The settings window "播放器设置": a side list of the pages on the left, a caption band over the
// page area naming the current page, and OK / Cancel. Each opening is a new sheet to which the
// main window adds the page objects it owns; a page's window is made the first time the page is
// shown in that opening. OK applies exactly those pages, Cancel applies nothing.
//
// Geometry, in the sheet's client pixels: the sheet lays itself out as a tabbed sheet around
// page 0 (which sizes itself in its initialisation), then widens by 150 and puts the page area,
// 20 narrower than page 0, 20 inside the right edge; the list spans x 10 to 150 from the top of
// the tab strip to the bottom of the page area, and the caption band fills the strip where the
// tabs would be. Thread: UI thread only.

#include <QDialog>
#include <QFont>
#include <QList>
#include <QPixmap>
#include <QRect>
#include <QRgb>
#include <QString>

class QPushButton;
class SettingsPage;
class SheetNavigationList;

class CMyPropertySheet : public QDialog {
    Q_OBJECT
public:
    static constexpr int kExtraWidth = 150;
    static constexpr int kPageRightInset = 20;
    static constexpr int kListLeft = 10;
    static constexpr int kListRight = 150;  // exclusive
    static constexpr int kMargin = 10;      // around the tab control
    static constexpr int kTabStripHeight = 25;
    static constexpr int kTabBorder = 2;
    static constexpr int kCaptionCapacity = 128;  // characters, with the terminator
    static constexpr QRgb kCaptionColour = qRgb(92, 132, 255);
    static constexpr QRgb kFrameColour = qRgb(141, 141, 141);
    // The page size used when page 0 did not size itself.
    static constexpr int kDefaultPageWidth = 300;
    static constexpr int kDefaultPageHeight = 350;

    explicit CMyPropertySheet(QWidget* parent = nullptr);
    ~CMyPropertySheet() override;

    // Adds a page before the sheet is shown; the sheet does not own it.
    void AddPage(SettingsPage* page);
    int GetPageCount() const { return int(m_pages.size()); }

    // Lays the sheet out around page 0 and fills the list; runs once, at the first show.
    bool OnInitDialog();
    // What a click on row i does: page i becomes the current page, its title the caption.
    void OnClickNavigation(int row);

    int currentPage() const { return m_currentPage; }
    QString captionText() const { return m_captionText; }
    QRect pageRect() const { return m_pageRect; }
    // The band over the page area (inclusive Qt rectangle).
    QRect captionBandRect() const;
    SheetNavigationList* navigationList() const { return m_list; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

    // "宋体" at a point size, in pixels as a 96-dpi screen has them, so that every measure of
    // the sheet stays in its pixel grid.
    static QFont PointFont(int points);

    void setVisible(bool visible) override;

public slots:
    // OK: applies the pages shown in this opening, then closes.
    void accept() override;

protected:
    void showEvent(QShowEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    // Page index's window if it was made in this sheet (not in one still closing).
    QWidget* pageWindow(int index) const;
    void activatePage(int index);
    void setCaption(const QString& text);
    void drawCaptionBand(QPainter& p);
    void traceFirstPaint();

    QList<SettingsPage*> m_pages;
    QList<QPixmap> m_images;                // icons by page; none are delivered
    SheetNavigationList* m_list = nullptr;  // a child, made in OnInitDialog
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    int m_currentPage = 0;
    QFont m_itemFont;
    QFont m_captionFont;
    QString m_captionText;
    QRect m_pageRect;
    bool m_initialised = false;
    bool m_painted = false;
};
