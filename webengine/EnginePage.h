#pragma once

#include "web/PageDialogs.h"
#include "web/WindowAllowance.h"

#include <QWebEnginePage>
#include <functional>

// The page of a QtWebEngine app view. It refuses local addresses, never
// proceeds past a certificate error, asks the user about what it asks
// permission for (webengine/PermissionAnswers), and hands window and full
// screen requests to its view. It tells its view the address of
// each load of its main frame, which QtWebEngine does not report for a load
// that fails.
//
// Its script's dialogs (alert, confirm, prompt) are its own (web/PageDialogs),
// shown over its view and naming the site, never a box that holds the shell.
class EnginePage : public QWebEnginePage
{
    Q_OBJECT

public:
    using WindowMaker = std::function<QWebEnginePage *()>;

    EnginePage(QWebEngineProfile *profile, QObject *parent);

    // Makes the page of a window the page's script asked for, or refuses it
    // (null). Without one, no window opens.
    void setWindowMaker(WindowMaker maker) { makeWindow = std::move(maker); }
    // The app a local page's dialogs are named after.
    void setAppName(const QString &name) { appName = name; }
    // The record of the user's clicks and key presses on the page, for its
    // windows and downloads.
    WindowAllowance &gestures() { return allowance; }
    bool takeGesture(int ms) { return allowance.takeGesture(ms); }

signals:
    // The main frame is about to load url (not for the shell's own pages).
    void mainFrameRequested(const QUrl &url);
    // A certificate error was refused for a load of url.
    void certificateRefused(const QUrl &url);
    // The page's full screen began (on) or ended.
    void fullScreenChanged(bool on);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    bool certificateError(const QWebEngineCertificateError &error) override;
    QWebEnginePage *createWindow(WebWindowType type) override;
    void javaScriptAlert(const QUrl &securityOrigin, const QString &msg) override;
    bool javaScriptConfirm(const QUrl &securityOrigin, const QString &msg) override;
    bool javaScriptPrompt(const QUrl &securityOrigin, const QString &msg,
                          const QString &defaultValue, QString *result) override;

private:
    PageDialogs::Source dialogSource(const QUrl &securityOrigin) const;

    WindowMaker makeWindow;
    WindowAllowance allowance;
    PageDialogs *dialogs;
    QString appName;
};
