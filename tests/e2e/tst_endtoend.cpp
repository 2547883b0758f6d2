#include "HomePage.h"
#include "MediaFixtures.h"
#include "PageClick.h"
#include "TestHttpServer.h"
#include "TestShell.h"
#include "VirtualDisplay.h"
#include "apps/AppCatalogue.h"
#include "shell/AppDescriptor.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <memory>
#include <vector>

using TestUtil::readFile;
using TestUtil::writeFile;

// The whole program as a user meets it: the real executable on a private X
// display, real clicks and keys, a real server on 127.0.0.1, and a local app
// of its own that drives the calls only app pages may make.

namespace
{
const QSize screen(1280, 800);
const QColor probeColour(255, 0, 255);    // the probe app: its icon and its page
const QColor sketchColour(0, 255, 255);   // the packaged app: its icon and its page
const QColor weatherColour(255, 140, 0);  // the web app's icon
const QColor forecastColour(40, 200, 90); // the web app's page, once its script has run
const char probeName[] = "E2EProbe";

QByteArray png(const QColor &colour, int size = 64)
{
    QImage image(size, size, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

bool near(QRgb pixel, const QColor &colour)
{
    return qAbs(qRed(pixel) - colour.red()) <= 12 && qAbs(qGreen(pixel) - colour.green()) <= 12 &&
           qAbs(qBlue(pixel) - colour.blue()) <= 12;
}

// Distinct colours in a region: a blank or failed screen has one or two.
int distinctColours(const QImage &image, const QRect &region)
{
    QSet<QRgb> colours;
    for (int y = region.top(); y <= region.bottom(); y += 2)
        for (int x = region.left(); x <= region.right(); x += 2)
            colours.insert(image.pixel(x, y));
    return colours.size();
}

bool copyTree(const QString &from, const QString &to)
{
    QDir source(from);
    if (!QDir().mkpath(to))
        return false;
    for (const QFileInfo &entry :
         source.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
        const QString target = to + QLatin1Char('/') + entry.fileName();
        if (entry.isDir() ? !copyTree(entry.filePath(), target)
                          : !QFile::copy(entry.filePath(), target))
            return false;
    }
    return true;
}

QStringList sampleApps()
{
    return QDir(QStringLiteral(VANTARA_SAMPLE_APPS)).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
}

// Every file below folder, by relative path, with its content.
QMap<QString, QByteArray> treeOf(const QString &folder)
{
    QMap<QString, QByteArray> tree;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        tree.insert(QDir(folder).relativeFilePath(path), readFile(path));
    }
    return tree;
}
} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void homeScreenShowsTheGrid();
    void localAppDrivesTheShell();
    void installedAppsJoinTheHomeScreen();
    void remoteWebAppRunsInTheModernEngine();
    void dockAndTabsSwitchBetweenApps();
    void packagedAppOpensAndCloses();
    void appOpenAtQuitComesBack();
    void quitControlEndsTheProgram();
    void logShowsNoUnexpectedMessages();

private:
    // A click on the element that selector finds on the real screen, found
    // where the same page lays it out at the same size; the layout page gets
    // the same click, so that it follows the real page's state.
    void clickOnHome(const QString &selector);
    // The same home page at the same size, filled as the shell fills it.
    bool makeLayout();
    // Starts the program in its folder, its output going to the log, and
    // waits for its full-screen window; false when it did not come up.
    bool startVantara(QIODevice::OpenMode log);
    QImage shot(const QString &name);
    // Takes screenshots until the pixel at point shows colour (or not).
    bool waitForColour(const QPoint &at, const QColor &colour, bool shown, int timeoutMs = 20000);
    // Dismisses each message box the program shows, as a user would, until
    // done holds; returns the number dismissed, or -1 on timeout.
    int dismissBoxesUntil(const std::function<bool()> &done, int timeoutMs);
    // The program's message box once one is up; 0 when none comes.
    qulonglong questionBox();
    QJsonValue report(const QByteArray &step) const;
    bool reported(const QByteArray &step) const;
    QString apps() const { return program + QStringLiteral("/Apps"); }
    QPoint weatherIcon() const;

