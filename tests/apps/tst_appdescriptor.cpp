#include "ProcessMemory.h"
#include "shell/AppDescriptor.h"
#include "shell/AppFolderName.h"

#include <QCoreApplication>
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

    void refusedDocuments_data()
    {
        QTest::addColumn<QByteArray>("xml");
        const QByteArray body = "<config><apptype>web</apptype><applink>x</applink></config>";
        // One 4,000-character entity referenced 600,000 times: 1.8 MB that
        // expand to gigabytes.
        QTest::newRow("quadratic") << "<!DOCTYPE config [<!ENTITY e \"" + QByteArray(4000, 'a') +
                                          "\">]><config><apptype>web</apptype><applink>" +
                                          QByteArray("&e;").repeated(600000) +
                                          "</applink></config>";
        // The same within the size bound: 45 KB that would expand to 60 million characters.
        QTest::newRow("quadratic within 64 KiB")
            << "<!DOCTYPE config [<!ENTITY e \"" + QByteArray(4000, 'a') +
                   "\">]><config><apptype>web</apptype><applink>" +
                   QByteArray("&e;").repeated(15000) + "</applink></config>";
        QByteArray laughs = "<!DOCTYPE c [<!ENTITY a \"aaaaaaaaaaaaaaaaaaaa\">";
        QByteArray previous = "a";
        for (char e = 'b'; e <= 'k'; ++e) {
            laughs += "<!ENTITY " + QByteArray(1, e) + " \"" +
                      QByteArray("&" + previous + ";").repeated(10) + "\">";
            previous = QByteArray(1, e);
        }
        QTest::newRow("nested") << laughs + "]><config><apptype>web</apptype><applink>&k;"
                                            "</applink></config>";
        QTest::newRow("one small entity")
            << QByteArray("<!DOCTYPE c [<!ENTITY e \"web\">]><c><apptype>&e;</apptype></c>");
        QTest::newRow("internal subset without entities")
            << QByteArray("<!DOCTYPE c [<!ELEMENT c ANY>]><c><apptype>web</apptype></c>");
        QTest::newRow("lower-case declaration")
            << QByteArray("<!DOCTYPE c [<!entity e \"web\">]><c><apptype>web</apptype></c>");
        QString utf16 = QStringLiteral("<!DOCTYPE c [<!ENTITY e \"web\">]><c><apptype>&e;"
                                       "</apptype></c>");
        QTest::newRow("entity in UTF-16")
            << QByteArray("\xff\xfe") +
                   QByteArray(reinterpret_cast<const char *>(utf16.utf16()), utf16.size() * 2);
        QTest::newRow("past 64 KiB") << "<config><apptype>web</apptype><applink>" +
                                            QByteArray(64 * 1024, 'x') + "</applink></config>";
        QTest::newRow("past 64 KiB in a comment")
            << body + "<!--" + QByteArray(64 * 1024, ' ') + "-->";
    }

    void refusedDocuments()
    {
        QFETCH(QByteArray, xml);
        QTemporaryDir dir;
        const long peakBefore = ProcessMemory::peakResidentKiB();
        QVERIFY(peakBefore > 0);
        for (const AppDescriptor &d :
             {AppDescriptor::parse(xml), AppDescriptor::read(writeFile(dir, xml))})
            QVERIFY(d.type.isEmpty() && d.link.isEmpty() && d.css.isEmpty());
        // Refused before any expansion: the peak grows by far less than the
        // gigabytes an expansion takes (the document itself is 1.8 MB).
        QVERIFY2(ProcessMemory::peakResidentKiB() - peakBefore < 32 * 1024,
                 qPrintable(QString::number(ProcessMemory::peakResidentKiB() - peakBefore)));
    }

    void documentsUpToTheBoundStillRead()
    {
        const QByteArray head = "<config><apptype>local</apptype><applink>";
        const QByteArray tail = "</applink></config>";
        const QByteArray link(64 * 1024 - head.size() - tail.size(), 'x');
        QCOMPARE(AppDescriptor::parse(head + link + tail).link, QString::fromLatin1(link));
        QCOMPARE(AppDescriptor::parse(head + link + "x" + tail).link, QString());
        // Character references and the five predefined entities are no declarations.
        QCOMPARE(AppDescriptor::parse("<?xml version=\"1.0\" encoding=\"UTF-8\"?><!DOCTYPE config>"
                                      "<config><applink>&amp;&lt;&#x263A;</applink></config>")
                     .link,
                 QString::fromUtf8("&<\u263A"));
        for (const char *sample : {"Notes", "Calculator", "Maps", "Wikipedia"}) {
            const AppDescriptor d =
                AppDescriptor::read(QCoreApplication::applicationDirPath() +
                                    QStringLiteral("/Apps/%1/app.con").arg(sample));
            QVERIFY2(!d.type.isEmpty() && !d.link.isEmpty(), sample);
        }
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
