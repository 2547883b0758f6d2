#include "PageClick.h"
#include "TestHttpServer.h"
#include "TestShell.h"
#include "app/MainWindow.h"
#include "mail/MailPanel.h"
#include "web/ErrorPage.h"
#include "web/NT.h"
#include "web/NetworkCookieJar.h"
#include "web/WebKitAppView.h"
#include "web/WebPage.h"

#include "PageScript.h"

#include <QDesktopWidget>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QPointer>
#include <QProgressBar>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QWebFrame>
#include <QWebView>

namespace
{
QVariant js(QWebView *view, const QString &code)
{
    return view->page()->mainFrame()->evaluateJavaScript(code);
}

QUrl listPage()
{
    return QUrl(QStringLiteral("qrc:/assets/support/mail.html"));
}
QUrl placeholder()
{
    return QUrl(QStringLiteral("qrc:/assets/support/home.html"));
}

bool loaded(QWebView *view, const QUrl &url)
{
    return TestUtil::waitFor([=] {
        return view->url() == url && js(view, QStringLiteral("document.readyState")).toString() ==
                                         QLatin1String("complete");
    });
}

// The panel's mail view once it shows url, whichever engine shows it: a
// site of its own may come in a view of its own.
AppView *siteShown(QWidget *panel, const QUrl &url)
{
    AppView *shown = nullptr;
    TestUtil::waitFor(
        [&] {
            AppView *mail = MailPanel::mailView(panel);
            shown = mail && mail->url() == url && !mail->isLoading() &&
                            PageScript::run(mail, "document.readyState").toString() == "complete"
                        ? mail
                        : nullptr;
            return shown != nullptr;
        },
        20000);
    return shown;
}

// The list page has its scripts and, through the window, the shell.
bool listReady(QWebView *list)
{
    return loaded(list, listPage()) &&
           TestUtil::waitFor([=] { return js(list, "typeof myob").toString() == "object"; });
}
// Opens a panel and waits until it has slid in and its list is ready.
QWidget *openPanel(MainWindow &w)
{
    w.on_testputon_clicked();
    QWidget *panel = w.stack()->currentWidget();
    const QRect desktop = QApplication::desktop()->geometry();
    const QRect place(0, 20, desktop.width(), desktop.height() - 60);
    if (!TestUtil::waitFor([&] { return w.stack()->geometry() == place; }) ||
        !listReady(MailPanel::listView(panel)))
        return nullptr;
    return panel;
}
} // namespace

