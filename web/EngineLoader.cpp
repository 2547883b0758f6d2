#include "web/EngineLoader.h"

#include "web/OpenGLProbe.h"
#include "web/WebEngineFactory.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QOpenGLContext>
#include <QPluginLoader>
#include <QWidget>
#include <QWindow>
#include <dlfcn.h>

// QtGui's own, which QtWebEngine uses in the same way when it is loaded late.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext *context);
Q_GUI_EXPORT QOpenGLContext *qt_gl_global_share_context();

namespace
{
QOpenGLContext *shared = nullptr;

// QtWebEngine shares OpenGL contexts with the application. Asked for before
// the application object exists (Qt::AA_ShareOpenGLContexts), Qt would make
// that context at every start of the shell, which never needs it for the home
// screen and local apps; made here, before the engine's libraries load, and
// before any context of the process that should share it, only a process
// that shows a remote page pays for it. Without OpenGL there is none to make:
// the engine paints in software.
void shareOpenGLContexts()
{
    if (qt_gl_global_share_context() || !qobject_cast<QGuiApplication *>(qApp) ||
        QGuiApplication::platformName() == QLatin1String("offscreen"))
        return;
    auto *context = new QOpenGLContext;
    context->setFormat(QSurfaceFormat::defaultFormat());
    if (!context->create()) {
        delete context;
        return;
    }
    shared = context;
    qt_gl_set_global_share_context(shared);
    qAddPostRoutine([] {
        qt_gl_set_global_share_context(nullptr);
        delete shared;
        shared = nullptr;
    });
}

// QtWebEngine asks the display's OpenGL about itself even when it paints in
// software, which loads the driver. Qt's X11 platform chooses its OpenGL
// once, when first asked: asked now under "none", it has none for the rest
// of the process. Programs the shell starts keep the variable as it was.
void withoutOpenGL()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    const bool had = qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION");
    const QByteArray was = qgetenv("QT_XCB_GL_INTEGRATION");
    qputenv("QT_XCB_GL_INTEGRATION", "none");
    QOpenGLContext::supportsThreadedOpenGL();
    if (had)
        qputenv("QT_XCB_GL_INTEGRATION", was);
    else
        qunsetenv("QT_XCB_GL_INTEGRATION");
}

QPluginLoader *loader = nullptr;
WebEngineFactory *loaded = nullptr;
bool rasterUntilLoaded = false;

// The windows made as plain raster ones, made again able to show OpenGL
// content (RasterGLSurface, what every window is by default).
void letWindowsTakeOpenGL()
{
    if (!rasterUntilLoaded)
        return;
    rasterUntilLoaded = false;
    QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets, false);
    for (QWidget *top : QApplication::topLevelWidgets()) {
        QWindow *window = top->windowHandle();
        if (!window || window->surfaceType() != QSurface::RasterSurface)
            continue;
        const bool shown = window->isVisible();
        const bool active = window->isActive();
        window->destroy();
        window->setSurfaceType(QSurface::RasterGLSurface);
        window->create();
        if (shown)
            window->show();
        if (active)
            window->requestActivate();
    }
}
} // namespace

void EngineLoader::rasterWindowsUntilLoaded()
{
    // Elsewhere a window takes the driver only when it first shows OpenGL.
    if (loaded || QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    rasterUntilLoaded = true;
    QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets, true);
}

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
    const OpenGLProbe::Answer openGL = OpenGLProbe::answer();
    if (openGL == OpenGLProbe::Answer::Software || openGL == OpenGLProbe::Answer::None) {
        qputenv("QT_QUICK_BACKEND", "software");
        withoutOpenGL();
    }
    // Painting in software, the windows stay raster ones and no driver loads.
    if (qgetenv("QT_QUICK_BACKEND") != "software") {
        letWindowsTakeOpenGL();
        shareOpenGLContexts();
    }
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
