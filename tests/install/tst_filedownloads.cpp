#include "InstallTestUtil.h"
#include "PageClick.h"
#include "PageScript.h"
#include "ProcessMemory.h"
#include "TestHttpServer.h"
#include "app/MainWindow.h"
#include "install/DownloadList.h"
#include "install/FileDownloads.h"
#include "install/InstallLeftovers.h"
#include "shell/Messages.h"
#include "shell/PrivateFiles.h"
#include "web/BrowserBar.h"
#include "web/EngineDownload.h"
#include "web/OpenGLProbe.h"
#include "web/WebKitAppView.h"
#include "web/WebPage.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QProgressBar>
#include <QStackedWidget>
#include <QTest>
#include <QWebPage>
#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

using namespace InstallTestUtil;

namespace
{
// A network manager that notes the path of every request made through it.
class RecordingManager : public QNetworkAccessManager
{
public:
    RecordingManager(QObject *parent, QStringList *paths)
        : QNetworkAccessManager(parent), paths(paths)
    {
    }

protected:
    QNetworkReply *createRequest(Operation op, const QNetworkRequest &request,
                                 QIODevice *outgoingData) override
    {
        paths->append(request.url().path());
        return QNetworkAccessManager::createRequest(op, request, outgoingData);
    }

private:
    QStringList *paths;
};
} // namespace

class TestFileDownloads : public QObject
{
    Q_OBJECT

    TestHttpServer server;
    QTemporaryDir tools; // the recording opener, first on PATH
    std::unique_ptr<TestShell> shell;
    std::unique_ptr<FileDownloads> downloads;
    QStringList *messages = nullptr;
    int offered = 0; // downloads QtWebEngine pages asked for

    QString apps() const { return shell->appsFolder(); }
    QString opened() const { return tools.filePath("opened.txt"); }
    QString documents() const { return shell->paths().documentsFolder(); }
    bool settle()
    {
        return TestUtil::waitFor([this] { return downloads->pending() == 0; });
    }

    static bool writeScript(const QString &path, const QString &recordTo)
    {
        const QByteArray script =
            "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + recordTo.toUtf8() + "'\n";
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

    // The question after a saved download, naming the file, its folder and
    // the site.
    QString installerQuestion(const QString &file) const
    {
        return "The installer will now start !\nFile: " + file + "\nSaved in: " + documents() +
               "\nFrom: 127.0.0.1";
    }
    // Every entry of the documents folder, hidden ones included.
    QStringList documentEntries() const
    {
        return QDir(documents())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                       QDir::Name);
    }
    // A real app page, as the shell makes them, that hands what it cannot
    // show to the downloads.
    std::unique_ptr<QWebView> downloadingView()
    {
        auto view = std::make_unique<QWebView>();
        view->setPage(new WebPage(view.get()));
        view->page()->setForwardUnsupportedContent(true);
        connect(view->page(), &QWebPage::unsupportedContent, downloads.get(),
                &FileDownloads::unsupportedContent);
        view->resize(400, 300);
        view->show();
        return view;
    }
    // The page loads path of the server on its own, and the test waits for
    // the first box.
    bool loadUntilABox(QWebView &view, const char *path, int timeoutMs = 15000)
    {
        view.load(server.url(path));
        return TestUtil::waitFor([this] { return !messages->isEmpty(); }, timeoutMs) && settle();
    }
    // The user clicks a link to path on a page of the server, and the test
    // waits for the first box.
    bool clickUntilABox(QWebView &view, const QByteArray &path, int timeoutMs = 15000)
    {
        server.route("/links" + path,
                     "<a id='link' href='" + path + "' style='display:block;height:100px'>get</a>");
        return TestUtil::loadUrl(&view, server.url("/links" + path)) &&
               TestUtil::clickElement(&view, "#link") &&
               TestUtil::waitFor([this] { return !messages->isEmpty(); }, timeoutMs) && settle();
    }

