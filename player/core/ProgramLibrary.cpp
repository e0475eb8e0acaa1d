#include "ProgramLibrary.h"

#include "DataDirectory.h"

#include <QFileInfo>
#include <QLibrary>

bool ProgramLibrary::load(QLibrary& library, const QString& overridePath, const QString& fileName,
                          const QString& baseName) {
    if (!overridePath.isEmpty()) {
        library.setFileName(overridePath);
        return library.load();
    }
    const QString beside = DataDirectory::programDirectory() + fileName;
    if (QFileInfo::exists(beside)) {
        library.setFileName(beside);
        if (library.load()) return true;
    }
    library.setFileName(baseName);
    return library.load();
}
