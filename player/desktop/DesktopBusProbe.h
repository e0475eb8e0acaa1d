#pragma once
// Whether the desktop bus says anything at all. A bus that takes connections and never answers
// (a hung bus daemon) makes every call of Qt's own bus users wait without a time limit: the tray
// icon asks the bus for a status-notifier host on the UI thread and the window would never show.
// Checked once before the GUI comes up; a silent bus is then replaced by an address that fails at
// once, so Qt falls back to what it does without a bus (the tray through the X server).

#include <QString>

class DesktopBusProbe {
public:
    // Sends the first line of the bus's greeting to the first Unix socket of address and waits at
    // most timeoutMs for any reply: true when none comes. Other transports, unreadable addresses
    // and sockets that refuse or close are left to Qt (its own attempt fails fast then).
    static bool isSilent(const QString& address, int timeoutMs);

    // isSilent() on the desktop bus (the address in the environment, else the runtime folder's
    // socket); a silent bus is disabled for this process.
    static void disableSilentDesktopBus(int timeoutMs);
};
