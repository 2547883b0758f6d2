#include "VirtualDisplay.h"

#include "RunTool.h"
#include "TestShell.h"

#include <QFile>
#include <QProcessEnvironment>

VirtualDisplay::~VirtualDisplay()
{
    if (server.state() != QProcess::NotRunning) {
        server.terminate();
        if (!server.waitForFinished(5000)) {
            server.kill();
            server.waitForFinished(2000);
        }
    }
}

bool VirtualDisplay::start(const QSize &size)
{
    screenSize = size;
    // -displayfd 1: the server picks a free number and writes it to its
    // standard output once it accepts connections. -noreset: by default the
    // server resets when its last client leaves, and a client connecting
    // meanwhile is refused, as a program started again right after quitting.
    server.setProcessChannelMode(QProcess::SeparateChannels);
    server.start(QStringLiteral("Xvfb"),
                 {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                  QStringLiteral("0"),
                  QStringLiteral("%1x%2x24").arg(size.width()).arg(size.height()),
                  QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-noreset")});
    if (!server.waitForStarted(10000))
        return false;
    QByteArray number;
    TestUtil::waitFor(
        [&] {
            number += server.readAllStandardOutput();
            return number.contains('\n') || server.state() != QProcess::Running;
        },
        20000);
    bool ok = false;
    const int n = number.trimmed().toInt(&ok);
    if (!ok || server.state() != QProcess::Running)
        return false;
    display = QStringLiteral(":%1").arg(n);
    return true;
}

bool VirtualDisplay::run(const QString &program, const QStringList &args, QByteArray *out,
                         int timeoutMs) const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    return runTool(program, args, out, env, QString(), timeoutMs);
}

bool VirtualDisplay::click(const QPoint &at) const
{
    // No --sync: it would wait forever when the pointer is there already. The
    // server takes the move before the press anyway.
    return run(QStringLiteral("xdotool"),
               {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                QStringLiteral("click"), QStringLiteral("1")});
}

bool VirtualDisplay::key(qulonglong window, const QString &keysym) const
{
    // Without a window manager the focus goes where it is set.
    const QString id = QString::number(window);
    return run(QStringLiteral("xdotool"),
               {QStringLiteral("windowfocus"), QStringLiteral("--sync"), id}) &&
           run(QStringLiteral("xdotool"), {QStringLiteral("key"), keysym});
}

QList<qulonglong> VirtualDisplay::windowsOf(qint64 pid) const
{
    QByteArray out;
    // Exits 1 when nothing matches: that is an empty list, not a failure.
    run(QStringLiteral("xdotool"),
        {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
         QString::number(pid)},
        &out);
    QList<qulonglong> windows;
    for (const QByteArray &line : out.split('\n')) {
        bool ok = false;
        const qulonglong id = line.trimmed().toULongLong(&ok);
        if (ok)
            windows.append(id);
    }
    return windows;
}

QRect VirtualDisplay::geometry(qulonglong window) const
{
    QByteArray out;
    if (!run(QStringLiteral("xdotool"),
             {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"),
              QString::number(window)},
             &out))
        return QRect();
    QRect r;
    for (const QByteArray &line : out.split('\n')) {
        const QList<QByteArray> kv = line.trimmed().split('=');
        if (kv.size() != 2)
            continue;
        const int v = kv.at(1).toInt();
        if (kv.at(0) == "X")
            r.moveLeft(v);
        else if (kv.at(0) == "Y")
            r.moveTop(v);
        else if (kv.at(0) == "WIDTH")
            r.setWidth(v);
        else if (kv.at(0) == "HEIGHT")
            r.setHeight(v);
    }
    return r;
}

QImage VirtualDisplay::screenshot(const QString &path) const
{
    QFile::remove(path);
    if (!run(QStringLiteral("import"),
             {QStringLiteral("-display"), display, QStringLiteral("-window"),
              QStringLiteral("root"), path},
             nullptr, 30000))
        return QImage();
    return QImage(path);
}
