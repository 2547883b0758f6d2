#include "InstallTestUtil.h"
#include "TestHttpServer.h"
#include "install/FileDownloads.h"
#include "app/MainWindow.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProgressBar>
#include <QStandardPaths>
#include <QTest>
#include <QWebPage>

using namespace InstallTestUtil;

class TestFileDownloads : public QObject
{
    Q_OBJECT

    TestHttpServer server;
    QTemporaryDir tools; // the recording opener, first on PATH
    std::unique_ptr<TestShell> shell;
    std::unique_ptr<FileDownloads> downloads;
    QStringList *messages = nullptr;

    QString apps() const { return shell->appsFolder(); }
    QString opened() const { return tools.filePath("opened.txt"); }
    QString documents() const
    {
        return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    }
    bool settle()
    {
        return TestUtil::waitFor([this] { return downloads->pending() == 0; });
    }

    static bool writeScript(const QString &path, const QString &recordTo)
    {
        const QByteArray script =
            "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + recordTo.toUtf8() + "'\n";
        return writeFile(path, script) &&
               QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ExeOwner);
    }
    // The arguments a recording script was started with, once it has run.
    QStringList recorded(const QString &file, int timeoutMs = 5000)
    {
        if (!TestUtil::waitFor([&] { return QFileInfo::exists(file); }, timeoutMs))
            return {};
        QTest::qWait(50);
        return QString::fromUtf8(readFile(file)).split('\n', Qt::SkipEmptyParts);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(server.start());
        QVERIFY(writeScript(tools.filePath("xdg-open"), opened()));
        qputenv("PATH", tools.path().toUtf8() + ":" + qgetenv("PATH"));
        server.route("/data.json", "{\"v\":2}", "application/json");
        server.route("/setup.run", "#!/bin/sh\necho installer\n", "application/octet-stream");
    }

    void init()
    {
        shell = std::make_unique<TestShell>();
        downloads = std::make_unique<FileDownloads>(*shell);
        messages = TestUtil::recordMessages();
        QFile::remove(opened());
    }

    void cleanup()
    {
        downloads.reset();
        shell.reset();
        QDir(documents()).removeRecursively();
    }

    void downFileIntoAnApp()
    {
        QDir().mkpath(apps() + "/Notes");
        writeFile(apps() + "/Notes/data.json?v=2", "old");
        downloads->DownFile(server.url("/data.json?v=2").toString(), "Notes");
        QVERIFY(settle());
        QVERIFY(messages->isEmpty());
        QCOMPARE(files(apps()), (QMap<QString, QByteArray>{{"Notes/data.json?v=2", "{\"v\":2}"}}));

        // Into an app that is not there: nothing is written or shown.
        downloads->DownFile(server.url("/data.json").toString(), "Missing");
        QVERIFY(settle());
        QVERIFY(messages->isEmpty());
        QCOMPARE(files(apps()).size(), 1);
        QVERIFY(!QFileInfo::exists(apps() + "/Missing"));
    }

    void downFileFailuresKeepWhatWasThere()
    {
        QDir().mkpath(apps() + "/Notes");
        writeFile(apps() + "/Notes/data.json", "good data");
        TestHttpServer::Response error;
        error.status = 500;
        error.body = "server error page";
        error.sendLength = false;
        server.route("/broken/data.json", error);
        downloads->DownFile(server.url("/broken/data.json").toString(), "Notes");
        QVERIFY(settle());
        QCOMPARE(messages->size(), 1);
        QVERIFY2(messages->at(0).startsWith("Download failed: "), qPrintable(messages->at(0)));
        QCOMPARE(files(apps()), (QMap<QString, QByteArray>{{"Notes/data.json", "good data"}}));

        // Names that would leave the app folder.
        messages->clear();
        const int before = server.requests().size();
        for (const QString &target :
             {QStringLiteral("../x"), QStringLiteral("a/b"), QStringLiteral(".."), QString()})
            downloads->DownFile(server.url("/data.json").toString(), target);
        QCOMPARE(messages->size(), 4);
        QCOMPARE(server.requests().size(), before);
        server.route("/dir/", "a folder listing");
        downloads->DownFile(server.url("/dir/").toString(), "Notes");
        QVERIFY(settle());
        QCOMPARE(messages->size(), 5);
        QVERIFY(messages->last().contains("not a valid name"));
        QCOMPARE(files(apps()).size(), 1);
    }

    // Each download goes to its own target, whichever ends first.
    void twoDownFilesAtOnce()
    {
        QDir().mkpath(apps() + "/A");
        QDir().mkpath(apps() + "/B");
        TestHttpServer::Response slow;
        slow.body = "slow";
        slow.delayMs = 400;
        server.route("/slow.txt", slow);
        server.route("/fast.txt", "fast");
        downloads->DownFile(server.url("/slow.txt").toString(), "A");
        downloads->DownFile(server.url("/fast.txt").toString(), "B");
        QVERIFY(settle());
        QCOMPARE(files(apps()),
                 (QMap<QString, QByteArray>{{"A/slow.txt", "slow"}, {"B/fast.txt", "fast"}}));
    }

    void installBatchRunsOnlyProgramsOfTheFolder()
    {
        const QString folder = shell->programFolder();
        const QString ran = folder + "/ran.txt";
        QVERIFY(writeScript(folder + "/tools/record.sh", ran));
        downloads->installBatch("tools/record.sh one \"two three\" $(touch pwned) ; rm x");
        // It waited for the program to end.
        QVERIFY(QFileInfo::exists(ran));
        QCOMPARE(recorded(ran),
                 QStringList({"one", "two three", "$(touch", "pwned)", ";", "rm", "x"}));
        QVERIFY(!QFileInfo::exists(folder + "/pwned"));
        QVERIFY(!QFileInfo::exists("pwned"));
        QVERIFY(messages->isEmpty());

        // Outside the folder, also through a link: refused and not run.
        QTemporaryDir outside;
        QVERIFY(writeScript(outside.filePath("evil.sh"), outside.filePath("evil-ran")));
        QVERIFY(QFile::link(outside.filePath("evil.sh"), folder + "/tools/link.sh"));
        const QString relative = QDir(folder).relativeFilePath(outside.filePath("evil.sh"));
        for (const QString &path :
             {relative, QStringLiteral("tools/link.sh"), QStringLiteral("tools/../../evil.sh")}) {
            messages->clear();
            downloads->installBatch(path);
            QCOMPARE(messages->size(), 1);
            QVERIFY2(messages->at(0).contains("not inside the program's folder"),
                     qPrintable(messages->at(0)));
        }
        QVERIFY(!QFileInfo::exists(outside.filePath("evil-ran")));

        // A program that is not there is ignored.
        messages->clear();
        downloads->installBatch("tools/none.sh");
        downloads->installBatch("");
        QVERIFY(messages->isEmpty());
    }

    // Content a page cannot show: saved to the documents folder and handed to
    // the desktop's opener as one argument.
    void unsupportedContentFromARealPage()
    {
        QWebView view;
        view.page()->setForwardUnsupportedContent(true);
        connect(view.page(), &QWebPage::unsupportedContent, downloads.get(),
                &FileDownloads::unsupportedContent);
        TestHttpServer::Response installer;
        installer.body = QByteArray(200000, 'i');
        installer.headers = {{"Content-Type", "application/x-msdownload"}};
        server.route("/get/my%20setup.exe", installer);
        view.load(server.url("/get/my%20setup.exe"));
        QVERIFY(TestUtil::waitFor([&] { return !messages->isEmpty(); }, 15000));
        QVERIFY(settle());
        QCOMPARE(*messages, QStringList({"The installer will now start !"}));
        const QString saved = documents() + "/my setup.exe";
        QVERIFY(readFile(saved) == installer.body);
        QCOMPARE(recorded(opened()), QStringList({QFileInfo(saved).absoluteFilePath()}));
        // The progress bar followed it.
        QCOMPARE(shell->progressBar()->maximum(), 200000);
        QCOMPARE(shell->progressBar()->value(), 200000);
        QCOMPARE(QDir(documents()).entryList(QDir::Files | QDir::Hidden),
                 QStringList({"my setup.exe"}));
    }

    void unsupportedFailuresStartNothing()
    {
        QNetworkAccessManager manager;
        TestHttpServer::Response error;
        error.status = 404;
        error.body = "<html>no installer</html>";
        server.route("/missing.exe", error);
        server.route("/folder/", "listing");
        for (const char *path : {"/missing.exe", "/folder/"}) {
            messages->clear();
            QNetworkReply *reply = manager.get(QNetworkRequest(server.url(path)));
            downloads->unsupportedContent(reply);
            QVERIFY(settle());
            QCOMPARE(messages->size(), 1);
            QVERIFY2(messages->at(0).startsWith("Download failed: "), qPrintable(messages->at(0)));
            reply->deleteLater();
        }
        QTest::qWait(200);
        QVERIFY(!QFileInfo::exists(opened()));
        QVERIFY(QDir(documents()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }

    void completionsWithoutARealReply()
    {
        QDir().mkpath(apps() + "/Notes");
        downloads->FileDownloaded(nullptr);
        downloads->downloadingIssueFinished(nullptr);
        downloads->downloadingIssueFinished(this);
        downloads->unsupportedContent(nullptr);
        downloads->download(QNetworkRequest());
        downloads->download(QNetworkRequest(QUrl("file:///etc/passwd")));
        QNetworkAccessManager other;
        QNetworkReply *foreign = other.get(QNetworkRequest(server.url("/data.json")));
        QVERIFY(TestUtil::waitFor([&] { return foreign->isFinished(); }));
        downloads->FileDownloaded(foreign);
        downloads->downloadingIssueFinished(foreign);
        QCOMPARE(downloads->pending(), 0);
        QVERIFY(messages->isEmpty());
        QVERIFY(files(apps()).isEmpty());
        QVERIFY(!QFileInfo::exists(opened()));

        // The same through the bridge's slots.
        MainWindow window;
        window.fileDownloaded(nullptr);
        window.filesysDownloaded(nullptr);
        window.PackDownloaded(nullptr);
        window.FileDownloaded(nullptr);
        window.downloadingIssueFinished();
        window.unsupportedContent(nullptr);
        window.download(QNetworkRequest());
        window.FileDownloaded(foreign);
        QTest::qWait(100);
        QVERIFY(messages->isEmpty());
    }
};

QTEST_MAIN(TestFileDownloads)
#include "tst_filedownloads.moc"
