#pragma once

#include "install/PendingDownloads.h"

#include <QList>
#include <QObject>

class Download;
struct DownloadContext;
class QNetworkAccessManager;
class QNetworkReply;
class ShellHost;

// Installs web apps: downloads the icon, makes the app folder with icon.png
// and app.con in the Apps folder beside the program, shows the icon on the
// home page and returns to the home screen. Page script asks for one
// (downloadapp); so does the user adding a site from the Browser (addSite).
class WebAppInstaller : public QObject
{
    Q_OBJECT

public:
    WebAppInstaller(ShellHost &host, QObject *parent = nullptr);

    // Returns once the "Download Started" box is dismissed; the download
    // goes on after that.
    void downloadapp(const QString &appname, const QString &applink, const QString &icon);
    // The user's app for a site: never replaces an app of that name, and an
    // icon that cannot be had or shown (none, failed, beyond the bounds, no
    // picture) leaves the folder without one: the grid's placeholder shows.
    void addSite(const QString &appname, const QString &applink, const QString &icon);
    // Completes the download whose reply this is; anything else is ignored.
    void fileDownloaded(QNetworkReply *reply);
    // The number of installations under way.
    int pending() const { return downloads.count(); }

private:
    bool refused(const QString &appname, const QString &applink);
    void complete(Download *download);
    void installed(const DownloadContext &app);
    bool install(const DownloadContext &app, Download *icon, bool placeholder, QString *why);

    ShellHost &host;
    // Made by the host at the first request, so a manager the host hands out
    // later (a test's) is the one used.
    QNetworkAccessManager *network();
    QNetworkAccessManager *manager = nullptr;
    PendingDownloads downloads;
    // Downloads of sites' icons, where a failure leaves the placeholder.
    QList<const Download *> siteIcons;
};
