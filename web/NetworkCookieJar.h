#pragma once

#include "web/CookieStore.h"

#include <QNetworkCookieJar>
#include <QSharedPointer>

// A page's persistent cookie jar. Its name (a site address, or text holding
// "@" after its first character) picks the cookie file in the cookie folder
// (the working folder); all jars of one file share their cookies through one
// store.
class NetworkCookieJar : public QNetworkCookieJar
{
public:
    NetworkCookieJar(const QString &name, const QString &folder);

    // The file name that name gives: the name itself when it holds "@" after
    // its first character, otherwise its host without the first label. Empty
    // for a name without host, and for a name that would leave the working
    // folder (separators, "..", drive colons). A name too long for a file
    // name is cut and ends in "~" and a digest of the whole name.
    static QString fileNameFor(const QString &name);
    // The file of name in folder; empty when name persists nothing.
    static QString filePathFor(const QString &name, const QString &folder);

    // The file this jar persists to (absolute), empty when it persists nothing.
    QString filePath() const { return store->filePath(); }

    QList<QNetworkCookie> cookiesForUrl(const QUrl &url) const override;
    bool setCookiesFromUrl(const QList<QNetworkCookie> &cookieList, const QUrl &url) override;
    bool insertCookie(const QNetworkCookie &cookie) override;
    bool updateCookie(const QNetworkCookie &cookie) override;
    bool deleteCookie(const QNetworkCookie &cookie) override;

    // Every cookie of the jar's file, as all pages on it have left them.
    QList<QNetworkCookie> cookies() const { return store->cookies(); }

private:
    QSharedPointer<CookieStore> store;
};
