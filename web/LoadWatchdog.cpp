#include "web/LoadWatchdog.h"

namespace
{
int timeoutMs = 30000;
}

int LoadWatchdog::timeout()
{
    return timeoutMs;
}

void LoadWatchdog::setTimeout(int ms)
{
    timeoutMs = ms;
}

LoadWatchdog::LoadWatchdog(QObject *parent) : QObject(parent)
{
    timer.setSingleShot(true);
    timer.setInterval(timeoutMs);
    connect(&timer, &QTimer::timeout, this, &LoadWatchdog::expired);
}

void LoadWatchdog::holdWhile(std::function<bool()> hold)
{
    held = std::move(hold);
}

void LoadWatchdog::expired()
{
    if (held && held())
        timer.start();
    else
        emit stalled();
}

void LoadWatchdog::started()
{
    progress = 0;
    timer.start();
}

void LoadWatchdog::progressed(int percent)
{
    // Only real progress counts: engines repeat their estimate meanwhile.
    if (timer.isActive() && percent > progress) {
        progress = percent;
        timer.start();
    }
}

void LoadWatchdog::finished()
{
    timer.stop();
}
