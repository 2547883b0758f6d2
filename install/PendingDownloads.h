#pragma once

#include <QList>
#include <QPointer>

#include <functional>

class Download;
struct DownloadContext;
class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;
class QObject;
class QString;

// The downloads one installer has under way. A completion is taken out once,
// so a finished download is handled once, and a reply that is not one of
// ours (page script calling a completion slot) finds nothing.
class PendingDownloads
{
public:
    // Starts a download (body file in workFolder, owned by parent) and keeps
    // it here until it finishes; then it is taken out and handed to
    // completion, unless a completion slot took it out first.
    Download *start(QNetworkAccessManager *manager, const QNetworkRequest &request,
                    const QString &workFolder, const DownloadContext &context, QObject *parent,
                    std::function<void(Download *)> completion);
    // The download if it is still pending (and removes it).
    Download *take(Download *download);
    // The finished pending download whose reply is reply, or null.
    Download *takeFinished(const QObject *reply);
    int count() const { return list.size(); }

private:
    void add(Download *download);

    QList<QPointer<Download>> list;
};
