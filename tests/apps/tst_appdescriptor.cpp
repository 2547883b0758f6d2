#include "shell/AppDescriptor.h"
#include "shell/AppFolderName.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace
{
QString writeFile(const QTemporaryDir &dir, const QByteArray &content)
{
    const QString path = dir.filePath(QStringLiteral("app.con"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(content) != content.size())
        return QString();
    return path;
}
} // namespace

class TestAppDescriptor : public QObject
{
    Q_OBJECT

private slots:
    void readsTheFirstOfEachElementAnywhere()
    {
        QTemporaryDir dir;
        const QString path =
            writeFile(dir, "<anything><x><applink>first<b>, bold</b>!</applink></x>"
                           "<apptype>local</apptype><applink>second</applink><apptype>web</apptype>"
                           "<deep><appcss>body { color: red; }</appcss></deep></anything>");
        const AppDescriptor d = AppDescriptor::read(path);
        QCOMPARE(d.type, QStringLiteral("local"));
        QCOMPARE(d.link, QStringLiteral("first, bold!"));
        QCOMPARE(d.css, QStringLiteral("body { color: red; }"));

        const AppDescriptor sample = AppDescriptor::parse(
            "<config><apptype>local</apptype><applink>index.html</applink></config>");
        QCOMPARE(sample.type, QStringLiteral("local"));
        QCOMPARE(sample.link, QStringLiteral("index.html"));
        QCOMPARE(sample.css, QString());
    }

    void typeTextIsKeptExactly()
    {
        // The launcher compares exactly, so the reader must not trim or fold case.
        QCOMPARE(AppDescriptor::parse("<c><apptype>Web</apptype></c>").type, QStringLiteral("Web"));
        QCOMPARE(AppDescriptor::parse("<c><apptype> web</apptype></c>").type,
                 QStringLiteral(" web"));
        QCOMPARE(AppDescriptor::parse("<c><applink>  x  </applink></c>").link,
                 QStringLiteral("  x  "));
    }

    void unreadableDescriptorsGiveEmptyValues()
    {
        QTemporaryDir dir;
        for (const QByteArray &bad :
             {QByteArray(), QByteArray("not xml"), QByteArray("<config><apptype>web</config>"),
              QByteArray("<config><applink>a & b</applink></config>"),
              QByteArray("\x01\x02<config>")}) {
            const AppDescriptor d = AppDescriptor::read(writeFile(dir, bad));
            QVERIFY2(d.type.isEmpty() && d.link.isEmpty() && d.css.isEmpty(), bad.constData());
        }
        const AppDescriptor missing = AppDescriptor::read(dir.filePath("none/app.con"));
        QVERIFY(missing.type.isEmpty() && missing.link.isEmpty() && missing.css.isEmpty());
        const AppDescriptor folder = AppDescriptor::read(dir.path());
        QVERIFY(folder.type.isEmpty() && folder.link.isEmpty());
    }

    void entityExpansionIsBounded()
    {
        QByteArray bomb = "<!DOCTYPE c [<!ENTITY a \"aaaaaaaaaaaaaaaaaaaa\">";
        QByteArray previous = "a";
        for (char e = 'b'; e <= 'k'; ++e) {
            bomb += "<!ENTITY " + QByteArray(1, e) + " \"" +
                    QByteArray("&" + previous + ";").repeated(10) + "\">";
            previous = QByteArray(1, e);
        }
        bomb += "]><config><apptype>web</apptype><applink>&k;</applink></config>";
        QElapsedTimer t;
        t.start();
        const AppDescriptor d = AppDescriptor::parse(bomb);
        QVERIFY(t.elapsed() < 5000);
        QVERIFY(d.link.size() < 1024 * 1024);
    }

    void webDescriptorForm()
    {
        QCOMPARE(AppDescriptor::webDescriptor("https://example.org/"),
                 QByteArray("<config><apptype>web</apptype><applink>https://example.org/"
                            "</applink></config>"));
        QCOMPARE(AppDescriptor::webDescriptor("https://x.org/?a=1&b=<2>"),
                 QByteArray("<config><apptype>web</apptype><applink>https://x.org/?a=1&amp;b="
                            "&lt;2&gt;</applink></config>"));
        QVERIFY(!AppDescriptor::webDescriptor("a\nb\r\n").contains('\n'));
    }

    void webDescriptorRoundTrip_data()
    {
        QTest::addColumn<QString>("link");
        QTest::newRow("plain") << "https://example.org/app";
        QTest::newRow("ampersand") << "https://example.org/?a=1&b=2";
        QTest::newRow("markup") << "https://example.org/<script>alert(1)</script>";
        QTest::newRow("quotes") << "https://example.org/it's \"quoted\"";
        QTest::newRow("cdata end") << "https://example.org/]]>";
        QTest::newRow("entity text") << "https://example.org/&amp;&#60;";
        QTest::newRow("unicode") << QStringLiteral("https://例え.jp/ページ?q=€");
        QTest::newRow("blanks") << "  https://example.org/ a b  ";
        QTest::newRow("line breaks") << "https://example.org/\r\nnext\tline\n";
        QTest::newRow("noncharacters")
            << QStringLiteral("https://example.org/") + QChar(0xfffe) + QChar(0xffff);
    }

    void webDescriptorRoundTrip()
    {
        QFETCH(QString, link);
        QTemporaryDir dir;
        // Written as the installer does, read back as the launcher does.
        const AppDescriptor d =
            AppDescriptor::read(writeFile(dir, AppDescriptor::webDescriptor(link)));
        QCOMPARE(d.type, QStringLiteral("web"));
        QCOMPARE(d.link, link);
        QCOMPARE(d.css, QString());
    }

    void safeFolderNames()
    {
        for (const QString &good :
             {QStringLiteral("Notes"), QStringLiteral("My App"), QStringLiteral("..."),
              QStringLiteral("a..b"), QStringLiteral("Music.map"), QStringLiteral("日本語"),
              QStringLiteral("<img src=x onerror=alert(1)>"),
              QString::fromUtf8("\xF0\x9F\x98\x80")})
            QVERIFY2(AppFolder::isSafeName(good), qPrintable(good));
        for (const QString &bad :
             {QString(), QStringLiteral("."), QStringLiteral(".."), QStringLiteral("a/b"),
              QStringLiteral("../x"), QStringLiteral("a\\b"), QStringLiteral("C:"),
              QStringLiteral("C:x"), QStringLiteral("a\nb"), QStringLiteral("tab\there"),
              QString(QChar(0x7f)), QStringLiteral("/"), QStringLiteral("..") + QChar(0xdc00),
              QString(QChar(0xd83d)) + QStringLiteral("x"), QStringLiteral("a") + QChar(0xdc00)})
            QVERIFY2(!AppFolder::isSafeName(bad), qPrintable(bad));
    }
};

QTEST_MAIN(TestAppDescriptor)
#include "tst_appdescriptor.moc"
