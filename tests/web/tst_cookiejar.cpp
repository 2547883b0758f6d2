#include "TestHttpServer.h"
#include "TestShell.h"
#include "web/CookieStore.h"
#include "web/NetworkCookieJar.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QWebPage>
#include <QWebView>
#include <memory>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace
{
QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
}

// The folder the test runs in, fresh for each run: the jars' cookie folder.
QString workingFolder()
{
    return QDir::currentPath();
}

// A web view whose page persists its cookies in a jar made from jarName.
std::unique_ptr<QWebView> viewWithJar(const QString &jarName)
{
    auto view = std::make_unique<QWebView>();
    view->page()->networkAccessManager()->setCookieJar(
        new NetworkCookieJar(jarName, workingFolder()));
    return view;
}

QByteArray cookieHeaderOf(const TestHttpServer &server, const QByteArray &path)
{
    return server.lastRequest(path).headers.value("cookie");
}

TestHttpServer::Response setting(const QList<QByteArray> &setCookies)
{
    TestHttpServer::Response r;
    r.body = "<html><body>ok</body></html>";
    r.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("text/html")));
    for (const QByteArray &c : setCookies)
        r.headers.append(qMakePair(QByteArray("Set-Cookie"), c));
    return r;
}
} // namespace

class TestCookieJar : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void fileNameRule_data();
    void fileNameRule();
    void serverCookiesPersistAcrossRestart();
    void attributesRoundTrip();
    void blankAndBrokenLinesAddNothing();
    void jarsOnOneFileKeepBothPagesCookies();
    void refusedNamesPersistNothing();
    void longNamesStillPersist();
    void unwritableFolderKeepsOldFile();
    void interruptedSaveKeepsOldFile();
    void foreignFilesStayUntouched_data();
    void foreignFilesStayUntouched();
    void manyResponsesMakeOneWrite();
    void quitRightAfterAResponseStillSaves();

private:
    QTemporaryDir work;
    QString previousDir;
    TestHttpServer *server = nullptr;
};

void TestCookieJar::init()
{
    previousDir = QDir::currentPath();
    QVERIFY(work.isValid());
    QDir(work.path()).removeRecursively();
    QDir().mkpath(work.path());
    QVERIFY(QDir::setCurrent(work.path()));
    server = new TestHttpServer(this);
    QVERIFY(server->start());
}

void TestCookieJar::cleanup()
{
    delete server;
    server = nullptr;
    QDir::setCurrent(previousDir);
}

void TestCookieJar::fileNameRule_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("file");
    QTest::newRow("three labels") << "https://www.example.test/path?q=1"
                                  << "example.test";
    QTest::newRow("other first label") << "http://mail.example.test/"
                                       << "example.test";
    QTest::newRow("two labels") << "https://duckduckgo.com/"
                                << "com";
    QTest::newRow("single label") << "http://localhost:8080/x"
                                  << "localhost";
    QTest::newRow("account text") << "me@mail.example.test"
                                  << "me@mail.example.test";
    QTest::newRow("@ first") << "@example.test"
                             << "";
    QTest::newRow("no host") << "just words"
                             << "";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("separator with @") << "http://me@example.test/"
                                      << "";
    QTest::newRow("parent with @") << "..@example.test"
                                   << "";
    QTest::newRow("backslash with @") << "a\\b@example.test"
                                      << "";
    QTest::newRow("drive with @") << "C:me@example.test"
                                  << "";
}

void TestCookieJar::fileNameRule()
{
    QFETCH(QString, name);
    QFETCH(QString, file);
    QCOMPARE(NetworkCookieJar::fileNameFor(name), file);
    // The file lies in the folder the jar is given, whatever the current one.
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const NetworkCookieJar jar(name, folder.path());
    QCOMPARE(jar.filePath(),
             file.isEmpty() ? QString() : QDir(folder.path()).absoluteFilePath(file));
}

