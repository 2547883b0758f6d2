#include "install/PendingDownloads.h"

#include <QNetworkReply>

#include "install/Download.h"

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
