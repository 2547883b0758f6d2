#include "web/PermissionFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>
#include <QUrl>

namespace
{
const QString allowWord = QStringLiteral("allow");
const QString denyWord = QStringLiteral("deny");

QString keyOf(const QString &feature, const QString &origin)
{
    return feature + QLatin1Char(' ') + origin;
}
} // namespace

PermissionFile::PermissionFile(const QString &file) : path(file), answers(read()) {}

bool PermissionFile::isFeatureName(const QString &name)
{
    for (const char *known : {"notifications", "location", "microphone", "camera",
                              "camera+microphone", "screen", "screen+sound"})
        if (name == QLatin1String(known))
            return true;
    return false;
}

QString PermissionFile::originOf(const QUrl &url)
{
    if (url.host().isEmpty())
        return QString();
    return url
        .adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment |
                  QUrl::RemoveUserInfo)
        .toString();
}

std::optional<bool> PermissionFile::answer(const QString &feature, const QString &origin) const
{
    const auto found = answers.constFind(keyOf(feature, origin));
    if (found == answers.cend())
        return std::nullopt;
    return found.value();
}

void PermissionFile::remember(const QString &feature, const QString &origin, bool allowed)
{
    const QString key = keyOf(feature, origin);
    QHash<QString, bool> now = read();
    if (!now.contains(key) && now.size() >= maxAnswers)
        return;
    now.insert(key, allowed);
    answers = now;
    write();
}

QHash<QString, bool> PermissionFile::read() const
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly) || in.size() > maxFileBytes)
        return {};
    QHash<QString, bool> found;
    const QList<QByteArray> lines = in.read(maxFileBytes).split('\n');
    for (const QByteArray &raw : lines) {
        if (raw.isEmpty())
            continue;
        const QStringList parts = QString::fromUtf8(raw).split(QLatin1Char(' '));
        const QUrl origin(parts.value(2), QUrl::StrictMode);
        if (parts.size() != 3 || (parts[0] != allowWord && parts[0] != denyWord) ||
            !isFeatureName(parts[1]) || !origin.isValid() || origin.host().isEmpty() ||
            originOf(origin) != parts[2] || found.size() >= maxAnswers)
            return {}; // damaged: nothing of it counts
        found.insert(keyOf(parts[1], parts[2]), parts[0] == allowWord);
    }
    return found;
}

void PermissionFile::write() const
{
    QByteArray text;
    for (auto it = answers.cbegin(); it != answers.cend(); ++it)
        text += ((it.value() ? allowWord : denyWord) + QLatin1Char(' ') + it.key()).toUtf8() + '\n';
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return;
    out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    out.write(text);
    out.commit();
}