void TestCookieJar::serverCookiesPersistAcrossRestart()
{
    const QDateTime later = QDateTime::currentDateTimeUtc().addDays(30);
    server->route("/set",
                  setting({"sid=abc123; Path=/", "keep=1; Path=/; Expires=" +
                                                     later.toString(Qt::RFC2822Date).toLatin1()}));
    server->route("/echo", "<html><body>echo</body></html>");
    const QString jarName = QStringLiteral("https://www.example.test/");
    const QString file = QDir::current().absoluteFilePath(QStringLiteral("example.test"));
    {
        auto view = viewWithJar(jarName);
        QVERIFY(TestUtil::loadUrl(view.get(), server->url(QStringLiteral("/set"))));
        QVERIFY(TestUtil::waitFor([&] { return QFile::exists(file); }));
        const QList<QNetworkCookie> saved = CookieStore::parseFile(readAll(file));
        QCOMPARE(saved.size(), 2);
        QCOMPARE(saved.at(0).name(), QByteArray("sid"));
        QVERIFY(saved.at(0).isSessionCookie());
        QCOMPARE(saved.at(1).name(), QByteArray("keep"));
        QVERIFY(!saved.at(1).isSessionCookie());
        const QFileDevice::Permissions mode = QFile::permissions(file);
        QVERIFY(mode.testFlag(QFileDevice::ReadOwner) && mode.testFlag(QFileDevice::WriteOwner));
        QCOMPARE(int(mode & 0x0077), 0); // nothing for group or others
    }
    // A line the previous run did not write shows that the new jar reads the file.
    QFile f(file);
    QVERIFY(f.open(QIODevice::Append));
    f.write("extra=7; domain=127.0.0.1; path=/\n");
    f.close();

    auto restarted = viewWithJar(jarName);
    QVERIFY(TestUtil::loadUrl(restarted.get(), server->url(QStringLiteral("/echo"))));
    const QByteArray sent = cookieHeaderOf(*server, "/echo");
    QVERIFY2(sent.contains("sid=abc123"), sent);
    QVERIFY2(sent.contains("keep=1"), sent);
    QVERIFY2(sent.contains("extra=7"), sent);
}

void TestCookieJar::attributesRoundTrip()
{
    QNetworkCookie full("token", "v=1,x");
    full.setDomain(QStringLiteral(".example.test"));
    full.setPath(QStringLiteral("/app"));
    full.setExpirationDate(QDateTime(QDate(2099, 5, 6), QTime(7, 8, 9), Qt::UTC));
    full.setSecure(true);
    full.setHttpOnly(true);
    QNetworkCookie session("plain", "value");
    session.setDomain(QStringLiteral("www.example.test"));
    session.setPath(QStringLiteral("/"));
    {
        NetworkCookieJar jar(QStringLiteral("https://www.example.test/"), workingFolder());
        QVERIFY(jar.insertCookie(full));
        QVERIFY(jar.insertCookie(session));
    }
    const QByteArray content = readAll(QStringLiteral("example.test"));
    QCOMPARE(content.count('\n'), 2);
    QVERIFY(content.endsWith('\n'));

    NetworkCookieJar again(QStringLiteral("https://shop.example.test/"), workingFolder());
    const QList<QNetworkCookie> back = again.cookies();
    QCOMPARE(back.size(), 2);
    for (const QNetworkCookie &c : back) {
        const QNetworkCookie &want = c.name() == "token" ? full : session;
        QCOMPARE(c.name(), want.name());
        QCOMPARE(c.value(), want.value());
        QCOMPARE(c.domain(), want.domain());
        QCOMPARE(c.path(), want.path());
        QCOMPARE(c.expirationDate(), want.expirationDate());
        QCOMPARE(c.isSessionCookie(), want.isSessionCookie());
        QCOMPARE(c.isSecure(), want.isSecure());
        QCOMPARE(c.isHttpOnly(), want.isHttpOnly());
    }
}

void TestCookieJar::blankAndBrokenLinesAddNothing()
{
    writeFile(QStringLiteral("example.test"),
              "\n   \n\t\na=1; domain=.example.test; path=/\n\n"
              "old=2; domain=.example.test; path=/; expires=Thu, 01-Jan-1998 00:00:00 GMT\n"
              "b=2; domain=.example.test; path=/");
    NetworkCookieJar jar(QStringLiteral("https://www.example.test/"), workingFolder());
    const QList<QNetworkCookie> loaded = jar.cookies();
    QCOMPARE(loaded.size(), 2);
    QCOMPARE(loaded.at(0).name(), QByteArray("a"));
    QCOMPARE(loaded.at(1).name(), QByteArray("b"));
    QCOMPARE(jar.cookiesForUrl(QUrl(QStringLiteral("https://www.example.test/x"))).size(), 2);
}

