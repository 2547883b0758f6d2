#include "RunTool.h"
#include "TestShell.h"
#include "VirtualDisplay.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using TestUtil::readFile;
using TestUtil::writeFile;

// The Debian package as a user gets it: built by CPack from this build, its
// files and control data, and its starter bringing up the home screen from a
// folder it was unpacked into.

class TestDebPackage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void packageHoldsTheProgram();
    void packingToolStandsAlone();
    void loginScreenAndSoftwareCentresSeeIt();
    void controlDataNamesTheRuntime();
    void unpackedStarterBringsUpTheHomeScreen();
    void upgradeRefreshesTheProgramAndKeepsTheApps();
    void upgradeFromTheSharedFolderKeepsAppsAndCookies();

private:
    // Runs the starter until the home page has loaded; false when it did not.
    bool startUntilHome(QByteArray *log);
    QString starter() const { return folder.filePath(QStringLiteral("root/usr/bin/vantara")); }
    QString home() const { return folder.filePath(QStringLiteral("home")); }
    QString data() const { return home() + QStringLiteral("/.local/share/vantara"); }
    // The user's copy of the program folder, and the working folder apart from it.
    QString program() const { return data() + QStringLiteral("/program"); }
    QString work() const { return data() + QStringLiteral("/work"); }
    QString installedProgram() const
    {
        return folder.filePath(QStringLiteral("root/")) + programDir.mid(2);
    }
    QString menuEntry() const
    {
        return home() + QStringLiteral("/.local/share/applications/Vantara.desktop");
    }
    VirtualDisplay display;
    // Entries of the package, as "./usr/..." without a trailing "/".
    QStringList entries;
    // Entry -> first column of the listing (type and permissions).
    QMap<QString, QString> modes;
    QString programDir;
    QTemporaryDir folder;
    QString deb;
};

void TestDebPackage::initTestCase()
{
#ifdef VANTARA_SANITIZED
    QSKIP("the package is built from the normal build; this build carries the sanitizer "
          "runtime, which a package must not depend on");
#endif
    QVERIFY(folder.isValid());
    QByteArray out;
    QVERIFY2(runTool(QStringLiteral("cpack"),
                     {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
                      QStringLiteral(VANTARA_BUILD_DIR "/CPackConfig.cmake"), QStringLiteral("-B"),
                      folder.path()},
                     &out, QProcessEnvironment::systemEnvironment(), folder.path(), 240000),
             out.constData());
    const QStringList debs = QDir(folder.path()).entryList({QStringLiteral("*.deb")}, QDir::Files);
    QCOMPARE(debs.size(), 1);
    deb = folder.filePath(debs.first());
    QCOMPARE(debs.first(), QStringLiteral("vantara_" VANTARA_VERSION "_%1.deb")
                               .arg(QString::fromLatin1(VANTARA_ARCHITECTURE)));

    QVERIFY(runTool(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), deb}, &out));
    for (const QByteArray &line : out.split('\n')) {
        // "-rwxr-xr-x root/root 17720 2026-12-08 02:57 ./usr/bin/vantara[ -> target]"
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 6)
            continue;
        QString path = QString::fromUtf8(fields.at(5));
        if (path.endsWith(QLatin1Char('/')))
            path.chop(1);
        entries.append(path);
        modes.insert(path, QString::fromLatin1(fields.at(0)));
        if (path.endsWith(QLatin1String("/vantara/Vantara")))
            programDir = QFileInfo(path).path();
    }
    QVERIFY2(!programDir.isEmpty(), "no program in the package");
}

void TestDebPackage::packageHoldsTheProgram()
{
    // The program folder: program, library and the sample apps. Not the
    // packing tool: the shell runs programs it finds in its folder.
    QVERIFY2(programDir.startsWith(QLatin1String("./usr/lib")), qPrintable(programDir));
    QVERIFY(modes.value(programDir + QStringLiteral("/Vantara"))
                .startsWith(QLatin1String("-rwxr-xr-x")));
    QVERIFY(!modes.contains(programDir + QStringLiteral("/vantara-pack")));
    QVERIFY(
        modes.value(programDir + QStringLiteral("/libvantara.so")).startsWith(QLatin1Char('-')));
    // The engine library beside the shell's, where it is looked for.
    QVERIFY(modes.value(programDir + QStringLiteral("/vantara_webengine.so"))
                .startsWith(QLatin1Char('-')));
    for (const QString &app : QDir(QStringLiteral(VANTARA_SOURCE_DIR "/apps/bundled"))
                                  .entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        for (const QString &file : {QStringLiteral("app.con"), QStringLiteral("icon.png")}) {
            const QString path =
                programDir + QStringLiteral("/Apps/") + app + QLatin1Char('/') + file;
            QVERIFY2(entries.contains(path), qPrintable(path));
        }
    }
    // The starter, the packing tool and its manual page, the menu entry and
    // the icon.
    for (const char *program : {"./usr/bin/vantara", "./usr/bin/vantara-pack"})
        QVERIFY2(modes.value(QLatin1String(program)).startsWith(QLatin1String("-rwxr-xr-x")),
                 program);
    QVERIFY(modes.value(QStringLiteral("./usr/share/man/man1/vantara-pack.1.gz"))
                .startsWith(QLatin1String("-rw-r--r--")));
    QVERIFY(entries.contains(QStringLiteral("./usr/share/icons/hicolor/256x256/apps/vantara.png")));
    // One menu entry, under the id the program gives its user's entry, so
    // that the user's entry takes its place instead of standing beside it.
    QStringList menu = entries.filter(QStringLiteral("/share/applications/"));
    QCOMPARE(menu, QStringList({"./usr/share/applications/Vantara.desktop"}));
    // Nothing outside /usr.
    for (const QString &entry : entries)
        QVERIFY2(entry == QLatin1String(".") || entry.startsWith(QLatin1String("./usr")),
                 qPrintable(entry));
}

