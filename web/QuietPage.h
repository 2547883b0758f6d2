#pragma once

#include "web/ErrorPage.h"
#include "web/LoadWatchdog.h"

#include <QPointer>
#include <QWebPage>

// A page of the shell's stack whose signals stop reaching the shell's bridge
// once the page is being destroyed. Pages die after the main window has begun
// to go (they are its children, or children of its views), and a load that
// their destruction cancels must not call back into it.
//
// A load that fails shows the shell's own error page (web/ErrorPage) under
// the page's app name and icon, instead of the engine's raw error. A load
// that stalls (web/LoadWatchdog) is stopped and shown as timed out.
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

private:
    QByteArray failurePage(const QUrl &url, ErrorPage::Reason reason) const;

    QPointer<QObject> bridge;
    LoadWatchdog stall;
    QString name;
    QByteArray icon;
};
