#include "install/ProgramStarter.h"

#include "shell/ResolvedPath.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

bool ProgramStarter::startInstaller(const QString &savedFile)
{
    const QString path = QFileInfo(savedFile).absoluteFilePath();
#if defined(Q_OS_WIN)
    QString command = path;
    command.replace(QLatin1Char('/'), QStringLiteral("\\\\"));
    return QProcess::startDetached(command, {});
#elif defined(Q_OS_MACOS)
    return QProcess::startDetached(QStringLiteral("open"), {path});
#else
    return QProcess::startDetached(QStringLiteral("xdg-open"), {path});
#endif
}

void ProgramStarter::openFile(const QString &savedFile, QObject *owner,
                              const std::function<void()> &noProgram)
{
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    if (!startInstaller(savedFile))
        noProgram();
#else
    // xdg-open ends with a failure when no program takes the file's type; a
    // program it starts goes on after it.
    auto *opener = new QProcess(owner);
    opener->setProcessChannelMode(QProcess::ForwardedChannels);
    // The shell quitting ends an opener still running; that is no failure
    // to report.
    QObject::connect(owner, &QObject::destroyed, opener, [opener] { opener->disconnect(); });
    QObject::connect(opener, &QProcess::errorOccurred, opener,
                     [opener, noProgram](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         noProgram();
                         opener->deleteLater();
                     });
    QObject::connect(opener, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), opener,
                     [opener, noProgram](int code, QProcess::ExitStatus status) {
                         if (status != QProcess::NormalExit || code != 0)
                             noProgram();
                         opener->deleteLater();
                     });
    opener->start(QStringLiteral("xdg-open"), {QFileInfo(savedFile).absoluteFilePath()});
#endif
}

ProgramStarter::Run ProgramStarter::runInFolder(const QString &folder, const QString &commandLine,
                                                const Consent &consent, QString *why,
                                                const QStringList &forbidden)
{
    QStringList arguments = QProcess::splitCommand(commandLine);
    if (arguments.isEmpty()) {
        *why = QStringLiteral("no program was named");
        return Run::Missing;
    }
    const QString program = arguments.takeFirst();
    const QString base = QDir::cleanPath(QDir(folder).absolutePath());
    const QString path = QDir::cleanPath(base + QLatin1Char('/') + program);
    const QString real = ResolvedPath::of(path);
    // The folder itself is no program in it.
    if (!ResolvedPath::isInside(path, base) || real == ResolvedPath::of(base)) {
        *why = QStringLiteral("%1 is not inside the program's folder").arg(program);
        return Run::Refused;
    }
    for (const QString &place : forbidden) {
        if (!place.isEmpty() && ResolvedPath::isInside(real, place)) {
            *why =
                QStringLiteral("%1 is the shell itself or lies where pages can write").arg(program);
            return Run::Refused;
        }
    }
    if (!QFileInfo(real).isFile()) {
        *why = QStringLiteral("there is no program %1").arg(program);
        return Run::Missing;
    }
    if (!consent || !consent(real, arguments)) {
        *why = QStringLiteral("the user did not allow %1 to run").arg(program);
        return Run::Declined;
    }
    QProcess::execute(real, arguments);
    return Run::Done;
}
