#include "HomePage.h"
#include "PrivateBus.h"
#include "TestPictures.h"
#include "TestShell.h"
#include "app/HomeBridge.h"
#include "apps/AppCatalogue.h"
#include "apps/PageServices.h"
#include "media/MusicPlayer.h"
#include "shell/Addresses.h"
#include "shell/AppDescriptor.h"
#include "shell/BoundedXml.h"
#include "shell/EngineChoice.h"
#include "shell/OpenApps.h"
#include "shell/ScriptCall.h"
#include "shell/ShellSettings.h"
#include "shell/SystemStatus.h"
#include "shell/WebSearch.h"
#include "web/EngineLoader.h"
#include "web/WebKitAppView.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QStackedWidget>
#include <QTest>
#include <QUrlQuery>
#include <QWebFrame>
#include <QWebView>
#include <algorithm>

namespace
{
bool copyTree(const QString &from, const QString &to)
{
    QDirIterator it(from, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = to + QDir(from).relativeFilePath(file).prepend('/');
        if (!QDir().mkpath(QFileInfo(target).path()) || !QFile::copy(file, target))
            return false;
    }
    return true;
}

// Sets a property of a mock service as the service itself would change it: the
// mock says so with PropertiesChanged.
bool setBusProperty(QDBusConnection bus, const QString &service, const QString &path,
                    const QString &interface, const QString &name, const QVariant &value,
                    const char *method = "Set")
{
    QDBusMessage call = QDBusMessage::createMethodCall(service, path,
                                                       method == QByteArray("Set")
                                                           ? "org.freedesktop.DBus.Properties"
                                                           : "org.freedesktop.DBus.Mock",
                                                       method);
    call << interface << name << QVariant::fromValue(QDBusVariant(value));
    return bus.call(call, QDBus::BlockWithGui).type() == QDBusMessage::ReplyMessage;
}
// Records what a page asks for and fetches nothing.
class RefusingNetwork : public QNetworkAccessManager
{
public:
    using QNetworkAccessManager::QNetworkAccessManager;
    QList<QUrl> asked;

protected:
    QNetworkReply *createRequest(Operation op, const QNetworkRequest &request,
                                 QIODevice *data) override
    {
        asked << request.url();
        return QNetworkAccessManager::createRequest(op, QNetworkRequest(QUrl("data:,")), data);
    }
};

QString describe(QRgb c)
{
    return QStringLiteral("rgb(%1,%2,%3)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c));
}
} // namespace

// The home screen as a newcomer sees it: the real page at 1280 x 800, filled
// by the catalogue from the sample apps of the build. The pictures are kept in
// <build>/screenshots.
class TestHomeScreen : public QObject
{
    Q_OBJECT

    TestBridge recorder;
    TestShell *shell = nullptr;
    HomeBridge *homeBridge = nullptr;
    PageServices *services = nullptr;
    QString shots;

