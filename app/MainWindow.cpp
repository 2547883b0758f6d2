#include "app/MainWindow.h"

#include "ads/AdSwitch.h"
#include "app/FirstFrame.h"
#include "app/HomeBridge.h"
#include "app/MainWindowUi.h"
#include "app/PageBridge.h"
#include "app/QuitQuestion.h"
#include "apps/AppCatalogue.h"
#include "apps/AppLauncher.h"
#include "apps/AppSession.h"
#include "apps/PageServices.h"
#include "install/DownloadList.h"
#include "install/DownloadProgress.h"
#include "install/FileDownloads.h"
#include "install/InstallLeftovers.h"
#include "install/PackageInstaller.h"
#include "install/WebAppInstaller.h"
#include "mail/MailPanel.h"
#include "media/FolderBrowser.h"
#include "media/MediaKeys.h"
#include "media/MprisService.h"
#include "media/MusicPlayer.h"
#include "shell/Addresses.h"
#include "shell/AppView.h"
#include "shell/EventRefusal.h"
#include "shell/OnScreenKeyboard.h"
#include "shell/PageKind.h"
#include "shell/PageStack.h"
#include "shell/PrivateFiles.h"
#include "shell/ScriptBridge.h"
#include "shell/ShellSettings.h"
#include "shell/SwitchKeys.h"
#include "shell/SystemStatus.h"
#include "web/EngineLoader.h"
#include "web/MemoryRelease.h"
#include "web/OpenGLProbe.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopWidget>
#include <QNetworkReply>
#include <QProgressBar>
#include <QScreen>
#include <QStackedWidget>
#include <QTimer>
#include <QWebFrame>
#include <QWebPage>
#include <QWebSettings>
#include <QWebView>
#include <phonon/MediaObject>

namespace
{
const char *const baseStyle =
    "::-webkit-scrollbar {width: 8px;background:#EFEFEF;border-radius: 50px;} "
    "::-webkit-scrollbar-track {-webkit-box-shadow: inset 0 0 6px #EFEFEF; "
    "-webkit-border-radius: 1px;border-radius: 50px;background:#EFEFEF;} "
    "::-webkit-scrollbar-thumb {-webkit-border-radius: 1px;border-radius: 1px;background: "
    "#666666; -webkit-box-shadow: inset 0 0 6px rgba(0,0,0,0.5); border-radius: 50px;} ";

void enableWebFeatures(const ShellPaths &paths)
{
    QWebSettings *s = QWebSettings::globalSettings();
    for (QWebSettings::WebAttribute a :
         {QWebSettings::WebGLEnabled, QWebSettings::OfflineStorageDatabaseEnabled,
          QWebSettings::LocalStorageEnabled, QWebSettings::AcceleratedCompositingEnabled,
          QWebSettings::LocalContentCanAccessFileUrls,
          QWebSettings::LocalContentCanAccessRemoteUrls, QWebSettings::PluginsEnabled,
          QWebSettings::JavaEnabled, QWebSettings::JavascriptCanOpenWindows,
          QWebSettings::LinksIncludedInFocusChain})
        s->setAttribute(a, true);
    // Web storage and site icons belong to the user's working folder, not to
    // the program's.
    QWebSettings::enablePersistentStorage(paths.webStorageFolder());
    QWebSettings::setMaximumPagesInCache(10);
    QWebSettings::setIconDatabasePath(paths.iconDatabaseFolder());
}
} // namespace

