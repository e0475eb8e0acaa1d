#include "WindowGeometry.h"

#include "core/TextOps.h"

#include <algorithm>

HitCode WindowGeometry::HitTest(const QRect& window, QPoint p, bool onControl) {
    const int left = window.x();
    const int top = window.y();
    const int right = window.x() + window.width();
    const int bottom = window.y() + window.height();
    const int x = p.x();
    const int y = p.y();

    // The thin edge strips come first, so near a corner the plain edge wins.
    if (x <= left + kEdgeStrip) return HitCode::Left;
    if (x >= right - kEdgeStrip) return HitCode::Right;
    if (y <= top + kEdgeStrip) return HitCode::Top;
    if (y >= bottom - kEdgeStrip) return HitCode::Bottom;
    if (x <= left + kCornerSquare && y <= top + kCornerSquare) return HitCode::TopLeft;
    if (x >= right - kCornerSquare && y <= top + kCornerSquare) return HitCode::TopRight;
    if (x <= left + kCornerSquare && y >= bottom - kCornerSquare) return HitCode::BottomLeft;
    if (x >= right - kCornerSquare && y >= bottom - kCornerSquare) return HitCode::BottomRight;
    if (window.isEmpty() || onControl) return HitCode::Client;
    return HitCode::Caption;
}

Qt::Edges WindowGeometry::EdgesFor(HitCode code) {
    switch (code) {
        case HitCode::Left:
            return Qt::LeftEdge;
        case HitCode::Right:
            return Qt::RightEdge;
        case HitCode::Top:
            return Qt::TopEdge;
        case HitCode::Bottom:
            return Qt::BottomEdge;
        case HitCode::TopLeft:
            return Qt::TopEdge | Qt::LeftEdge;
        case HitCode::TopRight:
            return Qt::TopEdge | Qt::RightEdge;
        case HitCode::BottomLeft:
            return Qt::BottomEdge | Qt::LeftEdge;
        case HitCode::BottomRight:
            return Qt::BottomEdge | Qt::RightEdge;
        case HitCode::Client:
        case HitCode::Caption:
            break;
    }
    return {};
}

Qt::CursorShape WindowGeometry::CursorFor(HitCode code) {
    switch (code) {
        case HitCode::Left:
        case HitCode::Right:
            return Qt::SizeHorCursor;
        case HitCode::Top:
        case HitCode::Bottom:
            return Qt::SizeVerCursor;
        case HitCode::TopLeft:
        case HitCode::BottomRight:
            return Qt::SizeFDiagCursor;
        case HitCode::TopRight:
        case HitCode::BottomLeft:
            return Qt::SizeBDiagCursor;
        case HitCode::Client:
        case HitCode::Caption:
            break;
    }
    return Qt::ArrowCursor;
}

QSize WindowGeometry::ParseWindowSize(const QString& text) {
    const QStringList pieces = TextOps::SplitText(text, QStringLiteral(","));
    if (pieces.size() < 2) return {kDefaultWidth, kDefaultHeight};
    bool okW = false;
    bool okH = false;
    const int w = pieces.at(0).trimmed().toInt(&okW);
    const int h = pieces.at(1).trimmed().toInt(&okH);
    if (!okW || !okH || w <= 0 || h <= 0) return {kDefaultWidth, kDefaultHeight};
    return {std::clamp(w, kMinWidth, kMaxStoredSide), std::clamp(h, kMinHeight, kMaxStoredSide)};
}

QString WindowGeometry::FormatWindowSize(int w, int h, int inset) {
    return QStringLiteral("%1,%2").arg(w - inset).arg(h - inset);
}

int WindowGeometry::BottomBarGap(int w, int inset) { return (w - inset - 120) / 3; }

int WindowGeometry::OpacityFromText(const QString& text) {
    const int value = TextOps::decimalValue(text);
    return value >= 1 && value <= 255 ? value : 255;
}

QList<int> WindowGeometry::FadeSteps(int target) {
    QList<int> steps;
    for (int a = kFadeStep; a <= target && a <= 255; a += kFadeStep) steps.append(a);
    return steps;
}

QRect WindowGeometry::ResizedGeometry(const QRect& start, Qt::Edges edges, QPoint delta,
                                      QSize minimum) {
    int left = start.x();
    int top = start.y();
    int right = start.x() + start.width();
    int bottom = start.y() + start.height();
    if (edges & Qt::LeftEdge) left = std::min(left + delta.x(), right - minimum.width());
    if (edges & Qt::RightEdge) right = std::max(right + delta.x(), left + minimum.width());
    if (edges & Qt::TopEdge) top = std::min(top + delta.y(), bottom - minimum.height());
    if (edges & Qt::BottomEdge) bottom = std::max(bottom + delta.y(), top + minimum.height());
    return {left, top, right - left, bottom - top};
}
