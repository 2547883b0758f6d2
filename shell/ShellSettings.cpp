#include "shell/ShellSettings.h"

#include "shell/BoundedXml.h"
#include "shell/ShellPaths.h"

#include <QDomDocument>
#include <QFile>
#include <QSaveFile>
#include <functional>

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

namespace
{
// Rewrites the settings file in one step with change applied to its root
// element, keeping everything else; empty when done, else why not, the file
// left as it was.
QString rewrite(const ShellPaths &paths, const std::function<void(QDomElement &)> &change)
{
    const QString unreadable = QStringLiteral("settings.xml is damaged or too large");
    QDomDocument doc;
    QFile file(paths.settingsFile());
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly) || file.size() > BoundedXml::maxBytes ||
            !BoundedXml::parse(file.read(BoundedXml::maxBytes + 1), doc) ||
            doc.documentElement().isNull())
            return unreadable;
        file.close();
    } else {
        doc.appendChild(doc.createElement(QStringLiteral("settings")));
    }
    QDomElement root = doc.documentElement();
    change(root);
    const QByteArray xml = doc.toByteArray();
    if (xml.size() > BoundedXml::maxBytes)
        return unreadable;
    QSaveFile out(paths.settingsFile());
    // The user's alone, whatever the mask of the process.
    if (out.open(QIODevice::WriteOnly) &&
        out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) &&
        out.write(xml) == xml.size() && out.commit())
        return QString();
    return QStringLiteral("settings.xml cannot be written");
}

void removeAll(QDomElement &root, const QString &name, const std::function<bool(QString)> &which)
{
    for (QDomElement e = root.firstChildElement(name); !e.isNull();) {
        const QDomElement next = e.nextSiblingElement(name);
        if (which(e.text().trimmed()))
            root.removeChild(e);
        e = next;
    }
}

void append(QDomElement &root, const QString &name, const QString &value)
{
    QDomElement e = root.ownerDocument().createElement(name);
    e.appendChild(root.ownerDocument().createTextNode(value));
    root.appendChild(e);
}

// Makes value the only element named element; an empty value leaves none
// (an empty wallpaper is our own), and without a file there is nothing to
// remove.
QString replace(const ShellPaths &paths, const QString &element, const QString &value)
{
    if (value.isEmpty() && !QFile::exists(paths.settingsFile()))
        return QString();
    return rewrite(paths, [&](QDomElement &root) {
        removeAll(root, element, [](const QString &) { return true; });
        if (!value.isEmpty())
            append(root, element, value);
    });
}

QString numberRefusal(const QString &value, int low, int high)
{
    bool ok = false;
    const int n = value.toInt(&ok);
    return ok && n >= low && n <= high
               ? QString()
               : QStringLiteral("a whole number from %1 to %2").arg(low).arg(high);
}
} // namespace

bool ShellSettings::setLight(const ShellPaths &paths, const QString &name, bool light)
{
    const QString clean = name.trimmed();
    if (clean.isEmpty() || clean == QLatin1String("all") || clean.size() > 255)
        return false;
    return rewrite(paths,
                   [&](QDomElement &root) {
                       removeAll(root, QStringLiteral("lightEngine"),
                                 [&](const QString &text) { return text == clean; });
                       if (light)
                           append(root, QStringLiteral("lightEngine"), clean);
                   })
        .isEmpty();
}

bool ShellSettings::setDoNotDisturb(const ShellPaths &paths, bool on)
{
    return replace(paths, QStringLiteral("doNotDisturb"), on ? QStringLiteral("true") : QString())
        .isEmpty();
}

QString ShellSettings::refusal(const QString &element, const QString &value)
{
    if (element == QLatin1String("restoreApps"))
        return value == QLatin1String("true") || value == QLatin1String("false")
                   ? QString()
                   : QStringLiteral("true or false");
    if (element == QLatin1String("freezeAfter") || element == QLatin1String("discardAfter"))
        return numberRefusal(value, 1, week);
    if (element == QLatin1String("keepLoaded"))
        return numberRefusal(value, 0, 100);
    if (element == QLatin1String("keyboard"))
        return QStringList({"touch", "always", "off"}).contains(value)
                   ? QString()
                   : QStringLiteral("touch, always or off");
    // A plain file name: the Pictures folder's own, never a path.
    if (element == QLatin1String("wallpaper"))
        return value.size() <= 255 && !value.contains(QLatin1Char('/')) &&
                       value != QLatin1String(".") && value != QLatin1String("..") &&
                       !value.contains(QChar(0))
                   ? QString()
                   : QStringLiteral("a file name in the Pictures folder");
    return QStringLiteral("no such setting");
}

QString ShellSettings::set(const ShellPaths &paths, const QString &element, const QString &value)
{
    const QString refused = refusal(element, value);
    if (!refused.isEmpty())
        return refused;
    return replace(paths, element, value);
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
    const QString wallpaper = root.firstChildElement("wallpaper").text().trimmed();
    if (refusal(QStringLiteral("wallpaper"), wallpaper).isEmpty())
        settings.wallpaper = wallpaper;
    settings.doNotDisturb =
        root.firstChildElement("doNotDisturb").text().trimmed() == QLatin1String("true");
    return settings;
}
