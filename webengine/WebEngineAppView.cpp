#include "webengine/WebEngineAppView.h"

#include "web/FailureProbe.h"
#include "web/OpenedWindow.h"
#include "webengine/BackgroundPages.h"
#include "webengine/EngineDownloadItem.h"
#include "webengine/EnginePage.h"
#include "webengine/EngineProfiles.h"

#include <QChildEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QPointer>
#include <QQuickWidget>
#include <QWebEngineDownloadItem>
#include <QWebEngineHistory>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>

namespace
{
// The style sheet goes in after the page's own, out of reach of its script.
QWebEngineScript styleScript(const QString &css)
{
    const QByteArray text = QJsonDocument(QJsonArray{css}).toJson(QJsonDocument::Compact);
    QWebEngineScript script;
    script.setName(QStringLiteral("vantara-style"));
    script.setInjectionPoint(QWebEngineScript::DocumentReady);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setRunsOnSubFrames(false);
    script.setSourceCode(QStringLiteral("(function (css) { var s = document.createElement('style');"
                                        " s.textContent = css;"
                                        " (document.head || document.documentElement)"
                                        ".appendChild(s); })(%1[0]);")
                             .arg(QString::fromUtf8(text)));
    return script;
}

// What QtWebEngine calls the title of a page without one: its address.
bool isAddressAsTitle(const QString &title, const QUrl &url)
{
    if (title.isEmpty())
        return true;
    QString bare = url.toString(QUrl::RemoveScheme);
    if (bare.startsWith(QLatin1String("//")))
        bare.remove(0, 2);
    for (const QString &form : {url.toString(), url.toDisplayString(), bare})
        if (title == form || title + QLatin1Char('/') == form)
            return true;
    return false;
}
} // namespace

WebEngineAppView *WebEngineAppView::make(const EngineViewSetup &setup, QWebEngineProfile *profile,
                                         ShellHost &shell)
{
    return new WebEngineAppView(new QWebEngineView, setup, profile, shell);
}

WebEngineAppView::WebEngineAppView(QWebEngineView *view, const EngineViewSetup &viewSetup,
                                   QWebEngineProfile *profile, ShellHost &shellHost)
    : AppView(view), enginePage(new EnginePage(profile, view)), shell(shellHost), setup(viewSetup)
{
    EngineProfiles::attach(profile, enginePage);
    if (!setup.styleSheet.isEmpty())
        enginePage->scripts().insert(styleScript(setup.styleSheet));
    view->setPage(enginePage);
    WebEngineAppView::setApp(setup.appName, setup.appIcon);

    connect(view, &QWebEngineView::titleChanged, this, &AppView::titleChanged);
    connect(view, &QWebEngineView::urlChanged, this, &AppView::urlChanged);
    connect(view, &QWebEngineView::iconChanged, this, &AppView::iconChanged);
    connect(view, &QWebEngineView::loadStarted, this, &WebEngineAppView::started);
    connect(view, &QWebEngineView::loadProgress, this, [this](int percent) {
        watch.progressed(percent);
        emit loadProgress(percent);
    });
    connect(view, &QWebEngineView::loadFinished, this, &WebEngineAppView::ended);
    connect(enginePage, &EnginePage::mainFrameRequested, this,
            [this](const QUrl &url) { requested = url; });
    connect(enginePage, &EnginePage::certificateRefused, this,
            [this](const QUrl &url) { untrusted = untrusted || url.host() == requested.host(); });
    connect(&watch, &LoadWatchdog::stalled, this, [this] {
        stalled = true;
        engineView()->stop();
    });
    enginePage->setWindowMaker([this] { return openWindow(); });
    connect(enginePage, &EnginePage::fullScreenChanged, this, &WebEngineAppView::setFullScreen);
    // Every page of the profile hears of each download: its own is the one
    // it hands on.
    connect(profile, &QWebEngineProfile::downloadRequested, this,
            [this](QWebEngineDownloadItem *item) {
                if (item->page() == enginePage)
                    EngineDownloadItem::offer(item, enginePage, shell);
            });

    // The user's clicks and keys reach the widget inside the view that
    // QtWebEngine makes (and may make anew): they allow its windows.
    view->installEventFilter(this);
    for (QWidget *child : view->findChildren<QWidget *>())
        child->installEventFilter(this);
    BackgroundPages::of(shell).add(this);
}

QWebEngineView *WebEngineAppView::engineView() const
{
    return static_cast<QWebEngineView *>(widget());
}

bool WebEngineAppView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == widget() && event->type() == QEvent::ChildAdded) {
        QObject *child = static_cast<QChildEvent *>(event)->child();
        if (child->isWidgetType())
            child->installEventFilter(this);
    }
    enginePage->gestures().see(event);
    // Hidden, the engine draws no more: what it showed last is kept for
    // pictures of the page (the overview), as small as they are shown.
    // This comes before the view tells the engine, which then drops it.
    if (event->type() == QEvent::Hide && watched == widget())
        lastDrawn = drawnNow().scaledToWidth(pictureWidth, Qt::SmoothTransformation);
    if (!fullScreen)
        return false;
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape &&
        static_cast<QKeyEvent *>(event)->modifiers() == Qt::NoModifier) {
        leaveFullScreen();
        return true;
    }
    // Another page on top, or the app closing.
    if (watched == widget() && event->type() == QEvent::Hide)
        leaveFullScreen();
    return false;
}

