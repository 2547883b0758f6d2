#pragma once

#include <QObject>
#include <QTimer>

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

    void started();
    void progressed(int percent);
    void finished();

signals:
    void stalled();

private:
    QTimer timer;
    int progress = 0;
};
