// The Music page with a library of 20,000 songs against one of 20: in the
// shell, from the click on the dock's Music item to the first row painted on
// the display it is given (offscreen without one); and the page alone, from
// loading it to its first row painted, also against
// a bare page that only takes the same listing apart. Besides, the process's
// memory (PSS and its anonymous part) once it has settled. Each measurement
// is a fresh process; the driver alternates them and prints ratios of medians.

#include "BenchHost.h"
#include "BenchUtil.h"
#include "ProcessMemory.h"
#include "app/MainWindow.h"
#include "media/FolderBrowser.h"
#include "shell/ScriptBridge.h"
#include "shell/ShellHost.h"
#include "shell/ShellPaths.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QWebFrame>
#include <QWebPage>
#include <QWebView>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{
const int bigLibrary = 20000;
const int smallLibrary = 20;

// The page's api: the listing goes through the shell's own FolderBrowser.
class BenchApi : public QObject
{
    Q_OBJECT
public:
    explicit BenchApi(FolderBrowser &b) : browser(b) {}
    bool listed = false;
public slots:
    void desktopaccess(const QString &service)
    {
        browser.desktopaccess(service);
        listed = true;
    }

private:
    FolderBrowser &browser;
};

const char barePage[] = "<html><body><ol id='songs'></ol><script>"
                        "function Filler(listing, folder, names) {"
                        " var list = arguments.length > 2 ? names.split('/')"
                        " : listing.split(',').slice(1);"
                        " var li = document.createElement('li');"
                        " li.className = 'song'; li.textContent = list[0];"
                        " document.getElementById('songs').appendChild(li); }"
                        "api.desktopaccess('Music');</script></body></html>";

// A song row is in the view's page.
std::function<bool()> rowIn(QWebView *view)
{
    return [view] {
        return view->page()
            ->mainFrame()
            ->evaluateJavaScript(QStringLiteral("!!document.querySelector('.song')"))
            .toBool();
    };
}

void printResult(double ms)
{
    std::printf("%.2f %ld %ld\n", ms, ProcessMemory::rollupKiB("Pss"),
                ProcessMemory::rollupKiB("Pss_Anon"));
}

