#include "MediaFixtures.h"
#include "TestBridge.h"
#include "TestShell.h"
#include "media/FolderBrowser.h"
#include "media/MusicPlayer.h"
#include "shell/ScriptBridge.h"
#include "shell/ScriptCall.h"

#include <QCoreApplication>
#include <QDir>
#include <QStackedWidget>
#include <QTest>
#include <QWebFrame>
#include <QWebPage>
#include <QWebSettings>
#include <QWebView>
#include <phonon/AudioOutput>
#include <phonon/MediaObject>

using namespace MediaFixtures;

class TestMediaPages : public QObject
{
    Q_OBJECT

    TestBridge bridge;
    TestShell *shell = nullptr;
    Phonon::MediaObject *player = nullptr;

    // Opens the bundled app as the launcher does: a view named after the
    // app, marked with its folder, api placed on every cleared context.
    QWebView *open(const QString &app, bool withShell = true)
    {
        const QString folder = QCoreApplication::applicationDirPath() + "/Apps/" + app;
        auto *view = new QWebView;
        view->setObjectName(app);
        ScriptBridge::markAppFolder(view->page(), folder);
        QWebFrame *frame = view->page()->mainFrame();
        if (withShell)
            connect(frame, &QWebFrame::javaScriptWindowObjectCleared, this, [this, frame] {
                ScriptBridge::place(frame, &bridge, "api", ScriptBridge::mayUseApi(frame));
            });
        shell->stack()->addWidget(view);
        shell->stack()->setCurrentWidget(view);
        if (!TestUtil::loadUrl(view, QUrl::fromLocalFile(folder + "/index.html")))
            return nullptr;
        return view;
    }

    void close(QWebView *view)
    {
        shell->stack()->removeWidget(view);
        delete view;
    }

    static QVariant js(QWebView *view, const QString &script)
    {
        return view->page()->mainFrame()->evaluateJavaScript(script);
    }

    static QString text(QWebView *view, const QString &selector)
    {
        return js(view, "(function(){var e = document.querySelector(" +
                            ScriptCall::quote(selector) + "); return e ? e.textContent : null;})()")
            .toString();
    }

    static bool visible(QWebView *view, const QString &selector)
    {
        return js(view, "(function(){var e = document.querySelector(" +
                            ScriptCall::quote(selector) +
                            "); return !!e && e.getBoundingClientRect().width > 0;})()")
            .toBool();
    }

