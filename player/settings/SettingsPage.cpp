#include "SettingsPage.h"

#include <utility>

SettingsPage::SettingsPage(QString title) : m_title(std::move(title)) {}

SettingsPage::~SettingsPage() = default;

QWidget* SettingsPage::CreatePage(QWidget* sheet) {
    // A window left from an earlier opening belongs to a sheet that is gone or going.
    auto* page = new QWidget(sheet);
    page->setObjectName(m_title);
    page->setWindowTitle(m_title);
    m_page = page;
    OnInitDialog(page);
    return page;
}

void SettingsPage::ApplyIfShown() {
    if (m_page) OnOK();
}