MainWindow::MainWindow(const ShellPaths &paths, NetworkManagerFactory factory, QWidget *parent)
    : QMainWindow(parent), shellPaths(paths), networkFactory(std::move(factory)),
      ui(new MainWindowUi)
{
    // Before anything is written: the user's cookies, storage and session
    // are theirs alone, also what an older version left readable.
    PrivateFiles::keepPrivate();
    PrivateFiles::tighten(shellPaths.keptInWorkingFolder());
    // The home screen and local apps need no OpenGL driver: windows take one
    // when the first remote page opens.
    EngineLoader::rasterWindowsUntilLoaded();
    ui->setupUi(this);
    // Before the home page loads: its manager serves the home view's
    // downloads too.
    QWebPage *homePage = ui->webView->page();
    homePage->setNetworkAccessManager(newNetworkManager(homePage));
    setAttribute(Qt::WA_QuitOnClose);
    // The window lives on main's stack and goes only when main ends; what
    // page script sees as myob and api has deleteLater() too.
    EventRefusal::install(this, {QEvent::DeferredDelete});
    pageBridge = new PageBridge(*this);
    EventRefusal::install(pageBridge, {QEvent::DeferredDelete});
    // A dropped link would navigate the home view away from the home page.
    ui->webView->setAcceptDrops(false);
    EventRefusal::install(ui->webView, {QEvent::DragEnter, QEvent::DragMove, QEvent::Drop});
    // Without a window manager (a bare X server, a kiosk) nobody enlarges the
    // window for its full-screen state: it covers the screen from the start.
    setGeometry(QApplication::desktop()->screenGeometry(this));
    // The home view covers the screen from the start: laid out at another
    // width, its dock would show at that width first.
    ui->webView->setGeometry(QRect(QPoint(0, 0), screenArea().size()));
    setWindowState(windowState() | Qt::WindowFullScreen);
    FirstFrame::showWhenDrawn(this, ui->webView, ui->springboard);
    // What a download or an unpacking cut short by a crash left behind.
    InstallLeftovers::clean(appsFolder(), shellPaths.documentsFolder());
    enableWebFeatures(shellPaths);
    scrollbarStyle = QString::fromLatin1(baseStyle);
    pages = new PageStack(*this, this);
    services = new PageServices(*this, this);
    // A screen of another size (another monitor, a turned tablet) gets a
    // wallpaper copy of its own.
    if (QScreen *screen = QGuiApplication::primaryScreen())
        connect(screen, &QScreen::virtualGeometryChanged, services, &PageServices::screenChanged);
    music = new MusicPlayer(*this, this);
    home = new HomeBridge(*this, *services, *music, this);
    // The status bar's battery, network and volume, half a second after the
    // home page has loaded: connecting to a bus waits for its daemon, which
    // the first frame should not. Without a session bus named, the bus
    // library would start one of its own. (The window's own connection: the
    // home view reports its load cut short while the window goes, after the
    // destructor has cut what reaches the window.)
    connect(ui->webView, &QWebView::loadFinished, this, [this] {
        QTimer::singleShot(500, home, [this] {
            if (systemStatus)
                return;
            const bool session = !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS");
            systemStatus = new SystemStatus(
                QDBusConnection::systemBus(),
                session ? QDBusConnection::sessionBus() : QDBusConnection(QString()), this);
            home->watch(systemStatus);
        });
    });
    // Whether remote pages will paint through OpenGL, asked of the helper
    // once the home screen has settled, well before a first remote page.
    connect(ui->webView, &QWebView::loadFinished, this,
            [] { QTimer::singleShot(1500, qApp, &OpenGLProbe::start); });
    EventRefusal::install(home, {QEvent::DeferredDelete});
    launcher = new AppLauncher(*this, scrollbarStyle, this);
    home->setBrowserOpener([this](const QString &name, const QUrl &address) {
        return launcher->launch(name, QStringLiteral(VANTARA_DEFAULT_START_PAGE), address) !=
               nullptr;
    });
    // Whatever view has focus, the switching keys and the media keys are the
    // shell's.
    qApp->installEventFilter(new SwitchKeys(*this, this));
    qApp->installEventFilter(new MediaKeys(*this, *music, this));
    keyboard = new OnScreenKeyboard(*this, ShellSettings::read(shellPaths).keyboard, this);
    connect(home, &HomeBridge::settingKept, keyboard,
            [this] { keyboard->setMode(ShellSettings::read(shellPaths).keyboard); });
    // And the desktop's, on the session's bus; without one named, the bus
    // library would start a bus of its own.
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        new MprisService(*music, QDBusConnection::sessionBus(), this);
    // Starting the media back-end takes longer than showing the home page, so
    // it starts a second after the home page is up, when its icons have been
    // drawn: right after the load it held back their first paint (or at the
    // first music call).
    connect(ui->webView, &QWebView::loadFinished, music,
            [player = music] { QTimer::singleShot(1000, player, &MusicPlayer::prepare); });
    connect(ui->webView->page()->mainFrame(), &QWebFrame::javaScriptWindowObjectCleared, this,
            &MainWindow::mainFrame_javaScriptWindowObjectCleared);
    webApps = new WebAppInstaller(*this, this);
    packages = new PackageInstaller(*this, this);
    files = new FileDownloads(*this, this);
    catalogue = new AppCatalogue(*this, this);
    folders = new FolderBrowser(*this, this);
    mail = new MailPanel(*this, this);
    ads = new AdSwitch(QUrl(QStringLiteral(VANTARA_AD_SERVER)), this);
    // After the window's own load handler: the grid is filled when it runs.
    session = new AppSession(*this, this);
    // A restored tab starts as a tap on its app starts it.
    session->setOpener([this](const AppSession::Entry &entry) -> QWidget * {
        if (entry.kind == AppSession::Kind::Mail) {
            on_testputon_clicked();
            return stack()->currentWidget();
        }
        if (entry.kind == AppSession::Kind::Browser)
            return launcher->launch(entry.name, QStringLiteral(VANTARA_DEFAULT_START_PAGE),
                                    QUrl(entry.address))
                       ? stack()->currentWidget()
                       : nullptr;
        on_pushButton_clicked(entry.name, entry.name);
        return stack()->currentWidget();
    });
    MemoryRelease::afterStartup(ui->webView);
    MemoryRelease::afterPagesClose(stack());
    ui->webView->setUrl(QUrl(QStringLiteral("qrc:/Lumo.html")));
}

