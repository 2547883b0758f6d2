// Remote web apps: the same light pages served from 127.0.0.1.
// - memory: PSS of the whole process tree (the program and the engine's
//   helper processes) with 1 and 10 web apps opened in turn, each painted
//   before the next opens, for the shell (its home screen shown too) against
//   Chromium --app windows of the same pages (its whole tree, as a user runs
//   it, with only what keeps it quiet and on this machine) and against one
//   process of bare QWebEngineViews (bench_bareengine). The shell runs with
//   its default settings (discarding on), with nothing rested, with every
//   page out of sight frozen, and with every one discarded: the last two say
//   what a frozen and a discarded page save.
// - first open: from the home page's slot call to the page loaded and then
//   painted on the display, against a bare QWebEngineView made, loaded and
//   shown at that moment in a program whose window is up (bench_bareengine).
// Each figure is a fresh process; medians of the rounds. Run it on a display
// (xvfb-run -s "-screen 0 1280x800x24"); without one the views are offscreen.
#include "AppBench.h"
#include "BenchUtil.h"
#include "ProcessMemory.h"
#include "TestHttpServer.h"
#include "web/EngineLoader.h"
#include "web/OpenGLProbe.h"

#include <QApplication>
#include <QEventLoop>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace
{
const int appCount = 10;
const int settleMs = 6000;
// Past the shell's memory release a few seconds after start-up; the bare
// program waits as long.
const int firstOpenSettleMs = 5000;

// What the shell is told in its settings.xml.
QByteArray settingsFor(const QString &rest)
{
    const QByteArray never = "604800";
    if (rest == QLatin1String("none"))
        return "<settings><freezeAfter>" + never + "</freezeAfter><discardAfter>" + never +
               "</discardAfter><keepLoaded>100</keepLoaded></settings>";
    if (rest == QLatin1String("frozen"))
        return "<settings><freezeAfter>1</freezeAfter><discardAfter>" + never +
               "</discardAfter><keepLoaded>100</keepLoaded></settings>";
    if (rest == QLatin1String("discarded"))
        return "<settings><keepLoaded>0</keepLoaded></settings>";
    if (rest.startsWith(QLatin1String("keep")))
        return "<settings><keepLoaded>" + rest.mid(4).toLatin1() + "</keepLoaded></settings>";
    return {};
}

void printTree()
{
    std::printf("%ld\n", ProcessMemory::treeRollupKiB(
                             "Pss", QByteArray::number(QCoreApplication::applicationPid())));
}

AppView *onTop(const AppBench &bench)
{
    return AppView::of(bench.window->stack()->currentWidget());
}

int shellChild(int open, const QString &base, const QString &rest)
{
    AppBench bench(appCount, base, settingsFor(rest));
    Bench::waitPainted(bench.window->homeView());
    for (int i = 0; i < open; ++i)
        if (bench.open(i).wall < 0 ||
            !Bench::waitPainted(Bench::pageSurface(onTop(bench)->widget())))
            return 1;
    Bench::settle(settleMs);
    printTree();
    return 0;
}

// preloaded: the engine library loaded before the clock starts, which
// tells what its loading on first use costs.
int firstOpenChild(const QString &base, bool preloaded)
{
    AppBench bench(1, base, {});
    if (preloaded && !EngineLoader::factory())
        return 1;
    Bench::waitPainted(bench.window->homeView());
    Bench::settle(firstOpenSettleMs);
    QElapsedTimer clock;
    clock.start();
    bench.window->on_pushButton_clicked(AppBench::name(0), AppBench::name(0));
    AppView *view = onTop(bench);
    QSignalSpy loaded(view, &AppView::loadFinished);
    if (!view || !loaded.wait(60000) || !Bench::waitPainted(Bench::pageSurface(view->widget())))
        return 1;
    std::printf("%.1f\n", clock.nsecsElapsed() / 1e6);
    return 0;
}

// Runs the event loop (the server answers from it) until p ends.
bool finish(QProcess &p, int timeoutMs)
{
    QEventLoop loop;
    QObject::connect(&p, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), &loop,
                     &QEventLoop::quit);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (p.state() != QProcess::NotRunning)
        loop.exec();
    if (p.state() != QProcess::NotRunning) {
        p.kill();
        p.waitForFinished();
        return false;
    }
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The number a child printed, or -1.
double runChild(const QString &program, const QStringList &args,
                const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!finish(p, 600000))
        return -1;
    bool ok = false;
    const double v = p.readAllStandardOutput().trimmed().split('\n').last().toDouble(&ok);
    return ok && v > 0 ? v : -1;
}

QString bareProgram()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/bench_bareengine");
}

bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return done();
}

