#include "app/HomeBridge.h"

#include "shell/OpenApps.h"
#include "shell/ShellHost.h"

#include <QStackedWidget>

HomeBridge::HomeBridge(ShellHost &shellHost, QObject *parent) : QObject(parent), host(shellHost) {}

int HomeBridge::appOnTop() const
{
    QStackedWidget *stack = host.stack();
    return stack && stack->isVisible() ? stack->currentIndex() : -1;
}

int HomeBridge::indexOfApp(const QString &name) const
{
    return OpenApps::indexOf(host.stack(), name);
}
