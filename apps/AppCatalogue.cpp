#include "apps/AppCatalogue.h"

#include "shell/AppIcon.h"
#include "shell/ScriptCall.h"
#include "shell/ShellHost.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>
#include <QWidget>

AppCatalogue::AppCatalogue(ShellHost &shellHost, QObject *parent)
    : QObject(parent), host(shellHost), watcher(new QFileSystemWatcher(this)),
      settle(new QTimer(this))
{
    // A copy of a folder comes as many changes: the page hears once it ends.
    settle->setSingleShot(true);
    settle->setInterval(settleMs);
    connect(settle, &QTimer::timeout, this, &AppCatalogue::refresh);
    connect(watcher, &QFileSystemWatcher::directoryChanged, settle,
            QOverload<>::of(&QTimer::start));
}

void AppCatalogue::watch(const QString &folder)
{
    if (!watcher->directories().isEmpty() || !QFileInfo(folder).isDir())
        return;
    watcher->addPath(folder);
}

void AppCatalogue::refresh()
{
    QWebFrame *frame = host.homeFrame();
    if (!loaded || !frame)
        return;
    const QString folder = host.appsFolder();
    watch(folder);
    const QStringList names = appNames(folder);
    QStringList added;
    for (const QString &name : names)
        if (!shown.contains(name))
            added.append(name);
    for (const QString &name : qAsConst(shown))
        if (!names.contains(name))
            ScriptCall::run(frame, QStringLiteral("removedApp"), {name});
    // Icons as at start-up: readied, and one beyond the bounds never shown.
    for (const QString &name : added)
        ScriptCall::run(frame, QStringLiteral("appeared"),
                        {AppIcon::forNewTile(folder, name), name});
    shown = names;
}

QStringList AppCatalogue::appNames(const QString &folder)
{
    // The default listing: all entries but hidden and system ones, by name
    // ignoring case.
    QStringList names;
    const QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot,
                                                       QDir::Name | QDir::IgnoreCase);
    for (const QString &name : entries) {
        if (isListed(name))
            names.append(name);
    }
    return names;
}

bool AppCatalogue::isListed(const QString &name)
{
    return !name.contains(QLatin1String(".map")) && !name.contains(QLatin1Char(','));
}

QString AppCatalogue::cleanFolderPath(const QString &folder)
{
    return QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
}

QStringList AppCatalogue::refusedIcons(const QString &folder, const QStringList &names)
{
    QStringList refused;
    for (const QString &name : names) {
        if (!AppIcon::prepare(AppIcon::pathIn(folder + QLatin1Char('/') + name)))
            refused.append(name);
    }
    return refused;
}

void AppCatalogue::load()
{
    QWebFrame *frame = host.homeFrame();
    if (!frame)
        return;
    const QRect desktop = host.screenArea();
    ScriptCall::run(frame, QStringLiteral("sizeitems"), {desktop.width(), desktop.height()});
    const QWidget *window = host.mainWindow();
    ScriptCall::run(frame, QStringLiteral("sizeitems"), {window->width(), window->height()});
    const QString folder = host.appsFolder();
    const QStringList names = appNames(folder);
    // Before the page makes a tile: a picture of gigabytes once decoded would
    // cost them at every start, and the grid would never be drawn.
    const QStringList refused = refusedIcons(folder, names);
    if (!refused.isEmpty())
        ScriptCall::run(frame, QStringLiteral("noicons"), {refused.join(QLatin1Char(','))});
    ScriptCall::run(frame, QStringLiteral("makeapp"),
                    {names.join(QLatin1Char(',')), cleanFolderPath(folder)});
    // What changes later comes by refresh.
    loaded = true;
    shown = names;
    watch(folder);
}
