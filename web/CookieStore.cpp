#include "web/CookieStore.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QTextCodec>
#include <QWeakPointer>
#include <QtDebug>

namespace
{
// Open stores by absolute file path; an entry lives as long as a jar holds it.
QHash<QString, QWeakPointer<CookieStore>> &openStores()
{
    static QHash<QString, QWeakPointer<CookieStore>> stores;
    return stores;
}

bool isText(const QByteArray &content)
{
    for (const char c : content) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 && u != '\t' && u != '\n' && u != '\r')
            return false;
    }
    QTextCodec::ConverterState state;
    QTextCodec::codecForName("UTF-8")->toUnicode(content.constData(), content.size(), &state);
    return state.invalidChars == 0 && state.remainingChars == 0;
}

bool isCookieLine(const QByteArray &line)
{
    return !QNetworkCookie::parseCookies(line).isEmpty();
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
    : QNetworkCookieJar(nullptr), path(absolutePath), writable(!absolutePath.isEmpty())
{
    saveTimer.setSingleShot(true);
    saveTimer.setInterval(saveDelayMs);
    connect(&saveTimer, &QTimer::timeout, this, &CookieStore::saveIfChanged);
    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &CookieStore::saveIfChanged);
}

CookieStore::~CookieStore()
{
    saveIfChanged();
    // A newer store for the same file may already be registered.
    auto it = openStores().find(path);
    if (it != openStores().end() && it.value().isNull())
        openStores().erase(it);
}

void CookieStore::keepInMemory(const char *reason)
{
    writable = false;
    qWarning("Cookies for %s stay in memory: %s", qPrintable(path), reason);
}

void CookieStore::load()
{
    const QFileInfo info(path);
    if (path.isEmpty() || (!info.exists() && !info.isSymLink()))
        return;
    if (!info.isFile()) {
        keepInMemory("the name is taken by something that is not a file");
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        keepInMemory("the file cannot be read");
        return;
    }
    // A huge file is never read whole.
    const QByteArray content = file.read(maxFileBytes + 1);
    if (content.size() > maxFileBytes) {
        keepInMemory("the file is too large to be a cookie file");
        return;
    }
    if (!isCookieFile(content)) {
        keepInMemory("the file is not a cookie file");
        return;
    }
    setAllCookies(parseFile(content));
}

bool CookieStore::isCookieFile(const QByteArray &content)
{
    if (!isText(content))
        return false;
    for (const QByteArray &line : content.split('\n')) {
        if (!line.trimmed().isEmpty() && !isCookieLine(line))
            return false;
    }
    return true;
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

bool CookieStore::save()
{
    saveTimer.stop();
    if (!writable)
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
    if (!file.commit())
        return false;
    dirty = false;
    ++writes;
    return true;
}

void CookieStore::changed()
{
    if (!writable)
        return;
    dirty = true;
    if (!saveTimer.isActive())
        saveTimer.start();
}

void CookieStore::saveIfChanged()
{
    if (dirty)
        save();
}

bool CookieStore::setCookiesFromUrl(const QList<QNetworkCookie> &cookieList, const QUrl &url)
{
    const bool accepted = QNetworkCookieJar::setCookiesFromUrl(cookieList, url);
    if (accepted)
        changed();
    return accepted;
}

bool CookieStore::holds(const QNetworkCookie &cookie) const
{
    const QByteArray form = cookie.toRawForm(QNetworkCookie::Full);
    for (const QNetworkCookie &held : allCookies())
        if (held.hasSameIdentifier(cookie) && held.toRawForm(QNetworkCookie::Full) == form)
            return true;
    return false;
}

bool CookieStore::insertCookie(const QNetworkCookie &cookie)
{
    // The base class drops the cookie's old value through deleteCookie.
    const bool done = QNetworkCookieJar::insertCookie(cookie);
    if (done) {
        changed();
        emit stored(cookie);
    }
    return done;
}

bool CookieStore::updateCookie(const QNetworkCookie &cookie)
{
    const bool done = QNetworkCookieJar::updateCookie(cookie);
    if (done)
        changed();
    return done;
}

bool CookieStore::deleteCookie(const QNetworkCookie &cookie)
{
    const bool done = QNetworkCookieJar::deleteCookie(cookie);
    if (done) {
        changed();
        emit dropped(cookie);
    }
    return done;
}
