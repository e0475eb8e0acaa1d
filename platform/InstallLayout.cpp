#include "InstallLayout.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Paths from the installed program's folder, set by the build from the install folders
// (cmake/OrvoInstall.cmake), so the code and the install rules cannot disagree.
#if !defined(ORVO_INSTALL_DATA_FROM_BIN) || !defined(ORVO_INSTALL_LIBS_FROM_BIN)
#error "the build defines where an installed copy keeps its data and libraries"
#endif

QString relativeTo(const QString& programDir, const char* relative) {
    return QDir::cleanPath(programDir + QLatin1String(relative)) + QLatin1Char('/');
}

}  // namespace

bool InstallLayout::isInstalled(const QString& programDir) {
    // A build folder holds its own config.xml beside the program; it is never taken for an
    // installed copy, whatever lies around it.
    if (programDir.isEmpty() || QFileInfo::exists(programDir + QStringLiteral("config.xml")))
        return false;
    return QFileInfo(relativeTo(programDir, ORVO_INSTALL_DATA_FROM_BIN) +
                     QStringLiteral("config.xml"))
        .isFile();
}

QString InstallLayout::deliveredDirectory(const QString& programDir) {
    return isInstalled(programDir) ? relativeTo(programDir, ORVO_INSTALL_DATA_FROM_BIN)
                                   : programDir;
}

QString InstallLayout::libraryDirectory(const QString& programDir) {
    return isInstalled(programDir) ? relativeTo(programDir, ORVO_INSTALL_LIBS_FROM_BIN)
                                   : programDir;
}
