#include "ProcessMemory.h"
#include "TestHttpServer.h"
#include "TestShell.h"
#include "ads/AdSwitch.h"
#include "app/MainWindow.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QWebView>

namespace
{
// The command that a reply from path would set, taken through a real reply.
QString stateAfterReply(TestHttpServer &server, const QByteArray &path, AdSwitch &ads)
{
    QNetworkAccessManager manager;
    QNetworkReply *reply = manager.get(QNetworkRequest(server.url(QString::fromLatin1(path))));
    QSignalSpy done(reply, &QNetworkReply::finished);
    if (!reply->isFinished())
        done.wait(10000);
    ads.onResult(reply);
    delete reply;
    return ads.state();
}
} // namespace

class TestAdSwitch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(server.start()); }

    void commandOfRemoteMessages_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("state");
        QTest::addColumn<bool>("on");

        QTest::newRow("off") << QByteArray("<msg><cmd>off</cmd></msg>") << "off" << false;
        QTest::newRow("OFF is on") << QByteArray("<msg><cmd>OFF</cmd></msg>") << "OFF" << true;
        QTest::newRow("blank off is on")
            << QByteArray("<msg><cmd> off</cmd></msg>") << " off" << true;
        QTest::newRow("first cmd in document order")
            << QByteArray("<msg><a><cmd>off</cmd></a><cmd>show</cmd></msg>") << "off" << false;
        QTest::newRow("first cmd, nested later")
            << QByteArray("<msg><cmd>show</cmd><b><cmd>off</cmd></b></msg>") << "show" << true;
        QTest::newRow("cmd below the root") << QByteArray("<?xml version=\"1.0\"?><a><b><c>"
                                                          "<cmd>off</cmd></c></b></a>")
                                            << "off" << false;
        QTest::newRow("empty body") << QByteArray() << "" << true;
        QTest::newRow("no cmd") << QByteArray("<msg><command>off</command></msg>") << "" << true;
        QTest::newRow("not well-formed") << QByteArray("<msg><cmd>off</cmd>") << "" << true;
        // Without the cut at the NUL the trailing garbage would make the
        // document ill-formed and the command empty.
        QTest::newRow("NUL ends the text")
            << QByteArray("<msg><cmd>off</cmd></msg>") + '\0' + "<cmd>on</cmd>garbage"
            << "off" << false;
        QTest::newRow("NUL inside the command")
            << QByteArray("<msg><cmd>of") + '\0' + "f</cmd></msg>"
            << "" << true;
        // Entity declarations and documents past 64 KiB read as ill-formed.
        QTest::newRow("declared entity")
            << QByteArray("<!DOCTYPE s [<!ENTITY o \"off\">]><s><cmd>&o;</cmd></s>") << "" << true;
        QTest::newRow("internal subset")
            << QByteArray("<!DOCTYPE s [<!ATTLIST s a CDATA \"x\">]><s><cmd>off</cmd></s>") << ""
            << true;
        QTest::newRow("outside doctype read")
            << QByteArray("<!DOCTYPE s><s><cmd>off</cmd></s>") << "off" << false;
        QTest::newRow("doctype and CDATA read")
            << QByteArray("<!DOCTYPE s SYSTEM \"s.dtd\"><s><cmd><![CDATA[off]]></cmd></s>") << "off"
            << false;
        QTest::newRow("past 64 KiB") << "<s><cmd>off</cmd>" + QByteArray(64 * 1024, ' ') + "</s>"
                                     << "" << true;
        QTest::newRow("up to 64 KiB")
            << "<s><cmd>off</cmd>" + QByteArray(64 * 1024 - 21, ' ') + "</s>"
            << "off" << false;
        QTest::newRow("namespaced name is not cmd")
            << QByteArray("<msg xmlns:x=\"urn:x\"><x:cmd>off</x:cmd></msg>") << "" << true;
    }

    void commandOfRemoteMessages()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, state);
        QFETCH(bool, on);
        const QByteArray path = "/msg/" + QByteArray(QTest::currentDataTag()).toPercentEncoding();
        server.route(path, body, "text/xml");

        AdSwitch ads(server.url(QStringLiteral("/")));
        QCOMPARE(ads.state(), QStringLiteral("off"));
        QCOMPARE(stateAfterReply(server, path, ads), state);
        QCOMPARE(ads.isOn(), on);
    }

    void quadraticMessageIsRefusedWithoutExpanding_data()
    {
        QTest::addColumn<int>("references");
        // 1.8 MB, and 45 KB (within the size bound) that would still expand
        // to 60 million characters.
        QTest::newRow("600,000 references") << 600000;
        QTest::newRow("15,000 references") << 15000;
    }

    void quadraticMessageIsRefusedWithoutExpanding()
    {
        QFETCH(int, references);
        const QByteArray bomb = "<!DOCTYPE sfs [<!ENTITY e \"" + QByteArray(4000, 'a') +
                                "\">]><sfs><cmd>" + QByteArray("&e;").repeated(references) +
                                "</cmd></sfs>";
        const long peakBefore = ProcessMemory::peakResidentKiB();
        QVERIFY(peakBefore > 0);
        QCOMPARE(AdSwitch::commandOf(bomb), QString());
        QVERIFY2(ProcessMemory::peakResidentKiB() - peakBefore < 32 * 1024,
                 qPrintable(QString::number(ProcessMemory::peakResidentKiB() - peakBefore)));
    }

    void remoteMessageBodyIsBounded()
    {
        // An endless stream of one large message: the shell reads no further
        // than the bound, refuses the message and lets the connection go.
        TestHttpServer::Response huge;
        huge.body = "<sfs><cmd>off</cmd>" + QByteArray(8 * 1024 * 1024, ' ') + "</sfs>";
        huge.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("text/xml")));
        server.route("/huge", huge);
        server.route("/small", "<sfs><cmd>off</cmd></sfs>", "text/xml");

        MainWindow window;
        AdSwitch *ads = window.findChild<AdSwitch *>();
        QVERIFY(ads);
        // Off is also where the switch starts: begin from on, so that the small
        // message is known to be read before the large one is asked for.
        ads->apply(QStringLiteral("start"));
        window.notif(server.url(QStringLiteral("/small")).toString());
        QVERIFY(TestUtil::waitFor([&] { return ads->state() == QLatin1String("off"); }));
        ads->apply(QStringLiteral("start"));
        window.notif(server.url(QStringLiteral("/huge")).toString());
        QVERIFY(TestUtil::waitFor([&] { return ads->state().isEmpty(); }, 20000));
        QVERIFY(ads->isOn());
        // The reply and its manager went once the message was refused.
        QVERIFY(
            TestUtil::waitFor([&] { return window.findChildren<QNetworkReply *>().isEmpty(); }));
    }

    void failedRequestsSwitchAdvertisingOn()
    {
        TestHttpServer::Response error;
        error.status = 500;
        error.body = "<html><body>Internal error</body></html>";
        error.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("text/html")));
        server.route("/broken", error);

        AdSwitch ads(server.url(QStringLiteral("/")));
        QCOMPARE(stateAfterReply(server, "/broken", ads), QString());
        QVERIFY(ads.isOn());

        // Nothing listens on the closed port: the reply fails with an empty body.
        server.route("/off", "<msg><cmd>off</cmd></msg>", "text/xml");
        QCOMPARE(stateAfterReply(server, "/off", ads), QStringLiteral("off"));
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const QUrl dead(QStringLiteral("http://127.0.0.1:%1/gone").arg(closed.serverPort()));
        closed.close();
        QNetworkAccessManager manager;
        QNetworkReply *reply = manager.get(QNetworkRequest(dead));
        QSignalSpy done(reply, &QNetworkReply::finished);
        QVERIFY(reply->isFinished() || done.wait(10000));
        QVERIFY(reply->error() != QNetworkReply::NoError);
        ads.onResult(reply);
        delete reply;
        QCOMPARE(ads.state(), QString());
        QVERIFY(ads.isOn());
    }

    void theViewFollowsTheSwitch()
    {
        server.route("/", "<html><body>ad</body></html>");
        server.route("/cmd-off", "<msg><cmd>off</cmd></msg>", "text/xml");
        server.route("/cmd-on", "<msg><cmd>on</cmd></msg>", "text/xml");
        QWebView view;
        view.setGeometry(10, 10, 300, 200);
        view.show();
        AdSwitch ads(server.url(QStringLiteral("/")));
        ads.setView(&view);

        const int before = server.requestCount("/");
        stateAfterReply(server, "/cmd-on", ads);
        QVERIFY(ads.isOn());
        QVERIFY(TestUtil::waitFor([&] { return server.requestCount("/") == before + 1; }));
        QCOMPARE(view.url(), server.url(QStringLiteral("/")));

        stateAfterReply(server, "/cmd-off", ads);
        QCOMPARE(view.geometry(), QRect(0, 0, 0, 0));
        QCOMPARE(server.requestCount("/"), before + 1);
    }

    void adclickWhileOffChangesNothing()
    {
        QWebView view;
        AdSwitch ads(server.url(QStringLiteral("/")));
        ads.setView(&view);
        ads.setRotationPosition(1);
        ads.setRotationInterval(50);
        const int requests = server.requests().size();
        ads.adclick();
        QTest::qWait(300);
        QCOMPARE(ads.rotationPosition(), 1);
        QCOMPARE(server.requests().size(), requests);
        QVERIFY(view.url().isEmpty());
    }

    void rotationRunsTwoPagesThenEnds()
    {
        server.route("/pub1", "<html><body>one</body></html>");
        server.route("/pub2", "<html><body>two</body></html>");
        server.route("/on", "<msg><cmd>on</cmd></msg>", "text/xml");
        QWebView view;
        AdSwitch ads(server.url(QStringLiteral("/")));
        ads.setView(&view);
        stateAfterReply(server, "/on", ads);

        // As the shell starts it: position 0 does nothing.
        ads.adclick();
        QCOMPARE(ads.rotationPosition(), 0);

        ads.setRotationPosition(1);
        ads.setRotationInterval(200);
        ads.adclick();
        QCOMPARE(ads.rotationPosition(), 2);
        QVERIFY(TestUtil::waitFor([&] { return server.requestCount("/pub2") == 1; }));
        QCOMPARE(server.requestCount("/pub1"), 0);
        QVERIFY(TestUtil::waitFor([&] { return server.requestCount("/pub1") == 1; }));
        QCOMPARE(ads.rotationPosition(), 3);
        QCOMPARE(view.url(), server.url(QStringLiteral("/pub1")));
        QTest::qWait(600);
        QCOMPARE(ads.rotationPosition(), 3);
        QCOMPARE(server.requestCount("/pub2"), 1);
        QCOMPARE(server.requestCount("/pub1"), 1);
    }

    void theWindowsSlotsReachTheSwitch()
    {
        server.route("/window-off", "<msg><cmd>off</cmd></msg>", "text/xml");
        server.route("/window-on", "<msg><cmd>go</cmd></msg>", "text/xml");
        MainWindow w;
        auto *ads = w.findChild<AdSwitch *>();
        QVERIFY(ads);
        QCOMPARE(ads->state(), QStringLiteral("off"));
        QCOMPARE(ads->view(), nullptr);

        w.notif(server.url(QStringLiteral("/window-on")).toString());
        QVERIFY(TestUtil::waitFor([&] { return ads->state() == QLatin1String("go"); }));
        w.adclick();
        QCOMPARE(ads->rotationPosition(), 0);
        w.notif(server.url(QStringLiteral("/window-off")).toString());
        QVERIFY(TestUtil::waitFor([&] { return ads->state() == QLatin1String("off"); }));
    }

private:
    TestHttpServer server;
};

QTEST_MAIN(TestAdSwitch)
#include "tst_adswitch.moc"
