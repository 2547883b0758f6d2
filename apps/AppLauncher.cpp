#include "apps/AppLauncher.h"

#include "apps/AppSession.h"

#include "shell/Addresses.h"
#include "shell/AppDescriptor.h"
#include "shell/AppFolderName.h"
#include "shell/AppView.h"
#include "shell/OpenApps.h"
#include "shell/PageProgress.h"
#include "shell/ScriptBridge.h"
#include "shell/ScriptCall.h"
#include "shell/ShellHost.h"
#include "shell/ShellPaths.h"
#include "shell/StackSlide.h"
#include "web/BrowserBar.h"
#include "web/ErrorPage.h"
#include "web/NetworkCookieJar.h"
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
bool isWebAddress(const QString &address)
{
    return address.contains(QLatin1String("http://")) ||
           address.contains(QLatin1String("https://"));
}

void useJar(AppView *view, const QString &jarName, const ShellHost &shell)
{
    if (QWebView *webView = WebKitAppView::webViewOf(view))
        webView->page()->networkAccessManager()->setCookieJar(
            new NetworkCookieJar(jarName, shell.paths().cookieFolder()));
}
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

AppView *AppLauncher::launch(const QString &nn, const QString &ll)
{
    try {
        // A name that is not one folder inside Apps has no descriptor.
        const bool safeName = AppFolder::isSafeName(nn);
        const QString appFolder = shell.appsFolder() + QLatin1Char('/') + nn;
        const AppDescriptor app = safeName
                                      ? AppDescriptor::read(appFolder + QStringLiteral("/app.con"))
                                      : AppDescriptor();
        shell.setShowIndex(0);
        AppView *view = createView(ll, app.css);
        QWidget *widget = view->widget();
        widget->setGeometry(StackSlide::stackArea(shell.screenArea()));
        view->setApp(nn, safeName ? ErrorPage::appIcon(appFolder) : QByteArray());

        if (isWebAddress(ll)) {
            useJar(view, ll, shell);
            view->load(QUrl(ll));
        }
        if (app.type == QLatin1String("web")) {
            useJar(view, app.link, shell);
            const QUrl link(app.link);
            view->load(link);
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
                view->load(page);
            else
                showProblem(view, ErrorPage::Reason::PageMissing, app.link);
            if (frame)
                shell.hookApiPlacement(frame);
            widget->setObjectName(nn);
            AppSession::markPage(widget, nn);
        }
        if (!isWebAddress(ll) && app.type != QLatin1String("web") &&
            app.type != QLatin1String("local"))
            showProblem(view, ErrorPage::Reason::BrokenDescriptor, QStringLiteral("app.con"));

        // The dock's Browser gets a bar to navigate with; web apps keep their
        // page alone.
        QWidget *page = widget;
        if (ll == QLatin1String(VANTARA_DEFAULT_START_PAGE) && app.type.isEmpty()) {
            page = BrowserBar::wrap(view, QUrl(ll));
            page->setObjectName(widget->objectName());
            page->setGeometry(widget->geometry());
        }
        OpenApps::mark(page, nn);
        shell.stack()->addWidget(page);
        shell.stack()->setCurrentWidget(page);
        // Keys go to the page the user now sees, not the home page beneath.
        view->focus();
        StackSlide::slideIn(shell.stack(), shell.screenArea());
        ScriptCall::run(shell.homeFrame(), QStringLiteral("addicon"),
                        {QStringLiteral("file:///") + shell.programFolder() +
                         QStringLiteral("//Apps//") + nn + QStringLiteral("//icon.png")});
        ScriptCall::run(shell.homeFrame(), QStringLiteral("nameTab"), {nn});
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

AppView *AppLauncher::createView(const QString &objectName, const QString &css)
{
    auto *page = new WebPage(shell.mainWindow(), &shell);
    page->setForwardUnsupportedContent(true);
    auto *view = WebKitAppView::make(page);
    QWebView *webView = view->webView();
    webView->setObjectName(objectName);
    webView->settings()->setUserStyleSheetUrl(userStyleSheet(styleBase, css));
    shell.hookAppPage(webView);
    shell.follow(view);
    return view;
}
