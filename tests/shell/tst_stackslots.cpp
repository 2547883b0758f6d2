#include "DialogSteps.h"
#include "MediaFixtures.h"
#include "PageClick.h"
#include "TestHttpServer.h"
#include "TestShell.h"
#include "app/MainWindow.h"
#include "shell/AppDescriptor.h"
#include "shell/AppOverview.h"
#include "shell/Messages.h"
#include "shell/NotificationBanner.h"
#include "shell/NotificationCenter.h"
#include "shell/ShellPaths.h"
#include "web/DialogOverlay.h"
#include "web/WebKitAppView.h"

#include "PageScript.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDesktopWidget>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTemporaryDir>
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
    void openSwitchAndCloseFromTheHomePage_data();
    void openSwitchAndCloseFromTheHomePage();
    void remoteAppsInTheEngineLocalAppsWithApi();
    void bundledLocalAppGetsApiAndClosesItself();
    void selfClosedAppTakesItsTabAlong();
    void zoomsOnlyTheHomeScreen();
    void linkClickedSlotLoadsIntoThePageOnTop();
    void closeitAndTheCommandLinkEndTheWindow();
    void thePowerControlAsksWhileAppsAreOpen_data();
    void thePowerControlAsksWhileAppsAreOpen();
    void windowNamedWindow1IsRestored();
    void everyTabReachableAndTheHighlightOnTop();
    void anOpenAppComesForward_data();
    void anOpenAppComesForward();
    void switchingKeys_data();
    void switchingKeys();
    void overviewOfTheOpenApps_data();
    void overviewOfTheOpenApps();
    void aPageThatAsksLeavesTheShellFree_data();
    void aPageThatAsksLeavesTheShellFree();
    void iconsKeepTheirPlacesAfterARestart();
    void removingAnAppFromItsIcon_data();
    void removingAnAppFromItsIcon();
    void restoredTabsStartWhenFirstShown();
    void appFoldersCopiedInJoinWithoutARestart();
    void notificationsBannersAndBadges_data();
    void notificationsBannersAndBadges();
    void appsAreAskedEachForThemselves_data();
    void appsAreAskedEachForThemselves();
    void cleanupTestCase();
    // Last: its last row ends the application's life as a logout does, after
    // which WebKit's timers no longer run in this process.
    void openAppsComeBackAfterARestart_data();
    void openAppsComeBackAfterARestart();

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
    AppView *openFromHome(const QString &name, const QString &address)
    {
        return TestUtil::openFromHome(window, name, QStringLiteral("web"), address);
    }

    // Opens count web apps, "App 0" on, each its own page on the server.
    QList<AppView *> openApps(int count, const QByteArray &body = QByteArray())
    {
        QList<AppView *> views;
        for (int i = 0; i < count; ++i) {
            const QByteArray path = "/app" + QByteArray::number(i);
            server->route(path, "<html><head><title>App " + QByteArray::number(i) +
                                    "</title></head><body>" + body + "</body></html>");
            views << openFromHome(QStringLiteral("App %1").arg(i), server->url(path).toString());
        }
        return views;
    }
    int selectedIndex() const
    {
        return home("$('#dockapps a').index($('#dockapps a.select'))").toInt();
    }
    // The selected tab lies wholly inside the visible part of the strip.
    bool selectedTabInView() const
    {
        return home("var s = $('#dockapps')[0].getBoundingClientRect(),"
                    " t = $('#dockapps a.select')[0].getBoundingClientRect();"
                    " t.width > 0 && t.left >= s.left && t.right <= s.right")
            .toBool();
    }
    // The page on top is the selected tab's, and the stack is shown.
    bool highlightOnTop() const
    {
        QStackedWidget *stack = window->stack();
        return stack->isVisible() && selectedIndex() == stack->currentIndex() &&
               selectedIndex() == home("vantara.appOnTop()").toInt() &&
               home("$('#dockapps a.select').length").toInt() == 1;
    }

    // A window over folders of its own under root, its Apps folder holding
    // a local app for each name (titled by its name); it replaces window.
    bool startOver(const QString &root, const QStringList &apps = {})
    {
        for (const QString &name : apps) {
            const QString folder = root + "/Apps/" + name;
            if (!TestUtil::writeFile(folder + "/app.con",
                                     "<config><apptype>local</apptype>"
                                     "<applink>index.html</applink></config>") ||
                !TestUtil::writeFile(folder + "/index.html", "<html><head><title>" + name.toUtf8() +
                                                                 "</title></head></html>"))
                return false;
        }
        QDir().mkpath(root + "/Work");
        delete window;
        window = new MainWindow(ShellPaths::under(root));
        QSignalSpy loaded(window->homeView(), SIGNAL(loadFinished(bool)));
        return loaded.wait(60000) && home("typeof vantara").toString() == QLatin1String("object") &&
               TestUtil::waitFor([this] { return window->isVisible(); });
    }
    QStringList keys(const QString &selector) const
    {
        return home("$('" + selector +
                    "').map(function(){return $(this).attr('data-name');}).get()")
            .toStringList();
    }
    QStringList openApps() const
    {
        QStringList names;
        for (int i = 0; i < window->stack()->count(); ++i)
            names << window->stack()->widget(i)->objectName();
        return names;
    }
    void sendMouse(QEvent::Type type, const QPoint &at, Qt::MouseButton button)
    {
        QWidget *view = window->homeView();
        QMouseEvent e(type, at, view->mapToGlobal(at), button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button),
                      Qt::NoModifier);
        QApplication::sendEvent(view, &e);
        QTest::qWait(15);
    }
    void dragIcon(const QString &from, const QString &to)
    {
        const QPoint start = TestUtil::centreOf(window->homeView(), from);
        const QPoint end = TestUtil::centreOf(window->homeView(), to);
        QVERIFY(!start.isNull() && !end.isNull());
        sendMouse(QEvent::MouseButtonPress, start, Qt::LeftButton);
        for (int i = 1; i <= 12; ++i)
            sendMouse(QEvent::MouseMove, start + (end - start) * i / 12, Qt::LeftButton);
        sendMouse(QEvent::MouseButtonRelease, end, Qt::LeftButton);
        // The icon slides into its new place; then the list saves.
        QTRY_VERIFY_WITH_TIMEOUT(
            home("$('.ui-sortable-helper, .ui-sortable-placeholder').length").toInt() == 0, 20000);
    }

    // The desktop's notification service (python3-dbusmock's template) on
    // the test's private bus, logging each call to log.
    bool startDesktopService(QProcess &service, const QString &log)
    {
        if (!bus || !bus->started())
            return false;
        service.start(QFile::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3",
                      {"-m", "dbusmock", "--session", "-t", "notification_daemon", "-l", log});
        QDBusConnection watcher = bus->connect("notificationWatcher");
        return service.waitForStarted(10000) &&
               TestUtil::waitFor(
                   [&] {
                       return service.state() == QProcess::Running &&
                              watcher.interface()->isServiceRegistered(
                                  "org.freedesktop.Notifications");
                   },
                   20000);
    }
    // What the service was asked to show by now: a call on the shell's own
    // connection returns after those it sent before.
    QStringList desktopNotifications(const QString &log)
    {
        QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
            "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
            "org.freedesktop.Notifications", "GetServerInformation"));
        QFile file(log);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split('\n').filter(" Notify ");
    }
    // A page whose notify(title, body) asks first, says the answer in its
    // title and, allowed, shows a notification.
    static constexpr const char *notifyingPage =
        "<html><head><title>Inbox</title></head><body><script>"
        "function notify(t, b) { Notification.requestPermission(function (p) {"
        " document.title = 'asked ' + p;"
        " if (p == 'granted') new Notification(t, {body: b}).onclick ="
        " function () { document.title = 'tapped ' + t; }; }); }"
        "</script></body></html>";
    NotificationBanner *banner() const { return window->findChild<NotificationBanner *>(); }
    bool bannerShown() const { return banner() && banner()->isVisible(); }
    QString tabBadge(int i) const
    {
        return home(QString("$('#dockapps a:eq(%1) .badge').text()").arg(i)).toString();
    }

    TestHttpServer *server = nullptr;
    MainWindow *window = nullptr;
    PrivateBus *bus = nullptr;
};

void TestStackSlots::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    // The session bus of the whole run is the test's own.
    bus = new PrivateBus;
    if (bus->started())
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus->address().toUtf8());
}

void TestStackSlots::cleanupTestCase()
{
    delete bus;
}

void TestStackSlots::init()
{
    server = new TestHttpServer;
    QVERIFY(server->start());
    window = new MainWindow;
    QSignalSpy loaded(window->homeView(), SIGNAL(loadFinished(bool)));
    QVERIFY(loaded.wait(20000));
    QTRY_VERIFY(home("typeof myob").toString() == QLatin1String("object"));
    // Shown once its first frame is drawn, which may come after the load.
    QTRY_VERIFY_WITH_TIMEOUT(window->isVisible(), 10000);
}

