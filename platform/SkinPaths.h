#pragma once
// The one way from a skin's id and a file name to a path. Ids and file names come from
// skinlist.xml, which anyone can edit: an id "..", "../x" or "/etc" or a name
// "../../../dev/zero" must not lead out of the skin's own folder skin/<id>/ of the data folder.
// Every place that opens or writes a skin's files (main window, skin button, settings page) asks
// here; the store's skin description names follow the same rule.

#include <QString>

class SkinPaths {
public:
    // Data folder + "skin/<id>/<name>", or an empty string when id or name is not one plain
    // folder or file name: empty, "." or holding "..", a separator or a control character.
    static QString filePath(const QString& id, const QString& name);
    // Data folder + "skin/<id>/" under the same rule for id.
    static QString folderPath(const QString& id);

    static bool isPlainName(const QString& part);
};
