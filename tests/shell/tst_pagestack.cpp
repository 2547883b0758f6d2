#include "TestBridge.h"
#include "TestHttpServer.h"
#include "TestShell.h"
#include "apps/AppLauncher.h"
#include "mail/MailPanel.h"
#include "shell/PageKind.h"
#include "shell/PageStack.h"
#include "shell/StackSlide.h"
#include "web/WebKitAppView.h"
#include "web/WebPage.h"

#include "PageScript.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QPointer>
#include <QProgressBar>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QWebFrame>
#include <QWebSettings>
#include <QWebView>
#include <memory>

namespace
{
const char homeHtml[] = "<html><body><script>"
                        "var calls = [];"
                        "function addicon(a) { }"
                        "function nameTab(n) { calls.push('nameTab:' + n); }"
                        "function createTab(n) { calls.push('createTab:' + n); }"
                        "</script></body></html>";

QByteArray titled(const QByteArray &title)
{
    return "<html><head><title>" + title + "</title></head><body>" + title + "</body></html>";
}

// The page object of a view, whichever engine shows it.
QObject *pageOf(AppView *view)
{
    if (QWebView *webView = WebKitAppView::webViewOf(view))
        return webView->page();
    auto *engineView = qobject_cast<QWebEngineView *>(view->widget());
    return engineView ? engineView->page() : nullptr;
}

QWebEnginePage *enginePageOf(AppView *view)
{
    auto *engineView = view ? qobject_cast<QWebEngineView *>(view->widget()) : nullptr;
    return engineView ? engineView->page() : nullptr;
}

// Runs the event loop until deferred deletions have happened.
void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QTest::qWait(20);
    }
}
} // namespace

Q_DECLARE_METATYPE(PageKind)

class TestPageStack : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void homescreenAndSwitchKeepPagesRunning_data();
    void homescreenAndSwitchKeepPagesRunning();
    void closingTheMiddleOfThree_data();
    void closingTheMiddleOfThree();
    void closingTheFirstShowsTheLastAsTheHomePageSelectsIt();
    void closingTheLastHidesTheStack_data();
    void closingTheLastHidesTheStack();
    void emptyStackIsHarmless();
    void closingTheMailPanel_data();
    void closingTheMailPanel();
    void closingMusicAndOtherWidgets();
    void localAppClosesItself();
    void pageloadedNamesTheTab_data();
    void pageloadedNamesTheTab();
    void openedWindowTakesItsTitleAsTabName();
    void showappSlidesInAtShowIndex();
    void stackSlidesFromTheRightEdge();
    void pageKindsByName_data();
    void pageKindsByName();
    void theMailPanelIsOfItsKind();
    void pagesKeepTheirSizeWhileTheStackSlides_data();
    void pagesKeepTheirSizeWhileTheStackSlides();
    void linkClickedLoadsIntoThePageOnTop_data();
    void linkClickedLoadsIntoThePageOnTop();
    void homeLoadedCoversTheDesktop();
    void shellGoesWhilePagesLoad_data();
    void shellGoesWhilePagesLoad();
    void backgroundPagesRest_data();
    void backgroundPagesRest();

private:
    AppView *open(const QByteArray &path, const QByteArray &html);
    QStringList homeCalls() const
    {
        return shell->homeFrame()->evaluateJavaScript("calls").toStringList();
    }
    void writeApp(const QString &name, const QByteArray &appcon, const QByteArray &index);

    TestHttpServer *server = nullptr;
    TestBridge *bridge = nullptr;
    TestShell *shell = nullptr;
    PageStack *pages = nullptr;
    AppLauncher *launcher = nullptr;
};

void TestPageStack::initTestCase()
{
    QWebSettings::globalSettings()->setAttribute(QWebSettings::JavascriptCanOpenWindows, true);
    QStandardPaths::setTestModeEnabled(true);
}

