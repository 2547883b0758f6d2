#include "apps/AppLauncher.h"

#include "apps/AppSession.h"

#include "shell/Addresses.h"
#include "shell/AppDescriptor.h"
#include "shell/AppFolderName.h"
#include "shell/AppIcon.h"
#include "shell/AppView.h"
#include "shell/EngineChoice.h"
#include "shell/OpenApps.h"
#include "shell/PageProgress.h"
#include "shell/ScriptBridge.h"
#include "shell/ScriptCall.h"
#include "shell/ShellHost.h"
#include "shell/ShellPaths.h"
#include "shell/ShellSettings.h"
#include "shell/StackSlide.h"
#include "web/BrowserBar.h"
#include "web/EngineViews.h"
#include "web/ErrorPage.h"
#include "web/NetworkCookieJar.h"
#include "web/NotificationPermission.h"
#include "web/WebEngineFactory.h"
#include "web/WebKitAppView.h"
#include "web/WebPage.h"

#include <QNetworkAccessManager>
#include <QStackedWidget>
#include <QWebFrame>
#include <QWebSettings>
#include <QWebView>
#include <exception>

namespace
{
void useJar(AppView *view, const QString &jarName, const ShellHost &shell)
{
    if (QWebView *webView = WebKitAppView::webViewOf(view))
        webView->page()->networkAccessManager()->setCookieJar(
            new NetworkCookieJar(jarName, shell.paths().cookieFolder()));
}
// The dock's picture of the Browser.
const QString browserPicture = QStringLiteral(":/assets/ios7/safari.png");
} // namespace

AppLauncher::AppLauncher(ShellHost &host, const QString &base, QObject *parent)
    : QObject(parent), shell(host), styleBase(base)
{
}

QUrl AppLauncher::userStyleSheet(const QString &base, const QString &css)
{
    // The data address declares UTF-8, so the text is encoded as UTF-8.
    return QUrl(QStringLiteral("data:text/css;charset=utf-8;base64,") +
                QString::fromLatin1((base + css).toUtf8().toBase64()));
}

QUrl AppLauncher::localPage(const QString &appFolder, const QString &link)
{
    const QUrl page = QUrl::fromLocalFile(appFolder + QLatin1Char('/') + link);
    if (link.isEmpty() || !ScriptBridge::isInsideFolder(page, appFolder))
        return QUrl();
    return page;
}

QString AppLauncher::tabName(const QString &nn)
{
    const QString suffix = QStringLiteral(".map");
    return nn.endsWith(suffix) && nn.size() > suffix.size() ? nn.left(nn.size() - suffix.size())
                                                            : nn;
}

