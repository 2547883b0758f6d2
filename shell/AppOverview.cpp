#include "shell/AppOverview.h"

#include "shell/AppView.h"
#include "shell/ScriptCall.h"
#include "shell/ShellHost.h"
#include "shell/StackSlide.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStackedWidget>
#include <algorithm>

namespace
{
const int gap = 32;
const int labelHeight = 30;
const int closeSize = 30;
// A tap moves less than this; a card pushed up by a third of its height goes.
const int tapSlack = 12;
// Pictures are kept no larger than a card can show.
const int pictureWidth = 360;

QString nameFor(QWidget *page, const AppView *view)
{
    QString name = view ? view->appName() : QString();
    if (name.isEmpty() && view)
        name = view->title();
    if (name.isEmpty())
        name = page->objectName();
    const QString suffix = QStringLiteral(".map");
    if (name.endsWith(suffix) && name.size() > suffix.size())
        name.chop(suffix.size());
    return name;
}

// The page as drawn: a grab of its widgets, with what each QtWebEngine view
// inside drew put over its place.
QImage drawnPicture(QWidget *page)
{
    QImage image = page->grab().toImage();
    QList<AppView *> views = AppView::allIn(page);
    if (AppView *own = AppView::of(page); own && !views.contains(own))
        views << own;
    QPainter painter(&image);
    for (const AppView *view : views) {
        if (view->engine() != AppView::Engine::WebEngine)
            continue;
        const QWidget *widget = view->widget();
        painter.drawImage(QRect(widget->mapTo(page, QPoint()), widget->size()), view->picture());
    }
    painter.end();
    return image.width() > pictureWidth
               ? image.scaledToWidth(pictureWidth, Qt::SmoothTransformation)
               : image;
}
} // namespace

AppOverview::AppOverview(ShellHost &host) : QWidget(host.mainWindow()), shell(host)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

AppOverview *AppOverview::of(const ShellHost &host)
{
    QWidget *window = host.mainWindow();
    return window ? window->findChild<AppOverview *>(QString(), Qt::FindDirectChildrenOnly)
                  : nullptr;
}

void AppOverview::open(ShellHost &host)
{
    if (!host.mainWindow())
        return;
    AppOverview *overview = of(host);
    if (!overview)
        overview = new AppOverview(host);
    else if (overview->isVisible()) {
        if (!overview->cards.isEmpty())
            overview->picked = (overview->picked + 1) % overview->cards.size();
        overview->update();
        return;
    }
    QStackedWidget *stack = host.stack();
    overview->homeWasInFront = !stack->isVisible();
    overview->pageBefore = overview->homeWasInFront ? nullptr : stack->currentWidget();
    overview->refresh();
    overview->picked = overview->homeWasInFront ? 0 : std::max(0, stack->currentIndex());
    // Over everything the home screen covers.
    QWidget *home = host.homeScreen();
    overview->setGeometry(QRect(home->mapTo(host.mainWindow(), QPoint()), home->size()));
    overview->raise();
    overview->QWidget::show();
    overview->setFocus();
}

void AppOverview::refresh()
{
    cards.clear();
    QStackedWidget *stack = shell.stack();
    for (int i = 0; i < stack->count(); ++i) {
        QWidget *page = stack->widget(i);
        AppView *view = AppView::of(page);
        if (!view && !AppView::allIn(page).isEmpty())
            view = AppView::allIn(page).first();
        cards.append({page, nameFor(page, view), drawnPicture(page)});
    }
    picked = std::min(picked, std::max(0, int(cards.size()) - 1));
    pressed = -1;
    lifted = 0;
    update();
}

QString AppOverview::nameOf(int card) const
{
    return card >= 0 && card < cards.size() ? cards[card].name : QString();
}

QImage AppOverview::pictureOf(int card) const
{
    return card >= 0 && card < cards.size() ? cards[card].picture : QImage();
}

// Cards in rows of up to four, as large as fit, centred; each shows the page
// at the stack's proportions with its name below.
QRect AppOverview::cardArea(int card) const
{
    const int count = cards.size();
    if (card < 0 || card >= count)
        return QRect();
    const int columns = std::min(count, 4);
    const int rows = (count + columns - 1) / columns;
    const QSize page = StackSlide::stackArea(shell.screenArea()).size();
    const double tall = double(std::max(1, page.height())) / std::max(1, page.width());
    int width = std::min(pictureWidth, (this->width() - gap * (columns + 1)) / columns);
    const int roomForRows = (height() - gap * (rows + 1)) / rows - labelHeight;
    if (width * tall > roomForRows)
        width = int(roomForRows / tall);
    width = std::max(width, 40);
    const int pictureHeight = int(width * tall);
    const int cardHeight = pictureHeight + labelHeight;
    const int left = (this->width() - columns * width - (columns - 1) * gap) / 2;
    const int top = (height() - rows * cardHeight - (rows - 1) * gap) / 2;
    const int row = card / columns, column = card % columns;
    // A last row of fewer cards is centred too.
    const int inRow = std::min(columns, count - row * columns);
    const int shift = (columns - inRow) * (width + gap) / 2;
    QRect area(left + shift + column * (width + gap), top + row * (cardHeight + gap), width,
               cardHeight);
    if (card == pressed)
        area.translate(0, -lifted);
    return area;
}

