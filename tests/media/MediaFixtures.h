#pragma once

#include "PrivateBus.h"

#include <QColor>
#include <QDBusConnection>
#include <QJsonArray>
#include <QPointer>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <QWebView>

namespace MediaFixtures
{
// Writes an MP3 of the given length (a quiet tone) with lame; title and
// artist become ID3v2 tags unless both are empty. True when the file exists.
bool makeMp3(const QString &path, int seconds, const QString &title = QString(),
             const QString &artist = QString());
// A small PNG of one colour.
bool makePng(const QString &path, const QColor &colour, int width = 64, int height = 48);
// Creates folder (and parents) and returns its absolute path.
QString makeFolder(const QString &path);
// An empty file.
bool touch(const QString &path);
} // namespace MediaFixtures

// A local app page in a folder of its own that records the shell's calls of
// RollBar, cover and Filler, each as [name, arguments...].
class RecordingPage
{
public:
    // Makes the view (named objectName) and loads the page; check loaded().
    explicit RecordingPage(const QString &objectName = QStringLiteral("Music.map"));
    ~RecordingPage();

    QWebView *view() const { return webView; }
    bool loaded() const { return ok; }
    QJsonArray calls() const;
    // The calls of one function, each as its argument list.
    QList<QJsonArray> callsOf(const QString &function) const;
    void clear();

private:
    QTemporaryDir folder;
    QPointer<QWebView> webView;
    bool ok = false;
};
