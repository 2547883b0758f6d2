#pragma once

#include "shell/AppView.h"

#include <QString>

struct AppDescriptor;
struct ShellSettings;

// Which engine shows a page the shell opens, decided here and nowhere else.
//
// QtWebKit shows the shell's own pages: the home page, local apps, the mail
// panel's account list, and web apps on the trusted host over https, which
// get api. Remote content runs in QtWebEngine, out of the shell's process and
// sandboxed: web apps elsewhere, the Browser, the mail panel's sites, and
// every window these open (a window always has its opener's engine). The
// light choice of the settings (ShellSettings::isLight) keeps named apps, or
// all, in QtWebKit.
namespace EngineChoice
{
// The Browser's name in the light choice.
QString browserName();
// Whether the launcher opens address as it is (it names http or https).
bool isWebAddress(const QString &address);

// An app opened from the home screen as name with launch address ll.
AppView::Engine forApp(const AppDescriptor &app, const QString &name, const QString &ll,
                       const ShellSettings &settings);
// The Browser (the dock's item, which opens the start page).
AppView::Engine forBrowser(const ShellSettings &settings);
// Whether the app called name may be moved to the light engine (and back)
// on its own: a web app that QtWebEngine shows unless the settings say
// otherwise.
bool offersLight(const AppDescriptor &app, const QString &name);
// A web-mail site of the mail panel.
AppView::Engine forMailSite(const ShellSettings &settings);
} // namespace EngineChoice
