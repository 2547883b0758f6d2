#pragma once

#include "web/QuietPage.h"
#include "web/WindowAllowance.h"

class ShellHost;

// The page of app pages and of the mail view: it presents a fixed desktop
// user agent, and a window that its script opens becomes a new page of the
// shell's stack with a "New..." tab. A page opens one window for each click
// or key press of the user on it, and a few more of its own; further
// requests are refused without a word.
class WebPage : public QuietPage
{
public:
    // Without a shell, requests for new windows are refused.
    explicit WebPage(QObject *parent, ShellHost *shell = nullptr);

    static QString userAgent();

    bool event(QEvent *event) override;

protected:
    QWebPage *createWindow(WebWindowType type) override;
    QString userAgentForUrl(const QUrl &url) const override;

private:
    ShellHost *shell;
    WindowAllowance windows;
};
