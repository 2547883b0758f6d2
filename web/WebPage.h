#pragma once

#include "web/QuietPage.h"
#include "web/WindowAllowance.h"

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

    // How long after a click or key press a download still answers it: it
    // starts only once the server answers.
    static constexpr int downloadGestureMs = 5000;

    bool event(QEvent *event) override;
    // The user's last gesture on the page (see WindowAllowance).
    bool takeGesture(int ms) { return windows.takeGesture(ms); }
    void noteGesture() { windows.noteGesture(); }

protected:
    QWebPage *createWindow(WebWindowType type) override;
    QString userAgentForUrl(const QUrl &url) const override;

private:
    ShellHost *shell;
    WindowAllowance windows;
};
