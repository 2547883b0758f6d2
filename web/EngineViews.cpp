#include "web/EngineViews.h"

#include "shell/ShellHost.h"
#include "shell/ShellPaths.h"
#include "web/EngineLoader.h"
#include "web/WebEngineFactory.h"

#include <QCryptographicHash>
#include <QUrl>

namespace
{
// Far below any file system's limit on a name.
constexpr int longestName = 120;
} // namespace

QString EngineViews::storageFolder(const ShellPaths &paths, const QString &kind,
                                   const QString &name)
{
    // Encoded, no name leaves the folder or takes another's ("a/b", "..").
    QString folder = kind + QLatin1Char('-') + QString::fromLatin1(QUrl::toPercentEncoding(name));
    if (folder.size() > longestName)
        folder = folder.left(longestName - 41) + QLatin1Char('~') +
                 QString::fromLatin1(
                     QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1).toHex());
    return paths.engineStorageFolder() + QLatin1Char('/') + folder;
}

AppView *EngineViews::create(ShellHost &shell, const EngineViewSetup &setup)
{
    WebEngineFactory *engine = EngineLoader::factory();
    if (!engine)
        return nullptr;
    AppView *view = engine->createView(setup, shell);
    shell.follow(view);
    return view;
}
