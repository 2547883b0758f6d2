#include "web/NetworkCookieJar.h"

#include "apps/AppDescriptor.h"
#include "shell/Messages.h"

#include <QUrl>
#include <exception>

NetworkCookieJar::NetworkCookieJar(const QString &name)
    : QNetworkCookieJar(nullptr), store(CookieStore::forFile(fileNameFor(name)))
{
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
    return fileName;
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
    const bool changed = store->insertCookie(cookie);
    if (changed)
        store->save();
    return changed;
}

bool NetworkCookieJar::updateCookie(const QNetworkCookie &cookie)
{
    const bool changed = store->updateCookie(cookie);
    if (changed)
        store->save();
    return changed;
}

bool NetworkCookieJar::deleteCookie(const QNetworkCookie &cookie)
{
    const bool changed = store->deleteCookie(cookie);
    if (changed)
        store->save();
    return changed;
}
