#include "web/SiteDetails.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace
{
constexpr int maxScriptResult = 256 * 1024;
constexpr int maxAddressLength = 2048;

QUrl webAddress(const QString &text, const QUrl &base = QUrl())
{
    if (text.isEmpty() || text.size() > maxAddressLength)
        return QUrl();
    const QUrl url = base.resolved(QUrl(text));
    const QString scheme = url.scheme();
    return url.isValid() && !url.host().isEmpty() &&
                   (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
               ? url
               : QUrl();
}

QString text(const QJsonValue &value, int maxLength = SiteDetails::maxNameLength * 4)
{
    // Anything longer was never meant as a name: cutting it would mislead.
    return value.isString() && value.toString().size() <= maxLength ? value.toString() : QString();
}

// icons: the page's links ({href, sizes}) or the manifest's icons ({src, sizes}).
QList<SiteDetails::Icon> iconsOf(const QJsonValue &icons, const char *addressKey, const QUrl &base)
{
    QList<SiteDetails::Icon> found;
    const QJsonArray list = icons.toArray();
    for (int i = 0; i < list.size() && i < SiteDetails::maxLinks; ++i) {
        const QJsonObject icon = list.at(i).toObject();
        const QUrl url =
            webAddress(text(icon.value(QLatin1String(addressKey)), maxAddressLength), base);
        if (url.isValid())
            found.append({url, SiteDetails::sideOf(text(icon.value(QLatin1String("sizes"))))});
    }
    return found;
}
} // namespace

QString SiteDetails::script()
{
    // One string back, whatever the engine turns objects into.
    return QStringLiteral(
               "(function () {"
               " function links(rel) {"
               "  var found = [], all = document.querySelectorAll('link[rel]');"
               "  for (var i = 0; i < all.length && found.length < %1; ++i) {"
               "   var rels = String(all[i].getAttribute('rel')).toLowerCase().split(/\\s+/);"
               "   if (rels.indexOf(rel) >= 0)"
               "    found.push({href: String(all[i].href), sizes: "
               "String(all[i].getAttribute('sizes') || '')});"
               "  }"
               "  return found;"
               " }"
               " return JSON.stringify({title: String(document.title), manifest: links('manifest'),"
               "  touch: links('apple-touch-icon').concat(links('apple-touch-icon-precomposed')),"
               "  icons: links('icon')});"
               "})()")
        .arg(maxLinks);
}

SiteDetails SiteDetails::fromPage(const QVariant &scriptResult, const QUrl &page,
                                  const QString &title)
{
    SiteDetails site;
    site.pageUrl = page;
    site.title = title;
    if (scriptResult.type() != QVariant::String || scriptResult.toString().size() > maxScriptResult)
        return site;
    const QJsonObject found = QJsonDocument::fromJson(scriptResult.toString().toUtf8()).object();
    const QString said = text(found.value(QLatin1String("title")));
    if (!said.isEmpty())
        site.title = said;
    const QList<Icon> manifests = iconsOf(found.value(QLatin1String("manifest")), "href", page);
    if (!manifests.isEmpty())
        site.manifestUrl = manifests.first().url;
    site.touchIcons = iconsOf(found.value(QLatin1String("touch")), "href", page);
    site.favicons = iconsOf(found.value(QLatin1String("icons")), "href", page);
    return site;
}

bool SiteDetails::readManifest(const QByteArray &json, const QUrl &manifestAddress)
{
    if (json.size() > maxManifestBytes)
        return false;
    const QJsonDocument document = QJsonDocument::fromJson(json);
    if (!document.isObject())
        return false;
    const QJsonObject manifest = document.object();
    manifestName = fittedName(text(manifest.value(QLatin1String("short_name"))));
    if (manifestName.isEmpty())
        manifestName = fittedName(text(manifest.value(QLatin1String("name"))));
    manifestIcons = iconsOf(manifest.value(QLatin1String("icons")), "src", manifestAddress);
    return true;
}

QString SiteDetails::proposedName() const
{
    for (const QString &name : {manifestName, fittedName(title), fittedName(pageUrl.host())})
        if (!name.isEmpty())
            return name;
    return QString();
}

QUrl SiteDetails::iconAddress() const
{
    for (const QList<Icon> *icons : {&manifestIcons, &touchIcons, &favicons})
        if (!icons->isEmpty())
            return best(*icons);
    const QUrl favicon = pageUrl.resolved(QUrl(QStringLiteral("/favicon.ico")));
    return webAddress(favicon.toString());
}

QString SiteDetails::fittedName(const QString &raw)
{
    QString name;
    for (const QChar c : raw.left(maxNameLength * 4)) {
        const bool unfit = c == QLatin1Char('/') || c == QLatin1Char('\\') ||
                           c == QLatin1Char(':') || c.category() == QChar::Other_Control ||
                           c.category() == QChar::Other_Format || c.isSurrogate();
        name += unfit ? QChar(QLatin1Char(' ')) : c;
    }
    name = name.simplified().left(maxNameLength).trimmed();
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return QString();
    return name;
}

int SiteDetails::sideOf(const QString &sizes)
{
    static const QRegularExpression size(QStringLiteral("(\\d{1,5})[xX](\\d{1,5})"));
    int side = 0;
    auto match = size.globalMatch(sizes);
    while (match.hasNext()) {
        const auto m = match.next();
        side = qMax(side, qMax(m.captured(1).toInt(), m.captured(2).toInt()));
    }
    return side;
}

QUrl SiteDetails::best(const QList<Icon> &icons)
{
    const Icon *chosen = nullptr;
    for (const Icon &icon : icons) {
        if (!chosen) {
            chosen = &icon;
            continue;
        }
        const bool fits = icon.side <= preferredIconSide;
        const bool chosenFits = chosen->side <= preferredIconSide;
        if (fits != chosenFits ? fits
                               : (fits ? icon.side > chosen->side : icon.side < chosen->side))
            chosen = &icon;
    }
    return chosen ? chosen->url : QUrl();
}
