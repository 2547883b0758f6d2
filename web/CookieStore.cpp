#include "web/CookieStore.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QWeakPointer>

namespace
{
// Open stores by absolute file path; an entry lives as long as a jar holds it.
QHash<QString, QWeakPointer<CookieStore>> &openStores()
{
    static QHash<QString, QWeakPointer<CookieStore>> stores;
    return stores;
}
} // namespace

QSharedPointer<CookieStore> CookieStore::forFile(const QString &fileName)
{
    if (fileName.isEmpty())
        return QSharedPointer<CookieStore>(new CookieStore(QString()));
    const QString absolute = QFileInfo(fileName).absoluteFilePath();
    QSharedPointer<CookieStore> store = openStores().value(absolute).toStrongRef();
    if (!store) {
        store.reset(new CookieStore(absolute));
        store->load();
        openStores().insert(absolute, store);
    }
    return store;
}

CookieStore::CookieStore(const QString &absolutePath)
    : QNetworkCookieJar(nullptr), path(absolutePath)
{
}

CookieStore::~CookieStore()
{
    // A newer store for the same file may already be registered.
    auto it = openStores().find(path);
    if (it != openStores().end() && it.value().isNull())
        openStores().erase(it);
}

void CookieStore::load()
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return;
    setAllCookies(parseFile(file.readAll()));
}

QList<QNetworkCookie> CookieStore::parseFile(const QByteArray &content)
{
    QList<QNetworkCookie> result;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (const QByteArray &line : content.split('\n')) {
        if (line.trimmed().isEmpty())
            continue;
        for (const QNetworkCookie &cookie : QNetworkCookie::parseCookies(line)) {
            if (cookie.isSessionCookie() || cookie.expirationDate() > now)
                result.append(cookie);
        }
    }
    return result;
}

bool CookieStore::save() const
{
    if (path.isEmpty())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // Before the first byte, so the cookies are never readable by others.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QByteArray content;
    for (const QNetworkCookie &cookie : allCookies())
        content += cookie.toRawForm(QNetworkCookie::Full) + '\n';
    // A short write (a full disk) can leave the device without an error, and
    // commit() would then put a truncated file in place of the old one.
    if (file.write(content) != content.size() || !file.flush() || file.size() != content.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool CookieStore::setCookiesFromUrl(const QList<QNetworkCookie> &cookieList, const QUrl &url)
{
    const bool accepted = QNetworkCookieJar::setCookiesFromUrl(cookieList, url);
    save();
    return accepted;
}
