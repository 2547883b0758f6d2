#include "shell/OnScreenKeyboard.h"

#include "shell/ShellHost.h"

#include <QApplication>
#include <QInputMethod>
#include <QInputMethodQueryEvent>
#include <QMouseEvent>
#include <QRegion>
#include <QStackedWidget>
#include <QTimer>
#include <QUrl>
#include <QWebView>
#include <QWidget>
#include <QWindow>

namespace
{
// Room kept between the field's cursor and the keyboard's top edge.
const int clearance = 12;
} // namespace

OnScreenKeyboard::OnScreenKeyboard(ShellHost &host, ShellSettings::Keyboard chosen, QObject *parent)
    : QObject(parent), shell(host), mode(chosen)
{
    QInputMethod *input = QGuiApplication::inputMethod();
    connect(input, &QInputMethod::visibleChanged, this, &OnScreenKeyboard::refuseUnwanted);
    connect(input, &QInputMethod::visibleChanged, this, &OnScreenKeyboard::keepFieldInSight);
    connect(input, &QInputMethod::keyboardRectangleChanged, this,
            &OnScreenKeyboard::keepFieldInSight);
    connect(input, &QInputMethod::visibleChanged, this, &OnScreenKeyboard::fitPanel);
    connect(input, &QInputMethod::keyboardRectangleChanged, this, &OnScreenKeyboard::fitPanel);
    connect(input, &QInputMethod::cursorRectangleChanged, this,
            &OnScreenKeyboard::keepFieldInSight);
    connect(qApp, &QGuiApplication::focusObjectChanged, this, [this] {
        if (QGuiApplication::inputMethod()->isVisible() && !focusTakesText())
            QGuiApplication::inputMethod()->hide();
    });
    qApp->installEventFilter(this);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &OnScreenKeyboard::letGoOfPanel);
}

void OnScreenKeyboard::letGoOfPanel()
{
    // Found by name: linking QtQuick would load it at every start.
    for (QWindow *window : QGuiApplication::allWindows()) {
        if (!window->inherits("QQuickWindow"))
            continue;
        if (window->inherits("QQuickView"))
            QMetaObject::invokeMethod(window, "setSource", Q_ARG(QUrl, QUrl()));
        // Its native window too: the display's connection goes first.
        window->destroy();
    }
}

void OnScreenKeyboard::fitPanel()
{
    QInputMethod *input = QGuiApplication::inputMethod();
    QWindow *focusWindow = QGuiApplication::focusWindow();
    if (!input->isVisible() || !focusWindow)
        return;
    const QRectF keys = input->keyboardRectangle();
    if (keys.isEmpty())
        return;
    const QRect onScreen(focusWindow->mapToGlobal(keys.topLeft().toPoint()), keys.size().toSize());
    for (QWindow *window : QGuiApplication::allWindows()) {
        if (!window->inherits("QQuickView") || !window->isVisible())
            continue;
        const QRegion shape(onScreen.translated(-window->geometry().topLeft()));
        if (window->mask() != shape)
            window->setMask(shape);
    }
}

void OnScreenKeyboard::setMode(ShellSettings::Keyboard chosen)
{
    mode = chosen;
    refuseUnwanted();
}

bool OnScreenKeyboard::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::TouchBegin && type != QEvent::MouseButtonPress &&
        type != QEvent::TouchEnd && type != QEvent::MouseButtonRelease)
        return false;
    // Presses on the keyboard's own window (not a widget) change nothing.
    if (!watched->isWidgetType())
        return false;
    if (type == QEvent::TouchBegin) {
        touched = true;
    } else if (type == QEvent::MouseButtonPress) {
        touched = static_cast<QMouseEvent *>(event)->source() != Qt::MouseEventNotSynthesized;
    } else if (!followPending) {
        // Once the page has taken the press and moved its focus.
        followPending = true;
        QTimer::singleShot(0, this, &OnScreenKeyboard::followFocus);
    }
    return false;
}

void OnScreenKeyboard::followFocus()
{
    followPending = false;
    QInputMethod *input = QGuiApplication::inputMethod();
    if (!focusTakesText())
        input->hide();
    else if (allowed() && !input->isVisible())
        input->show();
}

void OnScreenKeyboard::refuseUnwanted()
{
    if (QGuiApplication::inputMethod()->isVisible() && !allowed())
        QGuiApplication::inputMethod()->hide();
}

bool OnScreenKeyboard::allowed() const
{
    return mode == ShellSettings::Keyboard::Always ||
           (mode == ShellSettings::Keyboard::Touch && touched);
}

bool OnScreenKeyboard::focusTakesText()
{
    QObject *focus = QGuiApplication::focusObject();
    return focus && askFocus(focus, Qt::ImEnabled).toBool();
}

QVariant OnScreenKeyboard::askFocus(QObject *focus, Qt::InputMethodQuery query)
{
    QInputMethodQueryEvent asked(query);
    QCoreApplication::sendEvent(focus, &asked);
    return asked.value(query);
}

QWidget *OnScreenKeyboard::partHoldingFocus() const
{
    QWidget *focus = QApplication::focusWidget();
    const QWidget *central = shell.stack()->parentWidget();
    while (focus && focus->parentWidget() != central)
        focus = focus->parentWidget();
    return focus;
}

void OnScreenKeyboard::keepFieldInSight()
{
    // Moving the focused widget itself (the home screen's view) tells the
    // input method of its new place, which calls here again.
    if (moving)
        return;
    QInputMethod *input = QGuiApplication::inputMethod();
    QWidget *part = input->isVisible() ? partHoldingFocus() : nullptr;
    if (part != lifted)
        putBack();
    const QRectF keyboard = input->keyboardRectangle();
    const QRect cursor = cursorInWindow();
    if (!part || keyboard.isEmpty() || !cursor.isValid())
        return;
    // The cursor's place as it stands, with the present lift in it.
    const int overlap = cursor.bottom() + clearance - int(keyboard.top());
    const int wanted = qBound(0, liftedBy + overlap, int(keyboard.height()));
    if (wanted == liftedBy)
        return;
    const int by = wanted - liftedBy;
    lifted = part;
    liftedBy = wanted;
    moveUp(part, by);
    // The keyboard places its own handles from the cursor.
    input->update(Qt::ImCursorRectangle);
}

QRect OnScreenKeyboard::cursorInWindow()
{
    QWidget *focus = QApplication::focusWidget();
    if (!focus)
        return {};
    // Asked of the widget, not of QInputMethod, which keeps the last place
    // it was told of, before the move.
    const QRect cursor = askFocus(focus, Qt::ImCursorRectangle).toRect();
    return cursor.isValid() ? cursor.translated(focus->mapTo(focus->window(), QPoint())) : QRect();
}

void OnScreenKeyboard::putBack()
{
    QWidget *part = lifted;
    const int by = liftedBy;
    lifted = nullptr;
    liftedBy = 0;
    if (part)
        moveUp(part, -by);
}

void OnScreenKeyboard::moveUp(QWidget *part, int by)
{
    moving = true;
    part->move(part->x(), part->y() - by);
    moving = false;
}
