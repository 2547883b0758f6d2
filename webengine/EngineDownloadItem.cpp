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
    // Saving a page as it is shown is no download of a file.
    if (item->isSavePageDownload()) {
        item->cancel();
        return;
    }
    if (EngineDownloadItem *broken = underWay(page ? page->profile() : nullptr, item->id())) {
        // The engine would start anew, on its own, one whose transfer broke
        // off: for the shell, it ended there.
        item->cancel();
        broken->error = QStringLiteral("the transfer of %1 broke off").arg(item->url().toString());
        broken->end(End::Failed);
        return;
    }
    auto *download = new EngineDownloadItem(item, page);
    shell.hookEngineDownload(download);
    if (item->state() == QWebEngineDownloadItem::DownloadRequested) {
        item->cancel();
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
    const QFileInfo file(path);
    item->setDownloadDirectory(file.absolutePath());
    item->setDownloadFileName(file.fileName());
    connect(item, &QWebEngineDownloadItem::downloadProgress, this, &EngineDownload::progress);
    connect(item, &QWebEngineDownloadItem::stateChanged, this, &EngineDownloadItem::stateChanged);
    // The engine's own transfer ends with its profile, which this keeps.
    connect(item, &QObject::destroyed, this, [this] {
        error = QStringLiteral("the transfer was stopped");
        end(End::Failed);
    });
    running().append(this);
    item->accept();
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
        end(End::Cancelled);
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
    if (item)
        item->cancel();
    // Nothing of it stays, even if the program ends before the engine
    // reports the end.
    end(End::Cancelled);
}

void EngineDownloadItem::end(End how)
{
    if (over)
        return;
    over = true;
    running().removeAll(this);
    if (item)
        item->disconnect(this);
    if (!body.isEmpty()) {
        if (how != End::Done)
            QFile::remove(body);
        QFile::remove(partOf(body));
    }
    emit ended(how);
    deleteLater();
}
