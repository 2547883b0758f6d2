#include "install/WebAppInstaller.h"

#include "install/Download.h"
#include "install/DownloadProgress.h"
#include "install/InstallMessages.h"
#include "shell/AppDescriptor.h"
#include "shell/AppFolderName.h"
#include "shell/AppIcon.h"
#include "shell/BoundedXml.h"
#include "shell/ScriptCall.h"
#include "shell/ShellHost.h"

#include <QDir>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSaveFile>
#include <QStackedWidget>

WebAppInstaller::WebAppInstaller(ShellHost &host, QObject *parent) : QObject(parent), host(host) {}

QNetworkAccessManager *WebAppInstaller::network()
{
    if (!manager)
        manager = host.newNetworkManager(this);
    return manager;
}

bool WebAppInstaller::refused(const QString &appname, const QString &applink)
{
    if (!AppFolder::isSafeName(appname)) {
        host.message(InstallMessages::badName(appname));
        return true;
    }
    // A descriptor the shell would refuse to read back makes an app that
    // never opens.
    if (AppDescriptor::webDescriptor(applink).size() > BoundedXml::maxBytes) {
        host.message(
            InstallMessages::notInstalled(appname, QStringLiteral("its address is too long")));
        return true;
    }
    return false;
}

void WebAppInstaller::downloadapp(const QString &appname, const QString &applink,
                                  const QString &icon)
{
    if (refused(appname, applink))
        return;
    // The download belongs to the installer, not to this call: it outlives
    // the box below.
    Download *d = downloads.start(network(), QNetworkRequest(QUrl(icon)), host.appsFolder(),
                                  {appname, applink, icon, QString()}, this,
                                  [this](Download *done) { complete(done); });
    DownloadProgress::follow(d, host);
    host.message(InstallMessages::started());
}

void WebAppInstaller::addSite(const QString &appname, const QString &applink, const QString &icon)
{
    if (refused(appname, applink))
        return;
    if (QFileInfo::exists(host.appsFolder() + QLatin1Char('/') + appname)) {
        host.message(InstallMessages::notInstalled(
            appname, QStringLiteral("there is already an app of that name")));
        return;
    }
    const DownloadContext app{appname, applink, icon, QString()};
    if (!Download::isAllowedAddress(QUrl(icon))) {
        QString why;
        if (install(app, nullptr, true, &why))
            installed(app);
        else
            host.message(InstallMessages::notInstalled(appname, why));
        return;
    }
    Download *d = downloads.start(network(), QNetworkRequest(QUrl(icon)), host.appsFolder(), app,
                                  this, [this](Download *done) { complete(done); });
    siteIcons.append(d);
    DownloadProgress::follow(d, host);
}

void WebAppInstaller::fileDownloaded(QNetworkReply *reply)
{
    if (Download *d = downloads.takeFinished(reply))
        complete(d);
}

void WebAppInstaller::complete(Download *download)
{
    const DownloadContext &app = download->context();
    const bool site = siteIcons.removeAll(download) > 0;
    QString why;
    if (!download->succeeded() && !site) {
        // The user who cancelled it needs no word.
        if (!download->wasCancelled())
            host.message(InstallMessages::downloadFailed(download->errorString()));
    } else {
        if (!site)
            host.message(InstallMessages::finished());
        if (install(app, download, site, &why))
            installed(app);
        else
            host.message(InstallMessages::notInstalled(app.name, why));
    }
    download->deleteLater();
}

void WebAppInstaller::installed(const DownloadContext &app)
{
    // The installed copy, checked: the address it came from could answer the
    // page with another picture.
    ScriptCall::run(host.homeFrame(), QStringLiteral("createwebapp"),
                    {AppIcon::forNewTile(host.appsFolder(), app.name), app.name, app.link});
    if (host.stack())
        host.stack()->hide();
}

bool WebAppInstaller::install(const DownloadContext &app, Download *icon, bool placeholder,
                              QString *why)
{
    const QString folder = host.appsFolder() + QLatin1Char('/') + app.name;
    const bool existed = QFileInfo::exists(folder);
    if (!QDir().mkpath(folder)) {
        *why = QStringLiteral("cannot create the folder %1").arg(folder);
        return false;
    }
    QSaveFile descriptor(folder + QStringLiteral("/app.con"));
    const bool written = descriptor.open(QIODevice::WriteOnly) &&
                         descriptor.write(AppDescriptor::webDescriptor(app.link)) >= 0 &&
                         descriptor.commit();
    if (!written) {
        *why = QStringLiteral("cannot write %1: %2")
                   .arg(descriptor.fileName(), descriptor.errorString());
    } else if (placeholder) {
        QString ignored;
        const QString path = AppIcon::pathIn(folder);
        if (icon && icon->succeeded() && icon->keepAs(path, &ignored)) {
            const AppIcon::State state = AppIcon::check(path);
            if (state != AppIcon::State::Fits && state != AppIcon::State::Large)
                QFile::remove(path);
            else
                icon->keptForApp(app.name);
        }
        return true;
    } else if (icon->keepAs(folder + QStringLiteral("/icon.png"), why)) {
        icon->keptForApp(app.name);
        return true;
    }
    if (!existed)
        QDir(folder).removeRecursively();
    return false;
}
