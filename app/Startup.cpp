#include "app/Startup.h"

#include "app/ExceptionApplication.h"
#include "app/MainWindow.h"

int runVantara(int &argc, char **argv)
{
    ExceptionApplication app(argc, argv);
    // Plug-ins (image formats, the media back-end) may sit beside the program.
    QCoreApplication::addLibraryPath(QCoreApplication::applicationDirPath());
    MainWindow window;
    window.show();
    return app.exec();
}
