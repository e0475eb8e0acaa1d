#pragma once
// Page 4 of the settings sheet, "版本检测": a button that asks the version service whether a newer
// version exists, a busy animation while it waits, and the answer as a link (to the download
// page, to the help page on failure) or as plain text when this version is the newest. The page
// has nothing to apply on OK.
//
// Thread: UI thread only. The check (VersionCheck) is a child of the page window: closing the
// sheet during a check ends it, and its answer never reaches a window that is gone.

#include "settings/SettingsPage.h"
#include "update/VersionCheck.h"

#include <QPointer>

class CPictureEx;
class QLabel;
class QPushButton;

class SoftUpdate : public SettingsPage {
public:
    SoftUpdate();
    ~SoftUpdate() override;

    // The addresses the result link may open; nothing else is ever opened.
    static QString downloadUrl();
    static QString faqUrl();
    // The result link's text for an outcome: anchor markup, or plain text for "newest".
    static QString ResultText(const VersionCheck::Result& result);

protected:
    void OnInitDialog(QWidget* page) override;

private:
    void OnCheckClicked();
    void OnCheckFinished(const VersionCheck::Result& result);
    static void OnLinkClicked(const QString& url);

    QPointer<CPictureEx> m_picture;  // "1024"
    QPointer<QPushButton> m_button;  // "1017"
    QPointer<QLabel> m_link;         // "1026"
    QPointer<VersionCheck> m_check;
};
