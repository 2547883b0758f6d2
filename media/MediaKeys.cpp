#include "media/MediaKeys.h"

#include "shell/SwitchKeys.h"

#include <QKeyEvent>

MediaKeys::MediaKeys(ShellHost &host, MusicPlayer &music, QObject *parent)
    : QObject(parent), shell(host), player(music)
{
}

bool MediaKeys::controlOf(int key, MusicPlayer::Control *control)
{
    using C = MusicPlayer::Control;
    switch (key) {
    case Qt::Key_MediaTogglePlayPause:
        *control = C::Toggle;
        return true;
    case Qt::Key_MediaPlay:
        *control = C::Play;
        return true;
    case Qt::Key_MediaPause:
        *control = C::Pause;
        return true;
    case Qt::Key_MediaStop:
        *control = C::Stop;
        return true;
    case Qt::Key_MediaNext:
        *control = C::Next;
        return true;
    case Qt::Key_MediaPrevious:
        *control = C::Previous;
        return true;
    default:
        return false;
    }
}

bool MediaKeys::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return false;
    MusicPlayer::Control control;
    if (!controlOf(static_cast<QKeyEvent *>(event)->key(), &control) ||
        !SwitchKeys::concernsShell(shell, watched))
        return false;
    if (type == QEvent::ShortcutOverride) {
        // Taken as a plain key press, which comes here next.
        event->accept();
        return true;
    }
    // A held key acts once.
    if (type == QEvent::KeyPress && !static_cast<QKeyEvent *>(event)->isAutoRepeat())
        player.control(control);
    return true;
}
