#include "HomePage.h"
#include "TestShell.h"
#include "shell/AppDescriptor.h"
#include "shell/AppFolderName.h"

#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QWebFrame>
#include <QWebSettings>
#include <QWebView>

// The sample apps that the build puts into its Apps folder.
class TestSampleApps : public QObject
{
    Q_OBJECT

    QString apps;
    QTemporaryDir storage;

    bool open(QWebView &view, const QString &app)
    {
        view.resize(1024, 700);
        view.show();

        return TestUtil::loadUrl(&view, QUrl::fromLocalFile(apps + "/" + app + "/index.html"));
    }
    static QVariant js(QWebView &view, const QString &script)
    {
        return view.page()->mainFrame()->evaluateJavaScript(script);
    }
    // Clicks the calculator's keys, each a data-key, with real mouse clicks.
    static QString keys(QWebView &view, const QStringList &sequence)
    {
        for (const QString &key : sequence) {
            const QVariantMap r =
                js(view,
                   QStringLiteral("(function(){ var r = document.querySelector("
                                  "'[data-key=\"%1\"]').getBoundingClientRect();"
                                  " return {x: r.left + r.width / 2, y: r.top + r.height / 2};"
                                  " })()")
                       .arg(key))
                    .toMap();
            QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier,
                              QPoint(r["x"].toInt(), r["y"].toInt()));
        }
        return js(view, "document.getElementById('display').textContent").toString();
    }

