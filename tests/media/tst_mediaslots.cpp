#include "MediaFixtures.h"
#include "PageClick.h"
#include "PageScript.h"
#include "TestHttpServer.h"
#include "TestShell.h"
#include "app/MainWindow.h"
#include "shell/ScriptCall.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWebFrame>
#include <QWebPage>
#include <QWebView>
#include <phonon/AudioOutput>
#include <phonon/MediaObject>

using namespace MediaFixtures;

// The media slots of the main window, called by a local app page through api
// as the dock's apps call them.
class TestMediaSlots : public QObject
{
    Q_OBJECT

    QTemporaryDir files;

    static QVariant js(QWebView *view, const QString &script)
    {
        return view->page()->mainFrame()->evaluateJavaScript(script);
    }

    // The recording page on top of the window's stack, with api placed the
    // way the launcher places it.
    static bool putOnTop(MainWindow &w, RecordingPage &page)
    {
        if (!page.loaded())
            return false;
        QObject::connect(page.view()->page()->mainFrame(), SIGNAL(javaScriptWindowObjectCleared()),
                         &w, SLOT(localapp()));
        w.stack()->addWidget(page.view());
        w.stack()->setCurrentWidget(page.view());
        w.stack()->show();
        if (!TestUtil::loadUrl(page.view(), page.view()->url()))
            return false;
        return js(page.view(), "typeof api.playmp3").toString() == "function";
    }

    static Phonon::MediaObject *playerOf(MainWindow &w)
    {
        for (auto *m : w.findChildren<Phonon::MediaObject *>())
            if (!m->outputPaths().isEmpty())
                return m;
        return nullptr;
    }

private slots:
    void initTestCase() { QVERIFY(QDir::homePath().startsWith(QDir::tempPath())); }
    // A failed case must not leave its songs to the next one.
    void cleanup()
    {
        QDir(QStandardPaths::writableLocation(QStandardPaths::MusicLocation)).removeRecursively();
    }

    void playerSlotsThroughApi()
    {
        const QString song = files.filePath("Zoë's song.mp3");
        QVERIFY(makeMp3(song, 20, "Zoë's \"song\"", "L'Orchestre"));

        MainWindow w;
        RecordingPage page;
        QVERIFY(putOnTop(w, page));

        js(page.view(),
           "api.playmp3(" + ScriptCall::quote(QUrl::fromLocalFile(song).toString()) + ")");
        Phonon::MediaObject *player = playerOf(w);
        QVERIFY(player);
        QVERIFY(TestUtil::waitFor([&] { return player->state() == Phonon::PlayingState; }));
        QVERIFY(TestUtil::waitFor([&] { return page.callsOf("cover").size() == 1; }));
        QVERIFY(TestUtil::waitFor([&] { return page.callsOf("RollBar").size() == 1; }));
        QCOMPARE(page.callsOf("cover")[0].at(0).toString(), QStringLiteral("L'Orchestre"));
        QCOMPARE(page.callsOf("cover")[0].at(1).toString(), QStringLiteral("Zoë's \"song\""));
        const qint64 length = page.callsOf("RollBar")[0].at(0).toString().toLongLong();
        QVERIFY2(length > 19500 && length < 20600, qPrintable(QString::number(length)));

        // pausemp3 answers with a script boolean.
        QCOMPARE(js(page.view(), "typeof api.pausemp3()").toString(), QStringLiteral("boolean"));
        QVERIFY(TestUtil::waitFor([&] { return player->state() == Phonon::PausedState; }));
        QCOMPARE(js(page.view(), "api.pausemp3()").toBool(), true);
        QVERIFY(TestUtil::waitFor([&] { return player->state() == Phonon::PlayingState; }));

        js(page.view(), "api.setVolume(1.5)");
        QCOMPARE(w.findChild<Phonon::AudioOutput *>()->volume(), 1.5);
        js(page.view(), "api.seekmp3(12000)");
        QVERIFY(TestUtil::waitFor([&] { return player->currentTime() >= 12000; }));
        js(page.view(), "api.stopmp3()");
        QVERIFY(TestUtil::waitFor([&] { return player->state() == Phonon::StoppedState; }));

        // Playback belongs to the window: the page going away stops nothing.
        js(page.view(),
           "api.playmp3(" + ScriptCall::quote(QUrl::fromLocalFile(song).toString()) + ")");
        QVERIFY(TestUtil::waitFor([&] { return player->state() == Phonon::PlayingState; }));
        w.stack()->removeWidget(page.view());
        QTest::qWait(300);
        QCOMPARE(player->state(), Phonon::PlayingState);
    }

