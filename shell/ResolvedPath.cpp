#include "shell/ResolvedPath.h"

#include <QDir>
#include <QFileInfo>

namespace
{
// More links than this on one path is a loop (the kernel's limit is 40).
const int maxLinks = 40;

Qt::CaseSensitivity fileNameCase()
{
#ifdef Q_OS_WIN
    return Qt::CaseInsensitive;
#else
    return Qt::CaseSensitive;
#endif
}
} // namespace

QString ResolvedPath::of(const QString &path)
{
    if (path.isEmpty())
        return QString();
    QString current = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    for (int links = 0; links <= maxLinks; ++links) {
        const QString canonical = QFileInfo(current).canonicalFilePath();
        if (!canonical.isEmpty())
            return canonical;
        // Walk up to the nearest parent that exists; what lies below it is
        // resolved by name, unless its first step is a link to nothing.
        QString existing = current;
        QStringList rest;
        while (!QFileInfo::exists(existing)) {
            const QFileInfo info(existing);
            const QString parent = info.path();
            if (parent == existing)
                return QString(); // not even the root exists
            rest.prepend(info.fileName());
            existing = parent;
        }
        const QString base = QFileInfo(existing).canonicalFilePath();
        if (base.isEmpty())
            return QString();
        const QString first = QDir(base).filePath(rest.first());
        const QFileInfo step(first);
        if (!step.isSymLink()) {
            return QDir::cleanPath(base + QLatin1Char('/') + rest.join(QLatin1Char('/')));
        }
        rest.removeFirst();
        current = QDir::cleanPath(step.symLinkTarget() +
                                  (rest.isEmpty() ? QString() : QLatin1Char('/') + rest.join('/')));
    }
    return QString();
}

bool ResolvedPath::isInside(const QString &path, const QString &folder)
{
    const QString root = of(folder);
    const QString resolved = of(path);
    if (root.isEmpty() || resolved.isEmpty())
        return false;
    if (resolved.compare(root, fileNameCase()) == 0)
        return true;
    const QString prefix = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    return resolved.startsWith(prefix, fileNameCase());
}
