#pragma once

#include "web/SiteDetails.h"

#include <QObject>
#include <QPointer>

class AppView;
class QNetworkAccessManager;
class QNetworkReply;
class ShellHost;

// Adds the site a view shows to the home screen as a web app: reads the
// page's manifest and icon links, fetches the manifest (bounded), asks the
// user for the name (offering the manifest's, else the title), and hands
// name, the page's address and the best icon to the shell's web-app
// installer. The page needs no bridge; its answers are only proposals.
class AddToHomeScreen : public QObject
{
    Q_OBJECT

public:
    AddToHomeScreen(ShellHost &host, AppView *view, QObject *parent = nullptr);

    // Does nothing while an earlier start is under way.
    void start();
    bool isBusy() const { return busy; }

    // Why name cannot be the new app's in appsFolder; empty when it can.
    static QString problemWith(const QString &name, const QString &appsFolder);

signals:
    void busyChanged(bool busy);

private:
    void pageRead(int reading, const QVariant &result);
    void manifestRead(QNetworkReply *reply);
    void askAndInstall();
    void setBusy(bool busy);

    ShellHost &host;
    QPointer<AppView> view;
    QUrl address;
    SiteDetails site;
    QNetworkAccessManager *manager = nullptr;
    bool busy = false;
    // Which reading of the page an answer belongs to: one that comes after
    // the wait for it ended is dropped.
    int readings = 0;
    bool readingPage = false;
};