    // A QtWebEngine app page on the shell's stack whose downloads go to the
    // shell's, as the main window hands them on.
    AppView *downloadingEngineView()
    {
        offered = 0;
        shell->engineDownloads = [this](EngineDownload *d) {
            ++offered;
            downloads->engineDownload(d);
        };
        // Room for the links to be clicked.
        shell->stack()->resize(400, 300);
        return TestUtil::engineView(*shell, "Files");
    }
    // Loads into view a page with one link to path, setting a cookie that
    // only the engine's own requests carry; a click at (20, 20) follows it.
    bool loadLink(AppView *view, const QByteArray &page, const QByteArray &path)
    {
        TestHttpServer::Response links;
        links.body = "<body style='margin:0'><a href='" + path +
                     "' style='display:block;height:100px'>get</a><title>" + page + "</title>";
        links.headers = {{"Content-Type", "text/html"}, {"Set-Cookie", "session=s3cret; Path=/"}};
        server.route(page, links);
        return TestUtil::loadUntilTitled(view, server.url(page), page) &&
               PageScript::documentComplete(view);
    }
    static void click(AppView *view)
    {
        QTest::mouseClick(PageScript::keyTarget(view), Qt::LeftButton, Qt::NoModifier, {20, 20});
    }
    // The last entry of the downloads list whose key has value, or none.
    static QVariantMap listedWhere(const char *key, const QVariant &value)
    {
        const QVariantList all = DownloadList::instance().describe();
        for (int i = all.size() - 1; i >= 0; --i)
            if (all.at(i).toMap().value(key) == value)
                return all.at(i).toMap();
        return QVariantMap();
    }
    // A file whose server sends sent bytes of the announced and then stalls.
    static TestHttpServer::Response stallingFile(int sent, qint64 announced)
    {
        TestHttpServer::Response file;
        file.body = QByteArray(sent, 's');
        file.announcedBytes = announced;
        file.headers = {{"Content-Type", "application/octet-stream"}};
        return file;
    }
    static QVariantMap lastListed()
    {
        const QVariantList all = DownloadList::instance().describe();
        return all.isEmpty() ? QVariantMap() : all.last().toMap();
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
        // The documents folder goes with the shell's folders.
        downloads.reset();
        shell.reset();
        // QtWebEngine's storage goes before the program ends, as the
        // shell's does.
        QVERIFY(TestUtil::waitFor([] { return !PageScript::storageInUse(); }));
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

    // The file is named by the address asked for; a redirect only says
    // where its body comes from.
    void downFileNamedByTheAddressAskedFor()
    {
        writeFile(apps() + "/Notes/index.html", "the app's own page");
        TestHttpServer::Response hop;
        hop.status = 302;
        hop.headers = {{"Location", "/files/index.html"}};
        server.route("/files/notes.txt", hop);
        server.route("/files/index.html", "<script>api.closeit()</script>");
        downloads->DownFile(server.url("/files/notes.txt").toString(), "Notes");
        QVERIFY(settle());
        QVERIFY(messages->isEmpty());
        QCOMPARE(server.requestCount("/files/index.html"), 1);
        QCOMPARE(files(apps()), (QMap<QString, QByteArray>{
                                    {"Notes/index.html", "the app's own page"},
                                    {"Notes/notes.txt", "<script>api.closeit()</script>"}}));
    }

    // Markup in what a server says is shown as the characters it is.
    void messagesArePlainText()
    {
        const QString markup =
            QStringLiteral("<img src=/dev/zero><a href=\"file:///etc/passwd\">click</a>");
        TestHttpServer::Response error;
        error.status = 500;
        error.reason = markup.toUtf8();
        error.body = "error page";
        server.route("/rich/data.json", error);
        QDir().mkpath(apps() + "/Notes");
        QList<Qt::TextFormat> formats;
        QStringList texts;
        QStringList said;
        Messages::dismissAutomatically([&](const QString &text) {
            said << text;
            // Every box's question, whatever kind of box asks it.
            for (QWidget *w : QApplication::topLevelWidgets())
                if (qobject_cast<QDialog *>(w))
                    for (QLabel *label : w->findChildren<QLabel *>())
                        if (!label->text().isEmpty() && label->isVisibleTo(w)) {
                            formats << label->textFormat();
                            texts << label->text();
                        }
        });
        downloads->DownFile(server.url("/rich/data.json").toString(), "Notes");
        QVERIFY(settle());
        QCOMPARE(formats, QList<Qt::TextFormat>({Qt::PlainText}));
        QVERIFY2(texts.at(0).startsWith("Download failed: the server answered 500 " + markup),
                 qPrintable(texts.at(0)));
        QVERIFY(files(apps()).isEmpty());

        // Questions too.
        formats.clear();
        texts.clear();
        QVERIFY(writeScript(shell->programFolder() + "/<b>bold</b>.sh", opened()));
        downloads->installBatch("<b>bold</b>.sh <i>x</i>");
        QCOMPARE(formats, QList<Qt::TextFormat>({Qt::PlainText}));
        QVERIFY2(said.last().contains("<b>bold</b>.sh") && said.last().contains("<i>x</i>"),
                 qPrintable(said.last()));
        QVERIFY(!QFileInfo::exists(opened()));
    }

    // installBatch names the program and its arguments and runs it only when
    // the user agrees; declining runs nothing.
    void installBatchRunsOnlyProgramsOfTheFolder()
    {
        const QString folder = shell->programFolder();
        const QString ran = folder + "/ran.txt";
        QVERIFY(writeScript(folder + "/tools/record.sh", ran));
        const QString line = "tools/record.sh one \"two three\" $(touch pwned) ; rm x";
        downloads->installBatch(line);
        QTest::qWait(200);
        QVERIFY(!QFileInfo::exists(ran));
        QCOMPARE(messages->size(), 1);
        const QString question = messages->at(0);
        // The whole command, each argument on a line of its own, blanks shown.
        const QString program = QFileInfo(folder + "/tools/record.sh").canonicalFilePath();
        QCOMPARE(question.section('\n', 1),
                 QStringList({"program: \"" + program + "\"", "argument 1: \"one\"",
                              "argument 2: \"two\u2423three\"", "argument 3: \"$(touch\"",
                              "argument 4: \"pwned)\"", "argument 5: \";\"", "argument 6: \"rm\"",
                              "argument 7: \"x\""})
                     .join('\n'));

        messages->clear();
        TestUtil::answerQuestions(true);
        downloads->installBatch(line);
        QCOMPARE(*messages, QStringList({question}));
        // It waited for the program to end.
        QVERIFY(QFileInfo::exists(ran));
        QCOMPARE(recorded(ran),
                 QStringList({"one", "two three", "$(touch", "pwned)", ";", "rm", "x"}));
        QVERIFY(!QFileInfo::exists(folder + "/pwned"));
        QVERIFY(!QFileInfo::exists("pwned"));
        messages->clear();

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

        // Never the shell itself, nor anything a page can write, nor a link
        // into those; long arguments are shown whole.
        const QString padded = "\"" + QString(999, ' ') + "\" -platformpluginpath Apps/Notes";
        const QString self = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
        const ShellPaths &paths = shell->paths();
        QVERIFY(writeScript(paths.appsFolder() + "/Notes/lib.sh", ran));
        QVERIFY(writeScript(paths.documentsFolder() + "/setup.sh", ran));
        QVERIFY(writeScript(paths.workingFolder() + "/cache/run.sh", ran));
        QVERIFY(writeScript(folder + "/Vantara", ran));
        QVERIFY(writeScript(folder + "/" + self, ran));
        QVERIFY(writeScript(folder + "/" + OpenGLProbe::programName(), ran));
        QVERIFY(QFile::link(paths.documentsFolder() + "/setup.sh", folder + "/tools/setup.sh"));
        QVERIFY(QFile::link(folder + "/Vantara", folder + "/tools/shell"));
        QFile::remove(ran);
        for (const QString &path :
             {QDir(folder).relativeFilePath(paths.appsFolder() + "/Notes/lib.sh"),
              QDir(folder).relativeFilePath(paths.documentsFolder() + "/setup.sh"),
              QDir(folder).relativeFilePath(paths.workingFolder() + "/cache/run.sh"),
              QStringLiteral("Vantara"), self, OpenGLProbe::programName(),
              QStringLiteral("tools/setup.sh"), QStringLiteral("tools/shell")}) {
            messages->clear();
            downloads->installBatch(path + " " + padded);
            QCOMPARE(messages->size(), 1);
            QVERIFY2(messages->at(0).contains("is the shell itself or lies where pages can write"),
                     qPrintable(path + ": " + messages->at(0)));
        }
        QVERIFY(!QFileInfo::exists(ran));
        messages->clear();
        TestUtil::answerQuestions(false);
        downloads->installBatch("tools/record.sh " + padded);
        QCOMPARE(messages->size(), 1);
        QVERIFY2(messages->at(0).endsWith("argument 1: \"" + QString(999, QChar(0x2423)) +
                                          "\"\nargument 2: \"-platformpluginpath\"\n"
                                          "argument 3: \"Apps/Notes\""),
                 qPrintable(messages->at(0).right(200)));
        QVERIFY(!QFileInfo::exists(ran));

        // A program that is not there is ignored, without a question.
        messages->clear();
        downloads->installBatch("tools/none.sh");
        downloads->installBatch("");
        QVERIFY(messages->isEmpty());
    }

    // Content a page cannot show: saved to the documents folder and, once the
    // user agrees, handed to the desktop's opener as one argument.
    void unsupportedContentFromARealPage()
    {
        // The shell keeps its own files private; a download follows the mask
        // the user started it with.
        ::umask(022);
        PrivateFiles::keepPrivate();
        auto view = downloadingView();
        TestHttpServer::Response installer;
        installer.body = QByteArray(200000, 'i');
        installer.headers = {{"Content-Type", "application/x-msdownload"}};
        server.route("/get/my%20setup.exe", installer);
        TestUtil::answerQuestions(true);
        QVERIFY(clickUntilABox(*view, "/get/my%20setup.exe"));
        QCOMPARE(*messages, QStringList({installerQuestion("my setup.exe")}));
        const QString saved = documents() + "/my setup.exe";
        QVERIFY(readFile(saved) == installer.body);
        QCOMPARE(QFileInfo(saved).permissions() & 0x00ff, // group and others
                 QFileDevice::ReadGroup | QFileDevice::ReadOther);
        QCOMPARE(recorded(opened()), QStringList({QFileInfo(saved).absoluteFilePath()}));
        // The progress bar followed it.
        QCOMPARE(shell->progressBar()->maximum(), 200000);
        QCOMPARE(shell->progressBar()->value(), 200000);
        QVERIFY(TestUtil::waitFor([this] { return documentEntries().size() == 1; }));
        QCOMPARE(documentEntries(), QStringList({"my setup.exe"}));
    }

    // "Open" with no program for the file's type says so, naming the file
    // and where it is kept.
    void openWithNoProgramSaysSo()
    {
        const QByteArray opener = readFile(tools.filePath("xdg-open"));
        QVERIFY(writeFile(tools.filePath("xdg-open"), "#!/bin/sh\nexit 3\n"));
        server.route("/files/paper.pdf", "%PDF-1.4", "application/pdf");
        TestUtil::answerQuestions(true);
        auto view = downloadingView();
        QVERIFY(clickUntilABox(*view, "/files/paper.pdf"));
        QVERIFY(TestUtil::waitFor([this] { return messages->size() == 2; }));
        QCOMPARE(*messages, QStringList({installerQuestion("paper.pdf"),
                                         "No program on this computer opens \"paper.pdf\". It "
                                         "is saved in " +
                                             documents() + "."}));
        QVERIFY(writeFile(tools.filePath("xdg-open"), opener));
        QCOMPARE(readFile(documents() + "/paper.pdf"), QByteArray("%PDF-1.4"));
    }

    // A second file the user clicks for while the page's first is under way
    // waits, listed as waiting, and starts once the first ends.
    void aSecondClickWaitsItsTurn()
    {
        server.route("/turn/first.bin", stallingFile(1000, 4000));
        server.route("/turn/second.bin", "second", "application/octet-stream");
        server.route("/turn/links",
                     "<a id='one' href='first.bin' style='display:block;height:100px'>1</a>"
                     "<a id='two' href='second.bin' style='display:block;height:100px'>2</a>");
        DownloadList &list = DownloadList::instance();
        const auto entry = [](const QString &name) { return listedWhere("name", name); };
        auto view = downloadingView();
        QVERIFY(TestUtil::loadUrl(view.get(), server.url("/turn/links")));
        QVERIFY(TestUtil::clickElement(view.get(), "#one"));
        QVERIFY(TestUtil::waitFor([&] { return entry("first.bin").value("received") == 1000; }));
        QVERIFY(TestUtil::clickElement(view.get(), "#two"));
        QVERIFY(TestUtil::waitFor([&] { return entry("second.bin").value("state") == "waiting"; }));
        // Only the page's own request so far, and no box.
        QCOMPARE(server.requestCount("/turn/second.bin"), 1);
        QVERIFY(messages->isEmpty());

        QVERIFY(list.cancel(entry("first.bin").value("id").toInt()));
        QVERIFY(TestUtil::waitFor([this] { return !messages->isEmpty(); }));
        QVERIFY(settle());
        QCOMPARE(*messages, QStringList({installerQuestion("second.bin")}));
        QCOMPARE(entry("second.bin").value("state").toString(), QStringLiteral("done"));
        QCOMPARE(readFile(documents() + "/second.bin"), QByteArray("second"));
        QCOMPARE(documentEntries(), QStringList({"second.bin"}));
    }

    // A file of the same name is never replaced: the next free name is
    // taken. Declining keeps the file and starts nothing.
    void savedFilesReplaceNothing()
    {
        writeFile(documents() + "/report.docx", "mine");
        writeFile(documents() + "/report (1).docx", "mine too");
        QVERIFY(QFile::link(documents() + "/report.docx", documents() + "/report (2).docx"));
        server.route("/files/report.docx", "from the server", "application/msword");
        auto view = downloadingView();
        QVERIFY(clickUntilABox(*view, "/files/report.docx"));
        QCOMPARE(*messages, QStringList({installerQuestion("report (3).docx")}));
        QVERIFY(TestUtil::waitFor([this] { return documentEntries().size() == 4; }));
        QCOMPARE(documentEntries(), QStringList({"report (1).docx", "report (2).docx",
                                                 "report (3).docx", "report.docx"}));
        QCOMPARE(readFile(documents() + "/report.docx"), QByteArray("mine"));
        QCOMPARE(readFile(documents() + "/report (1).docx"), QByteArray("mine too"));
        QCOMPARE(readFile(documents() + "/report (3).docx"), QByteArray("from the server"));
        QTest::qWait(300);
        QVERIFY(!QFileInfo::exists(opened()));

        // A name without a dot gets its number at the end.
        messages->clear();
        server.route("/files/README", "read me", "application/x-unknown");
        writeFile(documents() + "/README", "mine");
        QVERIFY(clickUntilABox(*view, "/files/README"));
        QCOMPARE(readFile(documents() + "/README (1)"), QByteArray("read me"));
        QCOMPARE(readFile(documents() + "/README"), QByteArray("mine"));
    }

    // Hidden names (.profile, .bashrc) are never written, whatever the page.
    void hiddenNamesAreRefused()
    {
        writeFile(documents() + "/.bashrc", "mine");
        server.route("/.bashrc", "rm -rf ~", "application/x-sh");
        server.route("/x/.profile", "evil", "application/x-sh");
        auto view = downloadingView();
        for (const char *path : {"/.bashrc", "/x/.profile"}) {
            messages->clear();
            const int before = server.requests().size();
            QVERIFY(loadUntilABox(*view, path));
            QCOMPARE(messages->size(), 1);
            QVERIFY2(messages->at(0).contains("is not a valid name"), qPrintable(messages->at(0)));
            // Only the page's own request: the shell fetched nothing.
            QCOMPARE(server.requests().size(), before + 1);
        }
        QTest::qWait(200);
        QCOMPARE(documentEntries(), QStringList({".bashrc"}));
        QCOMPARE(readFile(documents() + "/.bashrc"), QByteArray("mine"));
        QVERIFY(!QFileInfo::exists(opened()));
    }

    // A page with many frames of unknown content gets one question, one
    // download and one more question, however long the user takes to answer.
    void manyFramesGiveOneBox()
    {
        server.route("/many/setup.run", "#!/bin/sh\n", "application/octet-stream");
        const int frames = 30;
        QString html;
        for (int i = 0; i < frames; ++i)
            html += QStringLiteral("<iframe src=\"/many/setup.run\"></iframe>");
        server.route("/many.html", html.toUtf8());
        Messages::answerAutomatically([this, frames](const QString &) {
            // The user answers once every frame has asked.
            TestUtil::waitFor([&] { return server.requestCount("/many/setup.run") >= frames; },
                              30000);
            QTest::qWait(500);
            return true;
        });
        auto view = downloadingView();
        view->load(server.url("/many.html"));
        QVERIFY(TestUtil::waitFor([this] { return messages->size() == 2; }, 30000));
        QVERIFY(settle());
        QTest::qWait(500);
        QCOMPARE(server.requestCount("/many/setup.run"), frames + 1);
        QCOMPARE(*messages,
                 QStringList({"127.0.0.1 wants to save \"setup.run\" (10 bytes) in your documents. "
                              "Save it?",
                              installerQuestion("setup.run")}));
        QCOMPARE(documentEntries(), QStringList({"setup.run"}));
        QCOMPARE(recorded(opened()).size(), 1);
    }

    // A download that no click or key press of the user's on the page
    // started asks first, naming the site, the file and the size its server
    // announced; declined, nothing is fetched or written. One the user's
    // click started goes on as it always did; a click on another page
    // counts for nothing.
    // Puts view under the Browser's bar, at start, and types address into
    // its field with Return.
    void typeAddress(std::unique_ptr<QWidget> &browser, AppView *view, const QString &start,
                     const QString &address)
    {
        browser.reset(BrowserBar::wrap(*shell, view, server.url(start)));
        QLineEdit *field = browser->findChild<BrowserBar *>()->addressField();
        field->clear();
        QTest::keyClicks(field, server.url(address).toString());
        QTest::keyClick(field, Qt::Key_Return);
    }
    void downloadsNoClickStartedAskFirst_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("sendLength");
        QTest::addColumn<bool>("agree");
        QTest::addColumn<QString>("size"); // in the question; empty: no question
        QTest::newRow("page's script, declined") << "script" << true << false << "195.31 KiB";
        QTest::newRow("page's script, no size, declined")
            << "script" << false << false << "size not given";
        QTest::newRow("page's script, agreed") << "script" << true << true << "195.31 KiB";
        QTest::newRow("the address loaded, declined") << "load" << true << false << "195.31 KiB";
        QTest::newRow("clicked on another page") << "other page" << true << false << "195.31 KiB";
        QTest::newRow("clicked") << "click" << true << false << "";
        QTest::newRow("typed into the Browser's bar") << "typed" << true << false << "";
        // The engine fetches with the site's cookies, and tells no size
        // before it may.
        QTest::newRow("QtWebEngine, clicked") << "engine click" << true << false << "";
        QTest::newRow("QtWebEngine, typed into the Browser's bar")
            << "engine typed" << true << false << "";
        QTest::newRow("QtWebEngine, page's script, declined")
            << "engine script" << true << false << "size not given";
        QTest::newRow("QtWebEngine, page's script, agreed")
            << "engine script" << true << true << "size not given";
    }
    void downloadsNoClickStartedAskFirst()
    {
        QFETCH(QString, how);
        QFETCH(bool, sendLength);
        QFETCH(bool, agree);
        QFETCH(QString, size);
        static int row = 0;
        const QByteArray folder = "/asked/" + QByteArray::number(++row);
        const QByteArray address = folder + "/report.pdf";
        TestHttpServer::Response file;
        file.body = QByteArray(200000, 'r');
        file.sendLength = sendLength;
        file.headers = {{"Content-Type", "application/pdf"}};
        server.route(address, file);
        server.route(folder + "/script", "<script>location.href = 'report.pdf';</script>");
        writeFile(documents() + "/report.pdf", "mine");
        TestUtil::answerQuestions(agree);
        auto view = downloadingView();
        std::unique_ptr<QWidget> browser;
        if (how == "script") {
            QVERIFY(loadUntilABox(*view, folder + "/script"));
        } else if (how == "load") {
            QVERIFY(loadUntilABox(*view, address));
        } else if (how == "other page") {
            auto other = downloadingView();
            server.route(folder + "/other", "<a id='link' href='#' style='display:block'>x</a>");
            QVERIFY(TestUtil::loadUrl(other.get(), server.url(folder + "/other")));
            QVERIFY(TestUtil::clickElement(other.get(), "#link"));
            QVERIFY(loadUntilABox(*view, folder + "/script"));
        } else if (how == "typed") {
            typeAddress(browser, new WebKitAppView(view.release()), folder + "/script", address);
            QVERIFY(TestUtil::waitFor([this] { return !messages->isEmpty(); }) && settle());
        } else if (how.startsWith("engine")) {
            AppView *engine = downloadingEngineView();
            if (!engine)
                QSKIP("the QtWebEngine library cannot be loaded");
            QVERIFY(loadLink(engine, folder + "/links", address));
            if (how == "engine click")
                click(engine);
            else if (how == "engine typed")
                typeAddress(browser, engine, folder + "/script", address);
            else
                engine->load(server.url(folder + "/script"));
            QVERIFY(TestUtil::waitFor([this] { return !messages->isEmpty(); }) && settle());
            QVERIFY(server.lastRequest(address).headers.value("cookie").contains("session="));
        } else {
            QVERIFY(clickUntilABox(*view, address));
        }
        const bool saved = size.isEmpty() || agree;
        QStringList expected;
        if (!size.isEmpty())
            expected << "127.0.0.1 wants to save \"report.pdf\" (" + size +
                            ") in your documents. Save it?";
        if (saved)
            expected << installerQuestion("report (1).pdf");
        QVERIFY(TestUtil::waitFor([&] { return messages->size() >= expected.size(); }));
        QCOMPARE(*messages, expected);
        // The page's own request, and the shell's only when it saves (the
        // engine saves what it fetched).
        QCOMPARE(server.requestCount(address), 1 + (saved && !how.startsWith("engine") ? 1 : 0));
        QVERIFY(TestUtil::waitFor([&] { return documentEntries().size() == (saved ? 2 : 1); }));
        QCOMPARE(readFile(documents() + "/report.pdf"), QByteArray("mine"));
        if (saved)
            QVERIFY(readFile(documents() + "/report (1).pdf") == file.body);
    }

