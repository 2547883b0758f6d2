#pragma once

#include <QFile>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QObject>
#include <QPointer>
#include <QUrl>

class QNetworkAccessManager;

// What one download was started for; it travels with the download, so that
// downloads under way at the same time never mix their names or targets.
struct DownloadContext {
    QString name;   // app name, or the file name to save under
    QString link;   // a web app's link
    QString icon;   // a web app's icon address
    QString target; // the app folder to unpack or save into
};

// One GET of an http or https address. Redirects are followed, never from
// https to a less safe address; the body streams into a hidden file in a
// work folder, so size costs no memory. A body that the server announces as
// larger than the free space there is refused before it is written, and a
// write that fails stops the download. The download succeeds only with no
// network error and a 2xx status: an error page never passes for the file
// asked for. The body file is removed with the object unless kept.
class Download : public QObject
{
    Q_OBJECT

public:
    static constexpr int maxRedirects = 10;

    Download(QNetworkAccessManager *manager, QNetworkRequest request, const QString &workFolder,
             const DownloadContext &context, QObject *parent = nullptr);
    ~Download() override;

    const DownloadContext &context() const { return info; }
    // Null when the address was refused before anything was sent.
    QNetworkReply *reply() const { return networkReply; }
    // The address that answered, after redirects.
    QUrl url() const { return currentUrl; }
    // The address asked for: names come from it, never from where a server
    // redirected to.
    QUrl requestedUrl() const { return firstUrl; }

    bool isFinished() const { return done; }
    bool succeeded() const { return done && error.isEmpty(); }
    QString errorString() const { return error; }

    // Stops a download under way at once and removes what it received; it
    // then ends as failed, and wasCancelled() tells why.
    void cancel();
    bool wasCancelled() const { return cancelled; }

    // The received body, while the object lives.
    QString bodyPath() const { return body.fileName(); }
    // Moves the received body to path, replacing a file there.
    bool keepAs(const QString &path, QString *why);
    // The kept file belongs to the app called name.
    void keptForApp(const QString &name);

    // A body file's name, as left behind by a download that never ended.
    static bool isBodyFileName(const QString &name);
    // Creates a new empty body file in folder for a writer of its own (the
    // web engine's); its path, or empty when none can be made.
    static QString claimBodyFile(const QString &folder);
    static bool isAllowedAddress(const QUrl &url);
    static bool isAllowedRedirect(const QUrl &from, const QUrl &to);

signals:
    void progress(qint64 bytesReceived, qint64 bytesTotal);
    // Once, when the outcome is known.
    void finished(Download *download);

private:
    bool openBody(const QString &workFolder);
    void send();
    void checkSpace();
    void receive();
    void stop(const QString &why);
    // Follows a redirect answer; false when the reply is not one to follow.
    bool redirect();
    void complete();
    void fail(const QString &why);
    void reportEnd();

    DownloadContext info;
    QNetworkAccessManager *manager;
    QNetworkRequest request;
    // Goes with its manager, which may go first when the owner of both does.
    QPointer<QNetworkReply> networkReply;
    QUrl firstUrl;
    QUrl currentUrl;
    QFile body;
    int redirects = 0;
    bool kept = false;
    bool done = false;
    bool cancelled = false;
    int listId = 0; // its entry in the downloads list
    QString error;
};
