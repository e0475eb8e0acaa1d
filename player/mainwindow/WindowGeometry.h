#pragma once
// Frame arithmetic of the borderless main window: which part of the window a point is on, how a
// stored size is read, how big the bottom bar gaps are, the steps of a background fade and the
// geometry of a manual resize. Pure functions, no widgets, so they are tested on their own.

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <Qt>

// What a point of the window does when the left button goes down there.
enum class HitCode {
    Client,   // on a control: the canvas gets the press
    Caption,  // on the body: the press drags the window
    Left,
    Right,
    Top,
    Bottom,
    TopLeft,
    TopRight,
    BottomLeft,
    BottomRight,
};

class WindowGeometry {
public:
    static constexpr int kMinWidth = 303;
    static constexpr int kMinHeight = 526;
    // A stored side above this is cut to it: no screen is larger, and a corrupt value must not
    // make the canvas allocate gigabytes before the window is even shown.
    static constexpr int kMaxStoredSide = 8192;
    // Used when the stored size is missing or unusable.
    static constexpr int kDefaultWidth = 320;
    static constexpr int kDefaultHeight = 560;
    // Extra width and height while the window is translucent (half of it on each side).
    static constexpr int kTranslucentInset = 10;
    static constexpr int kEdgeStrip = 3;
    static constexpr int kCornerSquare = 10;
    static constexpr int kFadeStep = 17;
    static constexpr int kFadeIntervalMs = 50;

    // window: the window rectangle, p: the point, both in the same coordinates. The right and
    // bottom edges are exclusive (left + width). onControl: the canvas reports an operable
    // control under the point.
    static HitCode HitTest(const QRect& window, QPoint p, bool onControl);
    // The edges a system resize starts with (none for Client and Caption).
    static Qt::Edges EdgesFor(HitCode code);
    static Qt::CursorShape CursorFor(HitCode code);

    // "wndsize": "W,H" split at commas, empty pieces skipped. Fewer than two numbers or a
    // non-positive one gives the default size; a smaller one is raised to the minimum.
    static QSize ParseWindowSize(const QString& text);
    // "%d,%d" of the content size (the inset taken off while translucent).
    static QString FormatWindowSize(int w, int h, int inset);

    // The gap between the bottom bar's buttons: (W - m - 120) / 3.
    static int BottomBarGap(int w, int inset);

    // "transparent" by the decimal rule; anything that is not a number from 1 to 255 (damaged
    // text, 0, out of range) is fully opaque, never an almost invisible window.
    static int OpacityFromText(const QString& text);

    // The opacities a fade towards target passes through: 17, 34, ... up to target and 255.
    static QList<int> FadeSteps(int target);

    // A window resized by dragging edges from start by delta, never below minimum; the opposite
    // edges stay where they were.
    static QRect ResizedGeometry(const QRect& start, Qt::Edges edges, QPoint delta, QSize minimum);
};
