#include "MediaFixtures.h"
#include "TestShell.h"
#include "media/FolderBrowser.h"
#include "shell/ShellPaths.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QWebFrame>
#include <QWebPage>
#include <QWebView>
#include <sys/stat.h>

using namespace MediaFixtures;

class TestFolderBrowser : public QObject
{
    Q_OBJECT

    // The one Filler call the page received, as its argument list.
    static QJsonArray onlyFiller(const RecordingPage &page)
    {
        const QList<QJsonArray> calls = page.callsOf(QStringLiteral("Filler"));
        return calls.size() == 1 ? calls.first() : QJsonArray();
    }

    // The folder of the shell's paths that each service lists.
    static QString folderOf(const ShellPaths &paths, const QString &service)
    {
        if (service == QLatin1String("Picture"))
            return paths.picturesFolder();
        if (service == QLatin1String("Documents"))
            return paths.documentsFolder();
        if (service == QLatin1String("Movies"))
            return paths.moviesFolder();
        if (service == QLatin1String("Apps"))
            return paths.applicationsFolder();
        return paths.musicFolder();
    }

private slots:

    void musicIsSortedIgnoringCaseAndFiltered()
    {
        TestShell shell;
        const QString music = makeFolder(shell.paths().musicFolder());
        QVERIFY(touch(music + "/b.MP3"));
        QVERIFY(touch(music + "/a.mp3"));
        QVERIFY(touch(music + "/notes.txt"));
        QVERIFY(touch(music + "/.hidden.mp3"));
        // Filters apply to folder names as well.
        QVERIFY(QDir().mkpath(music + "/Live.mp3"));
        QVERIFY(QDir().mkpath(music + "/Albums"));

        FolderBrowser browser(shell);
        RecordingPage page;
        QVERIFY(page.loaded());
        shell.stack()->addWidget(page.view());

        browser.desktopaccess(QStringLiteral("Music"));
        const QJsonArray args = onlyFiller(page);
        QCOMPARE(args.size(), 2);
        QCOMPARE(args.at(0).toString(), QStringLiteral(",a.mp3,b.MP3,Live.mp3"));
        QCOMPARE(args.at(1).toString(), QDir(music).absolutePath());
        QVERIFY(!args.at(1).toString().contains('\\'));

        QDir(music).removeRecursively();
    }

    // The listing is read from the folder itself where it can be: it must
    // keep to what the folder's own default listing shows and in its order.
    void listingKeepsToTheFoldersOwnListing_data()
    {
        QTest::addColumn<QStringList>("nameFilters");
        QTest::addColumn<int>("filter");
        QTest::newRow("one suffix") << QStringList{"*.mp3"} << int(QDir::AllEntries);
        QTest::newRow("several") << QStringList{"*.jpg", "*.PNG", "*.tar.gz"}
                                 << int(QDir::AllEntries);
        QTest::newRow("none") << QStringList() << int(QDir::AllEntries);
        QTest::newRow("a wildcard inside")
            << QStringList{"a*.mp3", "*.m?3"} << int(QDir::AllEntries);
        QTest::newRow("files only") << QStringList{"*.mp3"} << int(QDir::Files);
        QTest::newRow("with hidden")
            << QStringList{"*.mp3"} << int(QDir::AllEntries | QDir::Hidden);
    }

    void listingKeepsToTheFoldersOwnListing()
    {
        QFETCH(QStringList, nameFilters);
        QFETCH(int, filter);
        QDir(QDir::currentPath() + "/kinds").removeRecursively();
        const QString folder = makeFolder(QDir::currentPath() + "/kinds");
        for (const char *name : {"b.mp3", "A.MP3", "a.mp3", "x.jpg", "y.png", "z.tar.gz",
                                 "notes.txt", ".hidden.mp3", "abc.mp3", "Ünï, cödé.mp3"})
            QVERIFY(touch(folder + '/' + QString::fromUtf8(name)));
        QVERIFY(QDir().mkpath(folder + "/Live.mp3"));
        QVERIFY(QDir().mkpath(folder + "/.cache.mp3"));
        QVERIFY(QFile::link(folder + "/b.mp3", folder + "/link.mp3"));
        QVERIFY(QFile::link(folder + "/Live.mp3", folder + "/folderlink.mp3"));
        QVERIFY(QFile::link(folder + "/gone", folder + "/broken.mp3"));
        QVERIFY(mkfifo(QFile::encodeName(folder + "/pipe.mp3").constData(), 0600) == 0);

        QDir dir(folder);
        dir.setNameFilters(nameFilters);
        dir.setFilter(QDir::Filters(filter));
        const QStringList expected = dir.entryList();
        QVERIFY(expected.size() >= 2);
        const FolderListing listing(dir);
        QCOMPARE(listing.joined(), ',' + expected.join(','));
        QCOMPARE(listing.count(), expected.size());
        QCOMPARE(listing.slashJoined().isNull(), !expected.join(QString()).contains(','));
        if (!listing.slashJoined().isNull())
            QCOMPARE(listing.slashJoined(), expected.join('/'));
        QDir(folder).removeRecursively();
    }

