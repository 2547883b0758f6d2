#pragma once

#include "install/PendingDownloads.h"

#include <QObject>

class Download;
class QNetworkAccessManager;
class QNetworkReply;
class QUrl;
class ShellHost;

// Installs app packages (folder archives, ".lpk") into the Apps folder
// beside the program: installLpk as a new app that the home page is told
// about, LoadPack silently into a named app folder. A package that fails to
// download or to unpack installs nothing.
class PackageInstaller : public QObject
{
    Q_OBJECT

public:
    PackageInstaller(ShellHost &host, QObject *parent = nullptr);

    // Returns once the "Download Started" box is dismissed.
    void installLpk(const QString &path);
    void filesysDownloaded(QNetworkReply *reply);
    // Returns at once; nothing is shown unless it fails.
    void LoadPack(const QString &path, const QString &ap);
    void PackDownloaded(QNetworkReply *reply);

    // The package name of an address: its last segment (query included) up
    // to its last ".": /store/Maps.lpk gives Maps. Packages are named by the
    // address the page asked for, not by where a server redirected it.
    static QString packageName(const QUrl &url);
    int pending() const { return installs.count() + loads.count(); }

private:
    Download *start(const QString &path, const QString &target, PendingDownloads &list,
                    void (PackageInstaller::*completion)(Download *));
    void completeInstall(Download *download);
    void completeLoad(Download *download);
    bool unpack(Download *download, const QString &name, const QString &folder);

    ShellHost &host;
    // Made by the host at the first request, so a manager the host hands out
    // later (a test's) is the one used.
    QNetworkAccessManager *network();
    QNetworkAccessManager *manager = nullptr;
    PendingDownloads installs;
    PendingDownloads loads;
};
