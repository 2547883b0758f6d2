// The Music page with a library of 20,000 songs against one of 20, and
// against a bare page that only takes the same listing apart: from loading
// the page to its first row painted, and the process's memory (PSS and its
// anonymous part) once it has settled. Each measurement is a fresh process;
// the driver alternates them and prints ratios of medians.

#include "ProcessMemory.h"
#include "BenchHost.h"
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

// Prints "ms pssKiB anonKiB" for one page over one library.
int runChild(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
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
    t.start();
    host.page.load(QUrl::fromLocalFile(folder + "/index.html"));
    while (!(loaded && api.listed) && t.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    // The first row painted: the view drawn as the screen would draw it.
    const QImage shown = host.page.grab().toImage();
    const double ms = t.nsecsElapsed() / 1e6;
    if (shown.isNull() ||
        frame->evaluateJavaScript("document.querySelectorAll('.song').length").toInt() == 0) {
        std::fprintf(stderr, "no row shown\n");
        return 1;
    }
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 1500)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    std::printf("%.2f %ld %ld\n", ms, ProcessMemory::rollupKiB("Pss"),
                ProcessMemory::rollupKiB("Pss_Anon"));
    return 0;
}

bool makeLibrary(const QString &root, int songs)
{
    const QString music = ShellPaths::under(root).musicFolder();
    if (!QDir().mkpath(music))
        return false;
    for (int i = 0; i < songs; ++i) {
        QFile f(music + QStringLiteral("/Artist %1 - Song title %2.mp3").arg(i % 97).arg(i));
        if (!f.open(QIODevice::WriteOnly))
            return false;
    }
    QDir().mkpath(root + "/BarePage");
    QFile page(root + "/BarePage/index.html");
    return page.open(QIODevice::WriteOnly) && page.write(barePage) > 0;
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

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
} // namespace

int main(int argc, char **argv)
{
    if (argc > 4 && qstrcmp(argv[1], "--child") == 0)
        return runChild(argc, argv);

    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? QByteArray(argv[1]).toInt() : 7;
    // The built Music page, or another given as the second argument.
    const QString page = argc > 2 ? QString::fromLocal8Bit(argv[2])
                                  : QCoreApplication::applicationDirPath() + "/Apps/Music.map";
    QTemporaryDir big, small;
    if (!makeLibrary(big.path(), bigLibrary) || !makeLibrary(small.path(), smallLibrary)) {
        std::fprintf(stderr, "cannot make the libraries\n");
        return 1;
    }
    Sample music20000, music20, bare20000;
    for (int r = 0; r < rounds + 1; ++r) {
        Sample warm;
        Sample &a = r ? music20000 : warm, &b = r ? music20 : warm, &c = r ? bare20000 : warm;
        if (!measure("music", big.path(), page, a) || !measure("music", small.path(), page, b) ||
            !measure("bare", big.path(), page, c)) {
            std::fprintf(stderr, "a measurement failed\n");
            return 1;
        }
    }
    std::printf("medians of %d runs each, first row painted / PSS / anonymous PSS:\n", rounds);
    const auto row = [](const char *name, const Sample &s) {
        std::printf("  %-24s %8.1f ms %8.1f MB %8.1f MB\n", name, median(s.ms), median(s.pss),
                    median(s.anon));
    };
    row("Music, 20,000 songs", music20000);
    row("Music, 20 songs", music20);
    row("bare page, 20,000 songs", bare20000);
    std::printf("time ratio 20,000 / 20 songs: %.3f (goal <= 1.15)\n",
                median(music20000.ms) / median(music20.ms));
    std::printf("memory growth 20,000 over 20 songs: %.1f MB PSS, %.1f MB anonymous (goal <= 15)\n",
                median(music20000.pss) - median(music20.pss),
                median(music20000.anon) - median(music20.anon));
    std::printf("against the bare page (20,000 songs): time %.3f, PSS %.3f\n",
                median(music20000.ms) / median(bare20000.ms),
                median(music20000.pss) / median(bare20000.pss));
    return 0;
}

#include "bench_musiclibrary.moc"
