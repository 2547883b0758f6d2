#include "MediaFixtures.h"
#include "TestBridge.h"
#include "TestShell.h"
#include "media/FolderTracks.h"
#include "media/MprisService.h"
#include "media/MusicPlayer.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDir>
#include <QLabel>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QWebFrame>
#include <QWebPage>
#include <phonon/AudioOutput>
#include <phonon/MediaObject>

using namespace MediaFixtures;

class TestMusicPlayer : public QObject
{
    Q_OBJECT

    TestBridge bridge;
    TestShell *shell = nullptr;
    RecordingPage *page = nullptr;
    Phonon::MediaObject *player = nullptr;
    Phonon::MediaObject *tagReader = nullptr;
    MusicPlayer *music = nullptr;
    QTemporaryDir files;
    QString tagged, other, untagged;

    static bool waitForState(Phonon::MediaObject *o, Phonon::State s, int ms = 15000)
    {
        return TestUtil::waitFor([&] { return o->state() == s; }, ms);
    }

    // Plays url and waits until the back-end has reported its length and the
    // reader has opened it.
    bool playAndSettle(const QString &url)
    {
        QSignalSpy length(player, SIGNAL(totalTimeChanged(qint64)));
        QSignalSpy reader(tagReader, SIGNAL(stateChanged(Phonon::State, Phonon::State)));
        music->play(url);
        const bool ok = TestUtil::waitFor(
            [&] {
                return !length.isEmpty() && !reader.isEmpty() &&
                       tagReader->state() == Phonon::StoppedState;
            },
            15000);
        QTest::qWait(200);
        return ok;
    }

    Phonon::AudioOutput *output() const { return music->findChild<Phonon::AudioOutput *>(); }

    static QString url(const QString &path) { return QUrl::fromLocalFile(path).toString(); }

public slots:
    // PropertiesChanged of the player's bus object.
    void propertiesChanged(const QString &, const QVariantMap &changed, const QStringList &)
    {
        busChanges << changed;
    }

private:
    QList<QVariantMap> busChanges;

    // A call of the player's bus object. The service answers from this
    // thread, so the call waits in an event loop (and makes no QDBusInterface,
    // which would ask for the object's description without one).
    static QDBusMessage busCall(QDBusConnection &bus, const QString &interface,
                                const QString &method, const QVariantList &args = {})
    {
        QDBusMessage call = QDBusMessage::createMethodCall(MprisService::serviceName(),
                                                           MprisService::path(), interface, method);
        call.setArguments(args);
        return bus.call(call, QDBus::BlockWithGui);
    }

    static QVariant busProperty(QDBusConnection &bus, const QString &interface, const QString &name)
    {
        const QDBusReply<QDBusVariant> reply =
            busCall(bus, "org.freedesktop.DBus.Properties", "Get", {interface, name});
        return reply.isValid() ? reply.value().variant() : QVariant();
    }

private slots:
    void initTestCase()
    {
        tagged = files.filePath("It's Été.mp3");
        other = files.filePath("other.mp3");
        untagged = files.filePath("plain.mp3");
        QVERIFY(makeMp3(tagged, 20, "It's Été \"live\" \\ 1", "Ørjan O'Neil 日本"));
        QVERIFY(makeMp3(other, 26, "Second", "Band"));
        QVERIFY(makeMp3(untagged, 20));

        shell = new TestShell(&bridge);
        music = new MusicPlayer(*shell, shell->mainWindow());
        bridge.music = music;
        player = music->mediaPlayer();
        tagReader = music->mediaTagReader();

        page = new RecordingPage(QStringLiteral("Music.map"));
        QVERIFY(page->loaded());
        shell->stack()->addWidget(page->view());
    }

    void init()
    {
        shell->stack()->setCurrentWidget(page->view());
        page->view()->setObjectName(QStringLiteral("Music.map"));
        page->clear();
    }

    void cleanupTestCase()
    {
        delete page;
        delete shell;
    }