// Chromium's whole tree with open app windows, in KiB; -1 when one did not load.
double chromiumPss(int open, TestHttpServer &server)
{
    QTemporaryDir profile;
    QStringList common{
        QStringLiteral("--user-data-dir=") + profile.path(), QStringLiteral("--no-first-run"),
        QStringLiteral("--no-default-browser-check"), QStringLiteral("--password-store=basic"),
        // Nothing leaves the machine: no updates, no sync, and
        // every other host behind a proxy that is not there.
        QStringLiteral("--disable-background-networking"),
        QStringLiteral("--disable-component-update"), QStringLiteral("--disable-sync"),
        QStringLiteral("--proxy-server=http://127.0.0.1:9"),
        QStringLiteral("--window-position=0,0"), QStringLiteral("--window-size=1280,800")};
    // As root Chromium runs only without its sandbox; so does QtWebEngine.
    if (::geteuid() == 0)
        common << QStringLiteral("--no-sandbox");
    QProcess browser;
    double pss = -1;
    for (int i = 0; i < open; ++i) {
        const int before = server.requestCount(AppBench::loadedPath(i).toLatin1());
        const QString app = QStringLiteral("--app=") + server.url(Bench::remotePath(i)).toString();
        if (i == 0) {
            browser.start(QStringLiteral("chromium"), common + QStringList{app});
        } else {
            // Handed to the running browser, which opens another window.
            QProcess another;
            another.start(QStringLiteral("chromium"), common + QStringList{app});
            finish(another, 60000);
        }
        if (!waitUntil(
                [&] { return server.requestCount(AppBench::loadedPath(i).toLatin1()) > before; },
                60000)) {
            open = -1;
            break;
        }
    }
    if (open > 0) {
        Bench::settle(settleMs);
        pss = ProcessMemory::treeRollupKiB("Pss", QByteArray::number(browser.processId()));
    }
    const QList<QByteArray> tree =
        ProcessMemory::processTree(QByteArray::number(browser.processId()));
    browser.terminate();
    if (!finish(browser, 20000))
        for (const QByteArray &pid : tree)
            ::kill(pid.toInt(), SIGKILL);
    return pss;
}

struct Sample {
    std::vector<double> values;
    bool add(double v)
    {
        values.push_back(v / 1024);
        return v > 0;
    }
    double median() const { return Bench::median(values); }
};

int memory(int rounds, TestHttpServer &server)
{
    const QString base = server.url(QString()).toString();
    const QString self = QCoreApplication::applicationFilePath();
    std::printf("== memory: baselines: Chromium --app windows of the same pages (its whole "
                "process tree), and one process of bare QWebEngineViews; PSS of each program's "
                "whole process tree\n");
    Sample home, shell1, shell10, kept10, frozen10, discarded10, keep1, keep2, chromium1,
        chromium10, bare1, bare10;
    const QString n1 = QStringLiteral("1"), n10 = QString::number(appCount);
    for (int r = 0; r < rounds; ++r) {
        const bool ok = home.add(runChild(self, {"--shell", "0", base, "default"})) &&
                        shell1.add(runChild(self, {"--shell", n1, base, "default"})) &&
                        shell10.add(runChild(self, {"--shell", n10, base, "default"})) &&
                        kept10.add(runChild(self, {"--shell", n10, base, "none"})) &&
                        frozen10.add(runChild(self, {"--shell", n10, base, "frozen"})) &&
                        discarded10.add(runChild(self, {"--shell", n10, base, "discarded"})) &&
                        keep1.add(runChild(self, {"--shell", n10, base, "keep1"})) &&
                        keep2.add(runChild(self, {"--shell", n10, base, "keep2"})) &&
                        bare1.add(runChild(bareProgram(), {"--memory", n1, base})) &&
                        bare10.add(runChild(bareProgram(), {"--memory", n10, base})) &&
                        chromium1.add(chromiumPss(1, server)) &&
                        chromium10.add(chromiumPss(appCount, server));
        if (!ok) {
            std::printf("a measurement failed\n");
            return 1;
        }
    }
    const double extra = appCount - 1;
    std::printf("medians of %d runs, PSS in MB\n", rounds);
    std::printf("home screen alone: shell %.1f\n", home.median());
    std::printf("1 app: shell %.1f, Chromium %.1f, bare views %.1f\n", shell1.median(),
                chromium1.median(), bare1.median());
    std::printf("%d apps: shell %.1f (default settings), %.1f (nothing rested), %.1f (all out "
                "of sight frozen), %.1f (all discarded); Chromium %.1f, bare views %.1f\n",
                appCount, shell10.median(), kept10.median(), frozen10.median(),
                discarded10.median(), chromium10.median(), bare10.median());
    std::printf("%d apps, 1 or 2 pages out of sight kept loaded: %.1f, %.1f\n", appCount,
                keep1.median(), keep2.median());
    std::printf("a page out of sight saves: frozen %.1f MB, discarded %.1f MB\n",
                (kept10.median() - frozen10.median()) / extra,
                (kept10.median() - discarded10.median()) / extra);
    std::printf("per extra app: shell %.1f MB with discarding (default settings), %.1f MB "
                "without; Chromium %.1f MB, bare views %.1f MB\n",
                (shell10.median() - shell1.median()) / extra,
                (kept10.median() - shell1.median()) / extra,
                (chromium10.median() - chromium1.median()) / extra,
                (bare10.median() - bare1.median()) / extra);
    std::printf("1 app: ratio to Chromium %.3f (goal <= 0.75), to bare views %.3f\n",
                shell1.median() / chromium1.median(), shell1.median() / bare1.median());
    std::printf("%d apps visited in turn: ratio to Chromium %.3f with discarding (goal <= 0.6), "
                "%.3f without; to bare views %.3f with, %.3f without\n",
                appCount, shell10.median() / chromium10.median(),
                kept10.median() / chromium10.median(), shell10.median() / bare10.median(),
                kept10.median() / bare10.median());
    return 0;
}