    // A body of 300 MB streams to disk: memory stays far below its size.
    void largeDownloadKeepsMemoryBounded()
    {
        const qint64 size = 300LL * 1024 * 1024;
        TestHttpServer::Response big;
        big.generatedBytes = size;
        big.headers = {{"Content-Type", "application/octet-stream"}};
        server.route("/big/disk.img", big);
        auto view = downloadingView();
        QTest::qWait(100);
        const long before = ProcessMemory::residentKiB();
        QVERIFY(before > 0);
        QVERIFY(ProcessMemory::resetPeak());
        QVERIFY(clickUntilABox(*view, "/big/disk.img", 300000));
        const long peak = ProcessMemory::peakResidentKiB();
        QCOMPARE(*messages, QStringList({installerQuestion("disk.img")}));
        QCOMPARE(QFileInfo(documents() + "/disk.img").size(), size);
#ifdef VANTARA_UNDER_ASAN
        QSKIP("AddressSanitizer's quarantine holds freed memory: resident size says nothing here");
#endif
        QVERIFY2(peak - before < 64 * 1024,
                 qPrintable(QString("grew by %1 KiB from %2 KiB").arg(peak - before).arg(before)));
    }

    // A body larger than the free space is refused before it is written; a
    // write that fails stops the download. Neither leaves a file.
    void fullDisksLeaveNoFile()
    {
        TestHttpServer::Response huge;
        huge.sendLength = false;
        huge.body = "x";
        huge.headers = {{"Content-Type", "application/octet-stream"},
                        {"Content-Length", "1000000000000000000"}};
        server.route("/huge.bin", huge);
        auto view = downloadingView();
        QVERIFY(clickUntilABox(*view, "/huge.bin"));
        QCOMPARE(messages->size(), 1);
        QVERIFY2(messages->at(0).startsWith("Download failed: not enough free space"),
                 qPrintable(messages->at(0)));
        QVERIFY(TestUtil::waitFor([this] { return documentEntries().isEmpty(); }));

#ifdef Q_OS_UNIX
        // Files of this process may grow to 1 MB only: the 3 MB body fails
        // to be written as on a full disk.
        TestHttpServer::Response unannounced;
        unannounced.sendLength = false;
        unannounced.generatedBytes = 3 * 1024 * 1024;
        unannounced.headers = {{"Content-Type", "application/octet-stream"}};
        server.route("/unannounced.bin", unannounced);
        rlimit old{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        rlimit small = old;
        small.rlim_cur = 1024 * 1024;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        messages->clear();
        const bool boxed = clickUntilABox(*view, "/unannounced.bin");
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY(boxed);
        QCOMPARE(messages->size(), 1);
        QVERIFY2(messages->at(0).startsWith("Download failed: cannot write"),
                 qPrintable(messages->at(0)));
        QVERIFY(TestUtil::waitFor([this] { return documentEntries().isEmpty(); }));
#endif
        QVERIFY(!QFileInfo::exists(opened()));
    }

    void unsupportedFailuresStartNothing()
    {
        QNetworkAccessManager manager;
        TestHttpServer::Response error;
        error.status = 404;
        error.body = "<html>no installer</html>";
        server.route("/missing.exe", error);
        server.route("/folder/", "listing");
        // Asked for by no page: the user is asked first, and agrees; an
        // address that names no file is refused before any question.
        TestUtil::answerQuestions(true);
        const QMap<QByteArray, int> boxes{{"/missing.exe", 2}, {"/folder/", 1}};
        for (const char *path : {"/missing.exe", "/folder/"}) {
            messages->clear();
            QPointer<QNetworkReply> reply = manager.get(QNetworkRequest(server.url(path)));
            QList<QNetworkReply::NetworkError> errors;
            connect(reply, &QNetworkReply::errorOccurred,
                    [&errors](QNetworkReply::NetworkError e) { errors << e; });
            downloads->unsupportedContent(reply);
            // The reply handed over is aborted at once and released.
            QCOMPARE(errors, {QNetworkReply::OperationCanceledError});
            QVERIFY(settle());
            QCOMPARE(messages->size(), boxes.value(path));
            QVERIFY2(messages->size() == 1 ||
                         messages->at(0).endsWith("in your documents. Save it?"),
                     qPrintable(messages->at(0)));
            QVERIFY2(messages->last().startsWith("Download failed: "),
                     qPrintable(messages->last()));
            QVERIFY(TestUtil::waitFor([&] { return reply.isNull(); }));
        }
        QTest::qWait(200);
        QVERIFY(!QFileInfo::exists(opened()));
        QVERIFY(QDir(documents()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }

    // What a crash left behind goes at start-up; nothing else, and nothing
    // through a link.
    void leftoversFromACrash()
    {
        QTemporaryDir outside;
        writeFile(outside.filePath("kept/file.txt"), "outside");
        writeFile(outside.filePath("target.txt"), "outside");
        const QString a = apps();
        writeFile(a + "/.download-k3j9.part", "partial");
        writeFile(a + "/.Notes.unpack-4fz/icon.png", "half");
        QVERIFY(QFile::link(outside.filePath("kept"), a + "/.Notes.unpack-4fz/inside"));
        QVERIFY(QFile::link(outside.filePath("kept"), a + "/.Maps.unpack-1a"));
        QVERIFY(QFile::link(outside.filePath("target.txt"), a + "/.download-zz.part"));
        for (const char *keep :
             {"Notes/.download-k3j9.part", "Notes/index.html", ".download-x.partial",
              "download-a.part", ".hidden", "Maps.unpack-1", ".download-.part", ".unpack-1"})
            writeFile(a + "/" + keep, "keep");
        writeFile(documents() + "/.download-q1.part", "partial");
        writeFile(documents() + "/.Notes.unpack-9/x", "not ours here");
        writeFile(documents() + "/report.docx", "mine");

        QCOMPARE(InstallLeftovers::clean(a, documents()), 5);
        QCOMPARE(
            QDir(a).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name),
            QStringList({".download-.part", ".download-x.partial", ".hidden", ".unpack-1",
                         "Maps.unpack-1", "Notes", "download-a.part"}));
        QCOMPARE(files(a + "/Notes").keys(), QStringList({".download-k3j9.part", "index.html"}));
        QCOMPARE(documentEntries(), QStringList({".Notes.unpack-9", "report.docx"}));
        QCOMPARE(files(outside.path()), (QMap<QString, QByteArray>{{"kept/file.txt", "outside"},
                                                                   {"target.txt", "outside"}}));

        // The shell cleans up as it starts.
        writeFile(documents() + "/.download-r2.part", "partial");
        {
            MainWindow window(shell->paths());
        }
        QCOMPARE(documentEntries(), QStringList({".Notes.unpack-9", "report.docx"}));
    }

    // The window's installers, downloads, remote messages and home view take
    // their managers from the factory it is given, and from nothing else.
    void requestsGoThroughTheGivenManagers()
    {
        server.route("/Notes.lpk", "not an archive", "application/octet-stream");
        server.route("/message.xml", "<message>hi</message>", "text/xml");
        QDir().mkpath(apps() + "/Notes");
        QStringList asked;
        int made = 0;
        MainWindow window(shell->paths(), [&](QObject *parent) {
            ++made;
            return new RecordingManager(parent, &asked);
        });
        QVERIFY(
            dynamic_cast<RecordingManager *>(window.homeView()->page()->networkAccessManager()));
        const int homeManagers = made;
        QCOMPARE(homeManagers, 1);

        const QList<QByteArray> paths{"/data.json", "/Notes.lpk", "/message.xml"};
        QMap<QByteArray, int> before;
        for (const QByteArray &path : paths)
            before[path] = server.requestCount(path);
        window.DownFile(server.url("/data.json").toString(), "Notes");
        window.installLpk(server.url("/Notes.lpk").toString());
        window.notif(server.url("/message.xml").toString());
        // Each reached the server, and each through a manager of the factory.
        for (const QByteArray &path : paths) {
            QVERIFY2(
                TestUtil::waitFor([&] { return server.requestCount(path) == before[path] + 1; }),
                path);
            QVERIFY2(asked.count(QString::fromLatin1(path)) == 1, path);
        }
        // One manager each for the file download, the package installer and
        // the message; repeated requests reuse the downloads' manager.
        QCOMPARE(made, homeManagers + 3);
        window.DownFile(server.url("/data.json").toString(), "Notes");
        // Asked at once; the file comes when a reply has been read, which on
        // a busy machine may be after both requests were made.
        QCOMPARE(asked.count("/data.json"), 2);
        QCOMPARE(made, homeManagers + 3);
        QVERIFY(TestUtil::waitFor(
            [&] { return readFile(apps() + "/Notes/data.json") == QByteArray("{\"v\":2}"); }));
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

    // A QtWebEngine download under way leaves nothing in the documents
    // folder when the user cancels it or its server dies. As a QtWebKit
    // page's, the page's second download meanwhile is refused without a word
    // when the page asks on its own, and waits its turn, listed as waiting,
    // when the user clicked for it.
    void engineDownloadsCutShortLeaveNothing_data()
    {
        QTest::addColumn<QString>("end");
        QTest::newRow("cancelled") << "cancel";
        QTest::newRow("server dies") << "server";
    }
    void engineDownloadsCutShortLeaveNothing()
    {
        QFETCH(QString, end);
        AppView *view = downloadingEngineView();
        if (!view)
            QSKIP("the QtWebEngine library cannot be loaded");
        const TestHttpServer::Response stalling = stallingFile(100000, 1000000);
        server.route("/cut/big.bin", stalling);
        server.route("/cut/other.bin", "other", "application/octet-stream");
        server.route("/cut/second.bin", stalling);
        server.route("/cut/after.bin", "after", "application/octet-stream");
        QVERIFY(loadLink(view, "/cut/links", "/cut/big.bin"));
        TestUtil::answerQuestions(true);
        const int before = lastListed().value("id").toInt();
        click(view);
        QVERIFY(TestUtil::waitFor([before] {
            const QVariantMap last = lastListed();
            return last.value("id").toInt() > before && last.value("name") == "big.bin" &&
                   last.value("received").toDouble() == 100000;
        }));
        const int id = lastListed().value("id").toInt();
        quint16 port = 0;
        PageScript::run(view, "location.href = '/cut/other.bin'");
        QVERIFY(TestUtil::waitFor([this] { return offered == 2; }));
        QCOMPARE(lastListed().value("id").toInt(), id);
        QVERIFY(loadLink(view, "/cut/more", "/cut/second.bin"));
        click(view);
        QVERIFY(TestUtil::waitFor([this] { return offered == 3; }));
        const int waiting = lastListed().value("id").toInt();
        QVERIFY(waiting > id);
        QCOMPARE(lastListed().value("state").toString(), QString("waiting"));
        QVERIFY(messages->isEmpty());
        DownloadList &list = DownloadList::instance();
        const auto stateOf = [](int entry) {
            return listedWhere("id", entry).value("state", "gone").toString();
        };
        if (end == "cancel") {
            QVERIFY(list.cancel(id));
            // Its turn comes: it runs (under a new entry), and is cancelled too.
            QVERIFY(TestUtil::waitFor([&] {
                const QVariantMap last = lastListed();
                return stateOf(waiting) == "gone" && last.value("name") == "second.bin" &&
                       last.value("state") == "running" &&
                       last.value("received").toDouble() == 100000;
            }));
            QVERIFY(list.cancel(lastListed().value("id").toInt()));
            QVERIFY(TestUtil::waitFor([] { return lastListed().value("state") == "cancelled"; }));
        } else {
            // Cancelled while it waits, it never starts.
            QVERIFY(list.cancel(waiting));
            QCOMPARE(stateOf(waiting), QString("cancelled"));
            port = server.port();
            server.stop();
            server.dropConnections();
        }
        QVERIFY(TestUtil::waitFor([&] { return stateOf(id) != "running"; }));
        QCOMPARE(stateOf(id), QString(end == "cancel" ? "cancelled" : "failed"));
        QVERIFY(TestUtil::waitFor([this] { return documentEntries().isEmpty(); }));
        // The user who cancelled needs no word.
        QCOMPARE(messages->size(), end == "cancel" ? 0 : 1);
        QVERIFY(messages->isEmpty() || messages->at(0).startsWith("Download failed: "));
        // The page may download again once that one has ended.
        messages->clear();
        if (port)
            QVERIFY(server.start(port));
        QVERIFY(loadLink(view, "/cut/again", "/cut/after.bin"));
        click(view);
        QVERIFY(TestUtil::waitFor([this] { return !messages->isEmpty(); }, 20000));
        QCOMPARE(*messages, QStringList({installerQuestion("after.bin")}));
        QCOMPARE(readFile(documents() + "/after.bin"), QByteArray("after"));
        QCOMPARE(lastListed().value("state").toString(), QString("done"));
        QVERIFY(
            TestUtil::waitFor([this] { return documentEntries() == QStringList({"after.bin"}); }));
    }
};

QTEST_MAIN(TestFileDownloads)
#include "tst_filedownloads.moc"