    void lengthReachesThePageOncePerChange()
    {
        QSignalSpy lengths(player, SIGNAL(totalTimeChanged(qint64)));
        music->play(url(tagged));
        music->play(url(other));
        QVERIFY(TestUtil::waitFor([&] {
            return player->state() == Phonon::PlayingState && !lengths.isEmpty() &&
                   lengths.last().at(0).toLongLong() > 25000;
        }));
        QTest::qWait(500);
        QCOMPARE(player->currentSource().url(), QUrl::fromLocalFile(other));

        QList<QJsonArray> rolls = page->callsOf("RollBar");
        QCOMPARE(rolls.size(), lengths.size());
        for (int i = 0; i < rolls.size(); ++i) {
            QCOMPARE(rolls[i].size(), 1);
            // The length arrives as text, in milliseconds.
            QVERIFY(rolls[i].at(0).isString());
            QCOMPARE(rolls[i].at(0).toString(), QString::number(lengths[i].at(0).toLongLong()));
        }
        const qint64 last = rolls.last().at(0).toString().toLongLong();
        QVERIFY2(last > 25500 && last < 26600, qPrintable(QString::number(last)));

        // A third start still gives one call for its one length.
        page->clear();
        lengths.clear();
        QVERIFY(playAndSettle(url(tagged)));
        QCOMPARE(lengths.size(), 1);
        rolls = page->callsOf("RollBar");
        QCOMPARE(rolls.size(), 1);
        QVERIFY(rolls[0].at(0).toString().toLongLong() > 19500);
        QVERIFY(rolls[0].at(0).toString().toLongLong() < 20600);
    }

    void tagsReachThePageUnchanged()
    {
        QVERIFY(playAndSettle(url(tagged)));
        QList<QJsonArray> covers = page->callsOf("cover");
        QCOMPARE(covers.size(), 1);
        QCOMPARE(covers[0].size(), 2);
        QCOMPARE(covers[0].at(0).toString(), QStringLiteral("Ørjan O'Neil 日本"));
        QCOMPARE(covers[0].at(1).toString(), QStringLiteral("It's Été \"live\" \\ 1"));

        page->clear();
        QVERIFY(playAndSettle(url(untagged)));
        covers = page->callsOf("cover");
        QCOMPARE(covers.size(), 1);
        QCOMPARE(covers[0].at(0).toString(), QString());
        QCOMPARE(covers[0].at(1).toString(), QString());

        // A bare path and a file URL with escapes name the same file.
        page->clear();
        QVERIFY(playAndSettle(tagged));
        QCOMPARE(player->currentSource().url(), QUrl::fromLocalFile(tagged));
        QCOMPARE(page->callsOf("cover").value(0).at(0).toString(),
                 QStringLiteral("Ørjan O'Neil 日本"));
    }

    void pauseToggles()
    {
        music->stop();
        QVERIFY(waitForState(player, Phonon::StoppedState));
        QCOMPARE(music->togglePause(), false);
        QVERIFY(player->state() != Phonon::PlayingState);

        music->play(url(other));
        QVERIFY(waitForState(player, Phonon::PlayingState));
        QCOMPARE(music->togglePause(), false);
        QVERIFY(waitForState(player, Phonon::PausedState));
        const qint64 at = player->currentTime();
        QTest::qWait(600);
        QVERIFY(qAbs(player->currentTime() - at) < 100);

        QCOMPARE(music->togglePause(), true);
        QVERIFY(waitForState(player, Phonon::PlayingState));
        QVERIFY(TestUtil::waitFor([&] { return player->currentTime() > at + 300; }));
    }

    void seekStopAndVolumeGoStraightToPhonon()
    {
        music->play(url(other));
        QVERIFY(waitForState(player, Phonon::PlayingState));
        QVERIFY(TestUtil::waitFor([&] { return player->isSeekable(); }));
        music->seek(15000);
        QVERIFY(TestUtil::waitFor([&] { return player->currentTime() >= 15000; }));

        music->setVolume(0.25);
        QCOMPARE(output()->volume(), 0.25);
        music->setVolume(1.0);
        QCOMPARE(output()->volume(), 1.0);

        music->stop();
        QVERIFY(waitForState(player, Phonon::StoppedState));
    }

