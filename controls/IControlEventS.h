#pragma once
// What the skinned controls report to their window. The window implements this interface and
// hands itself to each control before the control is added to the canvas.
// Thread: UI thread only.

#include "store/StoreRecords.h"

#include <QList>
#include <QPoint>
#include <QString>

struct tagUIButtonInfo {
    QString name;
    int stateIndex = 0;
    int buttonImg = 1;  // image shown when the click was reported (1 first, 2 second)
};

struct tagUISliderInfo {
    QString name;
    int length = 0;  // slider length in pixels
    int value = 0;   // new value in pixels, 0 .. length
};

struct tagUIListInfo {
    QString name;
};

// What the user asked of a list's rows.
struct tagUIListEditInfo {
    enum class Kind {
        Remove,  // the Delete key on a selection
        Move,    // selected rows dragged to a gap between rows
        Menu,    // a right click: the window offers its menu for the selection
    };
    QString name;
    Kind kind = Kind::Remove;
    QList<int> rows;  // the selected rows, ascending
    // Move: the gap the rows go to, before this row (the row count: after the last).
    // Menu: the row under the mouse, -1 below the rows.
    int target = -1;
    QPoint pos;  // Menu: where the click was, window coordinates
};

class IControlEventS {
public:
    virtual ~IControlEventS() = default;
    virtual bool SetButtonContorEvent(tagUIButtonInfo info) = 0;
    virtual bool SetSliderContorEvent(tagUISliderInfo info) = 0;
    // A row was double-clicked; item.words[6] carries the row's index.
    virtual bool SetListContorEvent(tagUIListInfo info, tagFileListInfo item) = 0;
    // Editing a list's rows; a window that does not edit its lists ignores it.
    virtual bool SetListEditEvent(tagUIListEditInfo /*info*/) { return false; }
};
