#include "shell/SwitchKeys.h"

#include "shell/AppOverview.h"
#include "shell/ScriptCall.h"
#include "shell/ShellHost.h"

#include <QApplication>
#include <QKeyEvent>
#include <QStackedWidget>
#include <QWidget>

namespace
{
bool isSuper(int key)
{
    return key == Qt::Key_Super_L || key == Qt::Key_Super_R || key == Qt::Key_Meta;
}
} // namespace

SwitchKeys::SwitchKeys(ShellHost &host, QObject *parent) : QObject(parent), shell(host) {}

SwitchKeys::Action SwitchKeys::actionOf(const QKeyEvent &event)
{
    const Qt::KeyboardModifiers mods =
        event.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const bool switching = mods & (Qt::ControlModifier | Qt::AltModifier);
    const int key = event.key();
    if ((event.modifiers() & Qt::MetaModifier) && (key == Qt::Key_Tab || key == Qt::Key_Backtab))
        return Action::Overview;
    // X11 reports Shift+Tab as Backtab.
    if (switching && key == Qt::Key_Backtab)
        return Action::Previous;
    if (switching && key == Qt::Key_Tab)
        return mods & Qt::ShiftModifier ? Action::Previous : Action::Next;
    if (mods == Qt::ControlModifier && key == Qt::Key_W)
        return Action::Close;
    if (mods == Qt::ControlModifier && key == Qt::Key_Escape)
        return Action::Home;
    return Action::None;
}

int SwitchKeys::target(Action action, int current, int count, bool homeInFront)
{
    if (count <= 0 || current < 0)
        return -1;
    if (homeInFront)
        return current;
    const int step = action == Action::Previous ? -1 : 1;
    return (current + step + count) % count;
}

bool SwitchKeys::concernsShell(const ShellHost &host, QObject *watched)
{
    // Each key is seen once, at the widget it is sent to; message boxes keep
    // their keys, and so do windows other than the main one.
    if (!watched->isWidgetType() || QApplication::activeModalWidget())
        return false;
    return static_cast<QWidget *>(watched)->window() == host.mainWindow();
}

bool SwitchKeys::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return false;
    if (!concernsShell(shell, watched))
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    // Super acts when released without another key between, so that
    // combinations with it stay free.
    if (isSuper(key->key())) {
        if (type == QEvent::KeyPress)
            superAlone = !key->isAutoRepeat() || superAlone;
        else if (type == QEvent::KeyRelease && superAlone && !key->isAutoRepeat()) {
            superAlone = false;
            perform(Action::Home);
        }
        return false;
    }
    if (type == QEvent::KeyPress)
        superAlone = false;
    const Action action = actionOf(*key);
    if (action == Action::None)
        return false;
    if (type == QEvent::ShortcutOverride) {
        // Taken as a plain key press, which comes here next.
        key->accept();
        return true;
    }
    if (type == QEvent::KeyPress)
        perform(action);
    return true;
}

void SwitchKeys::perform(Action action)
{
    QStackedWidget *stack = shell.stack();
    const bool homeInFront = !stack->isVisible();
    // The other keys act on what the overview covers, which then shows.
    if (AppOverview *overview = AppOverview::of(shell); overview && action != Action::Overview)
        overview->hide();
    switch (action) {
    case Action::Next:
    case Action::Previous: {
        const int page = target(action, stack->currentIndex(), stack->count(), homeInFront);
        if (page >= 0)
            ScriptCall::run(shell.homeFrame(), QStringLiteral("switchTab"), {page});
        break;
    }
    case Action::Close:
        if (!homeInFront && stack->count() > 0)
            ScriptCall::run(shell.homeFrame(), QStringLiteral("closeTop"), {});
        break;
    case Action::Home:
        ScriptCall::run(shell.homeFrame(), QStringLiteral("goHome"), {});
        break;
    case Action::Overview:
        AppOverview::open(shell);
        break;
    case Action::None:
        break;
    }
}