void TestPageStack::init()
{
    server = new TestHttpServer;
    QVERIFY(server->start());
    bridge = new TestBridge;
    shell = new TestShell(bridge);
    pages = new PageStack(*shell);
    bridge->pages = pages;
    launcher = new AppLauncher(*shell, QString());
    // Remote pages in QtWebKit unless a test's rows choose.
    QVERIFY(TestUtil::chooseEngine(shell->paths(), AppView::Engine::WebKit));
    shell->stack()->hide();
    QVERIFY(shell->loadHome(QString::fromLatin1(homeHtml), QUrl("qrc:/Lumo.html")));
}

void TestPageStack::cleanup()
{
    delete launcher;
    delete pages;
    delete shell;
    delete bridge;
    delete server;
}

AppView *TestPageStack::open(const QByteArray &path, const QByteArray &html)
{
    server->route(path, html);
    return TestUtil::launchAndWait(*launcher, *bridge, QString::fromLatin1(path.mid(1)),
                                   server->url(path).toString());
}

void TestPageStack::writeApp(const QString &name, const QByteArray &appcon, const QByteArray &index)
{
    QDir().mkpath(shell->appsFolder() + "/" + name);
    QFile con(shell->appsFolder() + "/" + name + "/app.con");
    QVERIFY(con.open(QIODevice::WriteOnly));
    con.write(appcon);
    QFile page(shell->appsFolder() + "/" + name + "/index.html");
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.write(index);
}

void TestPageStack::homescreenAndSwitchKeepPagesRunning_data()
{
    TestUtil::engineRows();
}

void TestPageStack::homescreenAndSwitchKeepPagesRunning()
{
    QFETCH(AppView::Engine, engine);
    QVERIFY(TestUtil::chooseEngine(shell->paths(), engine));
    AppView *a = open("/a", titled("A"));
    AppView *b = open("/b", titled("B"));
    QVERIFY(a && b);
    QCOMPARE(a->engine(), engine);
    QVERIFY(shell->stack()->isVisible());

    pages->homescreen();
    QVERIFY(!shell->stack()->isVisible());
    QCOMPARE(shell->stack()->count(), 2);
    // A background page keeps running.
    PageScript::run(a, "setTimeout(function () { document.title = 'still here'; }, 0)");
    QVERIFY(TestUtil::waitFor([&] { return a->title() == "still here"; }));

    pages->appswitch(0);
    QVERIFY(shell->stack()->isVisible());
    QCOMPARE(shell->stack()->currentWidget(), a->widget());
    QCOMPARE(server->requestCount("/a"), 1); // shown, not reloaded

    const QRect geometry = shell->stack()->geometry();
    for (int outside : {2, -1, 99}) {
        pages->homescreen();
        pages->appswitch(outside);
        QVERIFY(shell->stack()->isVisible());
        QCOMPARE(shell->stack()->currentWidget(), a->widget());
    }
    QCOMPARE(shell->stack()->geometry(), geometry);
}

void TestPageStack::closingTheMiddleOfThree_data()
{
    TestUtil::engineRows();
}

void TestPageStack::closingTheMiddleOfThree()
{
    QFETCH(AppView::Engine, engine);
    QVERIFY(TestUtil::chooseEngine(shell->paths(), engine));
    AppView *a = open("/a", titled("A"));
    AppView *b = open("/b", titled("B"));
    AppView *c = open("/c", titled("C"));
    QVERIFY(a && b && c);
    pages->appswitch(1);
    QPointer<QWidget> closed = b->widget();
    // The page object goes with its view (QtWebKit's is a child of the
    // main window, QtWebEngine's of its view).
    QPointer<QObject> closedPage = pageOf(b);
    QVERIFY(closedPage);

    pages->closeapp();
    QCOMPARE(shell->stack()->count(), 2);
    QCOMPARE(shell->stack()->currentWidget(), c->widget());
    QCOMPARE(shell->stack()->currentIndex(), 1);
    QVERIFY(shell->stack()->isVisible());
    if (QWebView *webView = WebKitAppView::webViewOf(b)) {
        QVERIFY(!webView->settings()->testAttribute(QWebSettings::PluginsEnabled));
        QVERIFY(webView->testAttribute(Qt::WA_DeleteOnClose));
    }

    settle();
    QVERIFY(!closed);
    QVERIFY(!closedPage);
    if (engine == AppView::Engine::WebKit)
        QTRY_COMPARE(bridge->destroyedViews, 1);
    QCOMPARE(shell->stack()->indexOf(a->widget()), 0);
}

