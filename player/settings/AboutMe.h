#pragma once
// The "关于" page, the first of the settings sheet: what the player is, how to reach its maker
// and a link to the web site. It sizes itself to 300 x 350, which the sheet lays itself out by.
// Thread: UI thread only.

#include "SettingsPage.h"

#include <QSize>
#include <QString>

class AboutMe : public SettingsPage {
public:
    static constexpr QSize kPageSize{300, 350};

    AboutMe();

    // The four paragraphs, each after eight spaces and followed by an empty line.
    static QString Description();
    // "mail:" + address + three spaces + "QQ:" + number.
    static QString ContactLine();
    // "http://" + the web site's host: the link's text and what it opens.
    static QString SiteAddress();

protected:
    void OnInitDialog(QWidget* page) override;
};
