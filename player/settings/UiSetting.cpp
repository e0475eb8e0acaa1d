#include "UiSetting.h"

#include "BitmapFile.h"
#include "SkinFiles.h"
#include "controls/DrawImages.h"
#include "core/ConfigKeys.h"
#include "core/StoreBinding.h"
#include "core/TextOps.h"
#include "platform/SkinPaths.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QVBoxLayout>
#include <cstdlib>

using namespace ConfigKeys;

namespace {

constexpr int kMaxAlpha = 255;
// Grid of the background list: a 32 × 32 thumbnail with room around it.
constexpr QSize kIconSpacing{45, 40};
// The classic scroll-bar grey the list is painted on.
constexpr QRgb kListBackground = 0xFFC8C8C8;

QString defaultChoosePicture(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("打开"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Qt separates the patterns of a filter by spaces.
    dialog.setNameFilter(QString::fromUtf8(UiSetting::kPictureFilter).replace(u';', u' '));
    dialog.setDefaultSuffix(QStringLiteral("bmp"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

bool defaultConfirmDelete(QWidget* parent) {
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(UiSetting::kConfirmDeleteCaption),
                    QString::fromUtf8(UiSetting::kConfirmDeleteText),
                    QMessageBox::Ok | QMessageBox::Cancel, parent);
    return box.exec() == QMessageBox::Ok;
}

void defaultShowError(const QString& text) {
    // No owner and the application's own caption.
    QMessageBox box(QMessageBox::NoIcon, QString(), text, QMessageBox::Ok);
    box.exec();
}

// A background whose thumbnail cannot be read shows a plain grey square, so it can still be
// seen, picked and deleted.
QListWidgetItem* newItem(const QImage& thumbnail) {
    QPixmap picture(DrawImages::kThumbnailSize);
    if (thumbnail.isNull())
        picture.fill(QColor(150, 150, 150));
    else
        picture = QPixmap::fromImage(thumbnail);
    auto* item = new QListWidgetItem(QIcon(picture), QString());
    // A click picks at once; a kept selection would only tint the thumbnail and mark the empty
    // text below it.
    item->setFlags(Qt::ItemIsEnabled);
    return item;
}

// "skin/<id>/<first piece of fname>_s.bmp" in the data folder; empty when fname has no piece or
// the id or name would leave the skin's folder.
QString thumbnailPath(const tagUiBgSkinInfo& skin) {
    const QStringList pieces = TextOps::SplitText(skin.fname, QStringLiteral("."));
    if (pieces.isEmpty()) return {};
    return SkinPaths::filePath(skin.id, pieces.constFirst() + QStringLiteral("_s.bmp"));
}

}  // namespace

UiSetting::UiSetting(SettingsTarget& target)
    : SettingsPage(QStringLiteral("界面设置")),
      m_target(target),
      m_prompts{defaultChoosePicture, defaultConfirmDelete, defaultShowError},
      m_currentSkin(StoreBinding::ReadConfigValue(QString::fromLatin1(kSkin), QString())) {}

UiSetting::~UiSetting() = default;

void UiSetting::setPrompts(Prompts prompts) {
    if (prompts.choosePicture) m_prompts.choosePicture = std::move(prompts.choosePicture);
    if (prompts.confirmDelete) m_prompts.confirmDelete = std::move(prompts.confirmDelete);
    if (prompts.showError) m_prompts.showError = std::move(prompts.showError);
}

void UiSetting::buildControls(QWidget* page) {
    auto* frame = new QGroupBox(page);
    auto* outer = new QVBoxLayout(page);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);

    m_slider = new QSlider(Qt::Horizontal, frame);
    m_slider->setObjectName(QStringLiteral("1004"));
    m_slider->setTickPosition(QSlider::NoTicks);
    m_slider->setEnabled(false);
    m_enableBox = new QCheckBox(frame);
    m_enableBox->setObjectName(QStringLiteral("1007"));
    m_importButton = new QPushButton(QStringLiteral("自定义背景图"), frame);
    m_importButton->setObjectName(QStringLiteral("1017"));

    auto* listFrame = new QGroupBox(QStringLiteral("背景图片设置"), frame);
    m_backgrounds = new QListWidget(listFrame);
    m_backgrounds->setObjectName(QStringLiteral("1023"));
    m_backgrounds->setViewMode(QListView::IconMode);
    m_backgrounds->setSelectionMode(QAbstractItemView::SingleSelection);
    m_backgrounds->setMovement(QListView::Static);
    m_backgrounds->setResizeMode(QListView::Adjust);
    m_backgrounds->setUniformItemSizes(true);
    m_backgrounds->setIconSize(DrawImages::kThumbnailSize);
    m_backgrounds->setGridSize(kIconSpacing);
    QPalette palette = m_backgrounds->palette();
    palette.setColor(QPalette::Base, QColor::fromRgb(kListBackground));
    m_backgrounds->setPalette(palette);
    auto* listLayout = new QVBoxLayout(listFrame);
    listLayout->addWidget(m_backgrounds);

    auto* grid = new QGridLayout(frame);
    grid->addWidget(new QLabel(QStringLiteral("背景透明度"), frame), 0, 0);
    grid->addWidget(m_slider, 0, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("开启透明度"), frame), 1, 0);
    grid->addWidget(m_enableBox, 1, 1);
    grid->addWidget(m_importButton, 1, 2, Qt::AlignRight);
    grid->addWidget(listFrame, 2, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(2, 1);
}

void UiSetting::OnInitDialog(QWidget* page) {
    buildControls(page);
    if (StoreBinding::ReadConfigNumber(QString::fromLatin1(kEnTransparent),
                                       QStringLiteral("255")) != 0) {
        m_slider->setEnabled(true);
        m_enableBox->setChecked(true);
    }
    m_slider->setRange(0, kMaxAlpha);
    fillBackgrounds();
    const int alpha =
        StoreBinding::ReadConfigNumber(QString::fromLatin1(kTransparent), QStringLiteral("255"));
    m_slider->setValue(std::abs(alpha - kMaxAlpha));

    // Connected after the stored position is set: only the user's moves reach the window.
    connect(m_slider, &QSlider::valueChanged, this, &UiSetting::sliderMoved);
    connect(m_enableBox, &QCheckBox::clicked, this, &UiSetting::translucencySwitched);
    connect(m_backgrounds, &QAbstractItemView::clicked, this,
            [this](const QModelIndex& index) { pickBackground(index.row()); });
    m_backgrounds->viewport()->installEventFilter(this);
    connect(m_importButton, &QPushButton::clicked, this, &UiSetting::importPicture);
}

void UiSetting::fillBackgrounds() {
    m_skins.clear();
    StoreBinding::CallSkinList(1, &m_skins);
    m_backgrounds->clear();
    // Each item gets its own thumbnail: one that cannot be read gives that item the grey square
    // and shifts no other item's picture. Read at list size, so an odd file costs no more.
    for (const tagUiBgSkinInfo& skin : std::as_const(m_skins)) {
        const QString path = thumbnailPath(skin);
        m_backgrounds->addItem(newItem(
            path.isEmpty() ? QImage() : DrawImages::ReadPicture(path, DrawImages::kThumbnailSize)));
    }
}

bool UiSetting::post(std::function<void(SettingsTarget&)> call) {
    QWidget* window = m_target.targetWindow();
    if (!window) return false;
    // The window is the target itself: a call that would outlive it is dropped with it.
    SettingsTarget* target = &m_target;
    return QMetaObject::invokeMethod(
        window, [target, call = std::move(call)] { call(*target); }, Qt::QueuedConnection);
}

void UiSetting::sliderMoved(int position) {
    // The right end would be alpha 0, an invisible window that cannot be found again.
    const int alpha = kMaxAlpha - std::min(position, kMaxAlpha - 1);
    post([alpha](SettingsTarget& t) { t.SetOpacity(alpha); });
}

void UiSetting::translucencySwitched(bool checked) {
    m_enableBox->setEnabled(false);
    m_slider->setEnabled(checked);
    if (post([checked](SettingsTarget& t) { t.SetTranslucent(checked); }))
        m_enableBox->setEnabled(true);
}

void UiSetting::pickBackground(int index) {
    if (index < 0 || index >= m_skins.size()) return;
    // A copy travels with the call: the array may change before the window handles it.
    const tagUiBgSkinInfo skin = m_skins.at(index);
    const int opacity = std::abs(m_slider->value() - kMaxAlpha);
    m_backgrounds->setEnabled(false);
    StoreBinding::WriteConfigValue(QString::fromLatin1(kSkin), skin.id);
    if (post([skin, opacity](SettingsTarget& t) { t.ChangeBackground(skin, opacity); })) {
        m_currentSkin = skin.id;
        m_backgrounds->setEnabled(true);
    }
}

void UiSetting::deleteBackground(int index) {
    if (index < kBuiltInSkins || index >= m_skins.size()) return;
    const QString id = m_skins.at(index).id;
    // An id that is not a plain folder name under skin/ is never acted on.
    if (id == m_currentSkin || SkinPaths::folderPath(id).isEmpty()) return;
    if (!m_prompts.confirmDelete(page())) return;
    delete m_backgrounds->takeItem(index);
    SkinFiles::RemoveFolder(id);
    m_skins.removeAt(index);
    StoreBinding::CallSkinList(0, &m_skins);
}

void UiSetting::importPicture() {
    QWidget* window = page();
    const QString path = m_prompts.choosePicture(window);
    if (path.isEmpty()) return;
    QScreen* screen = window ? window->screen() : nullptr;
    const int depth = BitmapFile::DepthFor(screen ? screen->depth() : 0);
    SkinFiles::Imported imported;
    switch (SkinFiles::Import(path, depth, &imported)) {
        case SkinFiles::ImportResult::Unreadable:
            m_prompts.showError(QString::fromUtf8(kUnreadableText));
            return;
        case SkinFiles::ImportResult::NoFolder:
            m_prompts.showError(QString::fromUtf8(kFolderErrorText));
            return;
        case SkinFiles::ImportResult::WriteFailed:
            m_prompts.showError(QString::fromUtf8(kWriteErrorText));
            return;
        case SkinFiles::ImportResult::Ok:
            break;
    }
    // The new background goes last; the user picks it like any other.
    if (m_backgrounds) m_backgrounds->addItem(newItem(imported.thumbnail));
    m_skins.append(imported.skin);
    StoreBinding::CallSkinList(0, &m_skins);
}

void UiSetting::OnOK() {
    if (!m_slider) return;
    const int alpha = std::max(1, std::abs(m_slider->value() - kMaxAlpha));
    StoreBinding::WriteConfigValue(QString::fromLatin1(kTransparent), alpha);
}

bool UiSetting::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease && m_backgrounds &&
        watched == m_backgrounds->viewport()) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton)
            deleteBackground(m_backgrounds->indexAt(mouse->position().toPoint()).row());
    }
    return QObject::eventFilter(watched, event);
}
