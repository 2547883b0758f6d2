#include "TestHttpServer.h"
#include "TestShell.h"
#include "app/HomeBridge.h"
#include "app/MainWindow.h"
#include "app/PageBridge.h"
#include "install/DownloadList.h"
#include "install/ProgramStarter.h"
#include "shell/AppOverview.h"
#include "shell/Messages.h"
#include "shell/ScriptBridge.h"
#include "web/WebKitAppView.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QMessageBox>
#include <QMetaMethod>
#include <QPointer>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWebFrame>
#include <QWebView>

namespace
{
struct SlotRow {
    QMetaMethod::Access access;
    const char *signature;
    QList<QByteArray> names;
    const char *result;
};

const QList<SlotRow> &slotTable()
{
    static const QList<SlotRow> rows = {
        {QMetaMethod::Public, "loadfiles()", {}, "void"},
        {QMetaMethod::Public, "on_pushButton_clicked(QString,QString)", {"nn", "ll"}, "void"},
        {QMetaMethod::Public, "homescreen()", {}, "void"},
        {QMetaMethod::Public, "appswitch(int)", {"i"}, "void"},
        {QMetaMethod::Public, "closeapp()", {}, "void"},
        {QMetaMethod::Public, "showapp()", {}, "void"},
        {QMetaMethod::Public, "closeit()", {}, "void"},
        {QMetaMethod::Public, "Wallpaper(QString)", {"w"}, "void"},
        {QMetaMethod::Public, "pageloaded(bool)", {"arg1"}, "void"},
        {QMetaMethod::Public, "desktopaccess(QString)", {"service"}, "void"},
        {QMetaMethod::Public, "playmp3(QString)", {"url"}, "void"},
        {QMetaMethod::Public, "setVolume(qreal)", {"v"}, "void"},
        {QMetaMethod::Public, "on_testputon_clicked()", {}, "void"},
        {QMetaMethod::Public, "Mailservice(QString,QString)", {"u", "n"}, "void"},
        {QMetaMethod::Public, "webhistory(QString)", {"u"}, "void"},
        {QMetaMethod::Public,
         "downloadapp(QString,QString,QString)",
         {"appname", "applink", "icon"},
         "void"},
        {QMetaMethod::Public, "fileDownloaded(QNetworkReply*)", {"pReply"}, "void"},
        {QMetaMethod::Public,
         "downloadProgress(qint64,qint64)",
         {"bytesReceived", "bytesTotal"},
         "void"},
        {QMetaMethod::Public, "seekmp3(qint64)", {"c"}, "void"},
        {QMetaMethod::Public, "stopmp3()", {}, "void"},
        {QMetaMethod::Public, "pausemp3()", {}, "bool"},
        {QMetaMethod::Public, "installLpk(QString)", {"path"}, "void"},
        {QMetaMethod::Public, "filesysDownloaded(QNetworkReply*)", {"pReply"}, "void"},
        {QMetaMethod::Public, "GetFiles(QString)", {"u"}, "QStringList"},
        {QMetaMethod::Public, "zooms(qreal)", {"a"}, "void"},
        {QMetaMethod::Public, "adclick()", {}, "void"},
        {QMetaMethod::Public, "LoadPack(QString,QString)", {"path", "ap"}, "void"},
        {QMetaMethod::Public, "PackDownloaded(QNetworkReply*)", {"pReply"}, "void"},
        {QMetaMethod::Public, "DownFile(QString,QString)", {"path", "ap"}, "void"},
        {QMetaMethod::Public, "FileDownloaded(QNetworkReply*)", {"pReply"}, "void"},
        {QMetaMethod::Public, "installBatch(QString)", {"path"}, "void"},
        {QMetaMethod::Public, "notif(QString)", {"u"}, "void"},
        {QMetaMethod::Public, "onResult(QNetworkReply*)", {"reply"}, "void"},
        {QMetaMethod::Public, "downloadingIssueFinished()", {}, "void"},
        {QMetaMethod::Public, "download(QNetworkRequest)", {"request"}, "void"},
        {QMetaMethod::Public, "unsupportedContent(QNetworkReply*)", {"reply"}, "void"},
        {QMetaMethod::Private, "linkClickedSlot(QUrl)", {"url"}, "void"},
        {QMetaMethod::Private, "objectDestroyed()", {}, "void"},
        {QMetaMethod::Private, "on_pushButton_2_clicked()", {}, "void"},
        {QMetaMethod::Private, "Mp3Buffer(qint64)", {"i"}, "void"},
        {QMetaMethod::Private, "on_commandLinkButton_clicked()", {}, "void"},
        {QMetaMethod::Private, "mailstore()", {}, "void"},
        {QMetaMethod::Private, "on_commandLinkButton_2_clicked()", {}, "void"},
        {QMetaMethod::Private, "on_webView_loadFinished(bool)", {"arg1"}, "void"},
        {QMetaMethod::Private, "mainFrame_javaScriptWindowObjectCleared()", {}, "void"},
        {QMetaMethod::Private, "localapp()", {}, "void"},
        {QMetaMethod::Private, "a_auth(QNetworkReply*,QAuthenticator*)", {"", ""}, "void"},
        {QMetaMethod::Private,
         "metaStateChanged(Phonon::State,Phonon::State)",
         {"newState", ""},
         "void"},
        {QMetaMethod::Private, "mailapp()", {}, "void"},
        {QMetaMethod::Private, "finishedSlot(QNetworkReply*)", {"reply"}, "void"},
        {QMetaMethod::Private, "on_reee_clicked()", {}, "void"},
    };
    return rows;
}

// Closes whatever modal dialog a slot opens, as a person pressing Cancel.
void cancelDialogsSoon()
{
    QTimer::singleShot(50, [] {
        if (QWidget *w = QApplication::activeModalWidget())
            w->close();
        else
            cancelDialogsSoon();
    });
}
} // namespace

