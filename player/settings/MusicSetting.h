#pragma once
// The "播放器设置" page: the sound effect, starting with the desktop session, and playing
// automatically after the start. The effect shown is the one in force ("soundeffect"); choosing
// another applies it to the main window at once and stores it. The two boxes show the stored
// state and are written only by OK. Thread: UI thread only.

#include "SettingsPage.h"

#include <QPointer>
#include <QRect>
#include <QStringList>

class QCheckBox;
class QComboBox;
class SettingsTarget;

class MusicSetting : public SettingsPage {
public:
    // Where the two boxes lie in the page.
    static const QRect kAutoPlayBox;
    static const QRect kAutoStartBox;

    explicit MusicSetting(SettingsTarget& target);

    // "原音" (flat) then the five presets, in the order the main window numbers them.
    static QStringList EffectNames();
    // The effect choice s (0 .. 5) as the main window's message takes it: (1, -1) for flat,
    // else (0, s - 1).
    static std::pair<qintptr, qintptr> EffectMessage(int choice);

protected:
    void OnInitDialog(QWidget* page) override;
    void OnOK() override;

private:
    void OnSelchangeEffect(int choice);

    SettingsTarget& m_target;
    QPointer<QComboBox> m_effects;
    QPointer<QCheckBox> m_autoPlay;
    QPointer<QCheckBox> m_autoStart;
};
