#include "DialogSteps.h"
#include "TestBridge.h"
#include "TestHttpServer.h"
#include "TestShell.h"
#include "app/MainWindow.h"
#include "apps/AppLauncher.h"
#include "shell/PageStack.h"
#include "shell/ShellPaths.h"
#include "web/DialogOverlay.h"
#include "web/QuietPage.h"
#include "web/WebKitAppView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPointer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QWebFrame>
#include <QWebView>

namespace
{
const char homeHtml[] = "<html><body><script>"
                        "function addicon(a) {} function nameTab(n) {} function closedTab(i, n) {}"
                        "</script></body></html>";

// Asks again and again, as a page gone wrong does; count tells how often.
const char askingPage[] =
    "<html><head><title>Asker</title></head><body><script>"
    "var count = 0;"
    "function ask() { count++; alert('again ' + count); setTimeout(ask, 20); }"
    "</script></body></html>";

// Asks once for each click on it; after tells that its alert returned.
const char clickPage[] =
    "<html><head><title>Clicker</title></head>"
    "<body style='height: 100%' onclick=\"alert('clicked'); window.answered = true;\">"
    "<script>var answered = false;</script></body></html>";

QString text(QWebView *view, const QString &script)
{
    return view->page()->mainFrame()->evaluateJavaScript(script).toString();
}
} // namespace

class TestPageDialogs : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void answersReachTheScript_data();
    void answersReachTheScript();
    void whatTheDialogShows_data();
    void whatTheDialogShows();
    void secondDialogOffersToStop();
    void leavingAPage_data();
    void leavingAPage();
    void closingTheAppEndsItsDialog_data();
    void closingTheAppEndsItsDialog();
    void aLoopOfItsOwnNeverHoldsTheShell();
    void aPageWithoutAViewIsAnsweredAtOnce();
    // Last: the application's loop ends, after which WebKit's timers no
    // longer run in this process.
    void closingTheWindowEndsEveryDialog();

private:
    QWebView *launchAndWait(const QString &name, const QUrl &address);
    int indexOf(QWebView *view) const { return shell->stack()->indexOf(view); }

    TestHttpServer *server = nullptr;
    TestHttpServer *otherSite = nullptr;
    TestBridge *bridge = nullptr;
    TestShell *shell = nullptr;
    PageStack *pages = nullptr;
    AppLauncher *launcher = nullptr;
};

void TestPageDialogs::init()
{
    server = new TestHttpServer;
    otherSite = new TestHttpServer;
    QVERIFY(server->start() && otherSite->start());
    for (TestHttpServer *site : {server, otherSite}) {
        site->route("/asking", askingPage);
        site->route("/click", clickPage);
        site->route("/plain", "<html><head><title>Plain</title></head><body>plain</body></html>");
    }
    bridge = new TestBridge;
    shell = new TestShell(bridge);
    pages = new PageStack(*shell);
    bridge->pages = pages;
    // The sites here are on 127.0.0.1: kept in QtWebKit by the light choice.
    QVERIFY(TestUtil::chooseEngine(shell->paths(), AppView::Engine::WebKit));
    launcher = new AppLauncher(*shell, QString());
    QVERIFY(shell->loadHome(QString::fromLatin1(homeHtml), QUrl("qrc:/Lumo.html")));
    QApplication::setActiveWindow(shell->mainWindow());
}

void TestPageDialogs::cleanup()
{
    delete launcher;
    delete pages;
    delete shell;
    delete bridge;
    delete otherSite;
    delete server;
    launcher = nullptr;
    pages = nullptr;
    shell = nullptr;
    bridge = nullptr;
    otherSite = nullptr;
    server = nullptr;
}

QWebView *TestPageDialogs::launchAndWait(const QString &name, const QUrl &address)
{
    return WebKitAppView::webViewOf(
        TestUtil::launchAndWait(*launcher, *bridge, name, address.toString()));
}

