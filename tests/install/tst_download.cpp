#include "InstallTestUtil.h"
#include "TestHttpServer.h"
#include "install/Download.h"
#include "install/DownloadProgress.h"
#include "install/PendingDownloads.h"

#include <QNetworkAccessManager>
#include <QPointer>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>

using namespace InstallTestUtil;

// The one way installations fetch anything: outcome, body and redirects.
class TestDownload : public QObject
{
    Q_OBJECT

    TestHttpServer server;
    QNetworkAccessManager manager;
    QTemporaryDir work;

    // Runs one download of path to its end.
    std::unique_ptr<Download> fetch(const QUrl &url)
    {
        auto d = std::make_unique<Download>(&manager, QNetworkRequest(url), work.path(),
                                            DownloadContext{"n", "l", "i", "t"});
        QSignalSpy done(d.get(), &Download::finished);
        if (!done.wait(15000))
            return nullptr;
        return d;
    }
    std::unique_ptr<Download> fetch(const QByteArray &path)
    {
        return fetch(server.url(QString::fromLatin1(path)));
    }
    // The hidden body files left in the work folder.
    int leftovers() const { return QDir(work.path()).entryList(QDir::Files | QDir::Hidden).size(); }

private slots:
    void initTestCase()
    {
        QVERIFY(server.start());
        QVERIFY(work.isValid());
    }

    void bodiesWithAndWithoutLength()
    {
        const QByteArray big(3 * 1024 * 1024 + 7, 'z');
        server.route("/file.bin", big, "application/octet-stream");
        TestHttpServer::Response noLength;
        noLength.body = "no length given";
        noLength.sendLength = false;
        server.route("/stream", noLength);

        auto d = fetch("/file.bin");
        QVERIFY(d && d->succeeded());
        QVERIFY2(d->errorString().isEmpty(), qPrintable(d->errorString()));
        QCOMPARE(d->context().target, QStringLiteral("t"));
        QVERIFY(readFile(d->bodyPath()) == big);
        QString why;
        QVERIFY(d->keepAs(work.filePath("kept.bin"), &why));
        QVERIFY(readFile(work.filePath("kept.bin")) == big);

        d = fetch("/stream");
        QVERIFY(d && d->succeeded());
        QCOMPARE(readFile(d->bodyPath()), QByteArray("no length given"));
        // keepAs replaces what is there.
        QVERIFY(d->keepAs(work.filePath("kept.bin"), &why));
        QCOMPARE(readFile(work.filePath("kept.bin")), QByteArray("no length given"));
        d.reset();
        QVERIFY(QFile::remove(work.filePath("kept.bin")));
        QCOMPARE(leftovers(), 0);
    }