void TestStackSlots::cleanup()
{
    Messages::dismissAutomatically({});
    Messages::answerAutomatically({});
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

void TestStackSlots::openSwitchAndCloseFromTheHomePage_data()
{
    TestUtil::engineRows();
}

void TestStackSlots::openSwitchAndCloseFromTheHomePage()
{
    QFETCH(AppView::Engine, engine);
    QVERIFY(TestUtil::chooseEngine(window->paths(), engine));
    server->route("/one", "<html><head><title>First page of all</title></head></html>");
    server->route("/two", "<html><head><title>Two</title></head></html>");
    server->route("/three", "<html><head><title>Three</title></head></html>");
    AppView *one = openFromHome("One", server->url("/one").toString());
    QVERIFY(one);
    QCOMPARE(one->engine(), engine);
    QCOMPARE(one->widget()->objectName(), server->url("/one").toString());
    QCOMPARE(selectedTab(), QStringLiteral("First page"));
    QVERIFY(window->stack()->isVisible());
    AppView *two = openFromHome("Two", server->url("/two").toString());
    AppView *three = openFromHome("Three", server->url("/three").toString());
    QVERIFY(two && three);
    QCOMPARE(tabs(), QStringList({"First page", "Two", "Three"}));

    // Home, then back through a tab: the page is shown, not loaded again.
    home("$('#start').click()");
    QVERIFY(!window->stack()->isVisible());
    home("$('#dockapps a:eq(1)').click()");
    QVERIFY(window->stack()->isVisible());
    QCOMPARE(window->stack()->currentWidget(), two->widget());
    QCOMPARE(server->requestCount("/two"), 1);

    // Closing the middle tab closes the middle page; tab and page agree after.
    QPointer<QWidget> closed = two->widget();
    home("$('#closeme').click()");
    QCOMPARE(tabs(), QStringList({"First page", "Three"}));
    QCOMPARE(window->stack()->count(), 2);
    QCOMPARE(window->stack()->currentWidget(), three->widget());
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

// Through the real launcher: a web app elsewhere runs in QtWebEngine, out of
// the shell's reach; a local app in QtWebKit, with api.
void TestStackSlots::remoteAppsInTheEngineLocalAppsWithApi()
{
    QTemporaryDir root;
    QVERIFY(startOver(root.path(), {"Notes"}));
    server->route("/site", "<html><head><title>Site</title></head><body>site</body></html>");
    QVERIFY(TestUtil::writeFile(root.path() + "/Apps/Site/app.con",
                                AppDescriptor::webDescriptor(server->url("/site").toString())));
    AppView *notes = TestUtil::openFromHome(window, "Notes", "web", "Notes");
    AppView *site = TestUtil::openFromHome(window, "Site", "web", "Site");
    QVERIFY(notes && site);
    QCOMPARE(notes->engine(), AppView::Engine::WebKit);
    QCOMPARE(PageScript::run(notes, "typeof api").toString(), QStringLiteral("object"));
    QCOMPARE(site->engine(), AppView::Engine::WebEngine);
    QVERIFY(!WebKitAppView::frameOf(site) && !window->webViewOnTop());
    QCOMPARE(PageScript::run(site, "[typeof api, typeof myob].join(' ')").toString(),
             QStringLiteral("undefined undefined"));
    QCOMPARE(tabs(), QStringList({"Notes", "Site"}));
    // Its page was made in its own storage under the working folder.
    QVERIFY(QFileInfo(ShellPaths::under(root.path()).engineStorageFolder() + "/App-Site").isDir());
}

void TestStackSlots::bundledLocalAppGetsApiAndClosesItself()
{
    const QString appFolder = QCoreApplication::applicationDirPath() + "/Apps/Calculator";
    if (!QFile::exists(appFolder + "/app.con"))
        QSKIP("the bundled Calculator app is not beside the program");
    AppView *app = openFromHome("Calculator", "Calculator");
    QVERIFY(app);
    QCOMPARE(app->widget()->objectName(), QStringLiteral("Calculator"));
    QVERIFY(app->url().isLocalFile());
    QWebFrame *frame = WebKitAppView::frameOf(app);
    QVERIFY(frame);
    QCOMPARE(frame->evaluateJavaScript("typeof api").toString(), QStringLiteral("object"));
    QCOMPARE(frame->evaluateJavaScript("typeof api.closeapp").toString(),
             QStringLiteral("function"));
    // The home page never gets api, the app page never myob.
    QCOMPARE(home("typeof api").toString(), QStringLiteral("undefined"));
    QCOMPARE(frame->evaluateJavaScript("typeof myob").toString(), QStringLiteral("undefined"));

    QPointer<QWidget> gone = app->widget();
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
    AppView *one = openFromHome("One", server->url("/one").toString());
    AppView *calculator = openFromHome("Calculator", "Calculator");
    AppView *two = openFromHome("Two", server->url("/two").toString());
    QVERIFY(one && calculator && two);
    QCOMPARE(tabs(), QStringList({"One", "Calculator", "Two"}));

    // The calculator is brought to the top by its tab and closes itself.
    home("$('#dockapps a').eq(1).click()");
    QCOMPARE(window->stack()->currentWidget(), calculator->widget());
    QPointer<QWidget> gone = calculator->widget();
    WebKitAppView::frameOf(calculator)
        ->evaluateJavaScript("setTimeout(function () { api.closeapp(); }, 0)");
    QTRY_VERIFY(!gone);
    QCOMPARE(tabs(), QStringList({"One", "Two"}));
    QCOMPARE(selectedTab(), QStringLiteral("Two"));
    QCOMPARE(window->stack()->currentWidget(), two->widget());

    // Tab i is page i again: switching and the close button reach the right page.
    home("$('#dockapps a').eq(0).click()");
    QCOMPARE(window->stack()->currentWidget(), one->widget());
    home("$('#closeme').click()");
    QCOMPARE(tabs(), QStringList({"Two"}));
    QCOMPARE(window->stack()->count(), 1);
    QCOMPARE(window->stack()->currentWidget(), two->widget());
}

void TestStackSlots::zoomsOnlyTheHomeScreen()
{
    server->route("/one", "<html><body>one</body></html>");
    AppView *app = openFromHome("One", server->url("/one").toString());
    QVERIFY(app);
    window->zooms(2);
    QCOMPARE(window->homeView()->zoomFactor(), 2.0);
    QCOMPARE(app->widget()->property("zoomFactor").toReal(), 1.0);
    home("myob.zooms(1.5)");
    QCOMPARE(window->homeView()->zoomFactor(), 1.5);
}

void TestStackSlots::linkClickedSlotLoadsIntoThePageOnTop()
{
    server->route("/one", "<html><body>one</body></html>");
    server->route("/next", "<html><body>next</body></html>");
    AppView *app = openFromHome("One", server->url("/one").toString());
    QVERIFY(app);
    QSignalSpy finished(app, &AppView::loadFinished);
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

void TestStackSlots::thePowerControlAsksWhileAppsAreOpen_data()
{
    QTest::addColumn<int>("apps");
    QTest::addColumn<QString>("answer");   // yes, no, or a real Escape key
    QTest::addColumn<QString>("question"); // empty: none is asked
    QTest::addColumn<bool>("quits");

    QTest::newRow("nothing open") << 0 << "no"
                                  << "" << true;
    QTest::newRow("two apps, kept") << 2 << "no"
                                    << "Quit Vantara?\n2 apps are open and will close." << false;
    QTest::newRow("two apps, escape") << 2 << "escape"
                                      << "Quit Vantara?\n2 apps are open and will close." << false;
    QTest::newRow("two apps, return") << 2 << "return"
                                      << "Quit Vantara?\n2 apps are open and will close." << false;
    QTest::newRow("one app, quit") << 1 << "yes"
                                   << "Quit Vantara?\n1 app is open and will close." << true;
}

void TestStackSlots::thePowerControlAsksWhileAppsAreOpen()
{
    QFETCH(int, apps);
    QFETCH(QString, answer);
    QFETCH(QString, question);
    QFETCH(bool, quits);

    QStringList *asked = TestUtil::recordMessages();
    QCOMPARE(openApps(apps).count(nullptr), 0);
    // Back on the home screen, the power control sits where the close control was.
    home("$('#start').click()");
    QTRY_VERIFY(!window->stack()->isVisible());
    bool escaped = false;
    if (answer == "escape" || answer == "return") {
        // A person at the box: the key goes where the focus is.
        Messages::dismissAutomatically({});
        const Qt::Key key = answer == "escape" ? Qt::Key_Escape : Qt::Key_Return;
        QTimer::singleShot(0, [&escaped, asked, key] {
            QTRY_VERIFY(QApplication::activeModalWidget());
            QWidget *box = QApplication::activeModalWidget();
            asked->append(box->findChild<QLabel *>()->text() + "\n" +
                          box->findChild<QPlainTextEdit *>()->toPlainText());
            QTRY_VERIFY(box->focusWidget());
            QTest::keyClick(box->focusWidget(), key);
            escaped = true;
        });
    } else {
        TestUtil::answerQuestions(answer == "yes");
    }
    QVERIFY(TestUtil::clickElement(window->homeView(), "#qt"));
    QCOMPARE(window->isVisible(), !quits);
    QCOMPARE(escaped, answer == "escape" || answer == "return");
    QCOMPARE(asked->join("|"), question);
    QCOMPARE(window->stack()->count(), apps);
    Messages::dismissAutomatically({});
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

void TestStackSlots::everyTabReachableAndTheHighlightOnTop()
{
    QList<QWidget *> views;
    for (AppView *view : openApps(14))
        views << (view ? view->widget() : nullptr);
    QVERIFY(!views.contains(nullptr));
    QStackedWidget *stack = window->stack();
    // More tabs than the taskbar shows at once.
    QVERIFY(home("$('#dockapps')[0].scrollWidth > $('#dockapps')[0].clientWidth").toBool());
    QVERIFY(highlightOnTop());
    QVERIFY(selectedTabInView());

    // Every tab can be brought into view and clicked; it shows its page.
    for (int i : {0, 13, 6, 1, 12}) {
        home(QStringLiteral("$('#dockapps')[0].scrollLeft = $('#dockapps a')[%1].offsetLeft")
                 .arg(i));
        QVERIFY(TestUtil::clickElement(window->homeView(),
                                       QStringLiteral("#dockapps a:eq(%1)").arg(i)));
        QCOMPARE(stack->currentWidget(), views[i]);
        QVERIFY(highlightOnTop());
        QVERIFY(selectedTabInView());
    }
    // The strip scrolls under the wheel.
    home("$('#dockapps')[0].scrollLeft = 0");
    const QPoint onStrip = TestUtil::centreOf(window->homeView(), "#dockapps a:eq(0)");
    QWheelEvent down(onStrip, window->homeView()->mapToGlobal(onStrip), QPoint(), QPoint(0, -240),
                     Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(window->homeView(), &down);
    QVERIFY(home("$('#dockapps')[0].scrollLeft").toInt() > 0);

    // Home and back by a tab; a key from home brings back the page last on top.
    home("$('#start').click()");
    QVERIFY(!stack->isVisible());
    QTest::keyClick(window, Qt::Key_Tab, Qt::AltModifier);
    QCOMPARE(stack->currentWidget(), views[12]);
    QVERIFY(highlightOnTop());

    // Opening an open app again selects its tab, even one scrolled away.
    home("$('#start').click()");
    home("openit('App 2', 'web', 'ignored')");
    QCOMPARE(stack->count(), 14);
    QCOMPARE(stack->currentWidget(), views[2]);
    QVERIFY(highlightOnTop());
    QVERIFY(selectedTabInView());

    // A close by the control, and one by the page itself.
    home("$('#closeme').click()");
    QCOMPARE(stack->count(), 13);
    QVERIFY(highlightOnTop());
    QVERIFY(selectedTabInView());
    QCOMPARE(stack->currentWidget(), views[13]);
    home("$('#dockapps a:eq(4)').click()");
    QCOMPARE(stack->currentWidget(), views[5]);
    QPointer<QWidget> gone = views[5];
    window->closeapp();
    QTRY_VERIFY(!gone);
    QCOMPARE(stack->count(), 12);
    QCOMPARE(home("$('#dockapps a').length").toInt(), 12);
    QVERIFY(highlightOnTop());
    QVERIFY(selectedTabInView());
}

void TestStackSlots::anOpenAppComesForward_data()
{
    QTest::addColumn<QString>("app");
    QTest::addColumn<QString>("how");
    QTest::newRow("grid") << "Calculator"
                          << "click:#swipe_container a[data-name='Calculator']";
    QTest::newRow("dock") << "Music.map"
                          << "click:.dock a[data-name='Music.map']";
    QTest::newRow("taskbar icon") << "Music.map"
                                  << "click:#Rmusic";
    QTest::newRow("mail") << "Mail"
                          << "click:#Rmail";
    QTest::newRow("key") << "Music.map"
                         << "ring:.dock a[data-name='Music.map']";
}

void TestStackSlots::anOpenAppComesForward()
{
    QFETCH(QString, app);
    QFETCH(QString, how);
    if (app != "Mail" &&
        !QFile::exists(QCoreApplication::applicationDirPath() + "/Apps/" + app + "/app.con"))
        QSKIP("the bundled app is not beside the program");
    QStackedWidget *stack = window->stack();
    QTRY_VERIFY(home("$('#swipe_container a[data-name=\"Calculator\"]').length").toInt() == 1);
    const QString selector = how.section(':', 1);
    const bool byKey = how.startsWith("ring:");
    auto open = [&] {
        if (!byKey) {
            QVERIFY(TestUtil::clickElement(window->homeView(), selector));
            return;
        }
        // The ring is put on the icon, and Return opens what it is under it.
        home(QStringLiteral("setRing($(\"%1\")[0])").arg(selector));
        QTest::keyClick(window->homeView(), Qt::Key_Return);
    };
    home(QStringLiteral("openit('%1', '%2', '%1')").arg(app, app == "Mail" ? "sp" : "st"));
    QWidget *first = stack->currentWidget();
    QVERIFY(first && stack->count() == 1);
    server->route("/other", "<html><body>other</body></html>");
    QVERIFY(openFromHome("Other", server->url("/other").toString()));
    home("$('#start').click()");

    open();
    QCOMPARE(stack->count(), 2);
    QCOMPARE(stack->currentWidget(), first);
    QCOMPARE(home("$('#dockapps a').length").toInt(), 2);
    QVERIFY(highlightOnTop());
    QCOMPARE(QApplication::focusWidget(), first);
    if (byKey)
        return; // Return is the page's while an app is on top
    // From in front of another app too.
    home("$('#dockapps a:eq(1)').click()");
    open();
    QCOMPARE(stack->count(), 2);
    QCOMPARE(stack->currentWidget(), first);
    QVERIFY(highlightOnTop());
}

void TestStackSlots::switchingKeys_data()
{
    QTest::addColumn<AppView::Engine>("engine");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("to"); // the focused page, the home view or the window
    QTest::addColumn<int>("onTop");  // -1: the home screen
    QTest::addColumn<int>("pages");
    const int alt = Qt::AltModifier, ctrl = Qt::ControlModifier, shift = Qt::ShiftModifier;
    for (AppView::Engine e : {AppView::Engine::WebKit, AppView::Engine::WebEngine}) {
        const QByteArray n = QByteArray(TestUtil::nameOf(e)) + ", ";
        QTest::newRow(n + "Alt+Tab wraps") << e << int(Qt::Key_Tab) << alt << "page" << 0 << 3;
        QTest::newRow(n + "Ctrl+Tab") << e << int(Qt::Key_Tab) << ctrl << "window" << 0 << 3;
        QTest::newRow(n + "Alt+Shift+Tab")
            << e << int(Qt::Key_Tab) << (alt | shift) << "page" << 1 << 3;
        QTest::newRow(n + "Ctrl+Backtab")
            << e << int(Qt::Key_Backtab) << (ctrl | shift) << "page" << 1 << 3;
        QTest::newRow(n + "Ctrl+W") << e << int(Qt::Key_W) << ctrl << "page" << 1 << 2;
        QTest::newRow(n + "Ctrl+W to the window")
            << e << int(Qt::Key_W) << ctrl << "window" << 1 << 2;
        QTest::newRow(n + "Super") << e << int(Qt::Key_Super_L) << 0 << "page" << -1 << 3;
        QTest::newRow(n + "Super on the home view")
            << e << int(Qt::Key_Super_R) << 0 << "home" << -1 << 3;
        QTest::newRow(n + "Ctrl+Escape") << e << int(Qt::Key_Escape) << ctrl << "page" << -1 << 3;
        QTest::newRow(n + "Escape is the page's")
            << e << int(Qt::Key_Escape) << 0 << "page" << 2 << 3;
        QTest::newRow(n + "Space is the page's")
            << e << int(Qt::Key_Space) << 0 << "page" << 2 << 3;
        QTest::newRow(n + "Left is the page's") << e << int(Qt::Key_Left) << 0 << "page" << 2 << 3;
        QTest::newRow(n + "Tab is the page's") << e << int(Qt::Key_Tab) << 0 << "page" << 2 << 3;
    }
}

// The keys other than modifiers that reach a widget after the application's
// own filters (the shell's keys among them) have had their say.
class KeyWitness : public QObject
{
public:
    explicit KeyWitness(QWidget *widget) { widget->installEventFilter(this); }
    int presses = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        switch (static_cast<QKeyEvent *>(event)->key()) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_Meta:
        case Qt::Key_Super_L:
        case Qt::Key_Super_R:
            break;
        default:
            ++presses;
        }
        return false;
    }
};

void TestStackSlots::switchingKeys()
{
    QFETCH(AppView::Engine, engine);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, to);
    QFETCH(int, onTop);
    QFETCH(int, pages);
    QVERIFY(TestUtil::chooseEngine(window->paths(), engine));
    // Keys other than the modifiers that come with them (Super has no code).
    const QList<AppView *> views =
        openApps(3, "<script>window.keys = []; document.addEventListener('keydown',"
                    " function (e) { if ([0, 16, 17, 18, 91, 92].indexOf(e.keyCode) < 0)"
                    " keys.push(e.keyCode); }, true);</script>");
    QVERIFY(!views.contains(nullptr));
    AppView *top = views[2];
    QCOMPARE(top->engine(), engine);
    // The key goes where the user's focus is: inside QtWebEngine's view, the
    // widget that it makes to take keys.
    top->focus();
    QWidget *page = PageScript::keyTarget(top);
    QTRY_COMPARE(QApplication::focusWidget(), page);
    KeyWitness witness(page);
    QWidget *target = to == "page"   ? page
                      : to == "home" ? static_cast<QWidget *>(window->homeView())
                                     : static_cast<QWidget *>(window);
    QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));

    QStackedWidget *stack = window->stack();
    QCOMPARE(stack->count(), pages);
    QCOMPARE(home("$('#dockapps a').length").toInt(), pages);
    if (onTop < 0) {
        QVERIFY(!stack->isVisible());
        QCOMPARE(home("vantara.appOnTop()").toInt(), -1);
        QCOMPARE(home("$('#closeme').is(':visible')").toBool(), false);
    } else {
        QCOMPARE(stack->currentIndex(), onTop);
        QVERIFY(highlightOnTop());
    }
    // The page saw a key only when it was its own: the shell's keys never
    // reach the page's widget, and the page's own reach its script.
    const bool pagesKey = onTop == 2 && pages == 3;
    QCOMPARE(witness.presses > 0, pagesKey);
    if (pagesKey)
        QTRY_VERIFY(PageScript::run(top, "keys.length").toInt() > 0);
}

