#pragma once

#include "shell/ShellSettings.h"

#include <QByteArray>

// Whether the process loads the on-screen keyboard's input method. Qt takes
// it only before the application object exists, and loading it costs about
// 5 MB at start-up, so it is loaded only where it can be wanted: always when
// asked for, for touch only on a machine with a touch screen, never when off.
namespace KeyboardChoice
{
// The input method module name: "qtvirtualkeyboard" when mode wants it on
// this machine, or empty to leave the session's own (sessionModule, the
// QT_IM_MODULE it gave). "always" takes the place of the session's; "touch"
// does not replace an input method the user chose.
QByteArray module(ShellSettings::Keyboard mode, bool touchScreen, const QByteArray &sessionModule);
// Whether the text of /proc/bus/input/devices lists a touch screen: a device
// reporting absolute axes that is marked direct (a finger on the picture),
// not a touchpad.
bool touchScreenIn(const QByteArray &devices);
// Whether this machine has a touch screen.
bool hasTouchScreen();
// Reads the choice from settings.xml in workingFolder and sets QT_IM_MODULE;
// called before the application object is made.
void applyAtStart(const QString &workingFolder);
} // namespace KeyboardChoice
