#include "HomePage.h"
#include "TestShell.h"
#include "apps/AppCatalogue.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QWebFrame>
#include <QWebView>

namespace
{
// Records the page functions the catalogue calls, with the type of each argument.
const char recordingPage[] =
    "<html><body><script>var calls = [];"
    "function note(name, args) { calls.push(name + '(' + Array.prototype.map.call(args,"
    " function(a){ return typeof a + ':' + a; }).join('|') + ')'); }"
    "function sizeitems() { note('sizeitems', arguments); }"
    "function makeapp() { note('makeapp', arguments); }"
    "</script></body></html>";

void touch(const QString &path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}
} // namespace

// The catalogue against real folders and a real page.
class TestAppCatalogue : public QObject
{
    Q_OBJECT

private:
    QStringList callsAfterLoad(TestShell &shell)
    {
        if (!shell.loadHome(QString::fromLatin1(recordingPage), QUrl("qrc:/Lumo.html")))
            return {QStringLiteral("page did not load")};
        AppCatalogue(shell).load();
        return shell.homeFrame()->evaluateJavaScript("calls").toStringList();
    }

private slots:
    void listingOrderAndFilters()
    {
        QTemporaryDir dir;
        QDir apps(dir.path());
        for (const char *name : {"Zed", "alpha", "Music.map", "Beta", "Photos.map", "notes.mapped",
                                 "Old.MAP", ".hidden", "a,b", "_under", "10 Apps"})
            QVERIFY(apps.mkdir(QString::fromUtf8(name)));
        touch(apps.filePath("readme.txt"));
        QCOMPARE(
            AppCatalogue::appNames(dir.path()),
            QStringList({"10 Apps", "_under", "alpha", "Beta", "Old.MAP", "readme.txt", "Zed"}));
        QCOMPARE(AppCatalogue::appNames(dir.path() + "/missing"), QStringList());
    }

    void cleanFolderPath()
    {
        QCOMPARE(AppCatalogue::cleanFolderPath("/opt//vantara/./bin/../Apps/"),
                 QStringLiteral("/opt/vantara/Apps"));
        QCOMPARE(AppCatalogue::cleanFolderPath("Apps"), QDir::currentPath() + "/Apps");
    }

    void threeCallsInOrder()
    {
        TestShell shell;
        QDir apps(shell.appsFolder());
        for (const char *name : {"Zed", "alpha", "Music.map", "Beta"})
            QVERIFY(apps.mkdir(QString::fromUtf8(name)));
        touch(apps.filePath("notes.txt"));

        const QRect desktop = shell.screenArea();
        const QString path = QDir::cleanPath(shell.programFolder() + "/Apps");
        QVERIFY(!path.contains("//"));
        QCOMPARE(callsAfterLoad(shell),
                 QStringList({QStringLiteral("sizeitems(number:%1|number:%2)")
                                  .arg(desktop.width())
                                  .arg(desktop.height()),
                              QStringLiteral("sizeitems(number:%1|number:%2)")
                                  .arg(shell.mainWindow()->width())
                                  .arg(shell.mainWindow()->height()),
                              "makeapp(string:alpha,Beta,notes.txt,Zed|string:" + path + ")"}));
    }

    void namesReachThePageUnchanged()
    {
        TestShell shell;
        QDir apps(shell.appsFolder());
        const QStringList odd = {"it's", "back\\slash", "quote\"d", "<script>", "日本語 app"};
        for (const QString &name : odd)
            QVERIFY(apps.mkdir(name));
        const QStringList calls = callsAfterLoad(shell);
        QCOMPARE(calls.value(2),
                 "makeapp(string:<script>,back\\slash,it's,quote\"d,日本語 app|string:" +
                     QDir::cleanPath(apps.path()) + ")");
    }

    void noAppsGivesAnEmptyList()
    {
        TestShell shell;
        QDir apps(shell.appsFolder());
        QVERIFY(apps.mkdir("Music.map"));
        QVERIFY(apps.mkdir("Photos.map"));
        QCOMPARE(callsAfterLoad(shell).value(2),
                 "makeapp(string:|string:" + QDir::cleanPath(apps.path()) + ")");
        QVERIFY(QDir(apps.path()).removeRecursively());
        QCOMPARE(callsAfterLoad(shell).value(2),
                 "makeapp(string:|string:" + QDir::cleanPath(apps.path()) + ")");
    }

    void speaksOnlyToTheHomePage()
    {
        TestShell shell;
        QVERIFY(QDir(shell.appsFolder()).mkdir("Secret"));
        QWebFrame *frame = shell.homeView()->page()->mainFrame();
        // The same recording page, from anywhere but the home page's address.
        for (const char *base : {"about:blank", "http://127.0.0.1:9/Lumo.html", "qrc:/Lumo.html?x",
                                 "file:///tmp/Lumo.html", "qrc:/other.html"}) {
            QVERIFY(shell.loadHome(QString::fromLatin1(recordingPage), QUrl(base)));
            QCOMPARE(shell.homeFrame(), nullptr);
            AppCatalogue(shell).load();
            QCOMPARE(frame->evaluateJavaScript("calls").toStringList(), QStringList());
        }
        QCOMPARE(callsAfterLoad(shell).size(), 3);
        QVERIFY(callsAfterLoad(shell).value(2).contains("Secret"));
    }

    void fillsTheRealHomePage()
    {
        TestBridge recorder;
        TestShell shell(&recorder);
        QWebFrame *frame = shell.homeView()->page()->mainFrame();
        connect(frame, &QWebFrame::javaScriptWindowObjectCleared, &recorder,
                [&] { frame->addToJavaScriptWindowObject("myob", &recorder); });
        QDir apps(shell.appsFolder());
        for (const char *name : {"Weather", "clock", "Music.map", "<b onclick=x>x"})
            QVERIFY(apps.mkdir(QString::fromUtf8(name)));
        QFile::copy(":/assets/ios7/photos.png", apps.filePath("Weather/icon.png"));
        QVERIFY(TestUtil::loadUrl(shell.homeView(), QUrl("qrc:/Lumo.html")));

        AppCatalogue(shell).load();
        QCOMPARE(frame
                     ->evaluateJavaScript("jQuery('#swipe_container p').map(function(){ return "
                                          "jQuery(this).text(); }).get().join('/')")
                     .toString(),
                 QStringLiteral("<b onclick=x>x/clock/Weather"));
        QCOMPARE(frame->evaluateJavaScript("jQuery('#swipe_container b').length").toInt(), 0);
        QCOMPARE(frame->evaluateJavaScript("jQuery('div.item:first')[0].style.width").toString(),
                 QString::number(shell.mainWindow()->width()) + "px");
        // The page reaches the icons in the Apps folder.
        QVERIFY(TestUtil::waitFor([&] {
            return frame->evaluateJavaScript("jQuery('.imgicon:last')[0].naturalWidth").toInt() ==
                   150;
        }));
        QCOMPARE(frame->evaluateJavaScript("pat").toString(),
                 "file:///" + QDir::cleanPath(apps.path()));
        QCOMPARE(recorder.calls, QStringList());
    }
};

QTEST_MAIN(TestAppCatalogue)
#include "tst_appcatalogue.moc"
