#pragma once

#include "shell/Messages.h"

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
// The question before a page's program runs; its details (runDetails) show
// the whole command.
inline QString runProgram(int argumentCount)
{
    return argumentCount == 0
               ? QStringLiteral("A page asks to run the program below. Run it?")
               : QStringLiteral("A page asks to run the program below with the %1 arguments "
                                "below, each on a line of its own. Run it?")
                     .arg(argumentCount);
}
inline QStringList runDetails(const QString &program, const QStringList &arguments)
{
    QStringList lines{QStringLiteral("program: \"%1\"").arg(Messages::withVisibleBlanks(program))};
    for (int i = 0; i < arguments.size(); ++i)
        lines << QStringLiteral("argument %1: \"%2\"")
                     .arg(i + 1)
                     .arg(Messages::withVisibleBlanks(arguments.at(i)));
    return lines;
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
