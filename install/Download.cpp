#include "install/Download.h"

#include "install/DownloadList.h"
#include "install/ReplaceFile.h"

#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStorageInfo>
#include <QTimer>

namespace
{
int schemeSafety(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("https"))
        return 2;
    if (scheme == QLatin1String("http"))
        return 1;
    return 0;
}

constexpr int transferTimeoutMs = 60000;
const QString bodyPrefix = QStringLiteral(".download-");
const QString bodySuffix = QStringLiteral(".part");

QString newBodyName()
{
    return bodyPrefix + QString::number(QRandomGenerator::global()->generate64(), 36) + bodySuffix;
}

// What the downloads list calls it: the file or app it is for.
QString shownName(const DownloadContext &context, const QUrl &url)
{
    if (!context.name.isEmpty())
        return context.name;
    const QString file = url.fileName();
    return file.isEmpty() ? url.host() : file;
}
// What the network layer may hold before it is written out.
constexpr qint64 readBufferBytes = 1024 * 1024;
} // namespace

bool Download::isAllowedAddress(const QUrl &url)
{
    return url.isValid() && !url.host().isEmpty() && schemeSafety(url) > 0;
}

bool Download::isAllowedRedirect(const QUrl &from, const QUrl &to)
{
    return isAllowedAddress(to) && schemeSafety(to) >= schemeSafety(from);
}

Download::Download(QNetworkAccessManager *manager, QNetworkRequest request,
                   const QString &workFolder, const DownloadContext &context, QObject *parent)
    : QObject(parent), info(context), manager(manager), request(request), firstUrl(request.url()),
      currentUrl(request.url())
{
    listId = DownloadList::instance().add(this, shownName(context, firstUrl));
    if (!isAllowedAddress(currentUrl)) {
        fail(QStringLiteral("%1 is not an http or https address").arg(currentUrl.toString()));
        return;
    }
    if (!openBody(workFolder)) {
        fail(QStringLiteral("cannot write in %1: %2").arg(workFolder, body.errorString()));
        return;
    }
    // Redirects are followed here, each checked before it is followed.
    this->request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                               QNetworkRequest::ManualRedirectPolicy);
    this->request.setTransferTimeout(transferTimeoutMs);
    send();
}

void Download::send()
{
    request.setUrl(currentUrl);
    networkReply = manager->get(request);
    networkReply->setReadBufferSize(readBufferBytes);
    connect(networkReply, &QNetworkReply::metaDataChanged, this, &Download::checkSpace);
    connect(networkReply, &QNetworkReply::readyRead, this, &Download::receive);
    connect(networkReply, &QNetworkReply::downloadProgress, this, &Download::progress);
    connect(networkReply, &QNetworkReply::finished, this, &Download::complete);
}

Download::~Download()
{
    // Gone before it ended: its owner stopped it.
    DownloadList::instance().ended(listId, DownloadList::State::Cancelled);
    if (networkReply) {
        networkReply->disconnect(this);
        networkReply->abort();
        networkReply->deleteLater();
    }
    if (body.isOpen())
        body.close();
    if (!kept && !body.fileName().isEmpty())
        body.remove();
}

bool Download::isBodyFileName(const QString &name)
{
    static const QRegularExpression pattern(QLatin1Char('^') +
                                            QRegularExpression::escape(bodyPrefix) + "[0-9a-z]+" +
                                            QRegularExpression::escape(bodySuffix) + '$');
    return pattern.match(name).hasMatch();
}

