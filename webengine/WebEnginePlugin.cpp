#include "webengine/WebEnginePlugin.h"

#include "shell/ShellHost.h"
#include "shell/ShellPaths.h"
#include "web/NetworkCookieJar.h"
#include "webengine/EngineProfiles.h"
#include "webengine/WebEngineAppView.h"

#include <QOpenGLContext>
#include <unistd.h>

WebEnginePlugin::WebEnginePlugin()
{
    // QtWebEngine refuses to start as root with its sandbox on. Only a test
    // machine runs the shell as root; every user keeps the sandbox.
    if (::geteuid() == 0) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        qWarning("The shell runs as root: the web engine's sandbox is off");
    }
    // Without OpenGL (a display that has none, the offscreen platform) the
    // engine paints in software.
    const QOpenGLContext *shared = QOpenGLContext::globalShareContext();
    if ((!shared || !shared->isValid()) && qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        qputenv("QT_QUICK_BACKEND", "software");
}

AppView *WebEnginePlugin::createView(const EngineViewSetup &setup, ShellHost &shell)
{
    const QString cookieFile =
        NetworkCookieJar::filePathFor(setup.cookieJar, shell.paths().cookieFolder());
    return WebEngineAppView::make(
        setup, EngineProfiles::forFolder(setup.storageFolder, setup.mobileRequests, cookieFile),
        shell);
}
