#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

// Watches a page's main load: one that makes no progress for timeout() is
// reported as stalled, whichever engine loads it. The network gives a page no
// time limit of its own.
class LoadWatchdog : public QObject
{
    Q_OBJECT

public:
    explicit LoadWatchdog(QObject *parent = nullptr);

    // For every watch made afterwards; 30 s unless a test sets it.
    static int timeout();
    static void setTimeout(int ms);

    // While hold answers true (the page waits for its user), time is up
    // for nobody: the watch starts over.
    void holdWhile(std::function<bool()> hold);

    void started();
    void progressed(int percent);
    void finished();

signals:
    void stalled();

private:
    void expired();

    std::function<bool()> held;
    QTimer timer;
    int progress = 0;
};
