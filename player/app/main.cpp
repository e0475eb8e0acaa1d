#include "COrvoPlayerApp.h"
#include "SingleInstanceLock.h"

#include <QCoreApplication>

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
    COrvoPlayerApp app(argc, argv, std::move(lock));
    return app.start();
}