void MainWindow::setNetworkManagerFactory(NetworkManagerFactory factory)
{
    networkFactory = std::move(factory);
}

QNetworkAccessManager *MainWindow::newNetworkManager(QObject *parent) const
{
    return networkFactory ? networkFactory(parent) : new QNetworkAccessManager(parent);
}

QRect MainWindow::screenArea() const
{
    return QApplication::desktop()->geometry();
}

MainWindow::~MainWindow()
{
    // The home view goes with the window's children and may report its load
    // cut short on the way: nothing may then restore into it.
    delete session;
    // The pages, views and managers go after this destructor, when the
    // window is no longer a MainWindow: loads and replies they cancel on the
    // way must not reach its slots.
    for (QObject *child : findChildren<QObject *>())
        child->disconnect(this);
    delete ui;
}

// clang-format off
QWebView *MainWindow::homeView() const { return ui->webView; }
QStackedWidget *MainWindow::stack() const { return ui->springboard; }
QProgressBar *MainWindow::progressBar() const { return ui->progressBar; }
QWidget *MainWindow::mainWindow() const { return const_cast<MainWindow *>(this); }
QObject *MainWindow::bridge() const { return pageBridge; }
QObject *MainWindow::hookTarget() const { return const_cast<MainWindow *>(this); }
int MainWindow::showIndex() const { return showIndexValue; }
void MainWindow::setShowIndex(int index) { showIndexValue = index; }
// clang-format on

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (quitAgreed) {
        DownloadList::instance().cancelAll();
        QMainWindow::closeEvent(event);
    } else if (DownloadList::instance().mayQuit())
        QMainWindow::closeEvent(event);
    else
        event->ignore();
}

// Hooks: the only place where signals meet the slots that pages know.

