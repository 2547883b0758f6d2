#include "DialogSteps.h"
#include "TestBridge.h"
#include "TestHttpServer.h"
#include "TestPictures.h"
#include "TestShell.h"
#include "apps/AppLauncher.h"
#include "install/WebAppInstaller.h"
#include "shell/Addresses.h"
#include "shell/AppDescriptor.h"
#include "shell/EngineChoice.h"
#include "shell/Messages.h"
#include "shell/PageStack.h"
#include "shell/ShellSettings.h"
#include "web/BrowserBar.h"
#include "web/CookieStore.h"
#include "web/DialogOverlay.h"
#include "web/EngineViews.h"
#include "web/ErrorPage.h"
#include "web/LoadWatchdog.h"
#include "web/NetworkCookieJar.h"
#include "web/QuietPage.h"
#include "web/WebEngineFactory.h"
#include "web/WebKitAppView.h"
#include "web/WebPage.h"

#include "PageScript.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QPointer>
#include <QProcess>
#include <QProgressBar>
#include <QSignalSpy>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QStackedWidget>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWebElement>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWebFrame>
#include <QWebSettings>
#include <QWebView>
#include <algorithm>
#include <memory>

namespace
{
const char homeHtml[] = "<html><body><script>"
                        "var calls = [];"
                        "function addicon(a) { calls.push('addicon:' + a); }"
                        "function nameTab(n) { calls.push('nameTab:' + n); }"
                        "function createTab(n) { calls.push('createTab:' + n); }"
                        "function createwebapp(i, n, l) { calls.push('createwebapp:' + n); }"
                        "</script></body></html>";

const char styleBase[] = "::-webkit-scrollbar {width: 8px;} ";

QWebView *webkit(AppView *view)
{
    return WebKitAppView::webViewOf(view);
}

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
}
} // namespace

class TestAppLauncher : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void localAppOpensWithApiAndStyle();
    void webAppLoadsItsLink_data();
    void webAppLoadsItsLink();
    void webAppLaunchedByItsLinkLoadsTwice_data();
    void webAppLaunchedByItsLinkLoadsTwice();
    void loginSurvivesAChangeOfEngine_data();
    void loginSurvivesAChangeOfEngine();
    void directAddressWithoutFolder_data();
    void directAddressWithoutFolder();
    void twoLaunchesMakeTwoPages_data();
    void twoLaunchesMakeTwoPages();
    void missingDescriptorStillStacksAPage();
    void emptyAppCssKeepsTheBaseStyle();
    void engineChoice_data();
    void engineChoice();
    void restSettings_data();
    void restSettings();
    void trustedHostIsMatchedOnTheParsedLink_data();
    void trustedHostIsMatchedOnTheParsedLink();
    void namesOutsideAppsReadNoDescriptor();
    void localPageOutsideItsFolderLoadsNothing();
    // Pages that cannot load.
    void failedLoadReason_data();
    void failedLoadReason();
    void unreachableWebAppShowsOurPageAndTriesAgain_data();
    void unreachableWebAppShowsOurPageAndTriesAgain();
    void stalledLoad_data();
    void stalledLoad();
    void untrustedSiteShowsACertificateProblem_data();
    void untrustedSiteShowsACertificateProblem();
    void namesThatDoNotResolve_data();
    void namesThatDoNotResolve();
    void missingLocalPageIsNamed();
    void anIconBeyondTheBoundsIsNeverShown();
    void errorPageEscapesWhatItShows();
    void refusedAddressShowsOurPage_data();
    void refusedAddressShowsOurPage();
    // The Browser's bar.
    void browserAddressFor_data();
    void browserAddressFor();
    void browserBarNavigatesSearchesAndGoesBack_data();
    void browserBarNavigatesSearchesAndGoesBack();
    void onlyTheBrowserItemGetsTheBar_data();
    void onlyTheBrowserItemGetsTheBar();
    void browserBarAddsTheSiteToTheHomeScreen_data();
    void browserBarAddsTheSiteToTheHomeScreen();
    // What QtWebEngine pages ask for.
    void enginePermissions();
    void engineFullScreen_data();
    void engineFullScreen();

private:
    QString appsFolder() const { return shell->appsFolder(); }
    // A view for the Browser's page in engine; null when it cannot be made.
    AppView *browserView(AppView::Engine engine);
    QStringList homeCalls() const
    {
        return shell->homeFrame()->evaluateJavaScript("calls").toStringList();
    }
    AppView *launchAndWait(const QString &nn, const QString &ll);
    static QString textOf(AppView *view, const QString &id) { return PageScript::textOf(view, id); }
    // Runs this test's row in a network namespace of its own (loopback, and
    // for a machine with a network a pair of interfaces that lead nowhere):
    // nothing can leave the machine, whatever the page asks for. True in
    // the child, which runs the row; false in the parent, which has checked
    // the child's result.
    bool inNamespace(bool network);

    // A QtWebEngine view of the app called name on top of the stack, as the
    // launcher places one for a web app, or for the Browser (under its bar).
    AppView *engineApp(const QString &name, bool underBar = false);

    TestHttpServer *server = nullptr;
    TestBridge *bridge = nullptr;
    TestShell *shell = nullptr;
    PageStack *pages = nullptr;
    AppLauncher *launcher = nullptr;
};

void TestAppLauncher::init()
{
    server = new TestHttpServer;
    QVERIFY(server->start());
    bridge = new TestBridge;
    shell = new TestShell(bridge);
    pages = new PageStack(*shell);
    bridge->pages = pages;
    launcher = new AppLauncher(*shell, QString::fromLatin1(styleBase));
    shell->stack()->hide();
    QVERIFY(shell->loadHome(QString::fromLatin1(homeHtml), QUrl("qrc:/Lumo.html")));
}

void TestAppLauncher::cleanup()
{
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    delete launcher;
    delete pages;
    delete shell;
    delete bridge;
    delete server;
}

AppView *TestAppLauncher::launchAndWait(const QString &nn, const QString &ll)
{
    return TestUtil::launchAndWait(*launcher, *bridge, nn, ll);
}

bool TestAppLauncher::inNamespace(bool network)
{
    if (!qEnvironmentVariableIsEmpty("VANTARA_IN_NAMESPACE"))
        return true;
    if (QProcess::execute("unshare", {"-n", "true"}) != 0) {
        QTest::qSkip("no network namespaces here (they need root)", __FILE__, __LINE__);
        return false;
    }
    const QString links = network ? "ip link add v0 type veth peer name v1 && ip link set v0 "
                                    "up && ip link set v1 up && "
                                  : "";
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("VANTARA_IN_NAMESPACE", "1");
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    const QString function = QString::fromLatin1(QTest::currentTestFunction());
    child.start("unshare",
                {"-n", "sh", "-c", "ip link set lo up && " + links + "exec \"$0\" \"$1\"",
                 QCoreApplication::applicationFilePath(),
                 function + ':' + QTest::currentDataTag()});
    if (!child.waitForFinished(120000)) {
        QTest::qFail("the row did not end in its namespace", __FILE__, __LINE__);
        return false;
    }
    const QByteArray output = child.readAll();
    if (child.exitCode() != 0 ||
        !output.contains("PASS   : TestAppLauncher::" + function.toLatin1()))
        QTest::qFail(output.constData(), __FILE__, __LINE__);
    return false;
}

void TestAppLauncher::localAppOpensWithApiAndStyle()
{
    writeFile(appsFolder() + "/Notes/app.con",
              "<config><apptype>local</apptype><applink>index.html</applink>"
              "<appcss>body { color: rgb(255, 0, 0); }</appcss></config>");
    writeFile(appsFolder() + "/Notes/index.html",
              "<html><head><title>My Notes Application</title></head>"
              "<body><p id='p'>notes</p></body></html>");
    shell->setShowIndex(3);
    QSignalSpy progress(shell->progressBar(), SIGNAL(valueChanged(int)));
    QWebView *view = webkit(launchAndWait("Notes", "Notes"));
    QVERIFY(view);
    // The bar follows the load and is reset once the page has loaded.
    QVERIFY(progress.count() >= 2);
    QVERIFY(std::any_of(progress.begin(), progress.end(),
                        [](const QList<QVariant> &args) { return args.at(0).toInt() > 0; }));
    QCOMPARE(progress.last().at(0).toInt(), 0);

    QCOMPARE(view->objectName(), QStringLiteral("Notes"));
    QCOMPARE(view->url(), QUrl::fromLocalFile(appsFolder() + "/Notes/index.html"));
    QVERIFY(dynamic_cast<WebPage *>(view->page()));
    QCOMPARE(view->page()->parent(), shell->mainWindow());
    QCOMPARE(shell->stack()->count(), 1);
    QCOMPARE(shell->stack()->currentWidget(), view);
    QVERIFY(shell->stack()->isVisible());
    QCOMPARE(shell->showIndex(), 0);

    // The page sees the shell as api, and the app's style sheet after the base.
    QWebFrame *frame = view->page()->mainFrame();
    QCOMPARE(frame->evaluateJavaScript("typeof api").toString(), QStringLiteral("object"));
    QCOMPARE(frame->evaluateJavaScript("getComputedStyle(document.body).color").toString(),
             QStringLiteral("rgb(255, 0, 0)"));
    QCOMPARE(view->settings()->userStyleSheetUrl(),
             QUrl("data:text/css;charset=utf-8;base64," +
                  QByteArray(styleBase).append("body { color: rgb(255, 0, 0); }").toBase64()));

    auto *jar = dynamic_cast<NetworkCookieJar *>(view->page()->networkAccessManager()->cookieJar());
    QVERIFY(jar);
    QCOMPARE(QFileInfo(jar->filePath()).fileName(),
             NetworkCookieJar::fileNameFor(QStringLiteral(VANTARA_DEFAULT_START_PAGE)));

    QCOMPARE(homeCalls(),
             QStringList({"addicon:file:///" + shell->programFolder() + "//Apps//Notes//icon.png",
                          "nameTab:Notes", "nameTab:My Notes A"}));

    // The slide ends with the stack across the desktop.
    QVERIFY(TestUtil::waitFor([&] {
        return shell->stack()->geometry() ==
               QRect(0, 20, shell->screenArea().width(), shell->screenArea().height() - 60);
    }));
}

