#pragma once
// The canvas of one skinned window: it composes the background picture, the controls (in the
// order added) and the window opacity, and routes the window's mouse input to the controls.
// While translucent the window is 10 pixels wider and higher than its content, which is drawn
// inset by 5 pixels on every side with a soft shadow around it.
// Thread: UI thread only.

#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QWidget>
#include <vector>

class IControl;
class QPainter;

class UICanvar {
public:
    explicit UICanvar(QWidget* window);
    ~UICanvar();

    void setWindowSize(int w, int h);
    QSize windowSize() const { return m_size; }
    // The background picture (stretched to the content area); a null image draws a dark fill.
    void setBackground(const QImage& picture);
    void setMaskColor(qint32 color);  // 0xBBGGRR as the skin list stores it
    qint32 maskColor() const { return m_maskColor; }
    void setTranslucent(bool on);
    bool isTranslucent() const { return m_translucent; }
    void setOpacity(int alpha);  // 1 .. 255
    int opacity() const { return m_opacity; }
    void setFullRepaint(bool on) { m_fullRepaint = on; }
    // False while the user drags the position slider, so progress does not fight the drag.
    bool progressUpdatesAllowed() const;

    void AddControlToCanvar(IControl* control);
    const QList<IControl*>& controls() const { return m_controls; }
    IControl* findControl(const QString& name) const;  // first of that name

    // Rebuilds the cached surfaces that the size, ratio, translucency, mask or background made
    // stale (background keyed and stretched, shadow), then schedules a repaint of the window.
    void OnInit();
    // Paints the update rectangle; (-1, -1, -1, -1) or an empty rectangle paints everything.
    void Paint(QPainter& p, const QRect& update);
    // Schedules a repaint of one control's rectangle.
    void UpdateCanvar(IControl* control);

    // Mouse input in window coordinates, as the window receives it.
    void MouseMove(QPoint pt);
    void MouseHover(QPoint pt);  // shows the tooltip of the control under the point
    void MouseLeave();
    void LButtonDown(QPoint pt, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void LButtonUp(QPoint pt);
    void LBUTTONDBCLICK(QWidget* window, QPoint pt);
    void MouseWheel(QPoint pt, int angleDelta);
    void ContextMenu(QPoint pt);
    // A key pressed on the window, offered to the controls from the top; true when one took it.
    bool KeyPress(int key, Qt::KeyboardModifiers modifiers);

    // True when the point lies on an enabled control that takes the mouse (not the logo or a
    // label), so the window does not start a drag there.
    bool IsOperationControl(QPoint pt) const;

    // Where the background and controls lie: inset by 5 pixels while translucent.
    QRect contentRect() const;
    // The topmost control that takes the mouse at a point (enabled or not), or null.
    IControl* controlAt(QPoint pt) const;

private:
    // A run of mask-coloured pixels in one row of the background, x0 inclusive, x1 exclusive.
    struct KeyRun {
        int y, x0, x1;
    };
    qreal ratio() const;
    void findKeyedPixels();
    QImage fitBackground(QSize device) const;
    void paintShadow(QImage& img, const QRect& content, qreal dpr) const;
    void compose(qreal dpr);
    void paintLayers(QPainter& p, const QRect& area, qreal dpr);

    QWidget* m_window;
    QList<IControl*> m_controls;  // not owned
    QSize m_size;
    QImage m_background;
    QImage m_composed;  // background for the current size
    qint32 m_maskColor = 0;
    bool m_translucent = false;
    int m_opacity = 255;
    bool m_fullRepaint = true;
    IControl* m_hover = nullptr;
    IControl* m_captured = nullptr;
    QImage m_source;                // background as RGB32, or premultiplied when it has alpha
    std::vector<KeyRun> m_keyRuns;  // where m_source has the mask colour
    bool m_keyedDirty = true;
    QSize m_composedSize;
    qreal m_composedDpr = 0;
    bool m_composedTranslucent = false;
};
