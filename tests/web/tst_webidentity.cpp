#include "PageClick.h"
#include "TestBridge.h"
#include "TestHttpServer.h"
#include "TestShell.h"
#include "shell/Addresses.h"
#include "shell/AppView.h"
#include "web/CookieStore.h"
#include "web/EngineLoader.h"
#include "web/NT.h"
#include "web/NetworkCookieJar.h"
#include "web/WebPage.h"

#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTest>
#include <QWebFrame>
#include <QWebSettings>
#include <QWebView>
#include <algorithm>
#include <memory>
#include <unistd.h>

namespace
{
const char homeHtml[] = "<html><body><script>"
                        "var tabs = [];"
                        "function createTab(n) { tabs.push(n); }"
                        "</script></body></html>";
} // namespace

class TestWebIdentity : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void appPagesPresentTheDesktopAgent();
    void mobileManagerStampsEveryRequest();
    void windowOpenBecomesStackPage();
    void openedWindowOpensNoFurtherWindow();
    void openedWindowsShareCookies();
    void pageWithoutShellRefusesWindows();
    void scriptErrorsReachTheLog();
    void scriptAloneOpensOnlyAFewWindows();
    void eachClickOpensOneWindow();
    // Remote pages in QtWebEngine.
    void theEngineRunsTodaysScript();
    void engineViewsPresentTheShellsAgents_data();
    void engineViewsPresentTheShellsAgents();
    void remotePagesReachNothingLocal();
    void eachAppKeepsItsOwnStorage();
    void pagesOfOneSiteShareItsCookieFileInBothEngines();
    void cookiesBeyondWhatTheEngineKeepsStayInTheFile();
    void engineWindowsBecomeStackPagesAndAreFew();
    void asRootTheSandboxIsOffAndTheLogSaysSoOnce();

private:
    QString evalHome(const QString &script)
    {
        return shell->homeFrame()->evaluateJavaScript(script).toString();
    }
    // An app page as the launcher makes it, loaded with html from the server.
    QWebView *appPageAt(const QByteArray &path, const QByteArray &html);

    TestHttpServer *server = nullptr;
    TestBridge *recorder = nullptr;
    TestShell *shell = nullptr;
};

namespace
{
int sandboxWarnings = 0;
QtMessageHandler previousHandler = nullptr;
} // namespace

void TestWebIdentity::initTestCase()
{
    previousHandler = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &context, const QString &text) {
            sandboxWarnings += text.contains("sandbox is off");
            previousHandler(type, context, text);
        });
    // As the shell allows it for every page.
    QWebSettings::globalSettings()->setAttribute(QWebSettings::JavascriptCanOpenWindows, true);
}

void TestWebIdentity::init()
{
    server = new TestHttpServer(this);
    QVERIFY(server->start());
    recorder = new TestBridge;
    shell = new TestShell(recorder);
    QVERIFY(shell->loadHome(QString::fromLatin1(homeHtml), QUrl("qrc:/Lumo.html")));
}

void TestWebIdentity::cleanup()
{
    delete shell;
    delete recorder;
    delete server;
}

QWebView *TestWebIdentity::appPageAt(const QByteArray &path, const QByteArray &html)
{
    server->route(path, html);
    auto *view = new QWebView;
    view->setPage(new WebPage(shell->mainWindow(), shell));
    shell->stack()->addWidget(view);
    shell->stack()->setCurrentWidget(view);
    if (!TestUtil::loadUrl(view, server->url(QString::fromLatin1(path))))
        return nullptr;
    return view;
}