void TestStackSlots::overviewOfTheOpenApps_data()
{
    TestUtil::engineRows();
}

namespace
{
bool near(QRgb pixel, QColor colour)
{
    return qAbs(qRed(pixel) - colour.red()) + qAbs(qGreen(pixel) - colour.green()) +
               qAbs(qBlue(pixel) - colour.blue()) <
           60;
}

bool shows(const QImage &picture, QColor colour)
{
    return !picture.isNull() &&
           near(picture.pixel(picture.width() / 2, picture.height() / 2), colour);
}

void touch(QWidget *widget, QEvent::Type type, const QPoint &at)
{
    QMouseEvent e(type, at, widget->mapToGlobal(at), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                  Qt::NoModifier);
    QApplication::sendEvent(widget, &e);
}
} // namespace

// Every open app as a card with a picture of its page, QtWebEngine's too; a
// tap shows it, a swipe up or the close control closes it as its tab would.
void TestStackSlots::overviewOfTheOpenApps()
{
    QFETCH(AppView::Engine, engine);
    QVERIFY(TestUtil::chooseEngine(window->paths(), engine));
    QVERIFY(!AppOverview::of(*window));
    const QList<QColor> colours{QColor(200, 30, 30), QColor(30, 160, 40), QColor(30, 40, 200)};
    QList<AppView *> views;
    for (int i = 0; i < colours.size(); ++i) {
        const QByteArray path = "/app" + QByteArray::number(i);
        server->route(path, "<html><head><title>App " + QByteArray::number(i) +
                                "</title></head><body style='background:" +
                                colours[i].name().toLatin1() + "'></body></html>");
        views << openFromHome(QStringLiteral("App %1").arg(i), server->url(path).toString());
        QVERIFY(views.last());
        QCOMPARE(views.last()->engine(), engine);
        // As a user sees it before moving on.
        QTRY_VERIFY(shows(views.last()->picture(), colours[i]));
    }
    home("$('#RDesktop').click()");
    AppOverview *overview = AppOverview::of(*window);
    QVERIFY(overview && overview->isVisible());
    QCOMPARE(overview->cardCount(), 3);
    QCOMPARE(overview->pickedCard(), 2);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(overview->nameOf(i), QStringLiteral("App %1").arg(i));
        QVERIFY2(shows(overview->pictureOf(i), colours[i]), qPrintable(QString::number(i)));
    }
    // The cards lie within the window, apart.
    QVERIFY(overview->rect().contains(overview->cardArea(0)));
    QVERIFY(!overview->cardArea(0).intersects(overview->cardArea(1)));

    // A tap shows the app, as its tab does.
    QTest::mouseClick(overview, Qt::LeftButton, Qt::NoModifier, overview->cardArea(0).center());
    QVERIFY(!overview->isVisible());
    QCOMPARE(window->stack()->currentIndex(), 0);
    QVERIFY(highlightOnTop());

    // Super+Tab shows it too; a swipe up closes the app.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::MetaModifier);
    QVERIFY(overview->isVisible());
    QCOMPARE(overview->pickedCard(), 0);
    QPointer<QWidget> second = views[1]->widget();
    const QPoint from = overview->cardArea(1).center();
    touch(overview, QEvent::MouseButtonPress, from);
    for (int step = 1; step <= 10; ++step)
        touch(overview, QEvent::MouseMove, from - QPoint(0, step * 30));
    touch(overview, QEvent::MouseButtonRelease, from - QPoint(0, 300));
    QCOMPARE(window->stack()->count(), 2);
    QCOMPARE(tabs(), QStringList({"App 0", "App 2"}));
    QCOMPARE(overview->cardCount(), 2);
    QTRY_VERIFY(!second);
    // Its close control.
    QTest::mouseClick(overview, Qt::LeftButton, Qt::NoModifier, overview->closeControl(1).center());
    QCOMPARE(tabs(), QStringList({"App 0"}));
    QCOMPARE(window->stack()->count(), 1);
    QCOMPARE(overview->nameOf(0), QStringLiteral("App 0"));
    // Escape: the app in front before stays.
    QTest::keyClick(overview, Qt::Key_Escape);
    QVERIFY(!overview->isVisible());
    QCOMPARE(window->stack()->currentWidget(), views[0]->widget());
    QVERIFY(highlightOnTop());

    // From the home screen, the home screen comes back: by Escape, by a tap
    // beside the cards, after a close, and by the Super key.
    server->route("/other", "<html><head><title>Other</title></head></html>");
    QVERIFY(openFromHome("Other", server->url("/other").toString()));
    home("$('#start').click()");
    for (const char *leave : {"escape", "tap", "close", "super"}) {
        home("$('#RDesktop').click()");
        QVERIFY(overview->isVisible());
        QCOMPARE(AppOverview::of(*window), overview);
        if (QByteArray(leave) == "escape")
            QTest::keyClick(overview, Qt::Key_Escape);
        else if (QByteArray(leave) == "tap")
            QTest::mouseClick(overview, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
        else if (QByteArray(leave) == "super")
            QTest::keyClick(overview, Qt::Key_Super_L);
        else {
            QTest::keyClick(overview, Qt::Key_Delete);
            QVERIFY(overview->isVisible());
            QTest::keyClick(overview, Qt::Key_Escape);
        }
        QVERIFY2(!overview->isVisible(), leave);
        QVERIFY2(!window->stack()->isVisible(), leave);
        QCOMPARE(home("vantara.appOnTop()").toInt(), -1);
    }
    // Delete closed the first card's app.
    QCOMPARE(tabs(), QStringList({"Other"}));
}

