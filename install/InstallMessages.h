#pragma once

#include "shell/Messages.h"

#include <QLocale>
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
// Under installerStarts(): which file the question is about and where from.
inline QStringList savedDetails(const QString &file, const QString &folder, const QString &site)
{
    return {QStringLiteral("File: %1").arg(file), QStringLiteral("Saved in: %1").arg(folder),
            QStringLiteral("From: %1").arg(site)};
}
// "Open" found no program for the file.
inline QString noProgramFor(const QString &file, const QString &folder)
{
    return QStringLiteral("No program on this computer opens \"%1\". It is saved in %2.")
        .arg(file, folder);
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
// A page that the user did not just click asks to save a file it cannot
// show; size is what the server announced, or -1.
inline QString saveUnasked(const QString &site, const QString &file, qint64 size)
{
    const QString announced =
        size < 0 ? QStringLiteral("size not given") : QLocale::c().formattedDataSize(size);
    return QStringLiteral("%1 wants to save \"%2\" (%3) in your documents. Save it?")
        .arg(site, file, announced);
}
inline QString saveAnswer()
{
    return QStringLiteral("Save");
}
inline QString dontSaveAnswer()
{
    return QStringLiteral("Don't save");
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
