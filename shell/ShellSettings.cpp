#include "shell/ShellSettings.h"

#include "shell/BoundedXml.h"
#include "shell/ShellPaths.h"

#include <QDomDocument>
#include <QFile>

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
    return settings;
}
