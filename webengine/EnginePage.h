#pragma once

#include <QWebEnginePage>
#include <functional>

// The page of a QtWebEngine app view. It refuses local addresses, never
// proceeds past a certificate error, denies what pages ask permission for,
// and hands window requests to its view. It tells its view the address of
// each load of its main frame, which QtWebEngine does not report for a load
// that fails.
//
// JavaScript dialogs are QtWebEngine's own boxes until the shell's page-dialog
// overlay takes them: javaScriptAlert, javaScriptConfirm and javaScriptPrompt
// are where it plugs in.
class EnginePage : public QWebEnginePage
{
    Q_OBJECT

public:
    using WindowMaker = std::function<QWebEnginePage *()>;

    EnginePage(QWebEngineProfile *profile, QObject *parent);

    // Makes the page of a window the page's script asked for, or refuses it
    // (null). Without one, no window opens.
    void setWindowMaker(WindowMaker maker) { makeWindow = std::move(maker); }

signals:
    // The main frame is about to load url (not for the shell's own pages).
    void mainFrameRequested(const QUrl &url);
    // A certificate error was refused for a load of url.
    void certificateRefused(const QUrl &url);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    bool certificateError(const QWebEngineCertificateError &error) override;
    QWebEnginePage *createWindow(WebWindowType type) override;

private:
    WindowMaker makeWindow;
};
