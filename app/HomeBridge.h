#pragma once

#include <QObject>
#include <QPointer>
#include <QVariantList>
#include <QVariantMap>

#include <functional>

class AppRemover;
class MusicPlayer;
class NotificationCenter;
class PageServices;
class ShellHost;
class SystemStatus;
class QUrl;

// What the home page needs of the shell beyond myob's slots. Only the home
// page gets it, as "vantara", decided by its exact address as for myob; each
// slot hands the work to the subsystem that owns it.
class HomeBridge : public QObject
{
    Q_OBJECT

public:
    HomeBridge(ShellHost &host, PageServices &services, MusicPlayer &music,
               QObject *parent = nullptr);

    // The name under which the home page sees it.
    static QString scriptName() { return QStringLiteral("vantara"); }

    // The status bar follows system from now on (until then it shows no
    // battery, network or volume).
    void watch(SystemStatus *system);

    // Opens the Browser (called name on the home screen) at address, as its
    // dock item opens it; true when its page is up.
    using BrowserOpener = std::function<bool(const QString &name, const QUrl &address)>;
    void setBrowserOpener(BrowserOpener opener) { openBrowser = std::move(opener); }

public slots:
    // The index of the app page the user sees, or -1 while the home screen
    // is in front (the stack hidden or empty).
    int appOnTop() const;

    // Switching: the stack index of the open page of the app called name, or
    // -1 when it is not open; the home page brings that page forward instead
    // of opening a second one.
    int indexOfApp(const QString &name) const;

    // Downloads indicator: what is under way or lately ended (see
    // DownloadList::describe), cancelling one, showing a finished file's
    // folder and forgetting the ended ones. The page hears of each change
    // through its function downloadsChanged().
    QVariantList downloads() const;
    bool cancelDownload(int id);
    bool showDownload(int id);
    void clearDownloads();

    // Wallpaper at the screen's size: the address of the home page's own
    // wallpaper scaled once to the screen, or empty to keep the page's own.
    QString defaultWallpaper() const;

    // Arranging, removing and restoring apps.
    // Where the icons stand (JSON, see AppArrangement), empty when unknown.
    QString arrangement() const;
    // Stores where the icons stand; false when layout is refused.
    bool saveArrangement(const QString &layout);
    // Removes the app in folder name after asking; true when it is gone.
    bool removeApp(const QString &name);

    // The engine of the web app called name: "light" when settings.xml keeps
    // it in QtWebKit by name, "modern" when it runs in QtWebEngine, empty when
    // it has no choice of its own (not such a web app, or all run light).
    QString lightEngine(const QString &name) const;
    // Keeps the web app called name in the light engine, or no longer, from
    // its next opening; false when it has no choice or settings.xml cannot
    // take it.
    bool setLightEngine(const QString &name, bool light);

    // The status bar's desktop control: the shell's window steps aside.
    void minimize();

    // Searching from the home screen: the Browser, the app called name,
    // searches the web for words (WebSearch), in its open page or in the one
    // it opens; false for words of nothing but spaces.
    bool searchWeb(const QString &name, const QString &words);
    // The taskbar's overview of the open apps (AppOverview).
    void showOverview();

    // The status bar's song: what the player does (MusicPlayer::nowPlaying),
    // its play/pause and next controls. The page hears of each change through
    // its function musicChanged().
    QVariantMap music() const;
    void musicPlayPause();
    void musicNext();

    // Notifications of app pages (NotificationCenter::notes), newest first,
    // and the counts on icons and tabs (NotificationCenter::badges). The
    // page hears of each change through its function notificationsChanged().
    QVariantList notifications() const;
    QVariantMap badges() const;
    // Brings forward the app that sent notification id: the shell calls the
    // page's openNotified(index, name). False when nothing is left to open.
    bool openNotification(int id);
    void clearNotifications();
    // Do not disturb: notifications collect in the list without banners.
    bool doNotDisturb() const;
    void setDoNotDisturb(bool on);

    // The settings page: what settings.xml holds (restoreApps, freezeAfter,
    // discardAfter, keepLoaded, keyboard, wallpaper) and the pictures a
    // wallpaper can be chosen from.
    QVariantMap settings() const;
    // Keeps value in the setting called name (the wallpaper shows at once);
    // empty when done, else why not, settings.xml left as it was.
    QString setSetting(const QString &name, const QString &value);
    // The versions of Vantara and of both web engines.
    QVariantMap about() const;

    // The status bar's battery, network and volume (SystemStatus::describe).
    // The page hears of each change through its function statusChanged().
    QVariantMap status() const;

signals:
    // A setting was kept in settings.xml (re-reading it is harmless: the
    // page may call this too).
    void settingKept();

private:
    // Calls the home page's function (no arguments) once within ms of one or
    // more requests, pending being that call's flag.
    void tellLater(const QString &function, int ms, bool &pending);
    bool downloadsToTell = false;
    bool musicToTell = false;
    bool notesToTell = false;
    bool statusToTell = false;

    BrowserOpener openBrowser;
    ShellHost &host;
    PageServices &services;
    MusicPlayer &player;
    AppRemover *remover;
    NotificationCenter *notes;
    QPointer<SystemStatus> system;
};
