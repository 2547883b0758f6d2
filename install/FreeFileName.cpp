#include "install/FreeFileName.h"

#include <QFile>
#include <QFileInfo>

namespace
{
constexpr int maxTries = 1000;

QString numbered(const QString &name, int n)
{
    if (n == 0)
        return name;
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    const QString base = dot > 0 ? name.left(dot) : name;
    const QString suffix = dot > 0 ? name.mid(dot) : QString();
    return QStringLiteral("%1 (%2)%3").arg(base).arg(n).arg(suffix);
}
} // namespace

QString claimFreeFileName(const QString &folder, const QString &name, QString *why)
{
    for (int n = 0; n < maxTries; ++n) {
        const QString path = folder + QLatin1Char('/') + numbered(name, n);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return path;
        // Taken: try the next number. Anything else will not get better.
        if (!QFileInfo(path).exists() && !QFileInfo(path).isSymLink()) {
            *why = QStringLiteral("cannot create %1: %2").arg(path, file.errorString());
            return QString();
        }
    }
    *why = QStringLiteral("%1 names of %2 are taken in %3").arg(maxTries).arg(name, folder);
    return QString();
}