void TestAppLauncher::webAppLoadsItsLink_data()
{
    TestUtil::engineRows();
}

void TestAppLauncher::webAppLoadsItsLink()
{
    QFETCH(AppView::Engine, engine);
    QVERIFY(TestUtil::chooseEngine(shell->paths(), engine));
    // A web app off the trusted host cannot call the shell.
    server->route("/site", "<html><head><title>Site</title></head><body><script>"
                           "document.title = [typeof api, typeof myob].join(' ');"
                           "</script></body></html>");
    writeFile(appsFolder() + "/Site/app.con", "<config><apptype>web</apptype><applink>" +
                                                  server->url("/site").toEncoded() +
                                                  "</applink></config>");
    AppView *view = launchAndWait("Site", "Site");
    QVERIFY(view);
    QCOMPARE(view->engine(), engine);
    QVERIFY(TestUtil::waitFor([&] { return view->title() == "undefined undefined"; }));
    QCOMPARE(server->requestCount("/site"), 1);
    QVERIFY(server->lastRequest("/site").headers.value("user-agent").endsWith("Vantara2"));
    QCOMPARE(view->widget()->objectName(), QStringLiteral("Site"));
    QCOMPARE(AppView::of(shell->stack()->currentWidget()), view);
    if (engine == AppView::Engine::WebEngine) {
        // Its storage is its own, in the working folder.
        QVERIFY(QFileInfo(shell->paths().engineStorageFolder() + "/App-Site").isDir());
        return;
    }
    auto *jar =
        dynamic_cast<NetworkCookieJar *>(webkit(view)->page()->networkAccessManager()->cookieJar());
    QVERIFY(jar);
    QCOMPARE(QFileInfo(jar->filePath()).fileName(), QStringLiteral("0.0.1"));
}

void TestAppLauncher::webAppLaunchedByItsLinkLoadsTwice_data()
{
    TestUtil::engineRows();
}

void TestAppLauncher::webAppLaunchedByItsLinkLoadsTwice()
{
    QFETCH(AppView::Engine, engine);
    QVERIFY(TestUtil::chooseEngine(shell->paths(), engine));
    server->route("/site", "<html><body>site</body></html>");
    const QString link = server->url("/site").toString();
    writeFile(appsFolder() + "/Site/app.con",
              "<config><apptype>web</apptype><applink>" + link.toUtf8() + "</applink></config>");
    AppView *view = launchAndWait("Site", link);
    QVERIFY(view);
    // Loaded twice: the first load gives way to the second, with the
    // descriptor's jar and name, which stays. (QtWebEngine reports no end of
    // a load that another replaced.)
    if (engine == AppView::Engine::WebKit)
        QVERIFY(TestUtil::waitFor([&] { return bridge->loads == 2; }));
    QCOMPARE(view->widget()->objectName(), QStringLiteral("Site"));
    QCOMPARE(view->url(), QUrl(link));
    QVERIFY(server->requestCount("/site") >= 1);
}

void TestAppLauncher::loginSurvivesAChangeOfEngine_data()
{
    QTest::addColumn<AppView::Engine>("before");
    QTest::addColumn<AppView::Engine>("after");
    for (AppView::Engine before : {AppView::Engine::WebKit, AppView::Engine::WebEngine})
        for (AppView::Engine after : {AppView::Engine::WebKit, AppView::Engine::WebEngine})
            QTest::newRow(QByteArray(TestUtil::nameOf(before)) + " then " + TestUtil::nameOf(after))
                << before << after;
}

void TestAppLauncher::loginSurvivesAChangeOfEngine()
{
    QFETCH(AppView::Engine, before);
    QFETCH(AppView::Engine, after);
    TestHttpServer::Response login;
    login.body = "<script>document.cookie = 'js=2; path=/; max-age=3600';</script>";
    login.headers = {{"Content-Type", "text/html"},
                     {"Set-Cookie", "sid=abc; Path=/; HttpOnly"},
                     {"Set-Cookie", "keep=1; Path=/; Max-Age=2592000"}};
    server->route("/site", login);
    const QString link = server->url("/site").toString();
    writeFile(appsFolder() + "/Site/app.con",
              "<config><apptype>web</apptype><applink>" + link.toUtf8() + "</applink></config>");
    const QString file = NetworkCookieJar::filePathFor(link, shell->paths().cookieFolder());
    auto saved = [&] {
        QMap<QByteArray, QNetworkCookie> byName;
        for (const QNetworkCookie &c : CookieStore::parseFile(TestUtil::readFile(file)))
            byName.insert(c.name(), c);
        return byName;
    };
    QVERIFY(TestUtil::chooseEngine(shell->paths(), before));
    QVERIFY(launchAndWait("Site", "Site"));
    // The server's cookies and the script's, with what the file can say of them.
    QVERIFY(TestUtil::waitFor([&] {
        return saved().keys() == QByteArrayList{"js", "keep", "sid"};
    }));
    QVERIFY(saved()["sid"].isSessionCookie() && saved()["sid"].isHttpOnly());
    QCOMPARE(saved()["sid"].domain(), QStringLiteral("127.0.0.1"));
    QVERIFY(saved()["js"].expirationDate() > QDateTime::currentDateTimeUtc().addSecs(3000));
    QVERIFY(!saved()["keep"].isSessionCookie() && !saved()["keep"].isHttpOnly());

    // Lines the first run did not write: the next one reads the file. QtWebKit
    // takes a cookie over 4 KB, QtWebEngine refuses it; it stays in the file.
    QVERIFY(TestUtil::writeFile(file, TestUtil::readFile(file) +
                                          "extra=7; domain=127.0.0.1; path=/\nlong=" +
                                          QByteArray(5000, 'x') + "; domain=127.0.0.1; path=/\n"));
    // The app closes, and its cookies' store with it, as at the end of a run.
    pages->closeapp();
    const QWeakPointer<CookieStore> open = CookieStore::forFile(file);
    QVERIFY(TestUtil::waitFor([&] { return open.isNull(); }));
    server->route("/site", "<html><body>back</body></html>");
    QVERIFY(TestUtil::chooseEngine(shell->paths(), after));
    AppView *second = launchAndWait("Site", "Site");
    QVERIFY(second);
    QCOMPARE(second->engine(), after);
    QByteArrayList sent = server->cookiesSent("/site");
    if (after == AppView::Engine::WebKit)
        QVERIFY(sent.removeOne("long=" + QByteArray(5000, 'x')));
    QCOMPARE(sent, QByteArrayList({"extra=7", "js=2", "keep=1", "sid=abc"}));

    // The server ends the session, the script forgets its own: both leave the file.
    TestHttpServer::Response logout;
    logout.body = "<script>document.cookie = 'js=; path=/; expires=Thu, 01 Jan 1970 00:00:00 GMT';"
                  "</script>";
    logout.headers = {{"Content-Type", "text/html"},
                      {"Set-Cookie", "sid=; Path=/; Expires=Thu, 01 Jan 1970 00:00:00 GMT"}};
    server->route("/logout", logout);
    second->load(server->url("/logout"));
    QVERIFY(TestUtil::waitFor([&] {
        return saved().keys() == QByteArrayList{"extra", "keep", "long"};
    }));
}

void TestAppLauncher::directAddressWithoutFolder_data()
{
    TestUtil::engineRows();
}

void TestAppLauncher::directAddressWithoutFolder()
{
    QFETCH(AppView::Engine, engine);
    QVERIFY(TestUtil::chooseEngine(shell->paths(), engine));
    server->route("/start", "<html><head><title>Start page</title></head></html>");
    const QString address = server->url("/start").toString();
    AppView *view = launchAndWait("Google", address);
    QVERIFY(view);
    QCOMPARE(view->engine(), engine);
    QCOMPARE(view->widget()->objectName(), address);
    QCOMPARE(view->url(), QUrl(address));
    QCOMPARE(homeCalls(),
             QStringList({"addicon:file:///" + shell->programFolder() + "//Apps//Google//icon.png",
                          "nameTab:Google", "nameTab:Start page"}));
}