void TestPageDialogs::answersReachTheScript_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("answer"); // a button, a key, or text typed and Return
    QTest::addColumn<QString>("result");
    QTest::newRow("alert") << "alert('Saved')"
                           << "dialogAccept"
                           << "undefined";
    QTest::newRow("confirm, OK") << "confirm('Sure?')"
                                 << "dialogAccept"
                                 << "true";
    QTest::newRow("confirm, Cancel") << "confirm('Sure?')"
                                     << "dialogReject"
                                     << "false";
    QTest::newRow("confirm, Escape") << "confirm('Sure?')"
                                     << "Escape"
                                     << "false";
    QTest::newRow("confirm, Return") << "confirm('Sure?')"
                                     << "Return"
                                     << "true";
    QTest::newRow("prompt as offered") << "prompt('Name?', 'Ann')"
                                       << "Return"
                                       << "Ann";
    QTest::newRow("prompt typed") << "prompt('Name?', 'Ann')"
                                  << "type:Bob"
                                  << "Bob";
    QTest::newRow("prompt cancelled") << "prompt('Name?', 'Ann')"
                                      << "dialogReject"
                                      << "null";
    QTest::newRow("prompt without a first text") << "prompt('Name?')"
                                                 << "dialogAccept"
                                                 << "";
}

void TestPageDialogs::answersReachTheScript()
{
    QFETCH(QString, script);
    QFETCH(QString, answer);
    QFETCH(QString, result);
    QWebView *view = launchAndWait("Asker", server->url("/plain"));
    QVERIFY(view);
    QCOMPARE(QApplication::focusWidget(), view);
    DialogSteps steps({[&](DialogOverlay *dialog) {
        if (answer.startsWith("dialog")) {
            DialogSteps::click(dialog, qPrintable(answer));
            return;
        }
        if (answer.startsWith("type:"))
            QTest::keyClicks(QApplication::focusWidget(), answer.mid(5));
        // The keys are the dialog's while it is up.
        QVERIFY(DialogSteps::key(dialog, answer == "Escape" ? Qt::Key_Escape : Qt::Key_Return));
    }});
    QCOMPARE(text(view, "String(" + script + ")"), result);
    QVERIFY(steps.done());
    QCOMPARE(steps.count(), 1);
    QVERIFY(!steps.stopOffered.first());
    // Gone, and the page has its keys back.
    QTRY_VERIFY(view->findChildren<DialogOverlay *>().isEmpty());
    QCOMPARE(QApplication::focusWidget(), view);
}

void TestPageDialogs::whatTheDialogShows_data()
{
    QTest::addColumn<QString>("where");   // web app, local app, or a frame inside a web app
    QTest::addColumn<QString>("message"); // script
    QTest::addColumn<QString>("title");   // {app}: the app's port, {other}: the other site's
    QTest::addColumn<QString>("shown");
    QTest::newRow("web app") << "web"
                             << "'Hello'"
                             << "127.0.0.1:{app} says"
                             << "Hello";
    QTest::newRow("local app") << "local"
                               << "'Hello'"
                               << "Notes says"
                               << "Hello";
    QTest::newRow("frame of another site") << "other frame"
                                           << "'Hello'"
                                           << "127.0.0.1:{other} says"
                                           << "Hello";
    QTest::newRow("frame of no site") << "blank frame"
                                      << "'Hello'"
                                      << "127.0.0.1:{app} says"
                                      << "Hello";
    QTest::newRow("markup stays text") << "web"
                                       << "'<b>bold</b> &amp; <a href=\"x\">link</a>\\nnext'"
                                       << "127.0.0.1:{app} says"
                                       << "<b>bold</b> &amp; <a href=\"x\">link</a>\nnext";
    QTest::newRow("a megabyte is cut and scrolls")
        << "web"
        << "new Array(1048577).join('x')"
        << "127.0.0.1:{app} says" << QString(9997, 'x') + "...";
}