void TestDebPackage::packingToolStandsAlone()
{
    // Unpacked apart from the program, the tool runs on its own, and its
    // manual page is a gzip-compressed page about it.
    const QString root = folder.filePath(QStringLiteral("tool"));
    QVERIFY(runTool(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), deb, root}));
    QVERIFY(QDir(root + QStringLiteral("/usr/lib/vantara")).removeRecursively());
    const QString tool = root + QStringLiteral("/usr/bin/vantara-pack");
    QByteArray out;
    QVERIFY(runTool(tool, {QStringLiteral("--help")}, &out));
    QVERIFY2(out.contains("Exit status"), out.constData());
    const QString archive = folder.filePath(QStringLiteral("Notes.lpk"));
    QVERIFY(runTool(tool, {QStringLiteral("pack"),
                           QStringLiteral(VANTARA_SOURCE_DIR "/apps/bundled/Notes"), archive}));
    QVERIFY(runTool(tool,
                    {QStringLiteral("unpack"), archive, folder.filePath(QStringLiteral("Notes"))}));
    QCOMPARE(readFile(folder.filePath(QStringLiteral("Notes/app.con"))),
             readFile(QStringLiteral(VANTARA_SOURCE_DIR "/apps/bundled/Notes/app.con")));

    QVERIFY(runTool(
        QStringLiteral("gzip"),
        {QStringLiteral("-dc"), root + QStringLiteral("/usr/share/man/man1/vantara-pack.1.gz")},
        &out));
    QVERIFY2(out.startsWith(".TH VANTARA-PACK 1"), out.left(200).constData());
    for (const char *section : {".SH SYNOPSIS", ".SH EXIT STATUS", "unpack"})
        QVERIFY2(out.contains(section), section);
}

void TestDebPackage::loginScreenAndSoftwareCentresSeeIt()
{
    const QString root = folder.filePath(QStringLiteral("session"));
    QVERIFY(runTool(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), deb, root}));
    // The login screen's entry starts the starter on a bare X server.
    const QString session = root + QStringLiteral("/usr/share/xsessions/vantara.desktop");
    QVERIFY(modes.value(QStringLiteral("./usr/share/xsessions/vantara.desktop"))
                .startsWith(QLatin1String("-rw-r--r--")));
    const QByteArray entry = readFile(session);
    for (const char *line : {"[Desktop Entry]\n", "\nType=XSession\n", "\nName=Vantara\n",
                             "\nExec=vantara\n", "\nTryExec=vantara\n"})
        QVERIFY2(entry.contains(line), line);
    QVERIFY(QFileInfo(root + QStringLiteral("/usr/bin/vantara")).isExecutable());

    // Software centres: metadata naming the menu entry and this version,
    // valid for the tool that reads it.
    const QString metainfo =
        root + QStringLiteral("/usr/share/metainfo/app.vantara.Vantara.metainfo.xml");
    const QByteArray xml = readFile(metainfo);
    for (const char *part : {"<id>app.vantara.Vantara</id>",
                             "<launchable type=\"desktop-id\">Vantara.desktop</launchable>",
                             "<release version=\"" VANTARA_VERSION "\""})
        QVERIFY2(xml.contains(part), part);
    QVERIFY(entries.contains(QStringLiteral("./usr/share/applications/Vantara.desktop")));
    if (QStandardPaths::findExecutable(QStringLiteral("appstreamcli")).isEmpty())
        QSKIP("appstreamcli is not installed (tools/install-deps.sh installs it)");
    QByteArray out;
    QVERIFY2(runTool(QStringLiteral("appstreamcli"),
                     {QStringLiteral("validate"), QStringLiteral("--no-net"), metainfo}, &out),
             out.constData());
}

