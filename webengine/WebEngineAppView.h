#pragma once

#include "shell/AppView.h"
#include "web/ErrorPage.h"
#include "web/LoadWatchdog.h"
#include "web/WebEngineFactory.h"

#include <QList>
#include <QPointer>

class EnginePage;
class QWebEnginePage;
class QWebEngineProfile;
class QWebEngineView;
class ShellHost;

// An app page shown by QtWebEngine, in a renderer process of its own. A load
// that fails or stalls shows the shell's error page, as QtWebKit's pages do;
// windows its script opens become pages of the shell's stack; its downloads
// go to the shell's. Its full screen fills the page's own area of the
// stack (a holder's bar is hidden meanwhile); Escape, another app on top or
// closing it ends that.
class WebEngineAppView : public AppView
{
    Q_OBJECT

public:
    // A new view and page in profile.
    static WebEngineAppView *make(const EngineViewSetup &setup, QWebEngineProfile *profile,
                                  ShellHost &shell);

    QWebEngineView *engineView() const;
    EnginePage *page() const { return enginePage; }

    Engine engine() const override { return Engine::WebEngine; }
    void load(const QUrl &url) override;
    void stop() override;
    void reload() override;
    void back() override;
    void forward() override;
    bool canGoBack() const override;
    bool canGoForward() const override;
    QString title() const override;
    QUrl url() const override;
    QIcon icon() const override;
    void runScript(const QString &source, const ScriptResult &done) override;
    // The engine draws into a Qt Quick widget, which a grab of the view
    // leaves blank: its frame buffer is read instead.
    QImage picture() const override;
    // A hidden page's picture is the one taken as it hid, this wide.
    static constexpr int pictureWidth = 480;
    void showOwnPage(const QByteArray &html) override;
    void close(bool stopPlugins) override;
    // The page's questions and dialogs name the app too.
    void setApp(const QString &name, const QByteArray &icon) override;
    // An address typed into the Browser's bar: a file there is the user's to save.
    void noteUserGesture() override;
    bool isFullScreen() const { return fullScreen; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    WebEngineAppView(QWebEngineView *view, const EngineViewSetup &setup, QWebEngineProfile *profile,
                     ShellHost &shell);
    void started();
    void ended(bool ok);
    void showFailure(const QUrl &url, ErrorPage::Reason reason);
    QWebEnginePage *openWindow();
    void setFullScreen(bool on);
    void leaveFullScreen();

    EnginePage *enginePage;
    ShellHost &shell;
    EngineViewSetup setup;
    LoadWatchdog watch;
    QList<QPointer<QWidget>> covered; // what full screen hid
    bool fullScreen = false;
    QImage drawnNow() const;
    QImage lastDrawn;
    QUrl requested;         // what the main frame last set out to load
    int loads = 0;          // loads started so far
    bool stopping = false;  // a stop the shell asked for: no failure
    bool stalled = false;   // the watch stopped the load
    bool untrusted = false; // a certificate error was refused
};
