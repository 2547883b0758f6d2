#pragma once

class QString;
class QWebPage;

// A QtWebKit app page asks to show notifications: the user is asked once
// per app and site, and the answer is no unless they allow it. Every other
// feature a page asks for is refused.
namespace NotificationPermission
{
void answerFor(QWebPage *page);
// The answers of page's app are kept in file (web/PermissionFile), beside
// those its pages gave in the other engine; without one, and for pages
// without a host, they last while the shell runs.
void rememberIn(QWebPage *page, const QString &file);
} // namespace NotificationPermission
