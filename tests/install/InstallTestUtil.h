#pragma once

#include "TestShell.h"
#include "install/FolderCompressor.h"

#include <QDataStream>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QWebFrame>
#include <QWebView>

// Helpers shared by the installation tests.
namespace InstallTestUtil
{
using TestUtil::readFile;
using TestUtil::writeFile;

// A home page that records its createwebapp calls.
inline bool loadRecordingHome(TestShell &shell)
{
    return shell.loadHome(QStringLiteral("<html><body><script>var calls = [];"
                                         "function createwebapp(i, n, l) { calls.push([i, n, l]); }"
                                         "</script></body></html>"),
                          QUrl(QStringLiteral("qrc:/Lumo.html")));
}

// The createwebapp calls so far, each as [icon, name, link].
inline QList<QStringList> createwebappCalls(TestShell &shell)
{
    const QString json =
        shell.homeFrame()->evaluateJavaScript(QStringLiteral("JSON.stringify(calls)")).toString();
    QList<QStringList> calls;
    for (const QJsonValue &call : QJsonDocument::fromJson(json.toUtf8()).array()) {
        QStringList args;
        for (const QJsonValue &a : call.toArray())
            args << a.toString();
        calls << args;
    }
    return calls;
}

// Every file below root, hidden ones included: relative path -> content.
inline QMap<QString, QByteArray> files(const QString &root)
{
    QMap<QString, QByteArray> tree;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        tree.insert(QDir(root).relativeFilePath(path), readFile(path));
    }
    return tree;
}

// The bytes of a package holding the given files.
inline QByteArray package(const QMap<QString, QByteArray> &content)
{
    QTemporaryDir dir;
    for (auto it = content.cbegin(); it != content.cend(); ++it)
        writeFile(dir.filePath(QStringLiteral("app/") + it.key()), it.value());
    QDir().mkpath(dir.filePath(QStringLiteral("app")));
    FolderCompressor c;
    if (!c.packFolder(dir.filePath(QStringLiteral("app")), dir.filePath(QStringLiteral("p.lpk"))))
        return QByteArray();
    return readFile(dir.filePath(QStringLiteral("p.lpk")));
}

// What QDataStream writes for one entry: the reference encoding of a record.
inline QByteArray record(const QString &name, const QByteArray &block)
{
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s << name << block;
    return out;
}

// Every entry below root as it is, links not followed: relative path ->
// "dir <permissions>", "link <target>", "file <permissions> <content>" or
// "other" (a pipe, a device).
inline QMap<QString, QByteArray> exactTree(const QString &root)
{
    QMap<QString, QByteArray> tree;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        const QByteArray mode = QByteArray::number(int(info.permissions()), 16);
        QByteArray entry = "other";
        if (info.isSymLink())
            entry = "link " + QFile::encodeName(info.symLinkTarget());
        else if (info.isDir())
            entry = "dir " + mode;
        else if (info.isFile())
            entry = "file " + mode + ' ' + readFile(path);
        tree.insert(QDir(root).relativeFilePath(path), entry);
    }
    return tree;
}

// Hidden working folders (".<name>.unpack-…") left in folder.
inline QStringList workingFolders(const QString &folder)
{
    return QDir(folder)
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
        .filter(QStringLiteral(".unpack-"));
}

// A folder on another file system than the test's own: a tmpfs mounted at
// the folder asked for (root only; unmounted again), else a folder in
// /dev/shm when that lies on another device. path() is empty when neither is
// possible, and reason() says why.
class OtherFileSystem
{
public:
    explicit OtherFileSystem(const QString &at)
    {
        QDir().mkpath(at);
        const QByteArray here = QStorageInfo(at).device();
        if (QProcess::execute(QStringLiteral("mount"),
                              {QStringLiteral("-t"), QStringLiteral("tmpfs"),
                               QStringLiteral("tmpfs"), at}) == 0) {
            mounted = at;
            folder = at;
            return;
        }
        if (shm.isValid() && QStorageInfo(shm.path()).device() != here) {
            folder = shm.path();
            return;
        }
        why = QStringLiteral("cannot mount a tmpfs here, and /dev/shm is on the same file system");
    }
    ~OtherFileSystem()
    {
        if (!mounted.isEmpty())
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), mounted});
    }
    OtherFileSystem(const OtherFileSystem &) = delete;
    OtherFileSystem &operator=(const OtherFileSystem &) = delete;

    QString path() const { return folder; }
    bool isMountPoint() const { return !mounted.isEmpty(); }
    QString reason() const { return why; }

private:
    QTemporaryDir shm{QStringLiteral("/dev/shm/vantara-test-XXXXXX")};
    QString mounted;
    QString folder;
    QString why;
};

} // namespace InstallTestUtil