    void noCallsUnlessAMusicAppPageIsOnTop()
    {
        auto *mail = new QWidget;
        mail->setObjectName(QStringLiteral("Mail"));
        auto *label = new QLabel(QStringLiteral("not a web view"));
        label->setObjectName(QStringLiteral("Notes"));
        auto *site = new QWebView;
        site->setObjectName(QStringLiteral("http://127.0.0.1:9/"));
        QVERIFY(TestUtil::loadHtml(site,
                                   "<script>var got = 0; function RollBar() { got++; }"
                                   "function cover() { got++; }</script>",
                                   QUrl("http://127.0.0.1:9/")));
        for (QWidget *w : {static_cast<QWidget *>(mail), static_cast<QWidget *>(label),
                           static_cast<QWidget *>(site)})
            shell->stack()->addWidget(w);

        for (QWidget *top : {static_cast<QWidget *>(mail), static_cast<QWidget *>(label),
                             static_cast<QWidget *>(site)}) {
            shell->stack()->setCurrentWidget(top);
            QVERIFY(playAndSettle(url(tagged)));
            QCOMPARE(player->state(), Phonon::PlayingState);
            QCOMPARE(page->calls().size(), 0);
        }
        QCOMPARE(site->page()->mainFrame()->evaluateJavaScript("got").toInt(), 0);

        // The app page itself, while it is named "Music".
        page->view()->setObjectName(QStringLiteral("Music"));
        shell->stack()->setCurrentWidget(page->view());
        QVERIFY(playAndSettle(url(untagged)));
        QCOMPARE(page->calls().size(), 0);

        // Named as the dock's music app, it hears of the next track.
        page->view()->setObjectName(QStringLiteral("Music.map"));
        QVERIFY(playAndSettle(url(other)));
        QCOMPARE(page->callsOf("RollBar").size(), 1);
        QCOMPARE(page->callsOf("cover").size(), 1);

        for (QWidget *w : {static_cast<QWidget *>(mail), static_cast<QWidget *>(label),
                           static_cast<QWidget *>(site)})
            delete w;
        music->stop();
    }

    void unusableSourcesReportNoLength()
    {
        for (const QString &source :
             {QString(), QStringLiteral("::not a source::"), url(files.filePath("missing.mp3")),
              QStringLiteral("http://127.0.0.1:9/x.mp3")}) {
            page->clear();
            music->play(source);
            QTest::qWait(800);
            QVERIFY2(player->state() != Phonon::PlayingState, qPrintable(source));
            QCOMPARE(page->callsOf("RollBar").size(), 0);
            // Whatever the back-end made of it, a cover call carries no tags.
            for (const QJsonArray &c : page->callsOf("cover"))
                QCOMPARE(c, (QJsonArray{QString(), QString()}));
        }
        music->stop();
    }

    // Controls from outside the page act on the player, and the music page
    // hears of it: cover with the source, state and position added.
    void controlsFromOutsideTellTheMusicPage()
    {
        QVERIFY(playAndSettle(url(tagged)));
        QVERIFY(TestUtil::waitFor([&] { return player->currentTime() > 300; }));
        page->clear();
        music->control(MusicPlayer::Control::Pause);
        QVERIFY(waitForState(player, Phonon::PausedState));
        const QList<QJsonArray> covers = page->callsOf("cover");
        QCOMPARE(covers.size(), 1);
        QCOMPARE(covers[0].size(), 5);
        QCOMPARE(covers[0].at(0).toString(), QStringLiteral("Ørjan O'Neil 日本"));
        QCOMPARE(covers[0].at(2).toString(), tagged);
        QCOMPARE(covers[0].at(3).toString(), QStringLiteral("paused"));
        QVERIFY(covers[0].at(4).toString().toLongLong() > 300);
        QCOMPARE(page->callsOf("RollBar").value(0).at(0).toString().toLongLong() / 1000, 20);

        // Next and previous go by the folder's songs, as the page lists them.
        music->control(MusicPlayer::Control::Next);
        QCOMPARE(player->currentSource().url().toLocalFile(), other);
        music->control(MusicPlayer::Control::Previous);
        QCOMPARE(player->currentSource().url().toLocalFile(), tagged);
        music->stop();
    }

    // A song that ends goes on to the next of its folder unless the music
    // page is open (it keeps its own order); the last one ends it.
    void aSongThatEndsWithoutItsPageGoesOn_data()
    {
        QTest::addColumn<bool>("pageOpen");
        QTest::newRow("page closed") << false;
        QTest::newRow("page open") << true;
    }

    void aSongThatEndsWithoutItsPageGoesOn()
    {
        QFETCH(bool, pageOpen);
        const QString folder = makeFolder(files.filePath("short"));
        QVERIFY(makeMp3(folder + "/1.mp3", 1));
        QVERIFY(makeMp3(folder + "/2.mp3", 1));
        if (!pageOpen)
            page->view()->setObjectName(QStringLiteral("Notes"));
        QSignalSpy ended(player, SIGNAL(finished()));
        music->play(url(folder + "/1.mp3"));
        QVERIFY(ended.wait(15000));
        const QString then = pageOpen ? folder + "/1.mp3" : folder + "/2.mp3";
        if (!pageOpen)
            QVERIFY(ended.wait(15000));
        QVERIFY(waitForState(player, Phonon::StoppedState));
        QCOMPARE(player->currentSource().url().toLocalFile(), then);
        QCOMPARE(ended.size(), pageOpen ? 1 : 2);
    }

