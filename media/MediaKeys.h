#pragma once

#include "media/MusicPlayer.h"

#include <QObject>

class QKeyEvent;
class ShellHost;

// The keyboard's media keys (play, pause, play/pause, stop, next, previous)
// control the music player whatever view of the main window has focus, a
// QtWebEngine page's among them; the page never sees them.
class MediaKeys : public QObject
{
public:
    MediaKeys(ShellHost &host, MusicPlayer &player, QObject *parent = nullptr);

    // The control a key asks for, if it is a media key.
    static bool controlOf(int key, MusicPlayer::Control *control);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    ShellHost &shell;
    MusicPlayer &player;
};
