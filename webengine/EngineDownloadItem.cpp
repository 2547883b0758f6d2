#include "webengine/EngineDownloadItem.h"

#include "shell/ShellHost.h"
#include "webengine/EnginePage.h"
#include "webengine/EngineProfiles.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QWebEngineDownloadItem>
#include <QWebEngineProfile>

namespace
{
// Where the engine writes a body before it is whole: beside its path.
QString partOf(const QString &path)
{
    return path + QStringLiteral(".download");
}

QList<EngineDownloadItem *> &running()
{
    static QList<EngineDownloadItem *> all;
    return all;
}
} // namespace

void EngineDownloadItem::offer(QWebEngineDownloadItem *item, EnginePage *page, ShellHost &shell)
{
    // Saving a page as it is shown is no download of a file. What is not
    // accepted while the engine asks is refused: the engine cancels it
    // itself once the question has returned (a cancel meanwhile would reach
    // a download whose target is still open).
    if (item->isSavePageDownload())
        return;
    if (EngineDownloadItem *broken = underWay(page ? page->profile() : nullptr, item->id())) {
        // The engine starts anew, on its own, one whose transfer broke off:
        // it goes on in the same file (the engine has let go of the old item).
        broken->follow(item);
        return;
    }
    auto *download = new EngineDownloadItem(item, page);
    shell.hookEngineDownload(download);
    if (item->state() == QWebEngineDownloadItem::DownloadRequested) {
        download->over = true;
        download->deleteLater();
    }
}

EngineDownloadItem::EngineDownloadItem(QWebEngineDownloadItem *item, EnginePage *page)
    : item(item), source(page), pageId(page), address(item->url()),
      pageAddress(page ? page->url() : QUrl()), size(item->totalBytes())
{
    profile = page ? page->profile() : nullptr;
    id = item->id();
    if (page)
        EngineProfiles::attach(page->profile(), this);
}

EngineDownloadItem::~EngineDownloadItem()
{
    running().removeAll(this);
}

EngineDownloadItem *EngineDownloadItem::underWay(const QObject *profile, quint32 id)
{
    for (EngineDownloadItem *download : running())
        if (download->profile == profile && download->id == id && !download->over)
            return download;
    return nullptr;
}

QString EngineDownloadItem::site() const
{
    const QString host = pageAddress.host();
    return host.isEmpty() ? address.host() : host;
}

bool EngineDownloadItem::takeGesture(int ms)
{
    return source && source->takeGesture(ms);
}

void EngineDownloadItem::saveTo(const QString &path)
{
    if (!item || over)
        return;
    body = path;
    running().append(this);
    follow(item);
}

void EngineDownloadItem::follow(QWebEngineDownloadItem *next)
{
    if (item) {
        item->disconnect(this);
        if (item != next)
            replaced.append(item);
    }
    item = next;
    const QFileInfo file(body);
    next->setDownloadDirectory(file.absolutePath());
    next->setDownloadFileName(file.fileName());
    connect(next, &QWebEngineDownloadItem::downloadProgress, this, &EngineDownload::progress);
    connect(next, &QWebEngineDownloadItem::stateChanged, this, &EngineDownloadItem::stateChanged);
    // The engine's own transfer ends with its profile, which this keeps.
    connect(next, &QObject::destroyed, this, [this] {
        error = QStringLiteral("the transfer was stopped");
        end(End::Failed);
    });
    next->accept();
}

void EngineDownloadItem::stateChanged()
{

    switch (item->state()) {
    case QWebEngineDownloadItem::DownloadCompleted:
        // The engine's last report of progress may have been before the end.
        emit progress(item->receivedBytes(), item->receivedBytes());
        end(End::Done);
        break;
    case QWebEngineDownloadItem::DownloadCancelled:
        // Not by the user: the engine gave up a transfer that broke off.
        error = QStringLiteral("the transfer of %1 broke off").arg(address.toString());
        end(End::Failed);
        break;
    case QWebEngineDownloadItem::DownloadInterrupted:
        // The engine might take it up again later on its own: it ends here.
        error = item->interruptReasonString();
        item->cancel();
        end(End::Failed);
        break;
    default:
        break;
    }
}

void EngineDownloadItem::cancel()
{
    if (over)
        return;
    // Ended first, so that the engine's report of the cancel finds it gone;
    // nothing of it stays, even if the program ends before that report.
    const QPointer<QWebEngineDownloadItem> transfer = item;
    end(End::Cancelled);
    if (transfer)
        transfer->cancel();
}

void EngineDownloadItem::end(End how)
{
    if (over)
        return;
    over = true;
    running().removeAll(this);
    if (item)
        item->disconnect(this);
    // The engine's items this one took over from are its profile's, which
    // cannot cancel them once it is going: they go now, their transfer over.
    for (const QPointer<QWebEngineDownloadItem> &old : qAsConst(replaced))
        delete old.data();
    replaced.clear();
    if (!body.isEmpty()) {
        if (how != End::Done)
            QFile::remove(body);
        QFile::remove(partOf(body));
    }
    emit ended(how);
    deleteLater();
}
