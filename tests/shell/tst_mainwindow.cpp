#include "TestHttpServer.h"
#include "TestShell.h"
#include "app/FirstFrame.h"
#include "app/MainWindow.h"
#include "shell/Addresses.h"
#include "shell/AppView.h"
#include "shell/StackSlide.h"
#include "web/EngineLoader.h"
#include "web/MemoryRelease.h"
#include "web/WebKitAppView.h"

#include <QApplication>
#include <QDesktopWidget>
#include <QDir>
#include <QDirIterator>
#include <QDropEvent>
#include <QFile>
#include <QImage>
#include <QMimeData>
#include <QPaintEvent>
#include <QProgressBar>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QWebFrame>
#include <QWebSettings>
#include <QWebView>
#include <phonon/AudioOutput>
#include <phonon/MediaObject>
#include <sys/stat.h>

namespace
{
// Counts the paints of a widget that reach under another lying over it.
class PaintsUnder : public QObject
{
public:
    PaintsUnder(QWidget *painted, QWidget *cover) : painted(painted), cover(cover)
    {
        painted->installEventFilter(this);
    }
    int count = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == painted && event->type() == QEvent::Paint && cover->isVisible()) {
            const QRect covered(painted->mapFrom(cover->parentWidget(), cover->pos()),
                                cover->size());
            if (static_cast<QPaintEvent *>(event)->region().intersects(covered))
                ++count;
        }
        return false;
    }

