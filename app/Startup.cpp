#include "app/Startup.h"

#include "app/ExceptionApplication.h"
#include "app/MainWindow.h"
#include "shell/KeyboardChoice.h"

#include <QDir>

int runVantara(int &argc, char **argv)
{
    // The on-screen keyboard's input method is taken when the application
    // object is made.
    KeyboardChoice::applyAtStart(QDir::currentPath());
    ExceptionApplication app(argc, argv);
    // Plug-ins (image formats, the media back-end) may sit beside the program.
    const ShellPaths paths = ShellPaths::ofProcess();
    QCoreApplication::addLibraryPath(paths.programFolder());
    // The window shows itself once the home screen is drawn.
    MainWindow window(paths);
    return app.exec();
}