void TestWebIdentity::appPagesPresentTheDesktopAgent()
{
    const QString desktop = QStringLiteral(
        "Mozilla/5.0 (Windows; U; Windows NT 6.1; es-ES) AppleWebKit/531.22.7 (KHTML, like "
        "Gecko) Version/4.0.5 Vantara2");
    QWebView *view = appPageAt("/app", "<html><body>app</body></html>");
    QVERIFY(view);
    QCOMPARE(QString::fromLatin1(server->lastRequest("/app").headers.value("user-agent")), desktop);
    QCOMPARE(view->page()->mainFrame()->evaluateJavaScript("navigator.userAgent").toString(),
             desktop);

    // The home view keeps WebKit's own agent.
    QVERIFY(TestUtil::loadUrl(shell->homeView(), server->url("/app")));
    QVERIFY(!server->lastRequest("/app").headers.value("user-agent").contains("Vantara2"));
}

void TestWebIdentity::mobileManagerStampsEveryRequest()
{
    const QByteArray mobile =
        "Mozilla/5.0(U; CPU iPhone OS 3_2 like Mac OS X; en-us) AppleWebKit/531.21.10 (KHTML, "
        "like Gecko) Version/4.0.4 Mobile/7B314 Safari/531.21.10";
    server->route("/mail", "<html><body><img src='/pixel'></body></html>");
    server->route("/pixel", "x", "image/png");
    QWebView view;
    view.setPage(new WebPage(&view, shell));
    view.page()->setNetworkAccessManager(new NT(&view));
    QVERIFY(TestUtil::loadUrl(&view, server->url("/mail")));
    QVERIFY(TestUtil::waitFor([&] { return server->requestCount("/pixel") > 0; }));
    QCOMPARE(server->lastRequest("/mail").headers.value("user-agent"), mobile);
    QCOMPARE(server->lastRequest("/pixel").headers.value("user-agent"), mobile);
    QCOMPARE(view.page()->mainFrame()->evaluateJavaScript("navigator.userAgent").toString(),
             WebPage::userAgent());
}

void TestWebIdentity::windowOpenBecomesStackPage()
{
    server->route("/opened", "<html><head><title>Opened window</title></head></html>");
    QWebView *app = appPageAt("/app", "<html><body>app</body></html>");
    QVERIFY(app);
    QCOMPARE(shell->stack()->count(), 1);
    app->page()->mainFrame()->evaluateJavaScript(
        QStringLiteral("window.open('%1')").arg(server->url("/opened").toString()));

    QCOMPARE(shell->stack()->count(), 2);
    auto *opened = qobject_cast<QWebView *>(shell->stack()->currentWidget());
    QVERIFY(opened && opened != app);
    QCOMPARE(evalHome("tabs.join('|')"), QStringLiteral("New..."));
    QVERIFY(TestUtil::waitFor([&] { return recorder->loads > 0; }));
    QCOMPARE(opened->title(), QStringLiteral("Opened window"));
    // The opened window is a plain page: WebKit's agent, no shell objects.
    QVERIFY(!server->lastRequest("/opened").headers.value("user-agent").contains("Vantara2"));
    QVERIFY(!dynamic_cast<WebPage *>(opened->page()));
    QVERIFY(opened->testAttribute(Qt::WA_QuitOnClose));
}

void TestWebIdentity::openedWindowOpensNoFurtherWindow()
{
    server->route("/opened", "<html><body>opened</body></html>");
    QWebView *app = appPageAt("/app", "<html><body>app</body></html>");
    QVERIFY(app);
    app->page()->mainFrame()->evaluateJavaScript(
        QStringLiteral("window.open('%1')").arg(server->url("/opened").toString()));
    auto *opened = qobject_cast<QWebView *>(shell->stack()->currentWidget());
    QVERIFY(opened && opened != app);
    QVERIFY(TestUtil::waitFor([&] { return server->requestCount("/opened") > 0; }));

    const QVariant second = opened->page()->mainFrame()->evaluateJavaScript(
        QStringLiteral("!window.open('%1')").arg(server->url("/opened").toString()));
    QCOMPARE(second.toBool(), true);
    QCOMPARE(shell->stack()->count(), 2);
    QCOMPARE(evalHome("tabs.length"), QStringLiteral("1"));
}

