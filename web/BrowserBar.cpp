#include "web/BrowserBar.h"

#include "shell/AppView.h"
#include "web/AddToHomeScreen.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRegularExpression>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

#include <functional>

namespace
{
QToolButton *button(const QString &text, const QString &tip, QWidget *parent)
{
    auto *b = new QToolButton(parent);
    b->setText(text);
    b->setToolTip(tip);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

void shortcut(const QKeySequence &keys, QWidget *scope, const std::function<void()> &act)
{
    auto *s = new QShortcut(keys, scope);
    s->setContext(Qt::WidgetWithChildrenShortcut);
    QObject::connect(s, &QShortcut::activated, scope, act);
}
} // namespace

BrowserBar::BrowserBar(ShellHost &shell, AppView *webView, const QUrl &search, QWidget *parent)
    : QWidget(parent), view(webView), searchPage(search),
      adder(new AddToHomeScreen(shell, webView, this))
{
    setObjectName(QStringLiteral("browserBar"));
    setFixedHeight(height);
    // Painted by its style sheet, not by the window's palette it would inherit.
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral(
        "BrowserBar { background: #f2f2f2; border-bottom: 1px solid #d0d0d0; }"
        "QToolButton { font-size: 16px; min-width: 28px; color: #333; }"
        "QToolButton:disabled { color: #aaa; }"
        "QLineEdit { border: 1px solid #c8c8c8; border-radius: 12px; padding: 2px 10px;"
        " background: #fff; color: #222; }"));
    back = button(QStringLiteral("\u2190"), QStringLiteral("Back (Alt+Left)"), this);
    forward = button(QStringLiteral("\u2192"), QStringLiteral("Forward (Alt+Right)"), this);
    reload = button(QStringLiteral("\u21bb"), QStringLiteral("Reload (F5)"), this);
    address = new QLineEdit(this);
    address->setObjectName(QStringLiteral("address"));
    address->setPlaceholderText(QStringLiteral("Search or type an address"));
    addToHome = button(QStringLiteral("+"), QStringLiteral("Add to Home Screen"), this);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(4, 3, 8, 3);
    row->setSpacing(2);
    row->addWidget(back);
    row->addWidget(forward);
    row->addWidget(reload);
    row->addWidget(address, 1);
    row->addWidget(addToHome);

    connect(back, &QToolButton::clicked, view, &AppView::back);
    connect(forward, &QToolButton::clicked, view, &AppView::forward);
    connect(reload, &QToolButton::clicked, this, [this] {
        if (loading)
            view->stop();
        else
            view->reload();
    });
    connect(address, &QLineEdit::returnPressed, this, &BrowserBar::go);
    connect(addToHome, &QToolButton::clicked, adder, &AddToHomeScreen::start);
    connect(adder, &AddToHomeScreen::busyChanged, addToHome, &QToolButton::setDisabled);
    connect(view, &AppView::urlChanged, this, [this](const QUrl &url) {
        if (!address->hasFocus())
            address->setText(url.toDisplayString());
        historyChanged();
    });
    connect(view, &AppView::loadStarted, this, [this] { loadingChanged(true); });
    connect(view, &AppView::loadFinished, this, [this] {
        loadingChanged(false);
        historyChanged();
    });
    historyChanged();
}

QWidget *BrowserBar::wrap(ShellHost &shell, AppView *view, const QUrl &searchPage)
{
    auto *page = new QWidget;
    AppView::holdsView(page);
    auto *column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto *bar = new BrowserBar(shell, view, searchPage, page);
    column->addWidget(bar);
    column->addWidget(view->widget(), 1);
    shortcut(QKeySequence(QStringLiteral("Ctrl+L")), page, [bar] {
        bar->address->setFocus(Qt::ShortcutFocusReason);
        bar->address->selectAll();
    });
    shortcut(QKeySequence(QStringLiteral("Alt+Left")), page, [view] { view->back(); });
    shortcut(QKeySequence(QStringLiteral("Alt+Right")), page, [view] { view->forward(); });
    shortcut(QKeySequence(Qt::Key_F5), page, [view] { view->reload(); });
    return page;
}

QUrl BrowserBar::addressFor(const QString &typed, const QUrl &searchPage)
{
    const QString text = typed.trimmed();
    static const QRegularExpression withScheme(QStringLiteral("^https?://\\S+$"),
                                               QRegularExpression::CaseInsensitiveOption);
    // A host name (with a dot, or localhost) and an optional port and path.
    static const QRegularExpression hostLike(
        QStringLiteral("^(localhost|[\\w-]+(\\.[\\w-]+)+)(:\\d+)?(/\\S*)?$"));
    if (withScheme.match(text).hasMatch())
        return QUrl(text);
    if (hostLike.match(text).hasMatch())
        return QUrl(QStringLiteral("http://") + text);
    // Every character that means something in a query ('+', '&', '#') is escaped.
    QUrl search = searchPage;
    search.setQuery(QStringLiteral("q=") + QString::fromLatin1(QUrl::toPercentEncoding(text)),
                    QUrl::StrictMode);
    return search;
}

void BrowserBar::go()
{
    const QString typed = address->text();
    if (typed.trimmed().isEmpty())
        return;
    // The user's Return: a file at the address typed is theirs to save.
    view->noteUserGesture();
    view->load(addressFor(typed, searchPage));
    view->focus();
}

void BrowserBar::loadingChanged(bool isLoading)
{
    loading = isLoading;
    reload->setText(isLoading ? QStringLiteral("\u2715") : QStringLiteral("\u21bb"));
    reload->setToolTip(isLoading ? QStringLiteral("Stop") : QStringLiteral("Reload (F5)"));
}

void BrowserBar::historyChanged()
{
    back->setEnabled(view->canGoBack());
    forward->setEnabled(view->canGoForward());
}