// Prints "ms pssKiB anonKiB" for the shell whose folders are under root,
// from the click on the dock's Music item.
int runShell(int argc, char **argv)
{
    Bench::useDisplayWhenThere();
    QApplication app(argc, argv);
    MainWindow window(ShellPaths::under(QString::fromLocal8Bit(argv[3])));
    window.setGeometry(0, 0, 1280, 800);
    window.show();
    QWebFrame *home = window.homeView()->page()->mainFrame();
    QElapsedTimer t;
    t.start();
    while (home->evaluateJavaScript("typeof openit").toString() != "function" &&
           t.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    // Past what the shell does once start-up is over: the media back-end
    // starts a second after the home page is up, memory goes back after three.
    Bench::settle(4500);

    QWebView *music = nullptr;
    Bench::PaintWatch rows(t, [&music] { return music && rowIn(music)(); });
    t.restart();
    home->evaluateJavaScript("$('#Rmusic').trigger('click')");
    while (rows.paintedAt() < 0 && t.elapsed() < 60000) {
        auto *view = qobject_cast<QWebView *>(window.stack()->currentWidget());
        if (!rows.watching() && view && view->objectName() == "Music.map") {
            music = view;
            rows.watch(view);
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    if (rows.paintedAt() < 0) {
        std::fprintf(stderr, "no row shown\n");
        return 1;
    }
    Bench::settle(1500);
    printResult(rows.paintedAt());
    return 0;
}

// Prints "ms pssKiB anonKiB" for one page over one library.
int runChild(int argc, char **argv)
{
    Bench::useDisplayWhenThere();
    QApplication app(argc, argv);
    const QString root = QString::fromLocal8Bit(argv[3]);
    const bool bare = qstrcmp(argv[2], "bare") == 0;
    const QString folder = bare ? root + "/BarePage" : QString::fromLocal8Bit(argv[4]);

    BenchHost host(ShellPaths::under(root));
    host.pages.setGeometry(0, 0, 1280, 740);
    host.pages.show();
    FolderBrowser browser(host);
    BenchApi api(browser);
    QWebFrame *frame = host.page.page()->mainFrame();
    ScriptBridge::markAppFolder(host.page.page(), folder);
    QObject::connect(frame, &QWebFrame::javaScriptWindowObjectCleared, [frame, &api] {
        ScriptBridge::place(frame, &api, ScriptBridge::appName(), ScriptBridge::mayUseApi(frame));
    });
    bool loaded = false;
    QObject::connect(&host.page, &QWebView::loadFinished, [&loaded] { loaded = true; });

    QElapsedTimer t;
    Bench::PaintWatch rows(t, [&] { return loaded && api.listed && rowIn(&host.page)(); });
    rows.watch(&host.page);
    t.start();
    host.page.load(QUrl::fromLocalFile(folder + "/index.html"));
    while (rows.paintedAt() < 0 && t.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    const double ms = rows.paintedAt();
    if (ms < 0) {
        std::fprintf(stderr, "no row shown\n");
        return 1;
    }
    Bench::settle(1500);
    printResult(ms);
    return 0;
}

// The Music app's files, copied into the Apps folder of the shell under root.
bool installMusicApp(const QString &root, const QString &page)
{
    const QString to = ShellPaths::under(root).appsFolder() + "/Music.map";
    if (!QDir().mkpath(to))
        return false;
    for (const QString &f : QDir(page).entryList(QDir::Files)) {
        if (!QFile::copy(page + '/' + f, to + '/' + f))
            return false;
    }
    return true;
}

bool makeLibrary(const QString &root, int songs, const QString &page)
{
    if (!installMusicApp(root, page))
        return false;
    if (!Bench::makeSongs(ShellPaths::under(root).musicFolder(), songs))
        return false;
    QDir().mkpath(root + "/BarePage");
    QFile bare(root + "/BarePage/index.html");
    return bare.open(QIODevice::WriteOnly) && bare.write(barePage) > 0;
}

struct Sample {
    std::vector<double> ms, pss, anon;
};

bool measure(const QString &mode, const QString &root, const QString &page, Sample &into)
{
    QProcess p;
    p.start(QCoreApplication::applicationFilePath(), {"--child", mode, root, page});
    if (!p.waitForFinished(120000) || p.exitCode() != 0)
        return false;
    const QList<QByteArray> v = p.readAllStandardOutput().trimmed().split(' ');
    if (v.size() != 3)
        return false;
    into.ms.push_back(v[0].toDouble());
    into.pss.push_back(v[1].toDouble() / 1024);
    into.anon.push_back(v[2].toDouble() / 1024);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 4 && qstrcmp(argv[1], "--child") == 0)
        return qstrcmp(argv[2], "shell") == 0 ? runShell(argc, argv) : runChild(argc, argv);

    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? QByteArray(argv[1]).toInt() : 7;
    // The built Music page, or another given as the second argument.
    const QString page = argc > 2 ? QString::fromLocal8Bit(argv[2])
                                  : QCoreApplication::applicationDirPath() + "/Apps/Music.map";
    QTemporaryDir big, small;
    if (!makeLibrary(big.path(), bigLibrary, page) ||
        !makeLibrary(small.path(), smallLibrary, page)) {
        std::fprintf(stderr, "cannot make the libraries\n");
        return 1;
    }
    Sample shell20000, shell20, music20000, music20, bare20000;
    for (int r = 0; r < rounds + 1; ++r) {
        // The first round warms the caches and is not counted.
        Sample warm;
        const auto into = [&warm, r](Sample &s) -> Sample & { return r ? s : warm; };
        if (!measure("shell", big.path(), page, into(shell20000)) ||
            !measure("shell", small.path(), page, into(shell20)) ||
            !measure("music", big.path(), page, into(music20000)) ||
            !measure("music", small.path(), page, into(music20)) ||
            !measure("bare", big.path(), page, into(bare20000))) {
            std::fprintf(stderr, "a measurement failed\n");
            return 1;
        }
    }
    std::printf("baseline: the same shell (and page) over a library of 20 songs, each a fresh "
                "process %s\n",
                qEnvironmentVariableIsEmpty("DISPLAY") ? "drawn offscreen (no display given)"
                                                       : "on the display given");
    std::printf("medians of %d runs each, first row painted / PSS / anonymous PSS:\n", rounds);
    const auto row = [](const char *name, const Sample &s) {
        std::printf("  %-36s %8.1f ms %8.1f MB %8.1f MB\n", name, Bench::median(s.ms),
                    Bench::median(s.pss), Bench::median(s.anon));
    };
    row("shell from the click, 20,000 songs", shell20000);
    row("shell from the click, 20 songs", shell20);
    row("Music page from its load, 20,000", music20000);
    row("Music page from its load, 20", music20);
    row("bare page from its load, 20,000", bare20000);
    std::printf("click to first row, 20,000 / 20 songs: %.3f (goal <= 1.15)\n",
                Bench::median(shell20000.ms) / Bench::median(shell20.ms));
    std::printf("memory growth of the shell, 20,000 over 20 songs: %.1f MB PSS, %.1f MB "
                "anonymous (goal <= 15)\n",
                Bench::median(shell20000.pss) - Bench::median(shell20.pss),
                Bench::median(shell20000.anon) - Bench::median(shell20.anon));
    std::printf("page load to first row, 20,000 / 20 songs: %.3f; growth %.1f MB PSS, %.1f MB "
                "anonymous\n",
                Bench::median(music20000.ms) / Bench::median(music20.ms),
                Bench::median(music20000.pss) - Bench::median(music20.pss),
                Bench::median(music20000.anon) - Bench::median(music20.anon));
    std::printf("against the bare page (20,000 songs): time %.3f, PSS %.3f\n",
                Bench::median(music20000.ms) / Bench::median(bare20000.ms),
                Bench::median(music20000.pss) / Bench::median(bare20000.pss));
    return 0;
}

#include "bench_musiclibrary.moc"
