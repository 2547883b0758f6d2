#include "web/EngineLoader.h"

#include "web/WebEngineFactory.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPluginLoader>
#include <dlfcn.h>

namespace
{
// QtWebEngine shares OpenGL contexts with the application, and that can only
// be asked for before the application object exists: every program of the
// shell's library may come to load the engine later.
[[maybe_unused]] const bool sharedContexts = [] {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    return true;
}();

QPluginLoader *loader = nullptr;
WebEngineFactory *loaded = nullptr;
} // namespace

QString EngineLoader::libraryPath()
{
    // The shell's library, wherever the program that uses it lies.
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void *>(&EngineLoader::libraryPath), &info) || !info.dli_fname)
        return QString();
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath() +
           QStringLiteral("/vantara_webengine.so");
}

WebEngineFactory *EngineLoader::factory()
{
    if (loader)
        return loaded;
    loader = new QPluginLoader(libraryPath());
    loaded = qobject_cast<WebEngineFactory *>(loader->instance());
    if (!loaded)
        qWarning("The modern web engine could not be loaded (%s): remote pages open in QtWebKit",
                 qUtf8Printable(loader->errorString()));
    return loaded;
}

bool EngineLoader::isLoaded()
{
    return loaded;
}
