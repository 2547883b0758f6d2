#include "shell/PageStack.h"

#include "shell/AppView.h"
#include "shell/DesktopShortcut.h"
#include "shell/PageKind.h"
#include "shell/PageProgress.h"
#include "shell/ScriptCall.h"
#include "shell/ShellHost.h"
#include "shell/ShellPaths.h"
#include "shell/StackSlide.h"

#include <QProgressBar>
#include <QStackedWidget>
#include <exception>

PageStack::PageStack(ShellHost &host, QObject *parent) : QObject(parent), shell(host) {}

void PageStack::homescreen()
{
    shell.stack()->hide();
    // The home screen's keys (arrows, Return) reach it at once.
    shell.homeScreen()->setFocus();
}

void PageStack::appswitch(int i)
{
    QStackedWidget *stack = shell.stack();
    if (i >= 0 && i < stack->count())
        stack->setCurrentIndex(i);
    stack->show();
    if (QWidget *page = stack->currentWidget())
        page->setFocus();
}

void PageStack::showapp()
{
    QStackedWidget *stack = shell.stack();
    stack->setCurrentIndex(shell.showIndex());
    StackSlide::switchIn(stack, shell.screenArea());
}

void PageStack::closeapp()
{
    QStackedWidget *stack = shell.stack();
    QWidget *page = stack->currentWidget();
    if (!page)
        return;
    const PageKind kind = kindOf(page);
    const int index = stack->indexOf(page);
    // Focus leaves first: a focused view that hides hands it on by sending
    // its page a Tab.
    shell.homeScreen()->setFocus();
    // Views go from the event loop: the page on top may be the one whose
    // script called closeapp, and deleting its page under that script would
    // pull its frame away from it.
    if (kind == PageKind::MailPanel) {
        // The panel stays, hidden, a child of the stack; its views go.
        for (AppView *view : AppView::allIn(page))
            view->close(false);
        stack->removeWidget(page);
    } else if (AppView *view = AppView::of(page)) {
        // The music app keeps its plug-ins to the end; every other page
        // stops them at once. A holder (the Browser's bar) goes with its view.
        view->close(kind != PageKind::MusicApp);
        stack->removeWidget(page);
        if (view->widget() != page)
            page->deleteLater();
    } else {
        page->setAttribute(Qt::WA_DeleteOnClose);
        stack->removeWidget(page);
        page->deleteLater();
    }
    // The home page selects the last tab after a close; the last page is
    // the one to show with it.
    if (stack->count() > 0) {
        stack->setCurrentIndex(stack->count() - 1);
        stack->currentWidget()->setFocus();
    } else {
        stack->hide();
        shell.homeScreen()->setFocus();
    }
    // The home page removes the tab before it asks for a close; a page that
    // closes itself does not, and its tab would then name the wrong page.
    ScriptCall::run(shell.homeFrame(), QStringLiteral("closedTab"), {index, stack->count()});
}

void PageStack::pageloaded()
{
    PageProgress::show(shell.progressBar(), 0);
    try {
        QWidget *page = shell.pageOnTop();
        const PageKind kind = kindOf(page);
        if (kind == PageKind::None || kind == PageKind::MailPanel)
            return;
        const AppView *view = AppView::of(page);
        const QString title = view ? view->title() : QString();
        if (!title.isEmpty())
            ScriptCall::run(shell.homeFrame(), QStringLiteral("nameTab"), {title.left(10)});
    } catch (const std::exception &) {
        shell.message(QStringLiteral("pageloaded"));
    }
}

void PageStack::linkClicked(const QUrl &url)
{
    if (AppView *view = shell.viewOnTop())
        view->load(url);
}

void PageStack::homeLoaded()
{
    const QRect desktop = shell.screenArea();
    shell.homeScreen()->setGeometry(0, 0, desktop.width(), desktop.height());
    shell.progressBar()->setGeometry(0, 0, desktop.width(), 2);
    // The line paints every pixel of itself (black under the chunk), so the
    // home page beneath need not be painted again on each step of a load.
    shell.progressBar()->setAttribute(Qt::WA_OpaquePaintEvent);
    DesktopShortcut::createAll(shell.paths());
}
