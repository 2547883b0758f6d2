#pragma once

#include "web/WebEngineFactory.h"

#include <QObject>

// The engine library's factory. Made when the library is first loaded, it
// prepares the process for QtWebEngine before any of its objects exist.
class WebEnginePlugin : public QObject, public WebEngineFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID VANTARA_WEB_ENGINE_FACTORY_IID)
    Q_INTERFACES(WebEngineFactory)

public:
    WebEnginePlugin();

    AppView *createView(const EngineViewSetup &setup, ShellHost &shell) override;
};