void TestPageStack::closingTheFirstShowsTheLastAsTheHomePageSelectsIt()
{
    AppView *a = open("/a", titled("A"));
    AppView *b = open("/b", titled("B"));
    AppView *c = open("/c", titled("C"));
    QVERIFY(a && b && c);
    pages->appswitch(0);
    pages->closeapp();
    QCOMPARE(shell->stack()->count(), 2);
    QCOMPARE(shell->stack()->currentWidget(), c->widget());
    QCOMPARE(shell->stack()->indexOf(b->widget()), 0);
}

void TestPageStack::closingTheLastHidesTheStack_data()
{
    TestUtil::engineRows();
}

void TestPageStack::closingTheLastHidesTheStack()
{
    QFETCH(AppView::Engine, engine);
    QVERIFY(TestUtil::chooseEngine(shell->paths(), engine));
    AppView *a = open("/a", titled("A"));
    QVERIFY(a);
    QPointer<QWidget> closed = a->widget();
    pages->closeapp();
    QCOMPARE(shell->stack()->count(), 0);
    QVERIFY(!shell->stack()->isVisible());
    settle();
    QVERIFY(!closed);
}

void TestPageStack::emptyStackIsHarmless()
{
    shell->progressBar()->setValue(40);
    pages->closeapp();
    pages->pageloaded();
    pages->linkClicked(server->url("/x"));
    QCOMPARE(shell->progressBar()->value(), 0);
    QCOMPARE(shell->stack()->count(), 0);
    QVERIFY(!shell->stack()->isVisible());
    QVERIFY(homeCalls().isEmpty());
}

void TestPageStack::closingTheMailPanel_data()
{
    TestUtil::engineRows();
}

void TestPageStack::closingTheMailPanel()
{
    QFETCH(AppView::Engine, engine);
    AppView *app = open("/a", titled("A"));
    QVERIFY(app);
    auto *panel = new QWidget;
    panel->setObjectName(QStringLiteral("Mail"));
    auto *layout = new QHBoxLayout(panel);
    auto *list = new QWebView;
    new WebKitAppView(list);
    AppView *mail = nullptr;
    if (engine == AppView::Engine::WebKit) {
        auto *page = new WebPage(shell->mainWindow(), shell);
        mail = WebKitAppView::make(page);
    } else {
        mail = TestUtil::engineView(*shell, "Mail");
        QVERIFY(mail);
        shell->stack()->removeWidget(mail->widget());
    }
    layout->addWidget(list);
    layout->addWidget(mail->widget());
    shell->stack()->addWidget(panel);
    shell->stack()->setCurrentWidget(panel);
    QPointer<QWidget> listGone = list, mailGone = mail->widget();
    QPointer<QObject> mailPageGone = pageOf(mail);

    // While the panel is on top, loads reset the bar and rename nothing.
    shell->progressBar()->setValue(70);
    pages->pageloaded();
    QCOMPARE(shell->progressBar()->value(), 0);
    QVERIFY(homeCalls().filter("nameTab").size() == 2);

    pages->closeapp();
    QCOMPARE(shell->stack()->count(), 1);
    QCOMPARE(shell->stack()->currentWidget(), app->widget());
    settle();
    QVERIFY(!listGone && !mailGone && !mailPageGone);
    // The panel itself stays, hidden, with the stack.
    QCOMPARE(panel->parent(), shell->stack());
    QVERIFY(!panel->isVisible());
}