void WebEngineAppView::leaveFullScreen()
{
    enginePage->triggerAction(QWebEnginePage::ExitFullScreen);
    // The page's answer comes later; the shell's area is its own again now.
    setFullScreen(false);
}

void WebEngineAppView::setFullScreen(bool on)
{
    if (on == fullScreen)
        return;
    fullScreen = on;
    if (!on) {
        for (const QPointer<QWidget> &w : qAsConst(covered))
            if (w)
                w->show();
        covered.clear();
        return;
    }
    // In a holder (the Browser's bar over its view), the view takes the
    // holder's whole area; a view that is a page of the stack has it.
    QWidget *holder = widget()->parentWidget();
    if (!holder || AppView::of(holder) != this)
        return;
    for (QWidget *w : holder->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (w != widget() && w->isVisible()) {
            w->hide();
            covered.append(w);
        }
    }
}

void WebEngineAppView::started()
{
    ++loads;
    stalled = false;
    untrusted = false;
    watch.started();
    emit loadStarted();
}

void WebEngineAppView::ended(bool ok)
{
    watch.finished();
    const bool asked = stopping;
    stopping = false;
    emit loadFinished(ok);
    // A stop that the shell asked for is no failure (nor is a load that
    // another load replaced: QtWebEngine reports none for it).
    if (ok || asked)
        return;
    const QUrl failed = requested;
    if (failed.isEmpty())
        return;
    if (stalled || untrusted) {
        showFailure(failed, stalled ? ErrorPage::Reason::TimedOut : ErrorPage::Reason::Certificate);
        return;
    }
    const int load = loads;
    FailureProbe::run(failed, this, [this, failed, load](ErrorPage::Reason reason) {
        // Only while nothing else has been loaded since.
        if (load == loads && !isLoading())
            showFailure(failed, reason);
    });
}

void WebEngineAppView::showFailure(const QUrl &url, ErrorPage::Reason reason)
{
    // Under the failed address, so that its Try again loads that again.
    enginePage->setHtml(
        QString::fromUtf8(ErrorPage::forFailedLoad(appName(), appIcon(), url, reason)), url);
}

QWebEnginePage *WebEngineAppView::openWindow()
{
    if (!setup.opensWindows || !enginePage->gestures().mayOpen())
        return nullptr;
    // The same storage as its opener; no name, and no further windows.
    EngineViewSetup window;
    window.storageFolder = setup.storageFolder;
    window.cookieJar = setup.cookieJar;
    window.mobileRequests = setup.mobileRequests;
    window.opensWindows = false;
    WebEngineAppView *view = make(window, enginePage->profile(), shell);
    OpenedWindow::show(shell, view);
    return view->page();
}

// clang-format off
void WebEngineAppView::load(const QUrl &url) { engineView()->load(url); }
void WebEngineAppView::reload() { engineView()->reload(); }
void WebEngineAppView::back() { engineView()->back(); }
void WebEngineAppView::forward() { engineView()->forward(); }
bool WebEngineAppView::canGoBack() const { return enginePage->history()->canGoBack(); }
bool WebEngineAppView::canGoForward() const { return enginePage->history()->canGoForward(); }
QUrl WebEngineAppView::url() const { return engineView()->url(); }
QIcon WebEngineAppView::icon() const { return engineView()->icon(); }
// clang-format on

void WebEngineAppView::stop()
{
    stopping = stopping || isLoading();
    engineView()->stop();
}

void WebEngineAppView::runScript(const QString &source, const ScriptResult &done)
{
    QPointer<WebEngineAppView> alive(this);
    engineView()->page()->runJavaScript(source, QWebEngineScript::ApplicationWorld,
                                        [alive, done](const QVariant &result) {
                                            if (alive)
                                                done(result);
                                        });
}

QImage WebEngineAppView::picture() const
{
    return widget()->isVisible() || lastDrawn.isNull() ? drawnNow() : lastDrawn;
}

QImage WebEngineAppView::drawnNow() const
{
    if (auto *drawn = qobject_cast<QQuickWidget *>(engineView()->focusProxy())) {
        const QImage image = drawn->grabFramebuffer();
        if (!image.isNull())
            return image;
    }
    return AppView::picture();
}

QString WebEngineAppView::title() const
{
    // As QtWebKit does, a page without a title has none.
    const QString title = engineView()->title();
    return isAddressAsTitle(title, url()) ? QString() : title;
}

void WebEngineAppView::showOwnPage(const QByteArray &html)
{
    enginePage->setHtml(QString::fromUtf8(html));
}

void WebEngineAppView::close(bool)
{
    QWebEngineView *view = engineView();
    stop();
    view->setGeometry(0, 0, 0, 0);
    view->hide();
    // The page goes on its own, after the view: its script may be waiting
    // for a dialog's answer, and then it goes once that call has returned
    // (web/PageDialogs).
    enginePage->setParent(nullptr);
    view->deleteLater();
    enginePage->deleteLater();
}

void WebEngineAppView::noteUserGesture()
{
    enginePage->gestures().noteGesture();
}

void WebEngineAppView::setApp(const QString &name, const QByteArray &icon)
{
    AppView::setApp(name, icon);
    enginePage->setAppName(name);
}
