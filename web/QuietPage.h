#pragma once

#include "web/ErrorPage.h"
#include "web/PageDialogs.h"
#include "web/LoadWatchdog.h"

#include <QPointer>
#include <QWebPage>

// A page of the shell's stack whose signals stop reaching the shell's bridge
// once the page is being destroyed. Pages die after the main window has begun
// to go (they are its children, or children of its views), and a load that
// their destruction cancels must not call back into it.
//
// A load that fails shows the shell's own error page (web/ErrorPage) under
// the page's app name and icon, instead of the engine's raw error. A load of
// the main frame that stalls before it finishes (web/LoadWatchdog) is
// stopped and shown as timed out; frames that load later (an iframe added by
// script) never replace the page.
//
// Its script's dialogs are its own (web/PageDialogs), shown over its view.
class QuietPage : public QWebPage
{
public:
    QuietPage(QObject *parent, QObject *bridge);
    ~QuietPage() override;

    // The name and icon (PNG data) its error page shows; without a name, the
    // failed address's host.
    void setAppIdentity(const QString &name, const QByteArray &icon);
    QString appName() const { return name; }

    bool supportsExtension(Extension extension) const override;
    bool extension(Extension extension, const ExtensionOption *option,
                   ExtensionReturn *output) override;

protected:
    void javaScriptAlert(QWebFrame *frame, const QString &msg) override;
    bool javaScriptConfirm(QWebFrame *frame, const QString &msg) override;
    bool javaScriptPrompt(QWebFrame *frame, const QString &msg, const QString &defaultValue,
                          QString *result) override;
    bool acceptNavigationRequest(QWebFrame *frame, const QNetworkRequest &request,
                                 NavigationType type) override;

private:
    QByteArray failurePage(const QUrl &url, ErrorPage::Reason reason) const;
    PageDialogs::Source dialogSource(QWebFrame *frame) const;

    QPointer<QObject> bridge;
    PageDialogs *pageDialogs;
    // The frame being navigated away from: the engine's next confirm for it
    // is its beforeunload question.
    QPointer<QWebFrame> leaving;
    LoadWatchdog stall;
    QString name;
    QByteArray icon;
};
