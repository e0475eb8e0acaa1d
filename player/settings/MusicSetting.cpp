#include "MusicSetting.h"

#include "SettingsTarget.h"
#include "app/InstanceKey.h"
#include "core/ConfigKeys.h"
#include "core/StoreBinding.h"
#include "platform/Autostart.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QWidget>

const QRect MusicSetting::kAutoPlayBox(20, 72, 240, 22);
const QRect MusicSetting::kAutoStartBox(20, 104, 240, 22);

namespace {

constexpr int kEffectCount = 6;

QString key(const char* name) { return QString::fromLatin1(name); }

}  // namespace

MusicSetting::MusicSetting(SettingsTarget& target)
    : SettingsPage(QStringLiteral("播放器设置")), m_target(target) {}

QStringList MusicSetting::EffectNames() {
    return {QStringLiteral("原音"),   QStringLiteral("流行音乐"), QStringLiteral("摇滚"),
            QStringLiteral("金属乐"), QStringLiteral("舞曲"),     QStringLiteral("电子乐")};
}

std::pair<qintptr, qintptr> MusicSetting::EffectMessage(int choice) {
    return choice == 0 ? std::pair<qintptr, qintptr>{1, -1}
                       : std::pair<qintptr, qintptr>{0, choice - 1};
}

void MusicSetting::OnInitDialog(QWidget* page) {
    auto* label = new QLabel(QStringLiteral("音效设置"), page);
    m_effects = new QComboBox(page);
    m_effects->setObjectName(QStringLiteral("1005"));
    m_effects->addItems(EffectNames());
    const int effect =
        StoreBinding::ReadConfigNumber(key(ConfigKeys::kSoundEffect), QStringLiteral("0"));
    m_effects->setCurrentIndex(effect >= 0 && effect < kEffectCount ? effect : 0);

    m_autoPlay = new QCheckBox(QStringLiteral("播放器启动后自动播放"), page);
    m_autoPlay->setObjectName(QStringLiteral("1007"));
    m_autoPlay->setChecked(
        StoreBinding::ReadConfigNumber(key(ConfigKeys::kAutoPlay), QStringLiteral("0")) != 0);
    m_autoStart = new QCheckBox(QStringLiteral("开机自动开启播放器"), page);
    m_autoStart->setObjectName(QStringLiteral("1008"));
    m_autoStart->setChecked(Autostart::isEnabled());

    // Places as a dialog template gives them, in the page's pixels.
    label->setGeometry(20, 26, 70, 22);
    m_effects->setGeometry(96, 24, 130, 26);
    m_autoPlay->setGeometry(kAutoPlayBox);
    m_autoStart->setGeometry(kAutoStartBox);

    // Connected after the stored choice is shown: only the user's choices act.
    QObject::connect(m_effects, &QComboBox::currentIndexChanged, page,
                     [this](int choice) { OnSelchangeEffect(choice); });
}

void MusicSetting::OnSelchangeEffect(int choice) {
    if (choice < 0 || choice >= kEffectCount) return;
    // Only a window that is really the player's main window takes the message.
    QWidget* window = m_target.targetWindow();
    if (!window || window->property(OrvoInstance::kInstanceKey) != QVariant(1)) return;
    const auto [wParam, lParam] = EffectMessage(choice);
    m_target.ApplySoundEffect(wParam, lParam);
    StoreBinding::WriteConfigValue(key(ConfigKeys::kSoundEffect), choice);
}

void MusicSetting::OnOK() {
    if (m_autoStart) {
        const bool done = m_autoStart->isChecked()
                              ? Autostart::enable(QCoreApplication::applicationFilePath())
                              : Autostart::disable();
        if (!done)
            qWarning("autostart entry %s could not be changed", qPrintable(Autostart::entryPath()));
    }
    if (m_autoPlay) {
        StoreBinding::WriteConfigValue(key(ConfigKeys::kAutoPlay), m_autoPlay->isChecked()
                                                                       ? QStringLiteral("1")
                                                                       : QStringLiteral("0"));
    }
}
