// Folder listing: desktopaccess("Music") on a folder of 20,000 songs until the
// real Music page's Filler has run, against the plain way to the same end: a
// QDir listing with the same filter, joined and handed to the same Filler as
// a script literal. Both run in one process on one page, alternately; the
// ratio of medians is printed.

#include "BenchHost.h"
#include "BenchUtil.h"
#include "media/FolderBrowser.h"
#include "shell/ScriptBridge.h"
#include "shell/ScriptCall.h"
#include "shell/ShellHost.h"
#include "shell/ShellPaths.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
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
const int fileCount = 20000;
const int rounds = 25;

// The plain way: the folder's own listing with the Music filter, one literal.
void plainListing(QWebFrame *frame, const QString &music)
{
    const QStringList names = QDir(music, QStringLiteral("*.mp3")).entryList();
    frame->evaluateJavaScript(ScriptCall::build(
        QStringLiteral("Filler"), {',' + names.join(','), QDir(music).absolutePath()}));
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    // The built Music page, or another given as the first argument.
    const QString musicApp = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                      : QCoreApplication::applicationDirPath() + "/Apps/Music.map";
    QTemporaryDir root;
    const ShellPaths paths = ShellPaths::under(root.path());
    if (!Bench::makeSongs(paths.musicFolder(), fileCount) ||
        !QFile::exists(musicApp + "/index.html")) {
        std::fprintf(stderr, "cannot make the music folder or find the Music page\n");
        return 1;
    }

    BenchHost host(paths);
    host.pages.setGeometry(0, 0, 1280, 740);
    host.pages.show();
    ScriptBridge::markAppFolder(host.page.page(), musicApp);
    host.page.load(QUrl::fromLocalFile(musicApp + "/index.html"));
    QWebFrame *frame = host.page.page()->mainFrame();
    QElapsedTimer wait;
    wait.start();
    while (frame->evaluateJavaScript("typeof Filler").toString() != "function" &&
           wait.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);

    const QString filled = QStringLiteral("%1 songs").arg(fileCount);
    const auto listed = [frame, &filled] {
        const bool ok =
            frame->evaluateJavaScript("document.getElementById('count').textContent").toString() ==
            filled;
        frame->evaluateJavaScript("document.getElementById('count').textContent = ''");
        return ok;
    };
    FolderBrowser browser(host);
    std::vector<double> shell, plain;
    for (int r = 0; r < rounds + 1; ++r) {
        QElapsedTimer t;
        t.start();
        plainListing(frame, paths.musicFolder());
        const double plainMs = t.nsecsElapsed() / 1e6;
        const bool plainListed = listed();

        t.restart();
        browser.desktopaccess(QStringLiteral("Music"));
        const double shellMs = t.nsecsElapsed() / 1e6;
        if (!plainListed || !listed()) {
            std::fprintf(stderr, "Filler did not receive the listing\n");
            return 1;
        }
        if (r == 0)
            continue; // warm-up
        plain.push_back(plainMs);
        shell.push_back(shellMs);
    }

    std::printf("baseline: a QDir listing of the folder with the same filter, joined and handed to "
                "the same Filler as a script literal\n");
    std::printf("songs: %d, each side until the Music page's Filler ran (median of %d)\n",
                fileCount, rounds);
    std::printf("plain listing with the same filter, as a literal: %.2f ms\n",
                Bench::median(plain));
    std::printf("desktopaccess: %.2f ms\n", Bench::median(shell));
    std::printf("ratio: %.2f (goal <= 1.5)\n", Bench::median(shell) / Bench::median(plain));
    return 0;
}
