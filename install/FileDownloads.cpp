#include "install/FileDownloads.h"

#include "shell/AppFolderName.h"
#include "install/Download.h"
#include "install/DownloadProgress.h"
#include "install/InstallMessages.h"
#include "install/ProgramStarter.h"
#include "shell/ShellHost.h"

#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QStandardPaths>
#include <QWebPage>
#include <QWebView>

namespace
{
// Everything after the last "/" of an address, query included.
QString lastSegment(const QUrl &url)
{
    const QString address = url.toString();
    return address.mid(address.lastIndexOf(QLatin1Char('/')) + 1);
}
} // namespace

FileDownloads::FileDownloads(ShellHost &host, QObject *parent)
    : QObject(parent), host(host), manager(new QNetworkAccessManager(this))
{
}

void FileDownloads::DownFile(const QString &path, const QString &ap)
{
    if (!AppFolder::isSafeName(ap)) {
        host.message(InstallMessages::badName(ap));
        return;
    }
    auto *d = new Download(manager, QNetworkRequest(QUrl(path)), host.appsFolder(),
                           {QString(), QString(), QString(), ap}, this);
    files.add(d);
    connect(d, &Download::finished, this, [this](Download *done) {
        if (files.take(done))
            completeFile(done);
    });
}

void FileDownloads::FileDownloaded(QNetworkReply *reply)
{
    if (Download *d = files.takeFinished(reply))
        completeFile(d);
}

void FileDownloads::completeFile(Download *download)
{
    const QString name = lastSegment(download->url());
    const QString folder = host.appsFolder() + QLatin1Char('/') + download->context().target;
    QString why;
    if (!download->succeeded())
        host.message(InstallMessages::downloadFailed(download->errorString()));
    else if (!AppFolder::isSafeName(name))
        host.message(InstallMessages::badName(name));
    else if (QFileInfo(folder).isDir() && !download->keepAs(folder + QLatin1Char('/') + name, &why))
        host.message(InstallMessages::downloadFailed(why));
    // The app folder is not created: a file for an app that is not there is dropped.
    download->deleteLater();
}

void FileDownloads::installBatch(const QString &path)
{
    QString why;
    // A missing program is ignored, as it always was; one outside the folder
    // is refused.
    if (ProgramStarter::runInFolder(host.programFolder(), path, &why) ==
        ProgramStarter::Run::Refused)
        host.message(QStringLiteral("Refused to run %1: %2").arg(path, why));
}

void FileDownloads::unsupportedContent(QNetworkReply *reply)
{
    if (reply)
        download(reply->request());
}

void FileDownloads::download(const QNetworkRequest &request)
{
    QWebView *home = host.homeView();
    if (!home || !Download::isAllowedAddress(request.url()))
        return;
    const QString name = QFileInfo(request.url().toString()).fileName();
    QNetworkRequest copy(request);
    copy.setAttribute(QNetworkRequest::User, name);
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    auto *d = new Download(home->page()->networkAccessManager(), copy, documents,
                           {name, QString(), QString(), documents}, this);
    installers.add(d);
    connect(d, &Download::progress, this, [this](qint64 received, qint64 total) {
        DownloadProgress::show(host.progressBar(), received, total);
    });
    connect(d, &Download::finished, this, [this](Download *done) {
        if (installers.take(done))
            completeInstaller(done);
    });
}

void FileDownloads::downloadingIssueFinished(QObject *sender)
{
    if (Download *d = installers.takeFinished(sender))
        completeInstaller(d);
}

void FileDownloads::completeInstaller(Download *download)
{
    const QString name = download->context().name;
    const QString saved = download->context().target + QLatin1Char('/') + name;
    QString why;
    if (!download->succeeded())
        why = download->errorString();
    else if (!AppFolder::isSafeName(name))
        why =
            QStringLiteral("the address %1 names no file to save").arg(download->url().toString());
    if (why.isEmpty() && download->keepAs(saved, &why)) {
        host.message(InstallMessages::installerStarts());
        ProgramStarter::startInstaller(saved);
    } else {
        host.message(InstallMessages::downloadFailed(why));
    }
    download->deleteLater();
}
