#include "../install/InstallTestUtil.h"
#include "TestHttpServer.h"
#include "TestShell.h"
#include "app/MainWindow.h"
#include "shell/Messages.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QMetaMethod>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QPointer>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QWebFrame>
#include <QWebView>
#include <algorithm>

using namespace InstallTestUtil;

namespace
{
// Sends every connection to a host other than this machine to a closed local
// port, and remembers the host: nothing leaves, and the test sees who tried.
class LocalOnlyProxies : public QNetworkProxyFactory
{
public:
    QStringList outsideHosts;

    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery &query) override
    {
        const QString host = query.peerHostName();
        if (host.isEmpty() || host == QLatin1String("127.0.0.1") ||
            host == QLatin1String("localhost"))
            return {QNetworkProxy::NoProxy};
        outsideHosts << host;
        return {QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), 9)};
    }
};

// Size and digest of every file below the given folders, by path.
QMap<QString, QByteArray> snapshot(const QStringList &roots)
{
    QMap<QString, QByteArray> files;
    for (const QString &root : roots) {
        QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QFileInfo info = it.fileInfo();
            if (!info.isFile()) {
                files.insert(path, "folder");
                continue;
            }
            QFile f(path);
            QCryptographicHash hash(QCryptographicHash::Md5);
            if (f.open(QIODevice::ReadOnly))
                hash.addData(&f);
            files.insert(path, QByteArray::number(info.size()) + ' ' + hash.result().toHex());
        }
    }
    return files;
}

// 10 MB of quotes, backslashes, line breaks and path pieces, made once per
// page.
const QString bigText =
    QStringLiteral("(window.big || (window.big = (function () {"
                   " var s = 'x\\'\"\\\\\\n\\u2028</script>/../';"
                   " while (s.length < 10485760) s += s; return s.substring(0, 10485760); })()))");

bool isUnder(const QString &path, const QString &folder)
{
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}
} // namespace

// Page script of anyone calls the shell: every public slot of the main
// window, through myob on the home page and api on a local app's page, with
// values of the wrong type, too few and too many arguments, empty texts,
// 10 MB texts and paths that lead elsewhere. The shell must neither crash nor
// hang, must stay usable, and may write only into the Apps folder, the
// documents folder and the working folder; nothing may leave the machine.
class TestHostileBridge : public QObject
{
    Q_OBJECT

    TestHttpServer server;
    LocalOnlyProxies *proxies = nullptr;
    MainWindow *window = nullptr;
    QStringList *messages = nullptr;
    QTimer dialogCloser;
    QStringList roots;   // folders the test watches
    QStringList allowed; // and where writing is expected
    QMap<QString, QByteArray> before;

    static QString apps()
    {
        return QCoreApplication::applicationDirPath() + QStringLiteral("/Apps");
    }
    QVariant home(const QString &script) const
    {
        return window->homeView()->page()->mainFrame()->evaluateJavaScript(script);
    }
    QWebFrame *probeFrame();
    void closeAllPages();
    QStringList writesOutsideAllowedPlaces() const;
    void callEverySlot(QWebFrame *frame, const QString &object, const QStringList &values,
                       int arity);

private slots:
    void initTestCase();
    void cleanupTestCase();
    void hostileCalls_data();
    void hostileCalls();
    void downloadsWithNamesThatLeadElsewhere();
    void longNamesInMessagesAreCut();
    void framesOfDownloadsFromAnAppPage();
    void closeitFromAnAppPage();
};

