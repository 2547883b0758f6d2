#include "mail/MailPanel.h"

#include "mail/MailListPage.h"
#include "shell/OpenApps.h"
#include "shell/PageKind.h"
#include "shell/ScriptBridge.h"
#include "shell/ShellHost.h"
#include "shell/ShellPaths.h"
#include "shell/StackSlide.h"
#include "web/NT.h"
#include "web/NetworkCookieJar.h"
#include "web/WebPage.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QStackedWidget>
#include <QWebFrame>
#include <QWebView>

namespace
{
QWebView *viewAt(const QWidget *panel, int index)
{
    if (kindOf(panel) != PageKind::MailPanel || !panel->layout())
        return nullptr;
    QLayoutItem *item = panel->layout()->itemAt(index);
    return item ? qobject_cast<QWebView *>(item->widget()) : nullptr;
}
} // namespace

MailPanel::MailPanel(ShellHost &shellHost, QObject *parent) : QObject(parent), host(shellHost) {}

QWebView *MailPanel::listView(const QWidget *panel)
{
    return viewAt(panel, 0);
}
QWebView *MailPanel::mailView(const QWidget *panel)
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
    auto *page = new WebPage(host.mainWindow(), &host);
    auto *layout = new QHBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);

    auto *list = new QWebView;
    list->setMaximumWidth(300);
    list->setPage(new MailListPage(list, hooks));
    list->load(MailListPage::address());
    host.hookMailList(list->page()->mainFrame());

    auto *mail = new QWebView;
    mail->setPage(page);
    auto *manager = new NT(host.mainWindow());
    page->setNetworkAccessManager(manager);
    // The manager belongs to the window but serves only this page: it goes
    // with the page, and stops calling the window at once.
    QObject::connect(page, &QObject::destroyed, manager, [manager, hooks] {
        manager->disconnect(hooks);
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
    QWebView *mail = mailView(panelOnTop());
    if (!mail)
        return;
    host.setShowIndex(1);
    // The manager drops its previous jar: each account change brings in the
    // cookie file of the service's address.
    mail->page()->networkAccessManager()->setCookieJar(
        new NetworkCookieJar(service, host.paths().cookieFolder()));
    // A site that cannot be reached shows the account's name on its error page.
    if (auto *page = dynamic_cast<QuietPage *>(mail->page()))
        page->setAppIdentity(name.isEmpty() ? PageNames::mailPanel() : name, QByteArray());
    mail->load(QUrl(service));
    QObject::connect(mail->page(), &QWebPage::loadProgress, host.progressBar(),
                     &QProgressBar::setValue, Qt::UniqueConnection);
    // Like every page of the stack, a finished load resets the bar.
    host.hookPageLoads(mail->page());
}

void MailPanel::authenticationRequired()
{
    host.message(QStringLiteral("a_auth"));
}
