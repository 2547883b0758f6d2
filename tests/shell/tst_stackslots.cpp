#include "TestHttpServer.h"
#include "TestShell.h"
#include "app/MainWindow.h"

#include <QApplication>
#include <QDesktopWidget>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QProgressBar>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTest>
#include <QWebFrame>
#include <QWebView>

// The page-stack slots of the real main window, driven as the real home
// page drives them.
class TestStackSlots : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void homeLoadLaysOutAndMakesShortcuts();
    void openSwitchAndCloseFromTheHomePage();
    void bundledLocalAppGetsApiAndClosesItself();
    void selfClosedAppTakesItsTabAlong();
    void zoomsOnlyTheHomeScreen();
    void linkClickedSlotLoadsIntoThePageOnTop();
    void closeitAndTheCommandLinkEndTheWindow();
    void windowNamedWindow1IsRestored();

private:
    QVariant home(const QString &script) const
    {
        return window->homeView()->page()->mainFrame()->evaluateJavaScript(script);
    }
    QStringList tabs() const
    {
        return home("$('#dockapps a span').map(function(){return $(this).text();}).get()")
            .toStringList();
    }
    QString selectedTab() const { return home("$('#dockapps a.select span').text()").toString(); }
    QWebView *openFromHome(const QString &name, const QString &address)
    {
        return TestUtil::openFromHome(window, name, QStringLiteral("web"), address);
    }

    TestHttpServer *server = nullptr;
    MainWindow *window = nullptr;
};

void TestStackSlots::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestStackSlots::init()
{
    server = new TestHttpServer;
    QVERIFY(server->start());
    window = new MainWindow;
    QSignalSpy loaded(window->homeView(), SIGNAL(loadFinished(bool)));
    QVERIFY(loaded.wait(20000));
    QTRY_VERIFY(home("typeof myob").toString() == QLatin1String("object"));
}

void TestStackSlots::cleanup()
{
    delete window;
    delete server;
}

void TestStackSlots::homeLoadLaysOutAndMakesShortcuts()
{
    const QRect desktop = QApplication::desktop()->geometry();
    QCOMPARE(window->homeView()->geometry(), QRect(0, 0, desktop.width(), desktop.height()));
    QCOMPARE(window->progressBar()->geometry(), QRect(0, 0, desktop.width(), 2));
    const QString entry =
        QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation) + "/Vantara.desktop";
    QVERIFY(QFile::exists(entry));

    // Every load of the home page makes them again.
    QVERIFY(QFile::remove(entry));
    QSignalSpy loaded(window->homeView(), SIGNAL(loadFinished(bool)));
    window->homeView()->reload();
    QVERIFY(loaded.wait(20000));
    QVERIFY(QFile::exists(entry));
}

void TestStackSlots::openSwitchAndCloseFromTheHomePage()
{
    server->route("/one", "<html><head><title>First page of all</title></head></html>");
    server->route("/two", "<html><head><title>Two</title></head></html>");
    server->route("/three", "<html><head><title>Three</title></head></html>");
    QWebView *one = openFromHome("One", server->url("/one").toString());
    QVERIFY(one);
    QCOMPARE(one->objectName(), server->url("/one").toString());
    QCOMPARE(selectedTab(), QStringLiteral("First page"));
    QVERIFY(window->stack()->isVisible());
    QWebView *two = openFromHome("Two", server->url("/two").toString());
    QWebView *three = openFromHome("Three", server->url("/three").toString());
    QVERIFY(two && three);
    QCOMPARE(tabs(), QStringList({"First page", "Two", "Three"}));

    // Home, then back through a tab: the page is shown, not loaded again.
    home("$('#start').click()");
    QVERIFY(!window->stack()->isVisible());
    home("$('#dockapps a:eq(1)').click()");
    QVERIFY(window->stack()->isVisible());
    QCOMPARE(window->stack()->currentWidget(), two);
    QCOMPARE(server->requestCount("/two"), 1);

    // Closing the middle tab closes the middle page; tab and page agree after.
    QPointer<QWebView> closed = two;
    home("$('#closeme').click()");
    QCOMPARE(tabs(), QStringList({"First page", "Three"}));
    QCOMPARE(window->stack()->count(), 2);
    QCOMPARE(window->stack()->currentWidget(), three);
    QCOMPARE(selectedTab(), QStringLiteral("Three"));
    QTRY_VERIFY(!closed);

    home("$('#closeme').click()");
    home("$('#closeme').click()");
    QCOMPARE(window->stack()->count(), 0);
    QVERIFY(!window->stack()->isVisible());
    QVERIFY(tabs().isEmpty());
    // One more close with nothing open changes nothing.
    home("$('#closeme').click()");
    QCOMPARE(window->stack()->count(), 0);
}

