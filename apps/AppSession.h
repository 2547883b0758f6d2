#pragma once

#include <QObject>
#include <QStringList>

class ShellHost;
class ShellPaths;
class QWidget;

// The apps open when the shell quits come back at the next start, in the
// same order and with the same one in front. Only apps with a folder in Apps
// take part; one that is gone by then is skipped. The settings file can turn
// it off: <settings><restoreApps>false</restoreApps></settings>.
class AppSession : public QObject
{
    Q_OBJECT

public:
    struct State {
        QStringList apps; // folder names, in stack order
        int top = -1;     // index into apps, or -1 for the home screen
    };

    // Saves when the main window closes and when the application is about
    // to quit (the session manager's logout); restores once, after the home
    // page has first loaded.
    AppSession(ShellHost &host, QObject *parent = nullptr);

    // Marks page as showing the app in folder name.
    static void markPage(QWidget *page, const QString &name);
    static QString appOf(const QWidget *page);

    // What the stack shows now.
    State current() const;
    // Writes current() to the session file (atomically); false when it
    // could not be written or restoring is off.
    bool save() const;
    // Reopens the saved apps through the home page, as taps on their icons,
    // once it has loaded.
    void restore(bool loaded);

    static bool isEnabled(const ShellPaths &paths);
    // The saved state; empty for a missing, damaged or foreign file.
    static State read(const QString &file);
    static QByteArray serialize(const State &state);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    ShellHost &host;
    bool restored = false;
};
