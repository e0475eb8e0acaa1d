#include "CMyPropertySheet.h"

#include "SettingsPage.h"
#include "SheetNavigationList.h"
#include "controls/DrawImages.h"

#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <cstdio>

namespace {

constexpr QSize kButtonSize(75, 23);
constexpr int kButtonGap = 6;
constexpr int kItemPoints = 9;
constexpr int kRowPoints = 24;
constexpr int kCaptionPoints = 11;

void drawFrame(QPainter& p, const QRect& r, const QColor& colour) {
    p.fillRect(r.left(), r.top(), r.width(), 1, colour);
    p.fillRect(r.left(), r.bottom(), r.width(), 1, colour);
    p.fillRect(r.left(), r.top(), 1, r.height(), colour);
    p.fillRect(r.right(), r.top(), 1, r.height(), colour);
}

// Column 0 the base colour, column j the base moved (j - 1) / width of the way to white.
QImage captionGradient(int width, QRgb base) {
    QImage line(std::max(width, 1), 1, QImage::Format_RGB32);
    const auto channel = [width](int c, int j) {
        const double step = double(255 - c) / width;
        return j == 0 ? c : c + int((j - 1) * step);
    };
    for (int j = 0; j < line.width(); ++j) {
        line.setPixel(
            j, 0, qRgb(channel(qRed(base), j), channel(qGreen(base), j), channel(qBlue(base), j)));
    }
    return line;
}

}  // namespace

CMyPropertySheet::CMyPropertySheet(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("播放器设置"));
    // The pages' controls take the sheet's face.
    setFont(PointFont(kItemPoints));
    m_itemFont = PointFont(kItemPoints);
    m_captionFont = PointFont(kCaptionPoints);
    m_ok = new QPushButton(QStringLiteral("确定"), this);
    m_cancel = new QPushButton(QStringLiteral("取消"), this);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &CMyPropertySheet::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CMyPropertySheet::reject);
}

CMyPropertySheet::~CMyPropertySheet() = default;

QFont CMyPropertySheet::PointFont(int points) {
    return DrawImages::SetTextFont(0, (points * 96 + 36) / 72, 0);
}

void CMyPropertySheet::AddPage(SettingsPage* page) {
    if (page && !m_initialised) m_pages.append(page);
}

void CMyPropertySheet::setVisible(bool visible) {
    // Laid out before the first show, so the window maps at its final size and place.
    if (visible && !m_initialised) OnInitDialog();
    QDialog::setVisible(visible);
}

bool CMyPropertySheet::OnInitDialog() {
    if (m_initialised) return true;
    m_initialised = true;
    // Page 0 first: it may size itself, and the rest of the layout follows from it.
    QWidget* first = m_pages.isEmpty() ? nullptr : m_pages[0]->CreatePage(this);
    const QSize page0 = first && first->testAttribute(Qt::WA_Resized)
                            ? first->size()
                            : QSize(kDefaultPageWidth, kDefaultPageHeight);

    // The tabbed layout: page 0 inside a tab control with the tab strip above it.
    const QRect tab(kMargin, kMargin, page0.width() + 2 * kTabBorder,
                    kTabStripHeight + page0.height() + kTabBorder);
    const int width = tab.right() + 1 + kMargin + kExtraWidth;
    m_pageRect = QRect(width - page0.width(), tab.top() + kTabStripHeight,
                       page0.width() - kPageRightInset, page0.height());

    const int buttonsTop = tab.bottom() + 1 + kMargin;
    m_cancel->setGeometry(
        QRect(QPoint(m_pageRect.right() + 1 - kButtonSize.width(), buttonsTop), kButtonSize));
    m_ok->setGeometry(m_cancel->geometry().translated(-kButtonSize.width() - kButtonGap, 0));
    setFixedSize(width, buttonsTop + kButtonSize.height() + kMargin);

    m_list = new SheetNavigationList(this);
    m_list->setObjectName(QStringLiteral("65535"));
    m_list->setGeometry(
        QRect(QPoint(kListLeft, tab.top()), QPoint(kListRight - 1, m_pageRect.bottom())));
    m_list->setFont(PointFont(kRowPoints));
    m_list->setItemFont(m_itemFont);
    m_list->setImages(m_images);
    for (SettingsPage* page : m_pages) m_list->appendRow(page->title());
    connect(m_list, &SheetNavigationList::rowClicked, this, &CMyPropertySheet::OnClickNavigation);

    m_currentPage = 0;
    if (first) {
        first->setGeometry(m_pageRect);
        first->show();
        setCaption(first->windowTitle());
        m_list->setSelectedRow(0);
    }
    m_list->setFocus();
    return true;
}

