#include "app/HomeBridge.h"

#include "apps/PageServices.h"
#include "shell/ShellHost.h"

#include <QStackedWidget>

HomeBridge::HomeBridge(ShellHost &shellHost, QObject *parent)
    : QObject(parent), host(shellHost), services(new PageServices(shellHost, this))
{
}

int HomeBridge::appOnTop() const
{
    QStackedWidget *stack = host.stack();
    return stack && stack->isVisible() ? stack->currentIndex() : -1;
}

// Wallpaper at the screen's size.
QString HomeBridge::defaultWallpaper() const
{
    return services->defaultWallpaperAddress();
}