void TestAppLauncher::twoLaunchesMakeTwoPages_data()
{
    TestUtil::engineRows();
}

void TestAppLauncher::twoLaunchesMakeTwoPages()
{
    QFETCH(AppView::Engine, engine);
    QVERIFY(TestUtil::chooseEngine(shell->paths(), engine));
    server->route("/start", "<html><body>x</body></html>");
    const QString address = server->url("/start").toString();
    AppView *first = launchAndWait("Google", address);
    AppView *second = launchAndWait("Google", address);
    QVERIFY(first && second && first != second);
    QCOMPARE(shell->stack()->count(), 2);
    QCOMPARE(shell->stack()->currentWidget(), second->widget());
    QCOMPARE(homeCalls().filter("nameTab:Google").size(), 2);
    QCOMPARE(server->requestCount("/start"), 2);
}

void TestAppLauncher::missingDescriptorStillStacksAPage()
{
    AppView *view = launcher->launch("Ghost", "Ghost");
    QVERIFY(view);
    // Nothing remote to show: the shell's own page, in QtWebKit.
    QCOMPARE(view->engine(), AppView::Engine::WebKit);
    QCOMPARE(shell->stack()->currentWidget(), view->widget());
    QVERIFY(shell->stack()->isVisible());
    QCOMPARE(homeCalls().last(), QStringLiteral("nameTab:Ghost"));
    // The page says what is wrong, under the app's name and initial, and
    // offers no retry that could not help.
    QVERIFY(TestUtil::waitFor([&] { return view->title() == "Ghost"; }));
    QCOMPARE(textOf(view, "reason"), ErrorPage::words(ErrorPage::Reason::BrokenDescriptor));
    QCOMPARE(textOf(view, "icon"), QStringLiteral("G"));
    QCOMPARE(PageScript::run(view, "getComputedStyle(document.getElementById('retry')).display")
                 .toString(),
             QStringLiteral("none"));
    QCOMPARE(PageScript::run(view, "typeof api").toString(), QStringLiteral("undefined"));
}

void TestAppLauncher::emptyAppCssKeepsTheBaseStyle()
{
    writeFile(appsFolder() + "/Plain/app.con",
              "<config><apptype>local</apptype><applink>index.html</applink><appcss></appcss>"
              "</config>");
    writeFile(appsFolder() + "/Plain/index.html", "<html><body>plain</body></html>");
    QWebView *view = webkit(launchAndWait("Plain", "Plain"));
    QVERIFY(view);
    QCOMPARE(view->settings()->userStyleSheetUrl(),
             QUrl("data:text/css;charset=utf-8;base64," + QByteArray(styleBase).toBase64()));
    // Text the data address declares as UTF-8 arrives as such.
    QCOMPARE(AppLauncher::userStyleSheet(QString(), QStringLiteral("p:after{content:'\u2192'}")),
             QUrl("data:text/css;charset=utf-8;base64," +
                  QStringLiteral("p:after{content:'\u2192'}").toUtf8().toBase64()));
}

void TestAppLauncher::engineChoice_data()
{
    QTest::addColumn<QString>("page"); // "app", "browser" or "mail"
    QTest::addColumn<QByteArray>("descriptor");
    QTest::addColumn<QString>("address"); // the launch address
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<AppView::Engine>("engine");
    const auto kit = AppView::Engine::WebKit, engine = AppView::Engine::WebEngine;
    const QString trusted = "https://" + QStringLiteral(VANTARA_TRUSTED_HOST) + "/app";
    const QByteArray local = "<config><apptype>local</apptype><applink>i.html</applink></config>";
    const QByteArray remote = AppDescriptor::webDescriptor("https://site.example/");
    const QByteArray light = "<settings><lightEngine>Maps</lightEngine></settings>";
    const QByteArray all = "<settings><restoreApps>false</restoreApps>"
                           "<lightEngine> all </lightEngine></settings>";
    QTest::newRow("local app") << "app" << local << "Maps" << QByteArray() << kit;
    QTest::newRow("local app, light for all") << "app" << local << "Maps" << all << kit;
    QTest::newRow("web app") << "app" << remote << "Maps" << QByteArray() << engine;
    QTest::newRow("web app on the trusted host")
        << "app" << AppDescriptor::webDescriptor(trusted) << "Maps" << QByteArray() << kit;
    QTest::newRow("trusted host over http")
        << "app" << AppDescriptor::webDescriptor("http://" + QStringLiteral(VANTARA_TRUSTED_HOST))
        << "Maps" << QByteArray() << engine;
    QTest::newRow("trusted host as a prefix")
        << "app"
        << AppDescriptor::webDescriptor("https://" + QStringLiteral(VANTARA_TRUSTED_HOST) +
                                        ".site.example/")
        << "Maps" << QByteArray() << engine;
    QTest::newRow("web app, light by name") << "app" << remote << "Maps" << light << kit;
    QTest::newRow("web app, another light") << "app" << remote << "News" << light << engine;
    QTest::newRow("web app, names are whole") << "app" << remote << "Map" << light << engine;
    QTest::newRow("web app, light for all") << "app" << remote << "News" << all << kit;
    QTest::newRow("address without folder")
        << "app" << QByteArray() << "https://site.example/" << QByteArray() << engine;
    QTest::newRow("address, light for all")
        << "app" << QByteArray() << "https://site.example/" << all << kit;
    QTest::newRow("broken descriptor")
        << "app" << QByteArray("<config>") << "Maps" << QByteArray() << kit;
    QTest::newRow("unknown type, web address")
        << "app" << QByteArray("<config><apptype>webb</apptype></config>") << "http://site.example/"
        << QByteArray() << engine;
    QTest::newRow("Browser") << "browser" << QByteArray() << "" << QByteArray() << engine;
    QTest::newRow("Browser, light")
        << "browser" << QByteArray() << ""
        << QByteArray("<settings><lightEngine>Browser</lightEngine></settings>") << kit;
    QTest::newRow("Browser, others light") << "browser" << QByteArray() << "" << light << engine;
    QTest::newRow("mail site") << "mail" << QByteArray() << "" << QByteArray() << engine;
    QTest::newRow("mail site, light")
        << "mail" << QByteArray() << ""
        << QByteArray("<settings><lightEngine>Mail</lightEngine></settings>") << kit;
    QTest::newRow("mail site, light for all") << "mail" << QByteArray() << "" << all << kit;
    QTest::newRow("damaged settings")
        << "app" << remote << "Maps" << QByteArray("<settings><lightEngine>all") << engine;
    QTest::newRow("settings with an entity")
        << "mail" << QByteArray() << ""
        << QByteArray("<!DOCTYPE s [<!ENTITY a \"all\">]><settings><lightEngine>&a;"
                      "</lightEngine></settings>")
        << engine;
}

void TestAppLauncher::engineChoice()
{
    QFETCH(QString, page);
    QFETCH(QByteArray, descriptor);
    QFETCH(QString, address);
    QFETCH(QByteArray, settings);
    QFETCH(AppView::Engine, engine);
    const ShellSettings chosen = ShellSettings::parse(settings);
    const AppDescriptor app = AppDescriptor::parse(descriptor);
    const QString name = address.startsWith("http") ? QStringLiteral("Site") : address;
    if (page == "browser")
        QCOMPARE(EngineChoice::forBrowser(chosen), engine);
    else if (page == "mail")
        QCOMPARE(EngineChoice::forMailSite(chosen), engine);
    else
        QCOMPARE(EngineChoice::forApp(app, name, address, chosen), engine);
    // The same choice read from the working folder's file.
    QVERIFY(TestUtil::writeFile(shell->paths().settingsFile(), settings));
    const ShellSettings read = ShellSettings::read(shell->paths());
    QCOMPARE(read.lightForAll, chosen.lightForAll);
    QCOMPARE(read.lightApps, chosen.lightApps);
}