class TestShellBridge : public QObject
{
    Q_OBJECT

    QVariant eval(MainWindow &w, const QString &script)
    {
        return w.homeView()->page()->mainFrame()->evaluateJavaScript(script);
    }

    bool waitForHome(MainWindow &w)
    {
        QSignalSpy spy(w.homeView(), SIGNAL(loadFinished(bool)));
        // The window shows once its first frame is drawn, which may come
        // after the load.
        return spy.wait(15000) && TestUtil::waitFor([&w] { return w.isVisible(); });
    }

private slots:
    // The window, and the object pages see in its place, which carries the
    // same table over nothing but a plain QObject.
    void metaObjectIsTheSlotTable_data()
    {
        QTest::addColumn<bool>("pageSide");
        QTest::newRow("window") << false;
        QTest::newRow("what pages see") << true;
    }
    void metaObjectIsTheSlotTable()
    {
        QFETCH(bool, pageSide);
        const QMetaObject *mo =
            pageSide ? &PageBridge::staticMetaObject : &MainWindow::staticMetaObject;
        QCOMPARE(mo->superClass(),
                 pageSide ? &QObject::staticMetaObject : &QMainWindow::staticMetaObject);
        const QMetaObject &window = MainWindow::staticMetaObject;
        QCOMPARE(QByteArray(window.className()), QByteArray("MainWindow"));
        checkSlotTable(*mo);
    }

    void checkSlotTable(const QMetaObject &mo)
    {
        QCOMPARE(mo.propertyCount(), mo.propertyOffset());
        QCOMPARE(mo.classInfoCount(), mo.classInfoOffset());
        QCOMPARE(mo.methodCount() - mo.methodOffset(), slotTable().size());
        for (int i = 0; i < slotTable().size(); ++i) {
            const SlotRow &row = slotTable().at(i);
            const QMetaMethod m = mo.method(mo.methodOffset() + i);
            QCOMPARE(m.methodType(), QMetaMethod::Slot);
            // Qt 5's meta-object records qreal as double and qint64 as qlonglong.
            QCOMPARE(m.methodSignature(), QByteArray(row.signature)
                                              .replace("qreal", "double")
                                              .replace("qint64", "qlonglong"));
            QCOMPARE(m.access(), row.access);
            QCOMPARE(m.parameterNames(), row.names);
            QCOMPARE(QByteArray(m.typeName()), QByteArray(row.result));
        }
    }

