#pragma once
// Loading one of the program's own shared libraries by name: the copy in the program's library
// folder first (beside the program, or the private folder of an installed copy, see
// InstallLayout), then the ordinary library search. Used for the libraries the player binds at run
// time (store, audio, tag reader). Thread: UI thread.

#include <QString>

class QLibrary;

class ProgramLibrary {
public:
    // overridePath, when not empty, is the only file tried (tests point it at the build folder).
    // fileName is e.g. "libOrvo_XMLCtrl.so", baseName e.g. "Orvo_XMLCtrl".
    static bool load(QLibrary& library, const QString& overridePath, const QString& fileName,
                     const QString& baseName);
};
