#pragma once

#include "TestShell.h"
#include "install/FolderCompressor.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
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

} // namespace InstallTestUtil
