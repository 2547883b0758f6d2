#include "InstallTestUtil.h"
#include "TestHttpServer.h"
#include "TestPictures.h"
#include "install/ArchiveFormat.h"
#include "install/PackageInstaller.h"
#include "shell/ImageBounds.h"

#include <QImageReader>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QStackedWidget>
#include <QTest>

using namespace InstallTestUtil;

class TestPackageInstaller : public QObject
{
    Q_OBJECT

    TestHttpServer server;
    std::unique_ptr<TestShell> shell;
    std::unique_ptr<PackageInstaller> installer;
    QStringList *messages = nullptr;
    const QMap<QString, QByteArray> maps{{"icon.png", "maps icon"},
                                         {"app.con", "<config><apptype>local</apptype></config>"},
                                         {"pages/index.html", "<html>maps</html>"},
                                         {QStringLiteral("données/é.txt"), "accents"}};

    QString apps() const { return shell->appsFolder(); }
    bool settle()
    {
        return TestUtil::waitFor([this] { return installer->pending() == 0; });
    }
    static QMap<QString, QByteArray> under(const QString &folder,
                                           const QMap<QString, QByteArray> &m)
    {
        QMap<QString, QByteArray> out;
        for (auto it = m.cbegin(); it != m.cend(); ++it)
            out.insert(folder + "/" + it.key(), it.value());
        return out;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(server.start());
        server.route("/store/Maps.lpk", package(maps), "application/octet-stream");
    }

    void init()
    {
        shell = std::make_unique<TestShell>();
        QVERIFY(loadRecordingHome(*shell));
        installer = std::make_unique<PackageInstaller>(*shell);
        messages = TestUtil::recordMessages();
    }

    void cleanup()
    {
        installer.reset();
        shell.reset();
    }

    void packageNames()
    {
        QCOMPARE(PackageInstaller::packageName(QUrl("http://h.test/store/Maps.lpk")),
                 QStringLiteral("Maps"));
        QCOMPARE(PackageInstaller::packageName(QUrl("http://h.test/get?id=7")),
                 QStringLiteral("get?id=7"));
        QCOMPARE(PackageInstaller::packageName(QUrl("http://h.test/dl.php?f=Maps")),
                 QStringLiteral("dl"));
        QCOMPARE(PackageInstaller::packageName(QUrl("http://h.test/a.b.lpk")),
                 QStringLiteral("a.b"));
        QCOMPARE(PackageInstaller::packageName(QUrl("http://h.test/store/")), QString());
    }

