#pragma once

#include <QObject>

class QKeyEvent;
class ShellHost;

// The shell's own keys, whatever view of the main window has focus: Alt+Tab
// and Ctrl+Tab go to the next open app (with Shift the previous one), Ctrl+W
// closes the app on top, the Super key alone and Ctrl+Escape go to the home
// screen, Super+Tab shows the overview of the open apps (AppOverview). Each goes the way of the
// home page's own controls, so tabs and pages stay in step. Every other key reaches the page as
// before.
class SwitchKeys : public QObject
{
    Q_OBJECT

public:
    enum class Action { None, Next, Previous, Close, Home, Overview };

    explicit SwitchKeys(ShellHost &host, QObject *parent = nullptr);

    // What a key press asks of the shell (Super alone acts on its release).
    static Action actionOf(const QKeyEvent &event);
    // The page to go to from page current of count by action (Next or
    // Previous); from the home screen the page last on top comes back.
    static int target(Action action, int current, int count, bool homeInFront);
    // Whether a key sent to watched is the shell's to take: each key is seen
    // once, at a widget of the main window, and never while a message box is up.
    static bool concernsShell(const ShellHost &host, QObject *watched);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void perform(Action action);

    ShellHost &shell;
    bool superAlone = false;
};