    QWebFrame *frame() const { return shell->homeFrame(); }
    QRect rectOf(const QString &selector) const
    {
        const QVariantMap r =
            frame()
                ->evaluateJavaScript(
                    QStringLiteral("(function(){ var r = jQuery('%1')[0].getBoundingClientRect();"
                                   " return {x: r.left, y: r.top, w: r.width, h: r.height}; })()")
                        .arg(selector))
                .toMap();
        return QRect(r["x"].toInt(), r["y"].toInt(), r["w"].toInt(), r["h"].toInt());
    }
    QVariant js(const QString &script) const { return frame()->evaluateJavaScript(script); }
    QPoint centreOf(const QString &selector) const { return rectOf(selector).center(); }
    void click(const QPoint &at)
    {
        QTest::mouseClick(shell->homeView(), Qt::LeftButton, Qt::NoModifier, at);
    }
    // A right click on the element, as a mouse gives it.
    void rightClick(const QString &selector)
    {
        const QPoint at = centreOf(selector);
        QWidget *view = shell->homeView();
        QTest::mousePress(view, Qt::RightButton, Qt::NoModifier, at);
        QContextMenuEvent menu(QContextMenuEvent::Mouse, at, view->mapToGlobal(at));
        QCoreApplication::sendEvent(view, &menu);
        QTest::mouseRelease(view, Qt::RightButton, Qt::NoModifier, at);
    }
    bool menuShown() const { return js("jQuery('#removeMenu').is(':visible')").toBool(); }
    QImage shoot(const QString &name) const
    {
        QImage image(1280, 800, QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        frame()->render(&painter);
        painter.end();
        image.save(shots + QLatin1Char('/') + name);
        return image;
    }
    // A pixel of an icon, at a point given in the 150 x 150 artwork's coordinates.
    QRgb iconPixel(const QImage &shot, const QString &selector, int x, int y) const
    {
        const QRect r = rectOf(selector);
        return shot.pixel(r.x() + x * r.width() / 150, r.y() + y * r.height() / 150);
    }

private slots:
    void initTestCase()
    {
        shots = QCoreApplication::applicationDirPath() + QStringLiteral("/screenshots");
        QVERIFY(QDir().mkpath(shots));
        shell = new TestShell(&recorder);
        shell->mainWindow()->resize(1280, 800);
        shell->homeView()->resize(1280, 800);
        QVERIFY(copyTree(QCoreApplication::applicationDirPath() + QStringLiteral("/Apps"),
                         shell->appsFolder()));
        // Before the home page loads, the shell has no home frame yet. The home
        // page's own calls go to the real bridge.
        QWebFrame *f = shell->homeView()->page()->mainFrame();
        services = new PageServices(*shell, this);
        homeBridge = new HomeBridge(*shell, *services, *new MusicPlayer(*shell, this), this);
        connect(f, &QWebFrame::javaScriptWindowObjectCleared, this, [this, f] {
            f->addToJavaScriptWindowObject("myob", &recorder);
            f->addToJavaScriptWindowObject(HomeBridge::scriptName(), homeBridge);
        });
        QVERIFY(TestUtil::loadUrl(shell->homeView(), QUrl("qrc:/Lumo.html")));
        AppCatalogue(*shell).load();
        QVERIFY(TestUtil::waitFor([this] {
            return frame()
                       ->evaluateJavaScript(
                           "jQuery('img').filter(function(){ return !this.complete; }).length")
                       .toInt() == 0;
        }));
    }

    void cleanupTestCase() { delete shell; }

    void homeScreenWithTheSampleApps()
    {
        QCOMPARE(frame()
                     ->evaluateJavaScript("jQuery('#swipe_container p').map(function(){ return "
                                          "jQuery(this).text(); }).get().join()")
                     .toString(),
                 QStringLiteral("Calculator,Maps,Notes,Wikipedia"));
        const QImage shot = shoot(QStringLiteral("home.png"));

        // The wallpaper: a blue gradient, darker at the top.
        const QRgb top = shot.pixel(640, 30), middle = shot.pixel(900, 420);
        QVERIFY2(qBlue(middle) > 120 && qBlue(middle) > qRed(middle), qPrintable(describe(middle)));
        QVERIFY2(qGray(top) + 20 < qGray(middle), qPrintable(describe(top) + describe(middle)));

        // The dock: a light translucent cyan band along the bottom.
        const QRect dock = rectOf(".dock");
        QVERIFY(dock.bottom() >= 795 && dock.height() > 80 && dock.width() == 1280);
        const QRgb band = shot.pixel(8, dock.y() + dock.height() / 2);
        QVERIFY2(qGreen(band) > 150 && qBlue(band) > 200 && qRed(band) < qBlue(band),
                 qPrintable(describe(band)));
        // Its first icon, the browser's white dial; the music icon's warm red.
        const QRgb dial = iconPixel(shot, ".dock .imgicon:eq(0)", 100, 100);
        QVERIFY2(qRed(dial) > 200 && qGreen(dial) > 200 && qBlue(dial) > 200,
                 qPrintable(describe(dial)));
        const QRgb music = iconPixel(shot, ".dock .imgicon:eq(2)", 20, 120);
        QVERIFY2(qRed(music) > 200 && qBlue(music) < 140, qPrintable(describe(music)));

        // The first grid icons: Calculator (dark with an orange key), Maps (red pin),
        // Notes (yellow paper), each with its white label below.
        const QRgb keys = iconPixel(shot, "#swipe_container .imgicon:eq(0)", 75, 75);
        QVERIFY2(qRed(keys) < 90 && qGreen(keys) < 90 && qBlue(keys) < 100,
                 qPrintable(describe(keys)));
        const QRgb orange = iconPixel(shot, "#swipe_container .imgicon:eq(0)", 110, 64);
        QVERIFY2(qRed(orange) > 220 && qRed(orange) > qBlue(orange) + 80,
                 qPrintable(describe(orange)));
        const QRgb pin = iconPixel(shot, "#swipe_container .imgicon:eq(1)", 92, 82);
        QVERIFY2(qRed(pin) > 180 && qGreen(pin) < 110, qPrintable(describe(pin)));
        const QRgb paper = iconPixel(shot, "#swipe_container .imgicon:eq(2)", 60, 120);
        QVERIFY2(qRed(paper) > 200 && qGreen(paper) > 180 && qBlue(paper) < 180,
                 qPrintable(describe(paper)));
        const QRect label = rectOf("#swipe_container p:eq(0)");
        int white = 0;
        for (int x = label.left(); x <= label.right(); ++x)
            for (int y = label.top(); y <= label.bottom(); ++y)
                white += qGray(shot.pixel(x, y)) > 230;
        QVERIFY2(white > 20, qPrintable(QString::number(white)));
        // The grid starts below the status bar and left of the first column.
        QVERIFY(rectOf("#swipe_container .imgicon:eq(0)").top() > 40);
        QVERIFY(rectOf("#swipe_container .imgicon:eq(0)").bottom() < dock.top());

        // The status bar shows the title image over the wallpaper.
        const QRect title = rectOf("#VantaraTitle img");
        QCOMPARE(title.size(), QSize(76, 14));
        int bright = 0;
        for (int x = title.left(); x <= title.right(); ++x)
            bright += qGray(shot.pixel(x, title.center().y())) > 200;
        QVERIFY(bright > 5);
    }

    void programIconInEverySize()
    {
        QImageReader reader(QStringLiteral(":/happy.ico"));
        QCOMPARE(reader.imageCount(), 7);
        QList<int> sizes;
        for (int i = 0; i < reader.imageCount(); ++i) {
            QVERIFY(reader.jumpToImage(i));
            const QImage image = reader.read();
            QVERIFY(!image.isNull());
            QCOMPARE(image.width(), image.height());
            sizes << image.width();
            // Transparent corners around an opaque tile.
            QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
            QCOMPARE(qAlpha(image.pixel(image.width() / 2, image.height() / 2)), 255);
        }
        std::sort(sizes.begin(), sizes.end());
        QCOMPARE(sizes, QList<int>({16, 24, 32, 48, 64, 128, 256}));
    }

    void taskbarOnceAnAppIsOpen()
    {
        frame()->evaluateJavaScript("jQuery('#swipe_container a:first').click()");
        QCOMPARE(recorder.calls, QStringList({"on_pushButton_clicked(Calculator,Calculator)"}));
        frame()->evaluateJavaScript(
            "addicon(jQuery('#swipe_container .imgicon:first').attr('src'))");
        QVERIFY(TestUtil::waitFor([this] {
            return frame()->evaluateJavaScript("jQuery('#dockapps img')[0].complete").toBool();
        }));
        const QImage shot = shoot(QStringLiteral("home-taskbar.png"));

        // A dark glass bar along the bottom with the selected tab in blue.
        const QRgb bar = shot.pixel(900, 790);
        QVERIFY2(qGray(bar) < 60, qPrintable(describe(bar)));
        const QRect tab = rectOf("#dockapps a.select");
        QVERIFY(tab.top() >= 760);
        const QRgb selected = shot.pixel(tab.right() - 4, tab.center().y());
        QVERIFY2(qBlue(selected) > 200 && qRed(selected) < 80, qPrintable(describe(selected)));
        // The dock moved up above it; the show-desktop button sits at the right end.
        QCOMPARE(rectOf(".dock").bottom(), 759);
        QVERIFY(rectOf("#RDesktop").right() >= 1279);
        QCOMPARE(rectOf("#closeme img").size(), QSize(20, 20));
    }

    void theBrowserAndTheShellsTextsLookAsOne()
    {
        // The dock's Browser opens under its own name and picture.
        click(centreOf(".dock a[data-name=Google] .icona"));
        QCOMPARE(js("jQuery('#dockapps a.select').text()").toString(), QStringLiteral("Browser"));
        QVERIFY(TestUtil::waitFor([this] {
            return js("jQuery('#dockapps a.select img')[0].naturalWidth").toInt() > 0 &&
                   js("jQuery('#dockapps a.select img').attr('src')").toString() ==
                       "assets/ios7/safari.png";
        }));
        frame()->evaluateJavaScript("goHome()");

        // Escape and a tap elsewhere (empty room, the status bar, the dock's
        // band) close the Remove menu, and open nothing.
        const int calls = recorder.calls.size();
        const QList<QPoint> elsewhere{QPoint(), QPoint(1270, 300), centreOf("#clock"),
                                      QPoint(4, rectOf(".dock").bottom() - 4)};
        for (const QPoint &at : elsewhere) {
            rightClick("#swipe_container a:eq(1)");
            QVERIFY(menuShown());
            if (at.isNull())
                QTest::keyClick(shell->homeView(), Qt::Key_Escape);
            else
                click(at);
            QVERIFY(!menuShown());
        }
        QCOMPARE(recorder.calls.size(), calls);

        // One font for the shell's texts, and not the serif one a family that
        // is not installed falls back to.
        rightClick("#swipe_container a:eq(1)");
        const QStringList families =
            js("jQuery.map(['#swipe_container p:first', '.dock p:first', '#dockapps a span:first',"
               " '#removeMenu a', '#clock', '#dlname', '#downloads a:first'],"
               " function(s){ return jQuery(s).css('font-family'); })")
                .toStringList();
        QCOMPARE(families.filter(families.value(0)).size(), 7);
        const QString widthIn =
            QStringLiteral("(function(){ var s = jQuery('<span>Remove Browser Wikipedia</span>')"
                           ".css({'font-family': %1, 'font-size': '40px'}).appendTo('body');"
                           " var w = s.width(); s.remove(); return w; })()");
        const double own = js(widthIn.arg(ScriptCall::quote(families.first()))).toDouble();
        QVERIFY2(qAbs(own - js(widthIn.arg("'serif'")).toDouble()) > 10, qPrintable(families[0]));
        QTest::keyClick(shell->homeView(), Qt::Key_Escape);
    }

    void theLightEngineFromAnIconsMenu()
    {
        const QString file = shell->paths().settingsFile();
        QVERIFY(TestUtil::writeFile(file, "<settings><restoreApps>false</restoreApps>"
                                          "<lightEngine>Elsewhere</lightEngine></settings>"));
        auto engineOf = [this](const QString &name) {
            const AppDescriptor app =
                AppDescriptor::read(shell->appsFolder() + "/" + name + "/app.con");
            return EngineChoice::forApp(app, name, name, ShellSettings::read(shell->paths()));
        };
        // A web app of the modern engine offers the light one, and back; the
        // choice is kept beside the other settings and its next opening uses it.
        for (const char *offer : {"Run in the light engine", "Run in the modern engine"}) {
            const bool light = QByteArray(offer).contains("light");
            QCOMPARE(engineOf("Wikipedia"),
                     light ? AppView::Engine::WebEngine : AppView::Engine::WebKit);
            rightClick("#swipe_container a[data-name=Wikipedia]");
            QCOMPARE(js("jQuery('#engineItem:visible').text()").toString(), QString(offer));
            click(centreOf("#engineItem"));
            QVERIFY(!menuShown());
            const ShellSettings settings = ShellSettings::read(shell->paths());
            QCOMPARE(settings.lightApps,
                     light ? QStringList({"Elsewhere", "Wikipedia"}) : QStringList({"Elsewhere"}));
            QCOMPARE(settings.restoreApps, false);
        }
        QCOMPARE(engineOf("Wikipedia"), AppView::Engine::WebEngine);

        // The settings page offers the same choice for the web apps that have one.
        click(centreOf("#setopen"));
        QCOMPARE(js("jQuery('#setlight input').map(function(){ return jQuery(this).attr('data-app')"
                    " + (this.checked ? '+' : ''); }).get()")
                     .toStringList(),
                 QStringList({"Maps", "Wikipedia"}));
        click(centreOf("#setlight input[data-app=Maps]"));
        QCOMPARE(ShellSettings::read(shell->paths()).lightApps, QStringList({"Elsewhere", "Maps"}));
        click(centreOf("#setlight input[data-app=Maps]"));
        QCOMPARE(ShellSettings::read(shell->paths()).lightApps, QStringList({"Elsewhere"}));
        // Its fields take the keys: no ring moves over the icons beneath;
        // Escape closes it.
        const QString ring = "jQuery('a.keyfocus').attr('data-name') || ''";
        const QString ringBefore = js(ring).toString();
        QTest::keyClick(shell->homeView(), Qt::Key_Right);
        QCOMPARE(js(ring).toString(), ringBefore);
        QTest::keyClick(shell->homeView(), Qt::Key_Escape);
        QVERIFY(!js("jQuery('#settings').is(':visible')").toBool());

        // A local app has no choice, nor has any app while all run light.
        rightClick("#swipe_container a[data-name=Calculator]");
        QVERIFY(menuShown() && !js("jQuery('#engineItem').is(':visible')").toBool());
        QTest::keyClick(shell->homeView(), Qt::Key_Escape);
        QVERIFY(TestUtil::writeFile(file, "<settings><lightEngine>all</lightEngine></settings>"));
        QCOMPARE(js("vantara.lightEngine('Maps')").toString(), QString());

        // What cannot be taken changes nothing: a damaged file, one the
        // choice would make too large, names of no such web app.
        for (const QByteArray &kept :
             {QByteArray("<settings><lightEngine>Maps</lightEngine>"),
              "<settings><!--" + QByteArray(BoundedXml::maxBytes - 40, 'x') + "--></settings>"}) {
            QVERIFY(TestUtil::writeFile(file, kept));
            QCOMPARE(js("vantara.setLightEngine('Maps', true)").toBool(), false);
            QCOMPARE(TestUtil::readFile(file), kept);
        }
        QVERIFY(QFile::remove(file));
        for (const char *name : {"Calculator", "../Apps/Maps", ""})
            QVERIFY2(!js(QStringLiteral("vantara.setLightEngine('%1', true)").arg(name)).toBool(),
                     name);
        QVERIFY(!QFile::exists(file));
        // Without a settings file, one is made, the user's alone.
        QCOMPARE(js("vantara.setLightEngine('Maps', true)").toBool(), true);
        QCOMPARE(ShellSettings::read(shell->paths()).lightApps, QStringList({"Maps"}));
        QCOMPARE(QFileInfo(file).permissions() & (QFile::ReadOther | QFile::ReadGroup),
                 QFile::Permissions());
    }

    // The settings page through its own controls: each choice is kept in
    // settings.xml at once, beside what the file held; a value out of bounds
    // is refused, said, and leaves the file and the control as they were.
    void theSettingsPageKeepsEachChoice_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("said"); // empty: kept
        auto row = [](const char *name, const char *setting, const char *value,
                      const char *said = "") {
            QTest::newRow(name) << QString(setting) << QString(value) << QString(said);
        };
        const char *seconds = "Not kept: a whole number from 1 to 604800.";
        const char *noPicture = "Not kept: not a picture that can be shown.";
        row("restore", "restoreApps", "false");
        row("keyboard", "keyboard", "always");
        row("freeze", "freezeAfter", "60");
        row("discard at a week", "discardAfter", "604800");
        row("keep none loaded", "keepLoaded", "0");
        row("freeze never", "freezeAfter", "0", seconds);
        row("discard past a week", "discardAfter", "604801", seconds);
        row("keep too many", "keepLoaded", "101", "Not kept: a whole number from 0 to 100.");
        row("keyboard of no kind", "keyboard", "sometimes", "Not kept: touch, always or off.");
        row("wallpaper", "wallpaper", "sea.jpg");
        row("wallpaper too large", "wallpaper", "huge.png", noPicture);
        row("wallpaper elsewhere", "wallpaper", "../Apps/sea.jpg", noPicture);
    }