void TestAppLauncher::restSettings_data()
{
    QTest::addColumn<QByteArray>("settings");
    // freeze after, discard after, pages kept loaded, keyboard (0 touch, 1 always, 2 off)
    QTest::addColumn<QList<int>>("read");
    const QList<int> defaults{300, 1800, 1, 0};
    QTest::newRow("no file") << QByteArray() << defaults;
    QTest::newRow("chosen")
        << QByteArray("<settings><freezeAfter> 60 </freezeAfter><discardAfter>600</discardAfter>"
                      "<keepLoaded>0</keepLoaded><keyboard> always </keyboard></settings>")
        << QList<int>{60, 600, 0, 1};
    QTest::newRow("the bounds")
        << QByteArray("<settings><freezeAfter>1</freezeAfter><discardAfter>604800</discardAfter>"
                      "<keepLoaded>100</keepLoaded><keyboard>off</keyboard></settings>")
        << QList<int>{1, 604800, 100, 2};
    QTest::newRow("out of range")
        << QByteArray("<settings><freezeAfter>0</freezeAfter><discardAfter>604801</discardAfter>"
                      "<keepLoaded>-1</keepLoaded></settings>")
        << defaults;
    QTest::newRow("no numbers")
        << QByteArray("<settings><freezeAfter>soon</freezeAfter><discardAfter>2.5</discardAfter>"
                      "<keepLoaded></keepLoaded><keyboard>OFF</keyboard></settings>")
        << defaults;
    QTest::newRow("beyond an int")
        << QByteArray("<settings><freezeAfter>99999999999</freezeAfter></settings>") << defaults;
    QTest::newRow("damaged") << QByteArray("<settings><freezeAfter>60</freezeAfter>") << defaults;
    QTest::newRow("with an entity")
        << QByteArray("<!DOCTYPE s [<!ENTITY n \"60\">]><settings><freezeAfter>&n;"
                      "</freezeAfter></settings>")
        << defaults;
}

void TestAppLauncher::restSettings()
{
    QFETCH(QByteArray, settings);
    QFETCH(QList<int>, read);
    if (!settings.isEmpty())
        QVERIFY(TestUtil::writeFile(shell->paths().settingsFile(), settings));
    const ShellSettings s = ShellSettings::read(shell->paths());
    QCOMPARE((QList<int>{s.freezeAfter, s.discardAfter, s.keepLoaded, int(s.keyboard)}), read);
}

void TestAppLauncher::trustedHostIsMatchedOnTheParsedLink_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<bool>("trusted");
    const QString host = QStringLiteral(VANTARA_TRUSTED_HOST);
    QTest::newRow("trusted host") << "https://" + host + "/app" << true;
    QTest::newRow("subdomain") << "https://shop." + host + "/" << true;
    QTest::newRow("in the query") << "https://evil.example/?q=" + host << false;
    QTest::newRow("as a prefix") << "https://" + host + ".evil.example/" << false;
    QTest::newRow("plain http") << "http://" + host + "/app" << false;
    QTest::newRow("in capitals") << "https://" + host.toUpper() + "/app" << true;
    // Hosts that merely end with the name, or lie above it.
    QTest::newRow("ending with the name") << "https://evil" + host + "/" << false;
    QTest::newRow("ending with a hyphen and the name") << "https://evil-" + host + "/" << false;
    QTest::newRow("the parent domain") << "https://" + host.section('.', 1) + "/" << false;
    QTest::newRow("another port") << "https://" + host + ":8443/" << false;
    QTest::newRow("with a user name") << "https://" + host + "@evil.example/" << false;
    QTest::newRow("as a user name") << "https://evil.example@" + host + "/" << false;
    QTest::newRow("in the path") << "https://evil.example/" + host + "/" << false;
}

void TestAppLauncher::trustedHostIsMatchedOnTheParsedLink()
{
    QFETCH(QString, link);
    QFETCH(bool, trusted);
    // QtWebKit only, where api could be offered: the hosts are not on this
    // machine, and QtWebKit's requests all go to the sink.
    QVERIFY(TestUtil::chooseEngine(shell->paths(), AppView::Engine::WebKit));
    // Every request goes to a local sink instead of the named host.
    TestHttpServer sink;
    QVERIFY(sink.start());
    QNetworkProxy::setApplicationProxy(
        QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), sink.port()));
    writeFile(appsFolder() + "/Remote/app.con", "<config><apptype>web</apptype><applink>" +
                                                    link.toHtmlEscaped().toUtf8() +
                                                    "</applink></config>");
    QWebView *view = webkit(launcher->launch("Remote", "Remote"));
    QVERIFY(view);
    QVERIFY(TestUtil::waitFor([&] { return !sink.requests().isEmpty(); }));
    // A connection to localapp exists exactly for the trusted links.
    QCOMPARE(QObject::disconnect(view->page()->mainFrame(), SIGNAL(javaScriptWindowObjectCleared()),
                                 bridge, nullptr),
             trusted);
}

void TestAppLauncher::namesOutsideAppsReadNoDescriptor()
{
    // A folder beside Apps, reached by a name with "..".
    writeFile(shell->programFolder() + "/Outside/app.con",
              "<config><apptype>local</apptype><applink>index.html</applink></config>");
    writeFile(shell->programFolder() + "/Outside/index.html", "<html><body>out</body></html>");
    for (const QString &name : {QStringLiteral("../Outside"), QStringLiteral("..\\Outside")}) {
        QWebView *view = webkit(launcher->launch(name, name));
        QVERIFY(view);
        QCOMPARE(view->url(), QUrl());
        QCOMPARE(QObject::disconnect(view->page()->mainFrame(),
                                     SIGNAL(javaScriptWindowObjectCleared()), bridge, nullptr),
                 false);
    }
}

void TestAppLauncher::localPageOutsideItsFolderLoadsNothing()
{
    writeFile(appsFolder() + "/Other/index.html", "<html><body>other</body></html>");
    writeFile(appsFolder() + "/Sneaky/app.con",
              "<config><apptype>local</apptype><applink>../Other/index.html</applink></config>");
    QWebView *view = webkit(launcher->launch("Sneaky", "Sneaky"));
    QVERIFY(view);
    QTest::qWait(200);
    QVERIFY(!view->url().isLocalFile());
    QCOMPARE(textOf(AppView::of(view), "reason"), ErrorPage::words(ErrorPage::Reason::PageMissing));
    QCOMPARE(AppLauncher::localPage(appsFolder() + "/Sneaky", "../Other/index.html"), QUrl());
    QCOMPARE(AppLauncher::localPage(appsFolder() + "/Sneaky", "pages/../index.html"),
             QUrl::fromLocalFile(appsFolder() + "/Sneaky/pages/../index.html"));
}

void TestAppLauncher::failedLoadReason_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("online");
    QTest::addColumn<int>("reason");
    using R = ErrorPage::Reason;
    QTest::newRow("not found") << int(QNetworkReply::HostNotFoundError) << true
                               << int(R::SiteNotFound);
    QTest::newRow("not found offline")
        << int(QNetworkReply::HostNotFoundError) << false << int(R::Offline);
    QTest::newRow("refused") << int(QNetworkReply::ConnectionRefusedError) << true
                             << int(R::Refused);
    QTest::newRow("timed out") << int(QNetworkReply::TimeoutError) << true << int(R::TimedOut);
    QTest::newRow("certificate") << int(QNetworkReply::SslHandshakeFailedError) << true
                                 << int(R::Certificate);
    QTest::newRow("network gone") << int(QNetworkReply::TemporaryNetworkFailureError) << false
                                  << int(R::Offline);
    QTest::newRow("missing file") << int(QNetworkReply::ContentNotFoundError) << true
                                  << int(R::PageMissing);
    QTest::newRow("other") << int(QNetworkReply::ProtocolFailure) << true << int(R::Other);
}

void TestAppLauncher::failedLoadReason()
{
    QFETCH(int, error);
    QFETCH(bool, online);
    QFETCH(int, reason);
    QCOMPARE(int(ErrorPage::reasonFor(error, false, online)), reason);
    // Every reason has words of its own.
    QVERIFY(!ErrorPage::words(ErrorPage::Reason(reason)).contains("Error"));
    if (ErrorPage::Reason(reason) != ErrorPage::Reason::Other)
        QVERIFY(ErrorPage::words(ErrorPage::Reason(reason)) !=
                ErrorPage::words(ErrorPage::Reason::Other));
}

void TestAppLauncher::unreachableWebAppShowsOurPageAndTriesAgain_data()
{
    TestUtil::engineRows();
}

