#include "shell/AppView.h"

#include <QPixmap>
#include <QVariant>
#include <QWidget>

namespace
{
const char holderProperty[] = "vantaraHoldsView";

AppView *ownView(const QWidget *widget)
{
    return widget->findChild<AppView *>(QString(), Qt::FindDirectChildrenOnly);
}
} // namespace

AppView::AppView(QWidget *view) : QObject(view)
{
    connect(this, &AppView::loadStarted, this, [this] {
        loading = true;
        percent = 0;
    });
    connect(this, &AppView::loadProgress, this, [this](int value) { percent = value; });
    connect(this, &AppView::loadFinished, this, [this] { loading = false; });
}

AppView *AppView::of(const QWidget *page)
{
    if (!page)
        return nullptr;
    if (AppView *view = ownView(page))
        return view;
    if (!page->property(holderProperty).toBool())
        return nullptr;
    for (const QWidget *child :
         page->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        if (AppView *view = ownView(child))
            return view;
    return nullptr;
}

QList<AppView *> AppView::allIn(const QWidget *page)
{
    return page ? page->findChildren<AppView *>() : QList<AppView *>();
}

void AppView::holdsView(QWidget *holder)
{
    holder->setProperty(holderProperty, true);
}

QWidget *AppView::widget() const
{
    return static_cast<QWidget *>(parent());
}

QImage AppView::picture() const
{
    return widget()->grab().toImage();
}

void AppView::focus()
{
    widget()->setFocus();
}

void AppView::setApp(const QString &appName, const QByteArray &icon)
{
    name = appName;
    iconData = icon;
}
