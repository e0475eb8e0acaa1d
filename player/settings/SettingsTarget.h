#pragma once
// What the settings pages change in the main window, so the pages work (and are tested) without
// one. The interface settings page posts its changes (queued calls on targetWindow()), the player
// settings page calls ApplySoundEffect directly. Thread: UI thread only.

#include "store/OrvoXmlCtrl.h"

#include <QtGlobal>

class QWidget;

class SettingsTarget {
public:
    virtual ~SettingsTarget() = default;
    // The main window: context of the queued calls and carrier of the instance property.
    virtual QWidget* targetWindow() = 0;
    virtual void SetOpacity(int alpha) = 0;  // 1 to 255
    virtual void SetTranslucent(bool on) = 0;
    virtual void ChangeBackground(const tagUiBgSkinInfo& info, int targetOpacity) = 0;
    // wParam 1: flat (lParam -1); wParam 0: preset lParam (0 to 4).
    virtual void ApplySoundEffect(qintptr wParam, qintptr lParam) = 0;
};