    void homePageSeesTheTable()
    {
        MainWindow w;
        QVERIFY(waitForHome(w));
        QCOMPARE(eval(w, "typeof myob").toString(), QStringLiteral("object"));
        for (const SlotRow &row : slotTable()) {
            const QString name = QString::fromLatin1(row.signature).section('(', 0, 0);
            const QString expected = row.access == QMetaMethod::Public ? "function" : "undefined";
            QCOMPARE(eval(w, "typeof myob." + name).toString(), expected);
        }
        QCOMPARE(eval(w, "typeof myob.pausemp3()").toString(), QStringLiteral("boolean"));
        // The home page's own second object.
        QCOMPARE(eval(w, "vantara.appOnTop()").toInt(), -1);
        // Its wallpaper is the copy at the screen's size, not the full picture.
        const QUrl wall(eval(w, "getComputedStyle(document.body).backgroundImage"
                                ".replace(/^url\\(\"?|\"?\\)$/g, '')")
                            .toString());
        QVERIFY2(wall.isLocalFile(), qPrintable(wall.toString()));
        QCOMPARE(QFileInfo(wall.toLocalFile()).absolutePath(),
                 QFileInfo(w.paths().workingFolder() + "/cache/wallpaper").absoluteFilePath());
        QCOMPARE(QImage(wall.toLocalFile()).size(), w.screenArea().size());
        cancelDialogsSoon();
        QCOMPARE(eval(w, "Array.isArray(myob.GetFiles('*.txt'))").toBool(), true);

        // Nothing of the widget behind: no picture of the screen, no hiding
        // or restyling it. Only the table and what every QObject carries.
        QStringList allowed = {"objectName", "destroyed", "objectNameChanged", "deleteLater"};
        for (const SlotRow &row : slotTable())
            if (row.access == QMetaMethod::Public)
                allowed << QString::fromLatin1(row.signature).section('(', 0, 0);
        QCOMPARE(sortedMembers(w, "myob").join(','), sorted(allowed).join(','));
        for (const char *member :
             {"grab", "close", "hide", "lower", "setStyleSheet", "showMinimized", "styleSheet",
              "windowOpacity", "geometry", "setGeometry", "render", "winId", "setWindowOpacity"})
            QCOMPARE(eval(w, QStringLiteral("typeof myob.") + member).toString(),
                     QStringLiteral("undefined"));
        QCOMPARE(eval(w, "myob.objectName").toString(), QStringLiteral("MainWindow"));
        // The second object likewise carries only its own calls.
        QStringList own = {"objectName", "destroyed", "objectNameChanged", "deleteLater"};
        const QMetaObject &homeCalls = HomeBridge::staticMetaObject;
        for (int i = homeCalls.methodOffset(); i < homeCalls.methodCount(); ++i)
            own << QString::fromLatin1(homeCalls.method(i).name());
        QCOMPARE(sortedMembers(w, "vantara"), sorted(own));
        // The taskbar's right-hand button shows the overview through it.
        eval(w, "$('#RDesktop').click()");
        QVERIFY(AppOverview::of(w) && AppOverview::of(w)->isVisible());
        QVERIFY(!w.isMinimized());
        eval(w, "vantara.minimize()");
        QTRY_VERIFY(w.isMinimized());
    }

    static QStringList sorted(QStringList list)
    {
        list.removeDuplicates();
        list.sort();
        return list;
    }
    QStringList sortedMembers(MainWindow &w, const QString &object)
    {
        // Overloads are listed by signature too ("destroyed(QObject*)").
        QStringList names;
        for (const QString &member :
             eval(w, "var k = []; for (var p in " + object + ") k.push(p); k").toStringList())
            names << member.section('(', 0, 0);
        return sorted(names);
    }

    void placedAgainAfterEveryReload()
    {
        MainWindow w;
        QVERIFY(waitForHome(w));
        eval(w, "window.marker = 1");
        QSignalSpy spy(w.homeView(), SIGNAL(loadFinished(bool)));
        w.homeView()->reload();
        QVERIFY(spy.wait(15000));
        QCOMPARE(eval(w, "typeof window.marker").toString(), QStringLiteral("undefined"));
        QCOMPARE(eval(w, "typeof myob.homescreen").toString(), QStringLiteral("function"));
    }

    void noOtherPageInTheHomeViewGetsIt()
    {
        MainWindow w;
        QVERIFY(waitForHome(w));
        const QString probe =
            QStringLiteral("<html><body><script>var seen = typeof myob + typeof vantara;"
                           "</script></body></html>");
        for (const char *base :
             {"http://127.0.0.1:9/Lumo.html", "qrc:/Lumo.html.evil/", "file:///tmp/Lumo.html",
              "qrc:/other.html", "about:blank", "qrc://evil/Lumo.html", "qrc:/Lumo.html?x=1",
              "qrc://user@/Lumo.html", "qrc:/assets/../Lumo.htm", "qrc:/x/Lumo.html"}) {
            QVERIFY(TestUtil::loadHtml(w.homeView(), probe, QUrl(QString::fromLatin1(base))));
            QCOMPARE(eval(w, "seen").toString(), QStringLiteral("undefinedundefined"));
        }
    }

