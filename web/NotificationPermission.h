#pragma once

class QWebPage;

// A QtWebKit app page asks to show notifications: the user is asked once
// per app and site while the shell runs, and the answer is no unless they
// allow it. Every other feature a page asks for is refused.
namespace NotificationPermission
{
void answerFor(QWebPage *page);
} // namespace NotificationPermission