void TestAppLauncher::unreachableWebAppShowsOurPageAndTriesAgain()
{
    QFETCH(AppView::Engine, engine);
    QVERIFY(TestUtil::chooseEngine(shell->paths(), engine));
    // A port where nothing listens: the connection is refused.
    TestHttpServer site;
    QVERIFY(site.start());
    const quint16 port = site.port();
    site.stop();
    site.route("/site", "<html><head><title>Back</title></head><body>back</body></html>");
    const QByteArray link = "http://127.0.0.1:" + QByteArray::number(port) + "/site";
    writeFile(appsFolder() + "/Site/app.con",
              "<config><apptype>web</apptype><applink>" + link + "</applink></config>");
    QImage icon(8, 8, QImage::Format_ARGB32);
    icon.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    QVERIFY(buffer.open(QIODevice::WriteOnly) && icon.save(&buffer, "PNG"));
    writeFile(appsFolder() + "/Site/icon.png", png);

    AppView *view = launcher->launch("Site", "Site");
    QVERIFY(view);
    QCOMPARE(view->engine(), engine);
    QVERIFY(TestUtil::waitFor([&] { return view->title() == "Site"; }));
    QCOMPARE(textOf(view, "reason"), ErrorPage::words(ErrorPage::Reason::Refused));
    QCOMPARE(textOf(view, "detail"), QString::fromLatin1(link));
    QVERIFY(!PageScript::run(view, "document.body.textContent").toString().contains("QtNetwork"));
    QVERIFY(PageScript::run(view, "document.getElementById('icon').getAttribute('style')")
                .toString()
                .contains("data:image/png;base64," + png.toBase64()));
    // The tab carries the app's name, not the engine's words.
    QVERIFY(TestUtil::waitFor([&] { return homeCalls().last() == "nameTab:Site"; }));

    if (engine == AppView::Engine::WebEngine) {
        // Discarded out of sight and shown again, it still says why.
        QVERIFY(TestUtil::writeFile(shell->paths().settingsFile(),
                                    "<settings><keepLoaded>0</keepLoaded></settings>"));
        QVERIFY(TestUtil::engineView(*shell));
        QWebEnginePage *page = qobject_cast<QWebEngineView *>(view->widget())->page();
        QTRY_COMPARE(page->lifecycleState(), QWebEnginePage::LifecycleState::Discarded);
        shell->stack()->setCurrentWidget(view->widget());
        QTRY_COMPARE(page->lifecycleState(), QWebEnginePage::LifecycleState::Active);
        QVERIFY(TestUtil::waitFor([&] {
            return textOf(view, "reason") == ErrorPage::words(ErrorPage::Reason::Refused);
        }));
        QCOMPARE(view->title(), QStringLiteral("Site"));
    }

    // The site comes back, and "Try again" reaches it.
    QVERIFY(site.start(port));
    PageScript::run(view, "document.getElementById('retry').click()");
    QVERIFY(TestUtil::waitFor([&] { return view->title() == "Back"; }));
    QCOMPARE(site.requestCount("/site"), 1);
    QCOMPARE(view->url(), QUrl(QString::fromLatin1(link)));
}

// An address the engines refuse before any connection (a port kept for
// another service) shows our page too, not a blank one.
void TestAppLauncher::refusedAddressShowsOurPage_data()
{
    TestUtil::engineRows();
}

void TestAppLauncher::refusedAddressShowsOurPage()
{
    QFETCH(AppView::Engine, engine);
    QVERIFY(TestUtil::chooseEngine(shell->paths(), engine));
    const QByteArray link = "http://127.0.0.1:25/";
    writeFile(appsFolder() + "/Port/app.con",
              "<config><apptype>web</apptype><applink>" + link + "</applink></config>");
    AppView *view = launcher->launch("Port", "Port");
    QVERIFY(view);
    QCOMPARE(view->engine(), engine);
    QVERIFY(TestUtil::waitFor([&] { return view->title() == "Port"; }));
    QCOMPARE(textOf(view, "reason"), ErrorPage::words(ErrorPage::Reason::Blocked));
    QCOMPARE(textOf(view, "detail"), QString::fromLatin1(link));
}

void TestAppLauncher::stalledLoad_data()
{
    QTest::addColumn<AppView::Engine>("engine");
    QTest::addColumn<QString>("stall"); // what makes no progress
    for (AppView::Engine e : {AppView::Engine::WebKit, AppView::Engine::WebEngine})
        QTest::addRow("main frame, %s", TestUtil::nameOf(e)) << e << "page";
    QTest::newRow("frame added after the load") << AppView::Engine::WebKit << "later frame";
    QTest::newRow("the page's dialog waits for the user") << AppView::Engine::WebKit << "dialog";
}

// A site that takes the connection and then says nothing is stopped once the
// main frame's load has made no progress for the watch's time, and shown as
// timed out. A frame that a loaded page adds later, or a dialog of the page
// that waits for the user, never brings that page.
void TestAppLauncher::stalledLoad()
{
    QFETCH(AppView::Engine, engine);
    QFETCH(QString, stall);
    QVERIFY(TestUtil::chooseEngine(shell->paths(), engine));
    TestHttpServer site;
    QVERIFY(site.start());
    TestHttpServer::Response silent;
    silent.body = "<html><head><title>Late</title></head><body>late</body></html>";
    silent.delayMs = 60000;
    site.route("/slow", silent);
    site.route("/notes", "<html><head><title>Notes</title></head><body><input id='note'>"
                         "</body></html>");
    site.route("/asks", "<html><head><title>Asks</title></head><body>"
                        "<script>alert('Wait')</script><p id='after'>after</p></body></html>");
    const QByteArray path = stall == "page" ? "/slow" : stall == "dialog" ? "/asks" : "/notes";
    const QByteArray link = site.url(path).toString().toUtf8();
    writeFile(appsFolder() + "/Slow/app.con",
              "<config><apptype>web</apptype><applink>" + link + "</applink></config>");
    const int watch = 400;
    // Long past the watch's time: a timer that fires after the watch would have.
    const auto outlastTheWatch = [] {
        QTimer later;
        later.setSingleShot(true);
        QSignalSpy fired(&later, &QTimer::timeout);
        later.start(3 * watch);
        QVERIFY(fired.wait());
    };
    DialogSteps steps({[&](DialogOverlay *dialog) {
        outlastTheWatch();
        DialogSteps::click(dialog, "dialogAccept");
    }});
    const int usual = LoadWatchdog::timeout();
    LoadWatchdog::setTimeout(watch);
    AppView *view = launcher->launch("Slow", "Slow");
    LoadWatchdog::setTimeout(usual);
    QVERIFY(view);
    QCOMPARE(view->engine(), engine);

    if (stall == "dialog") {
        QTRY_VERIFY(steps.done());
        QTRY_COMPARE(textOf(view, "after"), QStringLiteral("after"));
        QCOMPARE(view->title(), QStringLiteral("Asks"));
        return;
    }
    if (stall == "later frame") {
        QTRY_COMPARE(view->title(), QStringLiteral("Notes"));
        PageScript::run(view, "document.getElementById('note').focus()");
        QTest::keyClicks(view->widget(), "kept words");
        const QString typed = "document.getElementById('note').value";
        QCOMPARE(PageScript::run(view, typed).toString(), QStringLiteral("kept words"));
        PageScript::run(view,
                        QStringLiteral("var f = document.createElement('iframe'); f.src = '/slow';"
                                       " document.body.appendChild(f);"
                                       " setTimeout(function () { document.title = 'Waited'; }, "
                                       "%1);")
                            .arg(3 * watch));
        QTRY_COMPARE(site.requestCount("/slow"), 1);
        // The page's own timer, set as the frame began, fires long after the
        // watch would have: the page and what was typed are still there.
        QTRY_COMPARE(view->title(), QStringLiteral("Waited"));
        QCOMPARE(PageScript::run(view, typed).toString(), QStringLiteral("kept words"));
        QCOMPARE(steps.count(), 0);
        return;
    }
    QVERIFY(TestUtil::waitFor([&] { return view->title() == "Slow"; }));
    QCOMPARE(textOf(view, "reason"), ErrorPage::words(ErrorPage::Reason::TimedOut));
    QCOMPARE(textOf(view, "detail"), QString::fromLatin1(link));

    // The site answers again, and "Try again" shows it.
    silent.delayMs = 0;
    site.route("/slow", silent);
    PageScript::run(view, "document.getElementById('retry').click()");
    QVERIFY(TestUtil::waitFor([&] { return view->title() == "Late"; }));
}

// A site on 127.0.0.1 that speaks TLS with a certificate of its own making.
class UntrustedSite : public QTcpServer
{
public:
    QSslCertificate certificate;
    QSslKey key;

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto *socket = new QSslSocket(this);
        socket->setSocketDescriptor(descriptor);
        socket->setLocalCertificate(certificate);
        socket->setPrivateKey(key);
        socket->startServerEncryption();
    }
};

void TestAppLauncher::untrustedSiteShowsACertificateProblem_data()
{
    TestUtil::engineRows();
}

void TestAppLauncher::untrustedSiteShowsACertificateProblem()
{
    QFETCH(AppView::Engine, engine);
    QVERIFY(TestUtil::chooseEngine(shell->paths(), engine));
    QTemporaryDir keys;
    const QString keyFile = keys.filePath("key.pem"), certFile = keys.filePath("cert.pem");
    QCOMPARE(QProcess::execute("openssl",
                               {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", keyFile,
                                "-out", certFile, "-days", "1", "-subj", "/CN=127.0.0.1"}),
             0);
    UntrustedSite site;
    site.certificate = QSslCertificate(TestUtil::readFile(certFile));
    site.key = QSslKey(TestUtil::readFile(keyFile), QSsl::Rsa);
    QVERIFY(!site.certificate.isNull() && !site.key.isNull());
    QVERIFY(site.listen(QHostAddress::LocalHost));
    const QByteArray link = "https://127.0.0.1:" + QByteArray::number(site.serverPort()) + "/";
    writeFile(appsFolder() + "/Secure/app.con",
              "<config><apptype>web</apptype><applink>" + link + "</applink></config>");
    AppView *view = launcher->launch("Secure", "Secure");
    QVERIFY(view);
    QCOMPARE(view->engine(), engine);
    QVERIFY(TestUtil::waitFor([&] { return view->title() == "Secure"; }));
    QCOMPARE(textOf(view, "reason"), ErrorPage::words(ErrorPage::Reason::Certificate));
}

