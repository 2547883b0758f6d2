#pragma once

// QtWebKit shows a page's notifications through its platform plugin: ours
// hands each to the shell's notifications of the window that shows the page.
// This file alone is built without type information, as QtWebKit's plugin
// interface comes without it.
namespace WebKitNotifications
{
// Makes the plugin known to QtWebKit; it looks for it when a page first
// shows a notification. Once is enough; later calls do nothing.
void install();
} // namespace WebKitNotifications