void TestHostileBridge::initTestCase()
{
    // The test watches the whole temporary home: it must not be the user's.
    const QString tmp = QDir(QDir::tempPath()).canonicalPath();
    const QString homePath = QDir::home().canonicalPath();
    if (!isUnder(homePath, tmp))
        QSKIP("needs a temporary HOME (run it through tests/isolated.sh)");
    QApplication::setQuitOnLastWindowClosed(false);

    proxies = new LocalOnlyProxies;
    QNetworkProxyFactory::setApplicationProxyFactory(proxies);
    {
        // The tripwire holds: an outside address is caught and goes nowhere.
        QNetworkAccessManager manager;
        QNetworkReply *reply = manager.get(QNetworkRequest(QUrl("http://vantara-test.invalid/")));
        QVERIFY(TestUtil::waitFor([reply] { return reply->isFinished(); }));
        QVERIFY(reply->error() != QNetworkReply::NoError);
        delete reply;
        QCOMPARE(proxies->outsideHosts, QStringList{"vantara-test.invalid"});
        proxies->outsideHosts.clear();
    }
    QVERIFY(server.start());
    server.route("/icon.png", "png", "image/png");
    server.route("/files/plain.txt", "plain", "text/plain");
    server.route("/store/Evil.lpk", package({{"icon.png", "i"}, {"app.con", "<config/>"}}),
                 "application/octet-stream");

    QDir(apps()).removeRecursively();
    QVERIFY(writeFile(apps() + "/Probe/app.con",
                      "<config><apptype>local</apptype><applink>index.html</applink></config>"));
    QVERIFY(writeFile(apps() + "/Probe/index.html",
                      "<html><head><title>Probe</title></head><body>probe</body></html>"));

    messages = TestUtil::recordMessages();
    // The file dialog of GetFiles is closed as soon as it shows.
    connect(&dialogCloser, &QTimer::timeout, [] {
        if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
            dialog->reject();
    });
    dialogCloser.start(20);

    window = new MainWindow;
    QSignalSpy loaded(window->homeView(), SIGNAL(loadFinished(bool)));
    QVERIFY(loaded.wait(30000));
    QTRY_VERIFY(home("typeof myob").toString() == QLatin1String("object"));
    QVERIFY(probeFrame());
    closeAllPages();

    const QString work = QDir::current().canonicalPath();
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    // The temporary root holds home, runtime and working folders.
    roots = QStringList{QFileInfo(homePath).path(), QCoreApplication::applicationDirPath()};
    // The file dialog of GetFiles keeps its last folder and history in Qt's
    // own settings file: the dialog's behaviour, not the shell's writing.
    allowed = QStringList{apps(), documents, work,
                          QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                              QStringLiteral("/QtProject.conf")};
    before = snapshot(roots);
}

void TestHostileBridge::cleanupTestCase()
{
    delete window;
    window = nullptr;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QNetworkProxyFactory::setApplicationProxyFactory(nullptr); // deletes it
    QDir(apps()).removeRecursively();
}

// The local app's page, opened (again) when it is not on top.
QWebFrame *TestHostileBridge::probeFrame()
{
    QStackedWidget *stack = window->stack();
    auto *view = qobject_cast<QWebView *>(stack->currentWidget());
    if (!view || view->objectName() != QLatin1String("Probe") ||
        view->page()->mainFrame()->evaluateJavaScript("typeof api").toString() != "object") {
        home("openit('Probe', 'local', 'Probe')");
        view = qobject_cast<QWebView *>(stack->currentWidget());
        if (!view)
            return nullptr;
        QWebFrame *frame = view->page()->mainFrame();
        if (!TestUtil::waitFor([frame] {
                return frame->evaluateJavaScript("typeof api").toString() == "object" &&
                       frame->evaluateJavaScript("document.readyState").toString() == "complete";
            }))
            return nullptr;
    }
    return view->page()->mainFrame();
}