void TestPageStack::closingMusicAndOtherWidgets()
{
    auto *music = new QWebView;
    music->setObjectName(QStringLiteral("Music.map"));
    music->setPage(new WebPage(shell->mainWindow(), shell));
    QPointer<QWebView> musicGone = music;
    QPointer<QWebPage> musicPageGone = music->page();
    // A page named like the player's own display is an ordinary app here.
    auto *display = new QWebView;
    display->setObjectName(QStringLiteral("Music"));
    display->setPage(new WebPage(shell->mainWindow(), shell));
    QPointer<QWebView> displayGone = display;
    for (QWebView *view : {music, display}) {
        new WebKitAppView(view);
        view->settings()->setAttribute(QWebSettings::PluginsEnabled, true);
    }
    auto *other = new QWidget;
    QPointer<QWidget> otherGone = other;
    shell->stack()->addWidget(music);
    shell->stack()->addWidget(display);
    shell->stack()->addWidget(other);
    shell->stack()->setCurrentWidget(other);
    shell->stack()->show();

    pages->closeapp();
    QCOMPARE(shell->stack()->currentWidget(), display);
    pages->closeapp();
    QCOMPARE(shell->stack()->currentWidget(), music);
    // Its plug-ins stopped at once; the music app keeps them to the end.
    QVERIFY(displayGone);
    QVERIFY(!display->settings()->testAttribute(QWebSettings::PluginsEnabled));
    pages->closeapp();
    QVERIFY(musicGone);
    QVERIFY(music->settings()->testAttribute(QWebSettings::PluginsEnabled));
    QCOMPARE(shell->stack()->count(), 0);
    QVERIFY(!shell->stack()->isVisible());
    settle();
    QVERIFY(!otherGone);
    QVERIFY(!displayGone);
    QVERIFY(!musicGone);
    QVERIFY(!musicPageGone);
}

void TestPageStack::localAppClosesItself()
{
    writeApp("Closer", "<config><apptype>local</apptype><applink>index.html</applink></config>",
             "<html><head><title>Closer</title></head><body><script>"
             "function closeMe() {"
             "  api.closeapp();"
             "  document.title = 'after close';" // its script goes on after the call
             "  window.finished = true;"
             "}"
             "</script></body></html>");
    AppView *other = open("/a", titled("A"));
    QVERIFY(other);
    const int before = bridge->loads;
    QPointer<QWebView> closer = WebKitAppView::webViewOf(launcher->launch("Closer", "Closer"));
    QVERIFY(TestUtil::waitFor([&] { return bridge->loads > before; }));
    QPointer<QWebPage> closerPage = closer->page();
    QCOMPARE(closerPage->mainFrame()->evaluateJavaScript("typeof api").toString(),
             QStringLiteral("object"));

    // From the page's own event, as a button in it would.
    closerPage->mainFrame()->evaluateJavaScript("setTimeout(closeMe, 0)");
    QVERIFY(TestUtil::waitFor([&] { return !closer; }));
    QVERIFY(!closerPage);
    QCOMPARE(shell->stack()->count(), 1);
    QCOMPARE(shell->stack()->currentWidget(), other->widget());

    // The same call made directly from the calling script's own stack frame.
    const int again = bridge->loads;
    QPointer<QWebView> direct = WebKitAppView::webViewOf(launcher->launch("Closer", "Closer"));
    QVERIFY(TestUtil::waitFor([&] { return bridge->loads > again; }));
    const QVariant result = direct->page()->mainFrame()->evaluateJavaScript(
        "closeMe(); window.finished ? 'returned' : 'cut off'");
    QCOMPARE(result.toString(), QStringLiteral("returned"));
    QVERIFY(TestUtil::waitFor([&] { return !direct; }));
    QCOMPARE(shell->stack()->count(), 1);
}

void TestPageStack::pageloadedNamesTheTab_data()
{
    TestUtil::engineRows();
}