void TestDebPackage::controlDataNamesTheRuntime()
{
    QByteArray out;
    QVERIFY(
        runTool(QStringLiteral("dpkg-deb"),
                {QStringLiteral("-f"), deb, QStringLiteral("Package"), QStringLiteral("Version"),
                 QStringLiteral("Architecture"), QStringLiteral("Depends")},
                &out));
    QMap<QString, QString> fields;
    for (const QByteArray &line : out.split('\n')) {
        const int colon = line.indexOf(':');
        if (colon > 0)
            fields.insert(QString::fromUtf8(line.left(colon)),
                          QString::fromUtf8(line.mid(colon + 1)).trimmed());
    }
    QCOMPARE(fields.value("Package"), QStringLiteral("vantara"));
    QCOMPARE(fields.value("Version"), QStringLiteral(VANTARA_VERSION));
    QCOMPARE(fields.value("Architecture"), QStringLiteral(VANTARA_ARCHITECTURE));
    QStringList depends;
    for (const QString &d : fields.value("Depends").split(QLatin1Char(',')))
        depends.append(d.trimmed().section(QLatin1Char(' '), 0, 0));
    for (const char *runtime : {"libqt5core5a", "libqt5widgets5", "libqt5network5", "libqt5xml5",
                                "libqt5webkit5", "libqt5webenginewidgets5", "libphonon4qt5-4",
                                "phonon4qt5-backend-vlc", "vlc-plugin-base", "libtag1v5", "zlib1g"})
        QVERIFY2(depends.contains(QLatin1String(runtime)), runtime);

    // Every dependency is a real Debian 12 package, and this system, where the
    // program runs, satisfies its version: "name (op version)".
    for (const QString &d : fields.value("Depends").split(QLatin1Char(','))) {
        const QString name = d.trimmed().section(QLatin1Char(' '), 0, 0);
        QByteArray installed;
        QVERIFY2(runTool(QStringLiteral("dpkg-query"),
                         {QStringLiteral("-W"), QStringLiteral("-f=${Version}"), name}, &installed),
                 qPrintable(name));
        const int open = d.indexOf(QLatin1Char('('));
        if (open < 0)
            continue;
        const QStringList condition =
            d.mid(open + 1).remove(QLatin1Char(')')).simplified().split(QLatin1Char(' '));
        QCOMPARE(condition.size(), 2);
        QVERIFY2(runTool(QStringLiteral("dpkg"),
                         {QStringLiteral("--compare-versions"), QString::fromUtf8(installed),
                          condition.at(0), condition.at(1)}),
                 qPrintable(d));
    }
}

bool TestDebPackage::startUntilHome(QByteArray *log)
{
    // The home page writes the user's menu entry each time it loads.
    QFile::remove(menuEntry());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display.name());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("HOME"), home());
    for (const char *name :
         {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "VANTARA_STARTER"})
        env.remove(QLatin1String(name));
    QProcess shell;
    shell.setProcessEnvironment(env);
    shell.setProcessChannelMode(QProcess::MergedChannels);
    shell.start(starter(), QStringList());
    if (!shell.waitForStarted(10000))
        return false;
    const bool up = TestUtil::waitFor(
        [&] { return QFile::exists(menuEntry()) || shell.state() == QProcess::NotRunning; }, 90000);
    const bool running = shell.state() == QProcess::Running;
    shell.kill();
    shell.waitForFinished(5000);
    *log = shell.readAll();
    return up && running && QFile::exists(menuEntry());
}