    QTemporaryDir root;
    QString program, home, shots;
    TestHttpServer server;
    VirtualDisplay display;
    QProcess vantara;
    std::unique_ptr<HomePage> layout;
    QMap<QString, QByteArray> sketch;
    QByteArray weatherIconBytes;
    qulonglong mainWindow = 0;
    // The program's full-screen window; false when there is none.
    bool findMainWindow();
    int shotNumber = 0;
};

void TestEndToEnd::initTestCase()
{
    QVERIFY(root.isValid());
    program = root.filePath(QStringLiteral("program"));
    home = root.filePath(QStringLiteral("home"));
    shots = QStringLiteral(E2E_SCREENSHOTS);
    QDir(shots).removeRecursively();
    QVERIFY(QDir().mkpath(shots));

    // The served things: a web app's icon, a package made with vantara-pack,
    // a file and a remote message.
    QVERIFY(server.start());
    weatherIconBytes = png(weatherColour);
    server.route("/icons/weather.png", weatherIconBytes, "image/png");
    // Today's script (a class with a private field, optional chaining, async
    // and await) paints the page: QtWebKit could not run it.
    server.route("/weather/",
                 "<!DOCTYPE html><html><head><title>Weather</title></head>"
                 "<body style='margin:0;height:100vh;display:grid'><script>"
                 "class Forecast { #colour = 'rgb(40, 200, 90)';"
                 " get colour() { return this.#colour; } }"
                 "(async () => { await null;"
                 " document.body.style.background = new Forecast()?.colour ?? 'black'; })();"
                 "</script></body></html>");
    server.route("/files/notes.txt", "Buy milk.\nCall Ana.\n", "text/plain");
    server.route("/message.xml", "<?xml version=\"1.0\"?><message><cmd>on</cmd></message>",
                 "text/xml");
    const QString sketchSource = root.filePath(QStringLiteral("src/Sketch"));
    QVERIFY(writeFile(sketchSource + QStringLiteral("/icon.png"), png(sketchColour)));
    QVERIFY(writeFile(sketchSource + QStringLiteral("/app.con"),
                      "<config><apptype>local</apptype><applink>index.html</applink></config>"));
    QVERIFY(writeFile(sketchSource + QStringLiteral("/index.html"),
                      "<html><head><title>Sketch</title></head>"
                      "<body style=\"margin:0;height:100%;background:#00ffff\"></body></html>"));
    QVERIFY(writeFile(sketchSource + QStringLiteral("/brushes/round.txt"), "round, 4px\n"));
    sketch = treeOf(sketchSource);
    const QString package = root.filePath(QStringLiteral("Sketch.lpk"));
    QCOMPARE(QProcess::execute(QStringLiteral(VANTARA_PACK_TOOL),
                               {QStringLiteral("pack"), sketchSource, package}),
             0);
    server.route("/store/Sketch.lpk", readFile(package), "application/octet-stream");

    // A copy of the program with its own Apps folder: the sample apps and the
    // probe app.
    QVERIFY(QDir().mkpath(program));
    QVERIFY(QFile::copy(QStringLiteral(VANTARA_PROGRAM), program + QStringLiteral("/Vantara")));
    for (const char *library : {VANTARA_LIBRARY, VANTARA_ENGINE_LIBRARY})
        QVERIFY(QFile::copy(QString::fromLatin1(library),
                            program + QLatin1Char('/') + QFileInfo(library).fileName()));
    // The sample apps as the build ships them, whatever else a build's own
    // Apps folder has gathered.
    for (const QString &app : sampleApps())
        QVERIFY(copyTree(QStringLiteral(VANTARA_SAMPLE_APPS "/") + app,
                         apps() + QLatin1Char('/') + app));
    const QString probe = apps() + QLatin1Char('/') + QLatin1String(probeName);
    QVERIFY(writeFile(probe + QStringLiteral("/icon.png"), png(probeColour)));
    QVERIFY(writeFile(probe + QStringLiteral("/app.con"),
                      "<config><apptype>local</apptype><applink>index.html</applink></config>"));
    QString page = QString::fromUtf8(readFile(QStringLiteral(E2E_SOURCE_DIR "/probe/index.html")));
    QVERIFY(page.contains(QLatin1String("@SERVER@")));
    const QString song = home + QStringLiteral("/Music/song.mp3");
    page.replace(QLatin1String("@SERVER@"), server.url(QString()).toString())
        .replace(QLatin1String("@SONG@"), song)
        .replace(QLatin1String("@APP@"), QLatin1String(probeName));
    QVERIFY(writeFile(probe + QStringLiteral("/index.html"), page.toUtf8()));

    // The user's folders: a tagged song, a desktop.
    QVERIFY(QDir().mkpath(home + QStringLiteral("/Desktop")));
    QVERIFY(QDir().mkpath(home + QStringLiteral("/Music")));
    QVERIFY(MediaFixtures::makeMp3(song, 10, QStringLiteral("Evening Tide"),
                                   QStringLiteral("Harbour Lights")));

    QVERIFY(makeLayout());

    QVERIFY2(display.start(screen), "Xvfb did not start");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *proxy : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy",
                              "ALL_PROXY", "no_proxy", "NO_PROXY"})
        env.remove(QLatin1String(proxy));
    env.insert(QStringLiteral("DISPLAY"), display.name());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
    const QString runtime = root.filePath(QStringLiteral("runtime"));
    QVERIFY(QDir().mkpath(runtime));
    QFile::setPermissions(runtime,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    // Each line of Qt's says what kind it is, so that the log can be read.
    env.insert(QStringLiteral("QT_MESSAGE_PATTERN"),
               QStringLiteral("%{type}: %{if-category}%{category}: %{endif}%{message}"));
    vantara.setProcessEnvironment(env);
    vantara.setWorkingDirectory(program);
    vantara.setProcessChannelMode(QProcess::MergedChannels);
    QVERIFY(startVantara(QIODevice::Truncate));
}