// A name that does not resolve, on a machine with a network and without one,
// each row in a network namespace of its own, where the name's lookup fails
// at once.
void TestAppLauncher::namesThatDoNotResolve_data()
{
    QTest::addColumn<AppView::Engine>("engine");
    QTest::addColumn<bool>("network");
    QTest::addColumn<int>("reason");
    for (AppView::Engine e : {AppView::Engine::WebKit, AppView::Engine::WebEngine}) {
        const QByteArray name = TestUtil::nameOf(e);
        QTest::newRow(name + ", site not found")
            << e << true << int(ErrorPage::Reason::SiteNotFound);
        QTest::newRow(name + ", offline") << e << false << int(ErrorPage::Reason::Offline);
    }
}

void TestAppLauncher::namesThatDoNotResolve()
{
    QFETCH(AppView::Engine, engine);
    QFETCH(bool, network);
    QFETCH(int, reason);
    if (!inNamespace(network))
        return;
    QVERIFY(TestUtil::chooseEngine(shell->paths(), engine));
    writeFile(appsFolder() + "/Nowhere/app.con",
              "<config><apptype>web</apptype><applink>http://nowhere.invalid/</applink></config>");
    QCOMPARE(ErrorPage::machineIsOnline(), network);
    AppView *view = launcher->launch("Nowhere", "Nowhere");
    QVERIFY(view);
    QCOMPARE(view->engine(), engine);
    QVERIFY(TestUtil::waitFor([&] { return view->title() == "Nowhere"; }, 30000));
    QCOMPARE(textOf(view, "reason"), ErrorPage::words(ErrorPage::Reason(reason)));
}

void TestAppLauncher::missingLocalPageIsNamed()
{
    writeFile(appsFolder() + "/Lost/app.con",
              "<config><apptype>local</apptype><applink>start.html</applink></config>");
    AppView *view = launcher->launch("Lost", "Lost");
    QVERIFY(view);
    QVERIFY(TestUtil::waitFor([&] { return view->title() == "Lost"; }));
    QCOMPARE(textOf(view, "reason"), ErrorPage::words(ErrorPage::Reason::PageMissing));
    QCOMPARE(textOf(view, "detail"), QStringLiteral("start.html"));
    // No icon.png: the placeholder shows the initial.
    QCOMPARE(textOf(view, "icon"), QStringLiteral("L"));
    // Once the page is there, trying again opens it.
    writeFile(appsFolder() + "/Lost/start.html", "<html><head><title>Found</title></head></html>");
    PageScript::run(view, "document.getElementById('retry').click()");
    QVERIFY(TestUtil::waitFor([&] { return view->title() == "Found"; }));
}

// A 10,000 x 10,000 icon is a small file, well under what the error page
// inlines: neither the tab nor the error page gets it, both show no picture.
void TestAppLauncher::anIconBeyondTheBoundsIsNeverShown()
{
    writeFile(appsFolder() + "/Bomb/app.con",
              "<config><apptype>local</apptype><applink>start.html</applink></config>");
    const QByteArray bomb = TestPictures::pngBomb(QSize(10000, 10000));
    QVERIFY(bomb.size() < ErrorPage::maxIconBytes);
    writeFile(appsFolder() + "/Bomb/icon.png", bomb);
    QVERIFY(ErrorPage::appIcon(appsFolder() + "/Bomb").isEmpty());
    AppView *view = launcher->launch("Bomb", "Bomb");
    QVERIFY(view);
    QVERIFY(TestUtil::waitFor([&] { return view->title() == "Bomb"; }));
    QCOMPARE(textOf(view, "icon"), QStringLiteral("B"));
    QVERIFY(homeCalls().contains("nameTab:Bomb"));
    QCOMPARE(homeCalls().filter("addicon"), QStringList());
}

void TestAppLauncher::errorPageEscapesWhatItShows()
{
    const QString page = QString::fromUtf8(ErrorPage::html(
        "<b>{{detail}}</b>", QByteArray(), ErrorPage::Reason::Other, "<script>x()</script>", true));
    QVERIFY(!page.contains("<script>x()"));
    QVERIFY(!page.contains("<b>"));
    QVERIFY(page.contains("&lt;script&gt;x()&lt;/script&gt;"));
    QVERIFY(page.contains("<title>&lt;b&gt;{{detail}}&lt;/b&gt;</title>"));
    // Only PNG data becomes an icon.
    writeFile(appsFolder() + "/Fake/icon.png", "<svg/>");
    QVERIFY(ErrorPage::appIcon(appsFolder() + "/Fake").isEmpty());
}

void TestAppLauncher::browserAddressFor_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("address");
    const QString search = "https://search.example/";
    QTest::newRow("full address") << "https://site.example/a?b=1"
                                  << "https://site.example/a?b=1";
    QTest::newRow("host only") << "site.example"
                               << "http://site.example";
    QTest::newRow("host and path") << " site.example/x/y "
                                   << "http://site.example/x/y";
    QTest::newRow("local with port") << "localhost:8080/p"
                                     << "http://localhost:8080/p";
    QTest::newRow("one word") << "weather" << search + "?q=weather";
    QTest::newRow("words") << "cheap flights" << search + "?q=cheap%20flights";
    QTest::newRow("query characters") << "a+b & c#d" << search + "?q=a%2Bb%20%26%20c%23d";
    QTest::newRow("words with a dot")
        << "what is site.example" << search + "?q=what%20is%20site.example";
    QTest::newRow("no script address")
        << "javascript:alert(1)" << search + "?q=javascript%3Aalert%281%29";
}

void TestAppLauncher::browserAddressFor()
{
    QFETCH(QString, typed);
    QFETCH(QString, address);
    QCOMPARE(
        BrowserBar::addressFor(typed, QUrl("https://search.example/")).toString(QUrl::FullyEncoded),
        address);
}

void TestAppLauncher::browserBarNavigatesSearchesAndGoesBack_data()
{
    TestUtil::engineRows();
}

void TestAppLauncher::browserBarNavigatesSearchesAndGoesBack()
{
    QFETCH(AppView::Engine, engine);
    server->route("/a", "<html><head><title>A</title></head><body>a</body></html>");
    server->route("/b", "<html><head><title>B</title></head><body>b</body></html>");
    server->route("/search", "<html><head><title>Found</title></head><body>s</body></html>");
    AppView *view = browserView(engine);
    QVERIFY(view);
    std::unique_ptr<QWidget> page(BrowserBar::wrap(*shell, view, server->url("/search")));
    page->resize(800, 600);
    page->show();
    QApplication::setActiveWindow(page.get());
    QVERIFY(QTest::qWaitForWindowActive(page.get()));
    auto *bar = page->findChild<BrowserBar *>();
    QVERIFY(bar);
    QCOMPARE(AppView::of(page.get()), view);
    QCOMPARE(ShellHost::webViewIn(page.get()), WebKitAppView::webViewOf(view));
    const auto buttons = bar->findChildren<QToolButton *>();
    QCOMPARE(buttons.size(), 4);
    QToolButton *back = buttons[0], *forward = buttons[1];
    QVERIFY(!back->isEnabled() && !forward->isEnabled());
    auto keyOnPage = [&](Qt::Key key, Qt::KeyboardModifiers modifiers) {
        view->focus();
        QTest::keyClick(PageScript::keyTarget(view), key, modifiers);
    };

    // An address typed into the field.
    bar->addressField()->setFocus();
    QTest::keyClicks(bar->addressField(), server->url("/a").toString());
    QTest::keyClick(bar->addressField(), Qt::Key_Return);
    QVERIFY(TestUtil::waitFor([&] { return view->title() == "A"; }));
    QCOMPARE(bar->addressField()->text(), server->url("/a").toString());
    // Ctrl+L takes the field whatever has the focus.
    keyOnPage(Qt::Key_L, Qt::ControlModifier);
    QVERIFY(bar->addressField()->hasFocus());
    QCOMPARE(bar->addressField()->selectedText(), server->url("/a").toString());
    QTest::keyClicks(bar->addressField(), server->url("/b").toString());
    QTest::keyClick(bar->addressField(), Qt::Key_Return);
    QVERIFY(TestUtil::waitFor([&] { return view->title() == "B"; }));
    QVERIFY(TestUtil::waitFor([&] { return back->isEnabled(); }));

    // Back and forward, by key and by button. The title comes before the
    // engine has recorded the step in its history, and the buttons follow
    // the history: each step waits until the next one is possible.
    keyOnPage(Qt::Key_Left, Qt::AltModifier);
    QVERIFY(TestUtil::waitFor([&] { return view->title() == "A"; }));
    QVERIFY(TestUtil::waitFor([&] { return forward->isEnabled(); }));
    forward->click();
    QVERIFY(TestUtil::waitFor([&] { return view->title() == "B"; }));
    QVERIFY(TestUtil::waitFor([&] { return back->isEnabled() && !view->isLoading(); }));
    back->click();
    QVERIFY(TestUtil::waitFor([&] { return view->title() == "A"; }));
    QVERIFY(TestUtil::waitFor([&] { return forward->isEnabled() && !view->isLoading(); }));
    keyOnPage(Qt::Key_Right, Qt::AltModifier);
    QVERIFY(TestUtil::waitFor([&] { return view->title() == "B"; }));

    // F5 asks the server again (once the page has finished its load).
    QVERIFY(TestUtil::waitFor([&] { return !view->isLoading(); }));
    const int before = server->requestCount("/b");
    keyOnPage(Qt::Key_F5, Qt::NoModifier);
    QVERIFY(TestUtil::waitFor([&] { return server->requestCount("/b") == before + 1; }));

    // Words go to the search page.
    keyOnPage(Qt::Key_L, Qt::ControlModifier);
    QTest::keyClicks(bar->addressField(), "red apples");
    QTest::keyClick(bar->addressField(), Qt::Key_Return);
    QVERIFY(TestUtil::waitFor([&] { return view->title() == "Found"; }));
    QCOMPARE(server->lastRequest("/search?q=red%20apples").path,
             QByteArray("/search?q=red%20apples"));
}

