#include "webengine/EngineCookies.h"

#include "web/CookieStore.h"

#include <QCoreApplication>
#include <QHash>
#include <QHostAddress>
#include <QNetworkCookie>
#include <QUrl>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>

namespace
{
// The address the engine takes a cookie from.
QUrl originOf(const QNetworkCookie &cookie)
{
    const QString domain = cookie.domain();
    QUrl origin;
    origin.setScheme(cookie.isSecure() ? QStringLiteral("https") : QStringLiteral("http"));
    origin.setHost(domain.startsWith(QLatin1Char('.')) ? domain.mid(1) : domain);
    origin.setPath(cookie.path().isEmpty() ? QStringLiteral("/") : cookie.path());
    return origin;
}

// A jar's host-only cookie has a domain without the leading dot; given as a
// Domain attribute the engine would widen it to the host's subdomains, so it
// goes in without one, from its host.
QNetworkCookie forEngine(QNetworkCookie cookie)
{
    if (!cookie.domain().startsWith(QLatin1Char('.')))
        cookie.setDomain(QString());
    return cookie;
}

// A cookie without a host is sent nowhere by either engine.
bool hasHost(const QNetworkCookie &cookie)
{
    return originOf(cookie).isValid() && !originOf(cookie).host().isEmpty();
}

// The engine keeps at most 180 cookies of a site and 3300 in all, and drops
// the oldest beyond that, which would take them out of the file too.
constexpr int keptForASite = 150;
constexpr int keptInAll = 3000;

// The site a cookie counts for, never narrower than the engine's (its last
// two labels; the engine's may have more).
QString siteOf(const QNetworkCookie &cookie)
{
    const QString host = originOf(cookie).host();
    if (QHostAddress(host).isNull())
        return host.section(QLatin1Char('.'), -2);
    return host;
}

// The cookies the engine can keep: the newest of each site. The others stay
// in the file, for QtWebKit.
QList<QNetworkCookie> keptByEngine(const QList<QNetworkCookie> &cookies)
{
    QList<QNetworkCookie> kept;
    QHash<QString, int> perSite;
    for (auto it = cookies.crbegin(); it != cookies.crend() && kept.size() < keptInAll; ++it) {
        if (hasHost(*it) && ++perSite[siteOf(*it)] <= keptForASite)
            kept.prepend(*it);
    }
    return kept;
}
} // namespace

void EngineCookies::keep(QWebEngineProfile *profile, const QString &cookieFile)
{
    if (!cookieFile.isEmpty())
        new EngineCookies(profile, cookieFile);
}

void EngineCookies::release(QWebEngineProfile *profile)
{
    delete profile->findChild<EngineCookies *>(QString(), Qt::FindDirectChildrenOnly);
}

EngineCookies::EngineCookies(QWebEngineProfile *profile, const QString &cookieFile)
    : QObject(profile), store(CookieStore::forFile(cookieFile)), engine(profile->cookieStore())
{
    connect(engine, &QWebEngineCookieStore::cookieAdded, this, &EngineCookies::taken);
    connect(engine, &QWebEngineCookieStore::cookieRemoved, this, &EngineCookies::lost);
    connect(store.data(), &CookieStore::stored, this, [this](const QNetworkCookie &cookie) {
        if (!applying && hasHost(cookie))
            engine->setCookie(forEngine(cookie), originOf(cookie));
    });
    connect(store.data(), &CookieStore::dropped, this, [this](const QNetworkCookie &cookie) {
        if (!applying && hasHost(cookie))
            engine->deleteCookie(forEngine(cookie), originOf(cookie));
    });
    // The application's end takes the pages and profiles with it: no change
    // of the user's.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &EngineCookies::stop);
    for (const QNetworkCookie &cookie : keptByEngine(store->cookies()))
        engine->setCookie(forEngine(cookie), originOf(cookie));
}

void EngineCookies::stop()
{
    disconnect(engine, nullptr, this, nullptr);
    disconnect(store.data(), nullptr, this, nullptr);
}

void EngineCookies::taken(const QNetworkCookie &cookie)
{
    // The store's own cookies come back as the engine takes them.
    if (store->holds(cookie))
        return;
    applying = true;
    store->insertCookie(cookie);
    applying = false;
}

void EngineCookies::lost(const QNetworkCookie &cookie)
{
    // Only the value the engine had: when a page elsewhere has meanwhile
    // given the cookie a new one, that stays.
    if (!store->holds(cookie))
        return;
    applying = true;
    store->deleteCookie(cookie);
    applying = false;
}