    void installsAPackage()
    {
        installer->installLpk(server.url("/store/Maps.lpk").toString());
        QVERIFY(settle());
        QCOMPARE(*messages, QStringList({"Download Started", "Mapsinstalled"}));
        // Only the app: no temporary package or working folder stays behind.
        QCOMPARE(files(apps()), under("Maps", maps));
        QCOMPARE(QDir(apps()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList({"Maps"}));
        const QString appsPath = QDir(apps()).absolutePath();
        QCOMPARE(createwebappCalls(*shell),
                 (QList<QStringList>{{appsPath + "//Maps//icon.png", "Maps", "Maps"}}));
        QVERIFY(QFileInfo(appsPath + "//Maps//icon.png").isFile());
        QVERIFY(shell->stack()->isHidden());
    }

    // A new version of an installed app replaces its files; the home screen
    // keeps its one icon for it.
    void replacingAnAppAddsNoSecondIcon()
    {
        installer->installLpk(server.url("/store/Maps.lpk").toString());
        QVERIFY(settle());
        server.route("/v2/Maps.lpk", package({{"icon.png", "new icon"}, {"app.con", "v2"}}),
                     "application/octet-stream");
        installer->installLpk(server.url("/v2/Maps.lpk").toString());
        QVERIFY(settle());
        QCOMPARE(*messages, QStringList({"Download Started", "Mapsinstalled", "Download Started",
                                         "Mapsinstalled"}));
        QCOMPARE(readFile(apps() + "/Maps/icon.png"), QByteArray("new icon"));
        QCOMPARE(createwebappCalls(*shell).size(), 1);
        // What the new version does not carry stays, and nothing else is left.
        auto expected = under("Maps", maps);
        expected.insert("Maps/icon.png", "new icon");
        expected.insert("Maps/app.con", "v2");
        QCOMPARE(files(apps()), expected);
        QCOMPARE(QDir(apps()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList({"Maps"}));
    }

    // A replacement from the server through a linked app folder, a linked
    // Apps folder or onto another file system: the links stay, the app's own
    // files stay, and no working folder is left anywhere.
    void replacingThroughLinksAndFileSystems_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::newRow("linked app folder") << "app link";
        QTest::newRow("linked Apps folder") << "apps link";
        QTest::newRow("app on another file system") << "other";
    }
    void replacingThroughLinksAndFileSystems()
    {
        QFETCH(QString, layout);
        QTemporaryDir elsewhere;
        std::unique_ptr<OtherFileSystem> other;
        QString real = elsewhere.filePath("real");
        if (layout == "other") {
            other = std::make_unique<OtherFileSystem>(elsewhere.filePath("mnt"));
            if (other->path().isEmpty())
                QSKIP(qPrintable(other->reason()));
            real = other->path();
        }
        if (layout == "apps link") {
            QVERIFY(QDir().rename(apps(), real));
            QVERIFY(QFile::link(real, apps()));
        } else {
            QVERIFY(QFile::link(real + "/Maps", apps() + "/Maps"));
        }
        writeFile(real + "/Maps/icon.png", "old icon");
        writeFile(real + "/Maps/mine.txt", "kept");

        server.route("/v2/Maps.lpk", package({{"icon.png", "new icon"}, {"app.con", "v2"}}),
                     "application/octet-stream");
        installer->installLpk(server.url("/v2/Maps.lpk").toString());
        QVERIFY(settle());
        QCOMPARE(*messages, QStringList({"Download Started", "Mapsinstalled"}));
        QCOMPARE(files(real + "/Maps"),
                 (QMap<QString, QByteArray>{
                     {"icon.png", "new icon"}, {"app.con", "v2"}, {"mine.txt", "kept"}}));
        QVERIFY(QFileInfo(layout == "apps link" ? apps() : apps() + "/Maps").isSymLink());
        QVERIFY(createwebappCalls(*shell).isEmpty());
        QVERIFY(workingFolders(real).isEmpty());
        QVERIFY(workingFolders(apps()).isEmpty());

        // LoadPack into it the same way; a damaged package changes nothing.
        installer->LoadPack(server.url("/store/Maps.lpk").toString(), "Maps");
        QVERIFY(settle());
        auto expected = maps;
        expected.insert("mine.txt", "kept");
        QCOMPARE(files(real + "/Maps"), expected);
        QByteArray corrupt = package(maps);
        corrupt[corrupt.size() - 3] = char(corrupt[corrupt.size() - 3] ^ 0x40);
        server.route("/corrupt/Maps.lpk", corrupt);
        const auto before = exactTree(real + "/Maps");
        installer->LoadPack(server.url("/corrupt/Maps.lpk").toString(), "Maps");
        QVERIFY(settle());
        QCOMPARE(messages->size(), 3);
        QVERIFY2(messages->last().startsWith("Maps was not installed: "),
                 qPrintable(messages->last()));
        QCOMPARE(exactTree(real + "/Maps"), before);
        QVERIFY(workingFolders(real).isEmpty());
        QVERIFY(workingFolders(apps()).isEmpty());
    }

    void namesFromAddressesAndRedirects()
    {
        const QByteArray notes = package({{"icon.png", "notes icon"}});
        TestHttpServer::Response noLength;
        noLength.body = notes;
        noLength.sendLength = false;
        server.route("/get", noLength);
        TestHttpServer::Response hop;
        hop.status = 302;
        hop.headers = {{"Location", "/files/Notes.lpk"}};
        server.route("/latest", hop);
        server.route("/files/Notes.lpk", notes);

        installer->installLpk(server.url("/get?id=7").toString());
        QVERIFY(settle());
        // Named by the address asked for, not by where it was redirected.
        installer->installLpk(server.url("/latest").toString());
        QVERIFY(settle());
        QCOMPARE(*messages, QStringList({"Download Started", "get?id=7installed",
                                         "Download Started", "latestinstalled"}));
        QCOMPARE(server.requestCount("/files/Notes.lpk"), 1);
        QCOMPARE(readFile(apps() + "/get?id=7/icon.png"), QByteArray("notes icon"));
        QCOMPARE(readFile(apps() + "/latest/icon.png"), QByteArray("notes icon"));
        QVERIFY(!QFileInfo::exists(apps() + "/Notes"));
    }

    // A server that redirects to the name of an installed app cannot unpack
    // into it, by installLpk or by LoadPack.
    void redirectsChooseNoOtherApp()
    {
        writeFile(apps() + "/Maps/index.html", "the installed app");
        TestHttpServer::Response hop;
        hop.status = 302;
        hop.headers = {{"Location", "/store/Maps.lpk"}};
        server.route("/store/Fresh.lpk", hop);
        const int before = server.requestCount("/store/Maps.lpk");
        installer->installLpk(server.url("/store/Fresh.lpk").toString());
        QVERIFY(settle());
        QCOMPARE(*messages, QStringList({"Download Started", "Freshinstalled"}));
        installer->LoadPack(server.url("/store/Fresh.lpk").toString(), "Other");
        QVERIFY(settle());
        QCOMPARE(server.requestCount("/store/Maps.lpk"), before + 2);
        auto expected = under("Fresh", maps);
        const auto other = under("Other", maps);
        for (auto it = other.cbegin(); it != other.cend(); ++it)
            expected.insert(it.key(), it.value());
        expected.insert("Maps/index.html", "the installed app");
        QCOMPARE(files(apps()), expected);
        const QString appsPath = QDir(apps()).absolutePath();
        QCOMPARE(createwebappCalls(*shell),
                 (QList<QStringList>{{appsPath + "//Fresh//icon.png", "Fresh", "Fresh"}}));
    }

    // Nothing lands when the download fails, even when the error page is
    // itself a good package, or when the package is damaged.
    void failuresInstallNothing()
    {
        writeFile(apps() + "/Maps/icon.png", "installed before");
        TestHttpServer::Response error;
        error.status = 404;
        error.body = package(maps);
        server.route("/gone/Maps.lpk", error);
        error.status = 500;
        error.sendLength = false;
        server.route("/fails/Maps.lpk", error);
        server.route("/cut/Maps.lpk", package(maps).left(40));
        QByteArray corrupt = package(maps);
        corrupt[corrupt.size() - 3] = char(corrupt[corrupt.size() - 3] ^ 0x40);
        server.route("/corrupt/Maps.lpk", corrupt);
        TestHttpServer::Response downgrade;
        downgrade.status = 302;
        downgrade.headers = {{"Location", "file:///etc/passwd"}};
        server.route("/file/Maps.lpk", downgrade);
        // A megabyte that would unpack to a gigabyte of zeros, and a block
        // that announces a kilobyte and inflates to far more.
        server.route("/bomb/Maps.lpk", ArchiveFormat::encodeName("/icon.png") +
                                           ArchiveFormat::u32Bytes(4 + (1 << 20)) +
                                           ArchiveFormat::u32Bytes(1u << 30) +
                                           QByteArray(1 << 20, 'x'));
        server.route("/lying/Maps.lpk",
                     record("/icon.png", ArchiveFormat::u32Bytes(1000) +
                                             qCompress(QByteArray(20 << 20, 'z')).mid(4)));

        for (const char *path : {"/gone/Maps.lpk", "/fails/Maps.lpk", "/file/Maps.lpk"}) {
            messages->clear();
            installer->installLpk(server.url(path).toString());
            QVERIFY(settle());
            QCOMPARE(messages->size(), 2);
            QVERIFY2(messages->at(1).startsWith("Download failed: "), qPrintable(messages->at(1)));
        }
        const QList<QPair<const char *, const char *>> refused{
            {"/cut/Maps.lpk", "truncated"},
            {"/corrupt/Maps.lpk", "damaged"},
            {"/bomb/Maps.lpk", "more than 100 times"},
            {"/lying/Maps.lpk", "more than its size says"}};
        for (const auto &[path, reason] : refused) {
            messages->clear();
            installer->installLpk(server.url(path).toString());
            QVERIFY(settle());
            QCOMPARE(messages->size(), 2);
            QVERIFY2(messages->at(1).startsWith("Maps was not installed: ") &&
                         messages->at(1).contains(reason),
                     qPrintable(messages->at(1)));
            // LoadPack into the installed app the same.
            installer->LoadPack(server.url(path).toString(), "Maps");
            QVERIFY(settle());
            QCOMPARE(messages->size(), 3);
            QVERIFY2(messages->at(2).startsWith("Maps was not installed: ") &&
                         messages->at(2).contains(reason),
                     qPrintable(messages->at(2)));
        }
        QCOMPARE(files(apps()), (QMap<QString, QByteArray>{{"Maps/icon.png", "installed before"}}));
        QCOMPARE(QDir(apps()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList({"Maps"}));
        QVERIFY(createwebappCalls(*shell).isEmpty());
        QVERIFY(!shell->stack()->isHidden());
    }

    // A package's icon is judged by the size its header announces: larger
    // than the grid needs, it is stored scaled (still a PNG named icon.png),
    // by installLpk and LoadPack alike; beyond the bounds it stays as the
    // package has it, but the page's new tile is given no icon and shows the
    // initial.
    void iconsAreBoundedWhenInstalled_data()
    {
        QTest::addColumn<QByteArray>("icon");
        QTest::addColumn<QSize>("stored");
        QTest::addColumn<bool>("shown");
        QTest::newRow("JPEG, larger than the grid")
            << TestPictures::plain(QSize(640, 1280), "JPG") << QSize(128, 256) << true;
        QTest::newRow("12,000 x 12,000")
            << TestPictures::pngBomb(QSize(12000, 12000)) << QSize(12000, 12000) << false;
    }
    void iconsAreBoundedWhenInstalled()
    {
        QFETCH(QByteArray, icon);
        QFETCH(QSize, stored);
        QFETCH(bool, shown);
        server.route("/big/Big.lpk", package({{"icon.png", icon}, {"app.con", "<config/>"}}),
                     "application/octet-stream");
        installer->installLpk(server.url("/big/Big.lpk").toString());
        installer->LoadPack(server.url("/big/Big.lpk").toString(), "Loaded");
        QVERIFY(settle());
        QCOMPARE(*messages, QStringList({"Download Started", "Biginstalled"}));
        for (const char *app : {"Big", "Loaded"}) {
            const QString path = apps() + "/" + app + "/icon.png";
            QCOMPARE(ImageBounds::announcedSize(path), stored);
            QCOMPARE(readFile(path) == icon, !shown);
            if (shown)
                QCOMPARE(QImageReader(path).format(), QByteArray("png"));
        }
        const QString appsPath = QDir(apps()).absolutePath();
        QCOMPARE(
            createwebappCalls(*shell),
            (QList<QStringList>{{shown ? appsPath + "//Big//icon.png" : QString(), "Big", "Big"}}));
        QCOMPARE(QDir(apps()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList({"Big", "Loaded"}));
    }

    // An address without a usable name never unpacks into the Apps folder itself.
    void unusableNames()
    {
        server.route("/store/", package(maps));
        server.route("/store/..", package(maps));
        installer->installLpk(server.url("/store/").toString());
        QVERIFY(settle());
        QCOMPARE(messages->size(), 2);
        QVERIFY2(messages->at(1).contains("not a valid name"), qPrintable(messages->at(1)));
        QVERIFY(files(apps()).isEmpty());

        const int before = server.requests().size();
        for (const QString &target :
             {QStringLiteral("../Other"), QStringLiteral("a/b"), QStringLiteral(".."), QString()}) {
            messages->clear();
            installer->LoadPack(server.url("/store/Maps.lpk").toString(), target);
            QCOMPARE(messages->size(), 1);
            QVERIFY(messages->at(0).contains("not a valid name"));
        }
        QCOMPARE(server.requests().size(), before);
        QCOMPARE(installer->pending(), 0);
    }

    void loadPackIntoAnExistingApp()
    {
        writeFile(apps() + "/Notes/icon.png", "old icon");
        writeFile(apps() + "/Notes/mine.txt", "kept");
        installer->LoadPack(server.url("/store/Maps.lpk").toString(), "Notes");
        QVERIFY(messages->isEmpty());
        QVERIFY(settle());
        QVERIFY(messages->isEmpty());
        auto expected = under("Notes", maps);
        expected.insert("Notes/mine.txt", "kept");
        QCOMPARE(files(apps()), expected);
        QVERIFY(createwebappCalls(*shell).isEmpty());
        QVERIFY(!shell->stack()->isHidden());

        // A failed one says so and changes nothing.
        installer->LoadPack(server.url("/nothing/here.lpk").toString(), "Notes");
        QVERIFY(settle());
        QCOMPARE(messages->size(), 1);
        QVERIFY(messages->at(0).startsWith("Download failed: "));
        QCOMPARE(files(apps()), expected);
    }

    // Each download goes where it was asked to, whichever ends first.
    void twoAtOnce()
    {
        TestHttpServer::Response slow;
        slow.body = package({{"slow.txt", "slow"}});
        slow.delayMs = 400;
        server.route("/slow/Slow.lpk", slow);
        server.route("/fast/Fast.lpk", package({{"fast.txt", "fast"}}));

        installer->LoadPack(server.url("/slow/Slow.lpk").toString(), "First");
        installer->LoadPack(server.url("/fast/Fast.lpk").toString(), "Second");
        QVERIFY(settle());
        installer->installLpk(server.url("/slow/Slow.lpk").toString());
        installer->installLpk(server.url("/fast/Fast.lpk").toString());
        QVERIFY(settle());
        QCOMPARE(files(apps()), (QMap<QString, QByteArray>{{"First/slow.txt", "slow"},
                                                           {"Second/fast.txt", "fast"},
                                                           {"Slow/slow.txt", "slow"},
                                                           {"Fast/fast.txt", "fast"}}));
        QCOMPARE(messages->count("Slowinstalled"), 1);
        QCOMPARE(messages->count("Fastinstalled"), 1);
    }

    void completionWithoutARealReply()
    {
        installer->filesysDownloaded(nullptr);
        installer->PackDownloaded(nullptr);
        QNetworkAccessManager other;
        QNetworkReply *foreign = other.get(QNetworkRequest(server.url("/store/Maps.lpk")));
        QVERIFY(TestUtil::waitFor([&] { return foreign->isFinished(); }));
        installer->filesysDownloaded(foreign);
        installer->PackDownloaded(foreign);
        QVERIFY(messages->isEmpty());
        QVERIFY(files(apps()).isEmpty());
    }
};

QTEST_MAIN(TestPackageInstaller)
#include "tst_packageinstaller.moc"
