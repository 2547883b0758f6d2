#include "shell/ShellPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace
{
QString inside(const QString &folder, const char *name)
{
    return folder + QLatin1Char('/') + QLatin1String(name);
}

QString location(QStandardPaths::StandardLocation l)
{
    return QStandardPaths::writableLocation(l);
}
} // namespace

ShellPaths::ShellPaths(const Folders &f) : folders(f) {}

ShellPaths ShellPaths::ofProcess()
{
    Folders f;
    f.program = QCoreApplication::applicationDirPath();
    f.working = QDir::currentPath();
    f.documents = location(QStandardPaths::DocumentsLocation);
    f.music = location(QStandardPaths::MusicLocation);
    f.pictures = location(QStandardPaths::PicturesLocation);
    f.movies = location(QStandardPaths::MoviesLocation);
    f.applications = location(QStandardPaths::ApplicationsLocation);
    f.desktop = location(QStandardPaths::DesktopLocation);
    f.data = location(QStandardPaths::AppLocalDataLocation);
    return ShellPaths(f);
}

ShellPaths ShellPaths::under(const QString &root)
{
    const QString base = QDir(root).absolutePath();
    Folders f;
    f.program = base;
    f.working = inside(base, "Work");
    f.documents = inside(base, "Documents");
    f.music = inside(base, "Music");
    f.pictures = inside(base, "Pictures");
    f.movies = inside(base, "Movies");
    f.applications = inside(base, "Applications");
    f.desktop = inside(base, "Desktop");
    f.data = inside(base, "Data");
    return ShellPaths(f);
}

// The double slash is how these folders have always been named; the folders
// are the same either way.
QString ShellPaths::appsFolder() const
{
    return folders.program + QStringLiteral("//Apps");
}

QString ShellPaths::webStorageFolder() const
{
    return folders.working + QStringLiteral("//cache");
}

QString ShellPaths::iconDatabaseFolder() const
{
    return folders.working + QStringLiteral("//icons");
}

QString ShellPaths::wallpaperCacheFolder() const
{
    return inside(folders.working, "cache/wallpaper");
}

QString ShellPaths::engineStorageFolder() const
{
    return inside(folders.working, "WebEngine");
}

QString ShellPaths::sessionFile() const
{
    return inside(folders.working, "session.xml");
}

QString ShellPaths::settingsFile() const
{
    return inside(folders.working, "settings.xml");
}

QString ShellPaths::arrangementFile() const
{
    return inside(folders.working, "arrangement.json");
}

QStringList ShellPaths::keptInWorkingFolder() const
{
    return {webStorageFolder(), iconDatabaseFolder(), engineStorageFolder(), sessionFile(),
            settingsFile(), arrangementFile()};
}
