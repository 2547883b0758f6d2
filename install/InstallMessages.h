#pragma once

#include <QString>
#include <QStringList>

// The texts that installations and downloads show.
namespace InstallMessages
{
inline QString started()
{
    return QStringLiteral("Download Started");
}
inline QString finished()
{
    return QStringLiteral("Download Finish");
}
inline QString installerStarts()
{
    return QStringLiteral("The installer will now start !");
}
inline QString openAnswer()
{
    return QStringLiteral("Open");
}
inline QString dontOpenAnswer()
{
    return QStringLiteral("Don't open");
}
inline QString runProgram(const QString &program, const QStringList &arguments)
{
    if (arguments.isEmpty())
        return QStringLiteral("A page asks to run the program \"%1\". Run it?").arg(program);
    return QStringLiteral(
               "A page asks to run the program \"%1\" with the arguments \"%2\". Run it?")
        .arg(program, arguments.join(QStringLiteral("\", \"")));
}
inline QString runAnswer()
{
    return QStringLiteral("Run");
}
inline QString dontRunAnswer()
{
    return QStringLiteral("Don't run");
}
inline QString installed(const QString &package)
{
    return package + QStringLiteral("installed");
}
inline QString downloadFailed(const QString &why)
{
    return QStringLiteral("Download failed: %1").arg(why);
}
inline QString notInstalled(const QString &name, const QString &why)
{
    return QStringLiteral("%1 was not installed: %2").arg(name, why);
}
inline QString badName(const QString &name)
{
    return QStringLiteral("\"%1\" is not a valid name for an app or a file").arg(name);
}
} // namespace InstallMessages