void TestDebPackage::unpackedStarterBringsUpTheHomeScreen()
{
    QVERIFY(runTool(QStringLiteral("dpkg-deb"),
                    {QStringLiteral("-x"), deb, folder.filePath(QStringLiteral("root"))}));
    QVERIFY(QFileInfo(starter()).isExecutable());
    QVERIFY2(display.start(QSize(1024, 768)), "Xvfb did not start");
    QByteArray log;
    QVERIFY2(startUntilHome(&log), log.constData());

    // The user's private copy of the program folder, and a working folder
    // of its own for what the shell writes.
    QCOMPARE(readFile(program() + QStringLiteral("/.installed-version")),
             QByteArray(VANTARA_VERSION));
    QVERIFY(QFile::exists(program() + QStringLiteral("/Apps/Notes/app.con")));
    QVERIFY(QFileInfo(program() + QStringLiteral("/Vantara")).isExecutable());
    QVERIFY(QFileInfo(work()).isDir());
    QStringList inProgram = QDir(program()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    inProgram.sort();
    QStringList shipped =
        QDir(installedProgram()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    shipped.sort();
    QCOMPARE(inProgram, shipped);
    QVERIFY2(QDir(data()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden) ==
                 QStringList({"program", "work"}),
             qPrintable(QDir(data())
                            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)
                            .join(' ')));
    // The user's entry starts the installed starter, which refreshes the copy
    // after an upgrade, in the working folder.
    const QByteArray text = readFile(menuEntry());
    QVERIFY2(text.contains("Exec=\"" + QFileInfo(starter()).canonicalFilePath().toUtf8() + "\"\n"),
             text.constData());
    QVERIFY2(text.contains("Path=" + QFileInfo(work()).canonicalFilePath().toUtf8() + "\n"),
             text.constData());
}

void TestDebPackage::upgradeRefreshesTheProgramAndKeepsTheApps()
{
    QVERIFY(QFile::exists(program() + QStringLiteral("/.installed-version")));
    // As after an upgrade: the copy is of another version, and its program
    // would not start. The user has an app of their own and changed a sample.
    QVERIFY(writeFile(program() + QStringLiteral("/.installed-version"), "0.0.1"));
    QVERIFY(writeFile(program() + QStringLiteral("/Vantara"), "not a program"));
    QVERIFY(writeFile(program() + QStringLiteral("/Apps/Mine/app.con"), "<config/>"));
    QVERIFY(writeFile(program() + QStringLiteral("/Apps/Notes/index.html"), "my notes"));
    const QByteArray cookie = "sid=1; domain=.example.test; path=/\n";
    QVERIFY(writeFile(work() + QStringLiteral("/example.test"), cookie));
    QByteArray log;
    QVERIFY2(startUntilHome(&log), log.constData());
    QCOMPARE(readFile(program() + QStringLiteral("/.installed-version")),
             QByteArray(VANTARA_VERSION));
    QCOMPARE(readFile(program() + QStringLiteral("/Vantara")),
             readFile(installedProgram() + QStringLiteral("/Vantara")));
    QCOMPARE(readFile(program() + QStringLiteral("/Apps/Mine/app.con")), QByteArray("<config/>"));
    QCOMPARE(readFile(program() + QStringLiteral("/Apps/Notes/index.html")),
             QByteArray("my notes"));
    QCOMPARE(readFile(work() + QStringLiteral("/example.test")), cookie);
}

void TestDebPackage::upgradeFromTheSharedFolderKeepsAppsAndCookies()
{
    // The layout of earlier versions: program, apps, cookie files, web storage
    // all in one folder. A site's cookie file had even taken the library's name.
    QVERIFY(QDir(data()).removeRecursively());
    QVERIFY(QDir().mkpath(data()));
    for (const QString &name :
         QDir(installedProgram()).entryList(QDir::Files | QDir::NoDotAndDotDot))
        QVERIFY(QFile::copy(installedProgram() + QLatin1Char('/') + name,
                            data() + QLatin1Char('/') + name));
    QVERIFY(writeFile(data() + QStringLiteral("/libvantara.so"), "a=1; domain=.libvantara.so\n"));
    QVERIFY(writeFile(data() + QStringLiteral("/.installed-version"), "0.0.1"));
    QVERIFY(writeFile(data() + QStringLiteral("/Apps/Mine/app.con"), "<config/>"));
    QVERIFY(writeFile(data() + QStringLiteral("/Apps/Notes/index.html"), "my notes"));
    const QByteArray cookie = "sid=1; domain=.example.test; path=/\n";
    QVERIFY(writeFile(data() + QStringLiteral("/example.test"), cookie));
    QVERIFY(writeFile(data() + QStringLiteral("/cache/LocalStorage/site.localstorage"), "kept"));

    QByteArray log;
    QVERIFY2(startUntilHome(&log), log.constData());
    QCOMPARE(readFile(program() + QStringLiteral("/.installed-version")),
             QByteArray(VANTARA_VERSION));
    QCOMPARE(readFile(program() + QStringLiteral("/libvantara.so")),
             readFile(installedProgram() + QStringLiteral("/libvantara.so")));
    // The user's apps, beside the program; the samples they lacked added.
    QCOMPARE(readFile(program() + QStringLiteral("/Apps/Mine/app.con")), QByteArray("<config/>"));
    QCOMPARE(readFile(program() + QStringLiteral("/Apps/Notes/index.html")),
             QByteArray("my notes"));
    QVERIFY(QFile::exists(program() + QStringLiteral("/Apps/Calculator/app.con")));
    // Their cookies and web storage, in the working folder.
    QCOMPARE(readFile(work() + QStringLiteral("/example.test")), cookie);
    QCOMPARE(readFile(work() + QStringLiteral("/cache/LocalStorage/site.localstorage")),
             QByteArray("kept"));
    // Nothing of the old layout is left beside the two folders.
    QCOMPARE(QDir(data()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList({"program", "work"}));
    QVERIFY(readFile(menuEntry())
                .contains("Path=" + QFileInfo(work()).canonicalFilePath().toUtf8() + "\n"));
}

QTEST_MAIN(TestDebPackage)
#include "tst_debpackage.moc"
