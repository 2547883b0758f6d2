#include "TestShell.h"
#include "shell/DesktopShortcut.h"
#include "shell/ShellPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QScopedPointer>
#include <QTemporaryDir>
#include <QTest>

using TestUtil::readFile;

namespace
{
// The value of key in a desktop entry's text, unescaped as a string value.
QString valueOf(const QByteArray &entry, const QByteArray &key)
{
    for (const QByteArray &line : entry.split('\n')) {
        if (line.startsWith(key + '=')) {
            QString value = QString::fromUtf8(line.mid(key.size() + 1));
            return value.replace(QLatin1String("\\\\"), QLatin1String("\\"));
        }
    }
    return QString();
}

QString menuEntry(const ShellPaths &paths)
{
    return paths.applicationsFolder() + QStringLiteral("/Vantara.desktop");
}

QString desktopEntry(const ShellPaths &paths)
{
    return paths.desktopFolder() + QStringLiteral("/Vantara.desktop");
}
} // namespace

class TestDesktopShortcut : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void execArgumentQuotesWhatIsSpecial_data();
    void execArgumentQuotesWhatIsSpecial();
    void entryNamesTheRunningProgram();
    void desktopEntryOnlyOnAnExistingDesktop();
    void staleEntryIsBroughtUpToDate();
    void privateCopyStartsThroughTheStarter_data();
    void privateCopyStartsThroughTheStarter();

private:
    // Every folder of a test under a fresh temporary root.
    ShellPaths paths() const { return ShellPaths::under(root->path()); }
    QScopedPointer<QTemporaryDir> root;
};

void TestDesktopShortcut::init()
{
    root.reset(new QTemporaryDir);
    QVERIFY(root->isValid());
}

void TestDesktopShortcut::execArgumentQuotesWhatIsSpecial_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("argument");
    QTest::newRow("plain") << "/opt/vantara/Vantara"
                           << "\"/opt/vantara/Vantara\"";
    QTest::newRow("blank") << "/opt/my apps/Vantara"
                           << "\"/opt/my apps/Vantara\"";
    QTest::newRow("quote and dollar") << "/opt/a\"b$c/V"
                                      << "\"/opt/a\\\"b\\$c/V\"";
    QTest::newRow("backquote and backslash") << "/opt/a`b\\c"
                                             << "\"/opt/a\\`b\\\\c\"";
    QTest::newRow("field code") << "/opt/100%u/V"
                                << "\"/opt/100%%u/V\"";
}

void TestDesktopShortcut::execArgumentQuotesWhatIsSpecial()
{
    QFETCH(QString, path);
    QFETCH(QString, argument);
    QCOMPARE(DesktopShortcut::execArgument(path), argument);
    // In the entry, the string escapes come on top: each backslash doubled.
    QCOMPARE(valueOf(DesktopShortcut::desktopEntry(path, QString()), "Exec"), argument);
}

void TestDesktopShortcut::entryNamesTheRunningProgram()
{
    DesktopShortcut::createAll(paths());
    const QByteArray entry = readFile(menuEntry(paths()));
    QVERIFY(entry.startsWith("[Desktop Entry]\n"));
    QCOMPARE(valueOf(entry, "Type"), QStringLiteral("Application"));
    QCOMPARE(valueOf(entry, "Name"), QStringLiteral("Vantara"));
    QCOMPARE(valueOf(entry, "Exec"),
             DesktopShortcut::execArgument(QCoreApplication::applicationFilePath()));
    const QString icon = valueOf(entry, "Icon");
    QVERIFY(QDir::isAbsolutePath(icon));
    QVERIFY(icon.startsWith(paths().dataFolder() + QLatin1Char('/')));
    QVERIFY(!QImage(icon).isNull());
    // Started from the menu, it runs in the shell's working folder, where its
    // cookies and web storage are.
    QCOMPARE(valueOf(entry, "Path"), paths().workingFolder());
    QVERIFY(QFile::permissions(menuEntry(paths())) & QFileDevice::ExeOwner);
    // No desktop folder: none is made.
    QVERIFY(!QDir(paths().desktopFolder()).exists());
}

void TestDesktopShortcut::desktopEntryOnlyOnAnExistingDesktop()
{
    QVERIFY(QDir().mkpath(paths().desktopFolder()));
    DesktopShortcut::createAll(paths());
    QVERIFY(QFile::exists(desktopEntry(paths())));
    QCOMPARE(readFile(desktopEntry(paths())), readFile(menuEntry(paths())));
    // Made again on every home-page load: nothing changes, nothing is added.
    const QDateTime written = QFileInfo(desktopEntry(paths())).lastModified();
    QTest::qWait(20);
    DesktopShortcut::createAll(paths());
    QCOMPARE(QFileInfo(desktopEntry(paths())).lastModified(), written);
    QCOMPARE(QDir(paths().desktopFolder()).entryList(QDir::Files | QDir::Hidden),
             QStringList({"Vantara.desktop"}));
}

void TestDesktopShortcut::staleEntryIsBroughtUpToDate()
{
    QDir().mkpath(QFileInfo(menuEntry(paths())).path());
    QFile stale(menuEntry(paths()));
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.write("[Desktop Entry]\nName=Vantara\nExec=/old/place/Vantara\n");
    stale.close();
    DesktopShortcut::createAll(paths());
    QCOMPARE(valueOf(readFile(menuEntry(paths())), "Exec"),
             DesktopShortcut::execArgument(QCoreApplication::applicationFilePath()));
}

void TestDesktopShortcut::privateCopyStartsThroughTheStarter_data()
{
    QTest::addColumn<bool>("stamped");
    QTest::addColumn<bool>("executable");
    QTest::addColumn<bool>("absolute");
    QTest::addColumn<bool>("viaStarter");
    QTest::newRow("copy made by the starter") << true << true << true << true;
    QTest::newRow("folder without the stamp") << false << true << true << false;
    QTest::newRow("starter not executable") << true << false << true << false;
    QTest::newRow("relative starter") << true << true << false << false;
}

void TestDesktopShortcut::privateCopyStartsThroughTheStarter()
{
    QFETCH(bool, stamped);
    QFETCH(bool, executable);
    QFETCH(bool, absolute);
    QFETCH(bool, viaStarter);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString copy = root.filePath(QStringLiteral("copy"));
    QVERIFY(QDir().mkpath(copy));
    if (stamped) {
        QFile stamp(copy + QStringLiteral("/.installed-version"));
        QVERIFY(stamp.open(QIODevice::WriteOnly));
        stamp.write("0.1.0");
    }
    const QString starter = root.filePath(QStringLiteral("bin/vantara"));
    QVERIFY(QDir().mkpath(QFileInfo(starter).path()));
    QFile script(starter);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\n");
    script.close();
    if (executable)
        QVERIFY(script.setPermissions(script.permissions() | QFileDevice::ExeOwner));
    qputenv("VANTARA_STARTER", absolute ? starter.toUtf8() : QByteArray("bin/vantara"));
    const ShellPaths inCopy = ShellPaths::under(copy);
    DesktopShortcut::createAll(inCopy);
    qunsetenv("VANTARA_STARTER");
    QCOMPARE(valueOf(readFile(menuEntry(inCopy)), "Exec"),
             DesktopShortcut::execArgument(viaStarter ? starter
                                                      : QCoreApplication::applicationFilePath()));
}

QTEST_MAIN(TestDesktopShortcut)
#include "tst_desktopshortcut.moc"
