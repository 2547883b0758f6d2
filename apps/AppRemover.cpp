#include "apps/AppRemover.h"

#include "apps/AppCatalogue.h"
#include "apps/AppSession.h"
#include "shell/AppFolderName.h"
#include "shell/Messages.h"
#include "shell/PageStack.h"
#include "shell/ResolvedPath.h"
#include "shell/ScriptCall.h"
#include "shell/ShellHost.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStackedWidget>

AppRemover::AppRemover(ShellHost &shellHost, QObject *parent) : QObject(parent), host(shellHost) {}

bool AppRemover::remove(const QString &name)
{
    // Entries the grid does not show (the music and photo apps behind the
    // dock) are part of the shell, not apps the user can remove.
    if (!AppFolder::isSafeName(name) || !AppCatalogue::isListed(name))
        return false;
    const QString apps = host.appsFolder();
    const QString path = apps + QLatin1Char('/') + name;
    const QFileInfo entry(path);
    const bool link = entry.isSymLink();
    // A real folder is removed only when it lies inside Apps once resolved
    // (Apps itself may be reached through a link).
    if (!link && (!entry.isDir() || !ResolvedPath::isInside(path, apps)))
        return false;
    if (!Messages::ask(QStringLiteral("Remove \"%1\"? The app and everything it keeps in its "
                                      "folder will be deleted.")
                           .arg(name),
                       QStringLiteral("Remove"), QStringLiteral("Cancel")))
        return false;
    closePagesOf(name);
    // removeRecursively never follows a link inside the folder: it removes
    // the link.
    const bool removed = link ? QFile::remove(path) : QDir(path).removeRecursively();
    if (removed)
        ScriptCall::run(host.homeFrame(), QStringLiteral("removedApp"), {name});
    else
        Messages::show(QStringLiteral("\"%1\" could not be removed completely.").arg(name));
    return removed;
}

void AppRemover::closePagesOf(const QString &name)
{
    QStackedWidget *stack = host.stack();
    PageStack pages(host);
    for (int i = stack->count() - 1; i >= 0; --i) {
        QWidget *page = stack->widget(i);
        if (AppSession::appOf(page) != name)
            continue;
        // Closed as the close control closes the page on top.
        stack->setCurrentWidget(page);
        pages.closeapp();
    }
}