    // An error status fails the download whatever its body, with or without
    // a length; nothing of the body stays.
    void errorStatuses_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("sendLength");
        QTest::newRow("404") << 404 << true;
        QTest::newRow("500") << 500 << true;
        QTest::newRow("403 without length") << 403 << false;
        QTest::newRow("503 without length") << 503 << false;
        QTest::newRow("304 not modified") << 304 << true;
    }
    void errorStatuses()
    {
        QFETCH(int, status);
        QFETCH(bool, sendLength);
        TestHttpServer::Response r;
        r.status = status;
        r.body = "<html>error page</html>";
        r.sendLength = sendLength;
        server.route("/broken", r);
        auto d = fetch("/broken");
        QVERIFY(d && d->isFinished());
        QVERIFY(!d->succeeded());
        QVERIFY2(d->errorString().contains(QString::number(status)), qPrintable(d->errorString()));
        QString why;
        QVERIFY(!d->keepAs(work.filePath("error.html"), &why));
        QVERIFY(!QFileInfo::exists(work.filePath("error.html")));
        d.reset();
        QCOMPARE(leftovers(), 0);
    }

    void networkErrors()
    {
        // A port where nothing listens.
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 port = closed.serverPort();
        closed.close();
        auto d = fetch(QUrl(QStringLiteral("http://127.0.0.1:%1/x").arg(port)));
        QVERIFY(d && !d->succeeded());
        QVERIFY(!d->errorString().isEmpty());
    }

    void redirects()
    {
        server.route("/final.txt", "the file", "text/plain");
        TestHttpServer::Response hop;
        hop.status = 302;
        hop.body = "moved";
        hop.headers = {{"Location", "/final.txt"}};
        server.route("/hop2", hop);
        hop.headers = {{"Location", server.url("/hop2").toEncoded()}};
        server.route("/hop1", hop);

        auto d = fetch("/hop1");
        QVERIFY(d && d->succeeded());
        QCOMPARE(readFile(d->bodyPath()), QByteArray("the file"));
        QCOMPARE(d->url(), server.url("/final.txt"));
        QCOMPARE(d->requestedUrl(), server.url("/hop1"));

        // To a less safe scheme: refused, and nothing of it is read.
        for (const QByteArray &target :
             {QByteArray("file:///etc/passwd"), QByteArray("ftp://127.0.0.1/x"),
              QByteArray("data:text/plain,hello")}) {
            hop.headers = {{"Location", target}};
            server.route("/downgrade", hop);
            d = fetch("/downgrade");
            QVERIFY(d && !d->succeeded());
            QString why;
            QVERIFY(!d->keepAs(work.filePath("x"), &why));
        }

        // A loop ends.
        hop.headers = {{"Location", "/loop"}};
        server.route("/loop", hop);
        d = fetch("/loop");
        QVERIFY(d && !d->succeeded());
        QVERIFY(server.requestCount("/loop") <= Download::maxRedirects + 1);
        d.reset();
        QCOMPARE(leftovers(), 0);
    }

    void theRedirectRule()
    {
        const QUrl http("http://a.test/x"), https("https://a.test/x");
        QVERIFY(Download::isAllowedRedirect(http, QUrl("http://b.test/y")));
        QVERIFY(Download::isAllowedRedirect(http, https));
        QVERIFY(Download::isAllowedRedirect(https, QUrl("https://b.test/y")));
        QVERIFY(!Download::isAllowedRedirect(https, QUrl("http://a.test/x")));
        QVERIFY(!Download::isAllowedRedirect(http, QUrl("file:///etc/passwd")));
        QVERIFY(!Download::isAllowedRedirect(https, QUrl("ftp://a.test/x")));
    }

    void onlyWebAddressesAreFetched()
    {
        const int before = server.requests().size();
        for (const QString &address :
             {QStringLiteral("file:///etc/passwd"), QStringLiteral("qrc:/Lumo.html"),
              QStringLiteral("ftp://127.0.0.1/x"), QStringLiteral("javascript:alert(1)"),
              QStringLiteral("data:text/plain,x"), QString(), QStringLiteral("relative/x.lpk"),
              QStringLiteral("http:///nohost")}) {
            auto d = fetch(QUrl(address));
            QVERIFY2(d && !d->succeeded(), qPrintable(address));
            QVERIFY(!d->reply());
            QVERIFY(d->errorString().contains("not an http or https address"));
        }
        QCOMPARE(server.requests().size(), before);
        QCOMPARE(leftovers(), 0);
    }

    // A body announced larger than the free space is not fetched into the
    // work folder at all; one that fits is.
    void announcedSizeAgainstFreeSpace()
    {
        TestHttpServer::Response huge;
        huge.sendLength = false;
        huge.body = QByteArray(64 * 1024, 'h');
        huge.headers = {{"Content-Length", "1000000000000000000"}};
        server.route("/huge", huge);
        auto d = fetch("/huge");
        QVERIFY(d && !d->succeeded());
        QVERIFY2(d->errorString().startsWith("not enough free space"),
                 qPrintable(d->errorString()));
        QCOMPARE(QFileInfo(d->bodyPath()).size(), 0);
        d.reset();
        QCOMPARE(leftovers(), 0);

        TestHttpServer::Response fits;
        fits.generatedBytes = 5 * 1024 * 1024;
        server.route("/fits", fits);
        d = fetch("/fits");
        QVERIFY(d && d->succeeded());
        QCOMPARE(QFileInfo(d->bodyPath()).size(), fits.generatedBytes);
    }

    void progressOnTheBar()
    {
        QProgressBar bar;
        DownloadProgress::show(&bar, 50, 200);
        QCOMPARE(bar.maximum(), 200);
        QCOMPARE(bar.value(), 50);
        // Not announced: busy, and full once the end is known.
        DownloadProgress::show(&bar, 10, -1);
        QCOMPARE(bar.minimum(), 0);
        QCOMPARE(bar.maximum(), 0);
        DownloadProgress::show(&bar, 30, 30);
        QCOMPARE(bar.maximum(), 30);
        QCOMPARE(bar.value(), 30);
        // Past 32 bits the proportion stays right.
        const qint64 total = 6ll << 30;
        DownloadProgress::show(&bar, total / 2, total);
        QVERIFY(bar.maximum() > 0);
        QCOMPARE(bar.value(), bar.maximum() / 2);
        DownloadProgress::show(&bar, 0, 0);
        QCOMPARE(bar.value(), bar.maximum());
        DownloadProgress::show(nullptr, 1, 2);
    }

    // A followed download drives the shell's bar to its end; the bar is
    // looked up through the shell at each step.
    void progressFollowsADownload()
    {
        const QByteArray body(256 * 1024, 'p');
        server.route("/followed.bin", body, "application/octet-stream");
        TestShell shell;
        QProgressBar *bar = shell.progressBar();
        bar->setRange(0, 1);
        bar->setValue(0);
        {
            Download d(&manager, QNetworkRequest(server.url("/followed.bin")), work.path(), {});
            DownloadProgress::follow(&d, shell);
            QSignalSpy done(&d, &Download::finished);
            QVERIFY(done.wait(15000));
            QVERIFY(d.succeeded());
            QCOMPARE(bar->maximum(), body.size());
            QCOMPARE(bar->value(), body.size());
            emit d.progress(1, 4);
            QCOMPARE(bar->maximum(), 4);
            QCOMPARE(bar->value(), 1);
        }
        QCOMPARE(leftovers(), 0);
    }

    // A tracked download is listed until it ends, then taken out and handed
    // to its completion once; one that a completion slot took out first, or
    // whose owner went, is handed to nobody.
    void pendingDownloadsCompleteOnce()
    {
        server.route("/pending.bin", "pending body", "application/octet-stream");
        const QNetworkRequest request(server.url("/pending.bin"));
        PendingDownloads list;
        QList<Download *> completed;
        int listedAtCompletion = -1;
        const auto complete = [&](Download *done) {
            completed.append(done);
            listedAtCompletion = list.count();
        };
        {
            QObject owner;
            Download *d =
                list.start(&manager, request, work.path(), {"n", "l", "i", "t"}, &owner, complete);
            QVERIFY(d);
            QCOMPARE(d->parent(), &owner);
            QCOMPARE(list.count(), 1);
            QVERIFY(completed.isEmpty());
            QVERIFY(TestUtil::waitFor([&] { return !completed.isEmpty(); }, 15000));
            QCOMPARE(completed, QList<Download *>{d});
            QCOMPARE(listedAtCompletion, 0);
            QVERIFY(d->succeeded());
            QCOMPARE(d->context().target, QStringLiteral("t"));
            QCOMPARE(readFile(d->bodyPath()), QByteArray("pending body"));
            // Page script calling a completion slot afterwards finds nothing.
            QCOMPARE(list.takeFinished(d->reply()), nullptr);

            Download *early = list.start(&manager, request, work.path(), {}, &owner, complete);
            QCOMPARE(list.take(early), early);
            QSignalSpy finished(early, &Download::finished);
            QVERIFY(finished.wait(15000));
            QVERIFY(early->succeeded());
            QCOMPARE(completed.size(), 1);
            QCOMPARE(list.count(), 0);
        }
        QCOMPARE(leftovers(), 0);

        TestHttpServer::Response slow;
        slow.body = "late";
        slow.delayMs = 300;
        server.route("/slow.bin", slow);
        auto *owner = new QObject;
        QPointer<Download> orphan = list.start(&manager, QNetworkRequest(server.url("/slow.bin")),
                                               work.path(), {}, owner, complete);
        QVERIFY(TestUtil::waitFor([&] { return server.requestCount("/slow.bin") > 0; }));
        delete owner;
        QVERIFY(orphan.isNull());
        QTest::qWait(600); // past the answer
        QCOMPARE(completed.size(), 1);
        QCOMPARE(list.takeFinished(nullptr), nullptr);
        QCOMPARE(leftovers(), 0);
    }
};

QTEST_MAIN(TestDownload)
#include "tst_download.moc"
