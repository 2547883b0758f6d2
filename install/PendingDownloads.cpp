#include "install/PendingDownloads.h"

#include <QNetworkReply>

#include "install/Download.h"

Download *PendingDownloads::start(QNetworkAccessManager *manager, const QNetworkRequest &request,
                                  const QString &workFolder, const DownloadContext &context,
                                  QObject *parent, std::function<void(Download *)> completion)
{
    auto *download = new Download(manager, request, workFolder, context, parent);
    add(download);
    // The owner is the receiver: once it is gone, nothing completes. The
    // list is a member of it, so it lives as long as the connection.
    QObject *receiver = parent ? parent : static_cast<QObject *>(download);
    QObject::connect(download, &Download::finished, receiver,
                     [this, completion = std::move(completion)](Download *done) {
                         if (take(done))
                             completion(done);
                     });
    return download;
}

void PendingDownloads::add(Download *download)
{
    list.append(download);
}

Download *PendingDownloads::take(Download *download)
{
    for (int i = 0; i < list.size(); ++i) {
        if (list.at(i) == download) {
            list.removeAt(i);
            return download;
        }
    }
    return nullptr;
}

Download *PendingDownloads::takeFinished(const QObject *reply)
{
    if (!reply)
        return nullptr;
    for (int i = 0; i < list.size(); ++i) {
        Download *d = list.at(i);
        if (d && d->isFinished() && static_cast<const QObject *>(d->reply()) == reply) {
            list.removeAt(i);
            return d;
        }
    }
    return nullptr;
}
