#include "COrvoPlayerApp.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    {
        // A later start only hands its files to the running player: decided, and done, before
        // the GUI comes up.
        QCoreApplication early(argc, argv);
        if (const std::optional<int> code = COrvoPlayerApp::handOverToRunningInstance()) {
            return *code;
        }
    }
    COrvoPlayerApp app(argc, argv);
    return app.start();
}
