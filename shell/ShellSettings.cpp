#include "shell/ShellSettings.h"

#include "shell/BoundedXml.h"
#include "shell/ShellPaths.h"

#include <QDomDocument>
#include <QFile>

namespace
{
constexpr int week = 7 * 24 * 3600;

// The number in element name of root when it lies in [low, high]; fallback
// otherwise.
int boundedNumber(const QDomElement &root, const char *name, int low, int high, int fallback)
{
    const QDomElement e = root.firstChildElement(QLatin1String(name));
    bool ok = false;
    const int n = e.text().trimmed().toInt(&ok);
    return !e.isNull() && ok && n >= low && n <= high ? n : fallback;
}
} // namespace

bool ShellSettings::isLight(const QString &name) const
{
    return lightForAll || (!name.isEmpty() && lightApps.contains(name));
}

ShellSettings ShellSettings::read(const ShellPaths &paths)
{
    QFile file(paths.settingsFile());
    if (!file.open(QIODevice::ReadOnly) || file.size() > BoundedXml::maxBytes)
        return {};
    return parse(file.read(BoundedXml::maxBytes + 1));
}

ShellSettings ShellSettings::parse(const QByteArray &xml)
{
    ShellSettings settings;
    QDomDocument doc;
    if (!BoundedXml::parse(xml, doc))
        return settings;
    const QDomElement root = doc.documentElement();
    const QString restore = root.firstChildElement("restoreApps").text().trimmed();
    settings.restoreApps = restore != QLatin1String("false") && restore != QLatin1String("0") &&
                           restore != QLatin1String("off");
    for (QDomElement e = root.firstChildElement("lightEngine"); !e.isNull();
         e = e.nextSiblingElement("lightEngine")) {
        const QString name = e.text().trimmed();
        if (name == QLatin1String("all"))
            settings.lightForAll = true;
        else if (!name.isEmpty())
            settings.lightApps.append(name);
    }
    settings.freezeAfter = boundedNumber(root, "freezeAfter", 1, week, settings.freezeAfter);
    settings.discardAfter = boundedNumber(root, "discardAfter", 1, week, settings.discardAfter);
    settings.keepLoaded = boundedNumber(root, "keepLoaded", 0, 100, settings.keepLoaded);
    return settings;
}
