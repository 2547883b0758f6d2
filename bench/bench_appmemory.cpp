// Memory, three times over:
// - the leak check: open and close the same local app 50 times through the
//   main window's slots; resident memory after the 50th close against after
//   the 5th. Growth per app shows as a ratio above 1.
// - what the apps cost: PSS (and its anonymous part) of the shell with the
//   home screen alone, 1 and 10 apps open through the home page's slot,
//   against one process of bare web views of the same pages (the home page
//   and the app pages, each from a folder of its own as each app's is), for
//   a light page and for a page of 28 pictures.
// - what comes back: the shell's anonymous memory after 10 and after 100
//   apps opened and closed, against the home screen alone.
// Each of the last two is a fresh process per figure; medians, ratios
// printed. Run it on a display of the size to measure (xvfb-run -s "-screen 0
// 1280x800x24"); without one the views are offscreen.
#include "AppBench.h"
#include "BenchUtil.h"
#include "ProcessMemory.h"
#include "shell/StackSlide.h"

#include <QApplication>
#include <QProcess>
#include <QStackedWidget>
#include <cstdio>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace
{
const int appCount = 10;
// Long enough for what the shell does once start-up is over (it hands memory
// back a few seconds after the home page is up): both sides wait as long.
const int settleMs = 6000;

long measure()
{
    AppBench::settle();
#ifdef __GLIBC__
    malloc_trim(0); // free heap pages back, so RSS follows what is held
#endif
    return ProcessMemory::residentKiB();
}

int leakCheck()
{
    std::printf("== leak check: baseline: resident memory after the 5th of 50 opens and closes "
                "of one light app\n");
    AppBench bench;
    long afterFifth = 0, afterLast = 0;
    for (int i = 1; i <= 50; ++i) {
        if (bench.open().wall < 0) {
            std::printf("app %d did not load\n", i);
            return 1;
        }
        bench.close();
        if (i == 5)
            afterFifth = measure();
    }
    afterLast = measure();
    if (afterFifth <= 0 || afterLast <= 0) {
        std::printf("resident memory unreadable\n");
        return 1;
    }
    std::printf(
        "resident memory: after 5 apps %ld KiB, after 50 apps %ld KiB (%+.1f KiB per app)\n",
        afterFifth, afterLast, double(afterLast - afterFifth) / 45);
    std::printf("ratio: %.3f (goal <= 1.05)\n", double(afterLast) / afterFifth);
    return 0;
}

void printMemory()
{
    std::printf("%ld %ld\n", ProcessMemory::rollupKiB("Pss"), ProcessMemory::rollupKiB("Pss_Anon"));
}

AppBench::Page pageKind(const char *name)
{
    return qstrcmp(name, "pictures") == 0 ? AppBench::Page::Pictures : AppBench::Page::Light;
}

int shellChild(int open, AppBench::Page kind)
{
    AppBench bench(appCount, kind);
    // The home screen alone never loads the modern engine.
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (open == 0 && maps.open(QIODevice::ReadOnly) && maps.readAll().contains("WebEngineCore"))
        return 3;
    // Each page seen before the next opens, as a user opens them.
    for (int i = 0; i < open; ++i)
        if (bench.open(i).wall < 0 || !Bench::waitPainted(bench.window->stack()->currentWidget()))
            return 1;
    Bench::settle(settleMs);
    printMemory();
    return 0;
}

// cycles apps opened and closed in turn, the home screen alone at the end.
int cyclesChild(int cycles, AppBench::Page kind)
{
    AppBench bench(appCount, kind);
    for (int i = 0; i < cycles; ++i) {
        if (bench.open(i % appCount).wall < 0)
            return 1;
        bench.close();
    }
    Bench::settle(settleMs);
    printMemory();
    return 0;
}

int bareChild(int open, AppBench::Page kind)
{
    // A folder of its own for each page, as each app has: what the engine
    // shares between two loads of one file it cannot share between apps.
    QTemporaryDir folder;
    for (int i = 0; i < std::max(open, 1); ++i)
        if (!QDir().mkpath(folder.filePath(AppBench::name(i))) ||
            !AppBench::writePage(folder.filePath(AppBench::name(i)), kind))
            return 1;
    // As in the shell: the home page stays shown, the app pages stacked over
    // it between its status bar and dock.
    QWebView home;
    home.showFullScreen();
    QSignalSpy homeLoaded(&home, SIGNAL(loadFinished(bool)));
    home.setUrl(QUrl(QStringLiteral("qrc:/Lumo.html")));
    if (!homeLoaded.wait(30000))
        return 1;
    auto *stack = new QStackedWidget(&home);
    stack->setGeometry(StackSlide::stackArea(home.rect()));
    stack->show();
    for (int i = 0; i < open; ++i) {
        auto *view = new QWebView;
        stack->addWidget(view);
        stack->setCurrentWidget(view);
        QSignalSpy loaded(view, SIGNAL(loadFinished(bool)));
        view->setUrl(QUrl::fromLocalFile(folder.filePath(AppBench::name(i)) + "/index.html"));
        if (!loaded.wait(30000) || !Bench::waitPainted(view))
            return 1;
    }
    Bench::settle(settleMs);
    printMemory();
    return 0;
}

struct Memory {
    double pss = 0, anon = 0;
};

bool runChild(const QStringList &args, std::vector<double> &pss, std::vector<double> &anon)
{
    QProcess p;
    p.start(QCoreApplication::applicationFilePath(), args);
    if (!p.waitForFinished(600000) || p.exitCode() != 0)
        return false;
    const QList<QByteArray> v = p.readAllStandardOutput().trimmed().split(' ');
    if (v.size() != 2 || v[0].toLong() <= 0)
        return false;
    pss.push_back(v[0].toDouble() / 1024);
    anon.push_back(v[1].toDouble() / 1024);
    return true;
}

int appMemory(int rounds, const char *kind)
{
    std::printf("== %s page: baseline: one process of bare web views, the home page shown "
                "full-screen and the same app pages (each its own copy) stacked over it\n",
                kind);
    const int counts[] = {0, 1, appCount};
    Memory shell[3], bare[3], plain;
    for (int c = 0; c < 3; ++c) {
        std::vector<double> sp, sa, bp, ba;
        const QString n = QString::number(counts[c]);
        for (int r = 0; r < rounds; ++r)
            if (!runChild({"--shell", n, kind}, sp, sa) || !runChild({"--bare", n, kind}, bp, ba)) {
                std::printf("a measurement failed\n");
                return 1;
            }
        if (c == 0) {
            std::vector<double> pp, pa;
            for (int r = 0; r < rounds; ++r)
                if (!runChild({"--shell", n, kind, "plain"}, pp, pa)) {
                    std::printf("a measurement failed\n");
                    return 1;
                }
            plain = {Bench::median(pp), Bench::median(pa)};
        }
        shell[c] = {Bench::median(sp), Bench::median(sa)};
        bare[c] = {Bench::median(bp), Bench::median(ba)};
        std::printf("%2d apps: shell PSS %6.1f MB (anonymous %5.1f), bare views PSS %6.1f MB "
                    "(anonymous %5.1f)\n",
                    counts[c], shell[c].pss, shell[c].anon, bare[c].pss, bare[c].anon);
    }
    const double shellSlope = (shell[2].pss - shell[1].pss) / (appCount - 1);
    const double bareSlope = (bare[2].pss - bare[1].pss) / (appCount - 1);
    const double shellAnonSlope = (shell[2].anon - shell[1].anon) / (appCount - 1);
    const double bareAnonSlope = (bare[2].anon - bare[1].anon) / (appCount - 1);
    std::printf("medians of %d runs each\n", rounds);
    std::printf("home screen alone: PSS ratio %.3f (goal <= 1.1), anonymous %.1f MB (goal <= "
                "36)\n",
                shell[0].pss / bare[0].pss, shell[0].anon);
    // Shared pages are split among every process that maps them, other
    // programs' too: the anonymous part varies less from run to run.
    std::printf("home screen alone against the same shell without the modern engine's part "
                "(Qt::AA_ShareOpenGLContexts cleared, the engine library loaded by neither): "
                "PSS %.1f MB against %.1f MB, ratio %.3f (goal <= 1.02); anonymous ratio %.3f\n",
                shell[0].pss, plain.pss, shell[0].pss / plain.pss, shell[0].anon / plain.anon);
    std::printf("1 app: PSS ratio %.3f, anonymous ratio %.3f\n", shell[1].pss / bare[1].pss,
                shell[1].anon / bare[1].anon);
    std::printf("%d apps: PSS ratio %.3f (goal <= 1.15), anonymous ratio %.3f\n", appCount,
                shell[2].pss / bare[2].pss, shell[2].anon / bare[2].anon);
    std::printf("per extra app (PSS): shell %.2f MB, bare %.2f MB, ratio %.3f\n", shellSlope,
                bareSlope, shellSlope / bareSlope);
    std::printf("per extra app (anonymous): shell %.2f MB, bare %.2f MB, ratio %.3f (goal <= "
                "1.15)\n",
                shellAnonSlope, bareAnonSlope, shellAnonSlope / bareAnonSlope);
    return 0;
}

int recovery(int rounds)
{
    std::printf("== what comes back: baseline: the shell's home screen alone, %d picture apps "
                "in its Apps folder, none opened\n",
                appCount);
    const int cycles[] = {0, 10, 100};
    double anon[3];
    for (int c = 0; c < 3; ++c) {
        std::vector<double> pss, a;
        for (int r = 0; r < rounds; ++r)
            if (!runChild({"--cycles", QString::number(cycles[c]), "pictures"}, pss, a)) {
                std::printf("a measurement failed\n");
                return 1;
            }
        anon[c] = Bench::median(a);
        std::printf("%3d apps opened and closed: anonymous %5.1f MB (PSS %6.1f MB)\n", cycles[c],
                    anon[c], Bench::median(pss));
    }
    std::printf("medians of %d runs each\n", rounds);
    std::printf("after 10 open/close: %+.1f MB anonymous over the home screen (goal <= 3)\n",
                anon[1] - anon[0]);
    std::printf("after 100 open/close: %+.1f MB anonymous over the home screen (goal <= 5)\n",
                anon[2] - anon[0]);
    return 0;
}
} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home;
    AppBench::isolate(home);
    // The shell without what the modern engine adds to its start-up.
    if (argc > 4 && qstrcmp(argv[4], "plain") == 0)
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts, false);
    QApplication app(argc, argv);
    if (argc > 3 && qstrcmp(argv[1], "--shell") == 0)
        return shellChild(QByteArray(argv[2]).toInt(), pageKind(argv[3]));
    if (argc > 3 && qstrcmp(argv[1], "--bare") == 0)
        return bareChild(QByteArray(argv[2]).toInt(), pageKind(argv[3]));
    if (argc > 3 && qstrcmp(argv[1], "--cycles") == 0)
        return cyclesChild(QByteArray(argv[2]).toInt(), pageKind(argv[3]));
    // The parts to run, after the number of rounds: leak, light, pictures,
    // recovery (all of them when none is named).
    const Bench::Parts parts(argc, argv);
    const int rounds = parts.rounds;
    const auto wanted = [&parts](const char *part) { return parts.wanted(part); };
    if (wanted("leak") && leakCheck() != 0)
        return 1;
    if (wanted("light") && appMemory(rounds, "light") != 0)
        return 1;
    if (wanted("pictures") && appMemory(rounds, "pictures") != 0)
        return 1;
    if (wanted("recovery") && recovery(rounds) != 0)
        return 1;
    return 0;
}
