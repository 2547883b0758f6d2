#pragma once

#include <QObject>
#include <QSharedPointer>

class CookieStore;
class QNetworkCookie;
class QWebEngineCookieStore;
class QWebEngineProfile;

// A profile's cookies live in the per-site cookie file that QtWebKit's jars
// use (web/CookieStore), and only there: the profile keeps them in memory.
// The file's cookies go into the profile when it is made; every cookie the
// engine takes or lets go goes to the store, which writes the file; what
// other pages on the same file change (in either engine) reaches the
// profile. So a login survives a change of engine both ways, and pages on
// one file never overwrite each other's cookies.
class EngineCookies : public QObject
{
    Q_OBJECT

public:
    // Keeps profile's cookies in cookieFile (an absolute path; empty: the
    // profile's cookies are its own, in memory).
    static void keep(QWebEngineProfile *profile, const QString &cookieFile);
    // Stops following profile's cookies, before it goes: what its end does
    // to them is no change of the user's.
    static void release(QWebEngineProfile *profile);

private:
    EngineCookies(QWebEngineProfile *profile, const QString &cookieFile);
    void taken(const QNetworkCookie &cookie);
    void lost(const QNetworkCookie &cookie);
    void stop();

    QSharedPointer<CookieStore> store;
    QWebEngineCookieStore *engine;
    bool applying = false; // a change of the engine's going into the store
};
