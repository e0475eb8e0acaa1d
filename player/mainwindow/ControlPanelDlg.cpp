#include "ControlPanelDlg.h"

#include "ControlEvent.h"
#include "ControlLayout.h"
#include "DropTestHook.h"
#include "PlaybackDisplay.h"
#include "SkinControls.h"
#include "SkinPicture.h"
#include "controls/ControlClass.h"
#include "controls/UIButton.h"
#include "controls/UICanvar.h"
#include "controls/UILable.h"
#include "controls/UIList.h"
#include "controls/UISlider.h"
#include "core/AudioLibrary.h"
#include "core/ConfigKeys.h"
#include "core/PlayListManager.h"
#include "core/Playback.h"
#include "core/StoreBinding.h"
#include "core/TextOps.h"
#include "platform/DataDirectory.h"
#include "platform/SkinPaths.h"
#include "settings/AboutMe.h"
#include "settings/FileJoin.h"
#include "settings/MusicSetting.h"
#include "settings/UiSetting.h"
#include "update/SoftUpdate.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QRandomGenerator>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

QString readConfig(const char* key, const char* fallback) {
    return StoreBinding::ReadConfigValue(QString::fromLatin1(key), QString::fromLatin1(fallback));
}

QImage loadSkinPicture(const tagUiBgSkinInfo& info) {
    const QString path = SkinPaths::filePath(info.id, info.fname);
    return path.isEmpty() ? QImage() : SkinPicture::Load(path);
}

}  // namespace

ControlPanelDlg::ControlPanelDlg(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    m_tracePaint = qEnvironmentVariable("ORVO_TRACE_STARTUP") == QLatin1String("1");
    setAttribute(Qt::WA_TranslucentBackground);
    setMouseTracking(true);
    setProperty(kInstanceKey, 1);
    m_settingsPages.push_back(std::make_unique<AboutMe>());
    m_settingsPages.push_back(std::make_unique<UiSetting>(*this));
    m_settingsPages.push_back(std::make_unique<FileJoin>());
    m_settingsPages.push_back(std::make_unique<MusicSetting>(*this));
    m_settingsPages.push_back(std::make_unique<SoftUpdate>());
    connect(&m_fader, &BackgroundFader::step, this, &ControlPanelDlg::fadeStep);
    connect(&m_fader, &BackgroundFader::finished, this, &ControlPanelDlg::backgroundDone);
    buildControls();
    initDialog();
    // Whatever ends the program, the window's settings are written.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &ControlPanelDlg::saveSettings);
    DropTestHook::createIfRequested(this);
}

ControlPanelDlg::~ControlPanelDlg() {
    m_fader.stop();
    saveSettings();
}

void ControlPanelDlg::buildControls() {
    // The skin in use; an unknown one, or one whose id or file name would lead out of its
    // folder, falls back to the first delivered skin.
    m_skinId = readConfig(ConfigKeys::kSkin, "1");
    tagUiBgSkinInfo skin = StoreBinding::ReadSkinInfo(m_skinId);
    if (SkinPaths::filePath(skin.id, skin.fname).isEmpty()) {
        m_skinId = QStringLiteral("1");
        skin = StoreBinding::ReadSkinInfo(m_skinId);
    }
    m_background = loadSkinPicture(skin);
    m_maskColor = skin.maskcolor;

    m_rects = std::make_unique<ControlClass>();
    const QSize size = WindowGeometry::ParseWindowSize(readConfig(ConfigKeys::kWndSize, "1"));
    m_w = size.width();
    m_h = size.height();

    m_controls =
        std::make_unique<SkinControls>(m_w, m_h, DataDirectory::resourceDirectory(), *m_rects);
    m_layout = std::make_unique<ControlLayout>(*m_controls, *m_rects);
    m_playback = std::make_unique<Playback>(&m_controls->musicList->items(), nullptr);
    m_display = std::make_unique<PlaybackDisplay>(*this, *m_playback);
    m_playback->setView(m_display.get());
    m_playList = std::make_unique<PlayListManager>(m_controls->musicList->items(), *m_playback,
                                                   m_display.get());

    if (readConfig(ConfigKeys::kLoop, "1") == QLatin1String("2")) {
        m_playback->setLoop(true);
        m_controls->listxhButton->setButtonImg(2);
    }
}

