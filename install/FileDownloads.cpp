#include "install/FileDownloads.h"

#include "install/Download.h"
#include "install/DownloadList.h"
#include "install/DownloadProgress.h"
#include "install/FreeFileName.h"
#include "install/InstallMessages.h"
#include "install/ProgramStarter.h"
#include "install/ReplaceFile.h"
#include "shell/AppFolderName.h"
#include "shell/Messages.h"
#include "shell/PrivateFiles.h"
#include "shell/ShellHost.h"
#include "shell/ShellPaths.h"
#include "web/EngineDownload.h"
#include "web/OpenGLProbe.h"
#include "web/WebPage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QWebFrame>
#include <QWebPage>
#include <QWebView>

#include <memory>

namespace
{
// Everything after the last "/" of an address, query included.
QString lastSegment(const QUrl &url)
{
    const QString address = url.toString();
    return address.mid(address.lastIndexOf(QLatin1Char('/')) + 1);
}

// The site the user knows the page by: its top frame's host, else the
// file's own.
QString siteOf(const QWebFrame *frame, const QUrl &file)
{
    const QString host = frame ? frame->page()->mainFrame()->url().host() : QString();
    return host.isEmpty() ? file.host() : host;
}
} // namespace

FileDownloads::FileDownloads(ShellHost &host, QObject *parent) : QObject(parent), host(host) {}

QNetworkAccessManager *FileDownloads::network()
{
    if (!manager)
        manager = host.newNetworkManager(this);
    return manager;
}

void FileDownloads::DownFile(const QString &path, const QString &ap)
{
    if (!AppFolder::isSafeName(ap)) {
        host.message(InstallMessages::badName(ap));
        return;
    }
    files.start(network(), QNetworkRequest(QUrl(path)), host.appsFolder(),
                {QString(), QString(), QString(), ap}, this,
                [this](Download *done) { completeFile(done); });
}

void FileDownloads::FileDownloaded(QNetworkReply *reply)
{
    if (Download *d = files.takeFinished(reply))
        completeFile(d);
}

void FileDownloads::completeFile(Download *download)
{
    // Named by the address asked for: a redirect chooses no file of the app.
    const QString name = lastSegment(download->requestedUrl());
    const QString folder = host.appsFolder() + QLatin1Char('/') + download->context().target;
    QString why;
    if (!download->succeeded()) {
        if (!download->wasCancelled())
            host.message(InstallMessages::downloadFailed(download->errorString()));
    } else if (!AppFolder::isSafeName(name))
        host.message(InstallMessages::badName(name));
    else if (QFileInfo(folder).isDir()) {
        if (download->keepAs(folder + QLatin1Char('/') + name, &why))
            download->keptForApp(download->context().target);
        else
            host.message(InstallMessages::downloadFailed(why));
    }
    // The app folder is not created: a file for an app that is not there is dropped.
    download->deleteLater();
}

void FileDownloads::installBatch(const QString &path)
{
    QString why;
    const auto askUser = [](const QString &program, const QStringList &arguments) {
        return Messages::ask(InstallMessages::runProgram(arguments.size()),
                             InstallMessages::runDetails(program, arguments),
                             InstallMessages::runAnswer(), InstallMessages::dontRunAnswer());
    };
    // Never the shell itself (its arguments could load anything), nor what
    // pages can write: their app folders, downloads and the working folder.
    const ShellPaths &paths = host.paths();
    const QString self = QCoreApplication::applicationFilePath();
    const QStringList forbidden = {
        self,
        host.programFolder() + QLatin1Char('/') + QFileInfo(self).fileName(),
        host.programFolder() + QStringLiteral("/Vantara"),
        host.programFolder() + QStringLiteral("/Vantara.exe"),
        host.programFolder() + QLatin1Char('/') + OpenGLProbe::programName(),
        host.appsFolder(),
        paths.documentsFolder(),
        paths.workingFolder()};
    // A missing program is ignored, as it always was; one outside the folder
    // or forbidden is refused; one the user declined is not run, and that
    // needs no word.
    if (ProgramStarter::runInFolder(host.programFolder(), path, askUser, &why, forbidden) ==
        ProgramStarter::Run::Refused)
        host.message(QStringLiteral("Refused to run: %1").arg(why));
}