void TestPageDialogs::whatTheDialogShows()
{
    QFETCH(QString, where);
    QFETCH(QString, message);
    QFETCH(QString, title);
    QFETCH(QString, shown);
    QWebView *view = nullptr;
    if (where == "local") {
        const QString folder = shell->appsFolder() + "/Notes";
        QVERIFY(TestUtil::writeFile(folder + "/app.con", "<config><apptype>local</apptype>"
                                                         "<applink>index.html</applink></config>"));
        QVERIFY(TestUtil::writeFile(folder + "/index.html", "<title>Notes</title>"));
        view = launchAndWait("Notes", QUrl("Notes"));
    } else {
        server->route("/framed", "<html><body><iframe src='" +
                                     otherSite->url("/plain").toString().toUtf8() +
                                     "'></iframe></body></html>");
        server->route("/blank", "<html><body><iframe src='data:text/html,<p>data</p>'>"
                                "</iframe></body></html>");
        const QByteArray path = where == "web"           ? "/plain"
                                : where == "other frame" ? "/framed"
                                                         : "/blank";
        view = launchAndWait("Asker", server->url(path));
    }
    QVERIFY(view);
    QWebFrame *frame = view->page()->mainFrame();
    if (where.endsWith("frame")) {
        QTRY_COMPARE(frame->childFrames().size(), 1);
        frame = frame->childFrames().first();
        QTRY_COMPARE(frame->evaluateJavaScript("document.readyState").toString(),
                     QStringLiteral("complete"));
    }
    QString scrollable;
    DialogSteps steps({[&](DialogOverlay *dialog) {
        auto *message = dialog->findChild<QTextEdit *>("dialogText");
        scrollable = message && message->verticalScrollBar()->maximum() > 0 ? "scrolls" : "fits";
        DialogSteps::click(dialog, "dialogAccept");
    }});
    frame->evaluateJavaScript("alert(" + message + ")");
    QVERIFY(steps.done());
    title.replace("{app}", QString::number(server->url("/").port()))
        .replace("{other}", QString::number(otherSite->url("/").port()));
    QCOMPARE(steps.titles.first(), title);
    QCOMPARE(steps.texts.first(), shown);
    QCOMPARE(scrollable, QString(shown.size() > 1000 ? "scrolls" : "fits"));
}

void TestPageDialogs::secondDialogOffersToStop()
{
    QWebView *view = launchAndWait("Asker", server->url("/asking"));
    QVERIFY(view);
    DialogSteps steps({[](DialogOverlay *dialog) { DialogSteps::click(dialog, "dialogAccept"); },
                       [](DialogOverlay *dialog) {
                           DialogSteps::click(dialog, "dialogStop");
                           DialogSteps::click(dialog, "dialogAccept");
                       },
                       [](DialogOverlay *dialog) { DialogSteps::click(dialog, "dialogAccept"); }});
    text(view, "setTimeout(ask, 0)");
    QTRY_COMPARE(steps.ended(), 2);
    QCOMPARE(steps.stopOffered, QList<bool>({false, true}));
    // Stopped: the loop goes on without a dialog, and the other kinds are
    // answered at once too.
    QTRY_VERIFY(text(view, "String(count)").toInt() > 50);
    QCOMPARE(text(view, "String(confirm('Sure?'))"), QStringLiteral("false"));
    QCOMPARE(text(view, "String(prompt('Name?', 'Ann'))"), QStringLiteral("null"));
    QCOMPARE(steps.count(), 2);

    // Still stopped on another page of the same site.
    QVERIFY(TestUtil::loadUrl(view, server->url("/plain")));
    QCOMPARE(text(view, "String(confirm('Sure?'))"), QStringLiteral("false"));
    QCOMPARE(steps.count(), 2);
    // Another site starts afresh.
    QVERIFY(TestUtil::loadUrl(view, otherSite->url("/plain")));
    QCOMPARE(text(view, "String(confirm('Sure?'))"), QStringLiteral("true"));
    QCOMPARE(steps.count(), 3);
    QCOMPARE(steps.stopOffered.last(), false);
}

void TestPageDialogs::leavingAPage_data()
{
    QTest::addColumn<QString>("answer"); // empty: the page's dialogs were stopped first
    QTest::addColumn<bool>("left");
    QTest::newRow("leave") << "dialogAccept" << true;
    QTest::newRow("stay") << "dialogReject" << false;
    QTest::newRow("dialogs stopped") << "" << true;
}

