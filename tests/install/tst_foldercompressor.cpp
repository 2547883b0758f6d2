#include "InstallTestUtil.h"
#include "TestShell.h"
#include "install/ArchiveFormat.h"
#include "install/CompressedBlock.h"
#include "install/FolderCompressor.h"
#include "install/ReplaceFile.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using TestUtil::readFile;
using TestUtil::writeFile;

namespace
{
QByteArray randomBytes(int size, quint32 seed)
{
    QRandomGenerator gen(seed);
    QByteArray b(size, Qt::Uninitialized);
    gen.fillRange(reinterpret_cast<quint32 *>(b.data()), size / 4);
    for (int i = size / 4 * 4; i < size; ++i)
        b[i] = char(gen.generate());
    return b;
}

QByteArray textBytes(int size, quint32 seed)
{
    static const char *const words[] = {"alpha ", "beta ",    "gamma\n",   "delta ",
                                        "icon ",  "app.con ", "<config> ", "0123456789 "};
    QRandomGenerator gen(seed);
    QByteArray b;
    b.reserve(size + 16);
    while (b.size() < size)
        b += words[gen.bounded(8)];
    b.truncate(size);
    return b;
}

// Half text, half noise, in alternating stretches.
QByteArray mixedBytes(int size, quint32 seed)
{
    QByteArray b;
    for (int i = 0; b.size() < size; ++i)
        b += (i % 2 ? randomBytes(70000, seed + i) : textBytes(90000, seed + i));
    b.truncate(size);
    return b;
}

// Every file and folder below root, hidden ones included: path -> content
// (folders as "<dir>").
QMap<QString, QByteArray> snapshot(const QString &root)
{
    QMap<QString, QByteArray> tree;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString rel = QDir(root).relativeFilePath(path);
        tree.insert(rel, it.fileInfo().isDir() ? QByteArray("<dir>") : readFile(path));
    }
    return tree;
}

QByteArray u32(quint32 v)
{
    return ArchiveFormat::u32Bytes(v);
}

using InstallTestUtil::exactTree;
using InstallTestUtil::record;
using InstallTestUtil::workingFolders;

// The file's identity on its file system; 0 where there is none to read.
quint64 fileIdentity(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? quint64(st.st_ino) : 0;
#else
    Q_UNUSED(path);
    return 0;
#endif
}

// An installed app with a bit of everything an app folder can hold.
void writeInstalledApp(const QString &dest)
{
    writeFile(dest + "/icon.png", "old icon");
    writeFile(dest + "/.settings", "hidden");
    writeFile(dest + "/data/notes.txt", "notes");
    QDir().mkpath(dest + "/empty/folder");
    QFile::link("data/notes.txt", dest + "/shortcut");
    writeFile(dest + "/locked/inside.txt", "locked");
    QFile::setPermissions(dest + "/data/notes.txt", QFile::ReadOwner | QFile::ReadGroup);
    QFile::setPermissions(dest + "/data", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                              QFile::ReadGroup | QFile::ExeGroup);
    QFile::setPermissions(dest + "/locked", QFile::ReadOwner | QFile::ExeOwner);
}
} // namespace

class TestFolderCompressor : public QObject
{
    Q_OBJECT

    QTemporaryDir work;
    CompressedBlock reused;

    QString path(const QString &rel) const { return work.filePath(rel); }

    bool unpack(const QByteArray &archive, const QString &dest, QString *error = nullptr)
    {
        const QString file = path(QStringLiteral("input.lpk"));
        writeFile(file, archive);
        FolderCompressor c;
        const bool ok = c.unpackArchive(file, dest);
        if (error)
            *error = c.errorString();
        return ok;
    }

    // Nothing but dest's own tree changed in its parent: no working folder left.
    bool noLeftovers(const QString &dest) const
    {
        const QDir parent = QFileInfo(dest).absoluteDir();
        return parent.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
            .filter(QStringLiteral(".unpack-"))
            .isEmpty();
    }

private slots:
    void init() { QVERIFY(work.isValid()); }