void FileDownloads::unsupportedContent(QNetworkReply *reply)
{
    if (!reply)
        return;
    // The page's own transfer would go on filling memory unread; the shell
    // fetches the address again into a file.
    const QNetworkRequest request = reply->request();
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    reply->abort();
    reply->deleteLater();
    fetch(request, length.isValid() ? length.toLongLong() : -1);
}

void FileDownloads::download(const QNetworkRequest &request)
{
    fetch(request, -1);
}

bool FileDownloads::startedByUser(const QWebFrame *frame)
{
    auto *page = frame ? dynamic_cast<WebPage *>(frame->page()) : nullptr;
    return page && page->takeGesture(WebPage::downloadGestureMs);
}

void FileDownloads::fetch(const QNetworkRequest &request, qint64 announcedSize)
{
    if (!host.homeView() || !Download::isAllowedAddress(request.url()))
        return;
    const auto *frame = qobject_cast<const QWebFrame *>(request.originatingObject());
    Asked asked;
    asked.request = request;
    // Kept for later, the request must not point at a frame that may go.
    asked.request.setOriginatingObject(nullptr);
    asked.size = announcedSize;
    asked.page = frame ? static_cast<const QObject *>(frame->page()) : nullptr;
    asked.name = QFileInfo(request.url().toString()).fileName();
    asked.site = siteOf(frame, request.url());
    if (busyPages.contains(asked.page)) {
        // One at a time per page: one the user clicked for waits, shown as
        // waiting; what the page asks for on its own (a thousand frames)
        // gets no more boxes.
        asked.byUser = startedByUser(frame);
        if (asked.byUser && waiting.value(asked.page).size() < maxWaitingPerPage &&
            savableName(asked.name)) {
            asked.waitingId = DownloadList::instance().addWaiting(asked.name);
            waiting[asked.page].append(asked);
        }
        return;
    }
    if (!savableName(asked.name)) {
        busyPages.insert(asked.page);
        sayUnsavable(request.url(), asked.name);
        busyPages.remove(asked.page);
        return;
    }
    asked.byUser = startedByUser(frame);
    begin(asked);
}

void FileDownloads::begin(const Asked &asked)
{
    // What no click of the user's started is asked about before anything is
    // fetched or written: pages filled the documents folder with no word.
    busyPages.insert(asked.page);
    if (!asked.byUser &&
        !Messages::ask(InstallMessages::saveUnasked(asked.site, asked.name, asked.size),
                       InstallMessages::saveAnswer(), InstallMessages::dontSaveAnswer())) {
        endedFor(asked.page);
        return;
    }
    QWebView *home = host.homeView();
    QNetworkRequest copy(asked.request);
    copy.setAttribute(QNetworkRequest::User, asked.name);
    const QString documents = host.paths().documentsFolder();
    Download *d = installers.start(home->page()->networkAccessManager(), copy, documents,
                                   {asked.name, QString(), QString(), documents}, this,
                                   [this](Download *done) { completeInstaller(done); });
    origins.insert(d, {asked.page, asked.site});
    DownloadProgress::follow(d, host);
}

void FileDownloads::endedFor(const QObject *page)
{
    busyPages.remove(page);
    // The oldest waiting one of the page that the user has not cancelled.
    while (waiting.contains(page)) {
        const Asked next = waiting[page].takeFirst();
        if (waiting[page].isEmpty())
            waiting.remove(page);
        DownloadList &list = DownloadList::instance();
        const bool cancelled = list.isCancelled(next.waitingId);
        list.remove(next.waitingId);
        if (!cancelled) {
            begin(next);
            return;
        }
    }
    while (engineWaiting.contains(page)) {
        const std::shared_ptr<EngineTurn> next = engineWaiting[page].takeFirst();
        if (engineWaiting[page].isEmpty())
            engineWaiting.remove(page);
        DownloadList &list = DownloadList::instance();
        const bool cancelled = list.isCancelled(next->waitingId);
        list.remove(next->waitingId);
        if (!cancelled) {
            runEngineTurn(next);
            return;
        }
        if (next->download && !next->ended)
            next->download->cancel();
        QFile::remove(next->body);
    }
}

