// The baseline of bench_remoteapps, which runs it: bare QWebEngineViews in
// one program, as a program that links QtWebEngine makes them.
//   --memory n base   n views, the page at base/app<i> in view i, each
//                     loaded and painted before the next; prints the PSS of
//                     the whole process tree (KiB)
//   --first base      the window up, then one view made, loaded and shown;
//                     prints the ms to the page loaded and then painted
#include "BenchUtil.h"
#include "ProcessMemory.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QOpenGLContext>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QWebEngineView>
#include <cstdio>
#include <unistd.h>

namespace
{
// Loads app i into a new view on top of stack; true once it is painted.
bool openView(QStackedWidget &stack, const QString &base, int i)
{
    auto *view = new QWebEngineView;
    stack.addWidget(view);
    stack.setCurrentWidget(view);
    QSignalSpy loaded(view, &QWebEngineView::loadFinished);
    view->load(QUrl(base + Bench::remotePath(i)));
    return loaded.wait(60000) && Bench::waitPainted(Bench::pageSurface(view));
}
} // namespace

int main(int argc, char **argv)
{
    // Nothing of it reaches the user's own folders.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + "/.local/share").toLocal8Bit());
    qputenv("XDG_CACHE_HOME", (home.path() + "/.cache").toLocal8Bit());
    Bench::useDisplayWhenThere();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // As the shell does: no sandbox as root, software painting without OpenGL.
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QApplication app(argc, argv);
    const QOpenGLContext *shared = QOpenGLContext::globalShareContext();
    if ((!shared || !shared->isValid()) && qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        qputenv("QT_QUICK_BACKEND", "software");
    if (argc < 3)
        return 2;
    QStackedWidget stack;
    stack.showFullScreen();
    if (qstrcmp(argv[1], "--memory") == 0 && argc > 3) {
        const QString base = QString::fromLocal8Bit(argv[3]);
        for (int i = 0; i < QByteArray(argv[2]).toInt(); ++i)
            if (!openView(stack, base, i))
                return 1;
        Bench::settle(6000);
        std::printf("%ld\n", ProcessMemory::treeRollupKiB(
                                 "Pss", QByteArray::number(QCoreApplication::applicationPid())));
        return 0;
    }
    if (qstrcmp(argv[1], "--first") == 0) {
        Bench::waitPainted(&stack);
        Bench::settle(5000);
        QElapsedTimer clock;
        clock.start();
        if (!openView(stack, QString::fromLocal8Bit(argv[2]), 0))
            return 1;
        std::printf("%.1f\n", clock.nsecsElapsed() / 1e6);
        return 0;
    }
    return 2;
}