void TestAppLauncher::onlyTheBrowserItemGetsTheBar_data()
{
    TestUtil::engineRows();
}

void TestAppLauncher::onlyTheBrowserItemGetsTheBar()
{
    QFETCH(AppView::Engine, engine);
    // The start page is not on this machine: QtWebEngine's row runs where
    // nothing can leave it.
    if (engine == AppView::Engine::WebEngine && !inNamespace(false))
        return;
    QVERIFY(TestUtil::chooseEngine(shell->paths(), engine));
    // The start page's requests go to a local sink.
    TestHttpServer sink;
    QVERIFY(sink.start());
    QNetworkProxy::setApplicationProxy(
        QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), sink.port()));
    const QString start = QStringLiteral(VANTARA_DEFAULT_START_PAGE);
    QPointer<AppView> view = launcher->launch("Google", start);
    QVERIFY(view);
    QCOMPARE(view->engine(), engine);
    QWidget *page = shell->stack()->currentWidget();
    QVERIFY(page != view->widget());
    QVERIFY(page->findChild<BrowserBar *>());
    QCOMPARE(shell->viewOnTop(), view.data());
    QCOMPARE(page->objectName(), start);
    // Its tab and its pages of problems name and picture it as the dock does.
    QVERIFY(homeCalls().contains(QStringLiteral("nameTab:Browser")));
    QCOMPARE(view->appName(), QStringLiteral("Browser"));
    QFile picture(QStringLiteral(":/assets/ios7/safari.png"));
    QVERIFY(picture.open(QIODevice::ReadOnly));
    QCOMPARE(view->appIcon(), picture.readAll());
    const QString problem = QString::fromUtf8(ErrorPage::forFailedLoad(
        view->appName(), view->appIcon(), QUrl(start), ErrorPage::Reason::Offline));
    QVERIFY(problem.contains(QLatin1String("<h1 id=\"name\">Browser</h1>")));
    QVERIFY(problem.contains(QLatin1String("\"></div>")) && !problem.contains(">G</div>"));
    // Closing it releases the view with its holder.
    QPointer<QWidget> holder = page;
    pages->closeapp();
    QCOMPARE(shell->stack()->count(), 0);
    QVERIFY(TestUtil::waitFor([&] { return !view && !holder; }));

    // A web app, even one on the start page's address, stays a bare view.
    writeFile(appsFolder() + "/Search/app.con",
              "<config><apptype>web</apptype><applink>" + start.toUtf8() + "</applink></config>");
    AppView *app = launcher->launch("Search", "Search");
    QVERIFY(app);
    QCOMPARE(shell->stack()->currentWidget(), app->widget());
    QVERIFY(!app->widget()->findChild<BrowserBar *>());
}

AppView *TestAppLauncher::browserView(AppView::Engine engine)
{
    if (engine == AppView::Engine::WebKit)
        return new WebKitAppView(new QWebView);
    EngineViewSetup setup;
    setup.storageFolder = shell->paths().engineStorageFolder() + "/Browser";
    return EngineViews::create(*shell, setup);
}

void TestAppLauncher::browserBarAddsTheSiteToTheHomeScreen_data()
{
    QTest::addColumn<AppView::Engine>("engine");
    QTest::addColumn<QString>("manifest"); // under /site/; empty: the page links none
    QTest::addColumn<bool>("taken");       // an app called Short is there
    // One per question; "=" keeps the name offered, a null one cancels.
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QString>("offered");
    QTest::addColumn<QString>("name");      // empty: none added
    QTest::addColumn<QString>("icon");      // what is served as the app's icon; empty: none
    QTest::addColumn<QByteArray>("script"); // the page's own
    const QString icon = "/site/icons/192.png", favicon = "/site/fav.png";
    for (AppView::Engine e : {AppView::Engine::WebKit, AppView::Engine::WebEngine}) {
        auto row = [e](const char *what) -> QTestData & {
            return QTest::addRow("%s, %s", TestUtil::nameOf(e), what) << e;
        };
        row("manifest") << "manifest.json" << false << QStringList{"="} << "Short"
                        << "Short" << icon << QByteArray();
        row("title and favicon") << "" << false << QStringList{"="} << "Page Title"
                                 << "Page Title" << favicon << QByteArray();
        row("edited name") << "manifest.json" << false << QStringList{" My Pick "} << "Short"
                           << "My Pick" << icon << QByteArray();
        row("taken, empty and bad names")
            << "manifest.json" << true << QStringList{"=", "", "a/b", "Short 2"} << "Short"
            << "Short 2" << icon << QByteArray();
        row("bomb icon") << "bomb.json" << false << QStringList{"="} << "Bomb"
                         << "Bomb"
                         << "" << QByteArray();
        row("malformed manifest") << "bad.json" << false << QStringList{"="} << "Page Title"
                                  << "Page Title" << favicon << QByteArray();
        row("huge manifest") << "huge.json" << false << QStringList{"="} << "Page Title"
                             << "Page Title" << favicon << QByteArray();
        row("cancelled") << "manifest.json" << false << QStringList{QString()} << "Short"
                         << ""
                         << "" << QByteArray();
        // What the page's script can reach, it may replace: QtWebKit reads
        // the page's answer, too large to be taken (no links, and no
        // /favicon.ico on this server); QtWebEngine reads the links apart.
        const bool apart = e == AppView::Engine::WebEngine;
        row("a page that lies") << "manifest.json" << false << QStringList{"="}
                                << (apart ? "Short" : "Page Title")
                                << (apart ? "Short" : "Page Title") << (apart ? icon : "")
                                << QByteArray("<script>JSON.stringify = function () {"
                                              " return new Array(300001).join('x'); };</script>");
    }
}

