#pragma once

#include "install/PendingDownloads.h"

#include <QObject>

class Download;
class QNetworkAccessManager;
class QNetworkReply;
class ShellHost;

// Installs web apps: downloads the icon, makes the app folder with icon.png
// and app.con in the Apps folder beside the program, shows the icon on the
// home page and returns to the home screen.
class WebAppInstaller : public QObject
{
    Q_OBJECT

public:
    WebAppInstaller(ShellHost &host, QObject *parent = nullptr);

    // Returns once the "Download Started" box is dismissed; the download
    // goes on after that.
    void downloadapp(const QString &appname, const QString &applink, const QString &icon);
    // Completes the download whose reply this is; anything else is ignored.
    void fileDownloaded(QNetworkReply *reply);
    // The number of installations under way.
    int pending() const { return downloads.count(); }

private:
    void complete(Download *download);
    bool install(Download *download, QString *why);

    ShellHost &host;
    // Made by the host at the first request, so a manager the host hands out
    // later (a test's) is the one used.
    QNetworkAccessManager *network();
    QNetworkAccessManager *manager = nullptr;
    PendingDownloads downloads;
};
