#pragma once
// The player's main window: borderless, drawn entirely by the skinned control canvas over the
// current skin's background. It builds the controls, forwards painting and the mouse to the
// canvas, gives the window its frame behaviour (drag by the body, resize by the edges), switches
// translucency, opacity and background, and saves its settings when it goes away.
// Thread: UI thread only.

#include "BackgroundFader.h"
#include "FrameDrag.h"
#include "WindowGeometry.h"
#include "app/InstanceKey.h"
#include "controls/IControlEventS.h"
#include "settings/SettingsTarget.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <vector>

class ControlClass;
class ControlEvent;
class ControlLayout;
class PlayListManager;
class Playback;
class PlaybackDisplay;
class SettingsPage;
class SkinControls;
class UICanvar;

class ControlPanelDlg : public QWidget, public IControlEventS, public SettingsTarget {
    Q_OBJECT
public:
    // Names the single-instance property the window carries with the value 1.
    static constexpr const char* kInstanceKey = OrvoInstance::kInstanceKey;
    static constexpr const char* kTitle = OrvoInstance::kWindowTitle;
    // The numbers the settings pages address these operations by.
    static constexpr int kUserMessage = 1024;
    static constexpr int kMsgSetOpacity = kUserMessage + 206;
    static constexpr int kMsgSetTranslucent = kUserMessage + 209;
    static constexpr int kMsgAddFile = kUserMessage + 207;
    static constexpr int kMsgSoundEffect = kUserMessage + 208;
    static constexpr int kMsgChangeBackground = kUserMessage + 210;

    explicit ControlPanelDlg(QWidget* parent = nullptr);
    ~ControlPanelDlg() override;

    // Paths handed over by a second start: show and activate the window, append every path
    // (folders expanded into their supported files) and play the first. Empty paths only bring
    // the window forward.
    Q_INVOKABLE void OpenHandedOverFiles(const QStringList& paths);
    Q_INVOKABLE void OpenHandedOverFile(const QString& path);

    // Geometry and appearance, called by the buttons and the interface settings page.
    QWidget* targetWindow() override { return this; }
    void SetTranslucent(bool on) override;
    void SetOpacity(int alpha) override;  // only while translucent
    void ChangeBackground(const tagUiBgSkinInfo& info, int targetOpacity) override;
    void ApplyRandomSkin();
    // The player settings page's sound effect message (wParam 1: flat; else preset lParam + 1).
    void ApplySoundEffect(qintptr wParam, qintptr lParam) override;
    // Lays every control out for the current size.
    void LayoutControls(int inset, int listScrollFlag = 0);

    // Writes "wndsize", "loop", "mute", "volume", "lastplayfile" and "soundeffect", once.
    void saveSettings();

    // IControlEventS
    bool SetButtonContorEvent(tagUIButtonInfo info) override;
    bool SetSliderContorEvent(tagUISliderInfo info) override;
    bool SetListContorEvent(tagUIListInfo info, tagFileListInfo item) override;
    bool SetListEditEvent(tagUIListEditInfo info) override;

    // State, for the parts that build on this window.
    SkinControls& controls() { return *m_controls; }
    UICanvar& canvas() { return *m_canvas; }
    int windowWidth() const { return m_w; }
    int windowHeight() const { return m_h; }
    int inset() const { return m_translucent ? WindowGeometry::kTranslucentInset : 0; }
    bool isTranslucent() const { return m_translucent; }
    bool isInitialised() const { return m_initialised; }
    bool isLoop() const;
    QString skinId() const { return m_skinId; }
    int transparencyValue() const { return m_transparency; }
    QString currentPath() const;
    QString currentTitle() const;
    int currentIndex() const;
    ControlLayout& layout() { return *m_layout; }
    Playback& playback() { return *m_playback; }
    PlayListManager& playList() { return *m_playList; }
    PlaybackDisplay& display() { return *m_display; }
    ControlEvent& events() { return *m_events; }
    // The settings sheet's pages in sheet order; they live as long as the window.
    const std::vector<std::unique_ptr<SettingsPage>>& settingsPages() const {
        return m_settingsPages;
    }
    bool isFading() const { return m_fader.isRunning(); }

signals:
    // A background change is complete (after its fade, when there is one).
    void backgroundChanged();

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    void buildControls();
    void initDialog();
    void applyMinimumSize();
    void fadeStep(int opacity);
    void backgroundDone();
    void traceFirstPaint();
    void applyWindowIcon();
    void startAudio();
    bool ensureAudio();
    void applyStartSettings();

    int m_transparency = 255;

    std::unique_ptr<ControlClass> m_rects;
    std::unique_ptr<SkinControls> m_controls;
    std::unique_ptr<ControlLayout> m_layout;
    std::unique_ptr<UICanvar> m_canvas;
    // Playback, the play list's operations, what they show and the control events.
    std::unique_ptr<Playback> m_playback;
    std::unique_ptr<PlaybackDisplay> m_display;
    std::unique_ptr<PlayListManager> m_playList;
    std::unique_ptr<ControlEvent> m_events;
    std::vector<std::unique_ptr<SettingsPage>> m_settingsPages;
    bool m_initialised = false;
    int m_w = WindowGeometry::kDefaultWidth;
    int m_h = WindowGeometry::kDefaultHeight;
    bool m_translucent = false;

    // Background.
    QString m_skinId;
    qint32 m_maskColor = 0;
    QImage m_background;
    BackgroundFader m_fader;

    // Moving and resizing by the caption and the edges.
    FrameDrag m_frameDrag{this};

    bool m_settingsSaved = false;
    bool m_tracePaint = false;
    bool m_firstPaintDone = false;
    bool m_audioStarted = false;
};
