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

void WebAppInstaller::downloadapp(const QString &appname, const QString &applink,
                                  const QString &icon)
{
    if (!AppFolder::isSafeName(appname)) {
        host.message(InstallMessages::badName(appname));
        return;
    }
    // A descriptor the shell would refuse to read back makes an app that
    // never opens.
    if (AppDescriptor::webDescriptor(applink).size() > BoundedXml::maxBytes) {
        host.message(
            InstallMessages::notInstalled(appname, QStringLiteral("its address is too long")));
        return;
    }
    // The download belongs to the installer, not to this call: it outlives
    // the box below.
    Download *d = downloads.start(network(), QNetworkRequest(QUrl(icon)), host.appsFolder(),
                                  {appname, applink, icon, QString()}, this,
                                  [this](Download *done) { complete(done); });
    DownloadProgress::follow(d, host);
    host.message(InstallMessages::started());
}

void WebAppInstaller::fileDownloaded(QNetworkReply *reply)
{
    if (Download *d = downloads.takeFinished(reply))
        complete(d);
}

void WebAppInstaller::complete(Download *download)
{
    const DownloadContext &app = download->context();
    QString why;
    if (!download->succeeded()) {
        // The user who cancelled it needs no word.
        if (!download->wasCancelled())
            host.message(InstallMessages::downloadFailed(download->errorString()));
    } else {
        host.message(InstallMessages::finished());
        if (install(download, &why)) {
            // The installed copy, checked: the address it came from could
            // answer the page with another picture.
            ScriptCall::run(host.homeFrame(), QStringLiteral("createwebapp"),
                            {AppIcon::forNewTile(host.appsFolder(), app.name), app.name, app.link});
            if (host.stack())
                host.stack()->hide();
        } else {
            host.message(InstallMessages::notInstalled(app.name, why));
        }
    }
    download->deleteLater();
}

bool WebAppInstaller::install(Download *download, QString *why)
{
    const QString folder = host.appsFolder() + QLatin1Char('/') + download->context().name;
    const bool existed = QFileInfo::exists(folder);
    if (!QDir().mkpath(folder)) {
        *why = QStringLiteral("cannot create the folder %1").arg(folder);
        return false;
    }
    QSaveFile descriptor(folder + QStringLiteral("/app.con"));
    const bool written =
        descriptor.open(QIODevice::WriteOnly) &&
        descriptor.write(AppDescriptor::webDescriptor(download->context().link)) >= 0 &&
        descriptor.commit();
    if (!written)
        *why = QStringLiteral("cannot write %1: %2")
                   .arg(descriptor.fileName(), descriptor.errorString());
    if (written && download->keepAs(folder + QStringLiteral("/icon.png"), why)) {
        download->keptForApp(download->context().name);
        return true;
    }
    if (!existed)
        QDir(folder).removeRecursively();
    return false;
}
