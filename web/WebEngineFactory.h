#pragma once

#include <QByteArray>
#include <QString>
#include <QtPlugin>

class AppView;
class ShellHost;

// What a QtWebEngine view is made with.
struct EngineViewSetup {
    QString appName;    // heads its error pages (see AppView::setApp)
    QByteArray appIcon; // PNG data
    // The folder of its persistent storage (web storage, cache): views with
    // the same folder share it. Never off the record.
    QString storageFolder;
    // The per-site cookie file its cookies are kept in (the jar name a
    // QtWebKit view would get, web/NetworkCookieJar); the first view of a
    // storage folder decides it for the folder's views.
    QString cookieJar;
    // Every request's header carries the mobile agent (web/NT) while script
    // still reads the desktop one; otherwise both are the desktop agent.
    bool mobileRequests = false;
    // Added to every page it shows, after the page's own.
    QString styleSheet;
    // Windows its pages open become pages of the stack (web/WindowAllowance);
    // the views of those windows open no further windows.
    bool opensWindows = true;
};

// The engine library's entry: the only thing the shell knows of it. It is
// loaded on first use by web/EngineLoader.
class WebEngineFactory
{
public:
    virtual ~WebEngineFactory() = default;

    // A new view, its widget without parent; shell places the windows its
    // pages open.
    virtual AppView *createView(const EngineViewSetup &setup, ShellHost &shell) = 0;
};

#define VANTARA_WEB_ENGINE_FACTORY_IID "app.vantara.WebEngineFactory/1"
Q_DECLARE_INTERFACE(WebEngineFactory, VANTARA_WEB_ENGINE_FACTORY_IID)