    // A real click at a point across the element (fx from its left edge).
    static bool tap(QWebView *view, const QString &selector, double fx = 0.5)
    {
        const QVariantList at =
            js(view, "(function(){var e = document.querySelector(" + ScriptCall::quote(selector) +
                         "); if (!e) return null; var b = e.getBoundingClientRect();"
                         " if (!b.width) return null;"
                         " return [b.left + b.width * " +
                         QString::number(fx) + ", b.top + b.height / 2];})()")
                .toList();
        if (at.size() != 2)
            return false;
        const QPoint p(qRound(at[0].toDouble()), qRound(at[1].toDouble()));
        QTest::mouseMove(view, p);
        QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, p);
        return true;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QDir::homePath().startsWith(QDir::tempPath()));
        // As the shell sets them: pages keep their storage.
        QWebSettings::globalSettings()->setAttribute(QWebSettings::LocalStorageEnabled, true);
        QWebSettings::enablePersistentStorage(QDir::currentPath() + "/cache");
        shell = new TestShell(&bridge);
        shell->stack()->setGeometry(0, 0, 1280, 740);
        shell->stack()->show();
        bridge.music = new MusicPlayer(*shell, shell->mainWindow());
        player = bridge.music->mediaPlayer();
        bridge.folders = new FolderBrowser(*shell, shell->mainWindow());
    }

    void cleanupTestCase() { delete shell; }

    void init() { bridge.calls.clear(); }

    void musicListsPlaysAndShowsTheTrack()
    {
        const QString music = makeFolder(shell->paths().musicFolder());
        const QString song = music + "/It's Été, live.mp3";
        QVERIFY(makeMp3(song, 21, "Été \"live\"", "Ørjan O'Neil"));
        QVERIFY(makeMp3(music + "/b-side.mp3", 20));
        QVERIFY(touch(music + "/notes.txt"));

        QWebView *view = open("Music.map");
        QVERIFY(view);
        QCOMPARE(bridge.count("desktopaccess"), 1);
        QCOMPARE(bridge.last("desktopaccess"), QStringLiteral("Music"));
        QCOMPARE(js(view, "document.querySelectorAll('.song').length").toInt(), 2);
        QCOMPARE(text(view, ".song:nth-child(1) .name"), QStringLiteral("b-side"));
        QCOMPARE(text(view, ".song:nth-child(2) .name"), QStringLiteral("It's Été, live"));
        QCOMPARE(text(view, "#count"), QStringLiteral("2 songs"));
        QVERIFY(!visible(view, "#empty"));

        // A tap on the second song plays that very file.
        QVERIFY(tap(view, ".song:nth-child(2)"));
        QCOMPARE(bridge.count("playmp3"), 1);
        QCOMPARE(QUrl(bridge.last("playmp3")).toLocalFile(), song);
        QVERIFY(TestUtil::waitFor([&] { return player->state() == Phonon::PlayingState; }));

        // Its length and tags arrive from the player.
        QVERIFY(TestUtil::waitFor([&] { return text(view, "#total") == "0:21"; }));
        QVERIFY(TestUtil::waitFor([&] { return text(view, "#artist") == "Ørjan O'Neil"; }));
        QCOMPARE(text(view, "#title"), QStringLiteral("Été \"live\""));
        QCOMPARE(text(view, ".song.current .detail"), QStringLiteral("Ørjan O'Neil"));
        QVERIFY(TestUtil::waitFor([&] { return text(view, "#elapsed") != "0:00"; }, 3000));

        // Pause and resume.
        QVERIFY(tap(view, "#play"));
        QCOMPARE(bridge.count("pausemp3"), 1);
        QVERIFY(TestUtil::waitFor([&] { return player->state() == Phonon::PausedState; }));
        QCOMPARE(js(view, "document.getElementById('player').className").toString(),
                 QStringLiteral("paused"));
        QVERIFY(tap(view, "#play"));
        QVERIFY(TestUtil::waitFor([&] { return player->state() == Phonon::PlayingState; }));
        QCOMPARE(js(view, "document.getElementById('player').className").toString(),
                 QStringLiteral("playing"));

        // A tap half-way along the position bar seeks to the middle.
        QVERIFY(tap(view, "#track", 0.5));
        QCOMPARE(bridge.count("seekmp3"), 1);
        const qint64 to = bridge.last("seekmp3").toLongLong();
        QVERIFY2(to > 9500 && to < 11500, qPrintable(QString::number(to)));
        QVERIFY(TestUtil::waitFor([&] { return player->currentTime() >= 9500; }));

        // The volume slider.
        bridge.calls.clear();
        QVERIFY(tap(view, "#volume", 0.3));
        QVERIFY(bridge.count("setVolume") >= 1);
        const double volume = bridge.last("setVolume").toDouble();
        QVERIFY2(volume > 0.15 && volume < 0.45, qPrintable(QString::number(volume)));

        // The next song, then stop.
        QVERIFY(tap(view, "#next"));
        QCOMPARE(QUrl(bridge.last("playmp3")).toLocalFile(), music + "/b-side.mp3");
        QVERIFY(TestUtil::waitFor([&] { return text(view, "#artist") == "Unknown artist"; }));
        QCOMPARE(text(view, "#title"), QStringLiteral("b-side"));
        QVERIFY(tap(view, "#stop"));
        QCOMPARE(bridge.count("stopmp3"), 1);
        QVERIFY(TestUtil::waitFor([&] { return player->state() == Phonon::StoppedState; }));

        close(view);
        QDir(music).removeRecursively();
    }

    // The page follows the player when it is controlled from outside (the
    // status bar, the media keys), open or closed meanwhile.
    void musicFollowsThePlayer()
    {
        const QString music = makeFolder(shell->paths().musicFolder());
        QVERIFY(makeMp3(music + "/one.mp3", 30, "First", "Anna"));
        QVERIFY(makeMp3(music + "/two.mp3", 30));
        QWebView *view = open("Music.map");
        QVERIFY(view);
        QVERIFY(tap(view, ".song:nth-child(1)"));
        QVERIFY(TestUtil::waitFor([&] { return player->state() == Phonon::PlayingState; }));
        const auto shows = [&](const QString &state, const QString &title) {
            return js(view, "document.getElementById('player').className").toString() == state &&
                   text(view, "#title") == title && text(view, "#total") == "0:30";
        };
        bridge.music->control(MusicPlayer::Control::Pause);
        QVERIFY(TestUtil::waitFor([&] { return shows("paused", "First"); }));

        close(view);
        bridge.music->control(MusicPlayer::Control::Next);
        QVERIFY(TestUtil::waitFor([&] { return player->state() == Phonon::PlayingState; }));
        QVERIFY(TestUtil::waitFor([&] { return player->currentTime() > 1000; }));
        bridge.music->control(MusicPlayer::Control::Pause);
        QVERIFY(TestUtil::waitFor([&] { return player->state() == Phonon::PausedState; }));
        view = open("Music.map");
        QVERIFY(view);
        QVERIFY(TestUtil::waitFor([&] { return shows("paused", "two"); }));
        QCOMPARE(text(view, ".song.current .name"), QStringLiteral("two"));
        QVERIFY(text(view, "#elapsed") >= QStringLiteral("0:01"));

        bridge.music->control(MusicPlayer::Control::Stop);
        QVERIFY(TestUtil::waitFor([&] { return shows("idle", "two"); }));
        QCOMPARE(text(view, "#elapsed"), QStringLiteral("0:00"));
        close(view);
        QDir(music).removeRecursively();
    }

    void musicWithoutSongsSaysSo()
    {
        QDir(shell->paths().musicFolder()).removeRecursively();
        QWebView *view = open("Music.map");
        QVERIFY(view);
        QVERIFY(visible(view, "#empty"));
        QCOMPARE(js(view, "document.querySelectorAll('.song').length").toInt(), 0);
        QCOMPARE(text(view, "#folder"), QDir(shell->paths().musicFolder()).absolutePath());
        close(view);
    }

    void photosShowsPicturesAndAViewer()
    {
        const QString pics = makeFolder(shell->paths().picturesFolder());
        QVERIFY(makePng(pics + "/a.png", Qt::red));
        QVERIFY(makePng(pics + "/b'c.png", Qt::green, 80, 60));
        QImage blue(40, 30, QImage::Format_RGB32);
        blue.fill(Qt::blue);
        QVERIFY(blue.save(pics + "/d e.jpg", "JPG"));
        QVERIFY(touch(pics + "/notes.txt"));
        const QString elsewhere = makeFolder(QDir::homePath() + "/Elsewhere");
        QVERIFY(makePng(elsewhere + "/picked (1).png", Qt::yellow, 50, 50));

        QWebView *view = open("Photos.map");
        QVERIFY(view);
        QCOMPARE(bridge.last("desktopaccess"), QStringLiteral("Picture"));
        QCOMPARE(js(view, "document.querySelectorAll('#pictures .tile').length").toInt(), 3);
        QCOMPARE(text(view, "#count"), QStringLiteral("3 photos"));
        QVERIFY(!visible(view, "#viewer"));

        // A tap opens the viewer on that picture, loaded from the file.
        QVERIFY(tap(view, "#pictures .tile:nth-child(2)"));
        QVERIFY(visible(view, "#viewer"));
        QCOMPARE(text(view, "#photo-name"), QStringLiteral("b'c.png"));
        QCOMPARE(text(view, "#photo-count"), QStringLiteral("2 of 3"));
        QVERIFY(TestUtil::waitFor([&] {
            return js(view, "document.getElementById('photo').naturalWidth").toInt() == 80;
        }));
        QCOMPARE(QUrl(js(view, "document.getElementById('photo').src").toString()).toLocalFile(),
                 pics + "/b'c.png");

        QVERIFY(tap(view, "#next"));
        QCOMPARE(text(view, "#photo-name"), QStringLiteral("d e.jpg"));
        QCOMPARE(text(view, "#photo-count"), QStringLiteral("3 of 3"));
        QVERIFY(TestUtil::waitFor([&] {
            return js(view, "document.getElementById('photo').naturalWidth").toInt() == 40;
        }));
        QVERIFY(js(view, "document.getElementById('next').disabled").toBool());
        QVERIFY(tap(view, "#close"));
        QVERIFY(!visible(view, "#viewer"));

        // Add: the file dialog's pick joins the grid and stays after a reload.
        bridge.picked = QStringList{elsewhere + "/picked (1).png", pics + "/a.png"};
        QVERIFY(tap(view, "#add"));
        QCOMPARE(bridge.count("GetFiles"), 1);
        QVERIFY(bridge.last("GetFiles").contains("*.png"));
        QCOMPARE(js(view, "document.querySelectorAll('#added .tile').length").toInt(), 1);
        QCOMPARE(text(view, "#count"), QStringLiteral("4 photos"));

        QVERIFY(TestUtil::loadUrl(view, view->url()));
        QCOMPARE(js(view, "document.querySelectorAll('#added .tile').length").toInt(), 1);
        QVERIFY(tap(view, "#added .tile"));
        QCOMPARE(text(view, "#photo-name"), QStringLiteral("picked (1).png"));
        QVERIFY(TestUtil::waitFor([&] {
            return js(view, "document.getElementById('photo').naturalWidth").toInt() == 50;
        }));
        QVERIFY(tap(view, "#remove"));
        QCOMPARE(text(view, "#count"), QStringLiteral("3 photos"));
        QCOMPARE(js(view, "document.querySelectorAll('#added .tile').length").toInt(), 0);

        close(view);
        QDir(pics).removeRecursively();
    }

    // A folder of thousands of pictures makes only the tiles in sight; a tile
    // made on scroll shows and opens its own picture.
    void largeFoldersMakeOnlyTheTilesInSight()
    {
        const QString pics = makeFolder(shell->paths().picturesFolder());
        const int count = 3000;
        for (int i = 0; i < count; ++i)
            QVERIFY(touch(pics + QString::asprintf("/photo %04d.png", i)));

        QWebView *view = open("Photos.map");
        QVERIFY(view);
        const QString tiles = "document.querySelectorAll('#pictures .tile').length";
        QCOMPARE(text(view, "#count"), QStringLiteral("3000 photos"));
        const int first = js(view, tiles).toInt();
        QVERIFY2(first > 5 && first < 300, qPrintable(QString::number(first)));
        QVERIFY(visible(view, "#pictures .tile[data-index='0']"));

        // Half-way down: the tiles there are the pictures of that place.
        js(view, "var l = document.getElementById('library'); l.scrollTop = l.scrollHeight / 2;");
        QVERIFY(
            TestUtil::waitFor([&] { return visible(view, "#pictures .tile[data-index='1500']"); }));
        QVERIFY(js(view, tiles).toInt() < 300);
        QVERIFY(js(view, "document.querySelector(\"#pictures .tile[data-index='0']\") === null")
                    .toBool());
        QCOMPARE(js(view, "document.querySelector(\"#pictures .tile[data-index='1500']\").title")
                     .toString(),
                 QStringLiteral("photo 1500.png"));
        js(view,
           "document.querySelector(\"#pictures .tile[data-index='1500']\").scrollIntoView();");
        QVERIFY(
            TestUtil::waitFor([&] { return visible(view, "#pictures .tile[data-index='1500']"); }));
        QVERIFY(tap(view, "#pictures .tile[data-index='1500']"));
        QCOMPARE(text(view, "#photo-name"), QStringLiteral("photo 1500.png"));
        QCOMPARE(text(view, "#photo-count"), QStringLiteral("1501 of 3000"));
        QCOMPARE(QUrl(js(view, "document.getElementById('photo').src").toString()).toLocalFile(),
                 pics + "/photo 1500.png");
        QVERIFY(tap(view, "#close"));

        // The very end.
        js(view, "var l = document.getElementById('library'); l.scrollTop = l.scrollHeight;");
        QVERIFY(
            TestUtil::waitFor([&] { return visible(view, "#pictures .tile[data-index='2999']"); }));
        close(view);
        QDir(pics).removeRecursively();
    }

    // A library of thousands draws only the rows in sight; a row drawn on
    // scroll shows and plays its own song, and the search covers every song.
    void largeLibrariesDrawOnlyTheRowsInSight()
    {
        const QString music = makeFolder(shell->paths().musicFolder());
        const int count = 5000;
        for (int i = 0; i < count; ++i)
            QVERIFY(touch(music + QString::asprintf("/song %04d.mp3", i)));

        QWebView *view = open("Music.map");
        QVERIFY(view);
        const QString rows = "document.querySelectorAll('.song').length";
        QCOMPARE(text(view, "#count"), QStringLiteral("5000 songs"));
        const int drawn = js(view, rows).toInt();
        QVERIFY2(drawn > 5 && drawn < 100, qPrintable(QString::number(drawn)));
        QCOMPARE(text(view, ".song:nth-child(1) .name"), QStringLiteral("song 0000"));
        // The list is as tall as the whole library.
        QVERIFY(js(view, "document.getElementById('songs').scrollHeight").toInt() >= count * 60);

        // Far down: the rows there are the songs at that place, and a tap
        // plays the very file shown.
        js(view, "var l = document.getElementById('songs'); l.scrollTop = 3000 * 64;");
        QVERIFY(TestUtil::waitFor([&] { return visible(view, ".song[data-index='3000']"); }));
        QCOMPARE(text(view, ".song[data-index='3000'] .name"), QStringLiteral("song 3000"));
        QCOMPARE(text(view, ".song[data-index='3001'] .detail"), QStringLiteral("song 3001.mp3"));
        QVERIFY(js(view, rows).toInt() < 100);
        QVERIFY(js(view, "document.querySelector(\".song[data-index='0']\") === null").toBool());
        QVERIFY(tap(view, ".song[data-index='3002']"));
        QCOMPARE(QUrl(bridge.last("playmp3")).toLocalFile(), music + "/song 3002.mp3");
        QVERIFY(TestUtil::waitFor([&] { return text(view, "#title") == "song 3002"; }));
        QVERIFY(tap(view, "#stop"));

        // The very end.
        js(view, "var l = document.getElementById('songs'); l.scrollTop = l.scrollHeight;");
        QVERIFY(TestUtil::waitFor([&] { return visible(view, ".song[data-index='4999']"); }));
        QCOMPARE(text(view, ".song[data-index='4999'] .name"), QStringLiteral("song 4999"));

        // The search looks through every song, drawn or not.
        js(view, "var s = document.getElementById('search'); s.value = 'song 4998';"
                 "var e = document.createEvent('Event'); e.initEvent('input', true, true);"
                 "s.dispatchEvent(e);");
        QCOMPARE(js(view, rows).toInt(), 1);
        QCOMPARE(text(view, ".song .name"), QStringLiteral("song 4998"));
        QVERIFY(tap(view, ".song"));
        QCOMPARE(QUrl(bridge.last("playmp3")).toLocalFile(), music + "/song 4998.mp3");
        QVERIFY(tap(view, "#stop"));
        close(view);
        QDir(music).removeRecursively();
    }

    void pagesOutsideTheShellSaySo()
    {
        for (const QString app : {"Music.map", "Photos.map"}) {
            QWebView *view = open(app, false);
            QVERIFY(view);
            QVERIFY(visible(view, "#noshell"));
            close(view);
        }
        QCOMPARE(bridge.calls, QStringList());
    }
};

QTEST_MAIN(TestMediaPages)
#include "tst_mediapages.moc"