    // The whole road: the dock's Music item opens the bundled app, which
    // lists the user's music; a tap plays and the length and tags show.
    void dockMusicAppPlaysAndShowsTheTrack()
    {
        const QString music =
            makeFolder(QStandardPaths::writableLocation(QStandardPaths::MusicLocation));
        QVERIFY(makeMp3(music + "/Track one.mp3", 20, "Ça va? \"Oui\"", "D'Artagnan"));

        MainWindow w;
        QVERIFY(TestUtil::waitFor(
            [&] { return js(w.homeView(), "typeof openit").toString() == "function"; }));
        js(w.homeView(), "$('#Rmusic').trigger('click')");
        QWebView *app = nullptr;
        QVERIFY(TestUtil::waitFor([&] {
            app = qobject_cast<QWebView *>(w.stack()->currentWidget());
            return app && app->objectName() == "Music.map" &&
                   js(app, "document.querySelectorAll('.song').length").toInt() == 1;
        }));
        QVERIFY(TestUtil::waitFor([&] { return w.stack()->geometry().width() > 0; }));
        QVERIFY(TestUtil::waitFor([&] { return app->isVisible(); }));

        js(app, "document.querySelector('.song').click()");
        QVERIFY(TestUtil::waitFor([&] {
            return js(app, "document.getElementById('total').textContent").toString() == "0:20";
        }));
        QVERIFY(TestUtil::waitFor([&] {
            return js(app, "document.getElementById('artist').textContent").toString() ==
                   "D'Artagnan";
        }));
        QCOMPARE(js(app, "document.getElementById('title').textContent").toString(),
                 QStringLiteral("Ça va? \"Oui\""));
        QVERIFY(TestUtil::waitFor([&] { return playerOf(w)->state() == Phonon::PlayingState; }));

        // Ctrl+W closes the page, not the song; opened again, the page shows it.
        app->setFocus();
        QTest::keyClick(app, Qt::Key_W, Qt::ControlModifier);
        QVERIFY(TestUtil::waitFor([&] { return w.stack()->count() == 0; }));
        QVERIFY(TestUtil::waitFor([&] { return playerOf(w)->currentTime() > 1500; }));
        QCOMPARE(playerOf(w)->state(), Phonon::PlayingState);
        js(w.homeView(), "$('#Rmusic').trigger('click')");
        QVERIFY(TestUtil::waitFor([&] {
            app = qobject_cast<QWebView *>(w.stack()->currentWidget());
            return app && js(app, "document.getElementById('title').textContent").toString() ==
                              "Ça va? \"Oui\"";
        }));
        QCOMPARE(js(app, "document.getElementById('player').className").toString(),
                 QStringLiteral("playing"));
        QCOMPARE(js(app, "document.getElementById('total').textContent").toString(),
                 QStringLiteral("0:20"));
        QVERIFY(js(app, "document.getElementById('elapsed').textContent").toString() >=
                QStringLiteral("0:01"));
    }

