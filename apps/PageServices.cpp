#include "apps/PageServices.h"

#include "apps/ScaledWallpaper.h"
#include "shell/AppView.h"
#include "shell/BoundedXml.h"
#include "shell/ImageBounds.h"
#include "shell/PageKind.h"
#include "shell/ScriptBridge.h"
#include "shell/ScriptCall.h"
#include "shell/ShellHost.h"
#include "shell/ShellPaths.h"
#include "shell/ShellSettings.h"

#include <QDir>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>
#include <QWidget>

PageServices::PageServices(ShellHost &shellHost, QObject *parent) : QObject(parent), host(shellHost)
{
}

namespace
{
// The home page puts the text into a CSS url(): a file address (a plain path
// would resolve against the page's own qrc: address), with the characters
// that would end an unquoted url() encoded.
QString cssFileAddress(const QString &path)
{
    QString address = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
    address.replace(QLatin1Char('('), QLatin1String("%28"))
        .replace(QLatin1Char(')'), QLatin1String("%29"))
        .replace(QLatin1Char('\''), QLatin1String("%27"));
    return address;
}
} // namespace

QString PageServices::wallpaperAddress(const QString &name) const
{
    const QString folder = host.programFolder();
    const QUrl file = QUrl::fromLocalFile(folder + QStringLiteral("//") + name);
    if (name.isEmpty() || !ScriptBridge::isInsideFolder(file, folder))
        return QString();
    // Refused, not handed to the page as it is: the page would decode it.
    if (ImageBounds::exceeds(file.toLocalFile(), ImageBounds::wallpaper))
        return QString();
    // The copy at the screen's size when one can be made; a file that is no
    // picture goes to the page as before.
    const QString copy = ScaledWallpaper::copyFor(host, file.toLocalFile());
    return cssFileAddress(copy.isEmpty() ? file.toLocalFile() : copy);
}

QString PageServices::pictureAddress(const QString &name) const
{
    const QString folder = host.paths().picturesFolder();
    const QUrl file = QUrl::fromLocalFile(folder + QLatin1Char('/') + name);
    if (!ShellSettings::refusal(QStringLiteral("wallpaper"), name).isEmpty() || name.isEmpty() ||
        !ScriptBridge::isInsideFolder(file, folder))
        return QString();
    // Bounded by the copy: a picture beyond ImageBounds::wallpaper makes none.
    const QString copy = ScaledWallpaper::copyFor(host, file.toLocalFile());
    return copy.isEmpty() ? QString() : cssFileAddress(copy);
}

QStringList PageServices::pictures() const
{
    QDir folder(host.paths().picturesFolder());
    QStringList names =
        folder.entryList({"*.jpg", "*.jpeg", "*.png", "*.bmp", "*.gif", "*.webp"},
                         QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
    // A folder of thousands is still one list the page can show.
    return names.mid(0, 1000);
}

QString PageServices::choosePicture(const QString &name)
{
    const QString own = ScaledWallpaper::copyFor(host, ScaledWallpaper::defaultPicture());
    const QString address =
        name.isEmpty() ? (own.isEmpty() ? QString() : cssFileAddress(own)) : pictureAddress(name);
    if (address.isEmpty())
        return QStringLiteral("not a picture that can be shown");
    const QString refused = ShellSettings::set(host.paths(), QStringLiteral("wallpaper"), name);
    if (!refused.isEmpty())
        return refused;
    chosenWallpaper.clear();
    pictureInBodyStyle = true;
    ScriptCall::run(host.homeFrame(), QStringLiteral("ChangeWall"), {address});
    return QString();
}

QString PageServices::defaultWallpaperAddress() const
{
    const QString chosen = ShellSettings::read(host.paths()).wallpaper;
    if (!chosen.isEmpty()) {
        const QString address = pictureAddress(chosen);
        if (!address.isEmpty())
            return address;
    }
    const QString copy = ScaledWallpaper::copyFor(host, ScaledWallpaper::defaultPicture());
    return copy.isEmpty() ? QString() : cssFileAddress(copy);
}

void PageServices::wallpaper(const QString &name)
{
    const QString address = wallpaperAddress(name);
    if (address.isEmpty())
        return;
    chosenWallpaper = name;
    ScriptCall::run(host.homeFrame(), QStringLiteral("ChangeWall"), {address});
}

void PageServices::screenChanged()
{
    if (!chosenWallpaper.isEmpty()) {
        wallpaper(chosenWallpaper);
        return;
    }
    // A picture the settings page chose stands in the body's own style,
    // before the page's default style.
    const QString address = defaultWallpaperAddress();
    if (!address.isEmpty())
        ScriptCall::run(host.homeFrame(),
                        pictureInBodyStyle ? QStringLiteral("ChangeWall")
                                           : QStringLiteral("showDefaultWall"),
                        {address});
}

void PageServices::history(const QString &direction)
{
    const PageKind kind = kindOf(host.pageOnTop());
    if (kind == PageKind::None || kind == PageKind::MailPanel)
        return;
    AppView *view = host.viewOnTop();
    if (!view)
        return;
    if (direction == QLatin1String("back"))
        view->back();
    else
        view->forward();
}

void PageServices::notify(const QString &address)
{
    QNetworkAccessManager *manager = host.newNetworkManager(host.mainWindow());
    host.hookRemoteMessages(manager);
    // Once the bridge has read the reply, reply and manager go: a page that
    // polls for messages must not pile up managers for the window's lifetime.
    QObject::connect(manager, &QNetworkAccessManager::finished, manager,
                     [manager](QNetworkReply *reply) {
                         reply->deleteLater();
                         manager->deleteLater();
                     });
    // A message is small: a body that grows past the bound is cut off as soon
    // as the data shows it, so no more than one piece of the network's past
    // the bound is ever held. (A read buffer limit is no help: a full buffer
    // may stall the reply short of the bound, and it never finishes.)
    QNetworkReply *reply = manager->get(QNetworkRequest(QUrl(address)));
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply] {
        if (reply->bytesAvailable() > BoundedXml::maxBytes)
            reply->abort();
    });
}