void TestStackSlots::bundledLocalAppGetsApiAndClosesItself()
{
    const QString appFolder = QCoreApplication::applicationDirPath() + "/Apps/Calculator";
    if (!QFile::exists(appFolder + "/app.con"))
        QSKIP("the bundled Calculator app is not beside the program");
    QWebView *app = openFromHome("Calculator", "Calculator");
    QVERIFY(app);
    QCOMPARE(app->objectName(), QStringLiteral("Calculator"));
    QVERIFY(app->url().isLocalFile());
    QWebFrame *frame = app->page()->mainFrame();
    QCOMPARE(frame->evaluateJavaScript("typeof api").toString(), QStringLiteral("object"));
    QCOMPARE(frame->evaluateJavaScript("typeof api.closeapp").toString(),
             QStringLiteral("function"));
    // The home page never gets api, the app page never myob.
    QCOMPARE(home("typeof api").toString(), QStringLiteral("undefined"));
    QCOMPARE(frame->evaluateJavaScript("typeof myob").toString(), QStringLiteral("undefined"));

    QPointer<QWebView> gone = app;
    frame->evaluateJavaScript(
        "setTimeout(function () { api.closeapp(); document.title = 'x'; }, 0)");
    QTRY_VERIFY(!gone);
    QCOMPARE(window->stack()->count(), 0);
    QVERIFY(tabs().isEmpty());
    QCOMPARE(home("$('#closeme').is(':visible')").toBool(), false);
}

void TestStackSlots::selfClosedAppTakesItsTabAlong()
{
    const QString appFolder = QCoreApplication::applicationDirPath() + "/Apps/Calculator";
    if (!QFile::exists(appFolder + "/app.con"))
        QSKIP("the bundled Calculator app is not beside the program");
    server->route("/one", "<html><head><title>One</title></head><body>one</body></html>");
    server->route("/two", "<html><head><title>Two</title></head><body>two</body></html>");
    QWebView *one = openFromHome("One", server->url("/one").toString());
    QWebView *calculator = openFromHome("Calculator", "Calculator");
    QWebView *two = openFromHome("Two", server->url("/two").toString());
    QVERIFY(one && calculator && two);
    QCOMPARE(tabs(), QStringList({"One", "Calculator", "Two"}));

    // The calculator is brought to the top by its tab and closes itself.
    home("$('#dockapps a').eq(1).click()");
    QCOMPARE(window->stack()->currentWidget(), calculator);
    QPointer<QWebView> gone = calculator;
    calculator->page()->mainFrame()->evaluateJavaScript(
        "setTimeout(function () { api.closeapp(); }, 0)");
    QTRY_VERIFY(!gone);
    QCOMPARE(tabs(), QStringList({"One", "Two"}));
    QCOMPARE(selectedTab(), QStringLiteral("Two"));
    QCOMPARE(window->stack()->currentWidget(), two);

    // Tab i is page i again: switching and the close button reach the right page.
    home("$('#dockapps a').eq(0).click()");
    QCOMPARE(window->stack()->currentWidget(), one);
    home("$('#closeme').click()");
    QCOMPARE(tabs(), QStringList({"Two"}));
    QCOMPARE(window->stack()->count(), 1);
    QCOMPARE(window->stack()->currentWidget(), two);
}

void TestStackSlots::zoomsOnlyTheHomeScreen()
{
    server->route("/one", "<html><body>one</body></html>");
    QWebView *app = openFromHome("One", server->url("/one").toString());
    QVERIFY(app);
    window->zooms(2);
    QCOMPARE(window->homeView()->zoomFactor(), 2.0);
    QCOMPARE(app->zoomFactor(), 1.0);
    home("myob.zooms(1.5)");
    QCOMPARE(window->homeView()->zoomFactor(), 1.5);
}

void TestStackSlots::linkClickedSlotLoadsIntoThePageOnTop()
{
    server->route("/one", "<html><body>one</body></html>");
    server->route("/next", "<html><body>next</body></html>");
    QWebView *app = openFromHome("One", server->url("/one").toString());
    QVERIFY(app);
    QSignalSpy finished(app, SIGNAL(loadFinished(bool)));
    QVERIFY(
        QMetaObject::invokeMethod(window, "linkClickedSlot", Q_ARG(QUrl, server->url("/next"))));
    QVERIFY(finished.wait(10000));
    QCOMPARE(app->url(), server->url("/next"));
}

void TestStackSlots::closeitAndTheCommandLinkEndTheWindow()
{
    QVERIFY(window->isVisible());
    home("myob.closeit()");
    QVERIFY(!window->isVisible());
    window->show();
    QVERIFY(QMetaObject::invokeMethod(window, "on_commandLinkButton_clicked"));
    QVERIFY(!window->isVisible());
}

void TestStackSlots::windowNamedWindow1IsRestored()
{
    QWidget other;
    other.setObjectName(QStringLiteral("window1"));
    other.showMinimized();
    QWidget unrelated;
    unrelated.setObjectName(QStringLiteral("window2"));
    unrelated.showMinimized();
    QVERIFY(QMetaObject::invokeMethod(window, "on_pushButton_2_clicked"));
    QVERIFY(!other.isMinimized());
    QVERIFY(unrelated.isMinimized());
}

QTEST_MAIN(TestStackSlots)
#include "tst_stackslots.moc"
