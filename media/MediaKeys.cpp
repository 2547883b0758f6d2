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
    static const struct {
        int key;
        C control;
    } keys[] = {
        {Qt::Key_MediaTogglePlayPause, C::Toggle},
        {Qt::Key_MediaPlay, C::Play},
        {Qt::Key_MediaPause, C::Pause},
        {Qt::Key_MediaStop, C::Stop},
        {Qt::Key_MediaNext, C::Next},
        {Qt::Key_MediaPrevious, C::Previous},
    };
    for (const auto &k : keys) {
        if (k.key == key) {
            *control = k.control;
            return true;
        }
    }
    return false;
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