    void theSettingsPageKeepsEachChoice()
    {
        QFETCH(QString, setting);
        QFETCH(QString, value);
        QFETCH(QString, said);
        const QString control = "#set" + setting;
        const QString pictures = shell->paths().picturesFolder();
        QVERIFY(
            TestUtil::writeFile(pictures + "/sea.jpg", TestPictures::plain(QSize(64, 40), "JPG")));
        QVERIFY(TestUtil::writeFile(pictures + "/huge.png",
                                    TestPictures::pngBomb(QSize(20000, 20000))));
        const QString file = shell->paths().settingsFile();
        const QByteArray before = "<settings><lightEngine>Maps</lightEngine><other a=\"1\"/>"
                                  "<freezeAfter>300</freezeAfter></settings>";
        QVERIFY(TestUtil::writeFile(file, before));
        QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner));

        // Reached from the status bar over an open app: the home screen comes first.
        const int homes = recorder.count("homescreen");
        shell->stack()->addWidget(new QWidget);
        shell->stack()->show();
        js("jQuery('#settings').hide()");
        click(centreOf("#setopen"));
        QVERIFY(js("jQuery('#settings').is(':visible')").toBool());
        QCOMPARE(recorder.count("homescreen"), homes + 1);
        delete shell->stack()->widget(0);
        shell->stack()->hide();
        QCOMPARE(js("jQuery('#setwallpaper option').map(function(){ return this.value; }).get()")
                     .toStringList(),
                 QStringList({"", "huge.png", "sea.jpg"}));
        const QString shown = js(QStringLiteral("jQuery('%1').val()").arg(control)).toString();