    void everyServiceHasItsFolderAndFilters_data()
    {
        QTest::addColumn<QString>("service");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("listed");

        QTest::newRow("Picture") << "Picture"
                                 << QStringList{"c.gif", "a.JPG", "b.png", "d.jpeg", "e.bmp"}
                                 << QStringList{"a.JPG", "b.png", "c.gif"};
        QTest::newRow("Documents")
            << "Documents"
            << QStringList{"a.doc", "b.DOCX", "c.ppt", "d.pptx", "e.txt", "f.pdf", "g.odt"}
            << QStringList{"a.doc", "b.DOCX", "c.ppt", "d.pptx", "e.txt"};
        QTest::newRow("Movies") << "Movies" << QStringList{"a.mov", "b.wmv", "c.avi", "d.MP4",
                                                           "e.flv", "f.mkv", "g.mp3"}
                                << QStringList{"a.mov", "b.wmv", "c.avi", "d.MP4", "e.flv"};
        QTest::newRow("Apps") << "Apps" << QStringList{"z.desktop", "A.txt", "m"}
                              << QStringList{".", "..", "A.txt", "m", "z.desktop"};
    }

    void everyServiceHasItsFolderAndFilters()
    {
        QFETCH(QString, service);
        QFETCH(QStringList, files);
        QFETCH(QStringList, listed);

        const ShellPaths paths = ShellPaths::under(QDir::currentPath());
        const QString folder = makeFolder(folderOf(paths, service));
        for (const QString &f : files)
            QVERIFY(touch(folder + '/' + f));

        const FolderBrowser::Listing listing = FolderBrowser::list(paths, service);
        QCOMPARE(listing.entries.joined(), ',' + listed.join(','));
        QCOMPARE(listing.entries.count(), listed.size());
        QCOMPARE(listing.folder, QDir(folder).absolutePath());
        QDir(folder).removeRecursively();
    }

    void emptyAndMissingFoldersGiveAnEmptyListing()
    {
        TestShell shell;
        const QString pictures = makeFolder(shell.paths().picturesFolder());
        const QString movies = shell.paths().moviesFolder();
        QDir(movies).removeRecursively();

        FolderBrowser browser(shell);
        RecordingPage page;
        QVERIFY(page.loaded());
        shell.stack()->addWidget(page.view());

        browser.desktopaccess(QStringLiteral("Picture"));
        browser.desktopaccess(QStringLiteral("Movies"));
        const QList<QJsonArray> calls = page.callsOf(QStringLiteral("Filler"));
        QCOMPARE(calls.size(), 2);
        QCOMPARE(calls[0].size(), 2);
        QCOMPARE(calls[0].at(0).toString(), QString());
        QCOMPARE(calls[0].at(1).toString(), pictures);
        QCOMPARE(calls[1].size(), 2);
        QCOMPARE(calls[1].at(0).toString(), QString());
        QCOMPARE(calls[1].at(1).toString(), QDir(movies).absolutePath());
        QVERIFY(!QFileInfo::exists(movies));
    }

    void otherNamesListTheWorkingFolderUnfiltered_data()
    {
        QTest::addColumn<QString>("service");
        QTest::newRow("lower case") << "picture";
        QTest::newRow("plural") << "Pictures";
        QTest::newRow("upper case") << "MUSIC";
        QTest::newRow("blank") << " Music";
        QTest::newRow("empty") << "";
        QTest::newRow("path") << "../Music";
    }

    void otherNamesListTheWorkingFolderUnfiltered()
    {
        QFETCH(QString, service);
        const ShellPaths paths = ShellPaths::under(QDir::currentPath());
        const QString work = makeFolder(paths.workingFolder());
        QVERIFY(touch(work + "/song.mp3"));
        QVERIFY(touch(work + "/Readme"));
        // The music folder is there: a name that is no service never lists it.
        QVERIFY(touch(makeFolder(paths.musicFolder()) + "/other.mp3"));

        const FolderBrowser::Listing listing = FolderBrowser::list(paths, service);
        QCOMPARE(listing.folder, work);
        const QStringList names = QDir(work).entryList();
        QCOMPARE(listing.entries.joined(), ',' + names.join(','));
        for (const char *name : {".", "..", "song.mp3", "Readme"})
            QVERIFY(names.contains(name));
    }