    // Which files count as inside an app folder, links resolved; each row is
    // also loaded in a real view marked with the folder, which must give the
    // page api exactly when the file counts as inside.
    void insideTheAppFolder_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<bool>("inside");
        QTest::newRow("a page in the folder") << "app/index.html" << true;
        QTest::newRow("a page in a sub-folder") << "app/sub/page.html" << true;
        QTest::newRow("through a link to a sub-folder") << "app/subLink/page.html" << true;
        QTest::newRow("the app folder named through a link") << "appLink/index.html" << true;
        QTest::newRow("a link to a page outside") << "app/outsideLink.html" << false;
        QTest::newRow("a link to a folder outside") << "app/outDir/secret.html" << false;
        QTest::newRow("a link to nothing outside") << "app/dangling.html" << false;
        QTest::newRow("up and out") << "app/../outside/secret.html" << false;
        QTest::newRow("a sibling with the same start") << "app2/index.html" << false;
    }
    void insideTheAppFolder()
    {
        QFETCH(QString, page);
        QFETCH(bool, inside);
        QTemporaryDir dir;
        const auto at = [&](const QString &rel) { return dir.filePath(rel); };
        const QByteArray html = "<html><body><script>var seen = typeof api;</script></body></html>";
        for (const char *file :
             {"app/index.html", "app/sub/page.html", "outside/secret.html", "app2/index.html"})
            QVERIFY(TestUtil::writeFile(at(file), html));
        QVERIFY(QFile::link(at("app/sub"), at("app/subLink")));
        QVERIFY(QFile::link(at("app"), at("appLink")));
        QVERIFY(QFile::link(at("outside/secret.html"), at("app/outsideLink.html")));
        QVERIFY(QFile::link(at("outside"), at("app/outDir")));
        QVERIFY(QFile::link(at("outside/later.html"), at("app/dangling.html")));

        const QUrl url = QUrl::fromLocalFile(at(page));
        QCOMPARE(ScriptBridge::isInsideFolder(url, at("app")), inside);
        // Named through the link, the folder is the same folder.
        QCOMPARE(ScriptBridge::isInsideFolder(url, at("appLink")), inside);
        // A program the page would start is held to the same rule.
        QString why;
        if (!inside)
            QCOMPARE(ProgramStarter::runInFolder(
                         at("app"), QDir(at("app")).relativeFilePath(at(page)),
                         [](const QString &, const QStringList &) { return true; }, &why),
                     ProgramStarter::Run::Refused);

        if (page == "app/dangling.html")
            return; // nothing to load
        QObject shellObject;
        QWebView view;
        ScriptBridge::markAppFolder(view.page(), at("app"));
        QWebFrame *frame = view.page()->mainFrame();
        connect(frame, &QWebFrame::javaScriptWindowObjectCleared, this, [&] {
            ScriptBridge::place(frame, &shellObject, ScriptBridge::appName(),
                                ScriptBridge::mayUseApi(frame));
        });
        QVERIFY(TestUtil::loadUrl(&view, url));
        QCOMPARE(frame->evaluateJavaScript("seen").toString(),
                 inside ? QStringLiteral("object") : QStringLiteral("undefined"));
    }

    void scriptCannotFreeTheWindow()
    {
        // The window lives on the stack here as in main: a delete would abort.
        MainWindow w;
        QVERIFY(waitForHome(w));
        QPointer<QObject> alive(&w);
        QVERIFY(eval(w, "myob.deleteLater(); vantara.deleteLater(); 'asked'").toString() ==
                QLatin1String("asked"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QTest::qWait(50);
        QVERIFY(alive);
        QCOMPARE(eval(w, "typeof myob.homescreen").toString(), QStringLiteral("function"));
        QCOMPARE(eval(w, "vantara.appOnTop()").toInt(), -1);

        // An app page that reaches the window as api.
        QWebView *app = WebKitAppView::webViewOf(TestUtil::openFromHome(
            &w, QStringLiteral("Notes"), QStringLiteral("local"), QStringLiteral("index.html")));
        QVERIFY(app);
        QWebFrame *frame = app->page()->mainFrame();
        QCOMPARE(eval(w, "vantara.appOnTop()").toInt(), w.stack()->indexOf(app));
        // Open apps by their whole name only.
        QCOMPARE(eval(w, "vantara.indexOfApp('Notes')").toInt(), w.stack()->indexOf(app));
        for (const char *other : {"'Note'", "'notes'", "''", "'Notes '", "undefined"})
            QCOMPARE(eval(w, QStringLiteral("vantara.indexOfApp(%1)").arg(other)).toInt(), -1);
        // The home page's second object is the home page's alone.
        QCOMPARE(frame->evaluateJavaScript("typeof vantara").toString(),
                 QStringLiteral("undefined"));
        QCOMPARE(frame->evaluateJavaScript("typeof api.deleteLater").toString(),
                 QStringLiteral("function"));
        frame->evaluateJavaScript("api.deleteLater()");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QTest::qWait(50);
        QVERIFY(alive);
        // The window still answers both pages.
        QCOMPARE(frame->evaluateJavaScript("typeof api.pausemp3()").toString(),
                 QStringLiteral("boolean"));
        const int pages = w.stack()->count();
        eval(w, "myob.closeapp()");
        QCOMPARE(w.stack()->count(), pages - 1);
        eval(w, "myob.homescreen()");
        QCOMPARE(eval(w, "vantara.appOnTop()").toInt(), -1);
    }

    // Downloads indicator: follows a download, cancels it, and quitting
    // during one asks first.
    void downloadsIndicatorFollowsAndCancels()
    {
        QTemporaryDir root;
        TestHttpServer server;
        QVERIFY(server.start());
        TestHttpServer::Response stalled;
        stalled.body = QByteArray(1000, 'x');
        stalled.announcedBytes = 4000;
        server.route("/big.bin", stalled);
        MainWindow w(ShellPaths::under(root.path()));
        QVERIFY(waitForHome(w));
        QVERIFY(QDir().mkpath(w.appsFolder() + "/Tool"));
        QStringList *messages = TestUtil::recordMessages();
        QCOMPARE(eval(w, "jQuery('#downloads').is(':visible')").toBool(), false);

        eval(w, "myob.DownFile('" + server.url("/big.bin").toString() + "', 'Tool')");
        const bool seen = TestUtil::waitFor(
            [&] { return eval(w, "jQuery('#dlstate').text()").toString() == "25%"; });
        QVERIFY(seen);
        QVERIFY(eval(w, "jQuery('#downloads').is(':visible')").toBool());
        QCOMPARE(eval(w, "jQuery('#dlname').text()").toString(), QStringLiteral("big.bin"));
        QCOMPARE(eval(w, "jQuery('#dlfill')[0].style.width").toString(), QStringLiteral("25%"));
        QCOMPARE(eval(w, "jQuery('#dlcancel').is(':visible')").toBool(), true);
        QCOMPARE(eval(w, "jQuery('#dlshow').is(':visible')").toBool(), false);
        const QStringList partial = {".download-*.part"};
        QCOMPARE(QDir(w.appsFolder()).entryList(partial, QDir::Files | QDir::Hidden).size(), 1);

        eval(w, "jQuery('#dlcancel').click()");
        QVERIFY(TestUtil::waitFor(
            [&] { return eval(w, "jQuery('#dlstate').text()").toString() == "Cancelled"; }));
        QVERIFY(QDir(w.appsFolder()).entryList(partial, QDir::Files | QDir::Hidden).isEmpty());
        QVERIFY(!QFile::exists(w.appsFolder() + "/Tool/big.bin"));
        QCOMPARE(eval(w, "jQuery('#dlcancel').is(':visible')").toBool(), false);
        eval(w, "jQuery('#dlclear').click()");
        QVERIFY(TestUtil::waitFor(
            [&] { return !eval(w, "jQuery('#downloads').is(':visible')").toBool(); }));
        // The user who cancelled needs no message.
        QVERIFY(messages->isEmpty());

        // A finished file offers its folder.
        server.route("/small.txt", "done", "text/plain");
        eval(w, "myob.DownFile('" + server.url("/small.txt").toString() + "', 'Tool')");
        QVERIFY(TestUtil::waitFor(
            [&] { return eval(w, "jQuery('#dlstate').text()").toString() == "Done"; }));
        QCOMPARE(eval(w, "jQuery('#dlname').text()").toString(), QStringLiteral("small.txt"));
        QCOMPARE(eval(w, "jQuery('#dlshow').is(':visible')").toBool(), true);
        QCOMPARE(eval(w, "jQuery('#dlfill')[0].style.width").toString(), QStringLiteral("100%"));
        // Kept for an app: "Show" shows the app, never the program's Apps folder.
        QCOMPARE(eval(w, "vantara.downloads().pop().folder").toString(), QString());
        QCOMPARE(eval(w, "vantara.downloads().pop().app").toString(), QStringLiteral("Tool"));
        QCOMPARE(TestUtil::readFile(w.appsFolder() + "/Tool/small.txt"), QByteArray("done"));
        eval(w, "jQuery('#dlclear').click()");

        // Quitting during a download asks; "no" keeps both going.
        eval(w, "myob.DownFile('" + server.url("/big.bin").toString() + "', 'Tool')");
        QVERIFY(TestUtil::waitFor([&] { return DownloadList::instance().running() == 1; }));
        TestUtil::answerQuestions(false);
        QVERIFY(!w.close());
        QCOMPARE(messages->size(), 1);
        QVERIFY(messages->first().contains("download"));
        QVERIFY(w.isVisible());
        QCOMPARE(DownloadList::instance().running(), 1);
        // Quitting anyway cancels it and leaves no partial file.
        TestUtil::answerQuestions(true);
        QVERIFY(w.close());
        QVERIFY(!w.isVisible());
        QCOMPARE(messages->size(), 2);
        QVERIFY(QDir(w.appsFolder()).entryList(partial, QDir::Files | QDir::Hidden).isEmpty());
        QVERIFY(TestUtil::waitFor([&] { return DownloadList::instance().running() == 0; }));
    }

    // Installing a web app from the home page: the boxes come in the order
    // of the events, read by a user who takes them only once the download
    // has ended; the indicator tells the end, and "Show" finds the new app.
    void installBoxesInOrderAndShowFindsTheApp_data()
    {
        QTest::addColumn<bool>("iconThere");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QString>("state");
        QTest::newRow("installed") << true << "Download Finish"
                                   << "Done";
        QTest::newRow("failed") << false << "Download failed: "
                                << "Failed";
    }
    void installBoxesInOrderAndShowFindsTheApp()
    {
        QFETCH(bool, iconThere);
        QFETCH(QString, second);
        QFETCH(QString, state);
        QTemporaryDir root;
        TestHttpServer server;
        QVERIFY(server.start());
        if (iconThere) {
            QImage icon(16, 16, QImage::Format_RGB32);
            icon.fill(Qt::blue);
            QByteArray png;
            QBuffer buffer(&png);
            QVERIFY(buffer.open(QIODevice::WriteOnly) && icon.save(&buffer, "PNG"));
            server.route("/icon.png", png, "image/png");
        }
        MainWindow w(ShellPaths::under(root.path()));
        QVERIFY(waitForHome(w));
        Messages::dismissAutomatically({});
        QStringList seen;
        QTimer user;
        connect(&user, &QTimer::timeout, [&seen] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible() || DownloadList::instance().running() > 0)
                return;
            seen << box->text();
            QTest::keyClick(box, Qt::Key_Return);
        });
        user.start(20);
        eval(w, "myob.downloadapp('Web App', 'https://example.test/', '" +
                    server.url("/icon.png").toString() + "')");
        QTRY_COMPARE(seen.size(), 2);
        user.stop();
        QCOMPARE(seen.first(), QStringLiteral("Download Started"));
        QVERIFY2(seen.last().startsWith(second), qPrintable(seen.last()));
        QTRY_COMPARE(eval(w, "jQuery('#dlstate').text()").toString(), state);
        // A failed one shows no full green bar.
        QCOMPARE(eval(w, "jQuery('#dlfill').css('background-color')").toString(),
                 iconThere ? QStringLiteral("rgb(76, 217, 100)")
                           : QStringLiteral("rgb(255, 59, 48)"));
        QCOMPARE(eval(w, "jQuery('#dlshow').is(':visible')").toBool(), iconThere);
        if (!iconThere)
            return;
        QCOMPARE(eval(w, "vantara.downloads().pop().folder").toString(), QString());
        eval(w, "jQuery('#dlshow').click()");
        QCOMPARE(eval(w, "jQuery('a.keyfocus').attr('data-name')").toString(),
                 QStringLiteral("Web App"));
        QCOMPARE(eval(w, "vantara.appOnTop()").toInt(), -1);
    }

    void closeitEndsTheLoop()
    {
        MainWindow w;
        QVERIFY(waitForHome(w));
        QVERIFY(w.isVisible());
        eval(w, "myob.closeit()");
        QVERIFY(!w.isVisible());
    }
};

QTEST_MAIN(TestShellBridge)
#include "tst_bridge.moc"
