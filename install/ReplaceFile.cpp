#include "install/ReplaceFile.h"

#include <QFile>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_WIN
#include <windows.h>
#elif defined(Q_OS_LINUX)
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>
#ifndef RENAME_EXCHANGE
#define RENAME_EXCHANGE (1 << 1)
#endif
#endif

namespace
{
std::filesystem::path nativePath(const QString &path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

// Renames a folder to a name that is free; the reason in why when it fails.
bool moveFolder(const QString &from, const QString &to, QString *why)
{
#ifdef Q_OS_WIN
    // No MOVEFILE_REPLACE_EXISTING: the new name must be free.
    if (MoveFileExW(reinterpret_cast<const wchar_t *>(from.utf16()),
                    reinterpret_cast<const wchar_t *>(to.utf16()), 0))
        return true;
    *why = QStringLiteral("system error %1").arg(GetLastError());
    return false;
#else
    std::error_code ec;
    std::filesystem::rename(nativePath(from), nativePath(to), ec);
    if (ec)
        *why = QString::fromStdString(ec.message());
    return !ec;
#endif
}
} // namespace

bool replaceFile(const QString &from, const QString &to, QString *error)
{
    std::error_code ec;
    std::filesystem::rename(nativePath(from), nativePath(to), ec);
    if (ec) {
        *error = QStringLiteral("cannot move %1 into place: %2")
                     .arg(to, QString::fromStdString(ec.message()));
        return false;
    }
    return true;
}

bool exchangeFolders(const QString &first, const QString &second, const QString &spare,
                     QString *error)
{
#if defined(Q_OS_LINUX) && defined(SYS_renameat2)
    const QByteArray a = QFile::encodeName(first);
    const QByteArray b = QFile::encodeName(second);
    if (syscall(SYS_renameat2, AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_EXCHANGE) ==
        0)
        return true;
    // Older kernels and some file systems cannot exchange; anything else is
    // a real refusal that renames would meet as well.
    if (errno != ENOSYS && errno != EINVAL) {
        *error = QStringLiteral("cannot put %1 in place: %2")
                     .arg(second, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
#endif
    return exchangeFoldersByRenames(first, second, spare, error);
}

bool exchangeFoldersByRenames(const QString &first, const QString &second, const QString &spare,
                              QString *error)
{
    QString why;
    if (!moveFolder(second, spare, &why)) {
        *error = QStringLiteral("cannot move %1 aside: %2").arg(second, why);
        return false;
    }
    if (!moveFolder(first, second, &why)) {
        *error = QStringLiteral("cannot put %1 in place: %2").arg(second, why);
        QString ignored;
        if (!moveFolder(spare, second, &ignored))
            *error += QStringLiteral("; the old folder is at %1").arg(spare);
        return false;
    }
    return true;
}