private:
    QWidget *painted;
    QWidget *cover;
};
} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    // First: nothing in this process may have made a remote page before.
    void theEngineLoadsWithTheFirstRemotePageOnly()
    {
        auto mapped = [] {
            const QByteArray maps = TestUtil::readFile(QStringLiteral("/proc/self/maps"));
            return maps.contains("libQt5WebEngineCore") || maps.contains("vantara_webengine");
        };
        QVERIFY(!mapped());
        MainWindow w;
        QSignalSpy loaded(w.homeView(), SIGNAL(loadFinished(bool)));
        QVERIFY(loaded.wait(20000));
        // The home screen and a local app: QtWebKit alone.
        if (QFile::exists(w.appsFolder() + "/Calculator/app.con")) {
            AppView *local = TestUtil::openFromHome(&w, "Calculator", "web", "Calculator");
            QVERIFY(local);
            QCOMPARE(local->engine(), AppView::Engine::WebKit);
        }
        QVERIFY(!EngineLoader::isLoaded());
        QVERIFY(!mapped());

        // The first remote page brings the engine in.
        TestHttpServer server;
        QVERIFY(server.start());
        server.route("/remote", "<html><head><title>Remote</title></head></html>");
        AppView *remote =
            TestUtil::openFromHome(&w, "Remote", "web", server.url("/remote").toString());
        QVERIFY(remote);
        QCOMPARE(remote->engine(), AppView::Engine::WebEngine);
        QCOMPARE(remote->title(), QStringLiteral("Remote"));
        QVERIFY(EngineLoader::isLoaded());
        QVERIFY(mapped());
    }

    void widgetsBeforeTheHomePageLoads()
    {
        MainWindow w;
        QCOMPARE(w.objectName(), QStringLiteral("MainWindow"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Vantara"));
        QVERIFY(!w.windowIcon().isNull());
        QVERIFY(w.isFullScreen());
        QVERIFY(w.testAttribute(Qt::WA_QuitOnClose));
        QCOMPARE(w.locale(), QLocale(QLocale::English, QLocale::UnitedStates));

        auto *central = w.findChild<QWidget *>(QStringLiteral("centralWidget"));
        QVERIFY(central);
        QCOMPARE(w.centralWidget(), central);
        QCOMPARE(central->styleSheet(), QString());

        auto *web = w.findChild<QWebView *>(QStringLiteral("webView"));
        auto *stack = w.findChild<QStackedWidget *>(QStringLiteral("springboard"));
        auto *bar = w.findChild<QProgressBar *>(QStringLiteral("progressBar"));
        QVERIFY(web && stack && bar);
        QCOMPARE(web->parentWidget(), central);
        QCOMPARE(stack->parentWidget(), central);
        QCOMPARE(bar->parentWidget(), central);
        // Creation order is stacking order: the bar over the stack over the home view.
        QCOMPARE(central->children().indexOf(web) < central->children().indexOf(stack), true);
        QCOMPARE(central->children().indexOf(stack) < central->children().indexOf(bar), true);

        QCOMPARE(web->geometry(), QRect(0, 0, 800, 600));
        QCOMPARE(web->url(), QUrl(QStringLiteral("qrc:/Lumo.html")));
        QCOMPARE(stack->geometry(), QRect(90, 10, 0, 0));
        QCOMPARE(stack->contextMenuPolicy(), Qt::NoContextMenu);
        QCOMPARE(stack->frameShape(), QFrame::NoFrame);
        QCOMPARE(stack->count(), 0);
        QCOMPARE(bar->geometry(), QRect(0, 20, 961, 20));
        QCOMPARE(bar->styleSheet(),
                 QStringLiteral(
                     "border: 0px solid gray;\nbackground: black;\ncolor:white;\nmargin:0px;\n\n"));
        QCOMPARE(bar->value(), 0);
        // No white page and no empty bar before the home page draws itself.
        QVERIFY(bar->isHidden());
        QVERIFY(!bar->isTextVisible());
        const QImage first = web->grab().toImage();
        QCOMPARE(first.pixelColor(400, 300), FirstFrame::homeColour());
        QVERIFY(FirstFrame::homeColour().lightness() < 200);
        // The colour is the wallpaper's own average.
        const QColor average = QImage(QStringLiteral(":/assets/bg/m10.jpg"))
                                   .scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                   .pixelColor(0, 0);
        const QColor home = FirstFrame::homeColour();
        QVERIFY2(qAbs(average.red() - home.red()) <= 3 &&
                     qAbs(average.green() - home.green()) <= 3 &&
                     qAbs(average.blue() - home.blue()) <= 3,
                 qPrintable(average.name()));
        // App pages keep the white ground of pages without a background.
        QCOMPARE(stack->palette().color(QPalette::Base),
                 QApplication::palette().color(QPalette::Base));

        QCOMPARE(w.homeView(), web);
        QCOMPARE(w.stack(), stack);
        QCOMPARE(w.progressBar(), bar);
        QCOMPARE(w.appsFolder(), QCoreApplication::applicationDirPath() + QStringLiteral("//Apps"));
        QCOMPARE(w.showIndex(), 0);
    }

    // The window shows only once its home page has laid the home screen out
    // over the whole screen, grid and dock with their pictures: its first
    // frame is the home screen as it stays.
    void theFirstFrameIsTheHomeScreen()
    {
        struct ShowWatch : QObject {
            QWebView *home = nullptr;
            QString atShow;
            bool eventFilter(QObject *watched, QEvent *event) override
            {
                if (event->type() == QEvent::Show && home && watched == home->window() &&
                    atShow.isEmpty())
                    atShow =
                        home->page()
                            ->mainFrame()
                            ->evaluateJavaScript("[one, jQuery('.dock').width(), "
                                                 "window.innerWidth, jQuery('div.item:first img,"
                                                 " .dock img').filter(function(){ return "
                                                 "!this.naturalWidth; }).length,"
                                                 " jQuery('div.item:first img').length > 0].join()")
                            .toString();
                return false;
            }
        } watch;
        qApp->installEventFilter(&watch);
        MainWindow w;
        watch.home = w.homeView();
        QVERIFY(!w.isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(w.isVisible(), 20000);
        qApp->removeEventFilter(&watch);
        QVERIFY(w.isFullScreen());
        // Filled, as wide as the screen, no picture still to come.
        const int width = w.screenArea().width();
        QCOMPARE(watch.atShow,
                 QStringLiteral("1,%1,%1,0,").arg(width) +
                     (QFile::exists(w.appsFolder() + "/Calculator/icon.png") ? "true" : "false"));
    }

    // What the shell hands back once start-up is over must not be missed:
    // the home screen's pictures stay, it still opens apps, and their pages
    // still run script.
    void homeScreenWorksOnceStartupMemoryIsBack()
    {
        MainWindow w;
        QWebFrame *home = w.homeView()->page()->mainFrame();
        const auto js = [](QWebFrame *f, const char *script) {
            return f->evaluateJavaScript(QString::fromLatin1(script));
        };
        const char *iconsShown = "(function(){var i = $('#swipe_container img.imgicon');"
                                 " return i.length > 0 && i.toArray().every(function(e) {"
                                 " return e.complete && e.naturalWidth > 0; });})()";
        QVERIFY(TestUtil::waitFor([&] { return js(home, iconsShown).toBool(); }));
        MemoryRelease::release();
        QTest::qWait(1200);
        QVERIFY(js(home, iconsShown).toBool());
        js(home, "$('#Rmusic').trigger('click')");
        QVERIFY(TestUtil::waitFor([&] {
            auto *app = qobject_cast<QWebView *>(w.stack()->currentWidget());
            return app && app->objectName() == QLatin1String("Music.map") &&
                   js(app->page()->mainFrame(), "document.getElementById('count').textContent")
                       .toString()
                       .endsWith(QLatin1String("songs"));
        }));
    }

    // The stack is opaque, in the white its pages start with: while it
    // slides in, the home page under it is not drawn again at each step.
    void theHomePageIsNotDrawnUnderTheSlidingStack()
    {
        MainWindow w;
        QSignalSpy loaded(w.homeView(), SIGNAL(loadFinished(bool)));
        QVERIFY(loaded.wait(20000));
        w.stack()->addWidget(new QWidget);
        PaintsUnder home(w.homeView(), w.stack());
        StackSlide::slideIn(w.stack(), w.screenArea());
        const QRect area = StackSlide::stackArea(w.screenArea());
        QVERIFY(TestUtil::waitFor([&] { return w.stack()->geometry() == area; }));
        QCOMPARE(home.count, 0);
        QCOMPARE(w.stack()->grab().toImage().pixelColor(area.width() / 2, area.height() / 2),
                 QApplication::palette().color(QPalette::Base));
    }

    void userStyleBase()
    {
        MainWindow w;
        const QString expected = QStringLiteral(
            "::-webkit-scrollbar {width: 8px;background:#EFEFEF;border-radius: 50px;} "
            "::-webkit-scrollbar-track {-webkit-box-shadow: inset 0 0 6px #EFEFEF; "
            "-webkit-border-radius: 1px;border-radius: 50px;background:#EFEFEF;} "
            "::-webkit-scrollbar-thumb {-webkit-border-radius: 1px;border-radius: 1px;"
            "background: #666666; -webkit-box-shadow: inset 0 0 6px rgba(0,0,0,0.5); "
            "border-radius: 50px;} ");
        QCOMPARE(w.userStyleBase().size(), 378);
        QCOMPARE(w.userStyleBase(), expected);
    }

    void webSettingsAndStorageUnderTheWorkingFolder()
    {
        MainWindow w;
        QWebSettings *s = QWebSettings::globalSettings();
        for (QWebSettings::WebAttribute a :
             {QWebSettings::WebGLEnabled, QWebSettings::OfflineStorageDatabaseEnabled,
              QWebSettings::LocalStorageEnabled, QWebSettings::AcceleratedCompositingEnabled,
              QWebSettings::LocalContentCanAccessFileUrls,
              QWebSettings::LocalContentCanAccessRemoteUrls, QWebSettings::PluginsEnabled,
              QWebSettings::JavaEnabled, QWebSettings::JavascriptCanOpenWindows,
              QWebSettings::LinksIncludedInFocusChain})
            QVERIFY2(s->testAttribute(a), qPrintable(QString::number(a)));
        QCOMPARE(QWebSettings::maximumPagesInCache(), 10);

        // The tests run in a working folder apart from the program's folder.
        const QString work = QDir::currentPath();
        QVERIFY(work != QCoreApplication::applicationDirPath());
        // QtWebKit 5.212 is built without the site-icon database and then
        // reports no path; where it has one, it lies in the working folder.
        if (!QWebSettings::iconDatabasePath().isEmpty())
            QCOMPARE(QDir::cleanPath(QWebSettings::iconDatabasePath()),
                     QDir::cleanPath(work + QStringLiteral("/icons")));
        QVERIFY(
            QDir::cleanPath(s->localStoragePath()).startsWith(QDir::cleanPath(work + "/cache")));
        QVERIFY(QDir::cleanPath(QWebSettings::offlineStoragePath())
                    .startsWith(QDir::cleanPath(work + "/cache")));
    }

    // Whatever the mask the shell starts with, what it keeps in the working
    // folder (web storage, the session, the arrangement) is the user's alone,
    // also what an older version left readable; the user's own files there
    // keep their mode.
    void workingFolderIsTheUsersAlone()
    {
        const mode_t before = ::umask(022);
        const QString work = QDir::currentPath();
        const auto mode = [](const QString &path) {
            struct stat st = {};
            return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 0777 : 0;
        };
        QVERIFY(TestUtil::writeFile(work + "/cache/LocalStorage/old.localstorage", "old"));
        QVERIFY(TestUtil::writeFile(work + "/notes.txt", "the user's"));
        // As an older version left them.
        for (const char *path : {"cache", "cache/LocalStorage"})
            QVERIFY(::chmod(QFile::encodeName(work + "/" + path).constData(), 0755) == 0);
        for (const char *path : {"cache/LocalStorage/old.localstorage", "notes.txt"})
            QVERIFY(::chmod(QFile::encodeName(work + "/" + path).constData(), 0644) == 0);
        {
            MainWindow w;
            QSignalSpy loaded(w.homeView(), SIGNAL(loadFinished(bool)));
            QVERIFY(loaded.wait(15000));
            QWebFrame *app =
                WebKitAppView::frameOf(TestUtil::openFromHome(&w, "Notes", "local", "index.html"));
            QVERIFY(app);
            app->evaluateJavaScript(
                "localStorage.setItem('token', 'secret');"
                "openDatabase('notes', '1', 'notes', 4096).transaction(function (t) {"
                "  t.executeSql('CREATE TABLE IF NOT EXISTS n (v)');"
                "  t.executeSql('INSERT INTO n VALUES (1)'); });");
            w.homeView()->page()->mainFrame()->evaluateJavaScript(
                "vantara.saveArrangement(vantara.arrangement() || '{\"pages\":[],\"dock\":[]}')");
            QTRY_VERIFY_WITH_TIMEOUT(
                QDir(work + "/cache/LocalStorage").entryList({"file_*"}, QDir::Files).size() > 0 &&
                    QDir(work + "/cache/Databases").exists(),
                15000);
            w.close();
        }
        QVERIFY(QFileInfo::exists(work + "/session.xml"));
        QStringList checked;
        QDirIterator it(work, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo entry(it.next());
            if (entry.fileName() == "notes.txt")
                continue;
            checked << QDir(work).relativeFilePath(entry.filePath());
            QVERIFY2(
                mode(entry.filePath()) == (entry.isDir() ? 0700 : 0600),
                qPrintable(entry.filePath() + ": " + QString::number(mode(entry.filePath()), 8)));
        }
        QVERIFY2(checked.contains("cache/LocalStorage/old.localstorage") &&
                     checked.contains("session.xml") && checked.contains("arrangement.json"),
                 qPrintable(checked.join(", ")));
        QCOMPARE(mode(work + "/notes.txt"), mode_t(0644));
        ::umask(before);
    }

    void mailProvidersAreOnHttps()
    {
        for (const char *address : {VANTARA_MAIL_GMAIL, VANTARA_MAIL_HOTMAIL, VANTARA_MAIL_YAHOO,
                                    VANTARA_MAIL_FACEBOOK}) {
            const QUrl url(QString::fromLatin1(address));
            QVERIFY2(url.isValid() && url.scheme() == QLatin1String("https"), address);
            QVERIFY2(!url.host().isEmpty(), address);
        }
    }

    void droppedLinksDoNotLeaveTheHomePage()
    {
        TestHttpServer server;
        QVERIFY(server.start());
        server.route("/elsewhere", "<html><body><script>function makeapp(n, p) {"
                                   " document.title = n + '|' + p; }</script></body></html>");
        MainWindow w;
        QSignalSpy loads(w.homeView(), SIGNAL(loadFinished(bool)));
        QVERIFY(loads.wait(15000));
        QVERIFY(!w.homeView()->acceptDrops());

        QMimeData data;
        data.setUrls({server.url("/elsewhere")});
        data.setText(server.url("/elsewhere").toString());
        const QPoint at(200, 200);
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(w.homeView(), &enter);
        QVERIFY(!enter.isAccepted());
        QDragMoveEvent move(at, Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton,
                            Qt::NoModifier);
        QApplication::sendEvent(w.homeView(), &move);
        QDropEvent drop(at, Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.homeView(), &drop);
        QVERIFY(!drop.isAccepted());
        QTest::qWait(500);
        QCOMPARE(server.requestCount("/elsewhere"), 0);
        QCOMPARE(w.homeView()->url(), QUrl(QStringLiteral("qrc:/Lumo.html")));
        QVERIFY(w.homeFrame());

        // Should the home view be taken elsewhere all the same, its reloads
        // of the catalogue tell that page nothing.
        QVERIFY(TestUtil::loadUrl(w.homeView(), server.url("/elsewhere"), 15000));
        QCOMPARE(w.homeFrame(), nullptr);
        w.loadfiles();
        QTest::qWait(100);
        QCOMPARE(w.homeView()->page()->mainFrame()->title(), QString());
    }

    void musicObjectsAndConnections()
    {
        MainWindow w;
        // The media back-end starts once the home page is up.
        QTRY_VERIFY_WITH_TIMEOUT(w.findChild<Phonon::AudioOutput *>(), 20000);
        const auto media = w.findChildren<Phonon::MediaObject *>();
        const auto outputs = w.findChildren<Phonon::AudioOutput *>();
        QCOMPARE(media.size(), 2);
        QCOMPARE(outputs.size(), 1);
        QCOMPARE(outputs.first()->category(), Phonon::MusicCategory);
        // The player has a path to the output; the tag reader none.
        int withPath = 0;
        for (Phonon::MediaObject *m : media)
            withPath += m->outputPaths().isEmpty() ? 0 : 1;
        QCOMPARE(withPath, 1);
        Phonon::MediaObject *tagReader =
            media.at(0)->outputPaths().isEmpty() ? media.at(0) : media.at(1);

        // disconnect() answers whether a connection was there (the window
        // joins these by member pointer, so any slot of the window counts).
        QVERIFY(QObject::disconnect(tagReader, SIGNAL(stateChanged(Phonon::State, Phonon::State)),
                                    &w, nullptr));
        QVERIFY(QObject::disconnect(w.homeFrame(), SIGNAL(javaScriptWindowObjectCleared()), &w,
                                    nullptr));
        QVERIFY(QObject::disconnect(w.homeView(), SIGNAL(loadFinished(bool)), &w,
                                    SLOT(on_webView_loadFinished(bool))));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