void TestPageStack::pageloadedNamesTheTab()
{
    QFETCH(AppView::Engine, engine);
    QVERIFY(TestUtil::chooseEngine(shell->paths(), engine));
    AppView *view = open("/long", titled("A rather long page title"));
    QVERIFY(view);
    QCOMPARE(view->engine(), engine);
    QCOMPARE(homeCalls().last(), QStringLiteral("nameTab:A rather l"));

    AppView *quoted = open("/quoted", titled("It's \"here\" \\ ok"));
    QVERIFY(quoted);
    QCOMPARE(homeCalls().last(), QStringLiteral("nameTab:It's \"here"));

    const int named = homeCalls().size();
    AppView *untitled = open("/untitled", "<html><body>no title</body></html>");
    QVERIFY(untitled);
    // The launch names the tab; the untitled page does not rename it (nor
    // does QtWebEngine's stand-in title, the page's address).
    QCOMPARE(untitled->title(), QString());
    QCOMPARE(homeCalls().size(), named + 1);
    QCOMPARE(homeCalls().last(), QStringLiteral("nameTab:untitled"));

    // The page on top is named, whichever page finished.
    pages->appswitch(0);
    shell->progressBar()->setValue(50);
    pages->pageloaded();
    QCOMPARE(shell->progressBar()->value(), 0);
    QCOMPARE(homeCalls().last(), QStringLiteral("nameTab:A rather l"));
}

void TestPageStack::openedWindowTakesItsTitleAsTabName()
{
    writeApp("Opener", "<config><apptype>local</apptype><applink>index.html</applink></config>",
             titled("Opener"));
    server->route("/popup", titled("Popup window of the app"));
    const int before = bridge->loads;
    QWebView *opener = WebKitAppView::webViewOf(launcher->launch("Opener", "Opener"));
    QVERIFY(TestUtil::waitFor([&] { return bridge->loads > before; }));
    shell->stack()->hide();

    opener->page()->mainFrame()->evaluateJavaScript(
        QStringLiteral("window.open('%1')").arg(server->url("/popup").toString()));
    QCOMPARE(shell->stack()->count(), 2);
    auto *popup = qobject_cast<QWebView *>(shell->stack()->currentWidget());
    QVERIFY(popup && popup != opener);
    // The stack is not shown for it: the page waits until the user switches.
    QVERIFY(!shell->stack()->isVisible());
    QVERIFY(TestUtil::waitFor([&] { return homeCalls().last() == "nameTab:Popup wind"; }));
    QCOMPARE(homeCalls().filter("createTab").size(), 1);
    QCOMPARE(homeCalls().filter("createTab").first(), QStringLiteral("createTab:New..."));
    // A plain page: no window object in it.
    QCOMPARE(popup->page()->mainFrame()->evaluateJavaScript("typeof api").toString(),
             QStringLiteral("undefined"));
}

void TestPageStack::showappSlidesInAtShowIndex()
{
    QWebView *a = WebKitAppView::webViewOf(open("/a", titled("A")));
    QWebView *b = WebKitAppView::webViewOf(open("/b", titled("B")));
    QVERIFY(a && b);
    QTest::qWait(600); // the launch's own slide
    const int w = shell->screenArea().width();
    const int h = shell->stack()->height();
    shell->setShowIndex(0);
    pages->showapp();
    QCOMPARE(shell->stack()->currentWidget(), a);
    QVERIFY(shell->stack()->geometry().x() > 0);
    QVERIFY(TestUtil::waitFor([&] { return shell->stack()->geometry() == QRect(0, 20, w, h); }));

    // After homescreen the slide runs out of sight.
    pages->homescreen();
    shell->setShowIndex(1);
    pages->showapp();
    QCOMPARE(shell->stack()->currentWidget(), b);
    QVERIFY(!shell->stack()->isVisible());
    QVERIFY(TestUtil::waitFor([&] { return shell->stack()->geometry() == QRect(0, 20, w, h); }));
}

