#pragma once

#include <QString>

// The texts that installations and downloads show.
namespace InstallMessages
{
inline QString started()
{
    return QStringLiteral("Download Started");
}
inline QString finished()
{
    return QStringLiteral("Download Finish");
}
inline QString installerStarts()
{
    return QStringLiteral("The installer will now start !");
}
inline QString installed(const QString &package)
{
    return package + QStringLiteral("installed");
}
inline QString downloadFailed(const QString &why)
{
    return QStringLiteral("Download failed: %1").arg(why);
}
inline QString notInstalled(const QString &name, const QString &why)
{
    return QStringLiteral("%1 was not installed: %2").arg(name, why);
}
inline QString badName(const QString &name)
{
    return QStringLiteral("\"%1\" is not a valid name for an app or a file").arg(name);
}
} // namespace InstallMessages
