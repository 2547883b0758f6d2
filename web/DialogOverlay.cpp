#include "web/DialogOverlay.h"

#include "shell/Messages.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>
#include <memory>

namespace
{
// Longer texts are cut: laying out megabytes would hold the shell, and
// nobody reads that far.
constexpr int maxTextLength = 10000;
// A host name keeps its end, where the site's own name is.
constexpr int maxSiteLength = 80;
constexpr int panelMargin = 20;
constexpr int widestPanel = 560;

QString siteShown(const QString &site)
{
    if (site.size() <= maxSiteLength)
        return site;
    return QStringLiteral("...") + site.right(maxSiteLength - 3);
}

bool isInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}
} // namespace

DialogOverlay::DialogOverlay(QWidget *pageView, Kind kind, const QString &site, const QString &text,
                             const QString &value, bool offerStop)
    : QWidget(pageView), view(pageView)
{
    setObjectName(QStringLiteral("pageDialog"));
    // Clicks on the dimmed page end here, never in the page.
    setAttribute(Qt::WA_NoMousePropagation);
    panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("pageDialogPanel"));
    panel->setAttribute(Qt::WA_StyledBackground);
    panel->setStyleSheet(QStringLiteral(
        "#pageDialogPanel { background: #ffffff; border: 1px solid #b8b8b8; border-radius: 8px; }"
        "QLabel { font-weight: bold; color: #222; }"
        "QTextEdit { border: none; background: transparent; color: #222; }"));

    heading = new QLabel(panel);
    heading->setObjectName(QStringLiteral("dialogTitle"));
    heading->setTextFormat(Qt::PlainText);
    heading->setWordWrap(true);
    heading->setText(site.isEmpty() ? QStringLiteral("This page says")
                                    : QStringLiteral("%1 says").arg(siteShown(site)));

    message = new QTextEdit(panel);
    message->setObjectName(QStringLiteral("dialogText"));
    message->setReadOnly(true);
    message->setAcceptRichText(false);
    message->setFocusPolicy(Qt::ClickFocus);
    message->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    QString shown = Messages::shortened(text, maxTextLength);
    if (kind == Kind::Leave && shown.isEmpty())
        shown = QStringLiteral("Leave this page? What you changed may not be kept.");
    message->setPlainText(shown);

    auto *column = new QVBoxLayout(panel);
    column->setContentsMargins(panelMargin, panelMargin - 4, panelMargin, panelMargin - 4);
    column->addWidget(heading);
    column->addWidget(message);
    if (kind == Kind::Prompt) {
        field = new QLineEdit(panel);
        field->setObjectName(QStringLiteral("dialogValue"));
        field->setText(Messages::shortened(value, maxTextLength));
        field->selectAll();
        column->addWidget(field);
    }
    if (offerStop) {
        stop = new QCheckBox(QStringLiteral("Stop this page's dialogs"), panel);
        stop->setObjectName(QStringLiteral("dialogStop"));
        column->addWidget(stop, 0, Qt::AlignLeft);
    }
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    if (kind != Kind::Alert) {
        rejectButton = new QPushButton(
            kind == Kind::Leave ? QStringLiteral("Stay") : QStringLiteral("Cancel"), panel);
        rejectButton->setObjectName(QStringLiteral("dialogReject"));
        buttons->addWidget(rejectButton);
        connect(rejectButton, &QPushButton::clicked, this, [this] { finish(false); });
    }
    acceptButton = new QPushButton(
        kind == Kind::Leave ? QStringLiteral("Leave") : QStringLiteral("OK"), panel);
    acceptButton->setObjectName(QStringLiteral("dialogAccept"));
    acceptButton->setDefault(true);
    buttons->addWidget(acceptButton);
    column->addLayout(buttons);
    connect(acceptButton, &QPushButton::clicked, this, [this] { finish(true); });

    view->installEventFilter(this);
    setGeometry(view->rect());
    show();
    // The user is on this page: the dialog takes the keys. Otherwise it takes
    // them when the page comes forward (eventFilter).
    QWidget *focus = QApplication::focusWidget();
    if (focus && (focus == view || view->isAncestorOf(focus)))
        takeFocus();
}

DialogOverlay::~DialogOverlay()
{
    if (view)
        view->removeEventFilter(this);
}

QString DialogOverlay::title() const
{
    return heading->text();
}

QString DialogOverlay::text() const
{
    return message->toPlainText();
}

bool DialogOverlay::offersStop() const
{
    return stop != nullptr;
}

QString DialogOverlay::value() const
{
    return field ? field->text() : QString();
}

bool DialogOverlay::stopChosen() const
{
    return stop && stop->isChecked();
}

void DialogOverlay::finish(bool accept)
{
    if (done)
        return;
    done = true;
    yes = accept;
    if (view) {
        view->removeEventFilter(this);
        // The keys go back to the page, not to whatever follows in the chain.
        if (isAncestorOf(QApplication::focusWidget()) && view->isVisible())
            view->setFocus(Qt::OtherFocusReason);
    }
    hide();
    emit finished();
}

void DialogOverlay::takeFocus()
{
    QWidget *first = field ? static_cast<QWidget *>(field) : acceptButton;
    first->setFocus(Qt::OtherFocusReason);
}

bool DialogOverlay::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != view || done)
        return false;
    if (event->type() == QEvent::Resize)
        setGeometry(view->rect());
    else if (event->type() == QEvent::FocusIn)
        takeFocus();
    // Nothing of the user's reaches a page that waits for its answer.
    return isInput(event->type());
}

void DialogOverlay::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, 110));
}

void DialogOverlay::resizeEvent(QResizeEvent *)
{
    placePanel();
}

void DialogOverlay::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        finish(false);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        finish(!rejectButton || !rejectButton->hasFocus());
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void DialogOverlay::placePanel()
{
    raise();
    const int width = qMax(160, qMin(widestPanel, this->width() - 32));
    panel->setFixedWidth(width);
    // The message is as tall as its text, up to half the page; past that it
    // scrolls. Measured on a copy: the edit lays out its own document to its
    // present width.
    const std::unique_ptr<QTextDocument> copy(message->document()->clone());
    copy->setDefaultFont(message->font());
    copy->setTextWidth(width - 2 * panelMargin - 2 * message->frameWidth());
    const int needed = int(copy->size().height()) + 2 * message->frameWidth();
    message->setFixedHeight(qMin(needed, qMax(60, height() / 2)));
    panel->adjustSize();
    panel->move((this->width() - width) / 2, qMax(16, (height() - panel->height()) / 3));
}
