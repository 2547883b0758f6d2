#include "MediaFixtures.h"

#include "TestShell.h"
#include "shell/ScriptBridge.h"

#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonDocument>
#include <QProcess>
#include <QUrl>
#include <QWebFrame>
#include <QWebView>
#include <QtMath>

namespace MediaFixtures
{

namespace
{
bool writeWav(const QString &path, int seconds)
{
    const quint32 rate = 8000;
    const quint32 samples = rate * quint32(seconds);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    QDataStream out(&f);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + samples * 2);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << rate << quint32(rate * 2) << quint16(2)
        << quint16(16);
    out.writeRawData("data", 4);
    out << quint32(samples * 2);
    for (quint32 i = 0; i < samples; ++i)
        out << qint16(2000 * qSin(2 * M_PI * 440 * i / rate));
    return out.status() == QDataStream::Ok;
}
} // namespace

bool makeMp3(const QString &path, int seconds, const QString &title, const QString &artist)
{
    const QString wav = path + QStringLiteral(".wav");
    if (!writeWav(wav, seconds))
        return false;
    QStringList args{QStringLiteral("--quiet"), QStringLiteral("-b"), QStringLiteral("32")};
    if (!title.isEmpty() || !artist.isEmpty())
        args << QStringLiteral("--id3v2-only") << QStringLiteral("--id3v2-utf16")
             << QStringLiteral("--tt") << title << QStringLiteral("--ta") << artist;
    args << wav << path;
    QProcess lame;
    // lame reads tag texts in the locale's encoding.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    lame.setProcessEnvironment(env);
    lame.start(QStringLiteral("lame"), args);
    const bool ran = lame.waitForFinished(60000) && lame.exitCode() == 0;
    QFile::remove(wav);
    return ran && QFileInfo(path).size() > 0;
}

bool makePng(const QString &path, const QColor &colour, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image.save(path, "PNG");
}

QString makeFolder(const QString &path)
{
    QDir().mkpath(path);
    return QFileInfo(path).absoluteFilePath();
}

bool touch(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly);
}

} // namespace MediaFixtures

RecordingPage::RecordingPage(const QString &objectName)
{
    const QString page = folder.filePath(QStringLiteral("index.html"));
    QFile f(page);
    if (!f.open(QIODevice::WriteOnly))
        return;
    f.write("<!DOCTYPE html><html><head><meta charset='utf-8'><title>rec</title><script>\n"
            "var calls = [];\n"
            "function record(name, args) {\n"
            "  var c = [name];\n"
            "  for (var i = 0; i < args.length; ++i) c.push(args[i]);\n"
            "  calls.push(c);\n"
            "}\n"
            "function RollBar() { record('RollBar', arguments); }\n"
            "function cover() { record('cover', arguments); }\n"
            "function Filler() { record('Filler', arguments); }\n"
            "</script></head><body></body></html>");
    f.close();
    webView = new QWebView;
    webView->setObjectName(objectName);
    ScriptBridge::markAppFolder(webView->page(), folder.path());
    ok = TestUtil::loadUrl(webView, QUrl::fromLocalFile(page));
}

RecordingPage::~RecordingPage()
{
    delete webView;
}

QJsonArray RecordingPage::calls() const
{
    const QString json = webView->page()
                             ->mainFrame()
                             ->evaluateJavaScript(QStringLiteral("JSON.stringify(calls)"))
                             .toString();
    return QJsonDocument::fromJson(json.toUtf8()).array();
}

QList<QJsonArray> RecordingPage::callsOf(const QString &function) const
{
    QList<QJsonArray> out;
    for (const QJsonValue &v : calls()) {
        QJsonArray call = v.toArray();
        if (call.at(0).toString() == function) {
            call.removeFirst();
            out << call;
        }
    }
    return out;
}

void RecordingPage::clear()
{
    webView->page()->mainFrame()->evaluateJavaScript(QStringLiteral("calls = [];"));
}