void ControlPanelDlg::initDialog() {
    setWindowTitle(QString::fromUtf8(kTitle));
    setAcceptDrops(true);
    // The tray icon gets its picture and shows once the first frame is out (applyWindowIcon).
    m_events = std::make_unique<ControlEvent>(*this, *m_playback, *m_playList, *m_display);

    m_controls->setEventSink(this);

    m_canvas = std::make_unique<UICanvar>(this);
    m_canvas->setMaskColor(m_maskColor);
    m_canvas->setWindowSize(m_w, m_h);

    m_translucent = TextOps::decimalValue(readConfig(ConfigKeys::kEnTransparent, "1")) != 0;
    if (m_translucent) {
        m_w += WindowGeometry::kTranslucentInset;
        m_h += WindowGeometry::kTranslucentInset;
        m_canvas->setWindowSize(m_w, m_h);
    }
    m_transparency = WindowGeometry::OpacityFromText(readConfig(ConfigKeys::kTransparent, "255"));
    m_canvas->setTranslucent(m_translucent);
    m_canvas->setBackground(m_background);
    m_canvas->setOpacity(m_transparency);

    m_playList->LoadPlayListAtStart();
    if (m_translucent) {
        m_layout->ShiftVertical(WindowGeometry::kTranslucentInset / 2);
        LayoutControls(WindowGeometry::kTranslucentInset);
    }

    for (IControl* c : m_controls->paintOrder()) m_canvas->AddControlToCanvar(c);

    applyStartSettings();

    m_controls->positionSlider->SetSingleControl(3, 3);
    m_controls->volumeSlider->SetSingleControl();
    m_controls->musicList->CreateFileBgHDC();

    // The audio library is loaded and its output started right after the first frame
    // (startAudio): loading FFmpeg and opening the sound device should not delay the window.

    m_canvas->OnInit();
    applyMinimumSize();
    resize(m_w, m_h);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        // Centred; a window taller or wider than the screen keeps its top-left corner (and with
        // it the caption buttons) on the screen.
        const QRect area = screen->availableGeometry();
        const QPoint centred = area.center() - QPoint(m_w / 2, m_h / 2);
        move(std::max(centred.x(), area.left()), std::max(centred.y(), area.top()));
    }
    m_initialised = true;
    // The window icon is set right after the first frame (see paintEvent): decoding its four
    // pictures is not worth delaying the window for.
}

void ControlPanelDlg::applyStartSettings() {
    UISlider* volume = m_controls->volumeSlider;
    volume->setValue(TextOps::decimalValue(readConfig(ConfigKeys::kVolume, "0")));
    m_playback->SetVolume(volume->value(), volume->length());
    if (readConfig(ConfigKeys::kMute, "1") == QLatin1String("2")) {
        m_controls->volumeIco->setButtonImg(2);
        m_playback->SetMuted(true);
    }
    m_playback->SetSoundEffect(TextOps::decimalValue(readConfig(ConfigKeys::kSoundEffect, "0")));
    // The bar starts empty: a filled stretch at 00:00 would tell of progress that is not there.
    m_controls->positionSlider->setValue(0);
}

void ControlPanelDlg::applyWindowIcon() {
    QIcon icon;
    const QString res = DataDirectory::resourceDirectory();
    for (const char* name : {"orvo_16.png", "orvo_32.png", "orvo_64.png", "orvo.png"}) {
        const QString file = res + QLatin1String(name);
        if (QFileInfo::exists(file)) icon.addFile(file);
    }
    if (icon.isNull()) return;
    setWindowIcon(icon);
    m_events->ShowTrayIcon(icon);
}

void ControlPanelDlg::applyMinimumSize() {
    // The content never gets smaller than the layout allows; the translucent margin comes on top.
    setMinimumSize(WindowGeometry::kMinWidth + inset(), WindowGeometry::kMinHeight + inset());
}

