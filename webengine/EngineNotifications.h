#pragma once

class QWebEngineProfile;

// Shows the notifications of a profile's pages as the shell's own: the
// notification is handed to the window of the page that sent it.
namespace EngineNotifications
{
void present(QWebEngineProfile *profile);
} // namespace EngineNotifications
