#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

// The shell's own page for a page that cannot be shown: the app's name and
// icon, what went wrong in plain words, and a "Try again" button that reloads
// the address that failed. Built from a compiled-in template whose fields are
// filled as escaped text, never as markup or script.
class ErrorPage
{
public:
    enum class Reason {
        Offline,          // no network at all
        SiteNotFound,     // the name of the site did not resolve
        Refused,          // nothing answers at that address
        TimedOut,         // the site took too long
        Certificate,      // the secure connection could not be trusted
        PageMissing,      // a local app's page is not there
        BrokenDescriptor, // an app folder's app.con cannot be used
        Blocked,          // the engines refuse the address's port
        Other,
    };

    // What a failed load of WebKit's network layer (error of QNetworkReply,
    // or an HTTP status when http is true) means for the user. online tells
    // whether the machine has a network at all.
    static Reason reasonFor(int error, bool http, bool online);
    // The plain words for a reason.
    static QString words(Reason reason);
    // True when some network interface other than loopback is up.
    static bool machineIsOnline();
    // A port that both engines refuse to load pages from (kept for mail,
    // file transfer and other services that a page could be made to talk to).
    static bool isBlockedPort(int port);
    // WebKit's own error code for such a port.
    static constexpr int webKitBlockedPortError = 103;

    // The page. icon is the app's icon.png (empty: a placeholder with the
    // name's initial); detail names the address or the file concerned.
    static QByteArray html(const QString &appName, const QByteArray &icon, Reason reason,
                           const QString &detail, bool canRetry);
    // The page of a load of url that failed, with a retry: under appName,
    // or the name of url (nameFor) when the page belongs to no app.
    static QByteArray forFailedLoad(const QString &appName, const QByteArray &icon, const QUrl &url,
                                    Reason reason);
    // The icon.png of an app folder, or nothing when it is missing, too large
    // a file or a picture too large to decode (AppIcon).
    static QByteArray appIcon(const QString &appFolder);
    // The same for the picture at path.
    static QByteArray iconAt(const QString &path);
    // The name a failed address is shown under when its page has no app name.
    static QString nameFor(const QUrl &url);

    static constexpr qint64 maxIconBytes = 512 * 1024;
};
