// Start-up: from process start to the home page's first loadFinished, for the
// shell and for a bare web view loading the same compiled-in page. Each run is
// a fresh process; the driver alternates them and prints the ratio of medians.

#include "app/ExceptionApplication.h"
#include "app/MainWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QWebView>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{
int runChild(int argc, char **argv, bool shell)
{
    ExceptionApplication app(argc, argv);
    QWebView *view = nullptr;
    MainWindow *window = nullptr;
    if (shell) {
        QCoreApplication::addLibraryPath(QCoreApplication::applicationDirPath());
        window = new MainWindow;
        window->show();
        view = window->homeView();
    } else {
        view = new QWebView;
        view->setUrl(QUrl(QStringLiteral("qrc:/Lumo.html")));
        view->showFullScreen();
    }
    QObject::connect(view, &QWebView::loadFinished, [] {
        std::puts("loaded");
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
    const int rc = app.exec();
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
    while (!p.readAllStandardOutput().contains("loaded")) {
        if (!p.waitForReadyRead(30000))
            return -1;
    }
    const double ms = t.nsecsElapsed() / 1e6;
    p.waitForFinished(30000);
    return ms;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--shell") == 0)
        return runChild(argc, argv, true);
    if (argc > 1 && qstrcmp(argv[1], "--bare") == 0)
        return runChild(argc, argv, false);

    QCoreApplication app(argc, argv);
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QTemporaryDir work;
    const int rounds = argc > 1 ? QByteArray(argv[1]).toInt() : 9;
    std::vector<double> shell, bare;
    // One warm-up of each, so both find the libraries in the page cache.
    timeChild(app.applicationFilePath(), "--bare", work.path());
    timeChild(app.applicationFilePath(), "--shell", work.path());
    for (int i = 0; i < rounds; ++i) {
        bare.push_back(timeChild(app.applicationFilePath(), "--bare", work.path()));
        shell.push_back(timeChild(app.applicationFilePath(), "--shell", work.path()));
    }
    const double s = median(shell), b = median(bare);
    std::printf("startup: shell %.1f ms, bare web view %.1f ms (medians of %d)\n", s, b, rounds);
    std::printf("ratio: %.3f (goal <= 1.25)\n", s / b);
    return 0;
}
