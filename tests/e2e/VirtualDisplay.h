#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

// A private X display (Xvfb) for driving the real program as a user would:
// pointer clicks and keys through xdotool, screenshots through ImageMagick.
// Every tool runs with the event loop turning, so servers in this process
// keep answering meanwhile, and every wait is bounded.
class VirtualDisplay
{
public:
    VirtualDisplay() = default;
    ~VirtualDisplay();

    // Starts Xvfb on a free display number with one screen of size.
    bool start(const QSize &size);
    bool isRunning() const { return server.state() == QProcess::Running; }
    // ":N".
    QString name() const { return display; }
    QSize size() const { return screenSize; }

    // Runs program to its end with DISPLAY set; false when it cannot start,
    // times out or exits non-zero. out receives its standard output.
    bool run(const QString &program, const QStringList &args, QByteArray *out = nullptr,
             int timeoutMs = 15000) const;

    // A left click at a point of the screen.
    bool click(const QPoint &at) const;
    // Gives window the keyboard focus and presses keysym ("Return", "Escape").
    bool key(qulonglong window, const QString &keysym) const;
    // The visible top-level windows that process pid owns.
    QList<qulonglong> windowsOf(qint64 pid) const;
    QRect geometry(qulonglong window) const;
    // The whole screen, also kept as path (PNG); a null image on failure.
    QImage screenshot(const QString &path) const;

private:
    QProcess server;
    QString display;
    QSize screenSize;
};
