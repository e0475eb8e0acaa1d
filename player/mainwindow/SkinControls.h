#pragma once
// The eighteen skinned controls of the main window, built from the res/ pictures at their start
// positions for a window of W x H. The window owns this object and with it the controls.
// Thread: UI thread only.

#include <QList>
#include <QString>
#include <memory>
#include <vector>

class ControlClass;
class IControl;
class IControlEventS;
class UIButton;
class UILable;
class UIList;
class UISlider;
class UIStatic;

class SkinControls {
public:
    // resDir: the folder of the control pictures, with a trailing '/'.
    SkinControls(int w, int h, const QString& resDir, const ControlClass& rects);
    ~SkinControls();
    SkinControls(const SkinControls&) = delete;
    SkinControls& operator=(const SkinControls&) = delete;

    // The controls that report events, in the order they get the sink.
    QList<IControl*> eventControls() const;
    void setEventSink(IControlEventS* sink);
    // Every control in the canvas' paint order.
    QList<IControl*> paintOrder() const;
    // Every control in table order.
    QList<IControl*> all() const;

    UIStatic* musicLogo = nullptr;
    UIButton* playButton = nullptr;
    UIButton* perButton = nullptr;
    UIButton* nextButton = nullptr;
    UIButton* closeButton = nullptr;
    UIButton* minButton = nullptr;
    UIButton* skinButton = nullptr;
    UIButton* addButton = nullptr;
    UIButton* optionsButton = nullptr;
    UIButton* listxhButton = nullptr;
    UIButton* setButton = nullptr;
    UISlider* positionSlider = nullptr;
    UISlider* volumeSlider = nullptr;
    UIButton* volumeIco = nullptr;
    UIList* musicList = nullptr;
    UILable* totalTimeLable = nullptr;
    UILable* elapsedTimeLable = nullptr;
    UILable* musicNameLable = nullptr;

private:
    std::vector<std::unique_ptr<IControl>> m_owned;
};