void MainWindow::hookViewLoads(AppView *view)
{
    connect(view, &AppView::loadFinished, this, &MainWindow::pageloaded, Qt::UniqueConnection);
}

void MainWindow::hookEngineDownload(EngineDownload *download)
{
    files->engineDownload(download);
}

void MainWindow::hookAppPage(QWebView *view)
{
    QWebPage *page = view->page();
    connect(page, &QWebPage::linkClicked, this, &MainWindow::linkClickedSlot);
    connect(page, &QWebPage::unsupportedContent, this, &MainWindow::unsupportedContent);
    // Queued: views also go while the main window itself is being destroyed,
    // and then the call is dropped instead of reaching it.
    connect(view, &QObject::destroyed, this, &MainWindow::objectDestroyed, Qt::QueuedConnection);
}

void MainWindow::hookApiPlacement(QWebFrame *frame)
{
    connect(frame, &QWebFrame::javaScriptWindowObjectCleared, this, &MainWindow::localapp);
}

void MainWindow::hookMailList(QWebFrame *frame)
{
    connect(frame, &QWebFrame::javaScriptWindowObjectCleared, this, &MainWindow::mailapp);
}

void MainWindow::hookMailService(QWebPage *page, QNetworkAccessManager *manager)
{
    connect(page->mainFrame(), &QWebFrame::provisionalLoad, this, &MainWindow::mailstore);
    connect(manager, &QNetworkAccessManager::finished, this, &MainWindow::finishedSlot);
}

void MainWindow::hookRemoteMessages(QNetworkAccessManager *manager)
{
    connect(manager, &QNetworkAccessManager::finished, this, &MainWindow::onResult);
}

void MainWindow::hookMusic(Phonon::MediaObject *player, Phonon::MediaObject *tagReader)
{
    connect(player, &Phonon::MediaObject::totalTimeChanged, this, &MainWindow::Mp3Buffer,
            Qt::UniqueConnection);
    connect(tagReader, &Phonon::MediaObject::stateChanged, this, &MainWindow::metaStateChanged,
            Qt::UniqueConnection);
}

// clang-format off

// Public slots, in the order pages know them.

void MainWindow::loadfiles() { catalogue->load(); }
void MainWindow::on_pushButton_clicked(QString nn, QString ll) { launcher->launch(nn, ll); }
void MainWindow::homescreen() { pages->homescreen(); }
void MainWindow::appswitch(int i) { pages->appswitch(i); }
void MainWindow::closeapp() { pages->closeapp(); }
void MainWindow::showapp() { pages->showapp(); }
void MainWindow::closeit()
{
    // On the home screen the power control sits where an app's close control
    // was: one tap too many must not end every open app unasked.
    DownloadList &downloads = DownloadList::instance();
    if (!QuitQuestion::agreed(stack()->count(), downloads.running()))
        return;
    quitAgreed = true;
    close();
    quitAgreed = false;
}
void MainWindow::Wallpaper(QString w) { services->wallpaper(w); }
void MainWindow::pageloaded(bool) { pages->pageloaded(); }
void MainWindow::desktopaccess(QString service)
{
    folders->desktopaccess(service);
    // A music page lists its songs as it opens, then learns what plays.
    if (service == QLatin1String("Music"))
        music->tellMusicPage();
}
void MainWindow::playmp3(QString url) { music->play(url); }
void MainWindow::setVolume(qreal v) { music->setVolume(v); }
void MainWindow::on_testputon_clicked()
{
    AppSession::markPage(mail->open(), PageNames::mailPanel(), AppSession::Kind::Mail);
}
void MainWindow::Mailservice(QString u, QString n) { mail->openService(u, n); }
void MainWindow::webhistory(QString u) { services->history(u); }
void MainWindow::downloadapp(QString appname, QString applink, QString icon)
{
    webApps->downloadapp(appname, applink, icon);
}
void MainWindow::fileDownloaded(QNetworkReply *pReply) { webApps->fileDownloaded(pReply); }

