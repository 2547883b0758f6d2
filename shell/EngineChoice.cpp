#include "shell/EngineChoice.h"

#include "shell/AppDescriptor.h"
#include "shell/PageKind.h"
#include "shell/ScriptBridge.h"
#include "shell/ShellSettings.h"

#include <QUrl>

namespace
{
using Engine = AppView::Engine;

Engine remote(bool light)
{
    return light ? Engine::WebKit : Engine::WebEngine;
}
} // namespace

QString EngineChoice::browserName()
{
    return QStringLiteral("Browser");
}

bool EngineChoice::isWebAddress(const QString &address)
{
    return address.contains(QLatin1String("http://")) ||
           address.contains(QLatin1String("https://"));
}

Engine EngineChoice::forApp(const AppDescriptor &app, const QString &name, const QString &ll,
                            const ShellSettings &settings)
{
    if (app.type == QLatin1String("local"))
        return Engine::WebKit;
    if (app.type == QLatin1String("web"))
        return ScriptBridge::isTrustedWebAddress(QUrl(app.link)) ? Engine::WebKit
                                                                 : remote(settings.isLight(name));
    // Without a usable descriptor: a web address opened as it is, or only
    // the shell's page saying what is wrong.
    return EngineChoice::isWebAddress(ll) ? remote(settings.isLight(name)) : Engine::WebKit;
}

bool EngineChoice::offersLight(const AppDescriptor &app, const QString &name)
{
    return app.type == QLatin1String("web") &&
           forApp(app, name, name, ShellSettings()) == Engine::WebEngine;
}

Engine EngineChoice::forBrowser(const ShellSettings &settings)
{
    return remote(settings.isLight(browserName()));
}

Engine EngineChoice::forMailSite(const ShellSettings &settings)
{
    return remote(settings.isLight(PageNames::mailPanel()));
}