        const bool box = control == "#setrestoreApps";
        js(QStringLiteral("(function(){ var c = jQuery('%1'); if (c.is(':checkbox'))"
                          " c.prop('checked', %2); else { if (c.is('select') &&"
                          " !c.find('option[value=\"%3\"]').length) c.append(jQuery('<option>')"
                          ".val('%3')); c.val('%3'); } c.change(); })()")
               .arg(control, box ? value : "false", value));
        QCOMPARE(js("jQuery('#setresult').text()").toString(), said);
        const QByteArray after = TestUtil::readFile(file);
        if (!said.isEmpty()) {
            QCOMPARE(after, before);
            QCOMPARE(js(QStringLiteral("jQuery('%1').val()").arg(control)).toString(), shown);
            return;
        }
        // Every other element stays; the changed one is there once.
        QVERIFY2(after.contains(QString("<%1>%2</%1>").arg(setting, value).toUtf8()), after);
        QCOMPARE(after.count(QString("<%1>").arg(setting).toUtf8()), 1);
        QVERIFY(after.contains("<lightEngine>Maps</lightEngine>") && after.contains("<other a="));
        QCOMPARE(QFileInfo(file).permissions() & (QFile::ReadOther | QFile::ReadGroup),
                 QFile::Permissions());
        // Read back as the shell reads it, and shown so when the page opens again.
        const ShellSettings read = ShellSettings::read(shell->paths());
        QCOMPARE(read.lightApps, QStringList({"Maps"}));
        QCOMPARE(homeBridge->settings().value(setting).toString(), value);
        if (setting == "wallpaper") {
            // Shown at once, from a copy at the screen's size, and at the next start.
            const QString copy = homeBridge->defaultWallpaper();
            QVERIFY2(copy.contains("/cache/wallpaper/wallpaper-"), qPrintable(copy));
            auto inBody = [this](const QString &copy) {
                return js("document.body.style.backgroundImage")
                    .toString()
                    .contains(copy.section('/', -1));
            };
            QVERIFY(inBody(copy));
            // Another screen size, another copy of the same picture.
            shell->setScreenArea(QRect(0, 0, 1024, 600));
            services->screenChanged();
            shell->setScreenArea(QRect(0, 0, 1280, 800));
            QVERIFY(!inBody(copy));
            services->screenChanged();
            QVERIFY(inBody(copy));
            // Vantara's own again: no element, the page's own picture.
            QCOMPARE(homeBridge->setSetting("wallpaper", ""), QString());
            QVERIFY(!TestUtil::readFile(file).contains("<wallpaper"));
            QVERIFY(homeBridge->defaultWallpaper() != copy);
        }
    }

    // Do not disturb is kept for the next start, which is quiet from its
    // first notification; off leaves no element behind.
    void doNotDisturbIsKept()
    {
        const QString file = shell->paths().settingsFile();
        QFile::remove(file);
        MusicPlayer player(*shell);
        auto startsQuiet = [&] { return HomeBridge(*shell, *services, player).doNotDisturb(); };
        QVERIFY(!startsQuiet());
        for (bool on : {true, false}) {
            homeBridge->setDoNotDisturb(on);
            QCOMPARE(startsQuiet(), on);
        }
        QVERIFY(!TestUtil::readFile(file).contains("doNotDisturb"));
        QFile::remove(file);
    }

    // The versions About names: compiled in, QtWebEngine never loaded for them.
    void aboutNamesEachVersion()
    {
        const QVariantMap about = homeBridge->about();
        for (const char *key : {"vantara", "webkit", "webkitEngine", "webengine"})
            QVERIFY2(QRegExp("\\d+\\.\\d+.*").exactMatch(about.value(key).toString()), key);
        js("jQuery('#settings').hide()");
        click(centreOf("#setopen"));
        QVERIFY(js("jQuery('#setabout').text()")
                    .toString()
                    .contains("QtWebEngine " + about.value("webengine").toString()));
        QVERIFY(!EngineLoader::isLoaded());
    }

    // The status bar's battery and network follow UPower and NetworkManager on
    // a bus of the test's own: hidden while a service is absent or tells of
    // nothing to show, shown and changed by the services' own signals.
    void theStatusBarFollowsTheSystemsServices()
    {
        PrivateBus bus;
        QVERIFY(bus.started());
        QDBusConnection client = bus.connect("client");
        auto *status = new SystemStatus(bus.connect("system"), bus.connect("session"), this);
        homeBridge->watch(status);
        auto shown = [this](const char *id) {
            return js(QStringLiteral("jQuery('#%1').is(':visible') ? jQuery('#%1').text() : '-'")
                          .arg(id))
                .toString();
        };
        const QString upower = "org.freedesktop.UPower", nm = "org.freedesktop.NetworkManager";
        const QString display = "/org/freedesktop/UPower/devices/DisplayDevice";
        const QString device = "org.freedesktop.UPower.Device";
        auto battery = [&](const char *name, const QVariant &value) {
            return setBusProperty(client, upower, display, device, name, value);
        };
        // A desktop's display device: no battery to show.
        QVERIFY(bus.runMock({"--template", "upower"}, upower));
        QVERIFY(battery("Percentage", 80.4));
        QVERIFY(battery("IsPresent", true));
        QCOMPARE(shown("battery"), QString("-"));
        QVERIFY(battery("Type", 2u));
        QTRY_COMPARE(shown("battery"), QString("80%"));
        // NetworkManager is absent meanwhile.
        QCOMPARE(shown("network"), QString("-"));
        QVERIFY(battery("Percentage", 7.0));
        QVERIFY(battery("State", 2u));
        QTRY_COMPARE(shown("battery"), QString("7%"));
        QVERIFY(js("jQuery('#battery').hasClass('low')").toBool());
        QVERIFY(battery("State", 1u));
        QTRY_COMPARE(shown("battery"), QString("\u26a17%"));
        QVERIFY(!js("jQuery('#battery').hasClass('low')").toBool());

        const QString manager = "/org/freedesktop/NetworkManager";
        QVERIFY(bus.runMock({"--template", "networkmanager"}, nm));
        QTRY_COMPARE(shown("network"), QString("Online"));
        QVERIFY(
            setBusProperty(client, nm, manager, nm, "PrimaryConnectionType", "", "AddProperty"));
        QVERIFY(
            setBusProperty(client, nm, manager, nm, "PrimaryConnectionType", "802-11-wireless"));
        QTRY_COMPARE(shown("network"), QString("Wi-Fi"));
        QVERIFY(setBusProperty(client, nm, manager, nm, "State", 20u));
        QTRY_COMPARE(shown("network"), QString("Offline"));

        // A service that leaves takes its indicator with it, and one that
        // comes back brings it back.
        QVERIFY(bus.stopMock(upower));
        QTRY_COMPARE(shown("battery"), QString("-"));
        QCOMPARE(shown("network"), QString("Offline"));
        QVERIFY(bus.stopMock(nm));
        QTRY_COMPARE(shown("network"), QString("-"));
        QVERIFY(bus.runMock({"--template", "networkmanager"}, nm));
        QTRY_COMPARE(shown("network"), QString("Online"));

        // The volume: the sound server's own address, named on the session bus.
        const QString sound = bus.runSoundServer();
        QVERIFY(!sound.isEmpty());
        const QString pulse = "org.PulseAudio1", lookup = "/org/pulseaudio/server_lookup1";
        const QString named = "org.PulseAudio.ServerLookup1";
        QVERIFY(bus.runMock({"--session", pulse, lookup, named}, pulse));
        QVERIFY(setBusProperty(client, pulse, lookup, named, "Address", "", "AddProperty"));
        QCOMPARE(shown("volume"), QString("-"));
        QVERIFY(setBusProperty(client, pulse, lookup, named, "Address", sound));
        QTRY_COMPARE(shown("volume"), QString("Vol 50%"));
        QDBusConnection server = QDBusConnection::connectToPeer(sound, "test sound");
        auto tell = [&](const char *method, const QVariant &value) {
            QDBusMessage call = QDBusMessage::createMethodCall(
                QString(), "/org/pulseaudio/core1/sink0", "org.vantara.Test", method);
            call << value;
            return server.call(call, QDBus::BlockWithGui).type() == QDBusMessage::ReplyMessage;
        };
        QVERIFY(tell("SetVolume", QVariant::fromValue(QList<uint>{16384, 65536})));
        QTRY_COMPARE(shown("volume"), QString("Vol 100%"));
        QVERIFY(tell("SetMute", true));
        QTRY_COMPARE(shown("volume"), QString("Muted"));
        QVERIFY(bus.stopMock(pulse));
        QTRY_COMPARE(shown("volume"), QString("-"));
        QDBusConnection::disconnectFromPeer("test sound");
        delete status;
        QCOMPARE(homeBridge->status(), QVariantMap());
    }

    void searchingTheWeb_data()
    {
        QTest::addColumn<QString>("words");
        QTest::addColumn<QString>("searched"); // empty: no web search is offered
        QTest::addColumn<bool>("browserOpen");
        const QString marks = QString::fromUtf8("He said \"hi\" <b>&amp; 'x' + y = z #1 50% \\");
        QTest::newRow("quotes, markup, query signs") << marks << marks << false;
        const QString foreign =
            QString::fromUtf8("Gr\u00f6\u00dfe \u65e5\u672c \U0001F600 caf\u00e9");
        QTest::newRow("non-ASCII") << foreign << foreign << false;
        QTest::newRow("spaces count once") << "  two   words "
                                           << "two words" << false;
        QTest::newRow("very long")
            << QString(5000, 'a') << QString(WebSearch::maxLength, 'a') << false;
        QTest::newRow("long, a pair stays whole")
            << QString(WebSearch::maxLength - 1, 'a') + QString::fromUtf8("\U0001F600\U0001F600")
            << QString(WebSearch::maxLength - 1, 'a') << false;
        QTest::newRow("only spaces") << "   " << QString() << false;
        QTest::newRow("in the open Browser") << marks << marks << true;
    }

    // The last entry of a search from the home screen opens the Browser at
    // the provider's search for the words, in its page when it is open.
    void searchingTheWeb()
    {
        QFETCH(QString, words);
        QFETCH(QString, searched);
        QFETCH(bool, browserOpen);
        QList<QUrl> opened;
        homeBridge->setBrowserOpener([&opened](const QString &name, const QUrl &address) {
            if (name == QLatin1String("Google"))
                opened << address;
            return true;
        });
        RefusingNetwork network;
        QScopedPointer<QWebPage> page(new QWebPage);
        page->setNetworkAccessManager(&network);
        QScopedPointer<QWidget> browser;
        if (browserOpen) {
            browser.reset(WebKitAppView::make(page.data())->widget());
            OpenApps::mark(browser.data(), QStringLiteral("Google"));
            shell->stack()->addWidget(browser.data());
            // Its page kept running behind the home screen.
            shell->stack()->hide();
        }
        const QString tabs("jQuery('#dockapps a[data-app=Google]').length");
        const int tabsBefore = js(tabs).toInt();
        QTest::keyClick(shell->homeView(), Qt::Key_W);
        QVERIFY(js("jQuery('#search').is(':visible')").toBool());
        js("jQuery('#searchwords').val(" + ScriptCall::quote(words) + ").trigger('input')");
        QCOMPARE(js("jQuery('#found a.web').length").toInt(), searched.isEmpty() ? 0 : 1);
        for (int i = 0; i < 12; ++i)
            QTest::keyClick(shell->homeView(), Qt::Key_Down);
        QTest::keyClick(shell->homeView(), Qt::Key_Return);
        QTest::keyClick(shell->homeView(), Qt::Key_Escape);
        QUrl address;
        if (browserOpen) {
            QVERIFY(opened.isEmpty());
            QCOMPARE(network.asked.size(), 1);
            address = network.asked.first();
            QCOMPARE(js(tabs).toInt(), tabsBefore);
        } else {
            QCOMPARE(opened.size(), searched.isEmpty() ? 0 : 1);
            address = opened.value(0);
            // The Browser's tab, as its dock item makes it.
            QCOMPARE(js(tabs).toInt(), tabsBefore + opened.size());
        }
        if (searched.isEmpty())
            return;
        const QUrl provider(QStringLiteral(VANTARA_WEB_SEARCH));
        QCOMPARE(address.adjusted(QUrl::RemoveQuery), provider);
        const QUrlQuery query(address);
        QCOMPARE(query.queryItems().size(), 1);
        QCOMPARE(query.queryItemValue("q", QUrl::FullyDecoded), searched);
        QVERIFY(!address.hasFragment());
    }
};

QTEST_MAIN(TestHomeScreen)
#include "tst_homescreen.moc"
