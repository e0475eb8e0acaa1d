#include "SkinControls.h"

#include "controls/ControlClass.h"
#include "controls/UIButton.h"
#include "controls/UILable.h"
#include "controls/UIList.h"
#include "controls/UISlider.h"
#include "controls/UIStatic.h"

namespace {

// Name, tooltip, position and size, then the rectangle the calculator makes of them.
void place(IControl* c, const ControlClass& rects, const QString& name, const QString& tip, int x,
           int y, int w, int h) {
    c->setName(name);
    c->setToolTip(tip);
    c->setPos(x, y);
    c->setSize(w, h);
    c->setRect(rects.GetRect(x, y, w, h));
}

void initButton(UIButton* b) {
    b->setDrawValue(2);
    b->setStateIndex(0);
    b->setEnabled(true);
}

void initLable(UILable* l, const QString& text) {
    l->setText(text);
    l->setFontSize(14);
    l->setColor(0xFFFFFF);
    l->setScrollOffset(0);
}

}  // namespace

SkinControls::SkinControls(int w, int h, const QString& resDir, const ControlClass& rects) {
    const int half = w / 2;
    const int gap = (w - 120) / 3;
    auto res = [&resDir](const char* file) { return resDir + QLatin1String(file); };
    auto keep = [this](auto* control) {
        m_owned.emplace_back(control);
        return control;
    };
    auto button = [&](const char* first, const char* second = nullptr) {
        auto* b = keep(new UIButton(res(first), second ? res(second) : QString()));
        initButton(b);
        return b;
    };

    musicLogo = keep(new UIStatic(res("logo.png")));
    place(musicLogo, rects, QStringLiteral("musiclogo"), QString(), 15, 10, 97, 30);

    playButton = button("play.png", "stop.png");
    place(playButton, rects, QStringLiteral("playbutton"), QStringLiteral("播放"), half - 19, 180,
          38, 38);
    perButton = button("per.png");
    place(perButton, rects, QStringLiteral("perbutton"), QStringLiteral("前一首"),
          playButton->x() - 35 - 12, 181, 35, 36);
    nextButton = button("next.png");
    place(nextButton, rects, QStringLiteral("nextbutton"), QStringLiteral("下一首"),
          playButton->x() + 38 + 12, 181, 35, 36);
    closeButton = button("close.png");
    place(closeButton, rects, QStringLiteral("closebutton"), QStringLiteral("关闭"), w - 33, 0, 33,
          25);
    minButton = button("min.png");
    place(minButton, rects, QStringLiteral("minbutton"), QStringLiteral("最小化"),
          closeButton->x() - 31, 0, 31, 25);
    skinButton = button("skin.png");
    place(skinButton, rects, QStringLiteral("skinbutton"), QStringLiteral("换肤"), 27, 199, 21, 14);
    addButton = button("add.png");
    place(addButton, rects, QStringLiteral("addbutton"), QStringLiteral("添加歌曲"), 48, h - 27, 23,
          23);
    optionsButton = button("options.png");
    place(optionsButton, rects, QStringLiteral("optionsbutton"), QStringLiteral("播放器设置"),
          w - 72, h - 27, 23, 23);
    listxhButton = button("listxh1.png", "listxh.png");
    place(listxhButton, rects, QStringLiteral("listxhbutton"), QStringLiteral("列表循环"), gap + 48,
          h - 27, 23, 23);
    setButton = button("set.png");
    place(setButton, rects, QStringLiteral("setbutton"), QStringLiteral("清除列表"),
          listxhButton->x() + gap, h - 27, 23, 23);

    positionSlider = keep(new UISlider(res("slider_bar.png"), res("progress_fill.png"), QString()));
    positionSlider->setKind(UISlider::Kind::Position);
    place(positionSlider, rects, QStringLiteral("positionslider"), QString(), 64, 163, w - 122, 16);
    positionSlider->setValue(30);

    volumeSlider =
        keep(new UISlider(res("vol_slider_bar.png"), QString(), res("vol_progress_thumb.png")));
    volumeSlider->setKind(UISlider::Kind::Volume);
    place(volumeSlider, rects, QStringLiteral("volumeslider"), QString(), w - 55, 202, 41, 8);
    volumeSlider->setValue(0);

    volumeIco = button("volumeico1.png", "volumeico2.png");
    place(volumeIco, rects, QStringLiteral("volumeico"), QString(), volumeSlider->x() - 15 - 5, 199,
          15, 14);

    musicList = keep(new UIList(res("listbar.png"), res("line.png"), res("listbar.png")));
    place(musicList, rects, QStringLiteral("musiclist"), QString(), 0, 223, w, h - 254);
    musicList->setScrollBarRect(QRect(w - 9, 0, 9, 75));
    musicList->setStyle(UIListStyle{20, 0x646464, 0xFFFFFF, 0xBFBFBF, 14});

    totalTimeLable = keep(new UILable);
    place(totalTimeLable, rects, QStringLiteral("musictimelable"), QString(),
          positionSlider->x() + positionSlider->width() + 5, 164, 34, 15);
    initLable(totalTimeLable, QStringLiteral("00:00"));
    elapsedTimeLable = keep(new UILable);
    place(elapsedTimeLable, rects, QStringLiteral("musictimelable"), QString(),
          positionSlider->x() - 40, 164, 34, 15);
    initLable(elapsedTimeLable, QStringLiteral("00:00"));
    musicNameLable = keep(new UILable);
    place(musicNameLable, rects, QStringLiteral("musicnamelable"), QString(), 19, 45, 0, 15);
    initLable(musicNameLable, QString());
}

SkinControls::~SkinControls() = default;

QList<IControl*> SkinControls::eventControls() const {
    return {playButton,   perButton, closeButton,   minButton,    positionSlider,
            nextButton,   volumeIco, addButton,     listxhButton, setButton,
            volumeSlider, musicList, optionsButton, skinButton};
}

void SkinControls::setEventSink(IControlEventS* sink) {
    for (IControl* c : eventControls()) c->setEventSink(sink);
}

QList<IControl*> SkinControls::paintOrder() const {
    return {volumeSlider,   positionSlider, closeButton, addButton,  listxhButton,
            setButton,      optionsButton,  minButton,   playButton, nextButton,
            perButton,      volumeIco,      musicLogo,   skinButton, elapsedTimeLable,
            totalTimeLable, musicNameLable, musicList};
}

QList<IControl*> SkinControls::all() const {
    QList<IControl*> out;
    for (const auto& c : m_owned) out.append(c.get());
    return out;
}