void TestPageDialogs::leavingAPage()
{
    QFETCH(QString, answer);
    QFETCH(bool, left);
    server->route("/unsaved", "<html><body><script>onbeforeunload = function () {"
                              " return 'Unsaved notes'; };</script></body></html>");
    QWebView *view = launchAndWait("Notes", server->url("/unsaved"));
    QVERIFY(view);
    QString leaveLabel;
    QList<DialogSteps::Step> list;
    if (answer.isEmpty()) {
        list << [](DialogOverlay *dialog) { DialogSteps::click(dialog, "dialogAccept"); }
             << [](DialogOverlay *dialog) {
                    DialogSteps::click(dialog, "dialogStop");
                    DialogSteps::click(dialog, "dialogAccept");
                };
    } else {
        list << [&](DialogOverlay *dialog) {
            auto *button = dialog->findChild<QAbstractButton *>("dialogAccept");
            leaveLabel = button ? button->text() : QString();
            DialogSteps::click(dialog, qPrintable(answer));
        };
    }
    DialogSteps steps(list);
    if (answer.isEmpty()) {
        text(view, "alert(1); alert(2)");
        QCOMPARE(steps.count(), 2);
    }
    QSignalSpy loads(view, SIGNAL(loadFinished(bool)));
    view->load(server->url("/plain"));
    if (left)
        QVERIFY(loads.count() > 0 || loads.wait());
    QCOMPARE(view->url(), left ? server->url("/plain") : server->url("/unsaved"));
    QCOMPARE(server->requestCount("/plain"), left ? 1 : 0);
    if (!answer.isEmpty()) {
        QCOMPARE(steps.texts.first(), QStringLiteral("Unsaved notes"));
        QCOMPARE(leaveLabel, QStringLiteral("Leave"));
    }
}

void TestPageDialogs::closingTheAppEndsItsDialog_data()
{
    QTest::addColumn<QString>("closed"); // the page closed while its dialog is up
    QTest::newRow("on top") << "asker";
    QTest::newRow("under another page's dialog") << "asker under";
    QTest::newRow("over another page's dialog") << "clicker over";
}