void TestCookieJar::jarsOnOneFileKeepBothPagesCookies()
{
    server->route("/a", setting({"first=A; Path=/"}));
    server->route("/b", setting({"second=B; Path=/"}));
    server->route("/echo", "<html></html>");
    // Made before either page receives anything, as two open apps are.
    auto pageA = viewWithJar(QStringLiteral("https://a.example.test/"));
    auto pageB = viewWithJar(QStringLiteral("https://b.example.test/"));
    QVERIFY(TestUtil::loadUrl(pageA.get(), server->url(QStringLiteral("/a"))));
    QVERIFY(TestUtil::loadUrl(pageB.get(), server->url(QStringLiteral("/b"))));
    QVERIFY(TestUtil::waitFor([] {
        return CookieStore::parseFile(readAll(QStringLiteral("example.test"))).size() == 2;
    }));

    QStringList names;
    for (const QNetworkCookie &c : CookieStore::parseFile(readAll(QStringLiteral("example.test"))))
        names << QString::fromLatin1(c.name());
    QCOMPARE(names, QStringList({"first", "second"}));

    QVERIFY(TestUtil::loadUrl(pageA.get(), server->url(QStringLiteral("/echo"))));
    QVERIFY(cookieHeaderOf(*server, "/echo").contains("second=B"));

    // Closing one page leaves the other's store (and file) whole.
    pageA.reset();
    server->route("/c", setting({"third=C; Path=/"}));
    QVERIFY(TestUtil::loadUrl(pageB.get(), server->url(QStringLiteral("/c"))));
    QVERIFY(TestUtil::waitFor([] {
        return CookieStore::parseFile(readAll(QStringLiteral("example.test"))).size() == 3;
    }));
}

