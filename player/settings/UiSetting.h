#pragma once
// The interface settings page "界面设置": the window's translucency switch and opacity slider
// (acting on the main window at once, as posted calls), the list of backgrounds with their
// thumbnails (left click picks one, right click deletes one), and the import of a picture as a
// new background. OK stores the opacity as "transparent"; Cancel stores nothing.
// Thread: UI thread only.

#include "SettingsPage.h"
#include "SettingsTarget.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <functional>

class QCheckBox;
class QListWidget;
class QPushButton;
class QSlider;

class UiSetting : public QObject, public SettingsPage {
public:
    // The questions the page asks, replaceable so tests answer them without a modal loop.
    struct Prompts {
        std::function<QString(QWidget* parent)> choosePicture;  // empty: cancelled
        std::function<bool(QWidget* parent)> confirmDelete;     // true: OK
        std::function<void(const QString& text)> showError;
    };

    // Reads the background in use ("skin") once, as the page object lives with the main window.
    explicit UiSetting(SettingsTarget& target);
    ~UiSetting() override;

    void setPrompts(Prompts prompts);

    // The page's copy of the skin list, in the order of the list's items.
    const QList<tagUiBgSkinInfo>& skins() const { return m_skins; }
    const QString& currentSkin() const { return m_currentSkin; }

    static constexpr const char* kConfirmDeleteText = "确定要删除这个背景吗？删除是不可恢复的";
    static constexpr const char* kConfirmDeleteCaption = "标题";
    static constexpr const char* kFolderErrorText = "创建文件夹发生错误";
    static constexpr const char* kUnreadableText = "无法读取这个图片文件，背景没有导入";
    static constexpr const char* kWriteErrorText = "保存背景图片发生错误，背景没有导入";
    static constexpr const char* kPictureFilter = "图片文件格式 (*.jpg;*.png;*.bmp)";
    // The first four backgrounds are delivered with the program and stay.
    static constexpr int kBuiltInSkins = 4;

protected:
    void OnInitDialog(QWidget* page) override;
    void OnOK() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls(QWidget* page);
    void fillBackgrounds();
    void sliderMoved(int position);
    void translucencySwitched(bool checked);
    void pickBackground(int index);
    void deleteBackground(int index);
    void importPicture();
    // A "posted" message: the call runs on the main window after this handler has returned.
    bool post(std::function<void(SettingsTarget&)> call);

    SettingsTarget& m_target;
    Prompts m_prompts;
    QList<tagUiBgSkinInfo> m_skins;
    QString m_currentSkin;
    QPointer<QSlider> m_slider;
    QPointer<QCheckBox> m_enableBox;
    QPointer<QListWidget> m_backgrounds;
    QPointer<QPushButton> m_importButton;
};