void TestStackSlots::aPageThatAsksLeavesTheShellFree_data()
{
    QTest::addColumn<AppView::Engine>("engine");
    QTest::addColumn<QString>("action"); // key, click: on the home page, slot: of the window
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("onTop"); // -1: the home screen
    QTest::addColumn<int>("pages");
    const int alt = Qt::AltModifier, ctrl = Qt::ControlModifier, none = 0;
    struct Row {
        const char *name;
        const char *action;
        int key, modifiers, onTop, pages;
    };
    const Row rows[] = {
        {"Ctrl+Escape", "key", Qt::Key_Escape, ctrl, -1, 3},
        {"Super", "key", Qt::Key_Super_L, none, -1, 3},
        {"Alt+Tab", "key", Qt::Key_Tab, alt, 0, 3},
        {"Ctrl+W", "key", Qt::Key_W, ctrl, 1, 2},
        {"home button", "click:#start", 0, none, -1, 3},
        {"tab", "click:#dockapps a:eq(0)", 0, none, 0, 3},
        {"close control", "click:#closeme", 0, none, 1, 2},
        {"homescreen()", "slot:homescreen", 0, none, -1, 3},
        {"appswitch(0)", "slot:appswitch", 0, none, 0, 3},
        {"closeapp()", "slot:closeapp", 0, none, 1, 2},
    };
    for (AppView::Engine e : {AppView::Engine::WebKit, AppView::Engine::WebEngine})
        for (const Row &r : rows)
            QTest::addRow("%s, %s", r.name, TestUtil::nameOf(e))
                << e << QString::fromLatin1(r.action) << r.key << r.modifiers << r.onTop << r.pages;
}