void ControlPanelDlg::LayoutControls(int inset, int listScrollFlag) {
    m_layout->LayoutControls(m_w, m_h, inset, m_controls->musicNameLable->text(), listScrollFlag);
}

void ControlPanelDlg::saveSettings() {
    if (m_settingsSaved || !m_controls) return;
    m_settingsSaved = true;
    const QString lastPlayed = m_playback->currentPath();
    if (m_audioStarted) {
        // The stream goes before the library frees every stream underneath it.
        m_playback->Stop();
        m_playback->setApi(nullptr);
        AudioLibrary::api()->free();
        m_audioStarted = false;
    }
    StoreBinding::WriteConfigValue(QString::fromLatin1(ConfigKeys::kWndSize),
                                   WindowGeometry::FormatWindowSize(m_w, m_h, inset()));
    StoreBinding::WriteConfigValue(QString::fromLatin1(ConfigKeys::kLoop),
                                   isLoop() ? QStringLiteral("2") : QStringLiteral("1"));
    StoreBinding::WriteConfigValue(
        QString::fromLatin1(ConfigKeys::kMute),
        m_controls->volumeIco->GetButtonImg() == 1 ? QStringLiteral("1") : QStringLiteral("2"));
    StoreBinding::WriteConfigValue(QString::fromLatin1(ConfigKeys::kVolume),
                                   m_controls->volumeSlider->value());
    StoreBinding::WriteConfigValue(QString::fromLatin1(ConfigKeys::kLastPlayFile), lastPlayed);
    StoreBinding::WriteConfigValue(QString::fromLatin1(ConfigKeys::kSoundEffect),
                                   m_playback->soundEffect());
}

bool ControlPanelDlg::isLoop() const { return m_playback->isLoop(); }
QString ControlPanelDlg::currentPath() const { return m_playback->currentPath(); }
QString ControlPanelDlg::currentTitle() const { return m_playback->currentTitle(); }
int ControlPanelDlg::currentIndex() const { return m_playback->currentIndex(); }

// --- hand-over -------------------------------------------------------------------------------

void ControlPanelDlg::OpenHandedOverFile(const QString& path) { OpenHandedOverFiles({path}); }

void ControlPanelDlg::OpenHandedOverFiles(const QStringList& paths) {
    m_events->ShowWindow();
    // A second start without a file only brings the window up.
    if (std::all_of(paths.cbegin(), paths.cend(), [](const QString& p) { return p.isEmpty(); }))
        return;
    // A hand-over can come before the first frame started the audio library.
    ensureAudio();
    m_playList->OpenHandedOverFiles(paths);
}

void ControlPanelDlg::ApplySoundEffect(qintptr wParam, qintptr lParam) {
    m_playback->SetSoundEffect(Playback::EffectFromMessage(wParam, lParam));
}

// --- control events --------------------------------------------------------------------------

bool ControlPanelDlg::SetButtonContorEvent(tagUIButtonInfo info) {
    return m_events->SetButtonContorEvent(info);
}

bool ControlPanelDlg::SetSliderContorEvent(tagUISliderInfo info) {
    return m_events->SetSliderContorEvent(info);
}

bool ControlPanelDlg::SetListContorEvent(tagUIListInfo info, tagFileListInfo item) {
    return m_events->SetListContorEvent(info, item);
}

bool ControlPanelDlg::SetListEditEvent(tagUIListEditInfo info) {
    return m_events->SetListEditEvent(info);
}

void ControlPanelDlg::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void ControlPanelDlg::dropEvent(QDropEvent* e) {
    const QList<QUrl> urls = e->mimeData()->urls();
    e->acceptProposedAction();
    m_playList->AddDroppedFiles(urls);
}

// --- geometry and appearance -----------------------------------------------------------------

