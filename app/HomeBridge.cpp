#include "app/HomeBridge.h"

#include "apps/AppArrangement.h"
#include "apps/AppRemover.h"
#include "shell/ShellHost.h"

#include <QStackedWidget>

HomeBridge::HomeBridge(ShellHost &shellHost, QObject *parent)
    : QObject(parent), host(shellHost), remover(new AppRemover(shellHost, this))
{
}

int HomeBridge::appOnTop() const
{
    QStackedWidget *stack = host.stack();
    return stack && stack->isVisible() ? stack->currentIndex() : -1;
}

// Arranging, removing and restoring apps.

QString HomeBridge::arrangement() const
{
    return AppArrangement::load(host.paths());
}

bool HomeBridge::saveArrangement(const QString &layout)
{
    return AppArrangement::store(host.paths(), layout);
}

bool HomeBridge::removeApp(const QString &name)
{
    return remover->remove(name);
}