// An app whose page asks again and again (alert in a loop): while its dialog
// is up, the shell's keys, the home page's controls and the window's slots
// all still work, and closing the app ends the dialog and releases the page.
void TestStackSlots::aPageThatAsksLeavesTheShellFree()
{
    QFETCH(AppView::Engine, engine);
    QFETCH(QString, action);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, onTop);
    QFETCH(int, pages);
    QVERIFY(TestUtil::chooseEngine(window->paths(), engine));
    const QList<AppView *> apps = openApps(3);
    QVERIFY(!apps.contains(nullptr));
    QCOMPARE(apps[2]->engine(), engine);
    QPointer<QWidget> asking = apps[2]->widget();
    QStackedWidget *stack = window->stack();
    bool focusInDialog = false;
    bool asExpected = false;
    int pagesThen = 0;
    int tabsThen = 0;
    QList<DialogSteps::Step> list{[&](DialogOverlay *dialog) {
        QPointer<DialogOverlay> shown = dialog;
        focusInDialog = dialog->isAncestorOf(QApplication::focusWidget());
        if (action == "key") {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key),
                            Qt::KeyboardModifiers(modifiers));
        } else if (action.startsWith("click:")) {
            QVERIFY(TestUtil::clickElement(window->homeView(), action.mid(6)));
        } else if (action == "slot:appswitch") {
            QVERIFY(QMetaObject::invokeMethod(window, "appswitch", Q_ARG(int, 0)));
        } else {
            QVERIFY(QMetaObject::invokeMethod(window, qPrintable(action.mid(5))));
        }
        // A slot called alone leaves the home page's tabs as they were.
        const bool tabFollows = !action.startsWith("slot:");
        asExpected = onTop < 0 ? !stack->isVisible()
                               : stack->isVisible() && stack->currentIndex() == onTop &&
                                     (!tabFollows || highlightOnTop());
        pagesThen = stack->count();
        tabsThen = home("$('#dockapps a').length").toInt();
        if (pages == 3)
            DialogSteps::click(shown, "dialogAccept");
    }};
    if (pages == 3) {
        list << [](DialogOverlay *dialog) {
            DialogSteps::click(dialog, "dialogStop");
            DialogSteps::click(dialog, "dialogAccept");
        };
    }
    DialogSteps steps(list);
    PageScript::run(apps[2], "var count = 0;"
                             " setTimeout(function ask() { count++; alert('Again ' + count);"
                             " setTimeout(ask, 20); }, 0)");
    QTRY_VERIFY(steps.done());
    QVERIFY(focusInDialog);
    QVERIFY(asExpected);
    QCOMPARE(pagesThen, pages);
    QCOMPARE(tabsThen, pages);
    if (pages == 2) {
        QTRY_VERIFY(!asking);
        QCOMPARE(steps.count(), 1);
    } else {
        // Stopped at the second: it goes on asking, answered at once.
        // (A page out of sight runs its timers once a second in QtWebEngine.)
        QTRY_VERIFY_WITH_TIMEOUT(PageScript::run(apps[2], "count").toInt() > 5, 20000);
        QCOMPARE(steps.count(), 2);
    }
}

void TestStackSlots::openAppsComeBackAfterARestart_data()
{
    QTest::addColumn<QString>("quit"); // power control, window closing, logout
    QTest::addColumn<int>("front");    // tab in front at quit, -1 the home screen
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QString>("goneBefore"); // app removed before the restart
    QTest::addColumn<QByteArray>("session"); // replaces the saved session when set
    QTest::addColumn<QStringList>("reopened");
    QTest::addColumn<QString>("expectedFront"); // empty: the home screen

    // Tabs at quit: One, a web page (no app: not kept), Two, Three.
    const QStringList all{"One", "Two", "Three"};
    QTest::newRow("power control")
        << "power" << 2 << QByteArray() << "" << QByteArray() << all << "Two";
    QTest::newRow("window closing")
        << "close" << 3 << QByteArray() << "" << QByteArray() << all << "Three";
    QTest::newRow("home in front")
        << "power" << -1 << QByteArray() << "" << QByteArray() << all << "";
    QTest::newRow("web page in front")
        << "power" << 1 << QByteArray() << "" << QByteArray() << all << "";
    QTest::newRow("gone app skipped") << "power" << 3 << QByteArray() << "Two" << QByteArray()
                                      << QStringList{"One", "Three"} << "Three";
    QTest::newRow("turned off") << "power" << 2
                                << QByteArray(
                                       "<settings><restoreApps>false</restoreApps></settings>")
                                << "" << QByteArray() << QStringList() << "";
    QTest::newRow("damaged file") << "power" << 2 << QByteArray() << ""
                                  << QByteArray("<vantara-session top=\"0\"><app name=\"One\"")
                                  << QStringList() << "";
    QTest::newRow("foreign file") << "power" << 2 << QByteArray() << ""
                                  << QByteArray("<other top=\"0\"><app name=\"One\"/></other>")
                                  << QStringList() << "";
    QTest::newRow("names leaving Apps")
        << "power" << 2 << QByteArray() << ""
        << QByteArray("<vantara-session top=\"1\"><app name=\"../One\"/>"
                      "<app name=\"Two\"/><app name=\"\"/>"
                      "</vantara-session>")
        << QStringList{"Two"} << "Two";
    QTest::newRow("logout") << "logout" << 0 << QByteArray() << "" << QByteArray() << all << "One";
}

void TestStackSlots::openAppsComeBackAfterARestart()
{
    QFETCH(QString, quit);
    QFETCH(int, front);
    QFETCH(QByteArray, settings);
    QFETCH(QString, goneBefore);
    QFETCH(QByteArray, session);
    QFETCH(QStringList, reopened);
    QFETCH(QString, expectedFront);

    QTemporaryDir root;
    QVERIFY(startOver(root.path(), {"One", "Two", "Three"}));
    // Three is a web app elsewhere: it comes back in QtWebEngine.
    server->route("/three", "<html><head><title>Three</title></head></html>");
    QVERIFY(TestUtil::writeFile(root.path() + "/Apps/Three/app.con",
                                AppDescriptor::webDescriptor(server->url("/three").toString())));
    const ShellPaths paths = ShellPaths::under(root.path());
    if (!settings.isEmpty())
        QVERIFY(TestUtil::writeFile(paths.settingsFile(), settings));
    server->route("/web", "<html><head><title>Web</title></head></html>");
    QVERIFY(TestUtil::openFromHome(window, "One", "web", "One"));
    QVERIFY(openFromHome("Web", server->url("/web").toString()));
    QVERIFY(TestUtil::openFromHome(window, "Two", "web", "Two"));
    QVERIFY(TestUtil::openFromHome(window, "Three", "web", "Three"));
    home(front < 0 ? QString("$('#start').click()")
                   : QString("$('#dockapps a:eq(%1)').click()").arg(front));

    if (quit == "power") {
        TestUtil::recordMessages();
        TestUtil::answerQuestions(true);
        home("$('#qt').click()");
    } else if (quit == "close")
        window->close();
    else
        QVERIFY(QMetaObject::invokeMethod(qApp, "aboutToQuit"));
    QCOMPARE(QFile::exists(paths.sessionFile()), settings.isEmpty());
    if (!session.isEmpty())
        QVERIFY(TestUtil::writeFile(paths.sessionFile(), session));
    if (!goneBefore.isEmpty())
        QVERIFY(QDir(root.path() + "/Apps/" + goneBefore).removeRecursively());

    QVERIFY(startOver(root.path()));
    QTRY_COMPARE(tabs(), reopened);
    QCOMPARE(window->stack()->count(), reopened.size());
    if (expectedFront.isEmpty()) {
        QCOMPARE(home("vantara.appOnTop()").toInt(), -1);
    } else {
        QVERIFY(window->stack()->isVisible());
        QTRY_COMPARE(window->stack()->currentWidget()->objectName(), expectedFront);
        QCOMPARE(selectedTab(), expectedFront);
    }
    // Each page starts when its tab is first shown, in its own place.
    for (int i = 0; i < reopened.size(); ++i) {
        home(QString("$('#dockapps a:eq(%1)').click()").arg(i));
        QTRY_VERIFY(AppView::of(window->stack()->currentWidget()));
        QCOMPARE(window->stack()->currentIndex(), i);
        QCOMPARE(AppView::of(window->stack()->currentWidget())->engine(),
                 reopened.at(i) == "Three" ? AppView::Engine::WebEngine : AppView::Engine::WebKit);
    }
    QCOMPARE(openApps(), reopened);
    QTRY_COMPARE(tabs(), reopened);
}

