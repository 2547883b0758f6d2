#include "PrivateBus.h"

#include "TestShell.h"

#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QFileInfo>

PrivateBus::PrivateBus()
{
    // The session bus's rules, listening in a folder of the test's own.
    daemon.start(QStringLiteral("dbus-daemon"),
                 {QStringLiteral("--session"), QStringLiteral("--nofork"),
                  QStringLiteral("--print-address=1"),
                  QStringLiteral("--address=unix:dir=") + folder.path()});
    if (!daemon.waitForStarted(10000))
        return;
    QElapsedTimer waited;
    waited.start();
    while (!daemon.canReadLine() && daemon.state() == QProcess::Running && waited.elapsed() < 10000)
        daemon.waitForReadyRead(1000);
    busAddress = QString::fromUtf8(daemon.readLine()).trimmed();
}

PrivateBus::~PrivateBus()
{
    for (const Mock &mock : mocks) {
        mock.process->kill();
        mock.process->waitForFinished(5000);
        delete mock.process;
    }
    for (const QString &name : names)
        QDBusConnection::disconnectFromBus(name);
    daemon.terminate();
    if (!daemon.waitForFinished(5000))
        daemon.kill();
    daemon.waitForFinished(5000);
}

QDBusConnection PrivateBus::connect(const QString &name)
{
    names.append(name);
    return QDBusConnection::connectToBus(busAddress, name);
}

namespace
{
bool owned(QDBusConnection bus, const QString &service)
{
    return bus.interface() && bus.interface()->isServiceRegistered(service).value();
}
} // namespace

namespace
{
// Debian's own Python, whose packages python3-dbusmock joins, before any other
// on the path.
QString python()
{
    const QString debian = QStringLiteral("/usr/bin/python3");
    return QFileInfo::exists(debian) ? debian : QStringLiteral("python3");
}
} // namespace

QString PrivateBus::runSoundServer()
{
    const QString address = QStringLiteral("unix:path=") + folder.filePath("sound");
    auto *process = new QProcess;
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(python(), {QStringLiteral(VANTARA_TEST_SUPPORT) + "/sound-server.py", address});
    mocks.append({QString(), process});
    TestUtil::waitFor([process] {
        return process->state() == QProcess::NotRunning || process->canReadLine() ||
               process->waitForReadyRead(100);
    });
    return process->readLine().trimmed() == "ready" ? address : QString();
}

bool PrivateBus::runMock(const QStringList &mockArguments, const QString &service)
{
    if (!started())
        return false;
    auto *process = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), busAddress);
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(python(),
                   QStringList{QStringLiteral("-m"), QStringLiteral("dbusmock")} + mockArguments);
    mocks.append({service, process});
    QDBusConnection bus = connect(QStringLiteral("mock watcher"));
    TestUtil::waitFor(
        [&] { return process->state() == QProcess::NotRunning || owned(bus, service); });
    return process->state() != QProcess::NotRunning && owned(bus, service);
}

bool PrivateBus::stopMock(const QString &service)
{
    for (int i = 0; i < mocks.size(); ++i) {
        if (mocks[i].service != service)
            continue;
        QProcess *process = mocks.takeAt(i).process;
        process->terminate();
        const bool ended = process->waitForFinished(10000);
        delete process;
        QDBusConnection bus = connect(QStringLiteral("mock watcher"));
        return ended && TestUtil::waitFor([&] { return !owned(bus, service); });
    }
    return false;
}
