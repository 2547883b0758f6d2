#include "shell/NotificationCenter.h"

#include "shell/DesktopNotifications.h"
#include "shell/ImageBounds.h"
#include "shell/NotificationBanner.h"
#include "shell/OpenApps.h"
#include "shell/ScriptCall.h"
#include "shell/ShellHost.h"

#include <QEvent>
#include <QStackedWidget>
#include <QVariant>

namespace
{
const char releaseProperty[] = "vantaraReleasesNotifications";
constexpr int iconSide = 64;
} // namespace

NotificationCenter::NotificationCenter(ShellHost &shell, QObject *parent)
    : QObject(parent), host(shell), pages(shell.stack())
{
    clock.start();
    // What the user sees of an app counts as seen.
    if (QStackedWidget *stack = pages) {
        stack->installEventFilter(this);
        connect(stack, &QStackedWidget::currentChanged, this,
                [this, stack] { seen(stack->currentWidget()); });
    }
}

NotificationCenter *NotificationCenter::of(QWidget *widget)
{
    // Notifications are rare: the window's objects are searched each time.
    QWidget *window = widget ? widget->window() : nullptr;
    return window ? window->findChild<NotificationCenter *>() : nullptr;
}

QWidget *NotificationCenter::stackPageOf(QWidget *widget) const
{
    QStackedWidget *stack = pages;
    while (widget && stack && widget->parentWidget() != stack)
        widget = widget->parentWidget();
    return stack && widget && stack->indexOf(widget) >= 0 ? widget : nullptr;
}

QString NotificationCenter::appOf(QWidget *page) const
{
    return OpenApps::nameOf(page);
}

void NotificationCenter::post(QWidget *view, const QString &title, const QString &body,
                              const QImage &icon, std::shared_ptr<void> keep,
                              std::function<void()> clicked)
{
    QWidget *page = stackPageOf(view);
    if (!page)
        return; // not an app's page: the home page has nobody to notify
    // A page's picture is drawn small; one beyond the icon bound is not drawn.
    QImage picture;
    if (!icon.isNull() && ImageBounds::allows(icon.size(), ImageBounds::icon))
        picture =
            icon.width() > iconSide || icon.height() > iconSide
                ? icon.scaled(iconSide, iconSide, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                : icon;
    const QString app = appOf(page);
    // The engine's side of a page's notifications goes before the page.
    if (keep && !page->property(releaseProperty).toBool()) {
        page->setProperty(releaseProperty, true);
        connect(page, &QObject::destroyed, this, [this, page] { kept.release(page); });
    }
    const int id = kept.add(page, app, title, body, picture, std::move(keep), std::move(clicked));
    if (pages->isVisible() && pages->currentWidget() == page)
        kept.markRead(page, app);
    emit changed();
    if (doNotDisturb || !mayShowBanner())
        return;
    const NotificationList::Note *note = kept.find(id);
    if (!shownBanner) {
        shownBanner = new NotificationBanner(host.mainWindow());
        connect(shownBanner, &NotificationBanner::tapped, this, &NotificationCenter::open);
    }
    shownBanner->present(id, app, note->title, note->body, note->icon);
    DesktopNotifications::send(app, note->title, note->body);
}

bool NotificationCenter::mayShowBanner()
{
    const qint64 now = clock.elapsed();
    while (!bannerTimes.isEmpty() && now - bannerTimes.first() >= bannerWindowMs)
        bannerTimes.removeFirst();
    if (bannerTimes.size() >= bannersPerWindow)
        return false;
    bannerTimes.append(now);
    return true;
}

void NotificationCenter::titleChanged(QWidget *view, const QString &title)
{
    QWidget *page = stackPageOf(view);
    if (!page)
        return;
    const int count = NotificationList::countInTitle(title);
    if (!titleCounts.contains(page))
        connect(page, &QObject::destroyed, this, [this, page] {
            titleCounts.remove(page);
            emit changed();
        });
    if (titleCounts.value(page, -1) == count)
        return;
    titleCounts.insert(page, count);
    emit changed();
}

QVariantList NotificationCenter::notes() const
{
    QVariantList all;
    for (const NotificationList::Note &note : kept.notes())
        all << QVariantMap{{QStringLiteral("id"), note.id},
                           {QStringLiteral("app"), note.app},
                           {QStringLiteral("title"), note.title},
                           {QStringLiteral("body"), note.body},
                           {QStringLiteral("time"), note.when.toString(QStringLiteral("HH:mm"))},
                           {QStringLiteral("unread"), note.unread}};
    return all;
}

QVariantMap NotificationCenter::badges() const
{
    QVariantList tabs;
    QVariantMap apps;
    for (const NotificationList::Note &note : kept.notes())
        if (note.unread && !note.app.isEmpty())
            apps[note.app] = apps.value(note.app).toInt() + 1;
    for (int i = 0; pages && i < pages->count(); ++i) {
        QWidget *page = pages->widget(i);
        const QString app = appOf(page);
        const int inTitle = titleCounts.value(page);
        tabs << kept.unread(page, app) + inTitle;
        if (inTitle > 0 && !app.isEmpty())
            apps[app] = apps.value(app).toInt() + inTitle;
    }
    return {{QStringLiteral("tabs"), tabs}, {QStringLiteral("apps"), apps}};
}

bool NotificationCenter::open(int id)
{
    const NotificationList::Note *note = kept.find(id);
    if (!note)
        return false;
    QWidget *page = note->page;
    const QString app = note->app;
    const int index = page && pages ? pages->indexOf(page) : -1;
    if (index < 0 && app.isEmpty())
        return false; // a window that is closed: nothing to come back to
    kept.markRead(page, app);
    emit changed();
    // The home page switches as a tap on the tab or the icon does.
    const std::function<void()> clicked = note->clicked;
    ScriptCall::run(host.homeFrame(), QStringLiteral("openNotified"), {index, app});
    // Then the page hears of it, in front.
    if (clicked && page)
        clicked();
    return true;
}

void NotificationCenter::clear()
{
    kept.clear();
    emit changed();
}

void NotificationCenter::setQuiet(bool on)
{
    doNotDisturb = on;
    if (on && shownBanner)
        shownBanner->hide();
    emit changed();
}

void NotificationCenter::seen(QWidget *page)
{
    if (!page || kept.unread(page, appOf(page)) == 0)
        return;
    kept.markRead(page, appOf(page));
    emit changed();
}

bool NotificationCenter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show)
        if (auto *stack = qobject_cast<QStackedWidget *>(watched))
            seen(stack->currentWidget());
    return QObject::eventFilter(watched, event);
}