bool TestEndToEnd::makeLayout()
{
    layout.reset(new HomePage(screen.width(), screen.height()));
    if (!layout->load())
        return false;
    const QString size[] = {QString::number(screen.width()), QString::number(screen.height())};
    layout->call(QStringLiteral("sizeitems"), {size[0], size[1]});
    layout->call(QStringLiteral("sizeitems"), {size[0], size[1]});
    layout->call(QStringLiteral("makeapp"), {AppCatalogue::appNames(apps()).join(QLatin1Char(',')),
                                             AppCatalogue::cleanFolderPath(apps())});
    return true;
}

bool TestEndToEnd::findMainWindow()
{
    mainWindow = 0;
    for (qulonglong w : display.windowsOf(vantara.processId()))
        if (display.geometry(w) == QRect(QPoint(0, 0), screen))
            mainWindow = w;
    return mainWindow != 0;
}

bool TestEndToEnd::startVantara(QIODevice::OpenMode log)
{
    vantara.setStandardOutputFile(shots + QStringLiteral("/vantara.log"), log);
    vantara.start(program + QStringLiteral("/Vantara"), QStringList());
    if (!vantara.waitForStarted(10000))
        return false;

    // The home page has loaded once the program has written its menu entry.
    mainWindow = 0;
    const QString entry = home + QStringLiteral("/.local/share/applications/Vantara.desktop");
    return TestUtil::waitFor(
               [&] {
                   if (vantara.state() != QProcess::Running)
                       return true;
                   return QFile::exists(entry) && findMainWindow();
               },
               90000) &&
           vantara.state() == QProcess::Running && mainWindow != 0;
}

void TestEndToEnd::cleanupTestCase()
{
    if (vantara.state() != QProcess::NotRunning) {
        vantara.kill();
        vantara.waitForFinished(5000);
    }
    layout.reset();
    QFile::remove(shots + QStringLiteral("/polling.png"));
}

QImage TestEndToEnd::shot(const QString &name)
{
    return display.screenshot(QStringLiteral("%1/%2-%3.png")
                                  .arg(shots)
                                  .arg(++shotNumber, 2, 10, QLatin1Char('0'))
                                  .arg(name));
}