    // The song on the home page's status bar, with its play/pause and next.
    void statusBarShowsTheSongAndControlsIt()
    {
        const QString music =
            makeFolder(QStandardPaths::writableLocation(QStandardPaths::MusicLocation));
        QVERIFY(makeMp3(music + "/a.mp3", 20, "Alpha", "Ann"));
        QVERIFY(makeMp3(music + "/b_side.mp3", 20));
        MainWindow w;
        QVERIFY(TestUtil::waitFor(
            [&] { return js(w.homeView(), "typeof musicChanged").toString() == "function"; }));
        const auto bar = [&](const QString &script) { return js(w.homeView(), script); };
        QCOMPARE(bar("$('#music').is(':visible')").toBool(), false);

        w.playmp3(QUrl::fromLocalFile(music + "/a.mp3").toString());
        QVERIFY(TestUtil::waitFor([&] { return bar("$('#music').is(':visible')").toBool(); }));
        QVERIFY(TestUtil::waitFor(
            [&] { return bar("$('#muname').text()").toString() == "Alpha \u2013 Ann"; }));
        Phonon::MediaObject *player = playerOf(w);
        QVERIFY(TestUtil::clickElement(w.homeView(), "#muplay"));
        QVERIFY(TestUtil::waitFor([&] { return player->state() == Phonon::PausedState; }));
        QVERIFY(TestUtil::waitFor(
            [&] { return bar("$('#muplay').attr('title')").toString() == "Play"; }));
        QVERIFY(TestUtil::clickElement(w.homeView(), "#muplay"));
        QVERIFY(TestUtil::waitFor([&] { return player->state() == Phonon::PlayingState; }));
        QVERIFY(TestUtil::waitFor(
            [&] { return bar("$('#muplay').attr('title')").toString() == "Pause"; }));

        QVERIFY(TestUtil::clickElement(w.homeView(), "#munext"));
        QVERIFY(
            TestUtil::waitFor([&] { return bar("$('#muname').text()").toString() == "b side"; }));
        QCOMPARE(player->currentSource().url().toLocalFile(), music + "/b_side.mp3");
        QVERIFY(TestUtil::waitFor([&] { return player->state() == Phonon::PlayingState; }));

        w.stopmp3();
        QVERIFY(TestUtil::waitFor([&] { return !bar("$('#music').is(':visible')").toBool(); }));
    }

    void mediaKeysActOnThePlayer_data()
    {
        QTest::addColumn<QString>("focus"); // home, music (its app), site (in QtWebEngine)
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("pausedFirst");
        QTest::addColumn<QString>("state"); // after the key
        QTest::addColumn<QString>("song");
        struct Row {
            const char *name;
            int key;
            bool pausedFirst;
            const char *state, *song;
        };
        const Row rows[] = {
            {"play/pause pauses", Qt::Key_MediaTogglePlayPause, false, "paused", "b"},
            {"play/pause resumes", Qt::Key_MediaTogglePlayPause, true, "playing", "b"},
            {"play", Qt::Key_MediaPlay, true, "playing", "b"},
            {"pause", Qt::Key_MediaPause, false, "paused", "b"},
            {"stop", Qt::Key_MediaStop, false, "stopped", "b"},
            {"next", Qt::Key_MediaNext, false, "playing", "c"},
            {"previous", Qt::Key_MediaPrevious, false, "playing", "a"},
        };
        for (const char *focus : {"home", "music", "site"})
            for (const Row &r : rows)
                QTest::addRow("%s, %s", focus, r.name)
                    << focus << r.key << r.pausedFirst << r.state << r.song;
    }

