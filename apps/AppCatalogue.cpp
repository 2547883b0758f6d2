#include "apps/AppCatalogue.h"

#include "shell/AppIcon.h"
#include "shell/ScriptCall.h"
#include "shell/ShellHost.h"

#include <QDir>
#include <QFileInfo>
#include <QWidget>

AppCatalogue::AppCatalogue(ShellHost &shellHost, QObject *parent) : QObject(parent), host(shellHost)
{
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
}