int firstOpen(int rounds, TestHttpServer &server)
{
    const QString base = server.url(QString()).toString();
    std::printf("== first open: baseline: a bare QWebEngineView made, loaded and shown in a "
                "program whose window is up; to the page loaded and then painted\n");
    // The shell paints in software where OpenGL is only a software
    // rasterizer; a bare program paints through whatever OpenGL there is. The
    // second baseline paints in software too, which leaves only the shell's
    // own work as the difference.
    QProcess probe;
    probe.start(OpenGLProbe::programPath(), QStringList());
    probe.waitForFinished();
    std::printf("this display's OpenGL: %s\n",
                probe.exitCode() == 0 ? probe.readAllStandardOutput().trimmed().constData()
                                      : "none");
    QProcessEnvironment software = QProcessEnvironment::systemEnvironment();
    software.insert(QStringLiteral("QT_QUICK_BACKEND"), QStringLiteral("software"));
    std::vector<double> shell, preloaded, bare, bareSoftware;
    const QString self = QCoreApplication::applicationFilePath();
    for (int r = 0; r < rounds; ++r) {
        shell.push_back(runChild(self, {"--first", base}));
        preloaded.push_back(runChild(self, {"--first", base, "preloaded"}));
        bare.push_back(runChild(bareProgram(), {"--first", base}));
        bareSoftware.push_back(runChild(bareProgram(), {"--first", base}, software));
        if (shell.back() < 0 || preloaded.back() < 0 || bare.back() < 0 ||
            bareSoftware.back() < 0) {
            std::printf("a measurement failed\n");
            return 1;
        }
    }
    std::printf("first open of a remote app: shell %.1f ms (%.1f ms with the engine library "
                "loaded beforehand), bare view %.1f ms, bare view painting in software %.1f ms "
                "(medians of %d)\n",
                Bench::median(shell), Bench::median(preloaded), Bench::median(bare),
                Bench::median(bareSoftware), rounds);
    std::printf("ratio: %.3f (goal <= 1.2); with the library loaded beforehand %.3f; to the bare "
                "view painting in software %.3f\n",
                Bench::median(shell) / Bench::median(bare),
                Bench::median(preloaded) / Bench::median(bare),
                Bench::median(shell) / Bench::median(bareSoftware));
    return 0;
}
} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home;
    AppBench::isolate(home);
    if (argc > 4 && qstrcmp(argv[1], "--shell") == 0) {
        QApplication app(argc, argv);
        return shellChild(QByteArray(argv[2]).toInt(), QString::fromLocal8Bit(argv[3]),
                          QString::fromLocal8Bit(argv[4]));
    }
    if (argc > 2 && qstrcmp(argv[1], "--first") == 0) {
        QApplication app(argc, argv);
        return firstOpenChild(QString::fromLocal8Bit(argv[2]), argc > 3);
    }
    QCoreApplication app(argc, argv);
    TestHttpServer server;
    if (!server.start()) {
        std::printf("no server\n");
        return 1;
    }
    for (int i = 0; i < appCount; ++i) {
        server.route(Bench::remotePath(i).toLatin1(), AppBench::remotePage(i));
        server.route(AppBench::loadedPath(i).toLatin1(), QByteArray(), "image/gif");
    }
    // The parts to run, after the number of rounds: memory, first (both when
    // none is named).
    const Bench::Parts parts(argc, argv);
    const int rounds = parts.rounds;
    const auto wanted = [&parts](const char *part) { return parts.wanted(part); };
    if (wanted("memory") && memory(rounds, server) != 0)
        return 1;
    if (wanted("first") && firstOpen(std::max(rounds, 5), server) != 0)
        return 1;
    return 0;
}