AppView *AppLauncher::launch(const QString &nn, const QString &ll, const QUrl &resumeAt)
{
    try {
        // A name that is not one folder inside Apps has no descriptor.
        const bool safeName = AppFolder::isSafeName(nn);
        const QString appFolder = shell.appsFolder() + QLatin1Char('/') + nn;
        const AppDescriptor app = safeName
                                      ? AppDescriptor::read(appFolder + QStringLiteral("/app.con"))
                                      : AppDescriptor();
        shell.setShowIndex(0);
        const ShellSettings settings = ShellSettings::read(shell.paths());
        const bool browser = ll == QLatin1String(VANTARA_DEFAULT_START_PAGE) && app.type.isEmpty();
        const AppView::Engine engine = browser ? EngineChoice::forBrowser(settings)
                                               : EngineChoice::forApp(app, nn, ll, settings);
        // The cookies the page ends up with: its own site's, or for local apps
        // the start page's.
        const QString jar = app.type == QLatin1String("web") ? app.link
                            : app.type == QLatin1String("local")
                                ? QStringLiteral(VANTARA_DEFAULT_START_PAGE)
                                : ll;
        AppView *view = createView(engine, nn, ll, app.css, jar);
        QWidget *widget = view->widget();
        widget->setGeometry(StackSlide::stackArea(shell.screenArea()));
        // The Browser is named and pictured as the dock shows it.
        if (browser)
            view->setApp(EngineChoice::browserName(), ErrorPage::iconAt(browserPicture));
        else
            view->setApp(nn, safeName ? ErrorPage::appIcon(appFolder) : QByteArray());

        // What the view loads once the slide runs: the slide's timer is
        // started from the event loop, and would otherwise wait behind the
        // page's loading and be seen a frame or more later.
        QList<QUrl> loads;
        if (EngineChoice::isWebAddress(ll)) {
            useJar(view, ll, shell);
            loads << (browser && resumeAt.isValid() ? resumeAt : QUrl(ll));
        }
        if (app.type == QLatin1String("web")) {
            useJar(view, app.link, shell);
            const QUrl link(app.link);
            loads << link;
            if (ScriptBridge::isTrustedWebAddress(link))
                if (QWebFrame *frame = WebKitAppView::frameOf(view))
                    shell.hookApiPlacement(frame);
            widget->setObjectName(nn);
            AppSession::markPage(widget, nn);
        }
        if (app.type == QLatin1String("local")) {
            useJar(view, QStringLiteral(VANTARA_DEFAULT_START_PAGE), shell);
            QWebFrame *frame = WebKitAppView::frameOf(view);
            ScriptBridge::markAppFolder(frame ? frame->page() : nullptr, appFolder);
            const QUrl page = localPage(appFolder, app.link);
            if (!page.isEmpty())
                loads << page;
            else
                showProblem(view, ErrorPage::Reason::PageMissing, app.link);
            if (frame)
                shell.hookApiPlacement(frame);
            widget->setObjectName(nn);
            AppSession::markPage(widget, nn);
        }
        if (!EngineChoice::isWebAddress(ll) && app.type != QLatin1String("web") &&
            app.type != QLatin1String("local"))
            showProblem(view, ErrorPage::Reason::BrokenDescriptor, QStringLiteral("app.con"));

        // The dock's Browser gets a bar to navigate with; web apps keep their
        // page alone.
        QWidget *page = widget;
        if (browser) {
            page = BrowserBar::wrap(shell, view, QUrl(ll));
            page->setObjectName(widget->objectName());
            page->setGeometry(widget->geometry());
            AppSession::markPage(page, nn, AppSession::Kind::Browser);
        }
        OpenApps::mark(page, nn);
        shell.stack()->addWidget(page);
        shell.stack()->setCurrentWidget(page);
        // Keys go to the page the user now sees, not the home page beneath.
        view->focus();
        StackSlide::slideIn(shell.stack(), shell.screenArea());
        QMetaObject::invokeMethod(
            view,
            [view, loads] {
                for (const QUrl &address : loads)
                    view->load(address);
            },
            Qt::QueuedConnection);
        // The tab's icon: one beyond the bounds is never given to the page.
        const QString icon =
            shell.programFolder() + QStringLiteral("//Apps//") + nn + QStringLiteral("//icon.png");
        if (AppIcon::mayShow(icon))
            ScriptCall::run(shell.homeFrame(), QStringLiteral("addicon"),
                            {QStringLiteral("file:///") + icon});
        ScriptCall::run(shell.homeFrame(), QStringLiteral("nameTab"), {tabName(view->appName())});
        return view;
    } catch (const std::exception &) {
        shell.message(QStringLiteral("ERR3"));
        return nullptr;
    }
}

void AppLauncher::showProblem(AppView *view, ErrorPage::Reason reason, const QString &detail)
{
    // No base address: the page of a broken app gets no api and no file access.
    view->showOwnPage(ErrorPage::html(view->appName(), view->appIcon(), reason, detail, false));
}

AppView *AppLauncher::createView(AppView::Engine engine, const QString &name,
                                 const QString &objectName, const QString &css, const QString &jar)
{
    AppView *view = nullptr;
    if (engine == AppView::Engine::WebEngine) {
        EngineViewSetup setup;
        setup.storageFolder =
            EngineViews::storageFolder(shell.paths(), QStringLiteral("App"), name);
        setup.cookieJar = jar;
        setup.styleSheet = styleBase + css;
        view = EngineViews::create(shell, setup);
    }
    // QtWebKit: by choice, or when the engine library cannot be loaded.
    if (!view) {
        auto *page = new WebPage(shell.mainWindow(), &shell);
        page->setForwardUnsupportedContent(true);
        // The same answers as the app's pages gave in the other engine.
        NotificationPermission::rememberIn(
            page, EngineViews::storageFolder(shell.paths(), QStringLiteral("App"), name) +
                      QStringLiteral(".permissions"));
        auto *webkit = WebKitAppView::make(page);
        webkit->webView()->settings()->setUserStyleSheetUrl(userStyleSheet(styleBase, css));
        shell.hookAppPage(webkit->webView());
        shell.follow(webkit);
        view = webkit;
    }
    view->widget()->setObjectName(objectName);
    return view;
}
