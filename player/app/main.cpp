#include "COrvoPlayerApp.h"

int main(int argc, char** argv) {
    COrvoPlayerApp app(argc, argv);
    return app.start();
}
