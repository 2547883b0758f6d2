#pragma once

#include "shell/ShellSettings.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QVariant>

class QWidget;
class ShellHost;

// When the on-screen keyboard (the input method KeyboardChoice loaded) shows
// and where the page stands meanwhile. In "touch" it comes for a text field
// a finger focused, in "always" for any focused field, in "off" never; it
// goes when focus leaves the field. Pages of either engine ask for it in
// their own ways (QtWebEngine at every focused field, QtWebKit at a second
// click): what the mode does not allow is hidden again at once, and a tap on
// a field shows it where a page would not. While it is up, the part of the
// window holding the field (the home screen or the app pages) moves up just
// enough that the field stays above the keyboard, and back when it goes.
class OnScreenKeyboard : public QObject
{
    Q_OBJECT

public:
    OnScreenKeyboard(ShellHost &host, ShellSettings::Keyboard mode, QObject *parent = nullptr);

    void setMode(ShellSettings::Keyboard mode);
    // How far the part holding the field is moved up, in pixels.
    int lift() const { return liftedBy; }
    // Empties the keyboard's windows while the application object and the
    // display's connection still exist: Qt's keyboard otherwise takes them
    // down after both and the process crashes at its end. The keyboard
    // cannot come again.
    static void letGoOfPanel();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // After a press ends: shows the keyboard for a field the mode allows it
    // for, hides it when focus is on no field.
    void followFocus();
    // Hides the keyboard where the mode does not want it.
    void refuseUnwanted();
    // Moves the part holding the field so that its cursor is clear of the
    // keyboard, or back when the keyboard is gone.
    void keepFieldInSight();
    void putBack();
    void moveUp(QWidget *part, int by);
    // Qt's keyboard covers the whole screen with a window that is clear
    // only where a compositor draws it so; the shell's session has none, and
    // the rest would be black. The window's shape is cut to the keys.
    void fitPanel();
    bool allowed() const;
    static bool focusTakesText();
    // What the focused object answers to the input method's query.
    static QVariant askFocus(QObject *focus, Qt::InputMethodQuery query);
    // The focused field's cursor in the window, as it stands now.
    static QRect cursorInWindow();
    QWidget *partHoldingFocus() const;

    ShellHost &shell;
    ShellSettings::Keyboard mode;
    bool touched = false; // the last press came from a finger
    bool followPending = false;
    bool moving = false;
    QPointer<QWidget> lifted;
    int liftedBy = 0;
};
