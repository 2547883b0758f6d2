#pragma once

#include "install/PendingDownloads.h"

#include <QHash>
#include <QList>
#include <QNetworkRequest>
#include <QObject>
#include <QPointer>
#include <QSet>

#include <functional>
#include <memory>

class Download;
class EngineDownload;
class QNetworkAccessManager;
class QNetworkReply;
class QWebFrame;
class ShellHost;

// Files that pages fetch or hand on: DownFile into an app folder, programs
// of the program's folder run by installBatch once the user agrees, and
// content a page cannot show, saved to the user's documents folder under a
// name that replaces nothing and handed to the system as an installer only
// when the user says so. Content that no click or key press of the user's
// on the page asked for is saved only once the user agrees to the question
// naming the site, the file and its announced size.
class FileDownloads : public QObject
{
    Q_OBJECT

public:
    FileDownloads(ShellHost &host, QObject *parent = nullptr);

    void DownFile(const QString &path, const QString &ap);
    void FileDownloaded(QNetworkReply *reply);
    void installBatch(const QString &path);
    // Takes reply over: it is aborted and released at once, and the shell
    // fetches the address itself.
    void unsupportedContent(QNetworkReply *reply);
    void download(const QNetworkRequest &request);
    // sender: the finished reply of an unsupported-content download.
    void downloadingIssueFinished(QObject *sender);
    // A download of a QtWebEngine page: the same rules and the same end as
    // the pages' content above, but the engine fetches it (with the site's
    // cookies) into a hidden file of the documents folder.
    void engineDownload(EngineDownload *download);

    int pending() const { return files.count() + installers.count(); }

private:
    // A file a page asked for.
    struct Asked {
        QNetworkRequest request;
        qint64 size = -1; // what the page's own reply announced, or -1
        const QObject *page = nullptr;
        QString name;
        QString site;
        bool byUser = false;
        int waitingId = 0; // its entry in the downloads list while it waits
    };
    static constexpr int maxWaitingPerPage = 4;
    // A QtWebEngine page's download from when the engine fetches it.
    struct EngineTurn {
        QPointer<EngineDownload> download;
        const QObject *page = nullptr;
        QString body; // the hidden file it is fetched into
        QString name;
        QString site;
        int waitingId = 0;  // while it waits for the page's earlier one
        bool ended = false; // while waiting: how it ended
        int how = 0;
        QString error;
    };

    // announcedSize: what the page's own reply announced, or -1.
    void fetch(const QNetworkRequest &request, qint64 announcedSize);
    void begin(const Asked &asked);
    // page's download (or its question) has ended: its next one starts.
    void endedFor(const QObject *page);
    static bool startedByUser(const QWebFrame *frame);
    void completeFile(Download *download);
    void completeInstaller(Download *download);
    // site: what the user knows the page that asked by.
    void saveInstaller(Download *download, const QString &site);
    // Whether a page's file may be saved under name (sayUnsavable says why
    // not).
    static bool savableName(const QString &name);
    void sayUnsavable(const QUrl &url, const QString &name);
    // A download of name to be fetched into a new hidden file of the
    // documents folder; null (and said) when none can be made.
    std::shared_ptr<EngineTurn> turnFor(EngineDownload *download, const QString &name);
    void waitForTurn(EngineDownload *download, const QString &name);
    void runEngineTurn(const std::shared_ptr<EngineTurn> &turn);
    void completeEngineDownload(int id, const QString &body, const QString &name,
                                const QString &site, int end, const QString &error);
    // Keeps a received body in folder under a free name (keepAs moves it
    // there) and offers to open it.
    void saveToDocuments(const QString &folder, const QString &name, const QString &site,
                         const std::function<bool(const QString &path, QString *why)> &keepAs);

    ShellHost &host;
    // Made by the host at the first request, so a manager the host hands out
    // later (a test's) is the one used.
    QNetworkAccessManager *network();
    QNetworkAccessManager *manager = nullptr;
    PendingDownloads files;
    PendingDownloads installers;
    // The page (only compared, never used) and site that each installer
    // download came from, and the pages with one under way or waiting for the user: a page
    // gets one at a time, however many frames it opens.
    struct Origin {
        const QObject *page = nullptr;
        QString site;
    };
    QHash<const Download *, Origin> origins;
    QSet<const QObject *> busyPages;
    QHash<const QObject *, QList<Asked>> waiting;
    QHash<const QObject *, QList<std::shared_ptr<EngineTurn>>> engineWaiting;
};
