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

bool WindowAllowance::mayOpen()
{
    // One window per gesture: a click must not let a loop open hundreds.
    if (lastGesture.isValid() && lastGesture.elapsed() <= gestureMs) {
        lastGesture.invalidate();
        return true;
    }
    if (openedUnasked >= withoutGesture)
        return false;
    ++openedUnasked;
    return true;
}