    void cleanup()
    {
        // Open read-only folders again, so that they can be removed.
        QDirIterator dirs(work.path(), QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                          QDirIterator::Subdirectories);
        while (dirs.hasNext())
            QFile::setPermissions(dirs.next(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        for (const QString &e :
             QDir(work.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
            const QString p = work.filePath(e);
            QFileInfo(p).isDir() && !QFileInfo(p).isSymLink() ? (void)QDir(p).removeRecursively()
                                                              : (void)QFile::remove(p);
        }
    }

    void theFormatsByteExamples()
    {
        QCOMPARE(ArchiveFormat::encodeName(QStringLiteral("/app.con")),
                 QByteArray::fromHex("00000010002f006100700070002e0063006f006e"));

        writeFile(path("src/a"), QByteArray());
        FolderCompressor c;
        QVERIFY2(c.packFolder(path("src"), path("a.lpk")), qPrintable(c.errorString()));
        QCOMPARE(readFile(path("a.lpk")), QByteArray::fromHex("00000004002f00610000000400000000"));

        // An empty folder is an empty archive, and that unpacks to an empty folder.
        QDir().mkpath(path("empty"));
        QVERIFY(c.packFolder(path("empty"), path("empty.lpk")));
        QCOMPARE(QFileInfo(path("empty.lpk")).size(), 0);
        QVERIFY(c.unpackArchive(path("empty.lpk"), path("out/deep/dest")));
        QVERIFY(QFileInfo(path("out/deep/dest")).isDir());
        QVERIFY(snapshot(path("out/deep/dest")).isEmpty());
    }

    // Streaming must give exactly qCompress's bytes, whatever the size and
    // however the input arrives in pieces.
    void blocksMatchTheWholeFileForm_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("one byte") << QByteArray("x");
        QTest::newRow("text") << textBytes(5000, 1);
        QTest::newRow("one chunk exactly") << textBytes(256 * 1024, 2);
        QTest::newRow("noise over chunks") << randomBytes(1100 * 1000, 3);
        QTest::newRow("mixed, several MiB") << mixedBytes(5 * 1024 * 1024 + 17, 4);
        QTest::newRow("runs") << QByteArray(3 * 1024 * 1024, 'a');
    }
    void blocksMatchTheWholeFileForm()
    {
        QFETCH(QByteArray, content);
        const QByteArray expected = qCompress(content);
        // A new codec, and one reused from the rows before (its zlib states reset).
        CompressedBlock fresh;
        for (CompressedBlock *codec : {&fresh, &reused}) {
            QBuffer in(&content);
            QByteArray written;
            QBuffer out(&written);
            in.open(QIODevice::ReadOnly);
            out.open(QIODevice::WriteOnly);
            QString why;
            QCOMPARE(codec->write(in, quint64(content.size()), out, &why), qint64(expected.size()));
            QVERIFY(written == expected);

            // And back, through the streaming reader.
            QBuffer blockIn(&written);
            blockIn.open(QIODevice::ReadOnly);
            QByteArray back;
            QBuffer backOut(&back);
            backOut.open(QIODevice::WriteOnly);
            QVERIFY2(codec->read(blockIn, quint32(written.size()), backOut, &why), qPrintable(why));
            QVERIFY(back == content);
        }
    }

    void recordsInTheListingOrder()
    {
        const QByteArray big = mixedBytes(600 * 1000, 9);
        writeFile(path("src/b.txt"), "bee");
        writeFile(path("src/A.txt"), "ay");
        writeFile(path("src/sub/c.txt"), big);
        writeFile(path("src/Sub2/z/deep.bin"), "deep");
        writeFile(path("src/.hidden"), "secret");
        writeFile(path("src/.git/config"), "secret");
        writeFile(path("src/sub/.cache"), "secret");
        QDir().mkpath(path("src/emptyfolder"));
        QDir().mkpath(path("src/only-hidden"));
        writeFile(path("src/only-hidden/.x"), "secret");

        FolderCompressor c;
        QVERIFY2(c.packFolder(path("src"), path("out.lpk")), qPrintable(c.errorString()));
        const QByteArray expected =
            record("/sub/c.txt", qCompress(big)) + record("/Sub2/z/deep.bin", qCompress("deep")) +
            record("/A.txt", qCompress("ay")) + record("/b.txt", qCompress("bee"));
        QVERIFY(readFile(path("out.lpk")) == expected);

        QVERIFY(c.unpackArchive(path("out.lpk"), path("dest")));
        const auto tree = snapshot(path("dest"));
        QCOMPARE(tree.keys(), QStringList({"A.txt", "Sub2", "Sub2/z", "Sub2/z/deep.bin", "b.txt",
                                           "sub", "sub/c.txt"}));
        QVERIFY(tree.value("sub/c.txt") == big);
    }

    void roundTrips()
    {
        QMap<QString, QByteArray> files{
            {"icon.png", randomBytes(3000, 1)},
            {"app.con", "<config><apptype>local</apptype></config>"},
            {"empty.txt", QByteArray()},
            {"img/a.png", randomBytes(10, 2)},
            {"img/nested/deeper/page.html", textBytes(70000, 3)},
            {"img/nested/empty", QByteArray()},
            {QStringLiteral("Ünïcødé/café – ñ.txt"), "accents"},
            {QStringLiteral("日本語/ファイル.txt"), "cjk"},
            {QStringLiteral("emoji \U0001F600.txt"), "outside the basic plane"},
            {"large.bin", mixedBytes(9 * 1024 * 1024 + 5, 4)},
        };
        for (auto it = files.cbegin(); it != files.cend(); ++it)
            QVERIFY(writeFile(path("src/" + it.key()), it.value()));
        QDir().mkpath(path("src/empty/folders/only"));

        FolderCompressor c;
        QVERIFY2(c.packFolder(path("src"), path("rt.lpk")), qPrintable(c.errorString()));
        QVERIFY2(c.unpackArchive(path("rt.lpk"), path("dest")), qPrintable(c.errorString()));
        auto tree = snapshot(path("dest"));
        for (auto it = files.cbegin(); it != files.cend(); ++it)
            QVERIFY2(tree.take(it.key()) == it.value(), qPrintable(it.key()));
        // What remains are the folders that files named; no empty folders.
        for (auto it = tree.cbegin(); it != tree.cend(); ++it)
            QCOMPARE(it.value(), QByteArray("<dir>"));
        QVERIFY(!tree.contains("empty"));
        QVERIFY(noLeftovers(path("dest")));

        // Packing the unpacked tree gives the same bytes again.
        QVERIFY(c.packFolder(path("dest"), path("again.lpk")));
        QVERIFY(readFile(path("again.lpk")) == readFile(path("rt.lpk")));
    }

    void unpackingOverAnExistingTree()
    {
        writeFile(path("dest/icon.png"), "old icon");
        writeFile(path("dest/keep.txt"), "mine");
        writeFile(path("dest/img/old.png"), "old");
        writeFile(path("dest/img/a.png"), "old a");

        const QByteArray archive = record("/icon.png", qCompress("new icon")) +
                                   record("img\\a.png", qCompress("new a")) +
                                   record("/fresh/f.txt", qCompress("f"));
        QString why;
        QVERIFY2(unpack(archive, path("dest"), &why), qPrintable(why));
        const auto tree = snapshot(path("dest"));
        QCOMPARE(tree.value("icon.png"), QByteArray("new icon"));
        QCOMPARE(tree.value("keep.txt"), QByteArray("mine"));
        QCOMPARE(tree.value("img/old.png"), QByteArray("old"));
        QCOMPARE(tree.value("img/a.png"), QByteArray("new a"));
        QCOMPARE(tree.value("fresh/f.txt"), QByteArray("f"));
        QVERIFY(noLeftovers(path("dest")));
    }

    // A replacement is built whole beside the app and swapped in: what the
    // archive does not carry stays as it was (hidden files, empty folders,
    // links, permissions, read-only folders), kept files as the same files.
    void replacingKeepsTheRestOfTheTree()
    {
        const QString dest = path("dest");
        writeInstalledApp(dest);
        const quint64 notes = fileIdentity(dest + "/data/notes.txt");
        auto expected = exactTree(dest);

        const QByteArray archive = record("/icon.png", qCompress("new icon")) +
                                   record("/data/new.txt", qCompress("new")) +
                                   record("/locked/added.txt", qCompress("added"));
        QString why;
        QVERIFY2(unpack(archive, dest, &why), qPrintable(why));
        auto tree = exactTree(dest);
        QVERIFY(tree.take("icon.png").endsWith(" new icon"));
        QVERIFY(tree.take("data/new.txt").endsWith(" new"));
        QVERIFY(tree.take("locked/added.txt").endsWith(" added"));
        expected.remove("icon.png");
        QCOMPARE(tree, expected);
        QCOMPARE(readFile(dest + "/shortcut"), QByteArray("notes"));
        // Same file system: the kept file is linked, not copied.
        QCOMPARE(fileIdentity(dest + "/data/notes.txt"), notes);
        QVERIFY(workingFolders(work.path()).isEmpty());
    }

    // Whatever fails, before or after the new tree is complete, the app
    // stays exactly as it was and no working folder is left.
    void failedReplacementLeavesTheAppAsItWas_data()
    {
        QTest::addColumn<QByteArray>("archive");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("pipeInApp");
        const QByteArray good =
            record("/icon.png", qCompress("new")) + record("/data/new.txt", qCompress("n"));
        QByteArray damaged = qCompress(textBytes(5000, 3));
        damaged[damaged.size() - 1] = char(damaged[damaged.size() - 1] ^ 1);
        QTest::newRow("damaged at its end")
            << good + record("/zz/last.txt", damaged) << "damaged" << false;
        QTest::newRow("a file where a folder is needed")
            << good + record("/data/notes.txt/x", qCompress("x")) << "would replace a file"
            << false;
        QTest::newRow("a file where a folder is")
            << good + record("/empty", qCompress("x")) << "would replace a folder" << false;
        QTest::newRow("entries that clash late")
            << good + record("/fresh", qCompress("x")) + record("/fresh/y", qCompress("y"))
            << "same name" << false;
        QTest::newRow("through a link in the app")
            << good + record("/shortcut", qCompress("x")) << "symbolic link" << false;
#ifdef Q_OS_UNIX
        QTest::newRow("a pipe in the app that cannot be carried over")
            << good << "neither a file" << true;
#endif
    }
    void failedReplacementLeavesTheAppAsItWas()
    {
        QFETCH(QByteArray, archive);
        QFETCH(QString, reason);
        QFETCH(bool, pipeInApp);
        const QString dest = path("apps/dest");
        writeInstalledApp(dest);
#ifdef Q_OS_UNIX
        if (pipeInApp)
            QCOMPARE(::mkfifo(QFile::encodeName(dest + "/empty/pipe").constData(), 0600), 0);
#endif
        const auto before = exactTree(dest);
        QString why;
        QVERIFY(!unpack(archive, dest, &why));
        QVERIFY2(why.contains(reason), qPrintable(why));
        QCOMPARE(exactTree(dest), before);
        QCOMPARE(
            QDir(path("apps")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList({"dest"}));
    }

    // Through a linked app folder or Apps folder the work happens beside the
    // real folder; the links stay and point at the new tree.
    void replacingThroughSymbolicLinks()
    {
        writeFile(path("real/Maps/icon.png"), "old");
        writeFile(path("real/Maps/keep.txt"), "kept");
        QDir().mkpath(path("apps"));
        QVERIFY(QFile::link(path("real/Maps"), path("apps/Maps")));
        QVERIFY(QFile::link(path("real"), path("linked")));
        const QString realMaps = QFileInfo(path("real/Maps")).canonicalFilePath();

        QString why;
        QVERIFY2(unpack(record("/icon.png", qCompress("v2")), path("apps/Maps"), &why),
                 qPrintable(why));
        QVERIFY(QFileInfo(path("apps/Maps")).isSymLink());
        QCOMPARE(QFileInfo(path("apps/Maps")).symLinkTarget(), realMaps);
        QCOMPARE(snapshot(path("real/Maps")),
                 (QMap<QString, QByteArray>{{"icon.png", "v2"}, {"keep.txt", "kept"}}));

        QVERIFY2(unpack(record("/icon.png", qCompress("v3")), path("linked/Maps"), &why),
                 qPrintable(why));
        QVERIFY(QFileInfo(path("linked")).isSymLink());
        QCOMPARE(readFile(path("real/Maps/icon.png")), QByteArray("v3"));
        QVERIFY(unpack(record("/icon.png", qCompress("new")), path("linked/New")));
        QCOMPARE(readFile(path("real/New/icon.png")), QByteArray("new"));
        QVERIFY(workingFolders(path("real")).isEmpty());
        QVERIFY(workingFolders(path("apps")).isEmpty());
        QVERIFY(workingFolders(work.path()).isEmpty());

        // A link to nothing is refused, and nothing is made where it points.
        QVERIFY(QFile::link(path("nowhere/App"), path("apps/Dangling")));
        QVERIFY(!unpack(record("/icon.png", qCompress("x")), path("apps/Dangling"), &why));
        QVERIFY2(why.contains("symbolic link to nothing"), qPrintable(why));
        QVERIFY(!unpack(record("/icon.png", qCompress("x")), path("apps/Dangling/sub"), &why));
        QVERIFY(!QFileInfo::exists(path("nowhere")));
    }

    // An app on another file system than the Apps folder is staged on its
    // own; an app folder that is itself a mount point cannot be swapped and
    // is refused as it is.
    void replacingOnAnotherFileSystem()
    {
        InstallTestUtil::OtherFileSystem other(path("mnt"));
        if (other.path().isEmpty())
            QSKIP(qPrintable(other.reason()));
        writeFile(other.path() + "/Maps/icon.png", "old");
        writeFile(other.path() + "/Maps/keep.txt", "kept");
        QDir().mkpath(path("apps"));
        QVERIFY(QFile::link(other.path() + "/Maps", path("apps/Maps")));
        QString why;
        QVERIFY2(unpack(record("/icon.png", qCompress("v2")), path("apps/Maps"), &why),
                 qPrintable(why));
        QCOMPARE(snapshot(other.path() + "/Maps"),
                 (QMap<QString, QByteArray>{{"icon.png", "v2"}, {"keep.txt", "kept"}}));
        QVERIFY(QFileInfo(path("apps/Maps")).isSymLink());
        QVERIFY(workingFolders(other.path()).isEmpty());
        QVERIFY(workingFolders(path("apps")).isEmpty());

        if (!other.isMountPoint())
            QSKIP("no tmpfs could be mounted for the mount-point case");
        InstallTestUtil::OtherFileSystem mountedApp(path("apps/Mounted"));
        QVERIFY(mountedApp.isMountPoint());
        writeFile(path("apps/Mounted/icon.png"), "old");
        const auto before = exactTree(path("apps/Mounted"));
        QVERIFY(!unpack(record("/icon.png", qCompress("x")), path("apps/Mounted"), &why));
        QVERIFY2(why.contains("cannot put"), qPrintable(why));
        QCOMPARE(exactTree(path("apps/Mounted")), before);
        QVERIFY(workingFolders(path("apps")).isEmpty());
    }

    // Where the system cannot exchange two folders in one step, two renames
    // do, and a failed second one is undone.
    void swappingFolders()
    {
        writeFile(path("a/new.txt"), "new");
        writeFile(path("b/old.txt"), "old");
        QString why;
        QVERIFY2(exchangeFolders(path("a"), path("b"), path("spare"), &why), qPrintable(why));
        QCOMPARE(readFile(path("b/new.txt")), QByteArray("new"));
        QCOMPARE(readFile(path(QFileInfo::exists(path("a")) ? "a/old.txt" : "spare/old.txt")),
                 QByteArray("old"));

        writeFile(path("c/newer.txt"), "newer");
        QVERIFY2(exchangeFoldersByRenames(path("c"), path("b"), path("spare2"), &why),
                 qPrintable(why));
        QCOMPARE(snapshot(path("b")), (QMap<QString, QByteArray>{{"newer.txt", "newer"}}));
        QCOMPARE(snapshot(path("spare2")), (QMap<QString, QByteArray>{{"new.txt", "new"}}));
        QVERIFY(!QFileInfo::exists(path("c")));

        QVERIFY(!exchangeFoldersByRenames(path("missing"), path("b"), path("spare3"), &why));
        QVERIFY2(why.contains("cannot put"), qPrintable(why));
        QCOMPARE(snapshot(path("b")), (QMap<QString, QByteArray>{{"newer.txt", "newer"}}));
        QVERIFY(!QFileInfo::exists(path("spare3")));
        writeFile(path("taken/x"), "x");
        QVERIFY(!exchangeFoldersByRenames(path("spare2"), path("b"), path("taken"), &why));
        QVERIFY2(why.contains("cannot move"), qPrintable(why));
        QCOMPARE(snapshot(path("b")), (QMap<QString, QByteArray>{{"newer.txt", "newer"}}));
        QCOMPARE(snapshot(path("taken")), (QMap<QString, QByteArray>{{"x", "x"}}));
    }

    // Names that could reach outside the destination are refused, and then
    // nothing of the archive is written, not even its good entries.
    void refusedNames_data()
    {
        QTest::addColumn<QByteArray>("nameField");
        auto name = [](const QString &n) { return ArchiveFormat::encodeName(n); };
        QTest::newRow("parent") << name("/../outside.txt");
        QTest::newRow("parent, backslash") << name("..\\outside.txt");
        QTest::newRow("parent inside") << name("/img/../../outside.txt");
        QTest::newRow("parent at end") << name("/img/..");
        QTest::newRow("dot") << name("/./x");
        QTest::newRow("root only") << name("/");
        QTest::newRow("empty") << name("");
        QTest::newRow("null name") << u32(0xFFFFFFFF);
        QTest::newRow("absolute") << name("//etc/outside.txt");
        QTest::newRow("absolute, backslashes") << name("\\\\server\\share\\x");
        QTest::newRow("doubled separator") << name("/a//b");
        QTest::newRow("trailing separator") << name("/a/");
        QTest::newRow("drive letter") << name("C:/outside.txt");
        QTest::newRow("drive letter after slash") << name("/C:\\outside.txt");
        QTest::newRow("stream name") << name("/a.txt:hidden");
        QTest::newRow("control character") << name(QStringLiteral("/a\x01.txt"));
        QTest::newRow("nul") << name(QString(QLatin1String("/a")) + QChar(0) + "b");
        // The file system would take "..\uDC00" for "..", and "a\uDC00" for "a".
        QTest::newRow("unpaired surrogate") << name(QStringLiteral("/..") + QChar(0xdc00) + "/x");
        QTest::newRow("unpaired surrogate alone") << name(QStringLiteral("/a") + QChar(0xdc00));
        QTest::newRow("odd length") << QByteArray::fromHex("00000003002f00");
        QTest::newRow("name longer than the file") << QByteArray::fromHex("00100000002f");
        QTest::newRow("huge name length") << u32(0x7FFFFFFE) + QByteArray(64, 'a');
    }
    void refusedNames()
    {
        QFETCH(QByteArray, nameField);
        writeFile(path("dest/keep.txt"), "mine");
        const QByteArray archive = record("/good.txt", qCompress("good")) + nameField +
                                   u32(qCompress("bad").size()) + qCompress("bad");
        QString why;
        QVERIFY(!unpack(archive, path("apps/dest"), &why));
        QVERIFY(!why.isEmpty());
        QVERIFY(!QFileInfo::exists(path("apps/dest")));
        QVERIFY(!QFileInfo::exists(path("outside.txt")));
        QVERIFY(!QFileInfo::exists(path("apps/outside.txt")));
        QVERIFY(noLeftovers(path("apps/dest")));

        // Over an existing folder as well: it stays as it was.
        QVERIFY(!unpack(archive, path("dest")));
        QCOMPARE(snapshot(path("dest")).keys(), QStringList({"keep.txt"}));
    }

    void namesThroughSymbolicLinksAreRefused()
    {
        QDir().mkpath(path("outside"));
        QDir().mkpath(path("dest"));
        QVERIFY(QFile::link(path("outside"), path("dest/img")));
        writeFile(path("outside/target.txt"), "outside");
        QVERIFY(QFile::link(path("outside/target.txt"), path("dest/icon.png")));

        QString why;
        QVERIFY(!unpack(record("/img/evil.png", qCompress("x")), path("dest"), &why));
        QVERIFY2(why.contains("symbolic link"), qPrintable(why));
        QVERIFY(!unpack(record("/icon.png", qCompress("x")), path("dest"), &why));
        QVERIFY(!unpack(record("/IMG/../img/x", qCompress("x")), path("dest")));
        QCOMPARE(snapshot(path("outside")).keys(), QStringList({"target.txt"}));
        QCOMPARE(readFile(path("outside/target.txt")), QByteArray("outside"));

        // A file where the archive needs a folder, and a folder where it puts a file.
        writeFile(path("dest2/sub"), "a file");
        QDir().mkpath(path("dest2/dir"));
        QVERIFY(!unpack(record("/sub/x", qCompress("x")), path("dest2")));
        QVERIFY(!unpack(record("/dir", qCompress("x")), path("dest2")));
        // Entries of one archive that clash with each other.
        QVERIFY(
            !unpack(record("/a", qCompress("x")) + record("/a/b", qCompress("y")), path("dest3")));
        QVERIFY(!QFileInfo::exists(path("dest3")));
        QVERIFY(noLeftovers(path("dest3")));
    }

    // An archive cut anywhere but between two records installs nothing; one
    // cut between records is a shorter archive.
    void truncationAtEveryByte()
    {
        const QByteArray r1 = record("/sub/a.txt", qCompress(textBytes(300, 5)));
        const QByteArray r2 = record("/empty", qCompress(QByteArray()));
        const QByteArray r3 = record("/b.bin", qCompress(randomBytes(40, 6)));
        const QByteArray whole = r1 + r2 + r3;
        const QList<int> boundaries{0, r1.size(), r1.size() + r2.size(), whole.size()};

        for (int cut = 0; cut <= whole.size(); ++cut) {
            const QString dest = path(QStringLiteral("d%1").arg(cut));
            writeFile(dest + "/keep.txt", "mine");
            QString why;
            const bool ok = unpack(whole.left(cut), dest, &why);
            const auto tree = snapshot(dest);
            if (boundaries.contains(cut)) {
                QVERIFY2(ok, qPrintable(QStringLiteral("cut %1: %2").arg(cut).arg(why)));
                const int records = boundaries.indexOf(cut);
                QCOMPARE(tree.contains("sub/a.txt"), records >= 1);
                QCOMPARE(tree.contains("empty"), records >= 2);
                QCOMPARE(tree.contains("b.bin"), records >= 3);
            } else {
                QVERIFY2(!ok, qPrintable(QStringLiteral("cut %1 was accepted").arg(cut)));
                QCOMPARE(tree.keys(), QStringList({"keep.txt"}));
            }
            QVERIFY(noLeftovers(dest));
        }
    }

    void corruptBlocks_data()
    {
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<QString>("reason");
        const QByteArray good = qCompress(textBytes(20000, 7));
        QByteArray flipped = good;
        flipped[good.size() / 2] = char(flipped[good.size() / 2] ^ 0x55);
        QByteArray badAdler = good;
        badAdler[good.size() - 1] = char(badAdler[good.size() - 1] ^ 1);
        QByteArray prefixUp = good, prefixDown = good;
        prefixUp.replace(0, 4, u32(20001));
        prefixDown.replace(0, 4, u32(19999));

        QTest::newRow("flipped byte") << flipped << "damaged";
        QTest::newRow("wrong checksum") << badAdler << "damaged";
        QTest::newRow("size prefix too large") << prefixUp << "less than";
        QTest::newRow("size prefix too small") << prefixDown << "more than";
        QTest::newRow("stream cut short") << good.left(good.size() - 10) << "ends early";
        QTest::newRow("bytes after the stream") << good + "junk"
                                                << "after its end";
        QTest::newRow("not zlib at all") << u32(5) + QByteArray("hello") << "damaged";
        QTest::newRow("too short for a size") << QByteArray("\0\0", 2) << "too short";
        QTest::newRow("size without data") << u32(10) << "holds no data";
        QTest::newRow("impossible size prefix") << u32(0xFFFFFFFF) + good.mid(4) << "more than";
        QTest::newRow("size beyond any ratio")
            << u32(2000 * 1000) + good.mid(4, 100) << "more than";
    }
    void corruptBlocks()
    {
        QFETCH(QByteArray, block);
        QFETCH(QString, reason);
        writeFile(path("dest/keep.txt"), "mine");
        writeFile(path("dest/good.txt"), "old good");
        const QByteArray archive =
            record("/good.txt", qCompress("new good")) + record("/bad.txt", block);
        QString why;
        QVERIFY(!unpack(archive, path("dest"), &why));
        QVERIFY2(why.contains(reason), qPrintable(why));
        QCOMPARE(snapshot(path("dest")),
                 (QMap<QString, QByteArray>{{"keep.txt", "mine"}, {"good.txt", "old good"}}));
        QVERIFY(noLeftovers(path("dest")));
    }

    // Lengths that claim more than the file or the format holds are refused
    // from the fields alone, before anything is allocated or written.
    void overLargeFieldsAndLimits()
    {
        QString why;
        QVERIFY(!unpack(ArchiveFormat::encodeName("/x") + u32(0xFFFFFFF0) + u32(0xFFFFFFF0),
                        path("dest"), &why));
        QVERIFY2(why.contains("truncated"), qPrintable(why));

        // The null block and an empty one read as empty files.
        QVERIFY(unpack(ArchiveFormat::encodeName("/null") + u32(0xFFFFFFFF) +
                           ArchiveFormat::encodeName("/zero") + u32(0),
                       path("dest")));
        QCOMPARE(snapshot(path("dest")), (QMap<QString, QByteArray>{{"null", ""}, {"zero", ""}}));

        const QByteArray three = record("/1", qCompress(QByteArray(1000, 'a'))) +
                                 record("/2", qCompress(QByteArray(1000, 'b'))) +
                                 record("/3", qCompress(QByteArray(1000, 'c')));
        writeFile(path("three.lpk"), three);
        FolderCompressor c;
        ArchiveLimits limits;
        limits.maxTotalSize = 2500;
        c.setLimits(limits);
        QVERIFY(!c.unpackArchive(path("three.lpk"), path("limited")));
        QVERIFY2(c.errorString().contains("more than 2500 bytes"), qPrintable(c.errorString()));
        limits = ArchiveLimits();
        limits.maxEntries = 2;
        c.setLimits(limits);
        QVERIFY(!c.unpackArchive(path("three.lpk"), path("limited")));
        limits = ArchiveLimits();
        limits.maxNameLength = 1;
        c.setLimits(limits);
        QVERIFY(!c.unpackArchive(path("three.lpk"), path("limited")));
        QVERIFY(!QFileInfo::exists(path("limited")));
        c.setLimits(ArchiveLimits());
        QVERIFY(c.unpackArchive(path("three.lpk"), path("limited")));
    }

    // A megabyte of deflate can hold a gigabyte: contents past 100 times the
    // archive's size (beyond the first MiB) are refused from the sizes the
    // records announce, before anything is written, and a block that
    // inflates past what it announces is stopped as it inflates. Packing
    // refuses the folders whose archive unpacking would refuse.
    void expansionIsBounded_data()
    {
        QTest::addColumn<QByteArray>("content"); // what is packed; none for made-up records
        QTest::addColumn<QByteArray>("archive");
        QTest::addColumn<QString>("refusal"); // empty: it unpacks
        const auto single = [](const QByteArray &content) {
            return record("/data.bin", qCompress(content));
        };
        const QByteArray zeros(2 << 20, '\0');
        const QByteArray allowed(1 << 20, '\0');
        const QByteArray text = textBytes(3 << 20, 11);
        QTest::newRow("2 MiB of zeros") << zeros << single(zeros) << "more than 100 times";
        QTest::newRow("1 MiB of zeros, within the allowance") << allowed << single(allowed) << "";
        QTest::newRow("text") << text << single(text) << "";
        QTest::newRow("1 GiB announced by 1 MiB")
            << QByteArray()
            << ArchiveFormat::encodeName("/data.bin") + u32(4 + (1 << 20)) + u32(1u << 30) +
                   randomBytes(1 << 20, 12)
            << "more than 100 times";
        QTest::newRow("inflates past what it announces")
            << QByteArray()
            << record("/data.bin", u32(1000) + qCompress(QByteArray(50 << 20, 'z')).mid(4))
            << "more than its size says";
    }
    void expansionIsBounded()
    {
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, archive);
        QFETCH(QString, refusal);
        writeFile(path("dest/keep.txt"), "mine");
        writeFile(path("dest/data.bin"), "old data");
        const auto before = snapshot(path("dest"));
        QString why;
        const bool unpacked = unpack(archive, path("dest"), &why);
        QVERIFY2(unpacked == refusal.isEmpty(), qPrintable(why));
        QVERIFY2(why.contains(refusal), qPrintable(why));
        if (unpacked)
            QVERIFY(readFile(path("dest/data.bin")) == content);
        else
            QCOMPARE(snapshot(path("dest")), before);
        QVERIFY(noLeftovers(path("dest")));
        if (content.isEmpty())
            return;

        writeFile(path("src/data.bin"), content);
        FolderCompressor c;
        QCOMPARE(c.packFolder(path("src"), path("packed.lpk")), unpacked);
        if (unpacked) {
            QVERIFY(readFile(path("packed.lpk")) == archive);
        } else {
            QVERIFY2(c.errorString().contains(path("src")) &&
                         c.errorString().contains("more than 100 times"),
                     qPrintable(c.errorString()));
            QVERIFY(!QFileInfo::exists(path("packed.lpk")));
        }
    }

    // The packer never writes an archive that unpacking refuses: a name it
    // does not take or more than its limits stop the pack, name the file and
    // leave the archive that was there.
    void packingRefusesWhatUnpackingWould_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("maxEntries");
        QTest::addColumn<quint64>("maxTotalSize");
        QTest::addColumn<int>("maxNameLength");
        QTest::addColumn<QString>("message");
        const ArchiveLimits none;
        QTest::newRow("colon") << "b:c.txt" << none.maxEntries << none.maxTotalSize
                               << none.maxNameLength << "\"b:c.txt\" would be refused";
        QTest::newRow("colon in a folder") << "sub:x/c.txt" << none.maxEntries << none.maxTotalSize
                                           << none.maxNameLength << "\"sub:x\" would be refused";
        QTest::newRow("backslash") << "b\\c.txt" << none.maxEntries << none.maxTotalSize
                                   << none.maxNameLength << "path separator";
        QTest::newRow("control character") << "b\tc.txt" << none.maxEntries << none.maxTotalSize
                                           << none.maxNameLength << "control character";
        QTest::newRow("too many files")
            << "c.txt" << 2 << none.maxTotalSize << none.maxNameLength << "at most 2 files";
        QTest::newRow("too many bytes") << "c.txt" << none.maxEntries << quint64(12)
                                        << none.maxNameLength << "more than 12 bytes";
        QTest::newRow("long name") << "c-long-name.txt" << none.maxEntries << none.maxTotalSize
                                   << 10 << "longer than 10 characters";
    }
    void packingRefusesWhatUnpackingWould()
    {
        QFETCH(QString, file);
        QFETCH(int, maxEntries);
        QFETCH(quint64, maxTotalSize);
        QFETCH(int, maxNameLength);
        QFETCH(QString, message);
        ArchiveLimits limits;
        limits.maxEntries = maxEntries;
        limits.maxTotalSize = maxTotalSize;
        limits.maxNameLength = maxNameLength;
        writeFile(path("src/a.txt"), "first");
        writeFile(path("src/b.txt"), "second");
        writeFile(path("src/") + file, "third");
        writeFile(path("out.lpk"), "previous archive");

        FolderCompressor c;
        c.setLimits(limits);
        QVERIFY(!c.packFolder(path("src"), path("out.lpk")));
        const QString why = c.errorString();
        QVERIFY2(why.contains(message), qPrintable(why));
        QVERIFY2(why.contains(path("src/") + file), qPrintable(why));
        QCOMPARE(readFile(path("out.lpk")), QByteArray("previous archive"));
        QCOMPARE(QDir(work.path()).entryList({"out.lpk*"}, QDir::Files | QDir::Hidden).size(), 1);

        // The archive it would have written, made by hand: the unpacker
        // refuses it under the same limits, or, for a backslash, reads a
        // folder into the name and puts the file elsewhere.
        const QByteArray written = record("/a.txt", qCompress("first")) +
                                   record("/b.txt", qCompress("second")) +
                                   record("/" + file, qCompress("third"));
        writeFile(path("handmade.lpk"), written);
        if (file.contains('\\')) {
            QVERIFY(c.unpackArchive(path("handmade.lpk"), path("dest")));
            QCOMPARE(readFile(path("dest/b/c.txt")), QByteArray("third"));
            QVERIFY(QDir(path("dest")).removeRecursively());
        } else {
            QVERIFY(!c.unpackArchive(path("handmade.lpk"), path("dest")));
            QVERIFY(!QFileInfo::exists(path("dest")));
        }

        // Without that file, or with room enough, the folder packs.
        const QString top = path("src/") + file.section('/', 0, 0);
        if (why.contains("would be refused"))
            QVERIFY(QFileInfo(top).isDir() ? QDir(top).removeRecursively() : QFile::remove(top));
        else
            c.setLimits(ArchiveLimits());
        QVERIFY2(c.packFolder(path("src"), path("out.lpk")), qPrintable(c.errorString()));
        QVERIFY(c.unpackArchive(path("out.lpk"), path("dest")));
    }

    void packingFailuresLeaveNoArchive()
    {
        FolderCompressor c;
        writeFile(path("old.lpk"), "previous archive");
        QVERIFY(!c.packFolder(path("missing"), path("old.lpk")));
        QVERIFY(c.errorString().contains("no folder"));
        QCOMPARE(readFile(path("old.lpk")), QByteArray("previous archive"));

        // An entry too large for the 32-bit fields (a sparse file) is refused;
        // the files packed before it do not stay behind as an archive.
        writeFile(path("src/a-first.txt"), "first");
        QFile huge(path("src/huge.bin"));
        QVERIFY(huge.open(QIODevice::WriteOnly));
        QVERIFY(huge.resize(qint64(0x100000000)));
        huge.close();
        QVERIFY(!c.packFolder(path("src"), path("old.lpk")));
        QVERIFY2(c.errorString().contains("more than the archive format can hold"),
                 qPrintable(c.errorString()));
        QCOMPARE(readFile(path("old.lpk")), QByteArray("previous archive"));
        QCOMPARE(QDir(work.path()).entryList({"old.lpk*"}, QDir::Files | QDir::Hidden).size(), 1);

        // The archive may not be written inside the folder it packs.
        QFile::remove(path("src/huge.bin"));
        QVERIFY(!c.packFolder(path("src"), path("src/inner.lpk")));
        QVERIFY(!QFileInfo::exists(path("src/inner.lpk")));
        QVERIFY(!c.packFolder(path("src"), path("src/no/such/folder/x.lpk")));

        // A link back up the tree is packed once, not forever.
        QVERIFY(QFile::link(path("src"), path("src/loop")));
        QVERIFY2(c.packFolder(path("src"), path("loop.lpk")), qPrintable(c.errorString()));
        QVERIFY(readFile(path("loop.lpk")) == record("/a-first.txt", qCompress("first")));
    }

    void commandLineTool()
    {
        const QString tool = QStringLiteral(VANTARA_PACK_TOOL);
        QVERIFY(QFileInfo(tool).isExecutable());
        // Not in the program folder, where the shell could run it.
        QVERIFY(QFileInfo(tool).absolutePath() != QStringLiteral(VANTARA_PROGRAM_DIR));
        auto run = [&](const QStringList &args, QByteArray *err = nullptr,
                       const QString &cwd = QString(), QByteArray *out = nullptr) {
            QProcess p;
            p.setWorkingDirectory(cwd.isEmpty() ? work.path() : cwd);
            p.start(tool, args);
            p.waitForFinished(60000);
            if (err)
                *err = p.readAllStandardError();
            if (out)
                *out = p.readAllStandardOutput();
            return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        };
        writeFile(path("MyApp/icon.png"), randomBytes(500, 1));
        writeFile(path("MyApp/app.con"), "<config/>");
        writeFile(path("MyApp/pages/index.html"), "<html></html>");
        QCOMPARE(run({"pack", path("MyApp"), path("MyApp.lpk")}), 0);
        FolderCompressor c;
        QVERIFY(c.packFolder(path("MyApp"), path("reference.lpk")));
        QVERIFY(readFile(path("MyApp.lpk")) == readFile(path("reference.lpk")));
        QCOMPARE(run({"unpack", path("MyApp.lpk"), path("Copy")}), 0);
        QCOMPARE(snapshot(path("Copy")), snapshot(path("MyApp")));
        // The folder named with a trailing separator, or as "." from inside it.
        QCOMPARE(run({"unpack", path("MyApp.lpk"), path("Slash") + "/"}), 0);
        QCOMPARE(snapshot(path("Slash")), snapshot(path("MyApp")));
        QDir().mkpath(path("Dot"));
        QCOMPARE(run({"unpack", "../MyApp.lpk", "."}, nullptr, path("Dot")), 0);
        QCOMPARE(snapshot(path("Dot")), snapshot(path("MyApp")));
        QCOMPARE(run({"pack", ".", "../Dot.lpk"}, nullptr, path("Dot")), 0);
        QVERIFY(readFile(path("Dot.lpk")) == readFile(path("MyApp.lpk")));

        QByteArray err;
        QCOMPARE(run({"pack", path("NoSuchApp"), path("x.lpk")}, &err), 1);
        QVERIFY2(err.contains("pack failed") && err.contains("NoSuchApp"), err.constData());
        writeFile(path("bad.lpk"), readFile(path("MyApp.lpk")).left(30));
        QCOMPARE(run({"unpack", path("bad.lpk"), path("Bad")}, &err), 1);
        QVERIFY2(err.contains("truncated"), err.constData());
        QVERIFY(!QFileInfo::exists(path("Bad")));
        QCOMPARE(run({"unpack", path("bad.lpk")}, &err), 2);
        QVERIFY(err.contains("usage"));
        QCOMPARE(run({"squash", path("a"), path("b")}), 2);

        // A name the unpacker refuses: no archive, and the file is named.
        writeFile(path("MyApp/notes:old.txt"), "x");
        QCOMPARE(run({"pack", path("MyApp"), path("Colon.lpk")}, &err), 1);
        QVERIFY2(err.contains("notes:old.txt") && err.contains("rename it"), err.constData());
        QVERIFY(!QFileInfo::exists(path("Colon.lpk")));

        // The help explains both commands and the exit status.
        QByteArray out;
        QCOMPARE(run({"--help"}, &err, QString(), &out), 0);
        for (const char *topic : {"pack FOLDER ARCHIVE", "unpack ARCHIVE FOLDER", "Hidden files",
                                  "refuses it all", "symbolic link", "Exit status", "\":\""})
            QVERIFY2(out.contains(topic), topic);
    }

    // The tool stands on QtCore and zlib alone: nothing of the shell's
    // libraries (web views, widgets, sound, tags) is loaded to pack a folder.
    void toolNeedsNoShellLibraries()
    {
#ifdef Q_OS_LINUX
        QProcess ldd;
        ldd.start(QStringLiteral("ldd"), {QStringLiteral(VANTARA_PACK_TOOL)});
        QVERIFY(ldd.waitForFinished(30000));
        QCOMPARE(ldd.exitCode(), 0);
        const QByteArray out = ldd.readAllStandardOutput();
        QVERIFY2(out.contains("libQt5Core.so") && out.contains("libz.so"), out.constData());
        for (const QByteArray &line : out.split('\n')) {
            for (const char *shellOnly :
                 {"Qt5WebKit", "Qt5Gui", "Qt5Widgets", "phonon", "libtag", "libvantara"})
                QVERIFY2(!line.contains(shellOnly), line.constData());
        }
#else
        QSKIP("reads the tool's libraries with ldd");
#endif
    }
};

QTEST_GUILESS_MAIN(TestFolderCompressor)
#include "tst_foldercompressor.moc"