class TestMailPanel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(server.start());
        TestUtil::recordMessages();
    }

    // Each test starts with the mail sites in QtWebEngine and without what
    // earlier ones stored: their profiles have gone, and their storage too.
    void init()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        const ShellPaths paths = ShellPaths::ofProcess();
        QVERIFY(TestUtil::chooseEngine(paths, AppView::Engine::WebEngine));
        const QString storage = paths.engineStorageFolder();
        QVERIFY(TestUtil::waitFor([storage] { return QDir(storage).removeRecursively(); }));
    }

    void openingThePanelOnceAndTwice()
    {
        MainWindow w;
        QStackedWidget *stack = w.stack();
        w.on_testputon_clicked();
        QCOMPARE(stack->count(), 1);
        QWidget *first = stack->currentWidget();
        QCOMPARE(first->objectName(), QStringLiteral("Mail"));
        QCOMPARE(w.showIndex(), 1);
        QVERIFY(stack->isVisible());

        auto *layout = qobject_cast<QHBoxLayout *>(first->layout());
        QVERIFY(layout);
        QCOMPARE(layout->count(), 2);
        QCOMPARE(layout->spacing(), 0);
        QCOMPARE(layout->contentsMargins(), QMargins());
        QWebView *list = MailPanel::listView(first);
        QWebView *mail = WebKitAppView::webViewOf(MailPanel::mailView(first));
        QVERIFY(list && mail);
        QCOMPARE(layout->itemAt(0)->widget(), list);
        QCOMPARE(list->maximumWidth(), 300);
        QVERIFY(listReady(list));
        QVERIFY(loaded(mail, placeholder()));
        QVERIFY(dynamic_cast<WebPage *>(mail->page()));
        QCOMPARE(mail->page()->parent(), &w);
        QVERIFY(dynamic_cast<NT *>(mail->page()->networkAccessManager()));
        QCOMPARE(mail->page()->networkAccessManager()->parent(), &w);
        // The mail view never gets the shell, the list the window itself.
        QCOMPARE(js(mail, "typeof myob").toString(), QStringLiteral("undefined"));
        QCOMPARE(js(list, "myob.objectName").toString(), QStringLiteral("MainWindow"));
        // The placeholder's envelope is there.
        QCOMPARE(js(mail, "(function(){var i=new Image(); i.src='images/email-icon.png';"
                          " return i.complete && i.naturalWidth;})()")
                     .toInt(),
                 128);

        // The panel slides in from the right edge to its place between the
        // status bar and the taskbar.
        const QRect desktop = QApplication::desktop()->geometry();
        QVERIFY(TestUtil::waitFor([&] {
            return stack->geometry() == QRect(0, 20, desktop.width(), desktop.height() - 60);
        }));
        QCOMPARE(list->width(), 300);
        QCOMPARE(mail->width(), desktop.width() - 300);

        w.on_testputon_clicked();
        QCOMPARE(stack->count(), 2);
        QWidget *second = stack->currentWidget();
        QVERIFY(second != first);
        QCOMPARE(second->objectName(), QStringLiteral("Mail"));
        QVERIFY(MailPanel::listView(second) != list);
        QVERIFY(listReady(MailPanel::listView(second)));
        QCOMPARE(stack->widget(0), first);
    }

    void theShellOnlyForTheBundledListPage()
    {
        server.route("/elsewhere", "<html><body>elsewhere</body></html>");
        MainWindow w;
        QWidget *panel = openPanel(w);
        QVERIFY(panel);
        QWebView *list = MailPanel::listView(panel);

        for (const QUrl &url : {server.url(QStringLiteral("/elsewhere")), placeholder(),
                                QUrl(QStringLiteral("qrc:/assets/support/mail.html?x=1"))}) {
            QVERIFY(TestUtil::loadUrl(list, url));
            QCOMPARE(js(list, "typeof myob").toString(), QStringLiteral("undefined"));
        }
        QVERIFY(TestUtil::loadUrl(list, listPage()));
        QVERIFY(listReady(list));

        // Nor while another page is on top.
        auto *app = new QWebView;
        w.stack()->addWidget(app);
        w.stack()->setCurrentWidget(app);
        QVERIFY(TestUtil::loadUrl(list, listPage()));
        QTest::qWait(100);
        QCOMPARE(js(list, "typeof myob").toString(), QStringLiteral("undefined"));
    }

    void theMailViewPresentsAPhoneToServers_data() { TestUtil::engineRows(); }
    void theMailViewPresentsAPhoneToServers()
    {
        QFETCH(AppView::Engine, engine);
        server.route("/inbox", "<html><head><title>Inbox</title></head><body>mail</body></html>");
        MainWindow w;
        QVERIFY(TestUtil::chooseEngine(w.paths(), engine));
        QWidget *panel = openPanel(w);
        QVERIFY(panel);
        w.setShowIndex(0);
        QSignalSpy progress(w.progressBar(), &QProgressBar::valueChanged);

        const QUrl inbox = server.url(QStringLiteral("/inbox"));
        w.Mailservice(inbox.toString(), QStringLiteral("ann@example.org"));
        AppView *mail = siteShown(panel, inbox);
        QVERIFY(mail);
        QCOMPARE(mail->engine(), engine);
        QCOMPARE(w.showIndex(), 1);
        QCOMPARE(server.lastRequest("/inbox").headers.value("user-agent"), NT::userAgent());
        QCOMPARE(PageScript::run(mail, "navigator.userAgent").toString(), WebPage::userAgent());
        // The mail site never sees the shell.
        QCOMPARE(PageScript::run(mail, "typeof myob + typeof api").toString(),
                 QStringLiteral("undefinedundefined"));
        // The bar followed the load and is cleared once it has finished.
        QVERIFY(TestUtil::waitFor(
            [&] { return !progress.isEmpty() && progress.last().value(0).toInt() <= 0; }));
        bool full = false;
        for (const QList<QVariant> &v : progress)
            full = full || v.value(0).toInt() == 100;
        QVERIFY(full);
    }

    void anUnreachableMailSiteShowsOurPage_data() { TestUtil::engineRows(); }
    void anUnreachableMailSiteShowsOurPage()
    {
        QFETCH(AppView::Engine, engine);
        TestHttpServer gone;
        QVERIFY(gone.start());
        const QUrl inbox = gone.url(QStringLiteral("/inbox"));
        gone.stop();
        MainWindow w;
        QVERIFY(TestUtil::chooseEngine(w.paths(), engine));
        QWidget *panel = openPanel(w);
        QVERIFY(panel);
        w.Mailservice(inbox.toString(), QStringLiteral("ann@example.org"));
        QVERIFY(TestUtil::waitFor(
            [&] { return MailPanel::mailView(panel)->title() == "ann@example.org"; }));
        AppView *mail = MailPanel::mailView(panel);
        QCOMPARE(mail->engine(), engine);
        QCOMPARE(PageScript::textOf(mail, "reason"), ErrorPage::words(ErrorPage::Reason::Refused));
        QCOMPARE(PageScript::textOf(mail, "icon"), QStringLiteral("A"));
    }

    void accountsOfOneServiceShareTheirCookies_data() { TestUtil::engineRows(); }
    void accountsOfOneServiceShareTheirCookies()
    {
        QFETCH(AppView::Engine, engine);
        TestHttpServer::Response login;
        login.body = "<html><body>signed in</body></html>";
        login.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("text/html")));
        login.headers.append(
            qMakePair(QByteArray("Set-Cookie"), QByteArray("sid=s3cret; Max-Age=3600; Path=/")));
        server.route("/webmail", login);
        const QString service = server.url(QStringLiteral("/webmail")).toString();
        const QString other = QStringLiteral("http://localhost:%1/webmail").arg(server.port());
        // Both engines keep them in these files: none from an earlier row.
        QFile::remove(NetworkCookieJar::fileNameFor(service));
        QFile::remove(NetworkCookieJar::fileNameFor(other));
        const int before = server.requestCount("/webmail");

        MainWindow w;
        QVERIFY(TestUtil::chooseEngine(w.paths(), engine));
        QWidget *panel = openPanel(w);
        QVERIFY(panel);

        w.Mailservice(service, QStringLiteral("first@example.org"));
        AppView *mail = siteShown(panel, QUrl(service));
        QVERIFY(mail);
        QCOMPARE(mail->engine(), engine);
        QVERIFY(server.lastRequest("/webmail").headers.value("cookie").isEmpty());
        // The service's cookie file, in either engine.
        const QString file = NetworkCookieJar::filePathFor(service, w.paths().cookieFolder());
        QVERIFY(TestUtil::waitFor([&] { return QFile::exists(file); }));
        NetworkCookieJar *jar = nullptr;
        if (QWebView *webView = WebKitAppView::webViewOf(mail)) {
            jar = dynamic_cast<NetworkCookieJar *>(
                webView->page()->networkAccessManager()->cookieJar());
            QVERIFY(jar);
            QCOMPARE(jar->filePath(), file);
        }

        // A second account of the same service: its cookies (in QtWebKit a new
        // jar on the same file).
        w.Mailservice(service, QStringLiteral("second@example.org"));
        QVERIFY(TestUtil::waitFor([&] { return server.requestCount("/webmail") == before + 2; }));
        if (QWebView *webView = WebKitAppView::webViewOf(MailPanel::mailView(panel))) {
            auto *next = dynamic_cast<NetworkCookieJar *>(
                webView->page()->networkAccessManager()->cookieJar());
            QVERIFY(next && next != jar);
            QCOMPARE(next->filePath(), file);
        }
        QCOMPARE(server.lastRequest("/webmail").headers.value("cookie"), QByteArray("sid=s3cret"));

        // Another provider has cookies of its own.
        w.Mailservice(other, QStringLiteral("third@example.org"));
        QVERIFY(TestUtil::waitFor([&] { return server.requestCount("/webmail") == before + 3; }));
        QVERIFY(server.lastRequest("/webmail").headers.value("cookie").isEmpty());
    }

    void choosingAnAccountInTheList()
    {
        server.route("/chosen", "<html><body>chosen</body></html>");
        MainWindow w;
        QWidget *panel = openPanel(w);
        QVERIFY(panel);
        QWebView *list = MailPanel::listView(panel);
        const QUrl chosen = server.url(QStringLiteral("/chosen"));
        js(list, QStringLiteral("localStorage.clear();"
                                "$('#listview').append($('<li data-theme=\"a\">').append("
                                "$('<a href=\"#page1\">').attr('n', 'me@example.org')"
                                ".attr('data', '%1').text('me@example.org')))"
                                ".listview('refresh');")
                     .arg(chosen.toString()));
        QVERIFY(TestUtil::clickElement(list, QStringLiteral("#listview li:eq(1) a:first")));
        QVERIFY(siteShown(panel, chosen));
    }

    void whileAnotherPageIsOnTop()
    {
        server.route("/m1", "<html><body>1</body></html>");
        server.route("/m2", "<html><body>2</body></html>");
        server.route("/never", "<html><body>never</body></html>");
        MainWindow w;
        QWidget *panel = openPanel(w);
        QVERIFY(panel);
        w.Mailservice(server.url(QStringLiteral("/m1")).toString(), QString());
        QVERIFY(siteShown(panel, server.url(QStringLiteral("/m1"))));
        w.Mailservice(server.url(QStringLiteral("/m2")).toString(), QString());
        AppView *mail = siteShown(panel, server.url(QStringLiteral("/m2")));
        QVERIFY(mail);

        // The panel on top: no history steps.
        w.webhistory(QStringLiteral("back"));
        QTest::qWait(300);
        QCOMPARE(mail->url(), server.url(QStringLiteral("/m2")));

        auto *app = new QWebView;
        w.stack()->addWidget(app);
        w.stack()->setCurrentWidget(app);
        w.setShowIndex(0);
        w.Mailservice(server.url(QStringLiteral("/never")).toString(), QString());
        QTest::qWait(300);
        QCOMPARE(server.requestCount("/never"), 0);
        QCOMPARE(MailPanel::mailView(panel), mail);
        QCOMPARE(mail->url(), server.url(QStringLiteral("/m2")));
        QCOMPARE(w.showIndex(), 0);
    }

    void closingThePanelReleasesItsViews_data()
    {
        QTest::addColumn<bool>("site"); // a mail site was opened (QtWebEngine)
        QTest::newRow("placeholder") << false;
        QTest::newRow("mail site") << true;
    }
    void closingThePanelReleasesItsViews()
    {
        QFETCH(bool, site);
        server.route("/inbox", "<html><body>inbox</body></html>");
        MainWindow w;
        QWidget *panel = openPanel(w);
        QVERIFY(panel);
        QPointer<QWebView> list = MailPanel::listView(panel);
        QPointer<QWebView> placeholder = WebKitAppView::webViewOf(MailPanel::mailView(panel));
        QPointer<QWebPage> page = placeholder->page();
        QPointer<QNetworkAccessManager> manager = placeholder->page()->networkAccessManager();
        QPointer<QWidget> mail = placeholder.data();
        if (site) {
            w.Mailservice(server.url(QStringLiteral("/inbox")).toString(), QString());
            AppView *shown = siteShown(panel, server.url(QStringLiteral("/inbox")));
            QVERIFY(shown);
            QCOMPARE(shown->engine(), AppView::Engine::WebEngine);
            mail = shown->widget();
            // The placeholder it replaced has gone already.
            QVERIFY(TestUtil::waitFor([&] { return !placeholder && !page && !manager; }));
        }

        w.closeapp();
        QCOMPARE(w.stack()->count(), 0);
        QVERIFY(!w.stack()->isVisible());
        QVERIFY(
            TestUtil::waitFor([&] { return !list && !mail && !placeholder && !page && !manager; }));
    }

    void fromTheDockAndTheTaskbar()
    {
        MainWindow w;
        QWebView *home = w.homeView();
        QVERIFY(TestUtil::waitFor([&] {
            return js(home, "typeof openit === 'function' && typeof myob === 'object'").toBool();
        }));
        QVERIFY(TestUtil::clickElement(home, QStringLiteral("a[data-name=Mail]")));
        QVERIFY(TestUtil::waitFor([&] { return w.stack()->count() == 1; }));
        QCOMPARE(w.stack()->currentWidget()->objectName(), QStringLiteral("Mail"));
        QVERIFY(listReady(MailPanel::listView(w.stack()->currentWidget())));

        QVERIFY(TestUtil::waitFor([&] { return !TestUtil::centreOf(home, "#Rmail").isNull(); }));
        // The open panel comes forward: one panel, one tab.
        QWidget *panel = w.stack()->currentWidget();
        js(home, "$('#start').click()");
        QVERIFY(!w.stack()->isVisible());
        QVERIFY(TestUtil::clickElement(home, QStringLiteral("#Rmail")));
        QVERIFY(w.stack()->isVisible());
        QCOMPARE(w.stack()->count(), 1);
        QCOMPARE(w.stack()->currentWidget(), panel);
        QCOMPARE(js(home, "$('#dockapps a').length").toInt(), 1);
    }

    void anAuthenticationRequestIsReported()
    {
        QStringList *messages = TestUtil::recordMessages();
        MainWindow w;
        QVERIFY(QMetaObject::invokeMethod(&w, "a_auth", Q_ARG(QNetworkReply *, nullptr),
                                          Q_ARG(QAuthenticator *, nullptr)));
        QCOMPARE(*messages, QStringList({QStringLiteral("a_auth")}));
    }

private:
    TestHttpServer server;
};

QTEST_MAIN(TestMailPanel)
#include "tst_mailpanel.moc"