void FileDownloads::engineDownload(EngineDownload *download)
{
    const QObject *page = download->page();
    const QUrl url = download->url();
    if (!host.homeView() || !Download::isAllowedAddress(url))
        return; // the engine cancels what nobody accepts
    const QString name = QFileInfo(url.toString()).fileName();
    const bool safeName = savableName(name);
    if (busyPages.contains(page)) {
        // As a QtWebKit page's: one the user clicked for waits its turn,
        // what the page asks for on its own gets no more boxes.
        if (safeName && engineWaiting.value(page).size() < maxWaitingPerPage &&
            download->takeGesture(WebPage::downloadGestureMs))
            waitForTurn(download, name);
        return;
    }
    if (!safeName) {
        sayUnsavable(url, name);
        return;
    }
    busyPages.insert(page);
    if (!download->takeGesture(WebPage::downloadGestureMs) &&
        !Messages::ask(
            InstallMessages::saveUnasked(download->site(), name, download->announcedSize()),
            InstallMessages::saveAnswer(), InstallMessages::dontSaveAnswer())) {
        endedFor(page);
        return;
    }
    const std::shared_ptr<EngineTurn> turn = turnFor(download, name);
    if (!turn) {
        endedFor(page);
        return;
    }
    download->saveTo(turn->body);
    runEngineTurn(turn);
}

bool FileDownloads::savableName(const QString &name)
{
    return AppFolder::isSafeName(name) && !name.startsWith(QLatin1Char('.'));
}

void FileDownloads::sayUnsavable(const QUrl &url, const QString &name)
{
    host.message(
        name.isEmpty()
            ? InstallMessages::downloadFailed(
                  QStringLiteral("the address %1 names no file to save").arg(url.toString()))
            : InstallMessages::badName(name));
}

std::shared_ptr<FileDownloads::EngineTurn> FileDownloads::turnFor(EngineDownload *download,
                                                                  const QString &name)
{
    const QString documents = host.paths().documentsFolder();
    const QString body = Download::claimBodyFile(documents);
    if (body.isEmpty()) {
        host.message(
            InstallMessages::downloadFailed(QStringLiteral("cannot write in %1").arg(documents)));
        return nullptr;
    }
    auto turn = std::make_shared<EngineTurn>();
    turn->download = download;
    turn->page = download->page();
    turn->body = body;
    turn->name = name;
    turn->site = download->site();
    return turn;
}

void FileDownloads::waitForTurn(EngineDownload *download, const QString &name)
{
    const std::shared_ptr<EngineTurn> turn = turnFor(download, name);
    if (!turn)
        return;
    // The engine takes it now or never: it fetches it into the hidden file
    // meanwhile, and what it did is kept for its turn.
    QPointer<EngineDownload> guarded(download);
    turn->waitingId = DownloadList::instance().addWaiting(name, [guarded] {
        if (guarded)
            guarded->cancel();
    });
    connect(download, &EngineDownload::ended, this, [turn, guarded](EngineDownload::End how) {
        turn->ended = true;
        turn->how = int(how);
        turn->error = guarded ? guarded->errorString() : QString();
    });
    engineWaiting[turn->page].append(turn);
    download->saveTo(turn->body);
}