void ControlPanelDlg::SetTranslucent(bool on) {
    const int half = WindowGeometry::kTranslucentInset / 2;
    if (on != m_translucent) {
        // A fade still running ends at its target first, so the skin button comes back.
        m_fader.finish();
        const QRect r = geometry();
        if (on) {
            m_translucent = true;
            m_canvas->setTranslucent(true);
            m_w += WindowGeometry::kTranslucentInset;
            m_h += WindowGeometry::kTranslucentInset;
            m_canvas->setWindowSize(m_w, m_h);
            // The window grows around its content, which stays put on the screen.
            setGeometry(r.x() - half, r.y() - half, m_w, m_h);
            applyMinimumSize();
            m_layout->ShiftVertical(half);
            LayoutControls(WindowGeometry::kTranslucentInset);
        } else {
            m_w -= WindowGeometry::kTranslucentInset;
            m_h -= WindowGeometry::kTranslucentInset;
            m_canvas->setWindowSize(m_w, m_h);
            m_translucent = false;
            applyMinimumSize();
            setGeometry(r.x() + half, r.y() + half, m_w, m_h);
            m_canvas->setFullRepaint(true);
            m_canvas->setTranslucent(false);
            m_layout->ShiftVertical(-half);
            LayoutControls(0);
        }
        m_canvas->OnInit();
        update();
    }
    StoreBinding::WriteConfigValue(QString::fromLatin1(ConfigKeys::kEnTransparent), on ? 1 : 0);
}

void ControlPanelDlg::SetOpacity(int alpha) {
    if (!m_translucent) return;
    m_transparency = std::clamp(alpha, 1, 255);
    m_canvas->setOpacity(m_transparency);
    m_canvas->OnInit();
    update();
}

void ControlPanelDlg::ChangeBackground(const tagUiBgSkinInfo& info, int targetOpacity) {
    m_fader.stop();
    m_background = loadSkinPicture(info);
    m_maskColor = info.maskcolor;
    m_canvas->setBackground(m_background);
    m_canvas->setMaskColor(m_maskColor);
    if (!m_translucent || !m_fader.start(targetOpacity)) {
        // Opaque, or a target below the first fade step: show the new picture at once.
        m_canvas->OnInit();
        m_canvas->setFullRepaint(true);
        update();
        backgroundDone();
    }
}

void ControlPanelDlg::fadeStep(int opacity) {
    m_canvas->setOpacity(opacity);
    m_canvas->OnInit();
    update();
}

void ControlPanelDlg::backgroundDone() {
    if (!m_controls->skinButton->isEnabled()) {
        m_controls->skinButton->setEnabled(true);
        m_canvas->UpdateCanvar(m_controls->skinButton);
    }
    emit backgroundChanged();
}

void ControlPanelDlg::ApplyRandomSkin() {
    UIButton* button = m_controls->skinButton;
    if (!button->isEnabled()) return;
    QList<tagUiBgSkinInfo> skins;
    StoreBinding::CallSkinList(1, &skins);
    skins.removeIf([](const tagUiBgSkinInfo& skin) {
        return SkinPaths::filePath(skin.id, skin.fname).isEmpty();
    });
    // With one usable skin or none there is nothing to change to.
    if (skins.size() < 2) return;
    button->setEnabled(false);
    m_canvas->UpdateCanvar(button);
    const tagUiBgSkinInfo chosen = skins.at(QRandomGenerator::global()->bounded(skins.size()));
    ChangeBackground(chosen, m_transparency);
}

// --- window events ---------------------------------------------------------------------------

bool ControlPanelDlg::event(QEvent* e) {
    if (e->type() == QEvent::KeyPress || e->type() == QEvent::ShortcutOverride) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        // Escape and Return would end a dialog; the player's window ignores them.
        if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter) {
            e->accept();
            return true;
        }
    }
    if (e->type() == QEvent::ToolTip && m_canvas) {
        m_canvas->MouseHover(static_cast<QHelpEvent*>(e)->pos());
        return true;
    }
    return QWidget::event(e);
}