void TestCookieJar::refusedNamesPersistNothing()
{
    QDir().mkpath(QStringLiteral("inner"));
    QVERIFY(QDir::setCurrent(QStringLiteral("inner")));
    server->route("/set", setting({"s=1; Path=/"}));
    server->route("/echo", "<html></html>");
    auto view = viewWithJar(QStringLiteral("../escape@example.test"));
    QVERIFY(TestUtil::loadUrl(view.get(), server->url(QStringLiteral("/set"))));
    // Still a working jar for the page, but nothing on disk anywhere.
    QVERIFY(TestUtil::loadUrl(view.get(), server->url(QStringLiteral("/echo"))));
    QCOMPARE(cookieHeaderOf(*server, "/echo"), QByteArray("s=1"));
    QVERIFY(QDir().entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    QCOMPARE(QDir(work.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList({"inner"}));
}

void TestCookieJar::longNamesStillPersist()
{
    // Account texts longer than a file name can be: each still keeps its
    // cookies, in a file of its own.
    const QString tail = QStringLiteral("@example.test");
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    const QStringList names = {QString(300, QLatin1Char('a')) + QLatin1Char('1') + tail,
                               QString(300, QLatin1Char('a')) + QLatin1Char('2') + tail,
                               emoji.repeated(100) + tail, QString(200, QChar(0x6771)) + tail};
    QNetworkCookie cookie("k", "v");
    cookie.setDomain(QStringLiteral(".example.test"));
    cookie.setPath(QStringLiteral("/"));
    QSet<QString> files;
    for (const QString &name : names) {
        const QString file = NetworkCookieJar::fileNameFor(name);
        QVERIFY2(QFile::encodeName(file).size() <= 248, qPrintable(file));
        QCOMPARE(QFile::decodeName(QFile::encodeName(file)), file); // no half character
        QCOMPARE(file.left(10), name.left(10));
        files.insert(file);
        {
            NetworkCookieJar jar(name, workingFolder());
            QVERIFY(jar.insertCookie(cookie));
        }
        QVERIFY2(QFile::exists(file), qPrintable(file));
        QCOMPARE(NetworkCookieJar(name, workingFolder()).cookies().size(), 1);
    }
    QCOMPARE(files.size(), names.size());
    // A name that fits is the file name as it is.
    const QString fits = QString(248 - tail.size(), QLatin1Char('b')) + tail;
    QCOMPARE(NetworkCookieJar::fileNameFor(fits), fits);
}

void TestCookieJar::unwritableFolderKeepsOldFile()
{
    const QByteArray old = "kept=1; domain=.example.test; path=/\n";
    writeFile(QStringLiteral("example.test"), old);
    NetworkCookieJar jar(QStringLiteral("https://www.example.test/"), workingFolder());
    const QSharedPointer<CookieStore> store = CookieStore::forFile(QStringLiteral("example.test"));
    bool accepted = false;
    bool saved = true;
#ifdef Q_OS_UNIX
    if (geteuid() == 0) {
        // Folder permissions do not bind the super-user; no file can be
        // created when no descriptor is left either.
        rlimit previous{};
        getrlimit(RLIMIT_NOFILE, &previous);
        const int probe = dup(0);
        rlimit none = previous;
        none.rlim_cur = rlim_t(probe);
        close(probe);
        QCOMPARE(setrlimit(RLIMIT_NOFILE, &none), 0);
        accepted = jar.setCookiesFromUrl({QNetworkCookie("fresh", "2")},
                                         QUrl("https://www.example.test/"));
        saved = store->save();
        setrlimit(RLIMIT_NOFILE, &previous);
    } else
#endif
    {
        QVERIFY(QFile::setPermissions(work.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        accepted = jar.setCookiesFromUrl({QNetworkCookie("fresh", "2")},
                                         QUrl("https://www.example.test/"));
        saved = store->save();
        QFile::setPermissions(work.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ExeOwner);
    }
    QVERIFY(accepted);
    QVERIFY(!saved);
    QCOMPARE(readAll(QStringLiteral("example.test")), old);
    QCOMPARE(QDir().entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList({"example.test"}));
    // Kept in memory for the page all the same.
    QCOMPARE(jar.cookies().size(), 2);
}

void TestCookieJar::interruptedSaveKeepsOldFile()
{
#ifndef Q_OS_UNIX
    QSKIP("needs a file size limit");
#else
    const QByteArray old = "kept=1; domain=.example.test; path=/\n";
    writeFile(QStringLiteral("example.test"), old);
    NetworkCookieJar jar(QStringLiteral("https://www.example.test/"), workingFolder());

    // The disk "fills up" after 200 bytes: the write of a large cookie fails.
    signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    rlimit small = previous;
    small.rlim_cur = 200;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    QNetworkCookie big("big", QByteArray(4000, 'x'));
    const bool accepted = jar.setCookiesFromUrl({big}, QUrl("https://www.example.test/"));
    const QSharedPointer<CookieStore> store = CookieStore::forFile(QStringLiteral("example.test"));
    const bool saved = store->save();
    setrlimit(RLIMIT_FSIZE, &previous);

    QVERIFY(accepted);
    QVERIFY(!saved);
    QCOMPARE(readAll(QStringLiteral("example.test")), old);
    QCOMPARE(QDir().entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList({"example.test"}));
    // The next save that fits writes everything the jar holds.
    QVERIFY(
        jar.setCookiesFromUrl({QNetworkCookie("small", "3")}, QUrl("https://www.example.test/")));
    QVERIFY(store->save());
    QCOMPARE(CookieStore::parseFile(readAll(QStringLiteral("example.test"))).size(), 3);
#endif
}

void TestCookieJar::foreignFilesStayUntouched_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("folder");
    // The start of a shared library, as the program folder holds one.
    QByteArray library("\x7f"
                       "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x03\0>\0",
                       20);
    library += QByteArray(4000, '\0') + "GLIBC_2.2.5\nsid=1; path=/\n";
    QTest::newRow("binary") << library << false;
    QTest::newRow("invalid UTF-8") << QByteArray("a=1; path=/\n\xff\xfe\n") << false;
    QTest::newRow("text") << QByteArray("#!/bin/sh\nexec ./Vantara \"$@\"\n") << false;
    QTest::newRow("one line not a cookie")
        << QByteArray("a=1; domain=.example.test; path=/\nnot a cookie line\n") << false;
    const QByteArray line = "a=1; domain=.example.test; path=/\n";
    QTest::newRow("huge") << line.repeated(int(CookieStore::maxFileBytes / line.size()) + 1)
                          << false;
    QTest::newRow("folder") << QByteArray() << true;
}

void TestCookieJar::foreignFilesStayUntouched()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, folder);
    // "x.example.test" gives the file "example.test", as "x.libvantara.so"
    // gave the program's own library.
    const QString file = QStringLiteral("example.test");
    if (folder) {
        QVERIFY(QDir().mkpath(file + QStringLiteral("/inside")));
    } else {
        writeFile(file, content);
    }
    server->route("/set", setting({"sid=new; Path=/"}));
    server->route("/echo", "<html></html>");
    {
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("Cookies for .* stay in memory")));
        auto view = viewWithJar(QStringLiteral("https://x.example.test/"));
        QVERIFY(TestUtil::loadUrl(view.get(), server->url(QStringLiteral("/set"))));
        // The cookies work for the page, from memory, and nothing of the file.
        QVERIFY(TestUtil::loadUrl(view.get(), server->url(QStringLiteral("/echo"))));
        QCOMPARE(cookieHeaderOf(*server, "/echo"), QByteArray("sid=new"));
        auto *jar =
            static_cast<NetworkCookieJar *>(view->page()->networkAccessManager()->cookieJar());
        QVERIFY(!CookieStore::forFile(file)->persists());
        QVERIFY(!CookieStore::forFile(file)->save());
        QTest::qWait(CookieStore::saveDelayMs * 2);
        QCOMPARE(jar->cookies().size(), 1);
    }
    // Byte for byte what it was, also after the store has gone.
    if (folder) {
        QVERIFY(QFileInfo(file).isDir());
        QVERIFY(QFileInfo(file + QStringLiteral("/inside")).isDir());
    } else {
        QCOMPARE(readAll(file), content);
    }
    QCOMPARE(QDir().entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
             QStringList({file}));
}