void TestStackSlots::restoredTabsStartWhenFirstShown()
{
    QTemporaryDir root;
    const ShellPaths paths = ShellPaths::under(root.path());
    // The dock's Music and Photos, with three songs and two pictures.
    for (const QString &dock : QStringList{"Music.map", "Photos.map"}) {
        const QDir from(window->appsFolder() + "/" + dock);
        for (const QString &file : from.entryList(QDir::Files))
            QVERIFY(TestUtil::writeFile(root.path() + "/Apps/" + dock + "/" + file,
                                        TestUtil::readFile(from.filePath(file))));
    }
    for (const QString &song : QStringList{"a.mp3", "b.mp3", "c.mp3"})
        QVERIFY(TestUtil::writeFile(paths.musicFolder() + "/" + song, "ID3"));
    for (const QString &picture : QStringList{"x.png", "y.png"})
        QVERIFY(TestUtil::writeFile(paths.picturesFolder() + "/" + picture, "PNG"));
    server->route("/first", "<html><head><title>First</title></head></html>");
    server->route("/second", "<html><head><title>Second</title></head></html>");
    QVERIFY(TestUtil::writeFile(paths.sessionFile(),
                                "<vantara-session top=\"0\"><app name=\"Google\" kind=\"browser\" "
                                "address=\"" +
                                    server->url("/first").toEncoded() +
                                    "\"/><app name=\"Music.map\"/><app name=\"Photos.map\"/>"
                                    "<app name=\"Mail\" kind=\"mail\"/><app name=\"One\"/>"
                                    "</vantara-session>"));
    QImage icon(8, 8, QImage::Format_RGB32);
    icon.fill(Qt::red);
    QVERIFY(QDir().mkpath(root.path() + "/Apps/One"));
    QVERIFY(icon.save(root.path() + "/Apps/One/icon.png"));
    QVERIFY(startOver(root.path(), {"One"}));

    // The Browser was in front: it alone loads, at its last address.
    QTRY_COMPARE(tabs(), QStringList({"First", "Music", "Photos", "Mail", "One"}));
    QStackedWidget *stack = window->stack();
    QCOMPARE(stack->count(), 5);
    QCOMPARE(stack->currentIndex(), 0);
    AppView *browser = AppView::of(stack->widget(0));
    QVERIFY(browser);
    QCOMPARE(browser->url(), server->url("/first"));
    for (int i = 1; i < 5; ++i)
        QVERIFY(!AppView::of(stack->widget(i)) && stack->widget(i)->objectName() != "Mail");

    // Each starts as a tap starts it, once shown, and hears its own answers.
    const QStringList counts{"", "3 songs", "2 photos"};
    for (int i = 1; i < 3; ++i) {
        home(QString("$('#dockapps a:eq(%1)').click()").arg(i));
        QTRY_VERIFY(AppView::of(stack->currentWidget()));
        QCOMPARE(stack->currentIndex(), i);
        AppView *view = AppView::of(stack->currentWidget());
        QTRY_COMPARE(PageScript::textOf(view, "count"), counts.at(i));
    }
    // Each tab keeps its own icon.
    const auto tabIcon = [this](int i) {
        return home(QString("$('#dockapps a:eq(%1) img').attr('src')").arg(i)).toString();
    };
    QVERIFY(tabIcon(1).endsWith("/Music.map//icon.png"));
    QVERIFY(tabIcon(2).endsWith("/Photos.map//icon.png"));
    QVERIFY(tabIcon(4).endsWith("/One//icon.png"));
    home("$('#dockapps a:eq(3)').click()");
    QTRY_COMPARE(stack->currentWidget()->objectName(), QStringLiteral("Mail"));
    QCOMPARE(tabIcon(3), QStringLiteral("assets/ios7/mail.png"));
    QCOMPARE(stack->currentIndex(), 3);
    QTRY_COMPARE(tabs(), QStringList({"First", "Music", "Photos", "Mail", "One"}));
    QCOMPARE(openApps().mid(1, 3), QStringList({"Music.map", "Photos.map", "Mail"}));

    // The Browser's address then is the one kept; One was never shown.
    QVERIFY(TestUtil::loadUntilTitled(browser, server->url("/second"), "Second"));
    home("$('#start').click()");
    TestUtil::recordMessages();
    TestUtil::answerQuestions(true);
    home("$('#qt').click()");
    QVERIFY(!window->isVisible());
    QVERIFY(startOver(root.path()));
    QTRY_COMPARE(tabs(), QStringList({"Browser", "Music", "Photos", "Mail", "One"}));
    QCOMPARE(home("vantara.appOnTop()").toInt(), -1);
    for (int i = 0; i < 5; ++i)
        QVERIFY(!AppView::of(window->stack()->widget(i)));
    QCOMPARE(server->requestCount("/second"), 1);
    home("$('#dockapps a:eq(0)').click()");
    QTRY_VERIFY(AppView::of(window->stack()->currentWidget()));
    QTRY_COMPARE(AppView::of(window->stack()->currentWidget())->url(), server->url("/second"));
    QTRY_COMPARE(tabs(), QStringList({"Second", "Music", "Photos", "Mail", "One"}));
}

void TestStackSlots::appFoldersCopiedInJoinWithoutARestart()
{
    QTemporaryDir root;
    QVERIFY(startOver(root.path(), {"Alpha", "Gamma"}));
    const QString apps = root.path() + "/Apps";
    QCOMPARE(keys("#swipe_container com a"), QStringList({"Alpha", "Gamma"}));

    // A folder copied in, file by file, joins once; it opens as any app.
    QVERIFY(TestUtil::writeFile(apps + "/Beta/app.con", "<config><apptype>local</apptype>"
                                                        "<applink>index.html</applink></config>"));
    QVERIFY(TestUtil::writeFile(apps + "/Beta/index.html",
                                "<html><head><title>Beta page</title></head></html>"));
    QImage icon(8, 8, QImage::Format_RGB32);
    icon.fill(Qt::green);
    QVERIFY(icon.save(apps + "/Beta/icon.png"));
    QTRY_COMPARE(keys("#swipe_container com a"), QStringList({"Alpha", "Gamma", "Beta"}));
    QVERIFY(home("$('#swipe_container a[data-name=Beta] .icona').css('background-image')")
                .toString()
                .contains("/Beta//icon.png"));
    home("$('#swipe_container a[data-name=Beta]').click()");
    QTRY_VERIFY(AppView::of(window->stack()->currentWidget()));
    QTRY_COMPARE(AppView::of(window->stack()->currentWidget())->title(),
                 QStringLiteral("Beta page"));
    home("$('#start').click()");

    // A folder taken out leaves; an installed app is not shown twice.
    QVERIFY(QDir(apps + "/Alpha").removeRecursively());
    QTRY_COMPARE(keys("#swipe_container com a"), QStringList({"Gamma", "Beta"}));
    QVERIFY(
        TestUtil::writeFile(apps + "/Delta/app.con", AppDescriptor::webDescriptor("http://x/")));
    home("createwebapp('', 'Delta', 'http://x/')");
    QVERIFY(
        TestUtil::writeFile(apps + "/Epsilon/app.con", AppDescriptor::webDescriptor("http://y/")));
    QTRY_COMPARE(keys("#swipe_container com a"),
                 QStringList({"Gamma", "Beta", "Delta", "Epsilon"}));
}

