// Time from the catalogue's calls (sizeitems, makeapp) until the first grid
// page of the home screen is drawn with its icons, for 1,000 and 10,000 apps,
// against the same page given 28 apps, all in this run.
#include "shell/ScriptCall.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWebFrame>
#include <QWebView>
#include <algorithm>
#include <cstdio>

namespace
{
// What the page calls on its myob while it fills the grid: nothing, but it
// must be there.
class QuietBridge : public QObject
{
    Q_OBJECT
};

bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// The measured stretch, a function of its own so that a profile can count
// its instructions alone:
//   valgrind --tool=callgrind --toggle-collect='*fillFirstPage*' ./bench_makeapp --one 10000
__attribute__((noinline)) bool fillFirstPage(QWebFrame *frame, const QStringList &names,
                                             const QString &folder, QImage &canvas)
{
    ScriptCall::run(frame, QStringLiteral("sizeitems"), {1280, 800});
    ScriptCall::run(frame, QStringLiteral("makeapp"), {names.join(QLatin1Char(',')), folder});
    const QString firstPageReady =
        QStringLiteral("(function(){ var i = jQuery('#swipe_container div.item:first img');"
                       " return i.length == 28 && i.filter(function(){ return !this.complete || "
                       "!this.naturalWidth; }).length == 0; })()");
    if (!waitUntil([&] { return frame->evaluateJavaScript(firstPageReady).toBool(); }, 600000))
        return false;
    QPainter painter(&canvas);
    frame->render(&painter, QRegion(0, 0, 1280, 800));
    return true;
}

// One measurement on a fresh home page; milliseconds, or -1 on failure.
double firstPageMs(const QStringList &names, const QString &folder)
{
    QuietBridge bridge;
    QWebView view;
    view.resize(1280, 800);
    view.show();
    QWebFrame *frame = view.page()->mainFrame();
    QObject::connect(frame, &QWebFrame::javaScriptWindowObjectCleared, &bridge,
                     [&] { frame->addToJavaScriptWindowObject(QStringLiteral("myob"), &bridge); });
    QSignalSpy loaded(&view, SIGNAL(loadFinished(bool)));
    view.load(QUrl(QStringLiteral("qrc:/Lumo.html")));
    if (!loaded.wait(300000))
        return -1;
    QImage canvas(1280, 800, QImage::Format_RGB32);

    QElapsedTimer t;
    t.start();
    if (!fillFirstPage(frame, names, folder, canvas))
        return -1;
    return t.nsecsElapsed() / 1e6;
}

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.at(v.size() / 2);
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);

    // An Apps folder of 10,000 apps, each with an icon (links to one file).
    QTemporaryDir dir;
    const QString folder = QDir::cleanPath(dir.path() + QStringLiteral("/Apps"));
    QDir().mkpath(folder);
    const QString icon = dir.filePath(QStringLiteral("icon.png"));
    QFile::copy(QStringLiteral(":/assets/ios7/safari.png"), icon);
    QStringList names;
    for (int i = 0; i < 10000; ++i) {
        const QString name = QStringLiteral("App %1").arg(i, 5, 10, QLatin1Char('0'));
        QDir(folder).mkdir(name);
        QFile::link(icon, folder + QLatin1Char('/') + name + QStringLiteral("/icon.png"));
        names << name;
    }

    // --one <count>: a single measurement, for a profile.
    if (argc > 2 && qstrcmp(argv[1], "--one") == 0) {
        const int n = std::min(10000, std::max(1, QByteArray(argv[2]).toInt()));
        const double ms = firstPageMs(names.mid(0, n), folder);
        std::printf("makeapp %d names: %.1f ms\n", n, ms);
        return ms < 0 ? 1 : 0;
    }
    const int runs = 5;
    QMap<int, QList<double>> times;
    for (int r = 0; r < runs; ++r)
        for (int n : {28, 1000, 10000}) {
            const double ms = firstPageMs(names.mid(0, n), folder);
            if (ms < 0) {
                std::printf("failed: the first page with %d apps was not drawn\n", n);
                return 1;
            }
            times[n] << ms;
        }
    const double base = median(times[28]);
    std::printf("baseline: the same home page given 28 names, from the calls to the first grid "
                "page drawn\n");
    for (int n : {28, 1000, 10000})
        std::printf("makeapp %5d names: median %.1f ms over %d runs\n", n, median(times[n]), runs);
    std::printf("ratio 1000/28: %.2f\n", median(times[1000]) / base);
    std::printf("ratio: %.2f (goal <= 3.00, 10000 against 28 names)\n",
                median(times[10000]) / base);
    return 0;
}

#include "bench_makeapp.moc"