void TestWebIdentity::openedWindowsShareCookies()
{
    TestHttpServer::Response setCookie;
    setCookie.body = "<html>set</html>";
    setCookie.headers = {{"Content-Type", "text/html"}, {"Set-Cookie", "w=1; Path=/"}};
    server->route("/set", setCookie);
    server->route("/echo", "<html>echo</html>");
    QWebView *app = appPageAt("/app", "<html><body>app</body></html>");
    QVERIFY(app);
    QWebFrame *frame = app->page()->mainFrame();
    frame->evaluateJavaScript(
        QStringLiteral("window.open('%1')").arg(server->url("/set").toString()));
    QVERIFY(TestUtil::waitFor([&] { return recorder->loads == 1; }));
    frame->evaluateJavaScript(
        QStringLiteral("window.open('%1')").arg(server->url("/echo").toString()));
    QVERIFY(TestUtil::waitFor([&] { return recorder->loads == 2; }));
    QCOMPARE(server->lastRequest("/echo").headers.value("cookie"), QByteArray("w=1"));
    // Kept under the default start page's file, in the shell's cookie folder.
    const QString name = NetworkCookieJar::fileNameFor(QStringLiteral(VANTARA_DEFAULT_START_PAGE));
    QVERIFY(!name.isEmpty());
    const QString file = shell->paths().cookieFolder() + '/' + name;
    QVERIFY(TestUtil::waitFor([&] { return QFile::exists(file); }));
}

void TestWebIdentity::pageWithoutShellRefusesWindows()
{
    server->route("/app", "<html><body>app</body></html>");
    QWebView view;
    view.setPage(new WebPage(&view));
    QVERIFY(TestUtil::loadUrl(&view, server->url("/app")));
    QCOMPARE(view.page()->mainFrame()->evaluateJavaScript("!window.open('about:blank')").toBool(),
             true);
    QCOMPARE(shell->stack()->count(), 0);
}

