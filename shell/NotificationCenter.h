#pragma once

#include "shell/NotificationList.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QVariantList>

class NotificationBanner;
class QStackedWidget;
class ShellHost;

// Where pages' notifications go, whichever engine shows the page: into the
// list under the status bar, onto the badges of the app's icon and tab, into
// a banner (unless the user asked for quiet, at most a few in a short time)
// and to the desktop's notification service. The banner is made with the
// first one.
class NotificationCenter : public QObject
{
    Q_OBJECT

public:
    // At most this many banners within bannerWindowMs; the rest go to the
    // list alone.
    static constexpr int bannersPerWindow = 3;
    static constexpr int bannerWindowMs = 10000;

    // parent is an object of host's window.
    NotificationCenter(ShellHost &host, QObject *parent);

    // The center of the window that shows widget, or null.
    static NotificationCenter *of(QWidget *widget);

    // A notification of the page that holds view (a view of the stack).
    // keep is what the engine keeps of it, let go when it leaves the list or
    // the page closes; clicked tells the page of a tap.
    void post(QWidget *view, const QString &title, const QString &body, const QImage &icon,
              std::shared_ptr<void> keep = {}, std::function<void()> clicked = {});
    // The title of a page changed: a leading "(n)" counts on its badge.
    void titleChanged(QWidget *view, const QString &title);

    // For the home page: the list, newest first, each entry {id, app,
    // title, body, time, unread}; the badges {tabs: [count by stack index],
    // apps: {name: count}}.
    QVariantList notes() const;
    QVariantMap badges() const;
    // Brings forward the page (or opens the app) that sent note id.
    bool open(int id);
    void clear();
    bool quiet() const { return doNotDisturb; }
    void setQuiet(bool on);

signals:
    // The list, a badge or the quiet switch changed.
    void changed();

private:
    QWidget *stackPageOf(QWidget *widget) const;
    QString appOf(QWidget *page) const;
    void seen(QWidget *page);
    bool mayShowBanner();
    bool eventFilter(QObject *watched, QEvent *event) override;

    ShellHost &host;
    // The window's stack, kept: its pages may still change while the window
    // goes, when the host can no longer be asked.
    QPointer<QStackedWidget> pages;
    NotificationList kept;
    QHash<QWidget *, int> titleCounts; // by stack page
    QList<qint64> bannerTimes;         // when the last banners showed, by clock
    QElapsedTimer clock;
    NotificationBanner *shownBanner = nullptr;
    bool doNotDisturb = false;
};
