#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantList>

#include <functional>

class Download;

// Every download the shell makes, under way or lately ended, as the home
// page's downloads indicator shows them. Downloads enter it themselves when
// they start, so no way of starting one passes it by. Cancelling one (or all
// of them, when the shell quits) stops it; its partial body goes with it.
class DownloadList : public QObject
{
    Q_OBJECT

public:
    enum class State { Running, Done, Failed, Cancelled, Waiting };

    // The one list of the process.
    static DownloadList &instance();

    // Ended downloads kept for the indicator.
    static constexpr int keptEnded = 8;

    int add(Download *download, const QString &name);
    // A download the shell does not make itself (the web engine's): cancel
    // stops it while owner lives.
    int add(QObject *owner, const QString &name, std::function<void()> cancel);
    // A download that waits for another to end; cancelling it marks it
    // cancelled (and calls cancel, if given), and its owner then drops it
    // (isCancelled).
    int addWaiting(const QString &name, std::function<void()> cancel = {});
    bool isCancelled(int id) const;
    // Takes an entry out of the list (a waiting one that now starts).
    void remove(int id);
    void progress(int id, qint64 received, qint64 total);
    void saved(int id, const QString &path);
    // What the download was kept for is the app called name (a file in the
    // program's Apps folder): "Show" shows the app, not the folder.
    void savedForApp(int id, const QString &name);
    void ended(int id, State state);

    // Each entry: id, name, received, total (-1: unknown), state ("running",
    // "done", "failed", "cancelled") and, for a kept file, its folder, or the
    // app it was kept for ("app").
    QVariantList describe() const;
    // Cancels one download under way; false when it is not.
    bool cancel(int id);
    // Cancels every download under way (and every waiting one); returns how
    // many were under way.
    int cancelAll();
    int running() const;
    // The folder a finished download was saved in, or empty.
    QString folderOf(int id) const;
    // Forgets the ended ones.
    void clearEnded();
    // Opens the folder of a finished download in the desktop's file manager.
    bool showInFolder(int id) const;
    // True when nothing is under way, or the user chose to quit anyway, which
    // cancels what is.
    bool mayQuit();

signals:
    void changed();

private:
    struct Entry {
        int id = 0;
        QString name;
        qint64 received = 0;
        qint64 total = -1;
        State state = State::Running;
        QString path;
        QPointer<QObject> download;
        std::function<void()> cancel;
        QString app;
    };
    Entry *find(int id);
    const Entry *find(int id) const;
    void trim();

    QList<Entry> entries;
    int lastId = 0;
};
