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
// cookies are then kept in memory only.
class CookieStore : public QNetworkCookieJar
{
public:
    // The store of fileName (relative names resolve against the working
    // folder), loading the file when no jar holds it yet. An empty fileName
    // gives a store of its own that is never persisted.
    static QSharedPointer<CookieStore> forFile(const QString &fileName);
    ~CookieStore() override;

    // How long after a change the file is written.
    static constexpr int saveDelayMs = 500;

    QString filePath() const { return path; }
    QList<QNetworkCookie> cookies() const { return allCookies(); }
    // False when the cookies stay in memory (no file, or a file not ours).
    bool persists() const { return writable; }
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