void TestEndToEnd::clickOnHome(const QString &selector)
{
    const QPoint at = TestUtil::centreOf(layout->view, selector);
    QVERIFY2(!at.isNull(), qPrintable(QStringLiteral("nothing to click: ") + selector));
    QVERIFY(display.click(at));
    QTest::mouseClick(layout->view, Qt::LeftButton, Qt::NoModifier, at);
    layout->settle();
}

bool TestEndToEnd::waitForColour(const QPoint &at, const QColor &colour, bool shown, int timeoutMs)
{
    return TestUtil::waitFor(
        [&] {
            const QImage image = display.screenshot(shots + QStringLiteral("/polling.png"));
            return !image.isNull() && near(image.pixel(at), colour) == shown;
        },
        timeoutMs);
}

qulonglong TestEndToEnd::questionBox()
{
    qulonglong box = 0;
    TestUtil::waitFor(
        [&] {
            QList<qulonglong> windows = display.windowsOf(vantara.processId());
            windows.removeAll(mainWindow);
            box = windows.isEmpty() ? 0 : windows.last();
            return box != 0;
        },
        10000);
    return box;
}

int TestEndToEnd::dismissBoxesUntil(const std::function<bool()> &done, int timeoutMs)
{
    int dismissed = 0;
    const bool ok = TestUtil::waitFor(
        [&] {
            QList<qulonglong> boxes = display.windowsOf(vantara.processId());
            boxes.removeAll(mainWindow);
            if (boxes.isEmpty())
                return done();
            shot(QStringLiteral("message-box"));
            // A box opened while another waits takes the input: answer each in
            // turn until one goes, with Return or Escape, as a user would.
            for (int i = boxes.size() - 1; i >= 0; --i) {
                const qulonglong box = boxes.at(i);
                display.key(box,
                            dismissed % 2 ? QStringLiteral("Escape") : QStringLiteral("Return"));
                if (TestUtil::waitFor(
                        [&] { return !display.windowsOf(vantara.processId()).contains(box); },
                        3000)) {
                    ++dismissed;
                    break;
                }
            }
            return false;
        },
        timeoutMs);
    return ok ? dismissed : -1;
}

bool TestEndToEnd::reported(const QByteArray &step) const
{
    return !report(step).isUndefined();
}

QJsonValue TestEndToEnd::report(const QByteArray &step) const
{
    // The step's data is the query, as JSON; the last report of a step counts.
    const QByteArray prefix = "/report/" + step + '?';
    const QList<TestHttpServer::Request> requests = server.requests();
    for (int i = requests.size() - 1; i >= 0; --i) {
        if (!requests.at(i).path.startsWith(prefix))
            continue;
        const QByteArray json =
            QByteArray::fromPercentEncoding(requests.at(i).path.mid(prefix.size()));
        return QJsonDocument::fromJson("[" + json + "]").array().at(0);
    }
    return QJsonValue(QJsonValue::Undefined);
}

QPoint TestEndToEnd::weatherIcon() const
{
    return TestUtil::centreOf(layout->view, QStringLiteral("a[data-name=\"Weather\"] .icona"));
}

void TestEndToEnd::homeScreenShowsTheGrid()
{
    // Full screen, at the origin.
    QCOMPARE(display.geometry(mainWindow), QRect(QPoint(0, 0), screen));
    const QPoint probeIcon =
        TestUtil::centreOf(layout->view, QStringLiteral("a[data-name=\"E2EProbe\"] .imgicon"));
    QVERIFY(!probeIcon.isNull());
    // Icons paint once their files have been read: wait for the probe's.
    QVERIFY2(waitForColour(probeIcon, probeColour, true), "the probe app's icon is not shown");
    const QImage image = shot(QStringLiteral("home"));
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), screen);
    // The home screen needs no OpenGL driver (about 9 MB): only a remote
    // page brings one in.
    QFile maps(QStringLiteral("/proc/%1/maps").arg(vantara.processId()));
    QVERIFY(maps.open(QIODevice::ReadOnly));
    QVERIFY(!maps.readAll().contains("_dri.so"));
    // Wallpaper, icons and dock: far from a blank screen, in the grid and in the dock.
    QVERIFY(distinctColours(image, QRect(0, 40, screen.width(), 400)) > 200);
    const QPoint music =
        TestUtil::centreOf(layout->view, QStringLiteral(".dock a[data-name=\"Music.map\"]"));
    QVERIFY(distinctColours(image, QRect(music - QPoint(40, 40), QSize(80, 80))) > 50);

    // The menu entry starts this copy of the program in its folder.
    const QByteArray entry =
        readFile(home + QStringLiteral("/.local/share/applications/Vantara.desktop"));
    QVERIFY(entry.contains("Exec=\"" +
                           QFileInfo(program + "/Vantara").canonicalFilePath().toUtf8() + "\"\n"));
    QVERIFY(entry.contains("Path=" + QFileInfo(program).canonicalFilePath().toUtf8() + "\n"));
    QCOMPARE(readFile(home + QStringLiteral("/Desktop/Vantara.desktop")), entry);
}

