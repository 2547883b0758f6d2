#include "app/HomeBridge.h"

#include "apps/AppArrangement.h"
#include "apps/AppRemover.h"
#include "apps/PageServices.h"
#include "install/DownloadList.h"
#include "media/MusicPlayer.h"
#include "shell/AppDescriptor.h"
#include "shell/AppFolderName.h"
#include "shell/AppOverview.h"
#include "shell/AppView.h"
#include "shell/EngineChoice.h"
#include "shell/NotificationCenter.h"
#include "shell/OpenApps.h"
#include "shell/ScriptCall.h"
#include "shell/ShellHost.h"
#include "shell/ShellSettings.h"
#include "shell/SystemStatus.h"
#include "shell/WebSearch.h"

#include <QStackedWidget>
#include <QTimer>
#include <QWidget>
#include <QtWebKitVersion>
#include <qwebkitglobal.h>

HomeBridge::HomeBridge(ShellHost &shellHost, PageServices &pageServices, MusicPlayer &music,
                       QObject *parent)
    : QObject(parent), host(shellHost), services(pageServices), player(music),
      remover(new AppRemover(shellHost, this)), notes(new NotificationCenter(shellHost, this))
{
    // Progress comes in many small steps: the page hears of them at most
    // five times a second.
    connect(&DownloadList::instance(), &DownloadList::changed, this,
            [this] { tellLater(QStringLiteral("downloadsChanged"), 200, downloadsToTell); });
    // A new song passes through several states at once: one call tells them.
    connect(&player, &MusicPlayer::changed, this,
            [this] { tellLater(QStringLiteral("musicChanged"), 0, musicToTell); });
    // Quiet as the user left it, before the page is told of any change.
    notes->setQuiet(ShellSettings::read(host.paths()).doNotDisturb);
    // Several changes in one turn (a flood, a title and a note): one call.
    connect(notes, &NotificationCenter::changed, this,
            [this] { tellLater(QStringLiteral("notificationsChanged"), 0, notesToTell); });
}

int HomeBridge::appOnTop() const
{
    QStackedWidget *stack = host.stack();
    return stack && stack->isVisible() ? stack->currentIndex() : -1;
}

int HomeBridge::indexOfApp(const QString &name) const
{
    return OpenApps::indexOf(host.stack(), name);
}

// Downloads indicator.

QVariantList HomeBridge::downloads() const
{
    return DownloadList::instance().describe();
}

bool HomeBridge::cancelDownload(int id)
{
    return DownloadList::instance().cancel(id);
}

bool HomeBridge::showDownload(int id)
{
    return DownloadList::instance().showInFolder(id);
}

void HomeBridge::clearDownloads()
{
    DownloadList::instance().clearEnded();
}

void HomeBridge::tellLater(const QString &function, int ms, bool &pending)
{
    if (pending)
        return;
    pending = true;
    QTimer::singleShot(ms, this, [this, function, &pending] {
        pending = false;
        ScriptCall::run(host.homeFrame(), function, {});
    });
}

// Wallpaper at the screen's size.
QString HomeBridge::defaultWallpaper() const
{
    return services.defaultWallpaperAddress();
}

// Arranging, removing and restoring apps.

QString HomeBridge::arrangement() const
{
    return AppArrangement::load(host.paths());
}

bool HomeBridge::saveArrangement(const QString &layout)
{
    return AppArrangement::store(host.paths(), layout);
}

bool HomeBridge::removeApp(const QString &name)
{
    return remover->remove(name);
}

QString HomeBridge::lightEngine(const QString &name) const
{
    if (!AppFolder::isSafeName(name))
        return QString();
    const AppDescriptor app = AppDescriptor::read(host.appsFolder() + QLatin1Char('/') + name +
                                                  QStringLiteral("/app.con"));
    if (!EngineChoice::offersLight(app, name))
        return QString();
    const ShellSettings settings = ShellSettings::read(host.paths());
    if (settings.lightForAll)
        return QString();
    return settings.isLight(name) ? QStringLiteral("light") : QStringLiteral("modern");
}

bool HomeBridge::setLightEngine(const QString &name, bool light)
{
    return !lightEngine(name).isEmpty() && ShellSettings::setLight(host.paths(), name, light);
}

void HomeBridge::minimize()
{
    if (QWidget *window = host.mainWindow())
        window->showMinimized();
}

bool HomeBridge::searchWeb(const QString &name, const QString &words)
{
    const QUrl address = WebSearch::addressFor(words);
    if (address.isEmpty())
        return false;
    const int open = OpenApps::indexOf(host.stack(), name);
    if (open < 0)
        return openBrowser && openBrowser(name, address);
    AppView *view = AppView::of(host.stack()->widget(open));
    if (!view)
        return false;
    view->load(address);
    return true;
}

void HomeBridge::showOverview()
{
    AppOverview::open(host);
}

// The status bar's song.

QVariantMap HomeBridge::music() const
{
    return player.nowPlaying();
}

void HomeBridge::musicPlayPause()
{
    player.control(MusicPlayer::Control::Toggle);
}

void HomeBridge::musicNext()
{
    player.control(MusicPlayer::Control::Next);
}

// Notifications and badges.

QVariantList HomeBridge::notifications() const
{
    return notes->notes();
}

QVariantMap HomeBridge::badges() const
{
    return notes->badges();
}

bool HomeBridge::openNotification(int id)
{
    return notes->open(id);
}

void HomeBridge::clearNotifications()
{
    notes->clear();
}

bool HomeBridge::doNotDisturb() const
{
    return notes->quiet();
}

void HomeBridge::setDoNotDisturb(bool on)
{
    notes->setQuiet(on);
    ShellSettings::setDoNotDisturb(host.paths(), on);
}

// The status bar's system indicators.

void HomeBridge::watch(SystemStatus *systemStatus)
{
    system = systemStatus;
    connect(system, &SystemStatus::changed, this,
            [this] { tellLater(QStringLiteral("statusChanged"), 0, statusToTell); });
}

QVariantMap HomeBridge::status() const
{
    return system ? system->describe() : QVariantMap();
}

// The settings page.

QVariantMap HomeBridge::settings() const
{
    const ShellSettings s = ShellSettings::read(host.paths());
    const char *keyboards[] = {"touch", "always", "off"};
    return {{QStringLiteral("restoreApps"), s.restoreApps},
            {QStringLiteral("freezeAfter"), s.freezeAfter},
            {QStringLiteral("discardAfter"), s.discardAfter},
            {QStringLiteral("keepLoaded"), s.keepLoaded},
            {QStringLiteral("keyboard"), QLatin1String(keyboards[int(s.keyboard)])},
            {QStringLiteral("wallpaper"), s.wallpaper},
            {QStringLiteral("pictures"), services.pictures()}};
}

QString HomeBridge::setSetting(const QString &name, const QString &value)
{
    if (name == QLatin1String("wallpaper"))
        return services.choosePicture(value);
    const QString refusal = ShellSettings::set(host.paths(), name, value);
    if (refusal.isEmpty())
        emit settingKept();
    return refusal;
}

QVariantMap HomeBridge::about() const
{
    // QtWebEngine's version as built against: asking the library itself would
    // load it, and with it Chromium, into the home screen's process.
    return {{QStringLiteral("vantara"), QStringLiteral(VANTARA_VERSION)},
            {QStringLiteral("webkit"), QStringLiteral(QTWEBKIT_VERSION_STR)},
            {QStringLiteral("webkitEngine"), qWebKitVersion()},
            {QStringLiteral("webengine"), QStringLiteral(VANTARA_WEBENGINE_VERSION)}};
}
