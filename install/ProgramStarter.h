#pragma once

#include <QString>

// Starting programs for the shell, never through a shell's command line.
namespace ProgramStarter
{
// Hands a saved installer to the system: on Windows the file is started
// itself; elsewhere the desktop's opener gets its path as one argument.
bool startInstaller(const QString &savedFile);

enum class Run { Done, Missing, Refused };

// Runs a program that lies in folder (commandLine: its path relative to
// folder, then its arguments, split by Qt's rules for a command line) and
// waits for it to end. A path that leaves the folder, also through a link,
// is refused with a reason; a missing program is not run.
Run runInFolder(const QString &folder, const QString &commandLine, QString *why);
} // namespace ProgramStarter
