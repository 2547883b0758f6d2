#include "shell/ShellSettings.h"

#include "shell/BoundedXml.h"
#include "shell/ShellPaths.h"

#include <QDomDocument>
#include <QFile>
#include <QSaveFile>

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

bool ShellSettings::setLight(const ShellPaths &paths, const QString &name, bool light)
{
    const QString clean = name.trimmed();
    if (clean.isEmpty() || clean == QLatin1String("all") || clean.size() > 255)
        return false;
    QDomDocument doc;
    QFile file(paths.settingsFile());
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly) || file.size() > BoundedXml::maxBytes ||
            !BoundedXml::parse(file.read(BoundedXml::maxBytes + 1), doc) ||
            doc.documentElement().isNull())
            return false;
        file.close();
    } else {
        doc.appendChild(doc.createElement(QStringLiteral("settings")));
    }
    QDomElement root = doc.documentElement();
    for (QDomElement e = root.firstChildElement("lightEngine"); !e.isNull();) {
        const QDomElement next = e.nextSiblingElement("lightEngine");
        if (e.text().trimmed() == clean)
            root.removeChild(e);
        e = next;
    }
    if (light) {
        QDomElement e = doc.createElement(QStringLiteral("lightEngine"));
        e.appendChild(doc.createTextNode(clean));
        root.appendChild(e);
    }
    const QByteArray xml = doc.toByteArray();
    if (xml.size() > BoundedXml::maxBytes)
        return false;
    QSaveFile out(paths.settingsFile());
    // The user's alone, whatever the mask of the process.
    return out.open(QIODevice::WriteOnly) &&
           out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) &&
           out.write(xml) == xml.size() && out.commit();
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
    const QString keyboard = root.firstChildElement("keyboard").text().trimmed();
    if (keyboard == QLatin1String("always"))
        settings.keyboard = Keyboard::Always;
    else if (keyboard == QLatin1String("off"))
        settings.keyboard = Keyboard::Off;
    return settings;
}
