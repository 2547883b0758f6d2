#pragma once

#include <QElapsedTimer>

class QEvent;

// How many windows a page may open: one for each click or key press of the
// user on it, and a few more of its own; further requests are refused. The
// same record of the user's last gesture serves the page's downloads.
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
    // Whether the user clicked, touched or pressed a key on the page within
    // ms; that gesture is then used up: each answers for one window or one
    // download.
    bool takeGesture(int ms);
    // A gesture made for the page outside it (the Browser's address field).
    void noteGesture() { lastGesture.start(); }

private:
    QElapsedTimer lastGesture; // invalid when no gesture is waiting for a window
    int openedUnasked = 0;
};
