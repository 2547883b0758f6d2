#include "web/NetworkCookieJar.h"

#include "shell/AppFolderName.h"
#include "shell/Messages.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QUrl>
#include <exception>

namespace
{
// A file name holds 255 bytes, and a save first writes "<name>.XXXXXX".
constexpr int maxFileNameBytes = 255 - 7;

// A name too long for a file keeps its start and gains a digest of the whole,
// so that it still names a file of its own, the same in every run.
QString fittedFileName(const QString &name)
{
    if (QFile::encodeName(name).size() <= maxFileNameBytes)
        return name;
    const QString digest = QString::fromLatin1(
        QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1).toHex());
    QString start = name.left(maxFileNameBytes);
    while (QFile::encodeName(start).size() + 1 + digest.size() > maxFileNameBytes ||
           (!start.isEmpty() && start.at(start.size() - 1).isHighSurrogate()))
        start.chop(1);
    return start + QLatin1Char('~') + digest;
}
} // namespace

NetworkCookieJar::NetworkCookieJar(const QString &name, const QString &folder)
    : QNetworkCookieJar(nullptr), store(CookieStore::forFile(filePathFor(name, folder)))
{
}

QString NetworkCookieJar::filePathFor(const QString &name, const QString &folder)
{
    const QString fileName = fileNameFor(name);
    return fileName.isEmpty() ? QString() : QDir(folder).filePath(fileName);
}

QString NetworkCookieJar::fileNameFor(const QString &name)
{
    QString fileName;
    if (name.indexOf(QLatin1Char('@')) > 0) {
        fileName = name;
    } else {
        const QString host = QUrl(name).host();
        fileName = host.mid(host.indexOf(QLatin1Char('.')) + 1);
    }
    // One file in the working folder, never a path out of it.
    if (!AppFolder::isSafeName(fileName) || fileName.contains(QLatin1String("..")))
        return QString();
    return fittedFileName(fileName);
}

QList<QNetworkCookie> NetworkCookieJar::cookiesForUrl(const QUrl &url) const
{
    return store->cookiesForUrl(url);
}

bool NetworkCookieJar::setCookiesFromUrl(const QList<QNetworkCookie> &cookieList, const QUrl &url)
{
    try {
        return store->setCookiesFromUrl(cookieList, url);
    } catch (const std::exception &) {
        Messages::show(QStringLiteral("ERR2"));
        return false;
    }
}

bool NetworkCookieJar::insertCookie(const QNetworkCookie &cookie)
{
    return store->insertCookie(cookie);
}

bool NetworkCookieJar::updateCookie(const QNetworkCookie &cookie)
{
    return store->updateCookie(cookie);
}

bool NetworkCookieJar::deleteCookie(const QNetworkCookie &cookie)
{
    return store->deleteCookie(cookie);
}
