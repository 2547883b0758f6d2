#include "web/WindowAllowance.h"

#include <QEvent>

void WindowAllowance::see(const QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::KeyPress:
    case QEvent::TouchBegin:
        lastGesture.start();
        break;
    default:
        break;
    }
}

bool WindowAllowance::takeGesture(int ms)
{
    if (!lastGesture.isValid() || lastGesture.elapsed() > ms)
        return false;
    lastGesture.invalidate();
    return true;
}

bool WindowAllowance::mayOpen()
{
    // One window per gesture: a click must not let a loop open hundreds.
    if (takeGesture(gestureMs))
        return true;
    if (openedUnasked >= withoutGesture)
        return false;
    ++openedUnasked;
    return true;
}
