#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QObject;

// Starting programs for the shell, never through a shell's command line.
namespace ProgramStarter
{
// Hands a saved installer to the system: on Windows the file is started
// itself; elsewhere the desktop's opener gets its path as one argument.
bool startInstaller(const QString &savedFile);

// Opens a saved file with the program the desktop chooses for it; noProgram
// runs (with owner alive) when the desktop's opener is missing or finds none.
void openFile(const QString &savedFile, QObject *owner, const std::function<void()> &noProgram);

enum class Run { Done, Missing, Refused, Declined };

// Whether the program (its full path) may run with these arguments.
using Consent = std::function<bool(const QString &program, const QStringList &arguments)>;

// Runs a program that lies in folder (commandLine: its path relative to
// folder, then its arguments, split by Qt's rules for a command line) and
// waits for it to end. A path that leaves the folder, also through a link,
// is refused with a reason, and so is one that is, or lies in, one of the
// forbidden files and folders (links resolved on both sides); a missing
// program is not run. consent is asked only for a program that would run;
// without it nothing runs.
Run runInFolder(const QString &folder, const QString &commandLine, const Consent &consent,
                QString *why, const QStringList &forbidden = {});
} // namespace ProgramStarter