void TestPageStack::stackSlidesFromTheRightEdge()
{
    const QRect desktop = shell->screenArea();
    QCOMPARE(desktop, QRect(0, 0, 1280, 800));
    const QRect area(0, 20, 1280, 740);
    QCOMPARE(StackSlide::stackArea(desktop), area);
    QStackedWidget *stack = shell->stack();
    stack->setGeometry(10, 10, 30, 30);
    stack->hide();

    // In: shown at once, with no width at the right edge, then across.
    StackSlide::slideIn(stack, desktop);
    QVERIFY(stack->isVisible());
    QCOMPARE(stack->geometry(), QRect(desktop.width(), 20, 0, area.height()));
    QVERIFY(TestUtil::waitFor([&] { return stack->geometry() == area; }));

    // A switch: from a strip near the edge at the present height; a hidden
    // stack stays hidden.
    stack->setGeometry(0, 20, desktop.width(), area.height() / 2);
    stack->hide();
    StackSlide::switchIn(stack, desktop);
    QCOMPARE(stack->geometry(), QRect(desktop.width() - 20, 20, 100, area.height() / 2));
    QVERIFY(!stack->isVisible());
    QVERIFY(TestUtil::waitFor(
        [&] { return stack->geometry() == QRect(0, 20, desktop.width(), area.height() / 2); }));
    QVERIFY(!stack->isVisible());
}

void TestPageStack::pageKindsByName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("webView");
    QTest::addColumn<PageKind>("kind");
    QTest::newRow("mail panel") << "Mail" << false << PageKind::MailPanel;
    // By name alone: the shell knows no other mark of its pages.
    QTest::newRow("a view named Mail") << "Mail" << true << PageKind::MailPanel;
    QTest::newRow("music app") << "Music.map" << true << PageKind::MusicApp;
    QTest::newRow("track display") << "Music" << true << PageKind::TrackDisplay;
    QTest::newRow("photos") << "Photos.map" << true << PageKind::Other;
    QTest::newRow("lower case") << "mail" << false << PageKind::Other;
    QTest::newRow("longer") << "Music.map2" << true << PageKind::Other;
    QTest::newRow("shorter") << "Musi" << true << PageKind::Other;
    QTest::newRow("padded") << " Mail" << false << PageKind::Other;
    QTest::newRow("unnamed") << "" << false << PageKind::Other;
}

void TestPageStack::pageKindsByName()
{
    QFETCH(QString, name);
    QFETCH(bool, webView);
    QFETCH(PageKind, kind);
    std::unique_ptr<QWidget> page(webView ? new QWebView : new QWidget);
    page->setObjectName(name);
    QCOMPARE(kindOf(page.get()), kind);
    QCOMPARE(kindOf(nullptr), PageKind::None);
}

void TestPageStack::theMailPanelIsOfItsKind()
{
    QCOMPARE(PageNames::mailPanel(), QStringLiteral("Mail"));
    QCOMPARE(PageNames::musicApp(), QStringLiteral("Music.map"));
    QCOMPARE(PageNames::trackDisplay(), QStringLiteral("Music"));
    MailPanel mail(*shell);
    QWidget *panel = mail.open();
    QCOMPARE(kindOf(panel), PageKind::MailPanel);
    QCOMPARE(panel->objectName(), QStringLiteral("Mail"));
    QVERIFY(MailPanel::listView(panel) && MailPanel::mailView(panel));
    // The same layout under another name is no panel.
    panel->setObjectName(QStringLiteral("Mail2"));
    QCOMPARE(MailPanel::listView(panel), nullptr);
    panel->setObjectName(PageNames::mailPanel());
    pages->closeapp();
    QCOMPARE(shell->stack()->count(), 0);

    // Whatever carries the panel's name gets no tab name from pageloaded.
    AppView *view = open("/titled", titled("Titled"));
    QVERIFY(view);
    const QStringList before = homeCalls();
    view->widget()->setObjectName(PageNames::mailPanel());
    pages->pageloaded();
    QCOMPARE(homeCalls(), before);
    view->widget()->setObjectName(QStringLiteral("Titled"));
    pages->pageloaded();
    QCOMPARE(homeCalls(), before + QStringList{"nameTab:Titled"});
}

void TestPageStack::pagesKeepTheirSizeWhileTheStackSlides_data()
{
    TestUtil::engineRows();
}

