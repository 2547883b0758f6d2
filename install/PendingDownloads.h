#pragma once

#include <QList>
#include <QPointer>

class Download;
class QNetworkReply;
class QObject;

// The downloads one installer has under way. A completion is taken out once,
// so a finished download is handled once, and a reply that is not one of
// ours (page script calling a completion slot) finds nothing.
class PendingDownloads
{
public:
    void add(Download *download);
    // The download if it is still pending (and removes it).
    Download *take(Download *download);
    // The finished pending download whose reply is reply, or null.
    Download *takeFinished(const QObject *reply);
    int count() const { return list.size(); }

private:
    QList<QPointer<Download>> list;
};