private slots:
    void initTestCase()
    {
        apps = QCoreApplication::applicationDirPath() + QStringLiteral("/Apps");
        QWebSettings *s = QWebSettings::globalSettings();
        s->setAttribute(QWebSettings::LocalStorageEnabled, true);
        QWebSettings::enablePersistentStorage(storage.path());
    }

    void foldersAndDescriptors_data()
    {
        QTest::addColumn<QString>("app");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("link");
        QTest::newRow("Calculator") << "Calculator"
                                    << "local"
                                    << "index.html";
        QTest::newRow("Notes") << "Notes"
                               << "local"
                               << "index.html";
        QTest::newRow("Maps") << "Maps"
                              << "web"
                              << "https://www.openstreetmap.org/";
        QTest::newRow("Wikipedia") << "Wikipedia"
                                   << "web"
                                   << "https://en.m.wikipedia.org/";
    }

    void foldersAndDescriptors()
    {
        QFETCH(QString, app);
        QFETCH(QString, type);
        QFETCH(QString, link);
        const AppDescriptor d = AppDescriptor::read(apps + "/" + app + "/app.con");
        QCOMPARE(d.type, type);
        QCOMPARE(d.link, link);
        if (type == QLatin1String("local")) {
            QVERIFY(!d.css.isEmpty());
            QVERIFY(QFileInfo(apps + "/" + app + "/" + link).isFile());
        }
        const QImage icon(apps + "/" + app + "/icon.png");
        QCOMPARE(icon.size(), QSize(150, 150));
        QVERIFY(AppFolder::isSafeName(app));
    }

    void calculator()
    {
        QWebView view;
        QVERIFY(open(view, "Calculator"));
        QCOMPARE(js(view, "document.title").toString(), QStringLiteral("Calculator"));
        QCOMPARE(keys(view, {"1", "2", "+", "7", "="}), QStringLiteral("19"));
        // Operators apply left to right; "=" repeats the last step.
        QCOMPARE(keys(view, {"clear", "2", "+", "3", "*", "4", "="}), QStringLiteral("20"));
        QCOMPARE(keys(view, {"="}), QStringLiteral("80"));
        QCOMPARE(keys(view, {"clear", "1", "/", "3", "="}), QStringLiteral("0.333333333333"));
        QCOMPARE(keys(view, {"clear", "7", "/", "0", "="}), QStringLiteral("Error"));
        QCOMPARE(keys(view, {"4"}), QStringLiteral("4"));
        QCOMPARE(keys(view, {"clear", "0", ".", "1", "+", "0", ".", "2", "="}),
                 QStringLiteral("0.3"));
        QCOMPARE(keys(view, {"clear", "5", "0", "percent", "sign"}), QStringLiteral("-0.5"));
        QCOMPARE(keys(view, {"clear", "1", ".", ".", "5"}), QStringLiteral("1.5"));

        // The keyboard works too.
        keys(view, {"clear"});
        QTest::keyClicks(&view, "9*9");
        QTest::keyClick(&view, Qt::Key_Return);
        QCOMPARE(js(view, "document.getElementById('display').textContent").toString(),
                 QStringLiteral("81"));
        QTest::keyClick(&view, Qt::Key_Escape);
        QCOMPARE(js(view, "document.getElementById('display').textContent").toString(),
                 QStringLiteral("0"));
    }

    void notesAreKeptAndShownAsText()
    {
        {
            QWebView view;
            QVERIFY(open(view, "Notes"));
            QCOMPARE(js(view, "document.querySelectorAll('#list li').length").toInt(), 1);
            QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, QPoint(600, 300));
            QTest::keyClicks(&view, "<b>Shopping</b>");
            QTest::keyClick(&view, Qt::Key_Return);
            QTest::keyClicks(&view, "milk");
            QCOMPARE(js(view, "document.querySelector('#list .title').textContent").toString(),
                     QStringLiteral("<b>Shopping</b>"));
            QCOMPARE(js(view, "document.querySelectorAll('#list b').length").toInt(), 0);
            QCOMPARE(js(view, "document.getElementById('status').textContent").toString(),
                     QStringLiteral("Saved"));
            js(view, "document.getElementById('add').click()");
            QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, QPoint(600, 300));
            QTest::keyClicks(&view, "Second");
            QCOMPARE(js(view, "document.querySelectorAll('#list li').length").toInt(), 2);
        }
        // A new view of the page finds both notes, the newest first.
        QWebView again;
        QVERIFY(open(again, "Notes"));
        QCOMPARE(js(again, "Array.prototype.map.call(document.querySelectorAll('#list .title'),"
                           " function(e){ return e.textContent; }).join('|')")
                     .toString(),
                 QStringLiteral("Second|<b>Shopping</b>"));
        QCOMPARE(js(again, "document.getElementById('text').value").toString(),
                 QStringLiteral("Second"));
        js(again, "document.querySelectorAll('#list li')[1].click()");
        QCOMPARE(js(again, "document.getElementById('text').value").toString(),
                 QStringLiteral("<b>Shopping</b>\nmilk"));
        js(again, "document.getElementById('remove').click()");
        QCOMPARE(js(again, "document.querySelectorAll('#list li').length").toInt(), 1);
        QCOMPARE(js(again, "JSON.parse(localStorage.getItem('vantara.notes')).length").toInt(), 1);
    }

    void notesSaySavedOnlyWhenStored()
    {
        QWebView view;
        QVERIFY(open(view, "Notes"));
        QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, QPoint(600, 300));
        QTest::keyClicks(&view, "kept");
        const QString status = "document.getElementById('status').textContent";
        QCOMPARE(js(view, status).toString(), QStringLiteral("Saved"));
        const QString saved = js(view, "localStorage.getItem('vantara.notes')").toString();
        QVERIFY(saved.contains("kept"));
        // A store that fails aloud, and one that fails without a word.
        for (const char *broken : {"function () { throw new Error('full'); }", "function () {}"}) {
            js(view, "document.getElementById('status').textContent = ''");
            js(view, QStringLiteral("Storage.prototype.setItem = %1").arg(broken));
            QTest::keyClicks(&view, "x");
            QCOMPARE(js(view, status).toString(),
                     QStringLiteral("Not saved: the note could not be stored"));
        }
        QCOMPARE(js(view, "localStorage.getItem('vantara.notes')").toString(), saved);
    }

    void notesRulesLineUpWithTheText()
    {
        QWebView view;
        QVERIFY(open(view, "Notes"));
        QStringList lines;
        for (int i = 0; i < 60; ++i)
            lines << QStringLiteral("line %1").arg(i);
        js(view, "var t = document.getElementById('text'); t.value = '" + lines.join("\\n") + "'");
        const QColor rule(0xea, 0xdf, 0xbf);
        for (const QSize &size : {QSize(1024, 700), QSize(700, 500), QSize(1280, 900)}) {
            view.resize(size);
            for (int scroll : {0, 10, 100}) {
                js(view, QStringLiteral("t.scrollTop = %1").arg(scroll));
                const int scrolled = js(view, "t.scrollTop").toInt();
                const QRect box(js(view, "t.getBoundingClientRect().left").toInt(),
                                js(view, "t.getBoundingClientRect().top").toInt(),
                                js(view, "t.clientWidth").toInt(),
                                js(view, "t.clientHeight").toInt());
                const QImage shot = view.grab().toImage();
                // Rows of rule colour, far right where no text is.
                QList<int> rules;
                for (int y = box.top(); y < box.bottom(); ++y)
                    if (shot.pixelColor(box.right() - 30, y) == rule)
                        rules << y - box.top();
                QVERIFY(rules.size() > 5);
                // Each rule is the bottom pixel of a 28-pixel line, counted from
                // the top padding and moved with the text when it scrolls.
                for (int y : rules)
                    QVERIFY2(
                        ((y + scrolled - 16) % 28 + 28) % 28 == 27,
                        qPrintable(QStringLiteral("rule at %1, scrolled %2").arg(y).arg(scrolled)));
                // The text lines: line k's top is at 16 + 28k.
                QCOMPARE(js(view, "getComputedStyle(t).lineHeight").toString(),
                         QStringLiteral("28px"));
                QCOMPARE(js(view, "getComputedStyle(t).paddingTop").toString(),
                         QStringLiteral("16px"));
            }
        }
    }
};

QTEST_MAIN(TestSampleApps)
#include "tst_sampleapps.moc"
