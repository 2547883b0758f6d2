#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>

class ShellPaths;

// The program's shortcuts in the applications menu and on the desktop: ".lnk"
// links on Windows, a freedesktop desktop entry "Vantara.desktop" elsewhere.
// Failures are silent; an existing shortcut is left or brought up to date.
class DesktopShortcut
{
public:
    // Makes both shortcuts to the running program (in paths' program folder),
    // in paths' applications and desktop folders.
    static void createAll(const ShellPaths &paths);

    // The desktop entry that starts executable in workingFolder (cookies and
    // web storage live there), showing iconPath; keys with empty values are
    // left out.
    static QByteArray desktopEntry(const QString &executable, const QString &iconPath,
                                   const QString &workingFolder = QString());
    // executable as one argument of an entry's Exec key.
    static QString execArgument(const QString &executable);
    // What the entries start: the installed starter when the program runs
    // from the starter's private copy in programFolder (so that the copy is
    // refreshed after an upgrade), otherwise the running program.
    static QString launcher(const QString &programFolder);

private:
    static void writeEntry(const QString &folder, const QByteArray &entry);
    static QString writeIcon(const QString &folder);
    static bool writeIfChanged(const QString &path, const QByteArray &content,
                               QFileDevice::Permissions permissions);
};