void TestCookieJar::manyResponsesMakeOneWrite()
{
    // One page whose twenty images each set a cookie.
    QByteArray page = "<html><body>";
    for (int i = 0; i < 20; ++i) {
        const QByteArray n = QByteArray::number(i);
        TestHttpServer::Response image = setting({"c" + n + "=" + n + "; Path=/"});
        image.headers[0].second = "image/png";
        server->route("/img" + n, image);
        page += "<img src='/img" + n + "'>";
    }
    server->route("/page", page + "</body></html>");
    const QString file = QDir::current().absoluteFilePath(QStringLiteral("example.test"));
    auto view = viewWithJar(QStringLiteral("https://www.example.test/"));
    const QSharedPointer<CookieStore> store = CookieStore::forFile(file);
    QVERIFY(TestUtil::loadUrl(view.get(), server->url(QStringLiteral("/page"))));
    QVERIFY(TestUtil::waitFor([&] { return store->cookies().size() == 20; }));
    QVERIFY(TestUtil::waitFor([&] { return CookieStore::parseFile(readAll(file)).size() == 20; }));
    QTest::qWait(CookieStore::saveDelayMs * 2);
    // Not one write per response: one, or a few should the responses have
    // been spread over more than the delay.
    QVERIFY2(store->writeCount() >= 1 && store->writeCount() <= 3,
             qPrintable(QString::number(store->writeCount())));

    // Responses that come together make exactly one write.
    const int before = store->writeCount();
    auto *jar = static_cast<NetworkCookieJar *>(view->page()->networkAccessManager()->cookieJar());
    for (int i = 0; i < 50; ++i)
        QVERIFY(jar->setCookiesFromUrl({QNetworkCookie("n" + QByteArray::number(i), "v")},
                                       QUrl("https://www.example.test/")));
    QCOMPARE(store->writeCount(), before);
    QVERIFY(TestUtil::waitFor([&] { return store->writeCount() > before; }));
    QTest::qWait(CookieStore::saveDelayMs * 2);
    QCOMPARE(store->writeCount(), before + 1);
    QCOMPARE(CookieStore::parseFile(readAll(file)).size(), 70);
}

void TestCookieJar::quitRightAfterAResponseStillSaves()
{
    server->route("/set", setting({"late=1; Path=/"}));
    const QString file = QDir::current().absoluteFilePath(QStringLiteral("example.test"));
    auto view = viewWithJar(QStringLiteral("https://www.example.test/"));
    QVERIFY(TestUtil::loadUrl(view.get(), server->url(QStringLiteral("/set"))));
    // The application quits before the delay is over; the page lives on.
    QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit");
    QCOMPARE(CookieStore::parseFile(readAll(file)).size(), 1);

    // The store's end writes too.
    QVERIFY(QFile::remove(file));
    auto *jar = static_cast<NetworkCookieJar *>(view->page()->networkAccessManager()->cookieJar());
    QVERIFY(jar->insertCookie(
        QNetworkCookie::parseCookies("other=2; domain=.example.test; path=/").first()));
    QVERIFY(!QFile::exists(file));
    view.reset();
    QCOMPARE(CookieStore::parseFile(readAll(file)).size(), 2);
}

QTEST_MAIN(TestCookieJar)
#include "tst_cookiejar.moc"
