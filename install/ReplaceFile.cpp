#include "install/ReplaceFile.h"

#include <QFile>
#include <filesystem>
#include <system_error>

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
