#include "webengine/BackgroundPages.h"

#include "shell/ShellHost.h"
#include "webengine/EnginePage.h"
#include "webengine/WebEngineAppView.h"

#include <QStackedWidget>
#include <QWebEngineDownloadItem>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <algorithm>

namespace
{
using State = QWebEnginePage::LifecycleState;

State deepest(State a, State b)
{
    return static_cast<int>(a) > static_cast<int>(b) ? a : b;
}
State lightest(State a, State b)
{
    return static_cast<int>(a) < static_cast<int>(b) ? a : b;
}
} // namespace

BackgroundPages &BackgroundPages::of(ShellHost &shell)
{
    QStackedWidget *stack = shell.stack();
    auto *pages = stack->findChild<BackgroundPages *>(QString(), Qt::FindDirectChildrenOnly);
    return pages ? *pages : *new BackgroundPages(shell);
}

BackgroundPages::BackgroundPages(ShellHost &host) : QObject(host.stack()), shell(host)
{
    next.setSingleShot(true);
    connect(&next, &QTimer::timeout, this, &BackgroundPages::review);
    connect(host.stack(), &QStackedWidget::currentChanged, this, &BackgroundPages::review);
}

void BackgroundPages::add(WebEngineAppView *view)
{
    settings = ShellSettings::read(shell.paths());
    pages.push_back({view, {}, true});
    pages.back().outOfSight.start();
    EnginePage *page = view->page();
    connect(page, &QWebEnginePage::recentlyAudibleChanged, this, &BackgroundPages::review);
    connect(page, &QWebEnginePage::recommendedStateChanged, this, &BackgroundPages::review);
    connect(page, &QWebEnginePage::loadFinished, this, &BackgroundPages::review);
    connect(page->profile(), &QWebEngineProfile::downloadRequested, this,
            &BackgroundPages::downloadRequested, Qt::UniqueConnection);
    // Once the view is in its place.
    QTimer::singleShot(0, this, &BackgroundPages::review);
}

void BackgroundPages::downloadRequested(QWebEngineDownloadItem *download)
{
    downloads.emplace_back(download);
    connect(download, &QWebEngineDownloadItem::stateChanged, this, &BackgroundPages::review);
}

bool BackgroundPages::onTop(WebEngineAppView *view) const
{
    QWidget *top = shell.stack()->currentWidget();
    return view->widget()->isVisible() || (top && AppView::allIn(top).contains(view));
}

bool BackgroundPages::busy(const WebEngineAppView *view) const
{
    if (view->page()->recentlyAudible())
        return true;
    return std::any_of(downloads.begin(), downloads.end(), [view](const auto &d) {
        return d && d->page() == view->page() &&
               d->state() == QWebEngineDownloadItem::DownloadInProgress;
    });
}

void BackgroundPages::review()
{
    pages.erase(std::remove_if(pages.begin(), pages.end(), [](const Page &p) { return !p.view; }),
                pages.end());
    downloads.erase(std::remove_if(downloads.begin(), downloads.end(),
                                   [](const auto &d) { return !d || d->isFinished(); }),
                    downloads.end());
    // Out of sight from the moment it left the top; a busy page counts as
    // seen, and as one of the loaded pages out of sight.
    std::vector<Page *> behind;
    int loadedBehind = 0;
    for (Page &p : pages) {
        const bool top = onTop(p.view);
        const bool seen = top || busy(p.view);
        if (seen || p.seen)
            p.outOfSight.restart();
        p.seen = seen;
        if (top)
            p.view->page()->setLifecycleState(State::Active);
        else if (seen)
            ++loadedBehind;
        else
            behind.push_back(&p);
    }
    std::sort(behind.begin(), behind.end(), [](const Page *a, const Page *b) {
        return a->outOfSight.elapsed() < b->outOfSight.elapsed();
    });
    const qint64 freezeMs = settings.freezeAfter * 1000LL;
    const qint64 discardMs = settings.discardAfter * 1000LL;
    qint64 wait = -1;
    const auto waitFor = [&wait](qint64 ms) {
        ms = std::max<qint64>(ms, 0);
        wait = wait < 0 ? ms : std::min(wait, ms);
    };
    for (Page *p : behind) {
        EnginePage *page = p->view->page();
        const qint64 idle = p->outOfSight.elapsed();
        State wanted = idle >= freezeMs ? State::Frozen : State::Active;
        if (idle >= discardMs ||
            (page->lifecycleState() != State::Discarded && loadedBehind >= settings.keepLoaded))
            wanted = State::Discarded;
        // The engine holds back what would lose the page's state (a load
        // under way, a form being filled in) and says when that changes.
        const State allowed = lightest(wanted, page->recommendedState());
        if (deepest(allowed, page->lifecycleState()) == allowed)
            page->setLifecycleState(allowed);
        if (page->lifecycleState() != State::Discarded)
            ++loadedBehind;
        if (wanted == State::Active)
            waitFor(freezeMs - idle);
        else if (wanted == State::Frozen)
            waitFor(discardMs - idle);
    }
    if (wait >= 0)
        next.start(int(std::min<qint64>(wait, 24 * 3600 * 1000)));
    else
        next.stop();
}
