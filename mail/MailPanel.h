#pragma once

#include "shell/AppView.h"

#include <QObject>
#include <QString>

class QWebView;
class QWidget;
class ShellHost;

// The mail panel: a page of the stack named "Mail" with the account list
// (qrc:/assets/support/mail.html) on the left and the mail view, which shows
// the chosen account's mobile web-mail site, on the right.
class MailPanel : public QObject
{
    Q_OBJECT

public:
    MailPanel(ShellHost &host, QObject *parent = nullptr);

    // Builds a new panel, makes it the page on top and slides the stack in.
    QWidget *open();
    // Gives the bridge, as myob, to the account list of the panel on top while
    // that list shows the bundled list page and nothing else.
    void offerBridge();
    // Loads service into the mail view of the panel on top, with the cookie
    // jar of service's address; email is not used.
    void openService(const QString &service, const QString &email);
    // The mail view's manager asked for credentials.
    void authenticationRequired();

    // The parts of a panel (null for anything else): the list is always a
    // QtWebKit view, as it gets the bridge.
    static QWebView *listView(const QWidget *panel);
    static AppView *mailView(const QWidget *panel);

private:
    QWidget *panelOnTop() const;
    // The mail view that QtWebKit shows: the phone's agent on its requests.
    AppView *webKitMailView();
    // A new mail view for service in engine; null when the engine cannot be
    // loaded.
    AppView *siteView(const QString &service, AppView::Engine engine);

    ShellHost &host;
};
