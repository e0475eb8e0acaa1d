#pragma once
// Puts the main window on the desktop bus: the MPRIS service over the window's playback, with
// the window's own actions (raise, quit, the list-loop button, the volume slider, opening a
// file). It listens to playback for changes while it lives; create it after the window and
// destroy it before.
// Thread: UI thread only.

#include "MprisHost.h"
#include "MprisService.h"

class ControlPanelDlg;

class MprisWindowHost : public MprisHost {
public:
    explicit MprisWindowHost(ControlPanelDlg& window);
    ~MprisWindowHost() override;
    MprisWindowHost(const MprisWindowHost&) = delete;
    MprisWindowHost& operator=(const MprisWindowHost&) = delete;

    MprisService& service() { return m_service; }

    void Raise() override;
    void Quit() override;
    void SetLoop(bool on) override;
    void SetVolume(double volume) override;
    void OpenFile(const QString& path) override;

private:
    ControlPanelDlg& m_window;
    MprisService m_service;
};
