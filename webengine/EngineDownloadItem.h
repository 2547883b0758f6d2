#pragma once

#include "web/EngineDownload.h"

#include <QList>
#include <QPointer>

class EnginePage;
class QWebEngineDownloadItem;
class ShellHost;

// A download of a QtWebEngine page, as the shell's downloads see it. The
// engine writes the body to the path it is given; what it leaves of a
// download that does not end well is removed. While it runs, it keeps its
// page's storage (and with it the engine's transfer) alive, though the app
// that started it may close.
class EngineDownloadItem : public EngineDownload
{
    Q_OBJECT

public:
    // Hands item, a request of page's, to shell; it is refused unless the
    // shell takes it while the hook runs.
    static void offer(QWebEngineDownloadItem *item, EnginePage *page, ShellHost &shell);

    QUrl url() const override { return address; }
    qint64 announcedSize() const override { return size; }
    const QObject *page() const override { return pageId; }
    QString site() const override;
    bool takeGesture(int ms) override;
    void saveTo(const QString &path) override;
    void cancel() override;
    QString errorString() const override { return error; }

private:
    EngineDownloadItem(QWebEngineDownloadItem *item, EnginePage *page);
    ~EngineDownloadItem() override;
    // The one of the engine's download id in profile under way, or null.
    static EngineDownloadItem *underWay(const QObject *profile, quint32 id);
    // Follows next, the engine's item of this download from now on.
    void follow(QWebEngineDownloadItem *next);
    void stateChanged();
    void end(End how);

    QPointer<QWebEngineDownloadItem> item;
    QList<QPointer<QWebEngineDownloadItem>> replaced;
    QPointer<EnginePage> source;
    const QObject *profile;
    quint32 id;
    const QObject *pageId;
    QUrl address;
    QUrl pageAddress;
    qint64 size;
    QString body;
    QString error;
    bool over = false;
};
