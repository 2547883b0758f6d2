#pragma once

#include <QList>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QSharedPointer>
#include <QString>
#include <QTimer>

// The cookies of one cookie file, shared by every jar that names that file,
// so that a save by one page never drops what another page received. The
// file is rewritten as a whole, atomically and readable by its owner only,
// shortly after a change (changes that come together make one write), and
// always before the store goes or the application quits.
//
// A file the store cannot read back as cookie lines (not text, or a line
// that is no cookie), or a folder by the file's name, is never written:
// such a name may well belong to something else in the working folder. Its
// cookies are then kept in memory only. So is a file larger than any site's
// cookies fill.
class CookieStore : public QNetworkCookieJar
{
    Q_OBJECT

public:
    // The store of fileName (relative names resolve against the working
    // folder), loading the file when no jar holds it yet. An empty fileName
    // gives a store of its own that is never persisted.
    static QSharedPointer<CookieStore> forFile(const QString &fileName);
    ~CookieStore() override;

    // How long after a change the file is written.
    static constexpr int saveDelayMs = 500;
    // The largest file read as cookies: a browser keeps at most 180 cookies
    // of 4 KB for a domain.
    static constexpr qint64 maxFileBytes = 4 * 1024 * 1024;

    QString filePath() const { return path; }
    QList<QNetworkCookie> cookies() const { return allCookies(); }
    // False when the cookies stay in memory (no file, or a file not ours).
    bool persists() const { return writable; }
    // True when the store has this very cookie (same identity, value and
    // attributes).
    bool holds(const QNetworkCookie &cookie) const;
    // How many times this store has written its file.
    int writeCount() const { return writes; }

    // Takes a response's cookies; the file follows after saveDelayMs.
    bool setCookiesFromUrl(const QList<QNetworkCookie> &cookieList, const QUrl &url) override;
    bool insertCookie(const QNetworkCookie &cookie) override;
    bool updateCookie(const QNetworkCookie &cookie) override;
    bool deleteCookie(const QNetworkCookie &cookie) override;

    // Writes every cookie now, one full raw form per line; false when the
    // file could not be written whole (the previous file then stays as it
    // was, and the store tries again at its next change or at the end) or
    // is not the store's to write.
    bool save();

    // The cookies of the file's lines; blank lines and lines that do not
    // parse add nothing, expired cookies are dropped.
    static QList<QNetworkCookie> parseFile(const QByteArray &content);
    // True when content is text whose every non-blank line is a cookie.
    static bool isCookieFile(const QByteArray &content);

signals:
    // Every cookie taken or let go, whoever changed it (pages in another
    // engine follow the store by these).
    void stored(const QNetworkCookie &cookie);
    void dropped(const QNetworkCookie &cookie);

private:
    explicit CookieStore(const QString &absolutePath);
    void load();
    void changed();
    void saveIfChanged();
    void keepInMemory(const char *reason);

    QString path;
    bool writable = false;
    bool dirty = false;
    int writes = 0;
    QTimer saveTimer;
};
