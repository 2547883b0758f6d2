// Start-up: from process start to the first grid icon painted, for the shell
// and for a bare web view program showing the same compiled-in home page with
// the same icons (the same calls the shell makes once the page is loaded).
// Each run is a fresh process in a throw-away home, XDG folders and working
// folder; the driver alternates them and prints the ratio of medians.
// The shell is also timed against itself without any part of the modern
// engine at start-up: its library is loaded on first use only, and
// Qt::AA_ShareOpenGLContexts (which on a display with OpenGL makes Qt create
// a shared context at start-up) is cleared before the application object
// exists, whatever the shell's library asks for.
// Run it on a display (xvfb-run -s "-screen 0 1280x800x24"); without one the
// views are offscreen, which the output says.

#include "BenchUtil.h"
#include "app/ExceptionApplication.h"
#include "app/MainWindow.h"
#include "apps/AppCatalogue.h"
#include "shell/ScriptCall.h"

#include <QApplication>
#include <QDesktopWidget>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QWebFrame>
#include <QWebPage>
#include <QWebView>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{
// Tells, at the first paint of the view once a grid icon's picture is in,
// that the icon is on the screen.
class IconPaintWatch : public QObject
{
public:
    explicit IconPaintWatch(QWebView *v) : view(v) { view->installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == view && event->type() == QEvent::Paint && !done && iconReady()) {
            done = true;
            std::puts("painted");
            std::fflush(stdout);
            QMetaObject::invokeMethod(
                qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
        }
        return false;
    }

private:
    bool iconReady() const
    {
        return view->page()
            ->mainFrame()
            ->evaluateJavaScript(QStringLiteral(
                "(function(){var i = document.querySelector('#swipe_container img.imgicon');"
                " return !!i && i.complete && i.naturalWidth > 0;})()"))
            .toBool();
    }

    QWebView *view;
    bool done = false;
};

int runChild(int argc, char **argv, bool shell)
{
    ExceptionApplication app(argc, argv);
    QCoreApplication::addLibraryPath(QCoreApplication::applicationDirPath());
    QWebView *view = nullptr;
    MainWindow *window = nullptr;
    if (shell) {
        // It shows itself once its home screen is drawn, as the program's does.
        window = new MainWindow;
        view = window->homeView();
    } else {
        view = new QWebView;
        view->showFullScreen();
        // The icons as the shell lists them, once the page is there.
        QObject::connect(view, &QWebView::loadFinished, view, [view] {
            QWebFrame *frame = view->page()->mainFrame();
            const QRect screen = QApplication::desktop()->screenGeometry(view);
            ScriptCall::run(frame, QStringLiteral("sizeitems"), {screen.width(), screen.height()});
            ScriptCall::run(frame, QStringLiteral("sizeitems"), {view->width(), view->height()});
            const QString apps = QCoreApplication::applicationDirPath() + QStringLiteral("/Apps");
            ScriptCall::run(frame, QStringLiteral("makeapp"),
                            {AppCatalogue::appNames(apps).join(QLatin1Char(',')),
                             AppCatalogue::cleanFolderPath(apps)});
        });
        view->setUrl(QUrl(QStringLiteral("qrc:/Lumo.html")));
    }
    IconPaintWatch watch(view);
    int rc = app.exec();
    // The home screen alone never loads the engine.
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (shell && maps.open(QIODevice::ReadOnly) && maps.readAll().contains("WebEngineCore"))
        rc = 3;
    delete window;
    if (!shell)
        delete view;
    return rc;
}

double timeChild(const QString &program, const QString &mode, const QString &workDir)
{
    QProcess p;
    p.setWorkingDirectory(workDir);
    QElapsedTimer t;
    t.start();
    p.start(program, {mode});
    p.waitForStarted();
    while (!p.readAllStandardOutput().contains("painted")) {
        if (!p.waitForReadyRead(30000)) {
            p.kill();
            p.waitForFinished();
            return -1;
        }
    }
    const double ms = t.nsecsElapsed() / 1e6;
    p.waitForFinished(30000);
    return p.exitCode() == 0 ? ms : -1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--shell") == 0)
        return runChild(argc, argv, true);
    if (argc > 1 && qstrcmp(argv[1], "--plain-shell") == 0) {
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts, false);
        return runChild(argc, argv, true);
    }
    if (argc > 1 && qstrcmp(argv[1], "--bare") == 0)
        return runChild(argc, argv, false);

    // Nothing of either program reaches the user's own folders.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + "/.local/share").toLocal8Bit());
    qputenv("XDG_CACHE_HOME", (home.path() + "/.cache").toLocal8Bit());
    const bool onDisplay =
        !qgetenv("DISPLAY").isEmpty() && qgetenv("QT_QPA_PLATFORM") != "offscreen";
    if (!onDisplay)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication app(argc, argv);
    const QString work = home.path() + "/work";
    QDir().mkpath(work);
    const int rounds = argc > 1 ? QByteArray(argv[1]).toInt() : 9;
    std::vector<double> shell, bare, plain;
    // One warm-up of each, so each finds the libraries in the page cache.
    timeChild(app.applicationFilePath(), "--bare", work);
    timeChild(app.applicationFilePath(), "--shell", work);
    timeChild(app.applicationFilePath(), "--plain-shell", work);
    for (int i = 0; i < rounds; ++i) {
        bare.push_back(timeChild(app.applicationFilePath(), "--bare", work));
        shell.push_back(timeChild(app.applicationFilePath(), "--shell", work));
        plain.push_back(timeChild(app.applicationFilePath(), "--plain-shell", work));
    }
    for (const auto *v : {&shell, &bare, &plain})
        if (std::count(v->begin(), v->end(), -1.0)) {
            std::printf("a program never painted its first icon, or loaded the engine\n");
            return 1;
        }
    const double s = Bench::median(shell), b = Bench::median(bare), p = Bench::median(plain);
    std::printf("baseline: a bare web view program showing the same home page with the same icons, "
                "process start to its first icon painted\n");
    std::printf("start to first grid icon painted (%s): shell %.1f ms, bare web view %.1f ms "
                "(medians of %d)\n",
                onDisplay ? "on the display" : "offscreen", s, b, rounds);
    std::printf("ratio: %.3f (goal <= 1.25)\n", s / b);
    std::printf("baseline: the same shell without the modern engine's part at start-up "
                "(Qt::AA_ShareOpenGLContexts cleared before the application object; the engine "
                "library is loaded by neither)\n");
    std::printf("shell %.1f ms, without the engine's part %.1f ms: ratio %.3f (goal <= 1.02)\n", s,
                p, s / p);
    return 0;
}
