#include "TestShell.h"
#include "shell/ScriptCall.h"

#include <QApplication>
#include <QTest>
#include <QWebFrame>
#include <QWebView>

// Every argument must reach the page function as exactly the text given, and
// no text may run script of its own.
class TestScriptCall : public QObject
{
    Q_OBJECT

    QWebView view;
    QVariant keysBefore;

    QWebFrame *frame() { return view.page()->mainFrame(); }

private slots:
    void initTestCase()
    {
        const QString page = QStringLiteral(
            "<html><body><script>"
            "var canary = 42; var calls = 0; var got = null;"
            "function echo() { calls++; got = Array.prototype.slice.call(arguments); }"
            "</script></body></html>");
        QVERIFY(TestUtil::loadHtml(&view, page, QUrl(QStringLiteral("qrc:/test.html"))));
        keysBefore = evaluate("Object.keys(window).join()");
    }

    void exactStrings()
    {
        QCOMPARE(ScriptCall::build("nameTab", {QStringLiteral("Notes")}),
                 QStringLiteral("nameTab('Notes')"));
        QCOMPARE(ScriptCall::build("sizeitems", {1280, 800}),
                 QStringLiteral("sizeitems(1280,800)"));
        QCOMPARE(ScriptCall::build("createwebapp", {"a", "b", "c"}),
                 QStringLiteral("createwebapp('a','b','c')"));
        QCOMPARE(ScriptCall::build("RollBar", {QString::number(qint64(215000))}),
                 QStringLiteral("RollBar('215000')"));
        QCOMPARE(ScriptCall::build("f", {}), QStringLiteral("f()"));
        // Plain text is not altered, non-ASCII letters included.
        QCOMPARE(ScriptCall::quote(QStringLiteral("Café Ærø 東京")),
                 QStringLiteral("'Café Ærø 東京'"));
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("apostrophe") << QStringLiteral("Rock 'n' Roll");
        QTest::newRow("double quote") << QStringLiteral("say \"hi\"");
        QTest::newRow("backslash") << QStringLiteral("C:\\Users\\x\\");
        QTest::newRow("trailing backslash") << QStringLiteral("end\\");
        QTest::newRow("CR LF") << QStringLiteral("a\r\nb\rc\nd");
        QTest::newRow("U+2028 U+2029") << (QStringLiteral("x") + QChar(0x2028) + QChar(0x2029));
        QTest::newRow("NUL") << QString::fromUtf16(u"a\0b", 3);
        QTest::newRow("NUL then digit") << QString::fromUtf16(u"\0"
                                                              u"1",
                                                              2);
        QTest::newRow("script end") << QStringLiteral("</script><script>canary=0</script>");
        QTest::newRow("break out") << QStringLiteral("');canary=0;//");
        QTest::newRow("break out 2") << QStringLiteral("\\');canary=0;//");
        QTest::newRow("tab and controls") << QStringLiteral("\t\x01\x1f\x7f");
        QTest::newRow("emoji") << QString::fromUtf8("\xf0\x9f\x8e\xb5 music");
        QTest::newRow("markup") << QStringLiteral("<img src=x onerror=canary=0>&amp;");
    }

    void roundTrip()
    {
        QFETCH(QString, text);
        // Short texts travel as literals; long ones through the call's own
        // window object, which is gone after the call.
        const QString padding(ScriptCall::longText, QLatin1Char('x'));
        for (const QString &sent : {text, text + padding + text}) {
            evaluate("calls = 0; got = null;");
            ScriptCall::run(frame(), "echo", {sent, QStringLiteral("second"), 7});
            QCOMPARE(evaluate("calls").toInt(), 1);
            QCOMPARE(evaluate("got.length").toInt(), 3);
            QCOMPARE(evaluate("got[0]").toString(), sent);
            QCOMPARE(evaluate("got[0].length").toInt(), sent.size());
            QCOMPARE(evaluate("got[1]").toString(), QStringLiteral("second"));
            QCOMPARE(evaluate("got[2]").toInt(), 7);
            QCOMPARE(evaluate("canary").toInt(), 42);
            QCOMPARE(evaluate("Object.keys(window).join()"), keysBefore);
        }
    }

    // The function may throw, or try to free the object the long texts came
    // in: neither outlasts the call.
    void longTextsOutliveNoCall()
    {
        const QString text(ScriptCall::longText + 1, QLatin1Char('y'));
        evaluate("function thrower(t) { got = t.length; throw new Error('no'); }"
                 "function freer(t) { got = t.length; __vantaraCallArguments.deleteLater(); }"
                 "var keysAtStart = Object.keys(window).join();");
        ScriptCall::run(frame(), "thrower", {text});
        QCOMPARE(evaluate("got").toInt(), text.size());
        QCOMPARE(evaluate("Object.keys(window).join() === keysAtStart").toBool(), true);
        ScriptCall::run(frame(), "freer", {text, text});
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(evaluate("got").toInt(), text.size());
        QCOMPARE(evaluate("typeof __vantaraCallArguments").toString(), QStringLiteral("undefined"));
    }

    void oneMegabyte()
    {
        QString text;
        text.reserve(1 << 20);
        const QString piece = QStringLiteral("a'b\\c\"d\ne") + QChar(0x2028) + QChar(0);
        while (text.size() < (1 << 20))
            text += piece;
        evaluate("calls = 0; got = null;");
        ScriptCall::run(frame(), "echo", {text});
        QCOMPARE(evaluate("calls").toInt(), 1);
        QCOMPARE(evaluate("got[0].length").toInt(), text.size());
        QVERIFY(evaluate("got[0]").toString() == text);
        QCOMPARE(evaluate("canary").toInt(), 42);
    }

private:
    QVariant evaluate(const char *script)
    {
        return frame()->evaluateJavaScript(QString::fromLatin1(script));
    }
};

QTEST_MAIN(TestScriptCall)
#include "tst_scriptcall.moc"