void TestStackSlots::iconsKeepTheirPlacesAfterARestart()
{
    QTemporaryDir root;
    QVERIFY(startOver(root.path(), {"Alpha", "Beta", "Gamma", "Delta"}));
    const QStringList dockOwn{"Google", "Mail", "Music.map", "Photos.map"};
    QCOMPARE(keys("#swipe_container com a"), QStringList({"Alpha", "Beta", "Delta", "Gamma"}));
    QCOMPARE(keys(".dock ul a"), dockOwn);

    // Real drags: Gamma onto Alpha, Delta into the dock, Mail into the grid.
    dragIcon("#swipe_container a[data-name=Gamma]", "#swipe_container a[data-name=Alpha]");
    dragIcon("#swipe_container a[data-name=Delta]", ".dock a[data-name='Music.map']");
    dragIcon(".dock a[data-name=Mail]", "#swipe_container a[data-name=Beta]");
    // Each lands where it was let go: in the grid in the place of the icon
    // under it, in the dock (whose items close up for it) beside Music.
    const QStringList grid = keys("#swipe_container com a");
    const QStringList dock = keys(".dock ul a");
    QCOMPARE(grid, QStringList({"Gamma", "Alpha", "Mail", "Beta"}));
    QCOMPARE(dock.size(), 4);
    QCOMPARE(qAbs(dock.indexOf("Delta") - dock.indexOf("Music.map")), 1);
    QVERIFY(!dock.contains("Mail"));
    // What is not an arrangement is refused and changes nothing.
    QCOMPARE(home("vantara.saveArrangement('{\"pages\": 5, \"dock\": []}')").toBool(), false);
    QCOMPARE(home("vantara.saveArrangement('not json')").toBool(), false);

    // Beta is removed and Epsilon installed while the shell is not running.
    QVERIFY(QDir(root.path() + "/Apps/Beta").removeRecursively());
    QVERIFY(startOver(root.path(), {"Epsilon"}));
    QStringList expected = grid;
    expected.removeAll("Beta");
    expected << "Epsilon";
    QCOMPARE(keys("#swipe_container com a"), expected);
    QCOMPARE(keys(".dock ul a"), dock);
    // The moved dock item still opens as itself.
    QCOMPARE(home("$('#swipe_container a[data-name=Mail]').attr('data-type')").toString(),
             QStringLiteral("sp"));
}

void TestStackSlots::removingAnAppFromItsIcon_data()
{
    QTest::addColumn<QString>("app");
    QTest::addColumn<QString>("how"); // right click, long press, call
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("offered");
    QTest::addColumn<bool>("removed");

    QTest::newRow("right click, yes") << "Two"
                                      << "right" << true << true << true;
    QTest::newRow("long press, yes") << "Two"
                                     << "long" << true << true << true;
    QTest::newRow("answered no") << "Two"
                                 << "right" << false << true << false;
    QTest::newRow("link pointing outside") << "Linked"
                                           << "right" << true << true << true;
    QTest::newRow("folder with a link outside") << "Three"
                                                << "right" << true << true << true;
    QTest::newRow("dock item") << "Music.map"
                               << "right" << true << false << false;
    QTest::newRow("dock item by call") << "Music.map"
                                       << "call" << true << false << false;
    QTest::newRow("name leaving Apps") << "../Outside"
                                       << "call" << true << false << false;
    QTest::newRow("no such app") << "Nine"
                                 << "call" << true << false << false;
}

void TestStackSlots::removingAnAppFromItsIcon()
{
    QFETCH(QString, app);
    QFETCH(QString, how);
    QFETCH(bool, answer);
    QFETCH(bool, offered);
    QFETCH(bool, removed);

    QTemporaryDir root;
    // Outside the Apps folder: what links point to, which must stay.
    const QString outside = root.path() + "/Outside";
    QVERIFY(TestUtil::writeFile(outside + "/app.con", "<config><apptype>local</apptype>"
                                                      "<applink>index.html</applink></config>"));
    QVERIFY(TestUtil::writeFile(outside + "/index.html", "<title>Linked</title>"));
    QDir().mkpath(root.path() + "/Apps/Music.map");
    QDir().mkpath(root.path() + "/Apps/Three");
    QVERIFY(QFile::link(outside, root.path() + "/Apps/Linked"));
    QVERIFY(QFile::link(outside, root.path() + "/Apps/Three/data"));
    QVERIFY(startOver(root.path(), {"One", "Two", "Three"}));
    const QString entry = root.path() + "/Apps/" + app;
    const bool existed = QFileInfo(entry).exists();
    // Pages of the app and of another one are open.
    QVERIFY(TestUtil::openFromHome(window, "One", "web", "One"));
    if (app == "Two" || app == "Three")
        QVERIFY(TestUtil::openFromHome(window, app, "web", app));
    const QStringList openBefore = openApps();
    const QStringList *messages = TestUtil::recordMessages();
    TestUtil::answerQuestions(answer);

    const QString icon = QString("a[data-name='%1']").arg(app);
    const bool shown = home(QString("$(\"%1\").length").arg(icon)).toInt() > 0;
    if (how == "call") {
        QCOMPARE(home("vantara.removeApp('" + app + "')").toBool(), removed);
    } else {
        const QPoint at = TestUtil::centreOf(window->homeView(), icon);
        QVERIFY(!at.isNull());
        if (how == "right") {
            sendMouse(QEvent::MouseButtonPress, at, Qt::RightButton);
            QContextMenuEvent menu(QContextMenuEvent::Mouse, at,
                                   window->homeView()->mapToGlobal(at));
            QApplication::sendEvent(window->homeView(), &menu);
            sendMouse(QEvent::MouseButtonRelease, at, Qt::RightButton);
        } else {
            sendMouse(QEvent::MouseButtonPress, at, Qt::LeftButton);
            QTest::qWait(1200);
            sendMouse(QEvent::MouseButtonRelease, at, Qt::LeftButton);
            // The press opened nothing.
            QCOMPARE(openApps(), openBefore);
        }
        QCOMPARE(home("$('#removeMenu').is(':visible')").toBool(), offered);
        if (offered)
            QVERIFY(TestUtil::clickElement(window->homeView(), "#removeMenu a"));
    }

    QCOMPARE(messages->size(), offered ? 1 : 0);
    if (offered)
        QVERIFY(messages->first().contains("\"" + app + "\""));
    QCOMPARE(QFileInfo(entry).exists() || QFileInfo(entry).isSymLink(), existed && !removed);
    QCOMPARE(home(QString("$(\"%1\").length").arg(icon)).toInt() > 0, shown && !removed);
    QStringList openAfter = openBefore;
    if (removed)
        openAfter.removeAll(app);
    QTRY_COMPARE(openApps(), openAfter);
    QCOMPARE(tabs(), openAfter);
    // What a link pointed to is untouched.
    QVERIFY(QFile::exists(outside + "/index.html"));
    QCOMPARE(QFileInfo(root.path() + "/Apps/Music.map").isDir(), true);
    Messages::dismissAutomatically({});
}

void TestStackSlots::notificationsBannersAndBadges_data()
{
    TestUtil::engineRows();
}