void CMyPropertySheet::OnClickNavigation(int row) {
    if (!m_list || row < 0 || row >= m_list->count()) return;
    m_currentPage = row;
    m_list->setSelectedRow(row);
    setCaption(m_list->rowText(row));
    activatePage(row);
    update();
    if (QWidget* page = pageWindow(row)) page->setGeometry(m_pageRect);
    m_list->setFocus();
}

QWidget* CMyPropertySheet::pageWindow(int index) const {
    QWidget* window = m_pages.value(index) ? m_pages[index]->page() : nullptr;
    return window && window->parentWidget() == this ? window : nullptr;
}

void CMyPropertySheet::activatePage(int index) {
    for (int i = 0; i < m_pages.size(); ++i) {
        if (i != index && pageWindow(i)) pageWindow(i)->hide();
    }
    QWidget* window = pageWindow(index);
    if (!window) window = m_pages[index]->CreatePage(this);
    window->setGeometry(m_pageRect);
    window->show();
}

void CMyPropertySheet::setCaption(const QString& text) {
    m_captionText = text.left(kCaptionCapacity - 1);
}

void CMyPropertySheet::accept() {
    for (SettingsPage* page : m_pages) page->ApplyIfShown();
    QDialog::accept();
}

QRect CMyPropertySheet::captionBandRect() const {
    const int listTop = m_list ? m_list->y() : kMargin;
    return QRect(QPoint(m_pageRect.left() - 1, listTop - 1),
                 QPoint(m_pageRect.right() + 1, m_pageRect.top() - 1));
}

void CMyPropertySheet::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (m_list) m_list->setFocus();
}

void CMyPropertySheet::paintEvent(QPaintEvent* /*e*/) {
    QPainter p(this);
    if (m_initialised) {
        const QColor frame(kFrameColour);
        if (m_list) drawFrame(p, m_list->geometry().adjusted(-1, -1, 1, 1), frame);
        drawFrame(p, m_pageRect.adjusted(-1, -1, 1, 1), frame);
        drawCaptionBand(p);
    }
    if (!m_painted) {
        m_painted = true;
        if (qEnvironmentVariable("ORVO_TRACE_STARTUP") == QLatin1String("1"))
            QTimer::singleShot(0, this, &CMyPropertySheet::traceFirstPaint);
    }
}

void CMyPropertySheet::drawCaptionBand(QPainter& p) {
    const QRect band = captionBandRect();
    if (band.width() <= 0 || band.height() <= 0) return;
    p.save();
    p.setClipRect(band);
    p.drawImage(band, captionGradient(band.width(), kCaptionColour));
    // White text with a black shadow one pixel down and right.
    p.setFont(m_captionFont);
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
    p.setPen(Qt::black);
    p.drawText(QRect(band.left() + 26, band.top() + 5, band.width(), band.height()), flags,
               m_captionText);
    p.setPen(Qt::white);
    p.drawText(QRect(band.left() + 25, band.top() + 4, band.width(), band.height()), flags,
               m_captionText);
    if (m_currentPage < m_images.size() && !m_images[m_currentPage].isNull())
        p.drawPixmap(QRect(band.left() + 4, band.top() + 3, 16, 16), m_images[m_currentPage]);
    p.restore();
}

void CMyPropertySheet::traceFirstPaint() {
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                        std::chrono::system_clock::now().time_since_epoch())
                        .count();
    std::fprintf(stderr, "orvo-settings first-paint %lld\n", static_cast<long long>(ns));
    std::fflush(stderr);
}
