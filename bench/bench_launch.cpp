// Launch, as the user sees it: from on_pushButton_clicked for a local app to
// the first paint of its view once the page has loaded, against a bare web
// view made anew in an already shown window of the page stack's size, from
// its load() to the same event; alternated in one run, on the display it is
// given (offscreen without one). Prints the ratio of the medians (wall clock)
// and that of the processor time, which other programs disturb less.
// Both are the same event: the first paint of the view once loaded. The
// shell's slide (500 ms from no width) shows nothing before its first step,
// one animation interval after it starts, so a second baseline slides the
// bare view in the same way.
// Then the same launch once the memory the closed pages left has gone back
// (the stack still a while), against one right after a close, before that.

#include "AppBench.h"
#include "BenchUtil.h"
#include "shell/StackSlide.h"

#include <QApplication>
#include <QStackedWidget>
#include <QUrl>
#include <cstdio>
#include <cstdlib>

namespace
{
// Each launch's costs, side by side, for their medians.
struct Costs {
    std::vector<double> wall, cpu, loaded;
    void add(const AppBench::Cost &c)
    {
        wall.push_back(c.wall);
        cpu.push_back(c.cpu);
        loaded.push_back(c.loaded);
    }
};

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
// The same bare view put on a stack of its own and slid in as the shell
// slides its pages in (from no width at the right edge, 500 ms), loaded
// first: no pixel of a page can be seen before the slide's first step.
AppBench::Cost slidLaunch(QStackedWidget &stack, const QRect &screen, const QString &path)
{
    AppBench::Stopwatch watch;
    QElapsedTimer clock;
    watch.start();
    clock.start();
    auto *view = new QWebView;
    view->load(QUrl::fromLocalFile(path));
    stack.addWidget(view);
    stack.setCurrentWidget(view);
    StackSlide::slideIn(&stack, screen);
    const AppBench::Cost cost = untilShown(view, watch, clock);
    delete view;
    // Its slide ends before the next starts.
    QElapsedTimer waited;
    waited.start();
    while (stack.geometry() != StackSlide::stackArea(screen) && waited.elapsed() < 5000)
        QTest::qWait(10);
    return cost;
}

// Long enough for the shell to hand back what closed pages left: the stack
// still for two seconds, the heap trimmed a second later.
const int releaseMs = 3500;

int afterRelease(AppBench &bench, int rounds)
{
    Costs before, after;
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
        before.add(b);
        after.add(a);
    }
    std::printf("baseline: the same launch 60 ms after a close, before the shell hands back what "
                "the closed page left\n");
    std::printf("launch after the release, median of %d: %.2f ms (processor %.2f ms), before it "
                "%.2f ms (processor %.2f ms)\n",
                rounds, Bench::median(after.wall), Bench::median(after.cpu),
                Bench::median(before.wall), Bench::median(before.cpu));
    std::printf("after release / before: ratio %.2f, processor-time ratio %.2f (goal <= 1.10)\n",
                Bench::median(after.wall) / Bench::median(before.wall),
                Bench::median(after.cpu) / Bench::median(before.cpu));
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
    const QRect screen = bench.window->screenArea();
    QWidget slidWindow;
    slidWindow.setGeometry(screen);
    QStackedWidget slidStack(&slidWindow);
    slidWindow.show();

    // Warm-up: the first loads pay for caches and code paging.
    for (int i = 0; i < 3; ++i) {
        shellLaunch(bench);
        bench.close();
        bareLaunch(bareWindow, bench.pagePath());
        slidLaunch(slidStack, screen, bench.pagePath());
        AppBench::settle();
    }
    Costs shell, bare, slid;
    for (int i = 0; i < rounds; ++i) {
        const AppBench::Cost s = shellLaunch(bench);
        bench.close();
        const AppBench::Cost b = bareLaunch(bareWindow, bench.pagePath());
        AppBench::settle();
        const AppBench::Cost sl = slidLaunch(slidStack, screen, bench.pagePath());
        AppBench::settle();
        if (s.wall < 0 || b.wall < 0 || sl.wall < 0) {
            std::printf("a page was never shown\n");
            return 1;
        }
        shell.add(s);
        bare.add(b);
        slid.add(sl);
    }
    slidWindow.hide();
    const double sw = Bench::median(shell.wall), bw = Bench::median(bare.wall);
    const double sc = Bench::median(shell.cpu), bc = Bench::median(bare.cpu);
    std::printf("baseline: a new bare web view in a shown %dx%d window, from load() to its first "
                "paint after loadFinished (%s)\n",
                size.width(), size.height(),
                QGuiApplication::platformName() == QLatin1String("offscreen") ? "offscreen"
                                                                              : "on the display");
    std::printf("launch to the page shown, median of %d: shell %.2f ms (processor %.2f ms), bare "
                "web view %.2f ms (processor %.2f ms)\n",
                rounds, sw, sc, bw, bc);
    std::printf("of which to loadFinished: shell %.2f ms, bare web view %.2f ms\n",
                Bench::median(shell.loaded), Bench::median(bare.loaded));
    std::printf("processor-time ratio: %.2f\n", sc / bc);
    std::printf("ratio: %.2f (goal <= 1.20)\n", sw / bw);
    std::printf("second baseline: the same bare view loaded, then slid in on a stack of its own "
                "as the shell slides its pages in (from no width, 500 ms), to the same paint\n");
    std::printf("slid bare web view %.2f ms (processor %.2f ms): ratio of the shell to it %.2f\n",
                Bench::median(slid.wall), Bench::median(slid.cpu), sw / Bench::median(slid.wall));
    return afterRelease(bench, argc > 2 ? std::max(3, std::atoi(argv[2])) : 10);
}