    // Whichever view has focus, the media keys are the player's; the music
    // app, when open, follows.
    void mediaKeysActOnThePlayer()
    {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(bool, pausedFirst);
        QFETCH(QString, state);
        QFETCH(QString, song);
        const QString music =
            makeFolder(QStandardPaths::writableLocation(QStandardPaths::MusicLocation));
        for (const char *name : {"a", "b", "c"})
            QVERIFY(makeMp3(music + "/" + name + ".mp3", 20));
        TestHttpServer server;
        QVERIFY(server.start());
        server.route("/site", "<html><head><title>Site</title></head><body>site</body></html>");
        MainWindow w;
        QVERIFY(TestUtil::chooseEngine(w.paths(), AppView::Engine::WebEngine));
        QVERIFY(TestUtil::waitFor(
            [&] { return js(w.homeView(), "typeof musicChanged").toString() == "function"; }));

        w.playmp3(QUrl::fromLocalFile(music + "/b.mp3").toString());
        Phonon::MediaObject *player = playerOf(w);
        QVERIFY(TestUtil::waitFor([&] { return player->state() == Phonon::PlayingState; }));
        if (pausedFirst) {
            w.pausemp3();
            QVERIFY(TestUtil::waitFor([&] { return player->state() == Phonon::PausedState; }));
        }
        QWidget *target = w.homeView();
        AppView *app = nullptr;
        if (focus == "home") {
            w.homeView()->setFocus();
        } else {
            app = focus == "music"
                      ? TestUtil::openFromHome(&w, "Music.map", "st", "Music.map")
                      : TestUtil::openFromHome(&w, "Site", "web", server.url("/site").toString());
            QVERIFY(app);
            QCOMPARE(app->engine(),
                     focus == "music" ? AppView::Engine::WebKit : AppView::Engine::WebEngine);
            app->focus();
            target = PageScript::keyTarget(app);
        }
        QTRY_COMPARE(QApplication::focusWidget(), target);

        // Media keys have no text (keyClick would look for one).
        for (QTest::KeyAction action : {QTest::Press, QTest::Release})
            QTest::sendKeyEvent(action, target, Qt::Key(key), QString(), Qt::NoModifier);
        QVERIFY(TestUtil::waitFor(
            [&] { return js(w.homeView(), "vantara.music().state").toString() == state; }));
        QCOMPARE(player->currentSource().url().toLocalFile(), music + "/" + song + ".mp3");
        if (focus == "music") {
            const QString shown = state == "stopped" ? "idle" : state;
            QVERIFY(TestUtil::waitFor([&] {
                return PageScript::run(app, "document.getElementById('player').className") ==
                           shown &&
                       PageScript::textOf(app, "title") == song;
            }));
        }
    }

    void fillerRunsInsideTheCall()
    {
        const QString music =
            makeFolder(QStandardPaths::writableLocation(QStandardPaths::MusicLocation));
        QVERIFY(touch(music + "/b.MP3"));
        QVERIFY(touch(music + "/a.mp3"));

        MainWindow w;
        RecordingPage page;
        QVERIFY(putOnTop(w, page));
        const QVariant during =
            js(page.view(), "(function(){ calls = []; api.desktopaccess('Music');"
                            " return calls.length; })()");
        QCOMPARE(during.toInt(), 1);
        const QList<QJsonArray> fill = page.callsOf("Filler");
        QCOMPARE(fill.size(), 1);
        QCOMPARE(fill[0].at(0).toString(), QStringLiteral(",a.mp3,b.MP3"));
        QCOMPARE(fill[0].at(1).toString(), music);
    }

    void getFilesGivesAScriptArray()
    {
        const QString picked = files.filePath("picked.png");
        QVERIFY(makePng(picked, Qt::red));

        MainWindow w;
        RecordingPage page;
        QVERIFY(putOnTop(w, page));

        QWidget *parent = nullptr;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            parent = dialog->parentWidget();
            dialog->setDirectory(files.path());
            dialog->selectFile(QStringLiteral("picked.png"));
            QMetaObject::invokeMethod(dialog, "accept");
        });
        QCOMPARE(js(page.view(), "(function(){ var r = api.GetFiles('Images (*.png)');"
                                 " return Array.isArray(r) ? r.join('|') : 'no array'; })()")
                     .toString(),
                 picked);
        QCOMPARE(parent, static_cast<QWidget *>(&w));

        QTimer::singleShot(0, [] {
            if (QWidget *dialog = QApplication::activeModalWidget())
                QMetaObject::invokeMethod(dialog, "reject");
        });
        QCOMPARE(js(page.view(), "(function(){ var r = api.GetFiles('');"
                                 " return Array.isArray(r) ? r.length : -1; })()")
                     .toInt(),
                 0);
    }
};

QTEST_MAIN(TestMediaSlots)
#include "tst_mediaslots.moc"