bool Download::openBody(const QString &workFolder)
{
    QDir().mkpath(workFolder);
    for (int attempt = 0; attempt < 100; ++attempt) {
        body.setFileName(workFolder + QLatin1Char('/') + newBodyName());
        // Unbuffered: a write that fails says so at once, not at close.
        if (body.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
            return true;
        if (!body.exists())
            break;
    }
    body.setFileName(QString());
    return false;
}

QString Download::claimBodyFile(const QString &folder)
{
    QDir().mkpath(folder);
    for (int attempt = 0; attempt < 100; ++attempt) {
        QFile file(folder + QLatin1Char('/') + newBodyName());
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return file.fileName();
        if (!file.exists())
            break;
    }
    return QString();
}

void Download::checkSpace()
{
    const int status = networkReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QVariant length = networkReply->header(QNetworkRequest::ContentLengthHeader);
    if (!error.isEmpty() || status < 200 || status > 299 || !length.isValid())
        return;
    const QStorageInfo disk(QFileInfo(body.fileName()).absolutePath());
    if (disk.isValid() && length.toLongLong() > disk.bytesAvailable())
        stop(QStringLiteral("not enough free space: %1 needs %2 bytes, %3 are free in %4")
                 .arg(currentUrl.toString())
                 .arg(length.toLongLong())
                 .arg(disk.bytesAvailable())
                 .arg(disk.rootPath()));
}

void Download::receive()
{
    if (!error.isEmpty())
        return;
    const QByteArray data = networkReply->readAll();
    if (body.isOpen() && body.write(data) != data.size()) {
        stop(QStringLiteral("cannot write %1: %2").arg(body.fileName(), body.errorString()));
        return;
    }
    // The reply's own progress reports are spaced out in time, and a transfer
    // that stalls after one piece would never report it: what was written
    // counts.
    const QVariant length = networkReply->header(QNetworkRequest::ContentLengthHeader);
    DownloadList::instance().progress(listId, body.size(),
                                      length.isValid() ? length.toLongLong() : -1);
}

void Download::stop(const QString &why)
{
    error = why;
    // Nothing of it is kept: the body file goes with the object.
    body.resize(0);
    // Not from within the reply's own signal: it reports its end only once.
    QTimer::singleShot(0, networkReply, &QNetworkReply::abort);
}

bool Download::redirect()
{
    const int status = networkReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QUrl target =
        networkReply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
    if (!error.isEmpty() || target.isEmpty() ||
        !(status == 301 || status == 302 || status == 303 || status == 307 || status == 308))
        return false;
    const QUrl next = currentUrl.resolved(target);
    if (++redirects > maxRedirects) {
        error = QStringLiteral("too many redirects from %1").arg(currentUrl.toString());
        return false;
    }
    if (!isAllowedRedirect(currentUrl, next)) {
        error = QStringLiteral("refused to follow a redirect from %1 to %2")
                    .arg(currentUrl.toString(), next.toString());
        return false;
    }
    // What the redirect itself carried is not the file.
    networkReply->disconnect(this);
    networkReply->deleteLater();
    body.resize(0);
    body.seek(0);
    currentUrl = next;
    send();
    return true;
}

void Download::complete()
{
    if (done)
        return;
    if (error.isEmpty())
        receive();
    if (redirect())
        return;
    if (error.isEmpty() && body.isOpen() && !body.flush())
        error = QStringLiteral("cannot write %1: %2").arg(body.fileName(), body.errorString());
    body.close();
    const QVariant status = networkReply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!error.isEmpty()) {
        // A refusal or a write failure, already described.
    } else if (status.isValid() && (status.toInt() < 200 || status.toInt() > 299)) {
        const QString reason =
            networkReply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        error = QStringLiteral("the server answered %1 %2 for %3")
                    .arg(status.toInt())
                    .arg(reason, currentUrl.toString())
                    .simplified();
    } else if (networkReply->error() != QNetworkReply::NoError) {
        error = networkReply->errorString();
    }
    done = true;
    reportEnd();
    emit finished(this);
}

void Download::reportEnd()
{
    DownloadList::instance().ended(listId, cancelled     ? DownloadList::State::Cancelled
                                           : succeeded() ? DownloadList::State::Done
                                                         : DownloadList::State::Failed);
}

void Download::cancel()
{
    if (done || cancelled)
        return;
    cancelled = true;
    if (networkReply) {
        stop(QStringLiteral("cancelled"));
    } else {
        error = QStringLiteral("cancelled");
    }
    // Nothing of it stays on disk, even if the program ends before the
    // network layer reports the abort.
    body.close();
    body.remove();
}

void Download::fail(const QString &why)
{
    error = why;
    // Owners connect after construction: report on the next turn of the loop.
    QTimer::singleShot(0, this, [this] {
        done = true;
        reportEnd();
        emit finished(this);
    });
}

bool Download::keepAs(const QString &path, QString *why)
{
    if (!succeeded() || kept) {
        *why = QStringLiteral("nothing was received");
        return false;
    }
    if (!replaceFile(body.fileName(), path, why))
        return false;
    kept = true;
    DownloadList::instance().saved(listId, path);
    return true;
}

void Download::keptForApp(const QString &name)
{
    DownloadList::instance().savedForApp(listId, name);
}
