#pragma once

#include "shell/AppView.h"
#include "shell/ShellHost.h"
#include "shell/ShellPaths.h"

#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>

class AppLauncher;
class MainWindow;
class QMainWindow;
class TestBridge;

// A shell for testing one subsystem alone: a real window with a home view, a
// stack of pages and a progress bar, folders of its own under a temporary
// root (ShellPaths::under; the Apps, working and documents folders exist,
// Apps empty), a 1280x800 screen unless a test changes it, plain network managers unless a test
// hands in its factory, and a test bridge that the hooks join signals to (none:
// the hooks join nothing).
class TestShell : public ShellHost
{
public:
    explicit TestShell(TestBridge *bridgeObject = nullptr);
    ~TestShell() override;

    QWebView *homeView() const override;
    QStackedWidget *stack() const override;
    QProgressBar *progressBar() const override;
    QWidget *mainWindow() const override;
    QObject *bridge() const override;
    const ShellPaths &paths() const override { return shellPaths; }
    QRect screenArea() const override { return screen; }
    void setScreenArea(const QRect &area) { screen = area; }
    QNetworkAccessManager *newNetworkManager(QObject *parent) const override;
    // Managers made from now on come from factory (plain ones when empty).
    void setNetworkManagerFactory(std::function<QNetworkAccessManager *(QObject *)> factory)
    {
        networkFactory = std::move(factory);
    }
    int showIndex() const override { return index; }
    void setShowIndex(int i) override { index = i; }
    void hookViewLoads(AppView *view) override;
    void hookAppPage(QWebView *view) override;
    // QtWebEngine pages' downloads go to engineDownloads when it is set.
    void hookEngineDownload(EngineDownload *download) override;
    std::function<void(EngineDownload *)> engineDownloads;
    void hookApiPlacement(QWebFrame *frame) override;
    // Sites added from the Browser go to webApps when it is set.
    void installWebApp(const QString &name, const QString &link, const QString &icon) override
    {
        if (webApps)
            webApps(name, link, icon);
    }
    std::function<void(const QString &, const QString &, const QString &)> webApps;
    void hookRemoteMessages(QNetworkAccessManager *manager) override;
    void hookMusic(Phonon::MediaObject *player, Phonon::MediaObject *tagReader) override;

    // Loads html (with base address baseUrl) into the home view and waits.
    bool loadHome(const QString &html, const QUrl &baseUrl);

private:
    QTemporaryDir folder;
    ShellPaths shellPaths;
    std::function<QNetworkAccessManager *(QObject *)> networkFactory;
    QMainWindow *window = nullptr;
    QWebView *home = nullptr;
    QStackedWidget *pages = nullptr;
    QProgressBar *bar = nullptr;
    TestBridge *bridgeObject = nullptr;
    int index = 0;
    QRect screen{0, 0, 1280, 800};
};

Q_DECLARE_METATYPE(AppView::Engine)

namespace TestUtil
{
// The shell of paths shows the remote pages it opens from now on in engine:
// QtWebKit by the light choice of its settings file (for every app), or
// QtWebEngine, as it does without the choice.
bool chooseEngine(const ShellPaths &paths, AppView::Engine engine);
// The name of an engine, for data rows.
const char *nameOf(AppView::Engine engine);
// A column "engine" with a row for each engine of remote pages.
void engineRows();
// Loads html into view and waits for loadFinished; true when it loaded.
bool loadHtml(QWebView *view, const QString &html, const QUrl &baseUrl, int timeoutMs = 10000);
// Loads url into view and waits for loadFinished.
bool loadUrl(QWebView *view, const QUrl &url, int timeoutMs = 10000);
// Runs the event loop until done() holds or timeoutMs pass.
bool waitFor(const std::function<bool()> &done, int timeoutMs = 10000);
// Records the texts of the message boxes shown from now on (questions too)
// and dismisses them; questions get their default answer, no.
QStringList *recordMessages();
// From now on, recorded questions are answered yes or no.
void answerQuestions(bool yes);
// Launches app nn with launch address ll, and waits until its page has
// reported a finished load to bridge; null when it did not.
AppView *launchAndWait(AppLauncher &launcher, const TestBridge &bridge, const QString &nn,
                       const QString &ll);
// Opens an app as a tap on its home-screen icon does (the home page's
// openit) and waits until its page has loaded; null when no page came up.
AppView *openFromHome(MainWindow *window, const QString &name, const QString &type,
                      const QString &address);
// Waits until view has finished a load of its own (its progress full).
bool loadedOnce(AppView *view, int timeoutMs = 20000);
// A QtWebEngine view as the shell makes one for a web app (storage under the
// shell's working folder, cookies in the file of the jar name cookieJar, or
// in memory when it names none), on top of shell's stack; null when the
// engine library cannot be loaded.
AppView *engineView(ShellHost &shell, const QString &storage = QStringLiteral("Test"),
                    bool mobileRequests = false, const QString &cookieJar = QString());
// Loads url into view and waits until its title is title.
bool loadUntilTitled(AppView *view, const QUrl &url, const QString &title, int timeoutMs = 20000);
// The whole content of a file; empty when it cannot be read.
QByteArray readFile(const QString &path);
// Writes content to path, making its folders; true when all of it was written.
bool writeFile(const QString &path, const QByteArray &content);
} // namespace TestUtil
