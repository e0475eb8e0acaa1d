#pragma once
// What the desktop's media controls ask of the window rather than of playback: the window's
// own actions and the controls that show a setting (list-loop button, volume slider).
// Thread: UI thread only.

#include <QString>

class MprisHost {
public:
    virtual ~MprisHost() = default;
    // Shows, raises and activates the window, as the tray icon's double click does.
    virtual void Raise() = 0;
    // Ends the program as the close button does (settings written).
    virtual void Quit() = 0;
    // List loop on or off: the button's picture follows and the setting is saved at once.
    virtual void SetLoop(bool on) = 0;
    // The volume slider moves to volume (0 .. 1) and playback follows it.
    virtual void SetVolume(double volume) = 0;
    // An existing regular file: appended to the play list and played, as a hand-over is.
    virtual void OpenFile(const QString& path) = 0;
};
