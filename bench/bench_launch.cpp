// Launch, as the user sees it: from on_pushButton_clicked for a local app to
// the first paint of its view once the page has loaded, against a bare web
// view made anew in an already shown window of the page stack's size, from
// its load() to the same event; alternated in one run, on the display it is
// given (offscreen without one). Prints the ratio of the medians (wall clock)
// and that of the processor time, which other programs disturb less.
// Then the same launch once the memory the closed pages left has gone back
// (the stack still a while), against one right after a close, before that.

#include "AppBench.h"
#include "BenchUtil.h"
#include "shell/StackSlide.h"

#include <QApplication>
#include <QUrl>
#include <cstdio>
#include <cstdlib>

namespace
{
// Waits for the first paint of view after its loadFinished; the cost from
// watch's start, or wall -1 when it never comes.
AppBench::Cost untilShown(QWebView *view, const AppBench::Stopwatch &watch,
                          const QElapsedTimer &clock)
{
    double loadedAt = -1;
    // A page drawn whole before its load ended is drawn once more, soon: on
    // both sides alike.
    QObject::connect(view, &QWebView::loadFinished, view, [&loadedAt, &clock, view] {
        loadedAt = clock.nsecsElapsed() / 1e6;
        view->update();
    });
    Bench::PaintWatch shown(clock, [&loadedAt] { return loadedAt >= 0; });
    shown.watch(view);
    while (shown.paintedAt() < 0 && clock.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    const AppBench::Cost cost = watch.stop();
    if (shown.paintedAt() < 0)
        return {};
    return {shown.paintedAt(), cost.cpu, loadedAt};
}

AppBench::Cost shellLaunch(AppBench &bench)
{
    AppBench::Stopwatch watch;
    QElapsedTimer clock;
    watch.start();
    clock.start();
    bench.window->on_pushButton_clicked(AppBench::name(), AppBench::name());
    auto *view = qobject_cast<QWebView *>(bench.window->stack()->currentWidget());
    return view ? untilShown(view, watch, clock) : AppBench::Cost{};
}

// A new view for each load, as the shell makes one for each launch.
AppBench::Cost bareLaunch(QWidget &window, const QString &path)
{
    AppBench::Stopwatch watch;
    QElapsedTimer clock;
    watch.start();
    clock.start();
    QWebView view(&window);
    view.setGeometry(window.rect());
    view.show();
    view.load(QUrl::fromLocalFile(path));
    return untilShown(&view, watch, clock);
}
// Long enough for the shell to hand back what closed pages left: the stack
// still for two seconds, the heap trimmed a second later.
const int releaseMs = 3500;

int afterRelease(AppBench &bench, int rounds)
{
    std::vector<double> before, after, beforeCpu, afterCpu;
    for (int i = 0; i < rounds; ++i) {
        const AppBench::Cost b = shellLaunch(bench);
        bench.close();
        Bench::settle(releaseMs);
        const AppBench::Cost a = shellLaunch(bench);
        bench.close();
        if (a.wall < 0 || b.wall < 0) {
            std::printf("a page was never shown\n");
            return 1;
        }
        before.push_back(b.wall);
        after.push_back(a.wall);
        beforeCpu.push_back(b.cpu);
        afterCpu.push_back(a.cpu);
    }
    std::printf("baseline: the same launch 60 ms after a close, before the shell hands back what "
                "the closed page left\n");
    std::printf("launch after the release, median of %d: %.2f ms (processor %.2f ms), before it "
                "%.2f ms (processor %.2f ms)\n",
                rounds, Bench::median(after), Bench::median(afterCpu), Bench::median(before),
                Bench::median(beforeCpu));
    std::printf("after release / before: ratio %.2f, processor-time ratio %.2f (goal <= 1.10)\n",
                Bench::median(after) / Bench::median(before),
                Bench::median(afterCpu) / Bench::median(beforeCpu));
    return 0;
}
} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home;
    AppBench::isolate(home);
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 60;
    AppBench bench;
    const QSize size = StackSlide::stackArea(bench.window->rect()).size();
    QWidget bareWindow;
    bareWindow.resize(size);
    bareWindow.show();

    // Warm-up: the first loads pay for caches and code paging.
    for (int i = 0; i < 3; ++i) {
        shellLaunch(bench);
        bench.close();
        bareLaunch(bareWindow, bench.pagePath());
        AppBench::settle();
    }
    std::vector<double> shellWall, bareWall, shellCpu, bareCpu, shellLoad, bareLoad;
    for (int i = 0; i < rounds; ++i) {
        const AppBench::Cost s = shellLaunch(bench);
        bench.close();
        const AppBench::Cost b = bareLaunch(bareWindow, bench.pagePath());
        AppBench::settle();
        if (s.wall < 0 || b.wall < 0) {
            std::printf("a page was never shown\n");
            return 1;
        }
        shellWall.push_back(s.wall);
        bareWall.push_back(b.wall);
        shellCpu.push_back(s.cpu);
        bareCpu.push_back(b.cpu);
        shellLoad.push_back(s.loaded);
        bareLoad.push_back(b.loaded);
    }
    const double sw = Bench::median(shellWall), bw = Bench::median(bareWall);
    const double sc = Bench::median(shellCpu), bc = Bench::median(bareCpu);
    std::printf("baseline: a new bare web view in a shown %dx%d window, from load() to its first "
                "paint after loadFinished (%s)\n",
                size.width(), size.height(),
                QGuiApplication::platformName() == QLatin1String("offscreen") ? "offscreen"
                                                                              : "on the display");
    std::printf("launch to the page shown, median of %d: shell %.2f ms (processor %.2f ms), bare "
                "web view %.2f ms (processor %.2f ms)\n",
                rounds, sw, sc, bw, bc);
    std::printf("of which to loadFinished: shell %.2f ms, bare web view %.2f ms\n",
                Bench::median(shellLoad), Bench::median(bareLoad));
    std::printf("processor-time ratio: %.2f\n", sc / bc);
    std::printf("ratio: %.2f (goal <= 1.20)\n", sw / bw);
    return afterRelease(bench, argc > 2 ? std::max(3, std::atoi(argv[2])) : 10);
}
