#include "apps/AppLauncher.h"

#include "apps/AppSession.h"

#include "shell/Addresses.h"
#include "shell/AppDescriptor.h"
#include "shell/AppFolderName.h"
#include "shell/AppIcon.h"
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
#include "web/WebPage.h"

#include <QNetworkAccessManager>
#include <QStackedWidget>
#include <QWebFrame>
#include <QWebSettings>
#include <QWebView>
#include <exception>

namespace
{
void useJar(QWebView *view, const QString &jarName, const ShellHost &shell)
{
    view->page()->networkAccessManager()->setCookieJar(
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

QWebView *AppLauncher::launch(const QString &nn, const QString &ll)
{
    try {
        // A name that is not one folder inside Apps has no descriptor.
        const QString appFolder = shell.appsFolder() + QLatin1Char('/') + nn;
        const AppDescriptor app = AppFolder::isSafeName(nn)
                                      ? AppDescriptor::read(appFolder + QStringLiteral("/app.con"))
                                      : AppDescriptor();
        shell.setShowIndex(0);
        QWebView *view = createView(ll);
        view->settings()->setUserStyleSheetUrl(userStyleSheet(styleBase, app.css));

        view->setGeometry(StackSlide::stackArea(shell.screenArea()));
        if (auto *page = dynamic_cast<QuietPage *>(view->page()))
            page->setAppIdentity(nn, AppFolder::isSafeName(nn) ? ErrorPage::appIcon(appFolder)
                                                               : QByteArray());

        if (ll.contains(QLatin1String("http://")) || ll.contains(QLatin1String("https://"))) {
            useJar(view, ll, shell);
            view->load(QUrl(ll));
        }
        if (app.type == QLatin1String("web")) {
            useJar(view, app.link, shell);
            const QUrl link(app.link);
            view->load(link);
            if (ScriptBridge::isTrustedWebAddress(link))
                shell.hookApiPlacement(view->page()->mainFrame());
            view->setObjectName(nn);
            AppSession::markPage(view, nn);
        }
        if (app.type == QLatin1String("local")) {
            useJar(view, QStringLiteral(VANTARA_DEFAULT_START_PAGE), shell);
            ScriptBridge::markAppFolder(view->page(), appFolder);
            const QUrl page = localPage(appFolder, app.link);
            if (!page.isEmpty())
                view->load(page);
            else
                showProblem(view, nn, appFolder, ErrorPage::Reason::PageMissing, app.link);
            shell.hookApiPlacement(view->page()->mainFrame());
            view->setObjectName(nn);
            AppSession::markPage(view, nn);
        }
        const bool webAddress =
            ll.contains(QLatin1String("http://")) || ll.contains(QLatin1String("https://"));
        if (!webAddress && app.type != QLatin1String("web") && app.type != QLatin1String("local"))
            showProblem(view, nn, appFolder, ErrorPage::Reason::BrokenDescriptor,
                        QStringLiteral("app.con"));

        // The dock's Browser gets a bar to navigate with; web apps keep their
        // page alone.
        QWidget *page = view;
        if (ll == QLatin1String(VANTARA_DEFAULT_START_PAGE) && app.type.isEmpty()) {
            page = BrowserBar::wrap(view, QUrl(ll));
            page->setObjectName(view->objectName());
            page->setGeometry(view->geometry());
        }
        OpenApps::mark(page, nn);
        shell.stack()->addWidget(page);
        shell.stack()->setCurrentWidget(page);
        // Keys go to the page the user now sees, not the home page beneath.
        view->setFocus();
        StackSlide::slideIn(shell.stack(), shell.screenArea());
        // The tab's icon: one beyond the bounds is never given to the page.
        const QString icon =
            shell.programFolder() + QStringLiteral("//Apps//") + nn + QStringLiteral("//icon.png");
        if (AppIcon::mayShow(icon))
            ScriptCall::run(shell.homeFrame(), QStringLiteral("addicon"),
                            {QStringLiteral("file:///") + icon});
        ScriptCall::run(shell.homeFrame(), QStringLiteral("nameTab"), {nn});
        return view;
    } catch (const std::exception &) {
        shell.message(QStringLiteral("ERR3"));
        return nullptr;
    }
}

void AppLauncher::showProblem(QWebView *view, const QString &name, const QString &appFolder,
                              ErrorPage::Reason reason, const QString &detail)
{
    // No base address: the page of a broken app gets no api and no file access.
    const QByteArray icon =
        AppFolder::isSafeName(name) ? ErrorPage::appIcon(appFolder) : QByteArray();
    view->setContent(ErrorPage::html(name, icon, reason, detail, false),
                     QStringLiteral("text/html;charset=utf-8"));
}

QWebView *AppLauncher::createView(const QString &objectName)
{
    auto *view = new QWebView;
    view->setObjectName(objectName);
    auto *page = new WebPage(shell.mainWindow(), &shell);
    view->setPage(page);
    page->setForwardUnsupportedContent(true);
    shell.hookPageLoads(page);
    shell.hookAppPage(view);
    PageProgress::follow(page, shell.progressBar());
    return view;
}
