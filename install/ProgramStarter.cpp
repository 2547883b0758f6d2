#include "install/ProgramStarter.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace
{
bool isInside(const QString &path, const QString &folder)
{
    return !folder.isEmpty() && path.startsWith(folder + QLatin1Char('/'));
}
} // namespace

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

ProgramStarter::Run ProgramStarter::runInFolder(const QString &folder, const QString &commandLine,
                                                const Consent &consent, QString *why)
{
    QStringList arguments = QProcess::splitCommand(commandLine);
    if (arguments.isEmpty()) {
        *why = QStringLiteral("no program was named");
        return Run::Missing;
    }
    const QString program = arguments.takeFirst();
    const QString base = QDir::cleanPath(QDir(folder).absolutePath());
    const QString path = QDir::cleanPath(base + QLatin1Char('/') + program);
    const QString real = QFileInfo(path).canonicalFilePath();
    const QString realBase = QFileInfo(base).canonicalFilePath();
    if (!isInside(path, base) || (!real.isEmpty() && !isInside(real, realBase))) {
        *why = QStringLiteral("%1 is not inside the program's folder").arg(program);
        return Run::Refused;
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