void MainWindow::installWebApp(const QString &name, const QString &link, const QString &icon)
{
    webApps->addSite(name, link, icon);
}
void MainWindow::downloadProgress(qint64 bytesReceived, qint64 bytesTotal)
{
    DownloadProgress::show(progressBar(), bytesReceived, bytesTotal);
}
void MainWindow::seekmp3(qint64 c) { music->seek(c); }
void MainWindow::stopmp3() { music->stop(); }
bool MainWindow::pausemp3() { return music->togglePause(); }
void MainWindow::installLpk(QString path) { packages->installLpk(path); }
void MainWindow::filesysDownloaded(QNetworkReply *pReply) { packages->filesysDownloaded(pReply); }
QStringList MainWindow::GetFiles(QString u) { return folders->pickFiles(u); }
void MainWindow::zooms(qreal a) { ui->webView->setZoomFactor(a); }
void MainWindow::adclick() { ads->adclick(); }
void MainWindow::LoadPack(QString path, QString ap) { packages->LoadPack(path, ap); }
void MainWindow::PackDownloaded(QNetworkReply *pReply) { packages->PackDownloaded(pReply); }
void MainWindow::DownFile(QString path, QString ap) { files->DownFile(path, ap); }
void MainWindow::FileDownloaded(QNetworkReply *pReply) { files->FileDownloaded(pReply); }
void MainWindow::installBatch(QString path) { files->installBatch(path); }
void MainWindow::notif(QString u) { services->notify(u); }
void MainWindow::onResult(QNetworkReply *reply) { ads->onResult(reply); }
void MainWindow::downloadingIssueFinished() { files->downloadingIssueFinished(sender()); }
void MainWindow::download(QNetworkRequest request) { files->download(request); }
void MainWindow::unsupportedContent(QNetworkReply *reply) { files->unsupportedContent(reply); }

// Private slots: reached only through signal connections.

void MainWindow::linkClickedSlot(QUrl url) { pages->linkClicked(url); }
void MainWindow::objectDestroyed() {} // an app view is gone: nothing to do
void MainWindow::on_pushButton_2_clicked()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("window1"))
            w->showNormal();
}
void MainWindow::Mp3Buffer(qint64 i) { music->lengthChanged(i); }
void MainWindow::on_commandLinkButton_clicked() { close(); }
void MainWindow::mailstore() {} // a mail page starts loading: nothing to do
void MainWindow::on_commandLinkButton_2_clicked() {}
void MainWindow::on_webView_loadFinished(bool)
{
    loadfiles();
    pages->homeLoaded();
}

void MainWindow::mainFrame_javaScriptWindowObjectCleared()
{
    QWebFrame *frame = ui->webView->page()->mainFrame();
    if (ScriptBridge::place(frame, pageBridge, ScriptBridge::homeName(),
                            ScriptBridge::isHomePage(frame->url())))
        frame->addToJavaScriptWindowObject(HomeBridge::scriptName(), home);
}

void MainWindow::localapp()
{
    // Only the frame whose context was cleared, and only while it shows what
    // its app may show: a background page never hands api to the page on top.
    QWebFrame *frame = qobject_cast<QWebFrame *>(sender());
    ScriptBridge::place(frame, pageBridge, ScriptBridge::appName(), ScriptBridge::mayUseApi(frame));
}

void MainWindow::a_auth(QNetworkReply *, QAuthenticator *) { mail->authenticationRequired(); }
void MainWindow::metaStateChanged(Phonon::State newState, Phonon::State)
{
    music->tagReaderStateChanged(newState);
}
void MainWindow::mailapp() { mail->offerBridge(); }
void MainWindow::finishedSlot(QNetworkReply *) {} // WebKit owns the mail view's replies
void MainWindow::on_reee_clicked() {}
// clang-format on
