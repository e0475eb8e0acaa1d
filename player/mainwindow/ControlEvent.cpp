#include "ControlEvent.h"

#include "ControlPanelDlg.h"
#include "PlaybackDisplay.h"
#include "SkinControls.h"
#include "controls/UIButton.h"
#include "controls/UICanvar.h"
#include "controls/UILable.h"
#include "controls/UIList.h"
#include "core/PlayListManager.h"
#include "core/Playback.h"
#include "core/WebSite.h"
#include "settings/CMyPropertySheet.h"
#include "settings/SettingsPage.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QMenu>
#include <QUrl>
#include <QWindow>

ControlEvent::ControlEvent(ControlPanelDlg& window, Playback& playback, PlayListManager& playList,
                           PlaybackDisplay& display)
    : m_window(window), m_playback(playback), m_playList(playList), m_display(display) {
    m_menu = std::make_unique<QMenu>();
    const std::pair<Command, const char*> items[] = {
        {kSettings, "软件设置"}, {kWebSite, "官方网站"}, {kExit, "关闭退出"}};
    for (const auto& [command, text] : items) {
        connect(m_menu->addAction(QString::fromUtf8(text)), &QAction::triggered, this,
                [this, c = command] { OnCommand(c); });
    }
    m_tray = std::make_unique<QSystemTrayIcon>();
    m_tray->setToolTip(QString::fromUtf8(ControlPanelDlg::kTitle));
    m_tray->setContextMenu(m_menu.get());
    connect(m_tray.get(), &QSystemTrayIcon::activated, this, &ControlEvent::trayActivated);
}

ControlEvent::~ControlEvent() {
    if (m_tray) m_tray->hide();
}

bool ControlEvent::hasTrayIcon() const {
    return m_tray && m_tray->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

void ControlEvent::ShowTrayIcon(const QIcon& icon) {
    m_tray->setIcon(icon);
    if (QSystemTrayIcon::isSystemTrayAvailable()) m_tray->show();
}

void ControlEvent::trayActivated(QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::DoubleClick) ShowWindow();
}

void ControlEvent::ShowWindow() {
    QWindow* handle = m_window.windowHandle();
    if (m_window.isMinimized()) {
        m_window.showNormal();
    } else if (!m_window.isVisible()) {
        m_window.show();
    } else if (handle && !handle->isExposed()) {
        // Unmapped behind Qt's back (another program hid it): Qt still thinks it is shown, so
        // map it anew.
        m_window.hide();
        m_window.show();
    }
    m_window.raise();
    m_window.activateWindow();
    SkinControls& c = m_window.controls();
    c.minButton->setStateIndex(0);
    m_window.canvas().UpdateCanvar(c.minButton);
    m_window.canvas().UpdateCanvar(c.musicList);
    m_display.LayoutNameLable();
    m_window.canvas().UpdateCanvar(c.musicNameLable);
}

void ControlEvent::OnCommand(int command) {
    switch (command) {
        case kSettings:
            OpenSettings();
            break;
        case kWebSite:
            QDesktopServices::openUrl(QUrl(QStringLiteral("http://%1/").arg(WebSite::kHost)));
            break;
        case kExit:
            Exit();
            break;
        default:
            break;
    }
}

void ControlEvent::OpenSettings() {
    if (m_sheet) {
        m_sheet->raise();
        m_sheet->activateWindow();
        return;
    }
    CMyPropertySheet sheet(&m_window);
    for (const auto& page : m_window.settingsPages()) sheet.AddPage(page.get());
    m_sheet = &sheet;
    sheet.exec();
}

void ControlEvent::Exit() {
    if (m_tray) m_tray->hide();
    m_window.close();
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

bool ControlEvent::SetButtonContorEvent(tagUIButtonInfo info) {
    const QString& name = info.name;
    const bool hasSongs = m_window.controls().musicList->hasSongs();
    if (name == QLatin1String("minbutton")) {
        // Hidden, the window comes back through the tray icon; without one, only minimised.
        if (hasTrayIcon()) {
            m_window.hide();
        } else {
            m_window.showMinimized();
        }
    } else if (name == QLatin1String("closebutton")) {
        Exit();
    } else if (name == QLatin1String("perbutton")) {
        if (hasSongs) m_playback.Previous();
    } else if (name == QLatin1String("playbutton")) {
        m_playback.PlayCurrent();
        // The button swaps its picture after this report; it has to show what really happened.
        QMetaObject::invokeMethod(&m_display, &PlaybackDisplay::SyncPlayButton,
                                  Qt::QueuedConnection);
    } else if (name == QLatin1String("nextbutton")) {
        if (hasSongs) m_playback.Next();
    } else if (name == QLatin1String("volumeico")) {
        // The picture before the click: the first one means sound on, so this click mutes.
        m_playback.SetMuted(info.buttonImg == 1);
    } else if (name == QLatin1String("addbutton")) {
        m_playList.AddFilesFromDialog(&m_window);
    } else if (name == QLatin1String("listxhbutton")) {
        m_playback.setLoop(!m_playback.isLoop());
    } else if (name == QLatin1String("setbutton")) {
        m_playList.ClearPlayList();
    } else if (name == QLatin1String("optionsbutton")) {
        OnCommand(kSettings);
    } else if (name == QLatin1String("skinbutton")) {
        m_window.ApplyRandomSkin();
    }
    return true;
}

bool ControlEvent::SetSliderContorEvent(tagUISliderInfo info) {
    if (info.name == QLatin1String("volumeslider")) {
        m_playback.SetVolume(info.value, info.length);
        return true;
    }
    if (info.name == QLatin1String("positionslider")) {
        m_playback.Seek(info.value, info.length);
        return true;
    }
    return false;
}

bool ControlEvent::SetListContorEvent(tagUIListInfo /*info*/, tagFileListInfo item) {
    m_playback.Stop();
    m_playback.SetCurrent(item.path, item.title, item.words[6]);
    m_window.controls().musicList->SetFileIndex(&m_window, item.words[6], 1);
    m_playback.PlayCurrent();
    return true;
}
