// Launch: from on_pushButton_clicked to the app page's loadFinished for a
// local app, against a bare web view of the same size loading the same file,
// alternated in one run. Prints the ratio of the medians (wall clock), and
// that of the processor time, which other programs on the machine disturb less.

#include "AppBench.h"
#include "BenchUtil.h"

#include <QApplication>
#include <QUrl>
#include <cstdio>
#include <cstdlib>

namespace
{
// A new view for each load, as the shell makes one for each launch.
AppBench::Cost bareLoad(const QString &path, const QSize &size)
{
    AppBench::Stopwatch watch;
    watch.start();
    QWebView view;
    view.resize(size);
    view.show();
    QSignalSpy finished(&view, SIGNAL(loadFinished(bool)));
    view.load(QUrl::fromLocalFile(path));
    if (!finished.wait(30000))
        return {};
    return watch.stop();
}
} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home;
    AppBench::isolate(home);
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 60;
    AppBench bench;
    const QSize size =
        bench.window->stack()->size().isEmpty() ? QSize(800, 540) : bench.window->stack()->size();

    // Warm-up: the first loads pay for caches and code paging.
    for (int i = 0; i < 3; ++i) {
        bench.open();
        bench.close();
        bareLoad(bench.pagePath(), size);
        AppBench::settle();
    }
    std::vector<double> shellWall, bareWall, shellCpu, bareCpu;
    for (int i = 0; i < rounds; ++i) {
        const AppBench::Cost s = bench.open();
        bench.close();
        const AppBench::Cost b = bareLoad(bench.pagePath(), size);
        AppBench::settle();
        if (s.wall < 0 || b.wall < 0) {
            std::printf("a load did not finish\n");
            return 1;
        }
        shellWall.push_back(s.wall);
        bareWall.push_back(b.wall);
        shellCpu.push_back(s.cpu);
        bareCpu.push_back(b.cpu);
    }
    const double sw = Bench::median(shellWall), bw = Bench::median(bareWall);
    const double sc = Bench::median(shellCpu), bc = Bench::median(bareCpu);
    std::printf("launch, median of %d: shell %.2f ms (processor %.2f ms), bare web view %.2f ms "
                "(processor %.2f ms)\n",
                rounds, sw, sc, bw, bc);
    std::printf("processor-time ratio: %.2f\n", sc / bc);
    std::printf("ratio: %.2f (goal <= 1.20)\n", sw / bw);
    return 0;
}