void TestPageStack::pagesKeepTheirSizeWhileTheStackSlides()
{
    QFETCH(AppView::Engine, engine);
    QVERIFY(TestUtil::chooseEngine(shell->paths(), engine));
    AppView *view = open("/a", titled("A"));
    QVERIFY(view);
    QWidget *a = view->widget();
    const int w = shell->screenArea().width();
    const int h = shell->stack()->height();
    // Mid-slide the frame is narrower than the page, which is only uncovered.
    QVERIFY(shell->stack()->width() < w);
    QCOMPARE(a->size(), QSize(w, h));
    int widthSeen = 0;
    QVERIFY(TestUtil::waitFor([&] {
        widthSeen = qMax(widthSeen, PageScript::run(view, "innerWidth").toInt());
        return shell->stack()->geometry() == QRect(0, 20, w, h);
    }));
    QCOMPARE(widthSeen, w);

    // Once it has slid in, the stack lays its pages out again: a page added
    // afterwards and a stack that changes size are filled.
    auto *later = new QWidget;
    shell->stack()->addWidget(later);
    shell->stack()->setCurrentWidget(later);
    QTRY_COMPARE(later->geometry(), QRect(0, 0, w, h));
    shell->stack()->setGeometry(0, 20, w / 2, h / 2);
    QTRY_COMPARE(later->size(), QSize(w / 2, h / 2));

    // A switch slides too, and leaves the pages filling the stack as well.
    shell->stack()->setGeometry(0, 20, w, h);
    shell->setShowIndex(0);
    pages->showapp();
    QCOMPARE(a->size(), QSize(w, h));
    QVERIFY(TestUtil::waitFor([&] { return shell->stack()->geometry() == QRect(0, 20, w, h); }));
    QTest::qWait(50);
    shell->stack()->setGeometry(0, 20, w - 10, h);
    QTRY_COMPARE(a->size(), QSize(w - 10, h));
}

void TestPageStack::linkClickedLoadsIntoThePageOnTop_data()
{
    TestUtil::engineRows();
}

void TestPageStack::linkClickedLoadsIntoThePageOnTop()
{
    QFETCH(AppView::Engine, engine);
    QVERIFY(TestUtil::chooseEngine(shell->paths(), engine));
    AppView *a = open("/a", titled("A"));
    AppView *b = open("/b", titled("B"));
    QVERIFY(a && b);
    server->route("/clicked", titled("Clicked"));
    pages->linkClicked(server->url("/clicked"));
    QVERIFY(TestUtil::waitFor([&] { return b->title() == "Clicked"; }));
    QCOMPARE(b->url(), server->url("/clicked"));
    QCOMPARE(a->url(), server->url("/a"));
}

void TestPageStack::homeLoadedCoversTheDesktop()
{
    pages->homeLoaded();
    const QRect desktop = shell->screenArea();
    QCOMPARE(shell->homeView()->geometry(), QRect(0, 0, desktop.width(), desktop.height()));
    QCOMPARE(shell->progressBar()->geometry(), QRect(0, 0, desktop.width(), 2));
    QVERIFY(shell->progressBar()->testAttribute(Qt::WA_OpaquePaintEvent));
    const QString entry = shell->paths().applicationsFolder() + "/Vantara.desktop";
    QVERIFY(QFile::exists(entry));
}

void TestPageStack::shellGoesWhilePagesLoad_data()
{
    TestUtil::engineRows();
}

void TestPageStack::shellGoesWhilePagesLoad()
{
    QFETCH(AppView::Engine, engine);
    QVERIFY(TestUtil::chooseEngine(shell->paths(), engine));
    // Pages whose loads are cancelled by their own destruction, with the
    // shell already half gone, must not call back into it.
    TestHttpServer::Response slow;
    slow.body = titled("slow");
    slow.delayMs = 5000;
    server->route("/slow", slow);
    server->route("/a", titled("A"));
    AppView *app = open("/a", titled("A"));
    QVERIFY(app);
    PageScript::run(app,
                    QStringLiteral("window.open('%1'); true").arg(server->url("/slow").toString()));
    launcher->launch("Slow", server->url("/slow").toString());
    QVERIFY(TestUtil::waitFor([&] { return server->requestCount("/slow") == 2; }));
    QCOMPARE(shell->stack()->count(), 3);
    const int loads = bridge->loads;
    delete shell;
    shell = nullptr;
    QCOMPARE(bridge->loads, loads);
    bridge->pages = nullptr;
}