// The bar's button adds the page's site as a web app through the installer,
// named from its manifest or title as the user confirms or edits it, with
// the manifest's largest reasonable icon, else the favicon, else none.
void TestAppLauncher::browserBarAddsTheSiteToTheHomeScreen()
{
    QFETCH(AppView::Engine, engine);
    QFETCH(QString, manifest);
    QFETCH(bool, taken);
    QFETCH(QStringList, answers);
    QFETCH(QString, offered);
    QFETCH(QString, name);
    QFETCH(QString, icon);
    QFETCH(QByteArray, script);
    const QMap<QString, QByteArray> pictures{
        {"/site/icons/48.png", TestPictures::plain(QSize(48, 48), "PNG")},
        {"/site/icons/192.png", TestPictures::plain(QSize(192, 192), "PNG")},
        {"/site/icons/4096.png", TestPictures::plain(QSize(4096, 4096), "PNG")},
        {"/site/fav.png", TestPictures::plain(QSize(32, 32), "PNG")},
        {"/site/bomb.png", TestPictures::pngBomb(QSize(12000, 12000))}};
    for (auto p = pictures.cbegin(); p != pictures.cend(); ++p)
        server->route(p.key().toUtf8(), p.value(), "image/png");
    server->route("/site/manifest.json",
                  R"({"name": "A Long Site Name", "short_name": "Short", "icons": [
                      {"src": "icons/48.png", "sizes": "48x48"},
                      {"src": "icons/192.png", "sizes": "192x192 96x96"},
                      {"src": "icons/4096.png", "sizes": "4096x4096"},
                      {"src": "javascript:1", "sizes": "512x512"}]})",
                  "application/manifest+json");
    server->route("/site/bomb.json",
                  R"({"short_name": "Bomb", "icons": [{"src": "bomb.png", "sizes": "96x96"}]})");
    server->route("/site/bad.json", R"({"short_name": "Bad", "icons": [)");
    server->route("/site/huge.json",
                  R"({"short_name": "Huge", "pad": ")" + QByteArray(100 * 1024, 'x') + R"("})");
    server->route("/site/page", "<html><head><title>Page Title</title>" +
                                    (manifest.isEmpty() ? QByteArray()
                                                        : "<link rel='manifest' href='" +
                                                              manifest.toUtf8() + "'>") +
                                    "<link rel='shortcut icon' href='/site/fav.png'></head>"
                                    "<body>page" +
                                    script + "</body></html>");
    if (taken)
        writeFile(appsFolder() + "/Short/app.con", "mine");
    WebAppInstaller installer(*shell);
    shell->webApps = [&installer](const QString &n, const QString &l, const QString &i) {
        installer.addSite(n, l, i);
    };
    QStringList *messages = TestUtil::recordMessages();
    QStringList questions, offers;
    Messages::answerTextAutomatically([&](const QString &question, const QString &text) {
        questions << question;
        offers << text;
        const QString answer = answers.value(questions.size() - 1);
        return answer == "=" ? text : answer;
    });

    AppView *view = browserView(engine);
    QVERIFY(view);
    std::unique_ptr<QWidget> page(BrowserBar::wrap(*shell, view, server->url("/search")));
    const QUrl address = server->url("/site/page");
    QVERIFY(TestUtil::loadUntilTitled(view, address, "Page Title"));
    // Added, the home screen shows: the stack goes.
    shell->stack()->show();
    QToolButton *add = page->findChild<BrowserBar *>()->addToHomeButton();
    add->click();
    QVERIFY(
        TestUtil::waitFor([&] { return questions.size() == answers.size() && add->isEnabled(); }));
    // Cancelled, nothing is added.
    QVERIFY(TestUtil::waitFor(
        [&] { return installer.pending() == 0 && shell->stack()->isHidden() == !name.isEmpty(); }));

    QCOMPARE(offers.first(), offered);
    const QString where = "Add 127.0.0.1 to the home screen as:";
    QStringList expected{where};
    if (taken)
        expected << "There is already an app called \"Short\".\n" + where
                 << "The app needs a name.\n" + where
                 << "\"a/b\" is not a valid name for an app.\n" + where;
    QCOMPARE(questions, expected);
    QCOMPARE(*messages, questions);
    QMap<QString, QByteArray> files;
    if (!name.isEmpty())
        files.insert(name + "/app.con", AppDescriptor::webDescriptor(address.toString()));
    if (!icon.isEmpty())
        files.insert(name + "/icon.png", pictures.value(icon));
    if (taken)
        files.insert("Short/app.con", "mine");
    QMap<QString, QByteArray> found;
    QDirIterator it(appsFolder(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        found.insert(QDir(appsFolder()).relativeFilePath(path), TestUtil::readFile(path));
    }
    QCOMPARE(found, files);
    QCOMPARE(homeCalls().filter("createwebapp:"),
             name.isEmpty() ? QStringList() : QStringList{"createwebapp:" + name});
}

AppView *TestAppLauncher::engineApp(const QString &name, bool underBar)
{
    EngineViewSetup setup;
    setup.appName = name;
    setup.storageFolder = EngineViews::storageFolder(shell->paths(), "App", name);
    AppView *view = EngineViews::create(*shell, setup);
    if (view) {
        QWidget *page =
            underBar ? BrowserBar::wrap(*shell, view, server->url("/search")) : view->widget();
        shell->stack()->addWidget(page);
        shell->stack()->setCurrentWidget(page);
    }
    return view;
}

// A QtWebEngine page's permission request asks the user once per app and
// site, default no; the answer is kept for the app, also after it is
// reopened, and a damaged file of answers allows nothing.
void TestAppLauncher::enginePermissions()
{
    // ask(n): n requests at once; the title tells the answer.
    server->route("/asks", "<script>function ask(n) { var done = 0; document.title = 'asking';"
                           " for (var i = 0; i < n; ++i) Notification.requestPermission()"
                           ".then(function (p) { if (++done == n) document.title = p + ' ' + n; });"
                           " }</script><title>ready</title>");
    const QString asked = "show you notifications";
    QStringList *messages = TestUtil::recordMessages();
    const QString question = "Maps: 127.0.0.1 asks to " + asked + ". Allow it?";
    auto open = [this](const QString &name) {
        AppView *view = engineApp(name);
        return view && TestUtil::loadUntilTitled(view, server->url("/asks"), "ready") ? view
                                                                                      : nullptr;
    };
    auto answer = [](AppView *view, int n) {
        PageScript::run(view, QStringLiteral("ask(%1)").arg(n));
        TestUtil::waitFor([view] { return view->title().contains(' '); }, 20000);
        return view->title();
    };
    AppView *view = open("Maps");
    if (!view)
        QSKIP("the QtWebEngine library cannot be loaded");
    // Three requests while the question is open get its one answer.
    int requests = 0;
    connect(qobject_cast<QWebEngineView *>(view->widget())->page(),
            &QWebEnginePage::featurePermissionRequested, this, [&requests] { ++requests; });
    Messages::answerAutomatically([&requests](const QString &) {
        TestUtil::waitFor([&] { return requests >= 3; });
        return false;
    });
    QCOMPARE(answer(view, 3), QString("denied 3"));
    QCOMPARE(requests, 3);
    QCOMPARE(*messages, QStringList({question}));
    // Asked again: the remembered answer, no question.
    QCOMPARE(answer(view, 1), QString("denied 1"));
    QCOMPARE(messages->size(), 1);

    // Allowed once, for another app: kept after it is closed and reopened.
    messages->clear();
    TestUtil::answerQuestions(true);
    QPointer<AppView> atlas = open("Atlas");
    QVERIFY(atlas);
    QCOMPARE(answer(atlas, 1), QString("granted 1"));
    QCOMPARE(*messages, QStringList({"Atlas: 127.0.0.1 asks to " + asked + ". Allow it?"}));
    const QString kept =
        EngineViews::storageFolder(shell->paths(), "App", "Atlas") + ".permissions";
    QCOMPARE(QFileInfo(kept).permissions() & 0x00ff, 0); // group and others
    auto reopen = [&] {
        atlas->close(false);
        // Its storage goes too once nothing uses it.
        QVERIFY(
            TestUtil::waitFor([&] { return !atlas && !PageScript::storageInUse("App-Atlas"); }));
        atlas = open("Atlas");
        QVERIFY(atlas);
    };
    reopen();
    QCOMPARE(answer(atlas, 1), QString("granted 1"));
    QCOMPARE(messages->size(), 1);
    // Damaged, the file allows nothing: the question comes again, default no.
    const QByteArray good = TestUtil::readFile(kept);
    QVERIFY(good.startsWith("allow "));
    QVERIFY(TestUtil::writeFile(kept, good + "allow \xff\n"));
    messages = TestUtil::recordMessages();
    reopen();
    QCOMPARE(answer(atlas, 1), QString("denied 1"));
    QCOMPARE(messages->size(), 1);
}

void TestAppLauncher::engineFullScreen_data()
{
    QTest::addColumn<bool>("underBar");
    QTest::addColumn<bool>("escape"); // else another page comes on top
    QTest::newRow("Escape") << false << true;
    QTest::newRow("another page on top") << false << false;
    QTest::newRow("under the Browser's bar, Escape") << true << true;
    QTest::newRow("under the Browser's bar, another page") << true << false;
}

// A page's full screen fills its area of the stack, nothing beyond, and
// ends with Escape pressed inside QtWebEngine's view or with another page
// on top.
void TestAppLauncher::engineFullScreen()
{
    QFETCH(bool, underBar);
    QFETCH(bool, escape);
    shell->stack()->setGeometry(0, 40, 800, 500);
    shell->stack()->show();
    AppView *view = engineApp("Video", underBar);
    if (!view)
        QSKIP("the QtWebEngine library cannot be loaded");
    QWidget *page = shell->stack()->currentWidget();
    BrowserBar *bar = page->findChild<BrowserBar *>();
    server->route("/video", "<body style='margin:0'><button style='width:100%;height:300px'"
                            " onclick='document.documentElement.requestFullscreen()'>full</button>"
                            "<title>video</title></body>");
    QVERIFY(TestUtil::loadUntilTitled(view, server->url("/video"), "video"));
    QVERIFY(PageScript::documentComplete(view));
    const QString isFull = "document.fullscreenElement != null";
    QCOMPARE(PageScript::run(view, isFull), QVariant(false));
    QTest::mouseClick(PageScript::keyTarget(view), Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    QTRY_COMPARE(PageScript::run(view, isFull), QVariant(true));
    QVERIFY(!bar || !bar->isVisible());
    QTRY_COMPARE(view->widget()->size(), shell->stack()->size());
    if (escape) {
        QTest::keyClick(PageScript::keyTarget(view), Qt::Key_Escape);
    } else {
        shell->stack()->setCurrentIndex(shell->stack()->addWidget(new QWidget));
    }
    QTRY_COMPARE(PageScript::run(view, isFull), QVariant(false));
    shell->stack()->setCurrentWidget(page);
    QVERIFY(!bar || bar->isVisible());
}

QTEST_MAIN(TestAppLauncher)
#include "tst_applauncher.moc"
