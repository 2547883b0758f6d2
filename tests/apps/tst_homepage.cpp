#include "HomePage.h"
#include "TestHttpServer.h"
#include "TestShell.h"
#include "shell/Addresses.h"

#include <cmath>

#include <QApplication>
#include <QColor>
#include <QDir>
#include <QHelpEvent>
#include <QJsonDocument>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <QWebFrame>
#include <QWebView>

namespace
{
QStringList names(int count)
{
    QStringList out;
    for (int i = 1; i <= count; ++i)
        out << QStringLiteral("App %1").arg(i);
    return out;
}

// A computed colour, "rgb(r, g, b)".
QColor cssColour(const QString &css)
{
    const QStringList parts = QString(css).remove(QRegExp("[^0-9,]")).split(QLatin1Char(','));
    return parts.size() == 3 ? QColor(parts[0].toInt(), parts[1].toInt(), parts[2].toInt())
                             : QColor();
}

// Contrast ratio of two computed colours.
double contrastRatio(const QString &a, const QString &b)
{
    auto luminance = [](const QColor &colour) {
        const double channels[] = {colour.redF(), colour.greenF(), colour.blueF()};
        const double weights[] = {0.2126, 0.7152, 0.0722};
        double sum = 0;
        for (int i = 0; i < 3; ++i) {
            const double c = channels[i];
            sum += weights[i] * (c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
        }
        return sum;
    };
    const double x = luminance(cssColour(a)), y = luminance(cssColour(b));
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

// The box around page p's icons, and the tops of the page dots and of the dock
// with its items and pictures.
QString gridBounds(int p)
{
    return QStringLiteral("(function(){ function box(s){ var b = {left: 1e9, top: 1e9, right: -1e9,"
                          " bottom: -1e9}; jQuery(s).each(function(){ var r ="
                          " this.getBoundingClientRect(); b.left = Math.min(b.left, r.left);"
                          " b.top = Math.min(b.top, r.top); b.right = Math.max(b.right, r.right);"
                          " b.bottom = Math.max(b.bottom, r.bottom); }); return b; }"
                          " var b = box('div.item:eq(%1) com a'); b.dots = box('#pagedots').top;"
                          " b.dock = box('.dock, .dock a, .dock .icona, .dock img').top; return b;"
                          " })()")
        .arg(p);
}

const QString hostile = QStringLiteral("<img src=x onerror=myob.closeit()>");
} // namespace

// The home screen page, qrc:/Lumo.html, in a real web view with a recording
// object as myob.
class TestHomePage : public QObject
{
    Q_OBJECT

private:
    QStringList gaq(HomePage &home)
    {
        return home.js(QStringLiteral("jQuery.map(_gaq, function(e){ return [e.join('|')]; })"))
            .toStringList();
    }
    int visible(HomePage &home, const QString &selector)
    {
        return home.js(QStringLiteral("jQuery('%1').filter(':visible').length").arg(selector))
            .toInt();
    }

private slots:
    void loadsItsLibrariesAndStartsEmpty()
    {
        HomePage home;
        QVERIFY(home.load());
        QVERIFY2(home.page->console.isEmpty(), qPrintable(home.page->console.join('\n')));
        QCOMPARE(home.js("document.title").toString(), QStringLiteral("Vantara"));
        QCOMPARE(home.js("jQuery.fn.jquery").toString(), QStringLiteral("1.6.2"));
        QVERIFY(home.js("jQuery.ui.version").toString().startsWith("1.10"));
        QCOMPARE(home.js("document.body.oncontextmenu()").toBool(), false);

        // One empty grid page; controls, taskbar and show-desktop hidden.
        QCOMPARE(home.js("jQuery('#swipe_container div.item').length").toInt(), 1);
        QCOMPARE(home.js("jQuery('#swipe_container div.item com.sortable.connectedSortable "
                         "*').length")
                     .toInt(),
                 0);
        QCOMPARE(visible(home, "#Bprv, #Bnxt, #closeme"), 0);
        QCOMPARE(visible(home, "#qt"), 1);
        QCOMPARE(visible(home, "#classic"), 0);
        QCOMPARE(visible(home, "#RDesktop"), 0);
        QCOMPARE(home.js("one").toInt(), 0);
        QCOMPARE(home.js("pat").toString(), QString());
        QVERIFY(home.js("AppTime").toDouble() > 0);

        // The dock, in order.
        QCOMPARE(home.js("jQuery('.dock a').map(function(){ return jQuery(this).attr('data-name') "
                         "+ '/' + jQuery(this).attr('data-type') + '/' + jQuery(this).text(); })"
                         ".get().join(';')")
                     .toString(),
                 QStringLiteral("Google/undefined/Browser;Mail/sp/Mail;Music.map/st/Music;"
                                "Photos.map/st/Photos"));
        QCOMPARE(home.js("jQuery('.dock a:first').attr('data-url')").toString(),
                 QStringLiteral(VANTARA_DEFAULT_START_PAGE));

        // Every image of the page is in the bundle and decodes.
        QVERIFY(TestUtil::waitFor([&] {
            return home.js("jQuery('img').filter(function(){ return !this.complete; }).length")
                       .toInt() == 0;
        }));
        QCOMPARE(home.js("jQuery('img').filter(function(){ return !this.naturalWidth; })"
                         ".map(function(){ return this.src; }).get().join(' ')")
                     .toString(),
                 QString());
        QCOMPARE(home.js("jQuery('body').css('background-image')").toString(),
                 QStringLiteral("url(qrc:/assets/bg/m10.jpg)"));
    }

    void analyticsQueueWorksButSendsNothing()
    {
        HomePage home;
        QVERIFY(home.load());
        QCOMPARE(gaq(home), QStringList({QStringLiteral("_setAccount|" VANTARA_ANALYTICS_ID),
                                         QStringLiteral("_trackPageview")}));
        // With no analytics host the script is not even asked for.
        QCOMPARE(home.js("jQuery('script[src*=\"ga.js\"]').length").toInt(), 0);
        QTest::qWait(200);
        for (const QUrl &url : home.network->requested)
            QVERIFY2(url.scheme() == QLatin1String("qrc"), qPrintable(url.toString()));
    }

    void analyticsScriptFromAConfiguredHost()
    {
        // What a build that names an analytics host does at page start.
        TestHttpServer server;
        QVERIFY(server.start());
        server.route("/ga.js", "window.gaLoaded = _gaq.length;", "text/javascript");
        HomePage home;
        QVERIFY(home.load());
        const QString host = QStringLiteral("127.0.0.1:%1").arg(server.port());
        home.js(QStringLiteral("loadAnalytics('%1', '')").arg(host));
        QCOMPARE(home.js("document.getElementsByTagName('script')[0].src").toString(),
                 "http://" + host + "/ga.js");
        QVERIFY(home.js("document.getElementsByTagName('script')[0].async").toBool());
        QVERIFY(TestUtil::waitFor([&] { return home.js("window.gaLoaded").toInt() == 2; }));
        QCOMPARE(server.requestCount("/ga.js"), 1);
    }

    void gridPagesHoldWhatFitsTheScreen()
    {
        HomePage home;
        QVERIFY(home.load());
        home.call("sizeitems", {"1280", "800"});
        // At 1280 x 800, eight columns of four rows.
        QCOMPARE(home.js("iconsPerPage()").toInt(), 32);
        home.call("makeapp", {names(32).join(','), "/opt/vantara/Apps"});
        QCOMPARE(home.js("jQuery('#swipe_container div.item').length").toInt(), 1);
        QCOMPARE(home.js("jQuery('#swipe_container li').length").toInt(), 32);
        QCOMPARE(home.js("one").toInt(), 1);
        QCOMPARE(home.js("pat").toString(), QStringLiteral("file:////opt/vantara/Apps"));

        HomePage more;
        QVERIFY(more.load());
        more.call("sizeitems", {"1280", "800"});
        more.call("makeapp", {names(33).join(','), "/opt/vantara/Apps"});
        QCOMPARE(more.js("jQuery('#swipe_container div.item').length").toInt(), 2);
        QCOMPARE(more.js("jQuery('#swipe_container div.item:eq(0) li').length").toInt(), 32);
        QCOMPARE(more.js("jQuery('#swipe_container div.item:eq(1) li').length").toInt(), 1);
        QCOMPARE(more.js("jQuery('#swipe_container div.item:eq(1) p').text()").toString(),
                 QStringLiteral("App 33"));
        // The new page is as large as the first, and the strip holds both side by side.
        QCOMPARE(more.js("jQuery('div.item:eq(1)').width()").toInt(), 1280);
        QCOMPARE(more.js("jQuery('div.item:eq(1)').position().left").toInt(), 1280);
        QCOMPARE(more.js("jQuery('div.item:eq(1)').position().top").toInt(),
                 more.js("jQuery('div.item:eq(0)').position().top").toInt());

        // A second call adds nothing.
        more.call("makeapp", {names(3).join(','), "/elsewhere"});
        QCOMPARE(more.js("jQuery('#swipe_container li').length").toInt(), 33);
        QCOMPARE(more.js("pat").toString(), QStringLiteral("file:////opt/vantara/Apps"));
        QVERIFY(more.page->console.isEmpty());
    }

    void iconsStayClearOfTheDock_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::newRow("1024 x 600") << QSize(1024, 600);
        QTest::newRow("1280 x 800") << QSize(1280, 800);
        QTest::newRow("1920 x 1080") << QSize(1920, 1080);
        QTest::newRow("2560 x 1600") << QSize(2560, 1600);
        // What a page sees of 1920 x 1080 at a scale factor of 2 (the suite also
        // runs this test with QT_SCALE_FACTOR=2).
        QTest::newRow("1920 x 1080 at scale 2") << QSize(960, 540);
    }

    void iconsStayClearOfTheDock()
    {
        QFETCH(QSize, screen);
        HomePage home(screen.width(), screen.height());
        QVERIFY(home.load());
        home.call("sizeitems", {QString::number(screen.width()), QString::number(screen.height())});
        const int perPage = home.js("iconsPerPage()").toInt(),
                  columns = home.js("grid.columns").toInt();
        home.call("makeapp", {names(2 * perPage + 1).join(','), "/opt/vantara/Apps"});
        QCOMPARE(home.js("jQuery('div.item').length").toInt(), 3);
        QCOMPARE(home.js("jQuery('#pagedots span').length").toInt(), 3);
        QCOMPARE(home.js("jQuery('div.item:eq(0) com a').length").toInt(), perPage);
        const QPoint pitch =
            home.centreOf(QStringLiteral("div.item:eq(0) com a:eq(%1)").arg(columns + 1)) -
            home.centreOf("div.item:eq(0) com a:eq(0)");
        // On the home screen and with an app open (the dock lifted over the
        // taskbar), each page's icons lie between the status bar, the screen's
        // sides and the dots over the dock; no further row or column fits.
        for (bool open : {false, true}) {
            if (open) {
                home.click("#pagedots span:eq(0)");
                QVERIFY(home.settle());
                home.click("div.item:eq(0) com a:eq(0)");
            }
            for (int p = 0; p < 3; ++p) {
                home.click(QStringLiteral("#pagedots span:eq(%1)").arg(p));
                QVERIFY(home.settle());
                QCOMPARE(home.js("jQuery('#pagedots span.current').index()").toInt(), p);
                QCOMPARE(home.js("jQuery('#swipe_container').position().left").toInt(),
                         -p * screen.width());
                const QVariantMap b = home.js(gridBounds(p)).toMap();
                const QString at = QStringLiteral("page %1, app open %2: %3 %4 %5 %6 %7")
                                       .arg(p)
                                       .arg(open)
                                       .arg(b["top"].toInt())
                                       .arg(b["right"].toInt())
                                       .arg(b["bottom"].toInt())
                                       .arg(b["dots"].toInt())
                                       .arg(b["dock"].toInt());
                QVERIFY2(b["top"].toDouble() >= 20 && b["left"].toDouble() >= 0 &&
                             b["right"].toDouble() <= screen.width() &&
                             b["bottom"].toDouble() <= b["dots"].toDouble() &&
                             b["dots"].toDouble() + 20 <= b["dock"].toDouble(),
                         qPrintable(at));
                if (p == 0)
                    QVERIFY2(b["left"].toInt() < pitch.x() &&
                                 screen.width() - b["right"].toInt() < pitch.x() &&
                                 (!open || b["dots"].toInt() - b["bottom"].toInt() < pitch.y()),
                             qPrintable(at));
            }
        }
        QCOMPARE(home.recorder.calls, QStringList({"on_pushButton_clicked(App 1,App 1)"}));
    }

    void gridIconMarkup()
    {
        HomePage home;
        QVERIFY(home.load());
        home.call("makeapp", {"Zed,My App,C#", "C:/Program Files/Vantara/Apps"});
        QCOMPARE(home.js("jQuery('#swipe_container a').map(function(){ var a = jQuery(this); "
                         "return [a.attr('href'), a.attr('data-url'), a.attr('data-name'), "
                         "a.children().length, a.find('span.icona > img.imgicon + cast').length, "
                         "a.find('p').text()].join('|'); }).get().join(';')")
                     .toString(),
                 QStringLiteral("#|Zed|Zed|2|1|Zed;#|My App|My App|2|1|My App;#|C#|C#|2|1|C#"));
        QCOMPARE(home.js("jQuery('#swipe_container li > a').length").toInt(), 3);
        QCOMPARE(home.js("jQuery('.imgicon:eq(1)').attr('src')").toString(),
                 QStringLiteral("file:///C:/Program%20Files/Vantara/Apps/My%20App/icon.png"));
        // "#" belongs to the name, not to a fragment of the address.
        QCOMPARE(home.js("jQuery('.imgicon:eq(2)').attr('src')").toString(),
                 QStringLiteral("file:///C:/Program%20Files/Vantara/Apps/C%23/icon.png"));
    }

    void aFolderWithoutIconShowsItsInitial()
    {
        QTemporaryDir apps;
        QVERIFY(TestUtil::writeFile(apps.path() + "/Drawn/icon.png",
                                    TestUtil::readFile(":/assets/ios7/mail.png")));
        QVERIFY(QDir(apps.path()).mkpath("bare app"));
        QVERIFY(QDir(apps.path()).mkpath("_9lives"));
        HomePage home;
        QVERIFY(home.load());
        home.call("makeapp", {"Drawn,bare app,_9lives", apps.path()});
        QVERIFY(TestUtil::waitFor(
            [&] { return home.js("jQuery('.icona.noicon').length").toInt() == 2; }));
        QTest::qWait(200);
        QCOMPARE(home.js("jQuery('.icona.noicon').map(function(){ return "
                         "jQuery(this).attr('data-initial'); }).get().join(',')")
                     .toString(),
                 QStringLiteral("B,9"));
        QCOMPARE(home.js("jQuery('.icona:eq(0)').hasClass('noicon')").toBool(), false);
        QCOMPARE(home.js("getComputedStyle(jQuery('.icona.noicon img')[0]).visibility").toString(),
                 QStringLiteral("hidden"));
    }

    void emptyListingLeavesTheGridEmpty()
    {
        HomePage home;
        QVERIFY(home.load());
        home.call("makeapp", {"", "/opt/vantara/Apps"});
        QCOMPARE(home.js("jQuery('#swipe_container li').length").toInt(), 0);
        QCOMPARE(home.js("one").toInt(), 1);
        // Sorting is set up all the same: the dock can still be rearranged.
        QVERIFY(home.js("!!jQuery('.dock ul').data('ui-sortable')").toBool());
    }

    void namesAndLinksStayText()
    {
        HomePage home;
        QVERIFY(home.load());
        home.call("makeapp", {hostile + ",<b>bold</b>", "/opt/vantara/Apps"});
        home.call("createwebapp",
                  {"x\" onerror=\"myob.closeit()", hostile, "javascript:myob.closeit()"});
        home.call("createTab", {hostile});
        home.call("nameTab", {"<i>x</i>"});
        home.click("#swipe_container li:eq(1) a");
        QTest::qWait(100);
        QCOMPARE(home.js("jQuery('#swipe_container p:eq(0)').text()").toString(), hostile);
        QCOMPARE(home.js("jQuery('#swipe_container p:eq(1)').text()").toString(),
                 QStringLiteral("<b>bold</b>"));
        QCOMPARE(home.js("jQuery('#swipe_container p:eq(2)').text()").toString(), hostile);
        QCOMPARE(home.js("jQuery('#swipe_container a:eq(2)').attr('data-url')").toString(),
                 QStringLiteral("javascript:myob.closeit()"));
        QCOMPARE(home.js("jQuery('#dockapps span:last').text()").toString(),
                 QStringLiteral("<b>bold</b>"));
        QCOMPARE(home.js("jQuery('#swipe_container b, #swipe_container i, #dockapps b, "
                         "#dockapps i, img[src=x]').length")
                     .toInt(),
                 0);
        QCOMPARE(home.js("jQuery('img[onerror], span[onerror]').length").toInt(), 0);
        QVERIFY(!home.recorder.calls.contains("closeit()"));
        QCOMPARE(home.recorder.calls,
                 QStringList({"on_pushButton_clicked(<b>bold</b>,<b>bold</b>)"}));
    }

    void openingApps()
    {
        HomePage home;
        QVERIFY(home.load());
        home.call("makeapp", {"Calculator,Notes", "/opt/vantara/Apps"});
        home.click("#swipe_container li:eq(1) a");
        QCOMPARE(home.recorder.calls, QStringList({"on_pushButton_clicked(Notes,Notes)"}));
        QCOMPARE(home.js("jQuery('#dockapps a').length").toInt(), 1);
        QCOMPARE(home.js("jQuery('#dockapps a.myButton.select').text()").toString(),
                 QStringLiteral("Notes"));
        QCOMPARE(home.js("jQuery('#dockapps a img').attr('width')").toString(),
                 QStringLiteral("20"));
        QCOMPARE(visible(home, "#classic"), 1);
        QCOMPARE(visible(home, "#RDesktop"), 1);
        QCOMPARE(visible(home, "#Bprv, #Bnxt, #closeme"), 3);
        QCOMPARE(home.js("jQuery('.dock').css('bottom')").toString(), QStringLiteral("40px"));
        QVERIFY(home.js("TApp[0] >= AppTime").toBool());
        QVERIFY(home.js("jQuery('#topi')[0].style.backgroundColor").toString().startsWith("rgb"));

        // The dock: Browser has no type, Mail goes to the mail panel only.
        home.recorder.calls.clear();
        home.click(".dock li:eq(0) a");
        home.click(".dock li:eq(1) a");
        home.click(".dock li:eq(2) a");
        home.click(".dock li:eq(3) a");
        QCOMPARE(
            home.recorder.calls,
            QStringList({"on_pushButton_clicked(Google," VANTARA_DEFAULT_START_PAGE ")",
                         "on_testputon_clicked()", "on_pushButton_clicked(Music.map,Music.map)",
                         "on_pushButton_clicked(Photos.map,Photos.map)"}));
        QCOMPARE(home.js("jQuery('#dockapps a').map(function(){ return jQuery(this).text(); })"
                         ".get().join(',')")
                     .toString(),
                 QStringLiteral("Notes,Browser,Mail,Music,Photos"));
        QCOMPARE(home.js("jQuery('#dockapps a.select').length").toInt(), 1);
        QCOMPARE(home.js("jQuery('#dockapps a:last').hasClass('select')").toBool(), true);
        QCOMPARE(home.js("TApp.length").toInt(), 5);

        // The taskbar's own buttons.
        home.recorder.calls.clear();
        home.click("#RBrowser");
        home.click("#Rmail");
        home.click("#Rmusic");
        QCOMPARE(
            home.recorder.calls,
            QStringList({"on_pushButton_clicked(Google," VANTARA_DEFAULT_START_PAGE ")",
                         "on_testputon_clicked()", "on_pushButton_clicked(Music.map,Music.map)"}));
        QCOMPARE(home.js("jQuery('#dockapps a').length").toInt(), 8);
    }

    void manyOpenAppsStayTellableApart()
    {
        HomePage home;
        QVERIFY(home.load());
        home.call("sizeitems", {"1280", "800"});
        const QStringList apps{"Settings", "Spotify",  "Documents", "Downloads", "Dictionary",
                               "Maps",     "Mail2",    "Music2",    "Notes",     "News",
                               "Photos2",  "Podcasts", "Calendar",  "Camera",    "Clock",
                               "Weather",  "Wallet"};
        home.call("makeapp", {apps.join(','), "/opt/vantara/Apps"});
        auto tabs = [&home](const QString &what) {
            return home
                .js("jQuery('#dockapps a').map(function(){ return " + what + "; }).get().join()")
                .toString();
        };
        const QString text = QStringLiteral("jQuery(this).find('span').is(':visible') ? 'T' : '-'");
        for (int i = 0; i < apps.size(); ++i) {
            home.click(QStringLiteral("#swipe_container a:eq(%1)").arg(i));
            // A few tabs show their names.
            if (i == 2)
                QCOMPARE(tabs(text), QStringLiteral("T,T,T"));
        }
        // Seventeen keep their pictures, here the initial as no icon loads, and
        // drop their text; each names its app in full when hovered or held.
        QVERIFY(TestUtil::waitFor([&] { return tabs("this.className").count("noicon") == 17; }));
        QCOMPARE(tabs(text), QStringList(QVector<QString>(17, "-").toList()).join(','));
        QCOMPARE(tabs("getComputedStyle(this, ':before').width"),
                 QStringList(QVector<QString>(17, "20px").toList()).join(','));
        QCOMPARE(tabs("jQuery(this).attr('data-initial')").remove(','),
                 QStringLiteral("SSDDDMMMNNPPCCCWW"));
        QCOMPARE(tabs("jQuery(this).attr('title')"), apps.join(','));
        // A picture shows once the app gives one; a page's title takes the tab's name.
        home.call("addicon", {"qrc:/assets/ios7/mail.png"});
        QVERIFY(TestUtil::waitFor(
            [&] { return !home.js("jQuery('#dockapps a:last').hasClass('noicon')").toBool(); }));
        home.call("nameTab", {"Cash & cards"});
        QCOMPARE(home.js("jQuery('#dockapps a:last').attr('title')").toString(),
                 QString::fromUtf8("Wallet \u2013 Cash & cards"));

        home.js("jQuery('#dockapps')[0].scrollLeft = 0");
        const QPoint second = home.centreOf("#dockapps a:eq(1)");
        QMouseEvent move(QEvent::MouseMove, second, home.view->mapToGlobal(second), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(home.view, &move);
        QHelpEvent hover(QEvent::ToolTip, second, home.view->mapToGlobal(second));
        QApplication::sendEvent(home.view, &hover);
        QTRY_COMPARE(QToolTip::text(), QStringLiteral("<p>Spotify</p>"));
        home.recorder.calls.clear();
        QTest::mousePress(home.view, Qt::LeftButton, Qt::NoModifier, second);
        QTRY_COMPARE(home.js("jQuery('#tabtip:visible').text()").toString(),
                     QStringLiteral("Spotify"));
        QTest::mouseRelease(home.view, Qt::LeftButton, Qt::NoModifier, second);
        QVERIFY(!home.js("jQuery('#tabtip').is(':visible')").toBool());
        home.click("#dockapps a:eq(1)"); // a tap, not a hold, switches
        QCOMPARE(home.recorder.calls, QStringList({"appswitch(1)"}));

        // Open apps' icons carry a mark; a closed app's loses it.
        const QString marked =
            QStringLiteral("jQuery('#swipe_container a, .dock a').filter(function(){ return "
                           "getComputedStyle(this, ':after').width == '8px'; }).length");
        QCOMPARE(home.js(marked).toInt(), 17);
        home.click("#closeme");
        QCOMPARE(home.js(marked).toInt(), 16);
        QVERIFY(!home.js("jQuery('a[data-name=Spotify]').hasClass('running')").toBool());
        home.js("goHome()");
        home.click(".dock a[data-name='Music.map']");
        QCOMPARE(home.js(marked).toInt(), 17);
    }

    void aDockItemMovedIntoTheGridKeepsItsKind()
    {
        HomePage home;
        QVERIFY(home.load());
        home.call("makeapp", {"Notes", "/opt/vantara/Apps"});
        home.js("jQuery('.dock li:eq(1)').appendTo('#swipe_container com:first')");
        home.click("#swipe_container li:eq(1) a");
        QCOMPARE(home.recorder.calls, QStringList({"on_testputon_clicked()"}));
    }

    void switchingAndClosingTabs()
    {
        HomePage home;
        QVERIFY(home.load());
        home.call("makeapp", {"A,B,C", "/opt/vantara/Apps"});
        for (int i = 0; i < 3; ++i)
            home.click(QStringLiteral("#swipe_container li:eq(%1) a").arg(i));
        home.recorder.calls.clear();

        home.click("#dockapps a:eq(0)");
        QCOMPARE(home.recorder.calls, QStringList({"appswitch(0)"}));
        QCOMPARE(home.js("jQuery('#dockapps a.select').text()").toString(), QStringLiteral("A"));
        QCOMPARE(home.js("selected === jQuery('#dockapps a')[0]").toBool(), true);

        // nameTab renames the selected tab only; addicon sets the last tab's image.
        home.call("nameTab", {"Alpha"});
        QCOMPARE(home.js("jQuery('#dockapps a').text()").toString(), QStringLiteral("AlphaBC"));
        QCOMPARE(gaq(home).last(), QStringLiteral("_trackEvent|WebApps|Alpha"));
        const QString png =
            QStringLiteral("data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAAAEAAAAB"
                           "CAYAAAAfFcSJAAAADUlEQVR42mP8z8BQDwAEhQGAhKmMIQAAAABJRU5ErkJggg==");
        home.call("addicon", {png});
        QCOMPARE(home.js("jQuery('#dockapps a:eq(2) img').attr('src')").toString(), png);
        QCOMPARE(home.js("jQuery('#dockapps a:eq(0) img').attr('src')").toString(), QString());
        home.call("addicon", {"data:image/png;base64,"});
        QCOMPARE(home.js("jQuery('#dockapps a:eq(2) img').attr('src')").toString(), png);

        // Closing removes the selected tab, reports its time, then selects the last.
        const int before = gaq(home).size();
        home.click("#closeme");
        QCOMPARE(home.recorder.calls, QStringList({"appswitch(0)", "closeapp()"}));
        QCOMPARE(home.js("jQuery('#dockapps a').text()").toString(), QStringLiteral("BC"));
        QCOMPARE(home.js("jQuery('#dockapps a.select').text()").toString(), QStringLiteral("C"));
        const QStringList entries = gaq(home).mid(before);
        QCOMPARE(entries, QStringList({"_setAccount|" VANTARA_ANALYTICS_USAGE_ID,
                                       "_trackPageview|X|Alpha - 0"}));
        QCOMPARE(visible(home, "#Bprv, #Bnxt, #closeme"), 3);

        home.click("#closeme");
        home.click("#closeme");
        QCOMPARE(home.js("jQuery('#dockapps a').length").toInt(), 0);
        QCOMPARE(visible(home, "#Bprv, #Bnxt, #closeme"), 0);
        QCOMPARE(visible(home, "#classic"), 1);

        // With nothing selected a close removes nothing and still tells the shell.
        home.call("createTab", {"New..."});
        home.js("jQuery('#dockapps a').removeClass('select')");
        home.recorder.calls.clear();
        home.js("jQuery('#closeme').click()");
        QCOMPARE(home.recorder.calls, QStringList({"closeapp()"}));
        QCOMPARE(home.js("jQuery('#dockapps a').length").toInt(), 1);
    }

    void createTabSelectsTheNewTabOnly()
    {
        HomePage home;
        QVERIFY(home.load());
        home.call("makeapp", {"A", "/opt/vantara/Apps"});
        home.click("#swipe_container li:eq(0) a");
        home.recorder.calls.clear();
        home.call("createTab", {"New..."});
        QCOMPARE(home.js("jQuery('#dockapps a').length").toInt(), 2);
        QCOMPARE(home.js("jQuery('#dockapps a.select').text()").toString(),
                 QStringLiteral("New..."));
        QCOMPARE(home.recorder.calls, QStringList());
    }

    void statusBarAndTaskbarControls()
    {
        HomePage home;
        QVERIFY(home.load());
        home.call("makeapp", {"A", "/opt/vantara/Apps"});
        home.click("#swipe_container li:eq(0) a");
        home.recorder.calls.clear();

        home.click("#Bprv");
        home.click("#Bnxt");
        QCOMPARE(home.recorder.calls, QStringList({"webhistory(back)", "webhistory(next)"}));

        home.recorder.calls.clear();
        home.click("#start");
        QCOMPARE(home.recorder.calls, QStringList({"homescreen()"}));
        QCOMPARE(visible(home, "#Bprv, #Bnxt, #closeme"), 0);
        QCOMPARE(home.js("jQuery('#topi')[0].style.backgroundImage").toString(),
                 QStringLiteral("none"));

        home.click("#dockapps a:eq(0)");
        home.recorder.calls.clear();
        home.click("#RDesktop");
        // The overview goes through the shell's own second object
        // (tst_stackslots): the app stays in front.
        QCOMPARE(home.recorder.calls, QStringList());
        QCOMPARE(visible(home, "#Bprv, #Bnxt, #closeme"), 3);

        // Dragging these controls is refused.
        QCOMPARE(home.js("jQuery.map(['#RDesktop','#qt','#closeme','#Bprv','#Bnxt'], "
                         "function(s){ var e = document.createEvent('Event');"
                         " e.initEvent('dragstart', true, true);"
                         " return [jQuery(s)[0].dispatchEvent(e)]; }).join()")
                     .toString(),
                 QStringLiteral("false,false,false,false,false"));

        home.recorder.calls.clear();
        home.js("AppTime -= 5000");
        home.click("#qt");
        QCOMPARE(home.recorder.calls, QStringList({"closeit()"}));
        QCOMPARE(
            gaq(home).mid(gaq(home).size() - 2),
            QStringList({"_setAccount|" VANTARA_ANALYTICS_ID, "_trackPageview|X Vantara - 5"}));
    }

    void pageFunctions()
    {
        HomePage home;
        QVERIFY(home.load());
        home.call("makeapp", {names(30).join(','), "/opt/vantara/Apps"});
        home.call("sizeitems", {"1024", "700"});
        QCOMPARE(home.js("jQuery('div.item').map(function(){ return this.style.width + 'x' + "
                         "this.style.height; }).get().join()")
                     .toString(),
                 QStringLiteral("1024pxx700px,1024pxx700px"));
        QCOMPARE(home.js("jQuery('#container')[0].style.height").toString(),
                 QStringLiteral("640px"));

        // createwebapp: on the last page, no li and no img, the icon as background.
        home.call("createwebapp",
                  {"file:///tmp/my (icon).png", "Web", "https://example.org/?a=1&b=2"});
        // The smaller screen's pages hold fewer icons: the first page's last ones
        // moved on to the second.
        const int perPage = home.js("iconsPerPage()").toInt();
        QVERIFY(perPage < 30);
        QCOMPARE(home.js("jQuery('div.item:eq(0) com').children().length").toInt(), perPage);
        QCOMPARE(home.js("jQuery('div.item:last com').children().length").toInt(),
                 30 - perPage + 1);
        QCOMPARE(home.js("var a = jQuery('div.item:last com > a:last'); [a.attr('href'), "
                         "a.attr('data-url'), a.attr('data-name'), a.find('img').length, "
                         "a.find('span.icona > cast').length, a.find('p').text()].join('|')")
                     .toString(),
                 QStringLiteral("#|https://example.org/?a=1&b=2|Web|0|1|Web"));
        QCOMPARE(home.js("jQuery('div.item:last .icona:last')[0].style.backgroundImage").toString(),
                 QStringLiteral("url('file:///tmp/my%20(icon).png')"));
        home.click("div.item:eq(1) com > a:last");
        QCOMPARE(home.recorder.calls, QStringList());

        // ChangeWall: blanks, quotes and parentheses reach the address; nothing
        // else of the style changes.
        const QList<QPair<QString, QString>> walls = {
            {QStringLiteral("file:///C:/My Pictures/it's (1).jpg"),
             QStringLiteral("url('file:///C:/My%20Pictures/it\\'s%20(1).jpg')")},
            {QStringLiteral("x); background-color: red; (\""),
             QStringLiteral("url('qrc:/x);%20background-color:%20red;%20(%22')")}};
        for (const auto &wall : walls) {
            home.call("ChangeWall", {wall.first});
            QCOMPARE(home.js("document.body.style.backgroundImage").toString(), wall.second);
            QCOMPARE(home.js("jQuery('body').css('background-color')").toString(),
                     QStringLiteral("rgba(0, 0, 0, 0)"));
            QCOMPARE(home.js("jQuery('body').css('background-size')").toString(),
                     QStringLiteral("cover"));
        }
        home.call("ChangeWall", {"qrc:/assets/ios7/photos.png"});
        QCOMPARE(home.js("document.body.style.backgroundImage").toString(),
                 QStringLiteral("url(qrc:/assets/ios7/photos.png)"));

        // showDefaultWall: the shell's copy of the page's own picture, again
        // when the screen changes; a chosen wallpaper stays over it.
        const QString shown = "getComputedStyle(document.body).backgroundImage";
        home.call("showDefaultWall", {"qrc:/assets/ios7/music.png"});
        home.call("showDefaultWall", {"qrc:/assets/ios7/mail.png\" x"});
        QCOMPARE(home.js("document.querySelectorAll('style#defaultWall').length").toInt(), 1);
        QCOMPARE(home.js(shown).toString(), QStringLiteral("url(qrc:/assets/ios7/photos.png)"));
        home.js("document.body.style.background = ''");
        QCOMPARE(home.js(shown).toString(),
                 QStringLiteral("url(qrc:/assets/ios7/mail.png%22%20x)"));
        QVERIFY(home.page->console.isEmpty());
    }

    void colorsAndControls()
    {
        HomePage home;
        QVERIFY(home.load());
        for (int i = 0; i < 50; ++i)
            QVERIFY(QRegExp("#[0-9A-F]{6}").exactMatch(home.js("colors()").toString()));
        // The status bar keeps its random colour, and its text always reads.
        const QStringList fixed = {"#FFFFFF", "#000000", "#FFFF00", "#777777",
                                   "#0000FF", "#00FF00", "#767676", "#FF0000"};
        for (int i = 0; i < 200; ++i) {
            const QString colour = i < fixed.size() ? fixed[i] : home.js("colors()").toString();
            home.js("paintBar('" + colour + "')");
            const QString background =
                home.js("getComputedStyle(jQuery('#topi')[0]).backgroundColor").toString();
            const QString text = home.js("getComputedStyle(jQuery('#clock')[0]).color").toString();
            QCOMPARE(cssColour(background), QColor(colour));
            QVERIFY2(contrastRatio(background, text) >= 4.5, qPrintable(colour + " " + text));
        }
        home.js("stbar()");
        QVERIFY(contrastRatio(
                    home.js("getComputedStyle(jQuery('#topi')[0]).backgroundColor").toString(),
                    home.js("getComputedStyle(jQuery('#clock')[0]).color").toString()) >= 4.5);
        home.js("ctrl(true)");
        QCOMPARE(visible(home, "#Bprv, #Bnxt, #closeme"), 3);
        home.js("ctrl()");
        QCOMPARE(visible(home, "#Bprv, #Bnxt, #closeme"), 0);
        home.js("ctrl()");
        QCOMPARE(visible(home, "#Bprv, #Bnxt, #closeme"), 3);
        home.js("ctrl(false)");
        QCOMPARE(visible(home, "#Bprv, #Bnxt, #closeme"), 0);
    }

    void pagingByDragAndByKey()
    {
        HomePage home;
        QVERIFY(home.load());
        home.call("sizeitems", {"1280", "800"});
        home.call("makeapp", {names(70).join(','), "/opt/vantara/Apps"});
        QCOMPARE(home.js("jQuery('div.item').length").toInt(), 3);
        const QString left = QStringLiteral("jQuery('#swipe_container').position().left");

        // A short drag towards later pages turns one page; the dots follow.
        const QPoint empty(1200, 650);
        home.drag(empty, empty - QPoint(300, 0));
        QVERIFY(home.settle());
        QCOMPARE(home.js(left).toInt(), -1280);
        QCOMPARE(home.js("jQuery('#pagedots span.current').index()").toInt(), 1);
        home.drag(empty, empty - QPoint(200, 0));
        QVERIFY(home.settle());
        QCOMPARE(home.js(left).toInt(), -2560);
        // On the last page it springs back.
        home.drag(empty, empty - QPoint(200, 0));
        QVERIFY(home.settle());
        QCOMPARE(home.js(left).toInt(), -2560);

        // Back by drag, twice.
        home.drag(QPoint(100, 650), QPoint(400, 650));
        QVERIFY(home.settle());
        QCOMPARE(home.js(left).toInt(), -1280);
        home.drag(QPoint(100, 650), QPoint(400, 650));
        QVERIFY(home.settle());
        QCOMPARE(home.js(left).toInt(), 0);
        // At the first page a drag towards earlier pages springs back.
        home.drag(QPoint(100, 650), QPoint(400, 650));
        QVERIFY(home.settle());
        QCOMPARE(home.js(left).toInt(), 0);

        home.drag(empty, empty - QPoint(300, 0));
        QVERIFY(home.settle());
        QCOMPARE(home.js(left).toInt(), -1280);
        home.drag(empty, empty - QPoint(300, 0));
        QVERIFY(home.settle());
        QCOMPARE(home.js(left).toInt(), -2560);

        // A new size keeps the page in view, and the ring pages by its width.
        home.call("sizeitems", {"1000", "700"});
        QCOMPARE(home.js(left).toInt(), -2000);
        QTest::keyClick(home.view, Qt::Key_Left); // shows the ring on the first icon
        QTest::keyClick(home.view, Qt::Key_Left);
        QVERIFY(home.settle());
        QCOMPARE(home.js(left).toInt(), -1000);

        // A drag did not open anything.
        QCOMPARE(home.recorder.calls, QStringList());
    }

    void arrowKeysMoveARingAndReturnOpensOnce()
    {
        HomePage home;
        QVERIFY(home.load());
        home.call("sizeitems", {"1280", "800"});
        home.call("makeapp", {names(60).join(','), "/opt/vantara/Apps"});
        const QString left = QStringLiteral("jQuery('#swipe_container').position().left");
        const QString ringed = QStringLiteral("jQuery('a.keyfocus').attr('data-name')");
        auto key = [&home](Qt::Key k, int times = 1) {
            for (int i = 0; i < times; ++i)
                QTest::keyClick(home.view, k);
        };
        // Icons in a row, as the page lays them out.
        const int columns = home.js("var a = jQuery('div.item:eq(0) com a'); a.filter(function()"
                                    "{ return this.offsetTop == a[0].offsetTop; }).length")
                                .toInt();
        QVERIFY(columns > 1 && columns < 28);

        QCOMPARE(home.js("jQuery('a.keyfocus').length").toInt(), 0);
        key(Qt::Key_Right); // the first arrow shows the ring where the user looks
        QCOMPARE(home.js(ringed).toString(), QStringLiteral("App 1"));
        key(Qt::Key_Right);
        key(Qt::Key_Down);
        QCOMPARE(home.js(ringed).toString(), QStringLiteral("App %1").arg(2 + columns));
        key(Qt::Key_Up);
        key(Qt::Key_Left, 3); // stops at the first icon
        QCOMPARE(home.js(ringed).toString(), QStringLiteral("App 1"));
        QCOMPARE(home.js("jQuery('a.keyfocus').length").toInt(), 1);
        // Clearly visible: a white outline and a blue and white glow.
        QTRY_COMPARE(home.js("jQuery('a.keyfocus .icona').css('outline-width')").toString(),
                     QStringLiteral("3px"));
        QTRY_VERIFY(home.js("jQuery('a.keyfocus .icona').css('box-shadow')")
                        .toString()
                        .startsWith("rgb(6, 136, 250) 0px 0px 0px 7px"));

        // Past the last icon of a page to the next page, and back.
        key(Qt::Key_Right, 32);
        QVERIFY(home.settle());
        QCOMPARE(home.js(ringed).toString(), QStringLiteral("App 33"));
        QCOMPARE(home.js(left).toInt(), -1280);
        key(Qt::Key_Left);
        QVERIFY(home.settle());
        QCOMPARE(home.js(ringed).toString(), QStringLiteral("App 32"));
        QCOMPARE(home.js(left).toInt(), 0);

        // A drag to another page: the next arrow starts on the page in view.
        const QPoint empty(1200, 650);
        home.drag(empty, empty - QPoint(300, 0));
        QVERIFY(home.settle());
        key(Qt::Key_Down);
        QCOMPARE(home.js(ringed).toString(), QStringLiteral("App 33"));

        // Down from the last row to the dock, along it, and up again.
        key(Qt::Key_Down, 10);
        QVERIFY(home.js("jQuery('a.keyfocus').closest('.dock').length").toInt() == 1);
        key(Qt::Key_Left, 5);
        QCOMPARE(home.js(ringed).toString(), QStringLiteral("Google"));
        key(Qt::Key_Right, 2);
        QCOMPARE(home.js(ringed).toString(), QStringLiteral("Music.map"));
        key(Qt::Key_Down);
        QCOMPARE(home.js(ringed).toString(), QStringLiteral("Music.map"));
        QCOMPARE(home.recorder.calls, QStringList());

        // Return opens the app once, however long it is held.
        QTest::keyPress(home.view, Qt::Key_Return);
        QTest::keyPress(home.view, Qt::Key_Return);
        QTest::keyRelease(home.view, Qt::Key_Return);
        QCOMPARE(home.recorder.calls, QStringList({"on_pushButton_clicked(Music.map,Music.map)"}));
        key(Qt::Key_Up);
        QVERIFY(home.js("jQuery('a.keyfocus').closest('div.item').length").toInt() == 1);
        key(Qt::Key_Return);
        QCOMPARE(home.recorder.calls.size(), 2);
        QCOMPARE(home.recorder.calls.last(), "on_pushButton_clicked(" + home.js(ringed).toString() +
                                                 "," + home.js(ringed).toString() + ")");
    }

    // Typing on the home screen searches the apps of every page by name; the
    // arrows and Return go to the results while the search is open, to the
    // ring while not.
    void typingSearchesTheApps()
    {
        HomePage home;
        QVERIFY(home.load());
        home.call("sizeitems", {"1280", "800"});
        home.call("makeapp", {names(100).join(','), "/opt/vantara/Apps"});
        const QString hits(
            "jQuery('#found a').map(function(){ return jQuery(this).text(); }).get()");
        const QString open("jQuery('#search').is(':visible')");
        // Far pages are not made yet; their apps are found all the same.
        QCOMPARE(home.js("jQuery('a[data-name=\"App 95\"]').length").toInt(), 0);
        QTest::keyClicks(home.view, "app 9");
        QVERIFY(home.js(open).toBool());
        QStringList found{"App 9"};
        for (int i = 90; i <= 99; ++i)
            found << QStringLiteral("App %1").arg(i);
        QCOMPARE(home.js(hits).toStringList(),
                 found + QStringList{QString::fromUtf8("Search the web for \u201capp 9\u201d")});
        QTest::keyClick(home.view, Qt::Key_Down);
        QTest::keyClick(home.view, Qt::Key_Down);
        QTest::keyClick(home.view, Qt::Key_Up);
        QCOMPARE(home.js("jQuery('#found a.picked').text()").toString(), QStringLiteral("App 90"));
        QTest::keyPress(home.view, Qt::Key_Return);
        QTest::keyPress(home.view, Qt::Key_Return);
        QTest::keyRelease(home.view, Qt::Key_Return);
        QCOMPARE(home.recorder.calls, QStringList({"on_pushButton_clicked(App 90,App 90)"}));
        QVERIFY(!home.js(open).toBool());

        // Inside names too, those that start with the words first; Escape
        // leaves without opening anything.
        QTest::keyClicks(home.view, "0");
        QCOMPARE(home.js(hits).toStringList().mid(0, 3),
                 QStringList({"App 10", "App 20", "App 30"}));
        QTest::keyClicks(home.view, "zz");
        QCOMPARE(home.js(hits).toStringList(),
                 QStringList{QString::fromUtf8("Search the web for \u201c0zz\u201d")});
        QTest::keyClick(home.view, Qt::Key_Escape);
        QVERIFY(!home.js(open).toBool());
        QCOMPARE(home.recorder.calls.size(), 1);

        // No search: the first arrow shows the ring, Return opens its app.
        QTest::keyClick(home.view, Qt::Key_Right);
        QVERIFY(!home.js(open).toBool());
        QCOMPARE(home.js("jQuery('a.keyfocus').attr('data-name')").toString(),
                 QStringLiteral("App 1"));
        QTest::keyPress(home.view, Qt::Key_Return);
        QCOMPARE(home.recorder.calls.last(), QStringLiteral("on_pushButton_clicked(App 1,App 1)"));
        // That Return is let go in the app; back home, the next one opens again.
        home.call("goHome", {});
        QTest::keyClicks(home.view, "app 2");
        QTest::keyClick(home.view, Qt::Key_Return);
        QCOMPARE(home.recorder.calls.last(), QStringLiteral("on_pushButton_clicked(App 2,App 2)"));

        // A swipe down over the status bar opens it empty; a tap beside it closes it.
        home.drag(QPoint(400, 12), QPoint(400, 300));
        QVERIFY(home.js(open).toBool());
        QCOMPARE(home.js("jQuery('#searchwords').val()").toString(), QString());
        home.drag(QPoint(700, 12), QPoint(700, 12));
        QVERIFY(!home.js(open).toBool());
    }

    void farPagesAreMadeWhenTheyComeNear()
    {
        HomePage home;
        QVERIFY(home.load());
        home.call("sizeitems", {"1280", "800"});
        home.call("makeapp", {names(100).join(','), "/opt/vantara/Apps"});
        const QString icons = QStringLiteral("jQuery('#swipe_container li').length");
        const QString sortables = QStringLiteral(
            "jQuery('.sortable').filter(function(){ return !!jQuery(this).data('ui-sortable'); })"
            ".length");
        QCOMPARE(home.js("jQuery('div.item').length").toInt(), 4);
        QCOMPARE(home.js("jQuery('#swipe_container').width()").toInt(), 4 * 1280);
        QCOMPARE(home.js(icons).toInt(), 64);
        QCOMPARE(home.js(sortables).toInt(), 3); // two pages and the dock

        const QPoint empty(1200, 650);
        home.drag(empty, empty - QPoint(300, 0));
        QCOMPARE(home.js(icons).toInt(), 96);
        QCOMPARE(home.js(sortables).toInt(), 4);
        QVERIFY(home.settle());

        // A web app installed meanwhile lands after the listed apps of the last page.
        home.call("createwebapp", {"qrc:/assets/ios7/mail.png", "Late", "https://example.org/"});
        QCOMPARE(home.js(icons).toInt(), 100);
        QCOMPARE(home.js("jQuery('div.item:last p').map(function(){ return jQuery(this).text(); "
                         "}).get().join()")
                     .toString(),
                 (names(100).mid(96) << "Late").join(','));
        QCOMPARE(home.js("jQuery('div.item:last p:first').text()").toString(),
                 QStringLiteral("App 97"));
        QCOMPARE(home.js("jQuery('div.item:eq(3) .imgicon:first').attr('src')").toString(),
                 QStringLiteral("file:///opt/vantara/Apps/App%2097/icon.png"));
    }

    void anIconLandsWhereItIsDropped_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<QString>("list");
        QTest::addColumn<int>("to");
        // Twelve icons, a row of eight and four below, the last an installed
        // web app's (no list item of its own); the dock holds four.
        const QString grid = QStringLiteral("#swipe_container com"),
                      dock = QStringLiteral(".dock ul");
        QTest::newRow("along the row") << 0 << grid << 5;
        QTest::newRow("back along the row") << 6 << grid << 1;
        QTest::newRow("a row down") << 1 << grid << 10;
        QTest::newRow("a row up") << 10 << grid << 2;
        QTest::newRow("to the last place") << 3 << grid << 11;
        QTest::newRow("the web app to the first place") << 11 << grid << 0;
        QTest::newRow("to the row's end") << 9 << grid << 7;
        QTest::newRow("into the dock") << 2 << dock << 1;
        QTest::newRow("into the dock's end") << 11 << dock << 3;
    }

    void anIconLandsWhereItIsDropped()
    {
        QFETCH(int, from);
        QFETCH(QString, list);
        QFETCH(int, to);
        HomePage home;
        QVERIFY(home.load());
        home.call("sizeitems", {"1280", "800"});
        home.call("makeapp", {names(11).join(','), "/opt/vantara/Apps"});
        home.call("createwebapp", {"qrc:/assets/ios7/mail.png", "Web", "https://example.org/"});
        // A list's icons in the document's order, and as they show, row by row.
        const QString order = QStringLiteral(
            "(function(){ var a = jQuery('%1 a').get(); if (%2) a.sort(function(a, b){"
            " var p = a.getBoundingClientRect(), q = b.getBoundingClientRect();"
            " return Math.abs(p.top - q.top) > 20 ? p.top - q.top : p.left - q.left; });"
            " return a.map(function(a){ return a.getAttribute('data-name'); }); })()");
        const QString grid = QStringLiteral("#swipe_container com");
        QStringList expectedGrid = home.js(order.arg(grid, "0")).toStringList();
        QStringList expectedList = home.js(order.arg(list, "0")).toStringList();
        if (list == grid)
            expectedGrid.move(from, to);
        else
            expectedList.insert(to, expectedGrid.takeAt(from));
        if (list == grid)
            expectedList = expectedGrid;
        home.drag(home.centreOf(QStringLiteral("%1 a:eq(%2) .icona").arg(grid).arg(from)),
                  home.centreOf(QStringLiteral("%1 a:eq(%2) .icona").arg(list).arg(to)));
        QVERIFY(TestUtil::waitFor(
            [&] { return home.js("jQuery('.ui-sortable-placeholder').length").toInt() == 0; }));
        // What shows is what is kept: the order of the document.
        for (const char *shown : {"0", "1"}) {
            QCOMPARE(home.js(order.arg(list, shown)).toStringList(), expectedList);
            QCOMPARE(home.js(order.arg(grid, shown)).toStringList(), expectedGrid);
        }
        QCOMPARE(home.recorder.calls, QStringList());
    }

    void iconsSortAcrossPagesAndTheDock()
    {
        HomePage home;
        QVERIFY(home.load());
        home.call("sizeitems", {"1280", "800"});
        home.call("makeapp", {"A,B,C", "/opt/vantara/Apps"});
        QCOMPARE(home.js("jQuery('.sortable').length").toInt(), 2);
        QCOMPARE(home.js("jQuery('.sortable').filter(function(){ return "
                         "!!jQuery(this).data('ui-sortable'); }).length")
                     .toInt(),
                 2);
        // Drag the first icon past the third.
        home.drag(home.centreOf("#swipe_container li:eq(0) .icona"),
                  home.centreOf("#swipe_container li:eq(2) .icona") + QPoint(40, 0));
        QVERIFY(home.settle());
        QVERIFY(TestUtil::waitFor([&] {
            return home.js("jQuery('#swipe_container p').text()").toString() ==
                   QLatin1String("BCA");
        }));
        // And into the dock.
        home.drag(home.centreOf("#swipe_container li:eq(0) .icona"),
                  home.centreOf(".dock li:eq(1) .icona"));
        QVERIFY(home.settle());
        QVERIFY(
            TestUtil::waitFor([&] { return home.js("jQuery('.dock li').length").toInt() == 5; }));
        QCOMPARE(home.recorder.calls, QStringList());
    }
};

QTEST_MAIN(TestHomePage)
#include "tst_homepage.moc"
