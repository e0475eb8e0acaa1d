#include "COrvoPlayerApp.h"
#include "SingleInstanceLock.h"
#include "desktop/DesktopBusProbe.h"
#include "desktop/MprisBusLink.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    std::unique_ptr<SingleInstanceLock> lock;
    {
        // A later start only hands its files to the running player: decided, and done, before
        // the GUI comes up.
        QCoreApplication early(argc, argv);
        if (const std::optional<int> code = COrvoPlayerApp::handOverToRunningInstance(lock)) {
            return *code;
        }
    }
    DesktopBusProbe::disableSilentDesktopBus(1000);
    int code = 0;
    {
        COrvoPlayerApp app(argc, argv, std::move(lock));
        code = app.start();
    }
    if (MprisBusLink::connectPending()) {
        // Everything of ours is saved and closed; only Qt's teardown is left, and it would wait
        // for ever on a desktop bus that took the connection and never answered.
        qWarning("OrvoPlayer: the desktop bus never answered; leaving without waiting for it");
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}
