#pragma once
// The main window's side of the settings pages: every call that reached it, as a line of text.

#include "settings/SettingsTarget.h"

#include <QStringList>
#include <QWidget>

class RecordingTarget : public SettingsTarget {
public:
    QWidget* targetWindow() override { return &window; }
    void SetOpacity(int alpha) override { calls << QString("opacity %1").arg(alpha); }
    void SetTranslucent(bool on) override { calls << QString("translucent %1").arg(on); }
    void ChangeBackground(const tagUiBgSkinInfo& s, int opacity) override {
        calls << QString("background %1 %2 %3 %4").arg(s.id, s.fname).arg(s.maskcolor).arg(opacity);
    }
    void ApplySoundEffect(qintptr w, qintptr l) override {
        calls << QString("effect %1 %2").arg(w).arg(l);
    }

    QWidget window;
    QStringList calls;
};
