#include "TestShell.h"

#include "TestBridge.h"

#include "app/MainWindow.h"
#include "apps/AppLauncher.h"
#include "shell/AppView.h"
#include "shell/Messages.h"
#include "web/EngineViews.h"
#include "web/WebEngineFactory.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QProgressBar>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QWebFrame>
#include <QWebView>
#include <phonon/MediaObject>

TestShell::TestShell(TestBridge *bridgeObj)
    : shellPaths(ShellPaths::under(folder.path())), bridgeObject(bridgeObj)
{
    for (const QString &f :
         {shellPaths.appsFolder(), shellPaths.workingFolder(), shellPaths.documentsFolder()})
        QDir().mkpath(f);
    window = new QMainWindow;
    auto *central = new QWidget(window);
    window->setCentralWidget(central);
    home = new QWebView(central);
    home->setObjectName(QStringLiteral("webView"));
    pages = new QStackedWidget(central);
    pages->setObjectName(QStringLiteral("springboard"));
    bar = new QProgressBar(central);
    bar->setObjectName(QStringLiteral("progressBar"));
    window->resize(1280, 800);
    home->setGeometry(0, 0, 1280, 800);
    window->show();
}

TestShell::~TestShell()
{
    delete window;
    // QtWebEngine lets go of its storage once the profiles of the pages just
    // gone have gone too, which happens from the event loop.
    const QString root = folder.path();
    TestUtil::waitFor([root] { return QDir(root).removeRecursively(); });
}

QWebView *TestShell::homeView() const
{
    return home;
}
QStackedWidget *TestShell::stack() const
{
    return pages;
}
QProgressBar *TestShell::progressBar() const
{
    return bar;
}
QWidget *TestShell::mainWindow() const
{
    return window;
}
QObject *TestShell::bridge() const
{
    return bridgeObject;
}
QNetworkAccessManager *TestShell::newNetworkManager(QObject *parent) const
{
    return networkFactory ? networkFactory(parent) : new QNetworkAccessManager(parent);
}

void TestShell::hookViewLoads(AppView *view)
{
    if (bridgeObject)
        QObject::connect(view, &AppView::loadFinished, bridgeObject, &TestBridge::pageloaded,
                         Qt::UniqueConnection);
}

void TestShell::hookEngineDownload(EngineDownload *download)
{
    if (engineDownloads)
        engineDownloads(download);
}

void TestShell::hookAppPage(QWebView *view)
{
    if (!bridgeObject)
        return;
    QObject::connect(view->page(), &QWebPage::linkClicked, bridgeObject,
                     &TestBridge::linkClickedSlot);
    QObject::connect(view->page(), &QWebPage::unsupportedContent, bridgeObject,
                     &TestBridge::unsupportedContent);
    QObject::connect(view, &QObject::destroyed, bridgeObject, &TestBridge::objectDestroyed,
                     Qt::QueuedConnection);
}

void TestShell::hookApiPlacement(QWebFrame *frame)
{
    if (bridgeObject)
        QObject::connect(frame, &QWebFrame::javaScriptWindowObjectCleared, bridgeObject,
                         &TestBridge::localapp);
}

void TestShell::hookRemoteMessages(QNetworkAccessManager *manager)
{
    if (bridgeObject)
        QObject::connect(manager, &QNetworkAccessManager::finished, bridgeObject,
                         &TestBridge::onResult);
}

void TestShell::hookMusic(Phonon::MediaObject *player, Phonon::MediaObject *tagReader)
{
    if (!bridgeObject)
        return;
    QObject::connect(player, &Phonon::MediaObject::totalTimeChanged, bridgeObject,
                     &TestBridge::Mp3Buffer, Qt::UniqueConnection);
    QObject::connect(tagReader, &Phonon::MediaObject::stateChanged, bridgeObject,
                     &TestBridge::metaStateChanged, Qt::UniqueConnection);
}

bool TestShell::loadHome(const QString &html, const QUrl &baseUrl)
{
    return TestUtil::loadHtml(home, html, baseUrl);
}

namespace TestUtil
{

bool chooseEngine(const ShellPaths &paths, AppView::Engine engine)
{
    if (engine == AppView::Engine::WebEngine)
        return !QFile::exists(paths.settingsFile()) || QFile::remove(paths.settingsFile());
    return writeFile(paths.settingsFile(), "<settings><lightEngine>all</lightEngine></settings>");
}

const char *nameOf(AppView::Engine engine)
{
    return engine == AppView::Engine::WebKit ? "QtWebKit" : "QtWebEngine";
}

void engineRows()
{
    QTest::addColumn<AppView::Engine>("engine");
    for (AppView::Engine e : {AppView::Engine::WebKit, AppView::Engine::WebEngine})
        QTest::newRow(nameOf(e)) << e;
}

bool loadHtml(QWebView *view, const QString &html, const QUrl &baseUrl, int timeoutMs)
{
    QSignalSpy spy(view, SIGNAL(loadFinished(bool)));
    view->setHtml(html, baseUrl);
    return spy.count() > 0 || spy.wait(timeoutMs);
}

bool loadUrl(QWebView *view, const QUrl &url, int timeoutMs)
{
    QSignalSpy spy(view, SIGNAL(loadFinished(bool)));
    view->load(url);
    return spy.count() > 0 || spy.wait(timeoutMs);
}

bool waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QTest::qWait(10);
    }
    return true;
}

QStringList *recordMessages()
{
    static QStringList texts;
    texts.clear();
    Messages::dismissAutomatically([](const QString &text) { texts.append(text); });
    Messages::answerAutomatically({});
    Messages::answerTextAutomatically({});
    return &texts;
}

void answerQuestions(bool yes)
{
    Messages::answerAutomatically([yes](const QString &) { return yes; });
}

AppView *launchAndWait(AppLauncher &launcher, const TestBridge &bridge, const QString &nn,
                       const QString &ll)
{
    const int before = bridge.loads;
    AppView *view = launcher.launch(nn, ll);
    if (!view || !waitFor([&] { return bridge.loads > before; }))
        return nullptr;
    return view;
}

AppView *openFromHome(MainWindow *window, const QString &name, const QString &type,
                      const QString &address)
{
    QStackedWidget *stack = window->stack();
    const int before = stack->count();
    window->homeView()->page()->mainFrame()->evaluateJavaScript(
        QStringLiteral("openit('%1', '%2', '%3')").arg(name, type, address));
    AppView *view = AppView::of(stack->currentWidget());
    if (stack->count() != before + 1 || !view)
        return nullptr;
    return loadedOnce(view) ? view : nullptr;
}

bool loadedOnce(AppView *view, int timeoutMs)
{
    QPointer<AppView> alive(view);
    return waitFor([alive] { return alive && alive->progress() == 100 && !alive->isLoading(); },
                   timeoutMs);
}

AppView *engineView(ShellHost &shell, const QString &storage, bool mobileRequests,
                    const QString &cookieJar)
{
    EngineViewSetup setup;
    setup.storageFolder = EngineViews::storageFolder(shell.paths(), QStringLiteral("App"), storage);
    setup.mobileRequests = mobileRequests;
    setup.cookieJar = cookieJar;
    AppView *view = EngineViews::create(shell, setup);
    if (view) {
        shell.stack()->addWidget(view->widget());
        shell.stack()->setCurrentWidget(view->widget());
    }
    return view;
}

bool loadUntilTitled(AppView *view, const QUrl &url, const QString &title, int timeoutMs)
{
    QPointer<AppView> alive(view);
    view->load(url);
    return waitFor([alive, title] { return alive && alive->title() == title; }, timeoutMs);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}
} // namespace TestUtil