void FileDownloads::runEngineTurn(const std::shared_ptr<EngineTurn> &turn)
{
    busyPages.insert(turn->page);
    QPointer<EngineDownload> guarded(turn->download);
    const int id = DownloadList::instance().add(guarded.data(), turn->name, [guarded] {
        if (guarded)
            guarded->cancel();
    });
    if (turn->ended || !guarded) {
        completeEngineDownload(id, turn->body, turn->name, turn->site,
                               turn->ended ? turn->how : int(EngineDownload::End::Failed),
                               turn->error);
        endedFor(turn->page);
        return;
    }
    disconnect(guarded, &EngineDownload::ended, this, nullptr);
    connect(guarded, &EngineDownload::progress, this, [this, id](qint64 received, qint64 total) {
        DownloadList::instance().progress(id, received, total);
        DownloadProgress::show(host.progressBar(), received, total);
    });
    connect(guarded, &EngineDownload::ended, this,
            [this, turn, id, guarded](EngineDownload::End how) {
                completeEngineDownload(id, turn->body, turn->name, turn->site, int(how),
                                       guarded ? guarded->errorString() : QString());
                endedFor(turn->page);
            });
}

void FileDownloads::completeEngineDownload(int id, const QString &body, const QString &name,
                                           const QString &site, int end, const QString &error)
{
    DownloadList &list = DownloadList::instance();
    const auto how = EngineDownload::End(end);
    if (how != EngineDownload::End::Done) {
        QFile::remove(body);
        list.ended(id, how == EngineDownload::End::Cancelled ? DownloadList::State::Cancelled
                                                             : DownloadList::State::Failed);
        // The user who cancelled it needs no word.
        if (how == EngineDownload::End::Failed)
            host.message(InstallMessages::downloadFailed(error));
        return;
    }
    bool kept = false;
    saveToDocuments(host.paths().documentsFolder(), name, site,
                    [&list, &kept, id, body](const QString &path, QString *why) {
                        if (!replaceFile(body, path, why))
                            return false;
                        list.saved(id, path);
                        list.ended(id, DownloadList::State::Done);
                        kept = true;
                        return true;
                    });
    if (kept)
        return;
    list.ended(id, DownloadList::State::Failed);
    QFile::remove(body);
}

void FileDownloads::downloadingIssueFinished(QObject *sender)
{
    if (Download *d = installers.takeFinished(sender))
        completeInstaller(d);
}

void FileDownloads::completeInstaller(Download *download)
{
    const Origin origin = origins.take(download);
    saveInstaller(download, origin.site);
    download->deleteLater();
    endedFor(origin.page);
}

void FileDownloads::saveInstaller(Download *download, const QString &site)
{
    if (!download->succeeded()) {
        // The user who cancelled it needs no word.
        if (!download->wasCancelled())
            host.message(InstallMessages::downloadFailed(download->errorString()));
        return;
    }
    saveToDocuments(
        download->context().target, download->context().name, site,
        [download](const QString &path, QString *why) { return download->keepAs(path, why); });
}

void FileDownloads::saveToDocuments(
    const QString &folder, const QString &name, const QString &site,
    const std::function<bool(const QString &path, QString *why)> &keepAs)
{
    QString why;
    const QString saved = claimFreeFileName(folder, name, &why);
    if (saved.isEmpty() || !keepAs(saved, &why)) {
        if (!saved.isEmpty())
            QFile::remove(saved);
        host.message(InstallMessages::downloadFailed(why));
        return;
    }
    // The shell's own files are private; a download is the user's to share
    // as their other files.
    QFile::setPermissions(saved, PrivateFiles::sharedFilePermissions());
    // The file stays whatever the answer.
    const QFileInfo file(saved);
    if (!Messages::ask(InstallMessages::installerStarts(),
                       InstallMessages::savedDetails(
                           file.fileName(), QDir::toNativeSeparators(file.absolutePath()), site),
                       InstallMessages::openAnswer(), InstallMessages::dontOpenAnswer()))
        return;
    const QString shownFolder = QDir::toNativeSeparators(file.absolutePath());
    ProgramStarter::openFile(saved, this, [this, name = file.fileName(), shownFolder] {
        host.message(InstallMessages::noProgramFor(name, shownFolder));
    });
}
