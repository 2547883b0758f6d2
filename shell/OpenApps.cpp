#include "shell/OpenApps.h"

#include <QStackedWidget>
#include <QVariant>

namespace
{
const char *const appNameProperty = "vantaraAppName";
}

void OpenApps::mark(QWidget *page, const QString &name)
{
    if (page)
        page->setProperty(appNameProperty, name);
}

int OpenApps::indexOf(const QStackedWidget *stack, const QString &name)
{
    if (!stack || name.isEmpty())
        return -1;
    for (int i = 0; i < stack->count(); ++i) {
        // The name is compared whole: "Music" is not "Music.map".
        if (nameOf(stack->widget(i)) == name)
            return i;
    }
    return -1;
}

QString OpenApps::nameOf(const QWidget *page)
{
    return page ? page->property(appNameProperty).toString() : QString();
}
