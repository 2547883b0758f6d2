#include "media/FolderBrowser.h"

#include "media/PageOnTop.h"
#include "shell/ScriptCall.h"
#include "shell/ShellHost.h"
#include "shell/ShellPaths.h"

#include <QDir>
#include <QFileDialog>

namespace
{
struct Service {
    const char *name;
    QString (ShellPaths::*folder)() const;
    const char *const *filters;
};

const char *const musicFilters[] = {"*.mp3", nullptr};
const char *const pictureFilters[] = {"*.jpg", "*.png", "*.gif", nullptr};
const char *const documentFilters[] = {"*.doc", "*.docx", "*.ppt", "*.pptx", "*.txt", nullptr};
const char *const movieFilters[] = {"*.mov", "*.wmv", "*.avi", "*.mp4", "*.flv", nullptr};
const char *const noFilters[] = {nullptr};

const Service services[] = {
    {"Music", &ShellPaths::musicFolder, musicFilters},
    {"Picture", &ShellPaths::picturesFolder, pictureFilters},
    {"Documents", &ShellPaths::documentsFolder, documentFilters},
    {"Movies", &ShellPaths::moviesFolder, movieFilters},
    {"Apps", &ShellPaths::applicationsFolder, noFilters},
};
} // namespace

FolderBrowser::FolderBrowser(ShellHost &shell, QObject *parent) : QObject(parent), host(shell) {}

FolderBrowser::Listing FolderBrowser::list(const ShellPaths &paths, const QString &service)
{
    // A folder without a location is the working folder; Qt's default entry
    // filter and order (all entries, by name ignoring case) stay.
    QDir dir{paths.workingFolder()};
    QStringList filters;
    for (const Service &s : services) {
        if (service != QLatin1String(s.name))
            continue;
        const QString path = (paths.*s.folder)();
        if (!path.isEmpty())
            dir.setPath(path);
        for (const char *const *f = s.filters; *f; ++f)
            filters << QLatin1String(*f);
        break;
    }
    dir.setNameFilters(filters);
    return Listing{FolderListing(dir), dir.absolutePath()};
}

void FolderBrowser::desktopaccess(const QString &service)
{
    QWebFrame *frame = PageOnTop::frameForCalls(host);
    if (!frame)
        return;
    const Listing listing = list(host.paths(), service);
    const FolderListing &names = listing.entries;
    // Only a name with a comma makes the listing ambiguous; the names then
    // follow once more, whole.
    if (names.slashJoined().isNull())
        ScriptCall::run(frame, QStringLiteral("Filler"), {names.joined(), listing.folder});
    else
        ScriptCall::run(frame, QStringLiteral("Filler"),
                        {names.joined(), listing.folder, names.slashJoined()});
}

QStringList FolderBrowser::pickFiles(const QString &filter)
{
    return QFileDialog::getOpenFileNames(host.mainWindow(), tr("Open File"), QStringLiteral("/"),
                                         filter);
}
