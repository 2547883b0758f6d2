#pragma once

#include <QString>

class WebEngineFactory;

// Loads the engine library (vantara_webengine, QtWebEngine) the first time a
// page needs it: merely linking QtWebEngine costs every start of the shell
// memory that the home screen and local apps never use. The library lies
// beside the shell's own (libvantara), in the build folder as installed.
class EngineLoader
{
public:
    // The library's factory, loaded now if it is not yet; null when it
    // cannot be loaded (said once in the log).
    static WebEngineFactory *factory();
    // Whether the library is loaded in this process.
    static bool isLoaded();
    // Where the library is looked for.
    static QString libraryPath();
    // Windows made from now until the library loads are plain raster ones.
    // On X11 a window that can take OpenGL content (what QtWebEngine's views
    // need) makes the OpenGL driver load with it, about 9 MB that the home
    // screen never uses; when the library loads, the windows made meanwhile
    // are made again, able to.
    static void rasterWindowsUntilLoaded();
};