void TestPageStack::backgroundPagesRest_data()
{
    using State = QWebEnginePage::LifecycleState;
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<int>("count");            // pages opened in turn: A, B, C
    QTest::addColumn<bool>("sound");           // A plays sound
    QTest::addColumn<QList<State>>("states");  // each page's state, in the end
    QTest::addColumn<QList<State>>("history"); // what A went through
    const auto a = State::Active, f = State::Frozen, d = State::Discarded;
    QTest::newRow("frozen, then discarded")
        << QByteArray("<settings><freezeAfter>1</freezeAfter><discardAfter>2</discardAfter>"
                      "</settings>")
        << 2 << false << QList<State>{d, a} << QList<State>{f, d};
    QTest::newRow("discarded beyond the loaded ones")
        << QByteArray("<settings><keepLoaded>1</keepLoaded></settings>") << 3 << false
        << QList<State>{d, a, a} << QList<State>{f, d};
    QTest::newRow("sound keeps a page awake")
        << QByteArray("<settings><freezeAfter>1</freezeAfter><discardAfter>2</discardAfter>"
                      "</settings>")
        << 3 << true << QList<State>{a, d, a} << QList<State>{};
}

void TestPageStack::backgroundPagesRest()
{
    using State = QWebEnginePage::LifecycleState;
    QFETCH(QByteArray, settings);
    QFETCH(int, count);
    QFETCH(bool, sound);
    QFETCH(QList<State>, states);
    QFETCH(QList<State>, history);
    QVERIFY(TestUtil::writeFile(shell->paths().settingsFile(), settings));
    const QByteArray playing = "<html><head><title>A</title></head><body><script>"
                               "var c = new AudioContext(), o = c.createOscillator();"
                               "o.connect(c.destination); o.start();</script></body></html>";
    QList<AppView *> views;
    QVector<QList<State>> went(count); // each page's changes of state
    QObject watching;
    for (int i = 0; i < count; ++i) {
        const QByteArray name(1, char('A' + i));
        views << open("/" + name.toLower(), titled(name));
        QWebEnginePage *page = enginePageOf(views.last());
        QVERIFY(page);
        QVERIFY(PageScript::run(views.last(), "window.before = 1").isValid());
        connect(page, &QWebEnginePage::lifecycleStateChanged, &watching,
                [&went, i, page] { went[i] << page->lifecycleState(); });
        if (i == 0 && sound) {
            QWebEnginePage *page = enginePageOf(views[0]);
            page->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
            server->route("/a", playing);
            views[0]->reload();
            QTRY_VERIFY_WITH_TIMEOUT(page->recentlyAudible(), 10000);
            QVERIFY(PageScript::run(views[0], "window.before = 1").isValid());
        }
    }
    // Out of sight or not, the page on top stays awake.
    pages->homescreen();
    const auto now = [&] {
        QList<State> all;
        for (AppView *view : views)
            all << enginePageOf(view)->lifecycleState();
        return all;
    };
    QTRY_COMPARE_WITH_TIMEOUT(now(), states, 15000);
    QCOMPARE(went.first(), history);
    QCOMPARE(went.last(), QList<State>());

    // A comes back on its tab, at its address: a new page, if it was discarded.
    pages->appswitch(0);
    QTRY_COMPARE(enginePageOf(views[0])->lifecycleState(), State::Active);
    QTRY_COMPARE(views[0]->title(), QStringLiteral("A"));
    QCOMPARE(views[0]->url(), server->url("/a"));
    const bool discarded = states.first() == State::Discarded;
    QCOMPARE(PageScript::run(views[0], "window.before === 1").toBool(), !discarded);
    if (discarded)
        QTRY_COMPARE(homeCalls().last(), QStringLiteral("nameTab:A"));
}

QTEST_MAIN(TestPageStack)
#include "tst_pagestack.moc"
