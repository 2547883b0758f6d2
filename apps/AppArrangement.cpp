#include "apps/AppArrangement.h"

#include "shell/ShellPaths.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace
{
// A key is a folder name (at most 255 bytes on any file system we run on)
// or "/" and a dock item's name.
bool isKeyList(const QJsonValue &value)
{
    if (!value.isArray())
        return false;
    const QJsonArray keys = value.toArray();
    for (const QJsonValue &key : keys)
        if (!key.isString() || key.toString().isEmpty() || key.toString().size() > 256)
            return false;
    return true;
}
} // namespace

QString AppArrangement::normalized(const QString &layout)
{
    if (layout.size() > maxBytes)
        return QString();
    const QJsonDocument doc = QJsonDocument::fromJson(layout.toUtf8());
    if (!doc.isObject())
        return QString();
    const QJsonObject object = doc.object();
    if (!isKeyList(object.value("dock")) || !object.value("pages").isArray())
        return QString();
    const QJsonArray pages = object.value("pages").toArray();
    for (const QJsonValue &page : pages)
        if (!isKeyList(page))
            return QString();
    QJsonObject clean;
    clean.insert("pages", pages);
    clean.insert("dock", object.value("dock"));
    return QString::fromUtf8(QJsonDocument(clean).toJson(QJsonDocument::Compact));
}

QString AppArrangement::load(const ShellPaths &paths)
{
    QFile file(paths.arrangementFile());
    if (!file.open(QIODevice::ReadOnly) || file.size() > maxBytes)
        return QString();
    return normalized(QString::fromUtf8(file.readAll()));
}

bool AppArrangement::store(const ShellPaths &paths, const QString &layout)
{
    const QString clean = normalized(layout);
    if (clean.isEmpty())
        return false;
    QSaveFile file(paths.arrangementFile());
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(clean.toUtf8());
    return file.commit();
}
