#pragma once
#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QUrl>

// Takes the http addresses the program asks the desktop to open, while it lives.
class UrlCatcher : public QObject {
    Q_OBJECT

public:
    UrlCatcher() { QDesktopServices::setUrlHandler("http", this, "Open"); }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler("http"); }

    QList<QUrl> opened;

public slots:
    void Open(const QUrl& url) { opened.append(url); }
};
