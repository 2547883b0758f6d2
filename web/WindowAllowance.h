#pragma once

#include <QElapsedTimer>

class QEvent;

// How many windows a page may open: one for each click or key press of the
// user on it, and a few more of its own; further requests are refused.
class WindowAllowance
{
public:
    // Windows a page may open without the user's click or key press.
    static constexpr int withoutGesture = 3;
    // How long after a click or key press a window still answers it.
    static constexpr int gestureMs = 1000;

    // An input event that reached the page: the user's own clicks, key
    // presses and touches count as gestures.
    void see(const QEvent *event);
    // Asked once per window request; true uses up what allows it.
    bool mayOpen();

private:
    QElapsedTimer lastGesture; // invalid when no gesture is waiting for a window
    int openedUnasked = 0;
};