void TestEndToEnd::localAppDrivesTheShell()
{
    clickOnHome(QStringLiteral("a[data-name=\"E2EProbe\"]"));
    QVERIFY2(TestUtil::waitFor([&] { return reported("start"); }, 30000),
             "the probe app did not start");
    // The app's page over the home screen (away from where boxes appear).
    QVERIFY2(waitForColour(QPoint(100, 400), probeColour, true), "the probe app is not shown");
    shot(QStringLiteral("probe-app"));

    // Two boxes for the web app ("Download Started", "Download Finish"), two
    // for the package ("Download Started", "Sketchinstalled").
    const int boxes = dismissBoxesUntil(
        [&] {
            return reported("done") && QFile::exists(apps() + QStringLiteral("/Weather/app.con")) &&
                   QFile::exists(apps() + QStringLiteral("/Sketch/app.con"));
        },
        90000);
    QVERIFY2(boxes >= 0, "the probe app did not finish");
    // A late box would be one too many.
    QTest::qWait(500);
    QCOMPARE(dismissBoxesUntil([] { return true; }, 10000) + boxes, 4);

    QCOMPARE(report("start").toObject().value("api").toString(), QStringLiteral("object"));
    const QJsonArray folders = report("folders").toArray();
    QCOMPARE(folders.at(0).toString(), QStringLiteral(",song.mp3"));
    QCOMPARE(QFileInfo(folders.at(1).toString()).canonicalFilePath(),
             QFileInfo(home + QStringLiteral("/Music")).canonicalFilePath());
    const QJsonObject music = report("music").toObject();
    const double length = music.value("length").toString().toDouble();
    QVERIFY2(length > 9500 && length < 10600, qPrintable(music.value("length").toString()));
    QCOMPARE(music.value("tags").toArray(),
             QJsonArray({QStringLiteral("Harbour Lights"), QStringLiteral("Evening Tide")}));
    const QJsonObject pause = report("pause").toObject();
    QCOMPARE(pause.value("paused").toBool(true), false);
    QCOMPARE(pause.value("resumed").toBool(false), true);

    // What landed on disk.
    QCOMPARE(readFile(apps() + QStringLiteral("/Weather/icon.png")), weatherIconBytes);
    const AppDescriptor weather = AppDescriptor::read(apps() + QStringLiteral("/Weather/app.con"));
    QCOMPARE(weather.type, QStringLiteral("web"));
    QCOMPARE(weather.link, server.url(QStringLiteral("/weather/")).toString());
    QCOMPARE(treeOf(apps() + QStringLiteral("/Sketch")), sketch);
    QCOMPARE(treeOf(apps() + QStringLiteral("/Toolbox")), sketch);
    QCOMPARE(readFile(apps() + QLatin1Char('/') + probeName + QStringLiteral("/notes.txt")),
             QByteArray("Buy milk.\nCall Ana.\n"));
    QCOMPARE(server.requestCount("/message.xml"), 1);
    // Nothing half-written or left over beside the apps.
    QStringList expected = sampleApps();
    expected << probeName << QStringLiteral("Weather") << QStringLiteral("Sketch")
             << QStringLiteral("Toolbox");
    expected.sort();
    QStringList found =
        QDir(apps()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    found.sort();
    QCOMPARE(found, expected);
    QCOMPARE(QDir(apps() + QLatin1Char('/') + probeName)
                 .entryList(QDir::Files | QDir::Hidden, QDir::Name),
             QStringList({"app.con", "icon.png", "index.html", "notes.txt"}));

    // The layout page follows: the tab's names, the new icons.
    layout->call(QStringLiteral("nameTab"), {QStringLiteral("E2E Probe")});
    layout->call(QStringLiteral("createwebapp"),
                 {server.url(QStringLiteral("/icons/weather.png")).toString(),
                  QStringLiteral("Weather"), weather.link});
    layout->call(QStringLiteral("createwebapp"),
                 {apps() + QStringLiteral("//Sketch//icon.png"), QStringLiteral("Sketch"),
                  QStringLiteral("Sketch")});
}

void TestEndToEnd::installedAppsJoinTheHomeScreen()
{
    // Installing returned to the home screen, where both new icons now are:
    // the web app's from the server, the package's from its folder. They were
    // added as their installations completed, in either order.
    const QString sketchIcon = QStringLiteral("a[data-name=\"Sketch\"] .icona");
    const QPoint first = weatherIcon();
    const QPoint second = TestUtil::centreOf(layout->view, sketchIcon);
    QVERIFY(!first.isNull() && !second.isNull());
    bool swapped = false;
    QVERIFY2(TestUtil::waitFor(
                 [&] {
                     const QImage image =
                         display.screenshot(shots + QStringLiteral("/polling.png"));
                     if (image.isNull())
                         return false;
                     const QRgb a = image.pixel(first), b = image.pixel(second);
                     swapped = near(a, sketchColour) && near(b, weatherColour);
                     return swapped || (near(a, weatherColour) && near(b, sketchColour));
                 },
                 20000),
             "the installed apps' icons are not shown");
    if (swapped)
        layout->js(QStringLiteral("$('%1').parent().insertBefore($('a[data-name=\"Weather\"]'))")
                       .arg(sketchIcon));
    QVERIFY(near(shot(QStringLiteral("installed")).pixel(weatherIcon()), weatherColour));
}

void TestEndToEnd::remoteWebAppRunsInTheModernEngine()
{
    // The web app just installed, on a site of its own: its page fills the
    // app area once its script has run.
    const QPoint inPage(screen.width() / 2, screen.height() / 2);
    clickOnHome(QStringLiteral("a[data-name=\"Weather\"]"));
    QVERIFY2(waitForColour(inPage, forecastColour, true), "the web app's script did not run");
    shot(QStringLiteral("remote-web-app"));
    // The first remote page made the window again, able to show it: still
    // one full-screen window.
    QVERIFY(findMainWindow());
    QCOMPARE(layout->js(QStringLiteral("$('#dockapps a').length")).toInt(), 2);
    // Closed, the probe app is on top again.
    clickOnHome(QStringLiteral("#closeme"));
    QVERIFY(waitForColour(weatherIcon(), probeColour, true));
    QCOMPARE(layout->js(QStringLiteral("$('#dockapps a').length")).toInt(), 1);
}

void TestEndToEnd::dockAndTabsSwitchBetweenApps()
{
    const QPoint weather = weatherIcon();
    // The probe app's tab brings it back over the home screen.
    clickOnHome(QStringLiteral("#dockapps a:eq(0)"));
    QVERIFY2(waitForColour(weather, probeColour, true), "the probe app's tab did not show it");
    shot(QStringLiteral("probe-tab"));

    // Home, then the dock's Music item: the music app on top.
    clickOnHome(QStringLiteral("#start"));
    QVERIFY(waitForColour(weather, weatherColour, true));
    clickOnHome(QStringLiteral(".dock a[data-name=\"Music.map\"]"));
    QVERIFY2(waitForColour(weather, weatherColour, false), "the Music item opened nothing");
    QVERIFY(waitForColour(weather, probeColour, false));
    layout->call(QStringLiteral("nameTab"), {QStringLiteral("Music")});
    const QImage musicShot = shot(QStringLiteral("music"));
    QCOMPARE(layout->js(QStringLiteral("$('#dockapps a').length")).toInt(), 2);

    // Home, then the dock's Mail item: the mail panel on top.
    clickOnHome(QStringLiteral("#start"));
    QVERIFY(waitForColour(weather, weatherColour, true));
    clickOnHome(QStringLiteral(".dock a[data-name=\"Mail\"]"));
    QVERIFY2(waitForColour(weather, weatherColour, false), "the Mail item opened nothing");
    const QImage mailShot = shot(QStringLiteral("mail"));
    // Two different pages, neither of them blank.
    const QRect pageArea(0, 40, screen.width(), 600);
    QVERIFY(musicShot.copy(pageArea) != mailShot.copy(pageArea));
    QVERIFY(distinctColours(mailShot, pageArea) > 3);
    QVERIFY(distinctColours(musicShot, pageArea) > 3);

    // The tabs switch: first the probe app, then the music app again.
    clickOnHome(QStringLiteral("#dockapps a:eq(0)"));
    QVERIFY2(waitForColour(weather, probeColour, true), "the first tab did not switch");
    clickOnHome(QStringLiteral("#dockapps a:eq(1)"));
    QVERIFY2(waitForColour(weather, probeColour, false), "the second tab did not switch");
    // The music app as it was: the same page where the web app's icon is.
    QVERIFY(near(shot(QStringLiteral("music-tab")).pixel(weather), musicShot.pixel(weather)));

    // The keys: probe, music and mail are open, music on top. The layout page
    // takes the same steps.
    struct Step {
        const char *keys;
        const char *layout;
        QColor colour;
        bool shown;
    };
    const Step steps[] = {
        {"alt+Tab", "switchTab(2)", probeColour, false},       // mail
        {"ctrl+Tab", "switchTab(0)", probeColour, true},       // round to the probe
        {"shift+alt+Tab", "switchTab(2)", probeColour, false}, // back to mail
        {"super", "goHome()", weatherColour, true},
        {"ctrl+Tab", "switchTab(2)", weatherColour, false}, // mail again
        {"ctrl+Escape", "goHome()", weatherColour, true},
        {"alt+Tab", "switchTab(2)", weatherColour, false},
        {"ctrl+w", "closeTop()", probeColour, false}, // mail closes, music on top
    };
    for (const Step &step : steps) {
        QVERIFY(display.key(mainWindow, QString::fromLatin1(step.keys)));
        layout->js(QString::fromLatin1(step.layout));
        QVERIFY2(waitForColour(weather, step.colour, step.shown), step.keys);
    }
    QVERIFY(waitForColour(weather, weatherColour, false));
    QVERIFY(near(shot(QStringLiteral("keys")).pixel(weather), musicShot.pixel(weather)));

    // The close control closes the app on top, one after another, until the
    // home screen is back.
    for (int open = 2; open > 0; --open) {
        QCOMPARE(layout->js(QStringLiteral("$('#dockapps a').length")).toInt(), open);
        clickOnHome(QStringLiteral("#closeme"));
        if (open > 1) {
            // The last tab is selected; show it as a user would.
            clickOnHome(QStringLiteral("#dockapps a:last"));
            QVERIFY(waitForColour(weather, weatherColour, false));
        }
    }
    QVERIFY2(waitForColour(weather, weatherColour, true), "closing every app left a page shown");
    QCOMPARE(layout->js(QStringLiteral("$('#dockapps a').length")).toInt(), 0);
    shot(QStringLiteral("all-closed"));
}

void TestEndToEnd::packagedAppOpensAndCloses()
{
    const QPoint weather = weatherIcon();
    clickOnHome(QStringLiteral("a[data-name=\"Sketch\"]"));
    QVERIFY2(waitForColour(weather, sketchColour, true), "the installed package did not open");
    shot(QStringLiteral("sketch"));
    clickOnHome(QStringLiteral("#closeme"));
    QVERIFY(waitForColour(weather, weatherColour, true));
}

void TestEndToEnd::appOpenAtQuitComesBack()
{
    const QPoint weather = weatherIcon();
    clickOnHome(QStringLiteral("a[data-name=\"Sketch\"]"));
    QVERIFY2(waitForColour(weather, sketchColour, true), "the installed package did not open");
    // With an app open the quit control asks; Escape keeps the program.
    clickOnHome(QStringLiteral("#qt"));
    const qulonglong question = questionBox();
    QVERIFY2(question, "the quit control did not ask");
    QVERIFY(display.key(question, QStringLiteral("Escape")));
    QVERIFY(TestUtil::waitFor(
        [&] { return !display.windowsOf(vantara.processId()).contains(question); }, 10000));
    QCOMPARE(vantara.state(), QProcess::Running);
    // Asked again, the user chooses "Quit" with its key.
    clickOnHome(QStringLiteral("#qt"));
    const qulonglong again = questionBox();
    QVERIFY2(again, "the quit control did not ask again");
    shot(QStringLiteral("quit-question"));
    QVERIFY(display.key(again, QStringLiteral("alt+q")));
    QVERIFY2(TestUtil::waitFor([&] { return vantara.state() == QProcess::NotRunning; }, 30000),
             "the quit control did not end the program");
    QCOMPARE(vantara.exitCode(), 0);

    // Started again, the program shows the app in front, as it was; the
    // grid now lists the apps installed meanwhile in their places.
    QVERIFY2(startVantara(QIODevice::Append), "the program did not start again");
    QVERIFY2(waitForColour(weather, sketchColour, true), "the open app did not come back");
    QVERIFY(makeLayout());
    layout->js(QStringLiteral("openit('Sketch', 'web', 'Sketch')"));
    // Closed once it has slid all the way in, as a user sees it.
    QVERIFY(waitForColour(QPoint(5, screen.height() / 2), sketchColour, true));
    shot(QStringLiteral("restored"));
    clickOnHome(QStringLiteral("#closeme"));
    QVERIFY2(waitForColour(weatherIcon(), weatherColour, true), "the restored app did not close");
}

void TestEndToEnd::quitControlEndsTheProgram()
{
    shot(QStringLiteral("before-quit"));
    clickOnHome(QStringLiteral("#qt"));
    QVERIFY2(TestUtil::waitFor([&] { return vantara.state() == QProcess::NotRunning; }, 30000),
             "the quit control did not end the program");
    QCOMPARE(vantara.exitStatus(), QProcess::NormalExit);
    QCOMPARE(vantara.exitCode(), 0);
}

// Qt's warnings and worse in the program's log that are not ours to fix.
// Each entry says why it is tolerated; anything else fails the test. Empty
// today but for one of ours: the media backend's complaints about the missing
// sound server are its own lines, not Qt's, and are not read.
struct ToleratedMessage {
    const char *pattern;
    const char *why;
};
const std::vector<ToleratedMessage> toleratedMessages = {
    {"^warning: The shell runs as root: the web engine's sandbox is off$",
     "the test machine runs everything as root, and the shell says what that costs"},
};

void TestEndToEnd::logShowsNoUnexpectedMessages()
{
    QVERIFY(vantara.state() == QProcess::NotRunning);
    const QByteArray log = readFile(shots + QStringLiteral("/vantara.log"));
    QStringList unexpected;
    int expectedErrors = 0;
    for (const QByteArray &raw : log.split('\n')) {
        const QString line = QString::fromUtf8(raw);
        // Lines of Qt's start with their kind; others (the media backend's
        // own) are not Qt messages.
        const bool warning = line.startsWith(QLatin1String("warning: ")) ||
                             line.startsWith(QLatin1String("critical: ")) ||
                             line.startsWith(QLatin1String("fatal: "));
        if (!warning && !line.contains(QLatin1String("script error:")))
            continue;
        if (line.startsWith(QLatin1String(
                "warning: vantara.script: script error: probe: the expected script error ("))) {
            ++expectedErrors;
            continue;
        }
        bool tolerated = false;
        for (const ToleratedMessage &t : toleratedMessages)
            tolerated =
                tolerated || QRegularExpression(QLatin1String(t.pattern)).match(line).hasMatch();
        if (!tolerated)
            unexpected.append(line);
    }
    // The probe's own error is there: script errors do reach the log.
    QCOMPARE(expectedErrors, 1);
    QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join(QLatin1Char('\n'))));
}

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
