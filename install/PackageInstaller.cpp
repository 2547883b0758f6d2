#include "install/PackageInstaller.h"

#include "install/Download.h"
#include "install/FolderCompressor.h"
#include "install/InstallMessages.h"
#include "shell/AppFolderName.h"
#include "shell/AppIcon.h"
#include "shell/ScriptCall.h"
#include "shell/ShellHost.h"

#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QStackedWidget>

PackageInstaller::PackageInstaller(ShellHost &host, QObject *parent) : QObject(parent), host(host)
{
}

QNetworkAccessManager *PackageInstaller::network()
{
    if (!manager)
        manager = host.newNetworkManager(this);
    return manager;
}

QString PackageInstaller::packageName(const QUrl &url)
{
    const QString address = url.toString();
    const QString file = address.mid(address.lastIndexOf(QLatin1Char('/')) + 1);
    const int dot = file.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? file : file.left(dot);
}

Download *PackageInstaller::start(const QString &path, const QString &target,
                                  PendingDownloads &list,
                                  void (PackageInstaller::*completion)(Download *))
{
    // The package lands in a file of its own in the Apps folder, so that two
    // installations never share one.
    return list.start(network(), QNetworkRequest(QUrl(path)), host.appsFolder(),
                      {QString(), QString(), QString(), target}, this,
                      [this, completion](Download *done) { (this->*completion)(done); });
}

void PackageInstaller::installLpk(const QString &path)
{
    start(path, QString(), installs, &PackageInstaller::completeInstall);
    host.message(InstallMessages::started());
}

void PackageInstaller::filesysDownloaded(QNetworkReply *reply)
{
    if (Download *d = installs.takeFinished(reply))
        completeInstall(d);
}

void PackageInstaller::LoadPack(const QString &path, const QString &ap)
{
    if (!AppFolder::isSafeName(ap)) {
        host.message(InstallMessages::badName(ap));
        return;
    }
    start(path, ap, loads, &PackageInstaller::completeLoad);
}

void PackageInstaller::PackDownloaded(QNetworkReply *reply)
{
    if (Download *d = loads.takeFinished(reply))
        completeLoad(d);
}

bool PackageInstaller::unpack(Download *download, const QString &name, const QString &folder)
{
    if (!download->succeeded()) {
        // The user who cancelled it needs no word.
        if (!download->wasCancelled())
            host.message(InstallMessages::downloadFailed(download->errorString()));
        return false;
    }
    if (!AppFolder::isSafeName(folder)) {
        host.message(InstallMessages::badName(folder));
        return false;
    }
    FolderCompressor compressor;
    const QString app = host.appsFolder() + QLatin1Char('/') + folder;
    if (!compressor.unpackArchive(download->bodyPath(), app)) {
        host.message(InstallMessages::notInstalled(name, compressor.errorString()));
        return false;
    }
    // The package's icon as the grid needs it, before anything shows it.
    AppIcon::prepare(AppIcon::pathIn(app));
    return true;
}

void PackageInstaller::completeInstall(Download *download)
{
    // Named by the address asked for: a redirect chooses no other app.
    const QString name = packageName(download->requestedUrl());
    const QString apps = QDir(host.appsFolder()).absolutePath();
    // A package that replaces an installed app keeps the icon the home
    // screen already shows for it, instead of adding another.
    const bool replacing =
        AppFolder::isSafeName(name) && QFileInfo(apps + QLatin1Char('/') + name).isDir();
    if (unpack(download, name, name)) {
        host.message(InstallMessages::installed(name));
        if (!replacing)
            ScriptCall::run(host.homeFrame(), QStringLiteral("createwebapp"),
                            {AppIcon::forNewTile(apps, name), name, name});
        if (host.stack())
            host.stack()->hide();
    }
    download->deleteLater();
}

void PackageInstaller::completeLoad(Download *download)
{
    unpack(download, packageName(download->requestedUrl()), download->context().target);
    download->deleteLater();
}
