#pragma once

#include <QString>
#include <QStringList>

// Every folder and file the shell reads or writes, decided once at start-up
// and handed down, so that nothing depends on where the process happens to
// stand later and tests can put all of it under a folder of their own.
class ShellPaths
{
public:
    struct Folders {
        QString program;   // holds the program and its Apps folder
        QString working;   // cookies, web storage, icons, session, settings
        QString documents; // downloads land here
        QString music;
        QString pictures;
        QString movies;
        QString applications; // the applications menu
        QString desktop;
        QString data; // the program's own data (its icon)
    };

    explicit ShellPaths(const Folders &folders);

    // The running process's folders: the program's folder, the current
    // directory and the user's standard locations. Asked once.
    static ShellPaths ofProcess();
    // Every folder under root, each in a subfolder named after it; the
    // program folder is root itself. Nothing is created.
    static ShellPaths under(const QString &root);

    QString programFolder() const { return folders.program; }
    QString appsFolder() const;
    QString workingFolder() const { return folders.working; }
    QString webStorageFolder() const;
    QString iconDatabaseFolder() const;
    // The home screen's wallpaper copies at the screen's size.
    QString wallpaperCacheFolder() const;
    // QtWebEngine's storage, a folder per app (capitals: no cookie file, whose
    // names come from lower-case host names, can take its name).
    QString engineStorageFolder() const;
    QString cookieFolder() const { return folders.working; }
    QString documentsFolder() const { return folders.documents; }
    QString musicFolder() const { return folders.music; }
    QString picturesFolder() const { return folders.pictures; }
    QString moviesFolder() const { return folders.movies; }
    QString applicationsFolder() const { return folders.applications; }
    QString desktopFolder() const { return folders.desktop; }
    QString dataFolder() const { return folders.data; }
    QString sessionFile() const;
    // What the shell keeps in the working folder beside the cookie files:
    // both engines' web storage, site icons, session, settings, arrangement.
    QStringList keptInWorkingFolder() const;
    QString settingsFile() const;
    // Where the home screen's icons stand.
    QString arrangementFile() const;

private:
    Folders folders;
};
