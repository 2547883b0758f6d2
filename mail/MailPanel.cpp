#include "mail/MailPanel.h"

#include "mail/MailListPage.h"
#include "shell/AppView.h"
#include "shell/EngineChoice.h"
#include "shell/OpenApps.h"
#include "shell/PageKind.h"
#include "shell/ScriptBridge.h"
#include "shell/ShellHost.h"
#include "shell/ShellPaths.h"
#include "shell/ShellSettings.h"
#include "shell/StackSlide.h"
#include "web/EngineViews.h"
#include "web/NT.h"
#include "web/NetworkCookieJar.h"
#include "web/WebEngineFactory.h"
#include "web/WebKitAppView.h"
#include "web/WebPage.h"

#include <QHBoxLayout>
#include <QStackedWidget>
#include <QWebFrame>
#include <QWebView>

namespace
{
AppView *viewAt(const QWidget *panel, int index)
{
    if (kindOf(panel) != PageKind::MailPanel || !panel->layout())
        return nullptr;
    QLayoutItem *item = panel->layout()->itemAt(index);
    return item ? AppView::of(item->widget()) : nullptr;
}
} // namespace

MailPanel::MailPanel(ShellHost &shellHost, QObject *parent) : QObject(parent), host(shellHost) {}

QWebView *MailPanel::listView(const QWidget *panel)
{
    return WebKitAppView::webViewOf(viewAt(panel, 0));
}
AppView *MailPanel::mailView(const QWidget *panel)
{
    return viewAt(panel, 1);
}

QWidget *MailPanel::panelOnTop() const
{
    QWidget *top = host.pageOnTop();
    return kindOf(top) == PageKind::MailPanel ? top : nullptr;
}

QWidget *MailPanel::open()
{
    host.setShowIndex(1);
    QObject *hooks = host.hookTarget();

    auto *panel = new QWidget;
    auto *layout = new QHBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);

    auto *list = new QWebView;
    list->setMaximumWidth(300);
    list->setPage(new MailListPage(list, hooks));
    new WebKitAppView(list);
    list->load(MailListPage::address());
    host.hookMailList(list->page()->mainFrame());

    AppView *mail = webKitMailView();
    mail->load(QUrl(QStringLiteral("qrc:/assets/support/home.html")));

    layout->setSpacing(0);
    layout->addWidget(list);
    // The list keeps its 300 px; the mail view takes all the rest.
    layout->addWidget(mail->widget(), 1);
    panel->setLayout(layout);

    QStackedWidget *stack = host.stack();
    stack->addWidget(panel);
    panel->setObjectName(PageNames::mailPanel());
    // The home page opens the panel under this name.
    OpenApps::mark(panel, QStringLiteral("Mail"));
    stack->setCurrentWidget(panel);
    StackSlide::slideIn(stack, host.screenArea());
    return panel;
}

AppView *MailPanel::webKitMailView()
{
    QObject *hooks = host.hookTarget();
    auto *page = new WebPage(host.mainWindow(), &host);
    auto *manager = new NT(host.mainWindow());
    page->setNetworkAccessManager(manager);
    // The manager belongs to the window but serves only this page: it goes
    // with the page, and stops calling the window at once.
    QObject::connect(page, &QObject::destroyed, manager, [manager, hooks] {
        manager->disconnect(hooks);
        manager->deleteLater();
    });
    host.hookMailService(page, manager);
    return WebKitAppView::make(page);
}

AppView *MailPanel::siteView(const QString &service, AppView::Engine engine)
{
    if (engine == AppView::Engine::WebKit)
        return webKitMailView();
    // The phone's agent on the requests, and each site's storage, which its
    // accounts share as they share its cookie file.
    const QString site = NetworkCookieJar::fileNameFor(service);
    EngineViewSetup setup;
    setup.storageFolder = EngineViews::storageFolder(host.paths(), PageNames::mailPanel(),
                                                     site.isEmpty() ? service : site);
    setup.cookieJar = service;
    setup.mobileRequests = true;
    return EngineViews::create(host, setup);
}

void MailPanel::offerBridge()
{
    QWebView *list = listView(panelOnTop());
    if (!list)
        return;
    QWebFrame *frame = list->page()->mainFrame();
    // Only the bundled list page may drive the shell: not a page that the
    // list view was navigated to, nor another compiled-in page.
    ScriptBridge::place(frame, host.bridge(), ScriptBridge::homeName(),
                        ScriptBridge::isBundledPage(frame->url(), MailListPage::address().path()));
}

void MailPanel::openService(const QString &service, const QString &name)
{
    QWidget *panel = panelOnTop();
    AppView *mail = mailView(panel);
    if (!mail)
        return;
    host.setShowIndex(1);
    // QtWebEngine keeps a page in the storage it was made with: a site of its
    // own, or a change of engine, gets a view of its own.
    const AppView::Engine engine = EngineChoice::forMailSite(ShellSettings::read(host.paths()));
    if (engine == AppView::Engine::WebEngine || mail->engine() != engine) {
        if (AppView *site = siteView(service, engine)) {
            // The layout hands back the item it held the old view in.
            delete panel->layout()->replaceWidget(mail->widget(), site->widget());
            mail->close(false);
            mail = site;
        }
    }
    // The manager drops its previous jar: each account change brings in the
    // cookie file of the service's address.
    if (QWebView *webView = WebKitAppView::webViewOf(mail))
        webView->page()->networkAccessManager()->setCookieJar(
            new NetworkCookieJar(service, host.paths().cookieFolder()));
    // A site that cannot be reached shows the account's name on its error page.
    mail->setApp(name.isEmpty() ? PageNames::mailPanel() : name, QByteArray());
    mail->load(QUrl(service));
    // Like every page of the stack, its loads drive the bar and a finished
    // one resets it.
    host.follow(mail);
}

void MailPanel::authenticationRequired()
{
    host.message(QStringLiteral("a_auth"));
}
