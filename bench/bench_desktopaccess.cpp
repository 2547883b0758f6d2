// desktopaccess("Music") on a folder of 20,000 songs, timed until the page's
// Filler has run, against a bare QDir::entryList of the same folder. Both run
// in the same process, alternately; the ratio of medians is printed.

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
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWebFrame>
#include <QWebPage>
#include <QWebView>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{
const int fileCount = 20000;
const int rounds = 25;


double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

bool makeSongs(const QString &folder)
{
    if (!QDir().mkpath(folder))
        return false;
    for (int i = 0; i < fileCount; ++i) {
        QFile f(folder + QStringLiteral("/Artist %1 - Song title %2.mp3").arg(i % 97).arg(i));
        if (!f.open(QIODevice::WriteOnly))
            return false;
    }
    return true;
}
} // namespace

int main(int argc, char **argv)
{
    // The standard folders of a throw-away home, never the user's.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toLocal8Bit());
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);

    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (!music.startsWith(home.path()) || !makeSongs(music)) {
        std::fprintf(stderr, "cannot make the music folder\n");
        return 1;
    }

    // Made after the throw-away home is set, so its Music folder is that one.
    BenchHost host(ShellPaths::ofProcess());
    const QString appFolder = home.path() + "/Apps/Music.map";
    QDir().mkpath(appFolder);
    {
        QFile page(appFolder + "/index.html");
        page.open(QIODevice::WriteOnly);
        // Like the Music app: take the names apart.
        page.write("<script>var songs = 0;"
                   "function Filler(listing, folder, names) {"
                   " songs = (arguments.length > 2 ? names.split('/')"
                   " : listing.split(',').slice(1)).length; }</script>");
    }
    ScriptBridge::markAppFolder(host.page.page(), appFolder);
    host.page.load(QUrl::fromLocalFile(appFolder + "/index.html"));
    QElapsedTimer wait;
    wait.start();
    while (host.page.page()->mainFrame()->evaluateJavaScript("typeof Filler").toString() !=
               "function" &&
           wait.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QWebFrame *frame = host.page.page()->mainFrame();

    FolderBrowser browser(host);
    std::vector<double> shell, bare;
    int listed = 0;
    for (int r = 0; r < rounds + 1; ++r) {
        QElapsedTimer t;
        t.start();
        listed = QDir(music).entryList().size();
        const double bareMs = t.nsecsElapsed() / 1e6;

        frame->evaluateJavaScript("songs = 0;");
        t.restart();
        browser.desktopaccess(QStringLiteral("Music"));
        const double shellMs = t.nsecsElapsed() / 1e6;
        if (frame->evaluateJavaScript("songs").toInt() != fileCount) {
            std::fprintf(stderr, "Filler did not receive the listing\n");
            return 1;
        }
        if (r == 0)
            continue; // warm-up
        bare.push_back(bareMs);
        shell.push_back(shellMs);
    }

    const double ratio = median(shell) / median(bare);
    std::printf("files: %d (bare listing %d entries with . and ..)\n", fileCount, listed);
    std::printf("bare QDir::entryList: %.2f ms (median of %d)\n", median(bare), rounds);
    std::printf("desktopaccess until Filler ran: %.2f ms (median of %d)\n", median(shell), rounds);
    std::printf("ratio: %.2f (goal <= 1.5)\n", ratio);
    return 0;
}
