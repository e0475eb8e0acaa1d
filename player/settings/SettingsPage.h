#pragma once
// One page of the settings sheet. The page object lives as long as the main window; its window
// is made anew at every opening of the sheet (load on open), is owned by the sheet and dies with
// it. OK applies only the pages whose window was made during that opening; Cancel applies
// nothing. Thread: UI thread only.

#include <QPointer>
#include <QString>
#include <QWidget>

class SettingsPage {
public:
    explicit SettingsPage(QString title);
    virtual ~SettingsPage();
    SettingsPage(const SettingsPage&) = delete;
    SettingsPage& operator=(const SettingsPage&) = delete;

    // The row text of the navigation list and the caption of the page.
    const QString& title() const { return m_title; }

    // Makes the page's window as a child of the sheet and loads its state (OnInitDialog).
    QWidget* CreatePage(QWidget* sheet);
    // The window made during this opening of the sheet, or null.
    QWidget* page() const { return m_page.data(); }
    // The sheet's OK: applies the page when its window exists.
    void ApplyIfShown();

protected:
    // Builds the controls into page and fills them from the stored state.
    virtual void OnInitDialog(QWidget* page) = 0;
    // Stores what the page changed; default: nothing to store.
    virtual void OnOK() {}

private:
    QString m_title;
    QPointer<QWidget> m_page;
};