void TestHostileBridge::closeAllPages()
{
    window->stopmp3();
    for (int guard = 0; window->stack()->count() > 0 && guard < 1000; ++guard)
        window->closeapp();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QStringList TestHostileBridge::writesOutsideAllowedPlaces() const
{
    const QMap<QString, QByteArray> after = snapshot(roots);
    QStringList changed;
    // Folders on the way to an allowed place may appear too.
    auto outside = [this](const QString &path) {
        return std::none_of(allowed.cbegin(), allowed.cend(), [&path](const QString &a) {
            return isUnder(path, a) || a.startsWith(path + QLatin1Char('/'));
        });
    };
    for (auto it = after.cbegin(); it != after.cend(); ++it)
        if (outside(it.key()) && before.value(it.key()) != it.value())
            changed << it.key();
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        if (outside(it.key()) && !after.contains(it.key()))
            changed << QStringLiteral("gone: ") + it.key();
    return changed;
}

// Calls every public slot of the window that page script sees. arity < 0:
// every parameter gets each value; otherwise each call passes the value for
// the first arity parameters only (or as that many arguments).
void TestHostileBridge::callEverySlot(QWebFrame *given, const QString &object,
                                      const QStringList &values, int arity)
{
    const QMetaObject &meta = MainWindow::staticMetaObject;
    int calls = 0;
    for (int m = meta.methodOffset(); m < meta.methodCount(); ++m) {
        const QMetaMethod method = meta.method(m);
        if (method.methodType() != QMetaMethod::Slot || method.access() != QMetaMethod::Public)
            continue;
        const QString name = QString::fromLatin1(method.name());
        if (name == QLatin1String("closeit"))
            continue; // ends the window: its own case
        for (const QString &value : values) {
            const int count = arity < 0 ? method.parameterCount() : arity;
            QStringList args;
            for (int a = 0; a < count; ++a)
                args << value;
            QWebFrame *frame = given ? given : probeFrame();
            QVERIFY2(frame, "the app page did not open again");
            const QString script = QStringLiteral("(function () { try { var r = %1['%2'](%3);"
                                                  " return 'returned ' + typeof r; }"
                                                  " catch (e) { return 'threw'; } })()")
                                       .arg(object, name, args.join(QLatin1Char(',')));
            const QString result = frame->evaluateJavaScript(script).toString();
            QVERIFY2(result.startsWith("returned") || result == QLatin1String("threw"),
                     qPrintable(QStringLiteral("%1(%2): %3").arg(name, value.left(60), result)));
            ++calls;
        }
        // The home page still has its shell.
        QCOMPARE(home("typeof myob.loadfiles").toString(), QStringLiteral("function"));
    }
    QVERIFY(calls > 30 * values.size());
}

void TestHostileBridge::hostileCalls_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<int>("arity");

    const QStringList wrongTypes{"0",
                                 "-1",
                                 "4294967297",
                                 "1e308",
                                 "-1e308",
                                 "NaN",
                                 "Infinity",
                                 "-Infinity",
                                 "true",
                                 "{}",
                                 "{length: 3, 0: 'a'}",
                                 "{toString: function () { return '../../x'; }}",
                                 "{toString: function () { throw 'no'; }}",
                                 "[1, 'a', null, [2]]",
                                 "[]",
                                 "null",
                                 "undefined",
                                 "function () { return 1; }",
                                 "new Date(0)",
                                 "/x/g",
                                 "document.body",
                                 "window"};
    const QStringList paths{"'../../outside'",
                            "'/tmp/vantara-hostile'",
                            "'..'",
                            "'.'",
                            "'/'",
                            "'file:///etc/passwd'",
                            "'javascript:alert(1)'",
                            "'a\\u0000b'",
                            "'C:\\\\Windows\\\\win.ini'",
                            "'\\u202eexe.txt'",
                            "'~/x'",
                            "'%2e%2e%2f%2e%2e%2fx'",
                            "'\\'); evil(\\''",
                            "'</script><script>evil()</script>'"};
    for (const char *object : {"myob", "api"}) {
        const QByteArray tag(object);
        QTest::newRow(tag + " wrong types") << object << wrongTypes << -1;
        QTest::newRow(tag + " no arguments") << object << QStringList{""} << 0;
        QTest::newRow(tag + " one argument") << object << QStringList{"'a'", "1"} << 1;
        QTest::newRow(tag + " too many arguments") << object << QStringList{"''"} << 6;
        QTest::newRow(tag + " empty strings") << object << QStringList{"''"} << -1;
        QTest::newRow(tag + " paths") << object << paths << -1;
        QTest::newRow(tag + " 10 MB string") << object << QStringList{bigText} << -1;
    }
}

void TestHostileBridge::hostileCalls()
{
    QFETCH(QString, object);
    QFETCH(QStringList, values);
    QFETCH(int, arity);

    // The app page's calls go to whichever probe page is on top.
    QWebFrame *frame =
        object == QLatin1String("myob") ? window->homeView()->page()->mainFrame() : nullptr;
    messages->clear();
    callEverySlot(frame, object, values, arity);
    if (QTest::currentTestFailed())
        return;

    // What the calls started has ended; the shell still works.
    QTest::qWait(300);
    closeAllPages();
    QVERIFY(probeFrame());
    QCOMPARE(window->stack()->count(), 1);
    closeAllPages();
    QVERIFY(window->stack()->isHidden());
    const QStringList outside = writesOutsideAllowedPlaces();
    QVERIFY2(outside.isEmpty(), qPrintable(outside.join('\n')));
    QVERIFY2(proxies->outsideHosts.isEmpty(), qPrintable(proxies->outsideHosts.join(' ')));
}

