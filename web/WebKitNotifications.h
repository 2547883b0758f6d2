#pragma once

class QObject;
class QString;
class QUrl;

// QtWebKit shows a page's notifications through its platform plugin: ours
// hands each to the shell's notifications of the window that shows the page.
// The plugin's file alone (WebKitNotifications.cpp) is built without type
// information, as QtWebKit's plugin interface comes without it.
namespace WebKitNotifications
{
// Makes the plugin known to QtWebKit; it looks for it when a page first
// shows a notification. Once is enough; later calls do nothing.
void install();
// What the plugin's presenter hands on (built with type information, in
// WebKitNotificationsShow.cpp): the notification of the page at opener, to
// the window that shows it. The presenter's notificationClicked() tells the
// page of a tap; its notificationClosed() lets QtWebKit free both once the
// list lets go of it.
void show(QObject *presenter, const QUrl &opener, const QString &title, const QString &body);
} // namespace WebKitNotifications
