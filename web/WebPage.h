#pragma once

#include "web/QuietPage.h"

#include <QElapsedTimer>

class ShellHost;

// The page of app pages and of the mail view: it presents a fixed desktop
// user agent, and a window that its script opens becomes a new page of the
// shell's stack with a "New..." tab. A page opens one window for each click
// or key press of the user on it, and a few more of its own; further
// requests are refused without a word. It is the one record of whether the
// user just acted on the page, for windows and downloads alike.
class WebPage : public QuietPage
{
public:
    // Without a shell, requests for new windows are refused.
    explicit WebPage(QObject *parent, ShellHost *shell = nullptr);

    static QString userAgent();

    // Windows a page may open without the user's click or key press.
    static constexpr int windowsWithoutGesture = 3;
    // How long after a click or key press a window still answers it.
    static constexpr int gestureMs = 1000;
    // The same for a download, which starts only once the server answers.
    static constexpr int downloadGestureMs = 5000;

    bool event(QEvent *event) override;
    // Whether the user clicked, touched or pressed a key on the page within
    // ms; that gesture is then used up: each answers for one window or one
    // download.
    bool takeGesture(int ms);
    // A gesture made for the page outside it (the Browser's address field).
    void noteGesture() { lastGesture.start(); }

protected:
    QWebPage *createWindow(WebWindowType type) override;
    QString userAgentForUrl(const QUrl &url) const override;

private:
    bool mayOpenWindow();

    ShellHost *shell;
    QElapsedTimer lastGesture; // invalid when no gesture is waiting for a window
    int windowsOpenedUnasked = 0;
};
