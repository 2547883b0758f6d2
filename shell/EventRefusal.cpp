#include "shell/EventRefusal.h"

void EventRefusal::install(QObject *target, const QSet<QEvent::Type> &types)
{
    if (target)
        target->installEventFilter(new EventRefusal(target, types));
}

EventRefusal::EventRefusal(QObject *target, const QSet<QEvent::Type> &types)
    : QObject(target), refused(types)
{
}

bool EventRefusal::eventFilter(QObject *, QEvent *event)
{
    if (!refused.contains(event->type()))
        return false;
    event->ignore();
    return true;
}