    // On a bus, the player is org.mpris.MediaPlayer2.vantara: the desktop's
    // media keys and applets see the song and control it.
    void theDesktopReachesThePlayerOnTheBus()
    {
        PrivateBus bus;
        QVERIFY(bus.started());
        QDBusConnection client = bus.connect("client");
        MprisService service(*music, bus.connect("service"));
        QVERIFY(service.offered());
        // A second shell on the same bus leaves the name to the first.
        QVERIFY(!MprisService(*music, bus.connect("second")).offered());
        QVERIFY(client.connect(MprisService::serviceName(), MprisService::path(),
                               "org.freedesktop.DBus.Properties", "PropertiesChanged", this,
                               SLOT(propertiesChanged(QString, QVariantMap, QStringList))));
        const QString root = "org.mpris.MediaPlayer2", controls = root + ".Player";
        QCOMPARE(busProperty(client, root, "Identity").toString(), QStringLiteral("Vantara"));

        busChanges.clear();
        QVERIFY(playAndSettle(url(tagged)));
        QVERIFY(TestUtil::waitFor([&] {
            return !busChanges.isEmpty() &&
                   busChanges.last().value("PlaybackStatus").toString() == "Playing";
        }));
        QCOMPARE(busProperty(client, controls, "PlaybackStatus").toString(),
                 QStringLiteral("Playing"));
        QVariantMap meta;
        busProperty(client, controls, "Metadata").value<QDBusArgument>() >> meta;
        QCOMPARE(meta.value("xesam:title").toString(), QStringLiteral("It's Été \"live\" \\ 1"));
        QCOMPARE(meta.value("xesam:artist").toStringList(),
                 QStringList{QStringLiteral("Ørjan O'Neil 日本")});
        QCOMPARE(meta.value("mpris:length").toLongLong() / 1000000, 20);

        QVERIFY(busCall(client, controls, "PlayPause").type() == QDBusMessage::ReplyMessage);
        QVERIFY(waitForState(player, Phonon::PausedState));
        QVERIFY(TestUtil::waitFor(
            [&] { return busChanges.last().value("PlaybackStatus").toString() == "Paused"; }));
        QVERIFY(busCall(client, controls, "Next").type() == QDBusMessage::ReplyMessage);
        QVERIFY(waitForState(player, Phonon::PlayingState));
        QCOMPARE(player->currentSource().url().toLocalFile(), other);
        QVERIFY(busCall(client, controls, "Stop").type() == QDBusMessage::ReplyMessage);
        QVERIFY(waitForState(player, Phonon::StoppedState));
        QCOMPARE(busProperty(client, controls, "PlaybackStatus").toString(),
                 QStringLiteral("Stopped"));
    }

    void songBeside_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("to");
        QTest::newRow("next, past the last") << "c.mp3" << 1 << "a.mp3";
        QTest::newRow("previous, before the first") << "a.mp3" << -1 << "c.mp3";
        QTest::newRow("not a song") << "notes.txt" << 1 << "";
    }

    // By name ignoring case, wrapping round; folders and other files are no songs.
    void songBeside()
    {
        QFETCH(QString, from);
        QFETCH(int, step);
        QFETCH(QString, to);
        const QString folder = makeFolder(files.filePath("beside"));
        for (const char *name : {"c.mp3", "a.mp3", "B.MP3", "notes.txt"})
            QVERIFY(touch(folder + "/" + name));
        makeFolder(folder + "/d.mp3");
        QCOMPARE(FolderTracks::neighbour(folder + "/" + from, step, true),
                 to.isEmpty() ? QString() : folder + "/" + to);
    }

    void sourceText()
    {
        QCOMPARE(MusicPlayer::sourceUrl("/tmp/a #1?.mp3"), QUrl::fromLocalFile("/tmp/a #1?.mp3"));
        QCOMPARE(MusicPlayer::sourceUrl("file:///tmp/a%20%231.mp3").toLocalFile(),
                 QStringLiteral("/tmp/a #1.mp3"));
        QCOMPARE(MusicPlayer::sourceUrl("http://127.0.0.1:8/x.mp3"),
                 QUrl("http://127.0.0.1:8/x.mp3"));
    }
};

QTEST_MAIN(TestMusicPlayer)
#include "tst_musicplayer.moc"
