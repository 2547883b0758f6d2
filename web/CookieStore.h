#pragma once

#include <QList>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QSharedPointer>
#include <QString>

// The cookies of one cookie file, shared by every jar that names that file,
// so that a save by one page never drops what another page received. The
// file is rewritten as a whole, atomically and readable by its owner only,
// after every change.
class CookieStore : public QNetworkCookieJar
{
public:
    // The store of fileName (relative names resolve against the working
    // folder), loading the file when no jar holds it yet. An empty fileName
    // gives a store of its own that is never persisted.
    static QSharedPointer<CookieStore> forFile(const QString &fileName);
    ~CookieStore() override;

    QString filePath() const { return path; }
    QList<QNetworkCookie> cookies() const { return allCookies(); }

    // Takes a response's cookies and saves, after every response that sets
    // cookies. insertCookie, updateCookie and deleteCookie do not save.
    bool setCookiesFromUrl(const QList<QNetworkCookie> &cookieList, const QUrl &url) override;

    // Writes every cookie, one full raw form per line; false when the file
    // could not be written whole (the previous file then stays as it was).
    bool save() const;

    // The cookies of the file's lines; blank lines and lines that do not
    // parse add nothing, expired cookies are dropped.
    static QList<QNetworkCookie> parseFile(const QByteArray &content);

private:
    explicit CookieStore(const QString &absolutePath);
    void load();

    QString path;
};
