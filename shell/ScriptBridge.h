#pragma once

#include <QString>

class QObject;
class QUrl;
class QWebFrame;

// Decides which pages receive the shell's window object, by exact origin.
class ScriptBridge
{
public:
    // The name under which each kind of page sees the shell.
    static QString homeName() { return QStringLiteral("myob"); }
    static QString appName() { return QStringLiteral("api"); }

    // The compiled-in page at path (e.g. "/Lumo.html"), whatever its fragment.
    static bool isBundledPage(const QUrl &url, const QString &path);
    static bool isHomePage(const QUrl &url);
    // https on the trusted host or one of its subdomains.
    static bool isTrustedWebAddress(const QUrl &url);
    // A local file at or below folder, both with links resolved: a link in
    // the folder that points outside it does not count.
    static bool isInsideFolder(const QUrl &url, const QString &folder);

    // App pages: the launcher marks a local app's page with its folder, and
    // the frame gets api only while it shows that folder's files or a trusted
    // web address.
    static void markAppFolder(QObject *page, const QString &folder);
    static bool mayUseApi(QWebFrame *frame);

    // Places shell into frame under name when allowed is true; returns allowed.
    static bool place(QWebFrame *frame, QObject *shell, const QString &name, bool allowed);
};