void ControlPanelDlg::paintEvent(QPaintEvent* e) {
    QPainter painter(this);
    m_canvas->Paint(painter, e->rect());
    if (!m_firstPaintDone) {
        m_firstPaintDone = true;
        // Both run once the first frame has gone out.
        if (m_tracePaint) QTimer::singleShot(0, this, &ControlPanelDlg::traceFirstPaint);
        QTimer::singleShot(0, this, &ControlPanelDlg::applyWindowIcon);
        QTimer::singleShot(0, this, &ControlPanelDlg::startAudio);
    }
}

void ControlPanelDlg::startAudio() {
    // "autoplay" only for the start itself: a hand-over that came first has chosen the song.
    const bool first = !m_audioStarted;
    if (ensureAudio() && first &&
        TextOps::decimalValue(readConfig(ConfigKeys::kAutoPlay, "0")) != 0) {
        m_playList->RestoreLastPlayed();
    }
}

bool ControlPanelDlg::ensureAudio() {
    if (m_audioStarted || m_settingsSaved) return m_audioStarted;
    // Default device at 44.1 kHz; without a device the library falls back to its null output.
    const OrvoAudio::Api* audio = AudioLibrary::api();
    m_audioStarted = audio != nullptr && audio->init(-1, 44100);
    if (m_audioStarted) m_playback->setApi(audio);
    return m_audioStarted;
}

void ControlPanelDlg::traceFirstPaint() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::fprintf(stderr, "orvo-startup first-paint %lld\n",
                 static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
    std::fflush(stderr);
}

void ControlPanelDlg::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (!m_initialised) return;
    m_w = width();
    m_h = height();
    m_canvas->setWindowSize(m_w, m_h);
    LayoutControls(inset());
    m_display->UpdateMarquee();
    m_canvas->OnInit();
    if (!m_translucent) m_canvas->setFullRepaint(true);
    update();
}

void ControlPanelDlg::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (const QScreen* s = screen()) setMaximumSize(s->size().expandedTo(minimumSize()));
}

void ControlPanelDlg::closeEvent(QCloseEvent* e) {
    m_fader.stop();
    saveSettings();
    QWidget::closeEvent(e);
}

void ControlPanelDlg::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    const QPoint pt = e->position().toPoint();
    const HitCode code = WindowGeometry::HitTest(rect(), pt, m_canvas->IsOperationControl(pt));
    if (code == HitCode::Client) {
        m_canvas->LButtonDown(pt, e->modifiers());
    } else {
        m_frameDrag.press(code, e);
    }
}

void ControlPanelDlg::mouseMoveEvent(QMouseEvent* e) {
    if (m_frameDrag.follow(e)) return;
    const QPoint pt = e->position().toPoint();
    if (e->buttons() == Qt::NoButton) {
        m_frameDrag.hover(WindowGeometry::HitTest(rect(), pt, m_canvas->IsOperationControl(pt)));
    }
    m_canvas->MouseMove(pt);
}

void ControlPanelDlg::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || m_frameDrag.release()) return;
    m_canvas->LButtonUp(e->position().toPoint());
}

void ControlPanelDlg::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    const QPoint pt = e->position().toPoint();
    const HitCode code = WindowGeometry::HitTest(rect(), pt, m_canvas->IsOperationControl(pt));
    // The body and the edges belong to the frame; only controls see double clicks.
    if (code == HitCode::Client) m_canvas->LBUTTONDBCLICK(this, pt);
}

void ControlPanelDlg::leaveEvent(QEvent* e) {
    QWidget::leaveEvent(e);
    m_frameDrag.hover(HitCode::Client);
    m_canvas->MouseLeave();
}

void ControlPanelDlg::wheelEvent(QWheelEvent* e) {
    m_canvas->MouseWheel(e->position().toPoint(), e->angleDelta().y());
}

void ControlPanelDlg::keyPressEvent(QKeyEvent* e) {
    if (!m_canvas->KeyPress(e->key(), e->modifiers())) QWidget::keyPressEvent(e);
}

void ControlPanelDlg::contextMenuEvent(QContextMenuEvent* e) { m_canvas->ContextMenu(e->pos()); }
