#include "RunTool.h"

#include "TestShell.h"

#include <QProcess>

bool runTool(const QString &program, const QStringList &args, QByteArray *out,
             const QProcessEnvironment &env, const QString &folder, int timeoutMs)
{
    QProcess tool;
    tool.setProcessEnvironment(env);
    if (!folder.isEmpty())
        tool.setWorkingDirectory(folder);
    tool.start(program, args);
    if (!tool.waitForStarted(10000))
        return false;
    if (!TestUtil::waitFor([&] { return tool.state() == QProcess::NotRunning; }, timeoutMs)) {
        tool.kill();
        tool.waitForFinished(2000);
        return false;
    }
    if (out)
        *out = tool.readAllStandardOutput();
    return tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}