    void namesArriveUnchanged()
    {
        TestShell shell;
        const QString music = makeFolder(shell.paths().musicFolder());
        // Names equal but for case, and a letter whose lower case is longer,
        // keep the order the folder's own listing gives.
        const QStringList names{"back\\slash.mp3", "it's.mp3",     "Ölüm, \"live\".mp3",
                                "tab\tline.mp3",   "<b>&amp;.mp3", "日本.mp3",
                                "a.mp3",           "A.mp3",        "İz.mp3",
                                "iz.mp3",          "Iz.mp3",       "ız.mp3"};
        for (const QString &n : names)
            QVERIFY(touch(music + '/' + n));

        FolderBrowser browser(shell);
        RecordingPage page;
        QVERIFY(page.loaded());
        shell.stack()->addWidget(page.view());

        browser.desktopaccess(QStringLiteral("Music"));
        const QJsonArray args = onlyFiller(page);
        QCOMPARE(args.size(), 3);
        const QStringList expected = QDir(music, QStringLiteral("*.mp3")).entryList();
        QCOMPARE(expected.size(), names.size());
        QCOMPARE(args.at(0).toString(), ',' + expected.join(','));
        QCOMPARE(args.at(1).toString(), music);
        // A name with a comma splits the listing: the third argument keeps
        // every name whole.
        QCOMPARE(args.at(2).toString().split('/'), expected);
        QVERIFY(expected.contains(QStringLiteral("Ölüm, \"live\".mp3")));
        QDir(music).removeRecursively();
    }

    void noCallUnlessAnAppPageIsOnTop()
    {
        TestShell shell;
        const QString music = makeFolder(shell.paths().musicFolder());
        QVERIFY(touch(music + "/a.mp3"));

        FolderBrowser browser(shell);
        RecordingPage page;
        QVERIFY(page.loaded());

        // Nothing on top.
        browser.desktopaccess(QStringLiteral("Music"));
        QCOMPARE(page.calls().size(), 0);

        // The mail panel: a plain widget.
        auto *mail = new QWidget;
        mail->setObjectName(QStringLiteral("Mail"));
        shell.stack()->addWidget(page.view());
        shell.stack()->addWidget(mail);
        shell.stack()->setCurrentWidget(mail);
        browser.desktopaccess(QStringLiteral("Music"));
        QCOMPARE(page.calls().size(), 0);

        // A web site opened as an app defines Filler too, but never gets the
        // user's file names.
        auto *site = new QWebView;
        QVERIFY(TestUtil::loadHtml(site,
                                   "<script>var got = 0; function Filler() { got++; }</script>",
                                   QUrl("http://127.0.0.1:9/")));
        shell.stack()->addWidget(site);
        shell.stack()->setCurrentWidget(site);
        browser.desktopaccess(QStringLiteral("Music"));
        QCOMPARE(site->page()->mainFrame()->evaluateJavaScript("got").toInt(), 0);
        QCOMPARE(page.calls().size(), 0);

        // The app page on top gets it, even named "Music".
        page.view()->setObjectName(QStringLiteral("Music"));
        shell.stack()->setCurrentWidget(page.view());
        browser.desktopaccess(QStringLiteral("Music"));
        QCOMPARE(page.callsOf("Filler").size(), 1);
        QDir(music).removeRecursively();
    }

    void pickFilesWithTheDialog()
    {
        const QString pics = makeFolder(QDir::tempPath() + "/vantara-pick-" +
                                        QString::number(QCoreApplication::applicationPid()));
        QVERIFY(touch(pics + "/one.png"));
        QVERIFY(touch(pics + "/two's.png"));
        QVERIFY(touch(pics + "/three.txt"));

        TestShell shell;
        FolderBrowser browser(shell);
        QString title, directory;
        QStringList filters;
        QWidget *parent = nullptr;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            title = dialog->windowTitle();
            directory = dialog->directory().absolutePath();
            filters = dialog->nameFilters();
            parent = dialog->parentWidget();
            dialog->setDirectory(pics);
            dialog->selectFile(QStringLiteral("\"one.png\" \"two's.png\""));
            QMetaObject::invokeMethod(dialog, "accept");
        });
        const QStringList picked = browser.pickFiles(QStringLiteral("Images (*.png *.jpg)"));
        QCOMPARE(title, QStringLiteral("Open File"));
        QCOMPARE(directory, QStringLiteral("/"));
        QCOMPARE(filters, QStringList{"Images (*.png *.jpg)"});
        QCOMPARE(parent, shell.mainWindow());
        QCOMPARE(picked, (QStringList{pics + "/one.png", pics + "/two's.png"}));

        QTimer::singleShot(0, [] {
            if (QWidget *dialog = QApplication::activeModalWidget())
                QMetaObject::invokeMethod(dialog, "reject");
        });
        QCOMPARE(browser.pickFiles(QString()), QStringList());
        QDir(pics).removeRecursively();
    }
};

QTEST_MAIN(TestFolderBrowser)
#include "tst_folderbrowser.moc"