// A page's notifications, after the user allowed them: banner, list, badges
// on icon and tab, a tap that brings the app forward, quiet on request, the
// desktop's service told, and a flood bounded.
void TestStackSlots::notificationsBannersAndBadges()
{
    QFETCH(AppView::Engine, engine);
    QVERIFY(TestUtil::chooseEngine(window->paths(), engine));
    QTemporaryDir logFolder;
    const QString log = logFolder.filePath("service.log");
    QProcess service;
    QVERIFY(startDesktopService(service, log));
    const QByteArray page = notifyingPage;
    server->route("/mail", page);
    // Another site, whose answer the engine keeps apart.
    TestHttpServer other;
    QVERIFY(other.start());
    other.route("/mail", page);
    QStringList questions;
    bool allow = false;
    Messages::dismissAutomatically([](const QString &) {});
    Messages::answerAutomatically([&](const QString &question) {
        questions << question;
        return allow;
    });

    // Not allowed: nothing shows, and the page is not asked about again.
    AppView *quiet = openFromHome("Quiet", other.url("/mail").toString());
    QVERIFY(quiet);
    for (int i = 0; i < 2; ++i) {
        PageScript::run(quiet, "document.title = 'x'; notify('Hello', 'World')");
        QTRY_COMPARE(PageScript::run(quiet, "document.title").toString(),
                     QStringLiteral("asked denied"));
    }
    QCOMPARE(questions.size(), 1);
    QVERIFY2(questions[0].contains("Quiet") && questions[0].contains("show you notifications"),
             qPrintable(questions[0]));
    QCOMPARE(home("vantara.notifications().length").toInt(), 0);
    QVERIFY(!bannerShown());

    // Allowed, while the home screen is in front: a banner, an entry, badges.
    allow = true;
    AppView *mail = openFromHome("Inbox", server->url("/mail").toString());
    QVERIFY(mail);
    home("$('#start').click()");
    PageScript::run(mail, "notify('Hello <b>there</b>', 'Line one\\n\\nline <i>two</i>')");
    QTRY_VERIFY(bannerShown());
    QCOMPARE(questions.size(), 2);
    QStringList texts;
    for (QLabel *label : banner()->findChildren<QLabel *>())
        if (!label->text().isEmpty()) {
            QCOMPARE(label->textFormat(), Qt::PlainText);
            texts << label->text();
        }
    QCOMPARE(texts, QStringList({"Inbox: Hello <b>there</b>", "Line one line <i>two</i>"}));
    QTRY_COMPARE(home("$('#notes a.note b').text()").toString(),
                 QStringLiteral("Inbox: Hello <b>there</b>"));
    QCOMPARE(home("$('#notes a.note p').text()").toString(),
             QStringLiteral("Line one line <i>two</i>"));
    QCOMPARE(home("$('#notes a.note i').length").toInt(), 0);
    QCOMPARE(tabBadge(1), QStringLiteral("1"));
    QCOMPARE(tabBadge(0), QString());
    QCOMPARE(home("vantara.badges().apps['Inbox']").toInt(), 1);
    QCOMPARE(home("$('#bellcount').text()").toString(), QStringLiteral("1"));
    QTRY_COMPARE(desktopNotifications(log).size(), 1);
    QVERIFY2(desktopNotifications(log)[0].contains("Hello <b>there</b>") &&
                 desktopNotifications(log)[0].contains("Line one line &lt;i&gt;two&lt;/i&gt;"),
             qPrintable(desktopNotifications(log)[0]));

    // A tap on the banner brings the app forward; what it sent is seen.
    QTest::mouseClick(banner(), Qt::LeftButton, {}, QPoint(20, 10));
    QTRY_VERIFY(window->stack()->isVisible());
    QCOMPARE(window->stack()->currentWidget(), mail->widget());
    QVERIFY(highlightOnTop());
    QVERIFY(!bannerShown());
    QTRY_COMPARE(tabBadge(1), QString());
    QTRY_COMPARE(PageScript::run(mail, "document.title").toString(),
                 QStringLiteral("tapped Hello <b>there</b>"));

    // A count the title leads with counts on the tab.
    const struct {
        const char *title;
        int count;
    } titles[] = {{"(7) Inbox", 7},
                  {"Inbox (5)", 0},
                  {"(12+) Inbox", 12},
                  {"(x) Inbox", 0},
                  {"(123456789) Inbox", NotificationList::maxTitleCount},
                  {"(3) Inbox", 3}};
    for (const auto &t : titles) {
        PageScript::run(mail, QString("document.title = '%1'").arg(t.title));
        QTRY_COMPARE(home("vantara.badges().tabs[1]").toInt(), t.count);
    }
    QTRY_COMPARE(tabBadge(1), QStringLiteral("3"));
    QCOMPARE(home("vantara.badges().apps['Inbox']").toInt(), 3);

    // Do not disturb: the list collects, no banner, the desktop is not told.
    home("$('#start').click()");
    home("$('#dnd').click()");
    QVERIFY(home("vantara.doNotDisturb()").toBool());
    PageScript::run(mail, "new Notification('Quietly')");
    QTRY_COMPARE(home("vantara.notifications().length").toInt(), 2);
    QTRY_COMPARE(tabBadge(1), QStringLiteral("4"));
    // Texts of any length go in short, on one line.
    PageScript::run(mail, "new Notification('\\u0007' + 'T'.repeat(5000),"
                          " {body: 'a\\tb\\u200e ' + 'B'.repeat(5000)})");
    QTRY_COMPARE(home("vantara.notifications().length").toInt(), 3);
    QCOMPARE(home("vantara.notifications()[0].title").toString(),
             QString(NotificationList::maxTitle - 1, 'T') + QChar(0x2026));
    QCOMPARE(home("vantara.notifications()[0].body").toString(),
             "a b " + QString(NotificationList::maxBody - 5, 'B') + QChar(0x2026));
    QVERIFY(!bannerShown());
    QCOMPARE(desktopNotifications(log).size(), 1);
    // A tap on the list's entry opens the app too.
    // The bell opens the list, a tap elsewhere closes it.
    QTest::mouseClick(window->homeView(), Qt::LeftButton, {},
                      TestUtil::centreOf(window->homeView(), "#bell"));
    QVERIFY(home("$('#notelist').is(':visible')").toBool());
    QTest::mouseClick(window->homeView(), Qt::LeftButton, {}, QPoint(640, 400));
    QVERIFY(!home("$('#notelist').is(':visible')").toBool());
    home("$('#bell').click()");
    QVERIFY(home("$('#notelist').is(':visible')").toBool());
    home("$('#notes a.note:first').click()");
    QTRY_COMPARE(window->stack()->currentWidget(), mail->widget());
    QVERIFY(window->stack()->isVisible());
    QVERIFY(!home("$('#notelist').is(':visible')").toBool());

    // A flood: the list keeps the newest, banners come a few at a time.
    home("$('#start').click()");
    home("$('#dnd').click()");
    QVERIFY(!home("vantara.doNotDisturb()").toBool());
    PageScript::run(mail, "for (var i = 0; i < 80; ++i) new Notification('n' + i);");
    QTRY_COMPARE(home("vantara.notifications()[0].title").toString(), QStringLiteral("n79"));
    QCOMPARE(home("vantara.notifications().length").toInt(), NotificationList::maxKept);
    const int flood = desktopNotifications(log).size() - 1;
    QVERIFY2(flood >= NotificationCenter::bannersPerWindow - 1 &&
                 flood <= NotificationCenter::bannersPerWindow,
             qPrintable(QString::number(flood)));
    QTRY_COMPARE(tabBadge(1), QStringLiteral("53"));

    service.terminate();
    QVERIFY(service.waitForFinished(10000));
    Messages::answerAutomatically({});
}

void TestStackSlots::appsAreAskedEachForThemselves_data()
{
    QTest::addColumn<bool>("local");
    QTest::newRow("local apps") << true;
    QTest::newRow("web apps of one site, light") << false;
}

// QtWebKit keeps one answer per site for all its pages: each app is asked for
// itself all the same, and what one was allowed shows nothing of another.
void TestStackSlots::appsAreAskedEachForThemselves()
{
    QFETCH(bool, local);
    QTemporaryDir root;
    server->route("/mail", notifyingPage);
    for (const char *name : {"Letters", "Parcels"}) {
        const QString folder = root.path() + "/Apps/" + name;
        QVERIFY(TestUtil::writeFile(
            folder + "/app.con",
            local ? QByteArray("<config><apptype>local</apptype>"
                               "<applink>index.html</applink></config>")
                  : AppDescriptor::webDescriptor(server->url("/mail").toString())));
        QVERIFY(TestUtil::writeFile(folder + "/index.html", notifyingPage));
    }
    QVERIFY(startOver(root.path()));
    QVERIFY(TestUtil::chooseEngine(window->paths(), AppView::Engine::WebKit));
    QStringList questions;
    Messages::dismissAutomatically([](const QString &) {});
    Messages::answerAutomatically([&](const QString &question) {
        questions << question;
        return question.startsWith("Letters");
    });
    AppView *letters = TestUtil::openFromHome(window, "Letters", "web", "Letters");
    AppView *parcels = TestUtil::openFromHome(window, "Parcels", "web", "Parcels");
    QVERIFY(letters && parcels);
    QCOMPARE(parcels->engine(), AppView::Engine::WebKit);
    PageScript::run(parcels, "notify('Not allowed', '')");
    QTRY_COMPARE(PageScript::run(parcels, "document.title").toString(),
                 QStringLiteral("asked denied"));
    PageScript::run(letters, "notify('First', '')");
    QTRY_COMPARE(home("vantara.notifications().length").toInt(), 1);
    // Allowed for one app, the site is not allowed for the other.
    PageScript::run(parcels, "new Notification('Not asked')");
    PageScript::run(letters, "new Notification('Second')");
    QTRY_COMPARE(home("vantara.notifications().length").toInt(), 2);
    QCOMPARE(
        home("vantara.notifications().map(function (n) { return n.title; }).join()").toString(),
        QStringLiteral("Second,First"));
    QCOMPARE(questions.size(), 2);
    QVERIFY(questions[1].startsWith("Letters"));
    // A web app's answers outlast the shell and follow it into the other
    // engine: nobody is asked again.
    for (AppView::Engine engine : {AppView::Engine::WebKit, AppView::Engine::WebEngine}) {
        if (local)
            break;
        QVERIFY(startOver(root.path()));
        QVERIFY(TestUtil::chooseEngine(window->paths(), engine));
        for (const QString name : {"Letters", "Parcels"}) {
            AppView *app = TestUtil::openFromHome(window, name, "web", name);
            QVERIFY(app);
            QCOMPARE(app->engine(), engine);
            PageScript::run(app, "notify('Again', '')");
            QTRY_COMPARE(PageScript::run(app, "document.title").toString(),
                         name == "Letters" ? QStringLiteral("asked granted")
                                           : QStringLiteral("asked denied"));
        }
        QCOMPARE(questions.size(), 2);
    }
    Messages::answerAutomatically({});
}

QTEST_MAIN(TestStackSlots)
#include "tst_stackslots.moc"
