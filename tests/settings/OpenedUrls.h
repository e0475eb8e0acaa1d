#pragma once
// Catches the http addresses a page asks the desktop to open, while it lives.

#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QUrl>

class OpenedUrls : public QObject {
    Q_OBJECT
public:
    OpenedUrls() { QDesktopServices::setUrlHandler("http", this, "open"); }
    ~OpenedUrls() override { QDesktopServices::unsetUrlHandler("http"); }
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }
};