// Real downloads from this machine's server, under names that would lead
// out of the Apps folder: refused, or kept inside it.
void TestHostileBridge::downloadsWithNamesThatLeadElsewhere()
{
    const QString icon = server.url("/icon.png").toString();
    const QString file = server.url("/files/plain.txt").toString();
    const QString lpk = server.url("/store/Evil.lpk").toString();
    server.route("/store/..%2F..%2FEscape.lpk", package({{"icon.png", "i"}}),
                 "application/octet-stream");
    server.route("/files/..%2F..%2Fescape.txt", "escape", "text/plain");
    const QStringList names{
        "../../outside", "..", "/tmp/vantara-hostile", "a/b", "", "a\\b", "C:x", ".", "\u202e"};
    for (const QString &name : names) {
        window->downloadapp(name, server.url("/app").toString(), icon);
        window->LoadPack(lpk, name);
        window->DownFile(file, name);
    }
    window->installLpk(server.url("/store/..%2F..%2FEscape.lpk").toString());
    window->DownFile(server.url("/files/..%2F..%2Fescape.txt").toString(), "Probe");
    window->installBatch("../../../bin/true");
    window->installBatch("/bin/true");
    window->Wallpaper("../../../../etc/passwd");
    QVERIFY(TestUtil::waitFor([this] { return server.requests().size() >= 2; }));
    QTest::qWait(1000);

    // Nothing outside the Apps folder; inside it only the probe app and
    // what landed in it or in a folder of one safe name.
    const QStringList outside = writesOutsideAllowedPlaces();
    QVERIFY2(outside.isEmpty(), qPrintable(outside.join('\n')));
    QVERIFY(QFileInfo(apps()).isDir());
    for (const QString &entry :
         QDir(apps()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
        QVERIFY2(!entry.contains("..") || entry.contains("%2F"), qPrintable(entry));
    QVERIFY(!QFile::exists("/tmp/vantara-hostile"));
    QVERIFY(!QFile::exists(QFileInfo(apps()).path() + "/Escape"));
    QVERIFY2(proxies->outsideHosts.isEmpty(), qPrintable(proxies->outsideHosts.join(' ')));
    // Nobody was told that any of this worked.
    for (const QString &m : *messages)
        QVERIFY2(!m.endsWith("installed") || m == QLatin1String("..%2F..%2FEscapeinstalled"),
                 qPrintable(m));
}

// A name of megabytes that a message quotes is cut short: laying out the
// whole text held the shell for minutes.
void TestHostileBridge::longNamesInMessagesAreCut()
{
    messages->clear();
    const QString name = QString(10 * 1024 * 1024, QLatin1Char('n')) + QStringLiteral("/end");
    QElapsedTimer timer;
    timer.start();
    window->DownFile(server.url("/files/plain.txt").toString(), name);
    QCOMPARE(messages->size(), 1);
    QCOMPARE(messages->at(0).size(), 1000);
    QVERIFY(messages->at(0).startsWith("\"nnnn"));
    QVERIFY(messages->at(0).endsWith("nnn..."));
    QVERIFY2(timer.elapsed() < 20000, qPrintable(QString::number(timer.elapsed())));
    // Short texts stay whole.
    messages->clear();
    window->DownFile(server.url("/files/plain.txt").toString(), "a/b");
    QCOMPARE(*messages, QStringList{"\"a/b\" is not a valid name for an app or a file"});
}

// Without the bridge and without a click, an app page frames many
// downloads: one question is asked (declined here), nothing is fetched by
// the shell, nothing of the user's is replaced and no file is written.
void TestHostileBridge::framesOfDownloadsFromAnAppPage()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QVERIFY(writeFile(documents + "/setup.bin", "mine"));
    server.route("/get/setup.bin", "from the page", "application/octet-stream");
    server.route("/get/.profile", "evil", "application/octet-stream");
    QWebFrame *frame = probeFrame();
    QVERIFY(frame);
    messages->clear();
    const int frames = 20;
    Messages::answerAutomatically([this, frames](const QString &) {
        TestUtil::waitFor([&] { return server.requestCount("/get/setup.bin") >= frames; }, 30000);
        QTest::qWait(300);
        return false;
    });
    frame->evaluateJavaScript(
        QStringLiteral("for (var i = 0; i < %1; ++i) {"
                       " var f = document.createElement('iframe');"
                       " f.src = '%2'; document.body.appendChild(f); }"
                       "var p = document.createElement('iframe');"
                       "p.src = '%3'; document.body.appendChild(p);")
            .arg(frames)
            .arg(server.url("/get/setup.bin").toString(), server.url("/get/.profile").toString()));
    const QString question =
        "127.0.0.1 wants to save \"setup.bin\" (13 bytes) in your documents. Save it?";
    const bool asked = TestUtil::waitFor([&] { return messages->contains(question); }, 30000);
    QTest::qWait(500);
    Messages::answerAutomatically({});
    QVERIFY(asked);
    QCOMPARE(messages->count(question), 1);
    // The question after a saved file names it under its text.
    QCOMPARE(messages->filter(QRegularExpression("^The installer will now start !")).size(), 0);
    QCOMPARE(server.requestCount("/get/setup.bin"), frames);
    QCOMPARE(readFile(documents + "/setup.bin"), QByteArray("mine"));
    QVERIFY(!QFileInfo::exists(documents + "/.profile"));
    QVERIFY(!QFileInfo::exists(documents + "/setup (1).bin"));
    QFile::remove(documents + "/setup.bin");
    closeAllPages();
}

void TestHostileBridge::closeitFromAnAppPage()
{
    QWebFrame *frame = probeFrame();
    QVERIFY(frame);
    QVERIFY(window->isVisible());
    // With an app open the user is asked first; the default keeps the shell.
    messages->clear();
    frame->evaluateJavaScript("api.closeit(1, {}, " + bigText + ")");
    QVERIFY(window->isVisible());
    QCOMPARE(messages->size(), 1);
    TestUtil::answerQuestions(true);
    frame->evaluateJavaScript("api.closeit(1, {}, " + bigText + ")");
    QVERIFY(!window->isVisible());
}

QTEST_MAIN(TestHostileBridge)
#include "tst_hostilebridge.moc"
