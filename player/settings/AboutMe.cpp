#include "AboutMe.h"

#include "core/WebSite.h"

#include <QDesktopServices>
#include <QGroupBox>
#include <QLabel>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr const char* kParagraphs[] = {
    "欧沃是一款完全免费、不存在任何功能或时间限制、简单易用的全格式音乐播放器",
    "自主研发的界面库，完全做到了在不损失绘图效率下达到炫酷界面效果。",
    "欧沃拥有华丽简洁的界面，用户可以根据自我喜好，"
    "调节界面透明度或背景图片，完全媲美WIN7华丽界面。",
    "支持MP3/mp3PRO、AAC/AAC+、WMA、APE、MPC、OGG、FLAC、AIFF等音频格式,"
    "支持ID3v1/v2、OGG、WMA、FALC、APE标签。"};

}  // namespace

AboutMe::AboutMe() : SettingsPage(QStringLiteral("关于")) {}

QString AboutMe::Description() {
    QString text;
    for (const char* paragraph : kParagraphs)
        text += QStringLiteral("        ") + QString::fromUtf8(paragraph) + QStringLiteral("\n\n");
    return text;
}

QString AboutMe::ContactLine() {
    return QStringLiteral("mail:") + QLatin1String(WebSite::kContactMail) +
           QStringLiteral("   QQ:") + QLatin1String(WebSite::kContactQQ);
}

QString AboutMe::SiteAddress() { return QStringLiteral("http://") + QLatin1String(WebSite::kHost); }

void AboutMe::OnInitDialog(QWidget* page) {
    page->resize(kPageSize);

    auto* frame = new QGroupBox(QStringLiteral("关于"), page);
    QString text = Description();
    while (text.endsWith(QLatin1Char('\n'))) text.chop(1);  // the last empty line is the box's
    auto* description = new QLabel(text, frame);
    description->setWordWrap(true);
    description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* contact = new QLabel(ContactLine(), frame);
    contact->setObjectName(QStringLiteral("1016"));
    contact->setTextInteractionFlags(Qt::TextSelectableByMouse);
    contact->setWordWrap(true);  // a wide face breaks the line rather than cutting it off
    const QString site = SiteAddress();
    auto* link =
        new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(site.toHtmlEscaped()), frame);
    link->setObjectName(QStringLiteral("1026"));
    link->setTextFormat(Qt::RichText);
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    // Whatever link was clicked, the site's home page opens.
    QObject::connect(link, &QLabel::linkActivated, link,
                     [site] { QDesktopServices::openUrl(QUrl(site)); });

    auto* inner = new QVBoxLayout(frame);
    inner->setContentsMargins(8, 2, 6, 6);
    inner->setSpacing(2);
    inner->addWidget(description, 1);
    inner->addWidget(contact);
    inner->addWidget(link);
    auto* outer = new QVBoxLayout(page);
    outer->setContentsMargins(4, 0, 4, 4);
    outer->addWidget(frame);
}
