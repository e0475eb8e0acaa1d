#include "SkinPaths.h"

#include "DataDirectory.h"

#include <algorithm>

QString SkinPaths::filePath(const QString& id, const QString& name) {
    const QString folder = folderPath(id);
    if (folder.isEmpty() || !isPlainName(name)) return QString();
    return folder + name;
}

QString SkinPaths::folderPath(const QString& id) {
    if (!isPlainName(id)) return QString();
    return DataDirectory::path() + QStringLiteral("skin/") + id + QLatin1Char('/');
}

bool SkinPaths::isPlainName(const QString& part) {
    const bool control = std::any_of(part.begin(), part.end(),
                                     [](QChar c) { return c.category() == QChar::Other_Control; });
    return !part.isEmpty() && part != QLatin1String(".") && !control &&
           !part.contains(QLatin1String("..")) && !part.contains(QLatin1Char('/')) &&
           !part.contains(QLatin1Char('\\'));
}
