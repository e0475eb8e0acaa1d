#include "SoftUpdate.h"

#include "core/WebSite.h"
#include "update/CPictureEx.h"

#include "platform/DataDirectory.h"

#include <QDesktopServices>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {
QString address(const char* path) {
    return QStringLiteral("http://") + QLatin1String(WebSite::kHost) + QLatin1String(path);
}

QString anchor(const QString& target, const QString& text) {
    return QStringLiteral("<a href=\"") + target + QStringLiteral("\">") + text +
           QStringLiteral("</a>");
}

// Height of the busy animation (res/checknew.gif).
constexpr int kBusyRowHeight = 32;
}  // namespace

SoftUpdate::SoftUpdate() : SettingsPage(QStringLiteral("版本检测")) {}

SoftUpdate::~SoftUpdate() {
    // Its window calls back into the page object, so it cannot outlive it (a sheet still open
    // when the page objects go).
    delete page();
}

QString SoftUpdate::downloadUrl() { return address("/download.html"); }

QString SoftUpdate::faqUrl() { return address("/faq.html"); }

QString SoftUpdate::ResultText(const VersionCheck::Result& result) {
    switch (result.outcome) {
        case VersionCheck::Outcome::Disconnected:
            return anchor(faqUrl(), QStringLiteral("网络连接断开,请检查网络设置"));
        case VersionCheck::Outcome::NetworkError:
            return anchor(faqUrl(), QStringLiteral("网络发生异常,请检查网络设置"));
        case VersionCheck::Outcome::Replied:
            break;
    }
    const VersionReply::Reading& reading = result.reading;
    switch (reading.verdict) {
        case VersionReply::Verdict::Broken:
            return anchor(faqUrl(), QStringLiteral("获取版本信息出错,请检查网络设置"));
        case VersionReply::Verdict::Latest:
            return QStringLiteral("您使用的是最新版本,无需升级");
        case VersionReply::Verdict::Newer:
            break;
    }
    // The server's words are shown as text: markup in them must not become links or pictures.
    return anchor(downloadUrl(),
                  QStringLiteral("发现最新版本%1(%2),请点击更新")
                      .arg(reading.version.toHtmlEscaped(), reading.time.toHtmlEscaped()));
}

void SoftUpdate::OnInitDialog(QWidget* page) {
    auto* group = new QGroupBox(QStringLiteral("版本检测"), page);
    auto* about = new QLabel(QStringLiteral("版本检测功能帮助您的软件保持最新版本"), group);
    about->setObjectName(QStringLiteral("1022"));
    about->setWordWrap(true);

    m_button = new QPushButton(QStringLiteral("检测新版本"), group);
    m_button->setObjectName(QStringLiteral("1017"));
    m_picture = new CPictureEx(group);
    m_picture->setObjectName(QStringLiteral("1024"));
    m_picture->hide();
    m_link = new QLabel(group);
    m_link->setObjectName(QStringLiteral("1026"));
    m_link->setWordWrap(true);
    m_link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    m_link->setOpenExternalLinks(false);
    // Room for two lines kept while hidden: the box does not grow when the answer comes.
    QSizePolicy keep = m_link->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    m_link->setSizePolicy(keep);
    m_link->setMinimumHeight(2 * m_link->fontMetrics().lineSpacing());
    m_link->hide();

    // The row keeps the busy picture's height whether it shows or not, so showing it moves
    // nothing.
    auto* strut = new QWidget(group);
    strut->setFixedSize(0, kBusyRowHeight);
    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    row->addWidget(m_button);
    row->addWidget(m_picture);
    row->addWidget(strut);
    row->addStretch();
    auto* inner = new QVBoxLayout(group);
    inner->setSpacing(12);
    inner->addWidget(about);
    inner->addLayout(row);
    inner->addWidget(m_link);
    auto* outer = new QVBoxLayout(page);
    outer->setContentsMargins(10, 10, 10, 10);
    outer->addWidget(group);
    outer->addStretch();

    m_check = new VersionCheck(page);
    QObject::connect(m_button, &QPushButton::clicked, page, [this] { OnCheckClicked(); });
    QObject::connect(m_check, &VersionCheck::finished, page,
                     [this](const VersionCheck::Result& result) { OnCheckFinished(result); });
    QObject::connect(m_link, &QLabel::linkActivated, page, &SoftUpdate::OnLinkClicked);
}

void SoftUpdate::OnCheckClicked() {
    if (!m_check || m_check->isRunning()) return;
    m_link->hide();
    m_picture->show();
    m_picture->load(DataDirectory::resourceDirectory() + QStringLiteral("checknew.gif"));
    m_picture->play();
    m_button->setEnabled(false);
    m_check->start();
}

void SoftUpdate::OnCheckFinished(const VersionCheck::Result& result) {
    // Hidden, the animation would only wake its thread for nothing.
    m_picture->stop();
    m_picture->hide();
    const QString text = ResultText(result);
    m_link->setTextFormat(text.startsWith(QLatin1String("<a ")) ? Qt::RichText : Qt::PlainText);
    m_link->setText(text);
    m_link->show();
    m_button->setEnabled(true);
}

void SoftUpdate::OnLinkClicked(const QString& url) {
    if (url == downloadUrl()) QDesktopServices::openUrl(QUrl(url));
    if (url == faqUrl()) QDesktopServices::openUrl(QUrl(url));
}
