#include "app/HomeBridge.h"

#include "shell/ShellHost.h"

#include <QStackedWidget>

HomeBridge::HomeBridge(ShellHost &shellHost, QObject *parent) : QObject(parent), host(shellHost) {}

int HomeBridge::appOnTop() const
{
    QStackedWidget *stack = host.stack();
    return stack && stack->isVisible() ? stack->currentIndex() : -1;
}
