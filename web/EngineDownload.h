#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

// A download that QtWebEngine asks the shell about: the engine fetches it
// itself, with the site's cookies, and the shell decides whether and where
// it is written. Until saveTo() is called it is only a request: one left so
// is refused. The object goes by itself once it has ended or was refused.
class EngineDownload : public QObject
{
    Q_OBJECT

public:
    enum class End { Done, Failed, Cancelled };

    using QObject::QObject;

    // The address asked for.
    virtual QUrl url() const = 0;
    // What the server announced, or -1.
    virtual qint64 announcedSize() const = 0;
    // The page it came from, only to be compared; null when that has gone.
    virtual const QObject *page() const = 0;
    // The host of that page's address, else the file's own.
    virtual QString site() const = 0;
    // Whether the user clicked or pressed a key on the page within ms; that
    // gesture is then used up.
    virtual bool takeGesture(int ms) = 0;
    // The engine writes the body to path, a file that exists, empty.
    virtual void saveTo(const QString &path) = 0;
    // Stops it at once; nothing of the body stays on disk.
    virtual void cancel() = 0;
    virtual QString errorString() const = 0;

signals:
    void progress(qint64 received, qint64 total);
    // Once. Done: the whole body is in the path given; otherwise nothing of
    // it is left there.
    void ended(EngineDownload::End how);
};