// Errors of app pages, of the windows they open and of the home view reach
// the program's log; what a page only logs or warns of does not.
void TestWebIdentity::scriptErrorsReachTheLog()
{
    QTest::ignoreMessage(
        QtWarningMsg,
        QRegularExpression("^script error: .*no such thing.* \\(http://127\\.0\\.0\\.1:"
                           "\\d+/broken:1\\)$"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^script error: told \\("));
    QWebView *view =
        appPageAt("/broken", "<html><body><script>console.log('fine');"
                             "console.warn('careful');console.error('told');"
                             "throw new Error('no such thing');</script></body></html>");
    QVERIFY(view);

    // A window the page opens is a page of the shell's as well.
    server->route("/opened",
                  "<html><body><script>throw new Error('opened');</script>after</body></html>");
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("^script error: .*opened.*/opened:1\\)$"));
    view->page()->mainFrame()->evaluateJavaScript(
        QStringLiteral("window.open('%1')").arg(server->url("/opened").toString()));
    QCOMPARE(shell->stack()->count(), 2);
    QVERIFY(TestUtil::waitFor([&] { return server->requestCount("/opened") > 0; }));
    auto *opened = qobject_cast<QWebView *>(shell->stack()->currentWidget());
    QVERIFY(opened && opened != view);
    // The text after the script shows once the script has run.
    QVERIFY(TestUtil::waitFor(
        [&] { return opened->page()->mainFrame()->toPlainText().contains("after"); }));
}

void TestWebIdentity::scriptAloneOpensOnlyAFewWindows()
{
    server->route("/opened", "<html><body>opened</body></html>");
    QWebView *app = appPageAt("/app", "<html><body>app</body></html>");
    QVERIFY(app);
    const QString flood = QStringLiteral("var n = 0; for (var i = 0; i < 400; ++i)"
                                         " if (window.open('%1')) ++n; n")
                              .arg(server->url("/opened").toString());
    QCOMPARE(app->page()->mainFrame()->evaluateJavaScript(flood).toInt(),
             WindowAllowance::withoutGesture);
    QCOMPARE(shell->stack()->count(), 1 + WindowAllowance::withoutGesture);
    QCOMPARE(evalHome("tabs.length"), QString::number(WindowAllowance::withoutGesture));
    // Later script gets no more; another page has its own few.
    QCOMPARE(app->page()->mainFrame()->evaluateJavaScript("!window.open('about:blank')").toBool(),
             true);
    QWebView *other = appPageAt("/other", "<html><body>other</body></html>");
    QVERIFY(other);
    QCOMPARE(
        other->page()->mainFrame()->evaluateJavaScript("!!window.open('about:blank')").toBool(),
        true);
}

void TestWebIdentity::eachClickOpensOneWindow()
{
    server->route("/opened", "<html><body>opened</body></html>");
    const QByteArray html =
        "<html><body style='margin:0'>"
        "<a id='link' href='/opened' target='_blank' style='display:block;height:60px'>link</a>"
        "<button id='one' style='display:block;height:60px' onclick=\"window.open('/opened')\">"
        "one</button>"
        "<button id='many' style='display:block;height:60px' onclick=\"for (var i = 0;"
        " i < 50; ++i) window.open('/opened')\">many</button></body></html>";
    QWebView *app = appPageAt("/app", html);
    QVERIFY(app);
    // The stack of a test shell has no size of its own: give the page room.
    shell->stack()->setGeometry(0, 0, 800, 600);
    // Script alone spends what a page may open without the user.
    app->page()->mainFrame()->evaluateJavaScript(
        "for (var i = 0; i < 400; ++i) window.open('about:blank')");
    int pages = shell->stack()->count();
    QCOMPARE(pages, 1 + WindowAllowance::withoutGesture);

    for (const char *target : {"#link", "#one", "#many"}) {
        shell->stack()->setCurrentWidget(app);
        QVERIFY2(TestUtil::clickElement(app, QString::fromLatin1(target)), target);
        QVERIFY2(TestUtil::waitFor([&] { return shell->stack()->count() == pages + 1; }), target);
        QTest::qWait(100);
        QCOMPARE(shell->stack()->count(), pages + 1);
        pages = shell->stack()->count();
    }
    // The click is spent: script after it opens nothing.
    QCOMPARE(app->page()->mainFrame()->evaluateJavaScript("!window.open('about:blank')").toBool(),
             true);
    QCOMPARE(shell->stack()->count(), pages);
}

void TestWebIdentity::theEngineRunsTodaysScript()
{
    // Class private fields, async/await, fetch, optional chaining and
    // nullish coalescing, CSS grid: none of it parses or runs in QtWebKit.
    server->route("/data", "{\"answer\": {\"value\": 42}}", "application/json");
    server->route("/modern",
                  "<!DOCTYPE html><html><head><title>waiting</title>"
                  "<style>#g { display: grid; grid-template-columns: 100px 50px; }</style>"
                  "</head><body><div id='g'><div id='a'>a</div><div id='b'>b</div></div><script>"
                  "class Counter { #n = 40; next() { return this.#n += 2; } }"
                  "async function run() {"
                  "  const data = await (await fetch('/data')).json();"
                  "  const grid = document.getElementById('b').offsetLeft -"
                  "               document.getElementById('a').offsetLeft;"
                  "  const seen = data?.answer?.value ?? 0;"
                  "  document.title = [seen === new Counter().next(), grid].join(' ');"
                  "}"
                  "run().catch(e => document.title = 'failed: ' + e);"
                  "</script></body></html>");
    AppView *view = TestUtil::engineView(*shell);
    QVERIFY(view);
    QCOMPARE(view->engine(), AppView::Engine::WebEngine);
    QVERIFY(TestUtil::loadUntilTitled(view, server->url("/modern"), "true 100"));
    QCOMPARE(server->requestCount("/data"), 1);
}

void TestWebIdentity::engineViewsPresentTheShellsAgents_data()
{
    QTest::addColumn<bool>("mobile");
    QTest::newRow("web app") << false;
    QTest::newRow("mail site") << true;
}

void TestWebIdentity::engineViewsPresentTheShellsAgents()
{
    QFETCH(bool, mobile);
    server->route("/agent", "<html><head><title>waiting</title></head><body>"
                            "<img src='/pixel.png' onerror='document.title = navigator.userAgent'>"
                            "</body></html>");
    server->route("/pixel.png", "x", "image/png");
    AppView *view = TestUtil::engineView(*shell, mobile ? "Mail" : "Site", mobile);
    QVERIFY(view);
    // Script reads the desktop agent either way.
    QVERIFY(TestUtil::loadUntilTitled(view, server->url("/agent"), WebPage::userAgent()));
    // Every request says what the shell's QtWebKit pages say: a mail site's
    // the phone's agent, as web/NT stamps it.
    const QByteArray expected = mobile ? NT::userAgent() : WebPage::userAgent().toLatin1();
    QCOMPARE(server->lastRequest("/agent").headers.value("user-agent"), expected);
    QCOMPARE(server->lastRequest("/pixel.png").headers.value("user-agent"), expected);
}

void TestWebIdentity::remotePagesReachNothingLocal()
{
    // A file the page would like to read, and a compiled-in page of the shell.
    const QString secret = shell->paths().workingFolder() + "/secret.txt";
    QVERIFY(TestUtil::writeFile(secret, "secret"));
    const QString file = QUrl::fromLocalFile(secret).toString();
    server->route(
        "/local",
        QStringLiteral("<html><head><title>waiting</title></head><body><script>"
                       "const tries = ["
                       "  fetch('%1').then(() => 'read', () => 'refused'),"
                       "  fetch('qrc:/Lumo.html').then(() => 'read', () => 'refused'),"
                       "  new Promise(done => { const i = new Image();"
                       "    i.onload = () => done('shown'); i.onerror = () => done('refused');"
                       "    i.src = 'qrc:/assets/icons/browser.png'; })];"
                       "Promise.all(tries).then(r => document.title = r.join(' '));"
                       "</script></body></html>")
            .arg(file)
            .toUtf8());
    AppView *view = TestUtil::engineView(*shell);
    QVERIFY(view);
    QVERIFY(TestUtil::loadUntilTitled(view, server->url("/local"), "refused refused refused"));

    // Nor by leaving for a local address, by itself or by the shell's hand.
    server->route("/leave", QStringLiteral("<html><head><title>here</title></head><body><script>"
                                           "setTimeout(() => location.href = '%1', 0);"
                                           "</script></body></html>")
                                .arg(file)
                                .toUtf8());
    QVERIFY(TestUtil::loadUntilTitled(view, server->url("/leave"), "here"));
    view->load(QUrl::fromLocalFile(secret));
    view->load(QUrl(QStringLiteral("qrc:/Lumo.html")));
    server->route("/after", "<html><head><title>after</title></head></html>");
    QVERIFY(TestUtil::loadUntilTitled(view, server->url("/after"), "after"));
    QVERIFY(view->url().scheme() == "http");
}

void TestWebIdentity::eachAppKeepsItsOwnStorage()
{
    server->route("/store", "<html><head><title>waiting</title></head><body><script>"
                            "localStorage.setItem('note', 'milk');"
                            "document.title = 'stored';</script></body></html>");
    server->route("/read", "<html><head><title>waiting</title></head><body><script>"
                           "document.title = localStorage.getItem('note') || 'nothing';"
                           "</script></body></html>");
    AppView *first = TestUtil::engineView(*shell, "Notes");
    QVERIFY(first);
    QVERIFY(TestUtil::loadUntilTitled(first, server->url("/store"), "stored"));
    // The app closes, and with its last page its profile goes.
    QPointer<QWidget> gone = first->widget();
    first->close(true);
    QVERIFY(TestUtil::waitFor([&] { return !gone; }));
    QCoreApplication::processEvents();

    // Opened again, it finds what it stored, in its folder under the working
    // folder; another app does not.
    AppView *again = TestUtil::engineView(*shell, "Notes");
    QVERIFY(again);
    QVERIFY(TestUtil::loadUntilTitled(again, server->url("/read"), "milk"));
    AppView *other = TestUtil::engineView(*shell, "Other");
    QVERIFY(other);
    QVERIFY(TestUtil::loadUntilTitled(other, server->url("/read"), "nothing"));
    QVERIFY(QFileInfo(shell->paths().engineStorageFolder() + "/App-Notes").isDir());
}

void TestWebIdentity::pagesOfOneSiteShareItsCookieFileInBothEngines()
{
    auto setting = [this](const QByteArray &path, const QByteArray &cookie) {
        TestHttpServer::Response r;
        r.body = "<title>set</title>";
        r.headers = {{"Content-Type", "text/html"}, {"Set-Cookie", cookie + "; Path=/"}};
        server->route(path, r);
    };
    setting("/a", "a=1");
    setting("/b", "b=1");
    setting("/c", "c=1");
    server->route("/echo", "<title>echo</title>");
    const QString jar = QStringLiteral("https://www.example.test/");
    const QString file = NetworkCookieJar::filePathFor(jar, shell->paths().cookieFolder());
    // Cookies of other hosts come back from the engine as they went in: the
    // host's own and its domain's, with expiry, HttpOnly or Secure.
    QVERIFY(TestUtil::writeFile(file, "h=1; HttpOnly; domain=www.example.test; path=/\n"
                                      "d=1; expires=Fri, 01-Jan-2100 00:00:00 GMT; "
                                      "domain=.example.test; path=/app\n"
                                      "s=1; secure; domain=127.0.0.1; path=/\n"));
    // Two apps of one site, each with a profile of its own, and a QtWebKit page.
    AppView *first = TestUtil::engineView(*shell, "First", false, jar);
    AppView *second = TestUtil::engineView(*shell, "Second", false, jar);
    QVERIFY(first && second);
    QWebView webkit;
    webkit.page()->networkAccessManager()->setCookieJar(
        new NetworkCookieJar(jar, shell->paths().cookieFolder()));
    QVERIFY(TestUtil::loadUntilTitled(first, server->url("/a"), "set"));
    QVERIFY(TestUtil::loadUntilTitled(second, server->url("/b"), "set"));
    QVERIFY(TestUtil::loadUrl(&webkit, server->url("/c")));
    auto saved = [&] {
        QByteArrayList all;
        for (const QNetworkCookie &c : CookieStore::parseFile(TestUtil::readFile(file)))
            all << c.name() + '=' + c.value();
        std::sort(all.begin(), all.end());
        return all;
    };
    QVERIFY(TestUtil::waitFor(
        [&] { return saved() == QByteArrayList{"a=1", "b=1", "c=1", "d=1", "h=1", "s=1"}; }));

    // Each page sends what the others received, also a value changed meanwhile.
    setting("/b", "a=2");
    QVERIFY(TestUtil::loadUrl(&webkit, server->url("/b")));
    QVERIFY(TestUtil::waitFor(
        [&] { return saved() == QByteArrayList{"a=2", "b=1", "c=1", "d=1", "h=1", "s=1"}; }));
    for (AppView *view : {first, second}) {
        QVERIFY(TestUtil::loadUntilTitled(view, server->url("/echo"), "echo"));
        QCOMPARE(server->cookiesSent("/echo"), QByteArrayList({"a=2", "b=1", "c=1"}));
    }
}

void TestWebIdentity::cookiesBeyondWhatTheEngineKeepsStayInTheFile()
{
    // QtWebKit kept any number of a site's cookies; QtWebEngine keeps 180.
    QByteArray lines;
    QByteArrayList newest;
    for (int i = 0; i < 200; ++i) {
        lines += "c" + QByteArray::number(i) + "=1; domain=127.0.0.1; path=/\n";
        if (i >= 50)
            newest << "c" + QByteArray::number(i) + "=1";
    }
    std::sort(newest.begin(), newest.end());
    const QString jar = QStringLiteral("https://www.example.test/");
    const QString file = NetworkCookieJar::filePathFor(jar, shell->paths().cookieFolder());
    QVERIFY(TestUtil::writeFile(file, lines));
    server->route("/echo", "<title>echo</title>");
    AppView *view = TestUtil::engineView(*shell, "Site", false, jar);
    QVERIFY(view);
    QVERIFY(TestUtil::loadUntilTitled(view, server->url("/echo"), "echo"));
    QCOMPARE(server->cookiesSent("/echo"), newest);
    // Byte for byte, also once the page and its profile have gone.
    const QWeakPointer<CookieStore> open = CookieStore::forFile(file);
    view->close(true);
    QVERIFY(TestUtil::waitFor([&] { return open.isNull(); }));
    QCOMPARE(TestUtil::readFile(file), lines);
}

void TestWebIdentity::engineWindowsBecomeStackPagesAndAreFew()
{
    server->route("/opened", "<html><head><title>Opened window</title></head><body>"
                             "<script>window.open('/again');</script></body></html>");
    server->route("/again", "<html><body>again</body></html>");
    server->route("/flood", "<html><head><title>waiting</title></head><body><script>"
                            "for (let i = 0; i < 400; ++i) window.open('/opened?' + i);"
                            "document.title = 'flooded';</script></body></html>");
    AppView *view = TestUtil::engineView(*shell);
    QVERIFY(view);
    // Script alone opens a few, each a page of the stack with its tab.
    QVERIFY(TestUtil::loadUntilTitled(view, server->url("/flood"), "flooded"));
    const int few = WindowAllowance::withoutGesture;
    auto opened = [&] {
        QList<AppView *> views;
        for (int i = 1; i < shell->stack()->count(); ++i)
            views << AppView::of(shell->stack()->widget(i));
        return views;
    };
    QVERIFY(TestUtil::waitFor([&] {
        const QList<AppView *> views = opened();
        return views.size() == few && std::all_of(views.begin(), views.end(), [](AppView *v) {
                   return v && v->title() == "Opened window";
               });
    }));
    QCOMPARE(evalHome("tabs.join('|')"), QVector<QString>(few, "New...").toList().join('|'));
    for (AppView *window : opened()) {
        QCOMPARE(window->engine(), AppView::Engine::WebEngine);
        QVERIFY(window->widget()->testAttribute(Qt::WA_QuitOnClose));
    }
    // The rest of the flood, and the windows the opened ones asked for, never
    // loaded anything.
    int requested = 0;
    for (const TestHttpServer::Request &r : server->requests())
        requested += r.path.startsWith("/opened");
    QCOMPARE(requested, few);
    QCOMPARE(server->requestCount("/again"), 0);
    QCOMPARE(shell->stack()->count(), 1 + few);
}

void TestWebIdentity::asRootTheSandboxIsOffAndTheLogSaysSoOnce()
{
    // Whichever test loaded the engine, the log has said it once since the
    // test began (initTestCase counts).
    QVERIFY(TestUtil::engineView(*shell));
    QVERIFY(TestUtil::engineView(*shell, "Other"));
    const bool root = ::geteuid() == 0;
    QCOMPARE(qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"), root);
    QCOMPARE(sandboxWarnings, root ? 1 : 0);
}

QTEST_MAIN(TestWebIdentity)
#include "tst_webidentity.moc"
