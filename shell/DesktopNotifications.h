#pragma once

#include <QString>

// Hands a notification to the desktop's notification service on the session
// bus, when one runs: without a bus or a service nothing happens, and nothing
// waits for an answer.
class DesktopNotifications
{
public:
    static void send(const QString &app, const QString &title, const QString &body);
};
