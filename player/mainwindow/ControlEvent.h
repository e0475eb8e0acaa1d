#pragma once
// What the user does on the main window turned into actions: button clicks, the two sliders,
// double clicks on rows, and the notification-area icon with its menu ("软件设置", "官方网站",
// "关闭退出"). Without a tray (no notification host) the player still works and the minimise
// button minimises instead of hiding, so the window can always come back.
// Thread: UI thread only.

#include "controls/IControlEventS.h"

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <memory>

class ControlPanelDlg;
class PlayListManager;
class Playback;
class PlaybackDisplay;
class QIcon;
class QMenu;

class ControlEvent : public QObject, public IControlEventS {
    Q_OBJECT
public:
    // The tray menu's command numbers.
    enum Command { kSettings = 1, kWebSite = 2, kExit = 3 };

    ControlEvent(ControlPanelDlg& window, Playback& playback, PlayListManager& playList,
                 PlaybackDisplay& display);
    ~ControlEvent() override;

    bool SetButtonContorEvent(tagUIButtonInfo info) override;
    bool SetSliderContorEvent(tagUISliderInfo info) override;
    bool SetListContorEvent(tagUIListInfo info, tagFileListInfo item) override;

    void OnCommand(int command);
    // Removes the tray icon, closes the window (which saves the settings) and ends the program.
    void Exit();
    // Shows, raises and activates the window: the tray icon's double click and hand-overs.
    void ShowWindow();
    bool hasTrayIcon() const;
    // Gives the tray icon its picture and shows it where a notification host exists.
    void ShowTrayIcon(const QIcon& icon);
    QSystemTrayIcon* trayIcon() const { return m_tray.get(); }
    // Runs a new settings sheet modally over the window, starting at its first page. While one
    // is open, another request only brings it forward: the pages belong to one sheet at a time.
    void OpenSettings();

private:
    void trayActivated(QSystemTrayIcon::ActivationReason reason);

    ControlPanelDlg& m_window;
    Playback& m_playback;
    PlayListManager& m_playList;
    PlaybackDisplay& m_display;
    std::unique_ptr<QSystemTrayIcon> m_tray;
    std::unique_ptr<QMenu> m_menu;
    QPointer<QWidget> m_sheet;
};
