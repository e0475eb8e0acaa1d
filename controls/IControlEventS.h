#pragma once
// What the skinned controls report to their window. The window implements this interface and
// hands itself to each control before the control is added to the canvas.
// Thread: UI thread only.

#include "store/StoreRecords.h"

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

class IControlEventS {
public:
    virtual ~IControlEventS() = default;
    virtual bool SetButtonContorEvent(tagUIButtonInfo info) = 0;
    virtual bool SetSliderContorEvent(tagUISliderInfo info) = 0;
    // A row was double-clicked; item.words[6] carries the row's index.
    virtual bool SetListContorEvent(tagUIListInfo info, tagFileListInfo item) = 0;
};
