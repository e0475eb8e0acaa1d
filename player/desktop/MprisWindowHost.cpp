#include "MprisWindowHost.h"

#include "controls/UIButton.h"
#include "controls/UICanvar.h"
#include "controls/UISlider.h"
#include "core/ConfigKeys.h"
#include "core/Playback.h"
#include "core/StoreBinding.h"
#include "mainwindow/ControlEvent.h"
#include "mainwindow/ControlPanelDlg.h"
#include "mainwindow/PlaybackDisplay.h"
#include "mainwindow/SkinControls.h"

#include <cmath>

MprisWindowHost::MprisWindowHost(ControlPanelDlg& window)
    : m_window(window), m_service(window.playback(), *this) {
    m_window.playback().setChangeListener([this] {
        // A pause from the desktop leaves the play button's picture to follow.
        m_window.display().SyncPlayButton();
        m_service.playbackChanged();
    });
    m_service.start();
}

MprisWindowHost::~MprisWindowHost() { m_window.playback().setChangeListener(nullptr); }

void MprisWindowHost::Raise() { m_window.events().ShowWindow(); }

void MprisWindowHost::Quit() { m_window.events().Exit(); }

void MprisWindowHost::SetLoop(bool on) {
    UIButton* button = m_window.controls().listxhButton;
    button->setButtonImg(on ? 2 : 1);
    m_window.canvas().UpdateCanvar(button);
    m_window.playback().setLoop(on);
    StoreBinding::WriteConfigValue(QString::fromLatin1(ConfigKeys::kLoop),
                                   on ? QStringLiteral("2") : QStringLiteral("1"));
}

void MprisWindowHost::SetVolume(double volume) {
    UISlider* slider = m_window.controls().volumeSlider;
    slider->setValue(int(std::lround(volume * slider->length())));
    m_window.canvas().UpdateCanvar(slider);
    m_window.playback().SetVolume(slider->value(), slider->length());
}

void MprisWindowHost::OpenFile(const QString& path) { m_window.OpenHandedOverFiles({path}); }
