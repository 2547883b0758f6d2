#include "web/OpenGLProbe.h"

#include "web/EngineLoader.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>

namespace
{
QProcess *probe = nullptr;
OpenGLProbe::Answer known = OpenGLProbe::Answer::Unknown;
bool asked = false;

// How long a first remote page waits for an answer still coming.
const int waitMs = 3000;

bool matters()
{
    const QString platform = QGuiApplication::platformName();
    return (platform == QLatin1String("xcb") || platform == QLatin1String("windows")) &&
           qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND");
}

void finish()
{
    if (!probe)
        return;
    if (probe->state() != QProcess::NotRunning && !probe->waitForFinished(waitMs)) {
        probe->kill();
        probe->waitForFinished(waitMs);
    }
    if (probe->exitStatus() == QProcess::NormalExit && probe->error() != QProcess::FailedToStart)
        known = OpenGLProbe::read(probe->exitCode(), probe->readAllStandardOutput());
    delete probe;
    probe = nullptr;
}
} // namespace

QString OpenGLProbe::programPath()
{
    const QString library = EngineLoader::libraryPath();
    if (library.isEmpty())
        return QString();
    return QFileInfo(library).absolutePath() + QLatin1Char('/') + programName();
}

QString OpenGLProbe::programName()
{
#ifdef Q_OS_WIN
    return QStringLiteral("vantara-glprobe.exe");
#else
    return QStringLiteral("vantara-glprobe");
#endif
}

void OpenGLProbe::start()
{
    if (asked || !qobject_cast<QGuiApplication *>(QCoreApplication::instance()) || !matters())
        return;
    asked = true;
    const QString program = programPath();
    if (program.isEmpty() || !QFileInfo(program).isExecutable())
        return;
    probe = new QProcess;
    probe->setProcessChannelMode(QProcess::SeparateChannels);
    probe->setStandardErrorFile(QProcess::nullDevice());
    // Ended as soon as it is done: nothing of it stays around.
    QObject::connect(
        probe, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), probe,
        [] { finish(); }, Qt::QueuedConnection);
    probe->start(program, QStringList());
}

OpenGLProbe::Answer OpenGLProbe::answer()
{
    start();
    finish();
    return known;
}

bool OpenGLProbe::namesSoftware(const QString &renderer)
{
    for (const char *name : {"llvmpipe", "softpipe", "software rasterizer", "swrast", "swr (",
                             "swiftshader", "microsoft basic render driver", "gdi generic"})
        if (renderer.contains(QLatin1String(name), Qt::CaseInsensitive))
            return true;
    return false;
}

OpenGLProbe::Answer OpenGLProbe::read(int exitCode, const QByteArray &output)
{
    if (exitCode == 1)
        return Answer::None;
    if (exitCode != 0)
        return Answer::Unknown;
    const QString renderer = QString::fromUtf8(output).trimmed();
    if (renderer.isEmpty())
        return Answer::Unknown;
    return namesSoftware(renderer) ? Answer::Software : Answer::Hardware;
}