QRect AppOverview::closeControl(int card) const
{
    const QRect area = cardArea(card);
    if (area.isNull())
        return area;
    return QRect(area.right() - closeSize / 2, area.top() - closeSize / 2, closeSize, closeSize);
}

int AppOverview::cardAt(const QPoint &point) const
{
    for (int i = 0; i < cards.size(); ++i)
        if (cardArea(i).contains(point) || closeControl(i).contains(point))
            return i;
    return -1;
}

void AppOverview::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(20, 24, 30));
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font = this->font();
    font.setPixelSize(16);
    painter.setFont(font);
    if (cards.isEmpty()) {
        painter.setPen(QColor(220, 220, 220));
        painter.drawText(rect(), Qt::AlignCenter, tr("No apps are open"));
        return;
    }
    for (int i = 0; i < cards.size(); ++i) {
        const QRect area = cardArea(i);
        const QRect picture(area.topLeft(), QSize(area.width(), area.height() - labelHeight));
        painter.drawImage(picture, cards[i].picture);
        if (i == picked) {
            painter.setPen(QPen(QColor(1, 169, 219), 4));
            painter.drawRect(picture.adjusted(-2, -2, 2, 2));
        }
        painter.setPen(Qt::white);
        const QRect label(area.left(), picture.bottom() + 1, area.width(), labelHeight);
        painter.drawText(
            label, Qt::AlignCenter,
            painter.fontMetrics().elidedText(cards[i].name, Qt::ElideRight, area.width()));
        const QRect close = closeControl(i);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(180, 4, 4));
        painter.drawEllipse(close);
        painter.setPen(QPen(Qt::white, 3));
        const QRect cross = close.adjusted(10, 10, -10, -10);
        painter.drawLine(cross.topLeft(), cross.bottomRight());
        painter.drawLine(cross.topRight(), cross.bottomLeft());
        painter.setBrush(Qt::NoBrush);
    }
}

void AppOverview::mousePressEvent(QMouseEvent *event)
{
    pressed = cardAt(event->pos());
    pressedAt = event->pos();
    lifted = 0;
}

void AppOverview::mouseMoveEvent(QMouseEvent *event)
{
    if (pressed < 0 || closeControl(pressed).contains(pressedAt))
        return;
    lifted = std::max(0, pressedAt.y() - event->pos().y());
    update();
}

void AppOverview::mouseReleaseEvent(QMouseEvent *event)
{
    const int card = pressed;
    const bool tap = (event->pos() - pressedAt).manhattanLength() < tapSlack;
    const bool swipedUp = card >= 0 && lifted > cardArea(card).height() / 3;
    const bool onClose = card >= 0 && closeControl(card).contains(pressedAt);
    pressed = -1;
    lifted = 0;
    if (card < 0) {
        if (tap)
            leave();
    } else if (swipedUp || (tap && onClose)) {
        close(card);
    } else if (tap) {
        show(card);
    }
    update();
}

void AppOverview::keyPressEvent(QKeyEvent *event)
{
    const int count = cards.size();
    switch (event->key()) {
    case Qt::Key_Escape:
        leave();
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
    case Qt::Key_Tab:
        if (count)
            picked = (picked + 1) % count;
        break;
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Backtab:
        if (count)
            picked = (picked + count - 1) % count;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (count)
            show(picked);
        break;
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        if (count)
            close(picked);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    update();
}

void AppOverview::show(int card)
{
    const int index = shell.stack()->indexOf(cards.value(card).page);
    hide();
    if (index >= 0)
        ScriptCall::run(shell.homeFrame(), QStringLiteral("switchTab"), {index});
}

void AppOverview::close(int card)
{
    const int index = shell.stack()->indexOf(cards.value(card).page);
    if (index >= 0)
        ScriptCall::run(shell.homeFrame(), QStringLiteral("closeTab"), {index});
    refresh();
    if (cards.isEmpty()) {
        hide();
        shell.homeScreen()->setFocus();
    }
}

void AppOverview::leave()
{
    hide();
    QStackedWidget *stack = shell.stack();
    const int before = stack->indexOf(pageBefore);
    if (homeWasInFront || before < 0) {
        // A close meanwhile showed the stack; the home screen comes back.
        if (homeWasInFront && stack->isVisible())
            ScriptCall::run(shell.homeFrame(), QStringLiteral("goHome"), {});
    } else if (stack->currentIndex() != before || !stack->isVisible()) {
        ScriptCall::run(shell.homeFrame(), QStringLiteral("switchTab"), {before});
    }
    if (stack->isVisible() && stack->currentWidget())
        stack->currentWidget()->setFocus();
    else
        shell.homeScreen()->setFocus();
}
