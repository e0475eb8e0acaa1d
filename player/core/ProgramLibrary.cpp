#include "ProgramLibrary.h"

#include "DataDirectory.h"
#include "InstallLayout.h"

#include <QFileInfo>
#include <QLibrary>

bool ProgramLibrary::load(QLibrary& library, const QString& overridePath, const QString& fileName,
                          const QString& baseName) {
    if (!overridePath.isEmpty()) {
        library.setFileName(overridePath);
        return library.load();
    }
    // An installed copy's private folder is named here: the program's run path serves only its
    // own dependencies, not the dlopen() that QLibrary makes from inside Qt Core.
    const QString beside =
        InstallLayout::libraryDirectory(DataDirectory::programDirectory()) + fileName;
    if (QFileInfo::exists(beside)) {
        library.setFileName(beside);
        if (library.load()) return true;
    }
    library.setFileName(baseName);
    return library.load();
}
