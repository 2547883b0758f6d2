#include "mail/MailPanel.h"

#include "mail/MailListPage.h"
#include "shell/AppView.h"
#include "shell/OpenApps.h"
#include "shell/PageKind.h"
#include "shell/ScriptBridge.h"
#include "shell/ShellHost.h"
#include "shell/ShellPaths.h"
#include "shell/StackSlide.h"
#include "web/NT.h"
#include "web/NetworkCookieJar.h"
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
    QObject *bridge = host.bridge();

    auto *panel = new QWidget;
    auto *page = new WebPage(host.mainWindow(), &host);
    auto *layout = new QHBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);

    auto *list = new QWebView;
    list->setMaximumWidth(300);
    list->setPage(new MailListPage(list, bridge));
    new WebKitAppView(list);
    list->load(MailListPage::address());
    host.hookMailList(list->page()->mainFrame());

    auto *mail = WebKitAppView::make(page)->webView();
    auto *manager = new NT(host.mainWindow());
    page->setNetworkAccessManager(manager);
    // The manager belongs to the window but serves only this page: it goes
    // with the page, and stops calling the bridge at once.
    QObject::connect(page, &QObject::destroyed, manager, [manager, bridge] {
        manager->disconnect(bridge);
        manager->deleteLater();
    });
    host.hookMailService(page, manager);
    mail->load(QUrl(QStringLiteral("qrc:/assets/support/home.html")));

    layout->setSpacing(0);
    layout->addWidget(list);
    // The list keeps its 300 px; the mail view takes all the rest.
    layout->addWidget(mail, 1);
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
    AppView *mail = mailView(panelOnTop());
    if (!mail)
        return;
    host.setShowIndex(1);
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
