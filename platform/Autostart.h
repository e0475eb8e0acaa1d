#pragma once
// Starting the player with the desktop session: the XDG autostart entry "Orvoplayer.desktop" in
// the user's autostart folder ($XDG_CONFIG_HOME/autostart, by default ~/.config/autostart),
// whose Exec runs the program's full path. Present (and not hidden) means on.
// Thread: UI thread (it reads the environment at each call).

#include <QString>

class Autostart {
public:
    static constexpr char kName[] = "Orvoplayer";

    // The entry's full path under the current environment.
    static QString entryPath();
    // Whether the entry exists and the desktop has not been told to skip it (Hidden=true, or
    // GNOME's X-GNOME-Autostart-enabled=false, which the session settings write).
    static bool isEnabled();
    // Writes the entry running program (its full path). False when it could not be written.
    static bool enable(const QString& program);
    // Removes the entry. True when none is left.
    static bool disable();
};