// The page that asks is released only once its dialog's wait has unwound,
// whichever of two nested waits is closed.
void TestPageDialogs::closingTheAppEndsItsDialog()
{
    QFETCH(QString, closed);
    QPointer<QWebView> clicker = launchAndWait("Clicker", server->url("/click"));
    QPointer<QWebView> asker = launchAndWait("Asker", server->url("/asking"));
    QVERIFY(clicker && asker);
    QPointer<QWebPage> askerPage = asker->page();
    QPointer<QWebPage> clickerPage = clicker->page();
    auto clickOnClicker = [&] {
        pages->appswitch(indexOf(clicker));
        QTest::mouseClick(clicker, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    };
    QList<DialogSteps::Step> list;
    if (closed == "asker") {
        list << [&](DialogOverlay *) {
            pages->closeapp();
            QTRY_VERIFY(!asker);
            // Still there: the engine's frames that called the dialog wait
            // below this step.
            QVERIFY(askerPage);
        };
    } else if (closed == "asker under") {
        list << [&](DialogOverlay *) {
            clickOnClicker();
            QVERIFY(askerPage);
        } << [&](DialogOverlay *dialog) {
            QCOMPARE(dialog->parentWidget(), clicker.data());
            pages->appswitch(indexOf(asker));
            pages->closeapp();
            QTRY_VERIFY(!asker);
            QVERIFY(askerPage);
            QCOMPARE(shell->stack()->currentWidget(), clicker.data());
            DialogSteps::click(dialog, "dialogAccept");
        };
    } else {
        list << [&](DialogOverlay *dialog) {
            QPointer<DialogOverlay> askerDialog = dialog;
            clickOnClicker();
            // The clicker's dialog ended with it, and its page went once its
            // wait was over.
            QTRY_VERIFY(!clickerPage);
            QVERIFY(askerDialog && askerDialog->isVisibleTo(asker));
            QCOMPARE(shell->stack()->currentWidget(), asker.data());
            DialogSteps::click(askerDialog, "dialogAccept");
        } << [&](DialogOverlay *) {
            QCOMPARE(shell->stack()->currentWidget(), clicker.data());
            pages->closeapp();
            QTRY_VERIFY(!clicker);
            QVERIFY(clickerPage);
        } << [&](DialogOverlay *dialog) {
            DialogSteps::click(dialog, "dialogStop");
            DialogSteps::click(dialog, "dialogAccept");
        };
    }
    DialogSteps steps(list);
    text(asker, "setTimeout(ask, 0)");
    QTRY_VERIFY(steps.done());
    if (closed == "clicker over") {
        QCOMPARE(shell->stack()->count(), 1);
        QVERIFY(askerPage);
        // The asker was answered and goes on, its dialogs stopped.
        QTRY_VERIFY(text(asker, "String(count)").toInt() > 10);
    } else {
        QTRY_VERIFY(!askerPage);
        QCOMPARE(shell->stack()->count(), 1);
        QCOMPARE(shell->stack()->currentWidget(), clicker.data());
        // The clicker's alert returned and its script went on.
        QCOMPARE(text(clicker, "String(answered)"), QString(closed == "asker" ? "false" : "true"));
    }
}

// A script that asks in a loop of its own, never returning to the event
// loop: once its dialogs are stopped it runs on, answered at once, and the
// shell's events still come, so that the app can be closed from inside it.
void TestPageDialogs::aLoopOfItsOwnNeverHoldsTheShell()
{
    QPointer<QWebView> asker = launchAndWait("Asker", server->url("/plain"));
    QVERIFY(asker);
    QPointer<QWebPage> page = asker->page();
    QTimer closer;
    closer.setSingleShot(true);
    connect(&closer, &QTimer::timeout, pages, &PageStack::closeapp);
    DialogSteps steps({[](DialogOverlay *dialog) { DialogSteps::click(dialog, "dialogAccept"); },
                       [&](DialogOverlay *dialog) {
                           DialogSteps::click(dialog, "dialogStop");
                           DialogSteps::click(dialog, "dialogAccept");
                           closer.start(100);
                       }});
    // The view goes to nothing as the app closes, which ends the loop.
    const int asked =
        text(asker, "var i = 0; while (i < 1000000 && innerWidth > 0) alert(i++); String(i)")
            .toInt();
    QVERIFY(steps.done());
    QCOMPARE(steps.count(), 2);
    QVERIFY(asked > 2 && asked < 1000000);
    QVERIFY(!closer.isActive());
    QTRY_VERIFY(!page);
    QCOMPARE(shell->stack()->count(), 0);
}

void TestPageDialogs::aPageWithoutAViewIsAnsweredAtOnce()
{
    QuietPage page(nullptr, nullptr);
    DialogSteps steps;
    QWebFrame *frame = page.mainFrame();
    QCOMPARE(frame->evaluateJavaScript("String(alert('x'))").toString(),
             QStringLiteral("undefined"));
    QCOMPARE(frame->evaluateJavaScript("String(confirm('x'))").toString(), QStringLiteral("false"));
    QCOMPARE(frame->evaluateJavaScript("String(prompt('x', 'y'))").toString(),
             QStringLiteral("null"));
    QCOMPARE(steps.count(), 0);
}

// The power control, used while two pages wait for answers, one inside the
// other: the application's loop ends, which ends both waits, and the window
// goes without a crash.
void TestPageDialogs::closingTheWindowEndsEveryDialog()
{
    // The window is the only one: closing it ends the application's loop.
    cleanup();
    TestHttpServer site;
    QVERIFY(site.start());
    site.route("/asking", askingPage);
    site.route("/click", clickPage);
    QVERIFY(TestUtil::chooseEngine(ShellPaths::ofProcess(), AppView::Engine::WebKit));
    auto *window = new MainWindow;
    QSignalSpy loaded(window->homeView(), SIGNAL(loadFinished(bool)));
    QVERIFY(loaded.wait(20000));
    auto home = [window](const QString &script) {
        return window->homeView()->page()->mainFrame()->evaluateJavaScript(script);
    };
    QTRY_VERIFY(home("typeof myob").toString() == QLatin1String("object"));
    QPointer<QWebView> clicker = WebKitAppView::webViewOf(
        TestUtil::openFromHome(window, "Clicker", "web", site.url("/click").toString()));
    QPointer<QWebView> asker = WebKitAppView::webViewOf(
        TestUtil::openFromHome(window, "Asker", "web", site.url("/asking").toString()));
    QVERIFY(clicker && asker);
    DialogSteps steps({[&](DialogOverlay *) {
                           home("$('#dockapps a:eq(0)').click()");
                           QCOMPARE(window->stack()->currentWidget(), clicker.data());
                           QTest::mouseClick(clicker, Qt::LeftButton, Qt::NoModifier,
                                             QPoint(20, 20));
                       },
                       [&](DialogOverlay *) {
                           // Two apps are open: the user agrees to quit.
                           TestUtil::recordMessages();
                           TestUtil::answerQuestions(true);
                           home("$('#qt').click()");
                       }});
    text(asker, "setTimeout(ask, 0)");
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(steps.done());
    QCOMPARE(steps.count(), 2);
    QVERIFY(!window->isVisible());
    delete window;
    QVERIFY(!asker && !clicker);
}

QTEST_MAIN(TestPageDialogs)
#include "tst_pagedialogs.moc"
