#pragma once

#include "shell/ShellHost.h"
#include "shell/ShellPaths.h"

#include <QMainWindow>
#include <QNetworkRequest>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <phonon/phononnamespace.h>

class QAuthenticator;
class QCloseEvent;
class QNetworkReply;
class QWebView;
struct MainWindowUi;

class AdSwitch;
class AppCatalogue;
class AppLauncher;
class AppSession;
class HomeBridge;
class SystemStatus;
class PageBridge;
class FileDownloads;
class FolderBrowser;
class MailPanel;
class MusicPlayer;
class OnScreenKeyboard;
class PackageInstaller;
class PageServices;
class PageStack;
class WebAppInstaller;

// The one top-level window and the object behind the script bridge: pages
// call its public slots as myob or api. Each slot hands the work to the
// subsystem that owns it.
class MainWindow : public QMainWindow, public ShellHost
{
    Q_OBJECT
    // The object pages see hands each call to the window's slot of that name.
    friend class PageBridge;

public:
    // Makes the network managers of the shell's own requests.
    using NetworkManagerFactory = std::function<QNetworkAccessManager *(QObject *parent)>;

    // Without a factory, managers are plain ones.
    explicit MainWindow(const ShellPaths &paths = ShellPaths::ofProcess(),
                        NetworkManagerFactory factory = {}, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Managers made from now on come from factory (plain ones when empty).
    void setNetworkManagerFactory(NetworkManagerFactory factory);

    // ShellHost
    QWebView *homeView() const override;
    QStackedWidget *stack() const override;
    QProgressBar *progressBar() const override;
    QWidget *mainWindow() const override;
    QObject *bridge() const override;
    QObject *hookTarget() const override;
    const ShellPaths &paths() const override { return shellPaths; }
    QRect screenArea() const override;
    QNetworkAccessManager *newNetworkManager(QObject *parent) const override;
    int showIndex() const override;
    void setShowIndex(int index) override;
    void hookViewLoads(AppView *view) override;
    void hookEngineDownload(EngineDownload *download) override;
    void hookAppPage(QWebView *view) override;
    void hookApiPlacement(QWebFrame *frame) override;
    void hookMailList(QWebFrame *frame) override;
    void hookMailService(QWebPage *page, QNetworkAccessManager *manager) override;
    void hookRemoteMessages(QNetworkAccessManager *manager) override;
    void hookMusic(Phonon::MediaObject *player, Phonon::MediaObject *tagReader) override;
    void installWebApp(const QString &name, const QString &link, const QString &icon) override;

    // The first text of every app page's user style sheet.
    const QString &userStyleBase() const { return scrollbarStyle; }

public slots:
    void loadfiles();
    void on_pushButton_clicked(QString nn, QString ll);
    void homescreen();
    void appswitch(int i);
    void closeapp();
    void showapp();
    void closeit();
    void Wallpaper(QString w);
    void pageloaded(bool arg1);
    void desktopaccess(QString service);
    void playmp3(QString url);
    void setVolume(qreal v);
    void on_testputon_clicked();
    void Mailservice(QString u, QString n);
    void webhistory(QString u);
    void downloadapp(QString appname, QString applink, QString icon);
    void fileDownloaded(QNetworkReply *pReply);
    void downloadProgress(qint64 bytesReceived, qint64 bytesTotal);
    void seekmp3(qint64 c);
    void stopmp3();
    bool pausemp3();
    void installLpk(QString path);
    void filesysDownloaded(QNetworkReply *pReply);
    QStringList GetFiles(QString u);
    void zooms(qreal a);
    void adclick();
    void LoadPack(QString path, QString ap);
    void PackDownloaded(QNetworkReply *pReply);
    void DownFile(QString path, QString ap);
    void FileDownloaded(QNetworkReply *pReply);
    void installBatch(QString path);
    void notif(QString u);
    void onResult(QNetworkReply *reply);
    void downloadingIssueFinished();
    void download(QNetworkRequest request);
    void unsupportedContent(QNetworkReply *reply);

private slots:
    void linkClickedSlot(QUrl url);
    void objectDestroyed();
    void on_pushButton_2_clicked();
    void Mp3Buffer(qint64 i);
    void on_commandLinkButton_clicked();
    void mailstore();
    void on_commandLinkButton_2_clicked();
    void on_webView_loadFinished(bool arg1);
    void mainFrame_javaScriptWindowObjectCleared();
    void localapp();
    void a_auth(QNetworkReply *, QAuthenticator *);
    void metaStateChanged(Phonon::State newState, Phonon::State);
    void mailapp();
    void finishedSlot(QNetworkReply *reply);
    void on_reee_clicked();

protected:
    // Quitting with downloads under way asks first (unless the power control
    // already asked); quitting anyway cancels them.
    void closeEvent(QCloseEvent *event) override;

private:
    int showIndexValue = 0;
    // The power control's question was answered: closing asks no more.
    bool quitAgreed = false;
    QString scrollbarStyle;
    ShellPaths shellPaths;
    NetworkManagerFactory networkFactory;
    MainWindowUi *ui = nullptr;

    PageStack *pages = nullptr;
    PageBridge *pageBridge = nullptr;
    HomeBridge *home = nullptr;
    SystemStatus *systemStatus = nullptr;
    AppCatalogue *catalogue = nullptr;
    AppLauncher *launcher = nullptr;
    PageServices *services = nullptr;
    WebAppInstaller *webApps = nullptr;
    PackageInstaller *packages = nullptr;
    FileDownloads *files = nullptr;
    MusicPlayer *music = nullptr;
    OnScreenKeyboard *keyboard = nullptr;
    FolderBrowser *folders = nullptr;
    MailPanel *mail = nullptr;
    AdSwitch *ads = nullptr;
    AppSession *session = nullptr;
};
