#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <functional>

class ShellHost;
class ShellPaths;
class QWidget;

// The apps open when the shell quits come back at the next start, in the
// same order and with the same one in front: apps with a folder in Apps (one
// that is gone by then is skipped), the dock's Browser at its last address
// and the mail panel. They come back as tabs whose pages start, as a tap
// starts them, when first shown; the one in front at once. The settings file
// can turn it off: <settings><restoreApps>false</restoreApps></settings>.
class AppSession : public QObject
{
    Q_OBJECT

public:
    enum class Kind { App, Browser, Mail };
    struct Entry {
        QString name; // the app's folder; the Browser's and the panel's own names
        Kind kind = Kind::App;
        QString address; // the Browser's page
    };
    struct State {
        QList<Entry> apps; // in stack order; an empty name stands for one skipped
        int top = -1;      // index into apps, or -1 for the home screen
    };
    // Starts a restored entry as a tap would and returns its new page, on top
    // of the stack; null when none came up.
    using Opener = std::function<QWidget *(const Entry &entry)>;

    // Saves when the main window closes and when the application is about
    // to quit (the session manager's logout); restores once, after the home
    // page has first loaded.
    AppSession(ShellHost &host, QObject *parent = nullptr);

    void setOpener(Opener opener);

    // Marks page as showing the app in folder name (or the Browser or the
    // mail panel).
    static void markPage(QWidget *page, const QString &name, Kind kind = Kind::App);
    static QString appOf(const QWidget *page);
    // The page of a restored entry that has not been shown yet.
    static bool isWaiting(const QWidget *page);

    // What the stack shows now.
    State current() const;
    // Writes current() to the session file (atomically); false when it
    // could not be written or restoring is off.
    bool save() const;
    // Reopens the saved apps as waiting tabs once the home page has loaded,
    // and shows the one that was in front.
    void restore(bool loaded);

    static bool isEnabled(const ShellPaths &paths);
    // The saved state; empty for a missing, damaged or foreign file.
    static State read(const QString &file);
    static QByteArray serialize(const State &state);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Whether entry can come back now; its address for the Browser.
    bool mayReopen(Entry &entry) const;
    QWidget *waitingPage(const Entry &entry);
    // Starts the waiting page in front, if one is, in its place in the stack.
    void startShownPage();
    void startSoon();

    ShellHost &host;
    Opener opener;
    bool restored = false;
    bool startPending = false;
    bool starting = false;
};
