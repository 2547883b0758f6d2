#include "install/DownloadList.h"

#include "install/Download.h"
#include "shell/Messages.h"

#include <QDesktopServices>
#include <QUrl>

#include <QFileInfo>
#include <QVariantMap>

namespace
{
QString stateName(DownloadList::State state)
{
    switch (state) {
    case DownloadList::State::Running:
        return QStringLiteral("running");
    case DownloadList::State::Done:
        return QStringLiteral("done");
    case DownloadList::State::Failed:
        return QStringLiteral("failed");
    case DownloadList::State::Waiting:
        return QStringLiteral("waiting");
    case DownloadList::State::Cancelled:
        break;
    }
    return QStringLiteral("cancelled");
}
} // namespace

DownloadList &DownloadList::instance()
{
    static DownloadList list;
    return list;
}

int DownloadList::add(Download *download, const QString &name)
{
    return add(download, name, [download] { download->cancel(); });
}

int DownloadList::add(QObject *owner, const QString &name, std::function<void()> cancel)
{
    Entry entry;
    entry.id = ++lastId;
    entry.name = name;
    entry.download = owner;
    entry.cancel = std::move(cancel);
    entries.append(entry);
    trim();
    emit changed();
    return entry.id;
}

int DownloadList::addWaiting(const QString &name, std::function<void()> cancel)
{
    const int id = add(nullptr, name, std::move(cancel));
    find(id)->state = State::Waiting;
    emit changed();
    return id;
}

bool DownloadList::isCancelled(int id) const
{
    const Entry *entry = find(id);
    return !entry || entry->state == State::Cancelled;
}

void DownloadList::remove(int id)
{
    for (int i = 0; i < entries.size(); ++i)
        if (entries[i].id == id) {
            entries.removeAt(i);
            emit changed();
            return;
        }
}

void DownloadList::progress(int id, qint64 received, qint64 total)
{
    Entry *entry = find(id);
    if (!entry || entry->state != State::Running)
        return;
    entry->received = received;
    entry->total = total;
    emit changed();
}

void DownloadList::saved(int id, const QString &path)
{
    if (Entry *entry = find(id)) {
        entry->path = path;
        emit changed();
    }
}

void DownloadList::savedForApp(int id, const QString &name)
{
    if (Entry *entry = find(id)) {
        entry->app = name;
        emit changed();
    }
}

void DownloadList::ended(int id, State state)
{
    Entry *entry = find(id);
    if (!entry || entry->state != State::Running)
        return;
    entry->state = state;
    entry->download = nullptr;
    entry->cancel = nullptr;
    trim();
    emit changed();
}

QVariantList DownloadList::describe() const
{
    QVariantList out;
    for (const Entry &entry : entries) {
        QVariantMap map;
        map.insert(QStringLiteral("id"), entry.id);
        map.insert(QStringLiteral("name"), entry.name);
        map.insert(QStringLiteral("received"), double(entry.received));
        map.insert(QStringLiteral("total"), double(entry.total));
        map.insert(QStringLiteral("state"), stateName(entry.state));
        map.insert(QStringLiteral("folder"), folderOf(entry.id));
        map.insert(QStringLiteral("app"), entry.app);
        out.append(map);
    }
    return out;
}

bool DownloadList::cancel(int id)
{
    Entry *entry = find(id);
    if (entry && entry->state == State::Waiting) {
        entry->state = State::Cancelled;
        // What it fetches meanwhile stops now, not when its turn comes.
        const std::function<void()> stop = entry->cancel;
        trim();
        emit changed();
        if (stop)
            stop();
        return true;
    }
    if (!entry || entry->state != State::Running || !entry->download || !entry->cancel)
        return false;
    // A copy: cancelling may end the entry, which lets go of its own.
    const std::function<void()> stop = entry->cancel;
    stop();
    return true;
}

int DownloadList::cancelAll()
{
    int n = 0;
    // The waiting ones first: the end of one under way would start them.
    for (Entry &entry : entries)
        if (entry.state == State::Waiting)
            entry.state = State::Cancelled;
    // Cancelling changes the list: collect first.
    QList<int> ids;
    for (const Entry &entry : entries)
        if (entry.state == State::Running)
            ids.append(entry.id);
    for (int id : ids)
        n += cancel(id);
    return n;
}

int DownloadList::running() const
{
    int n = 0;
    for (const Entry &entry : entries)
        n += entry.state == State::Running;
    return n;
}

QString DownloadList::folderOf(int id) const
{
    const Entry *entry = find(id);
    if (!entry || entry->state != State::Done || entry->path.isEmpty() || !entry->app.isEmpty())
        return QString();
    return QFileInfo(entry->path).absolutePath();
}

void DownloadList::clearEnded()
{
    for (int i = entries.size() - 1; i >= 0; --i)
        if (entries[i].state != State::Running && entries[i].state != State::Waiting)
            entries.removeAt(i);
    emit changed();
}

bool DownloadList::showInFolder(int id) const
{
    const QString folder = folderOf(id);
    return !folder.isEmpty() && QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

bool DownloadList::mayQuit()
{
    const int n = running();
    if (n == 0)
        return true;
    const QString question =
        n == 1 ? QStringLiteral("A download is still under way. Quit and cancel it?")
               : QStringLiteral("%1 downloads are still under way. Quit and cancel them?").arg(n);
    if (!Messages::ask(question, QStringLiteral("Quit"), QStringLiteral("Keep downloading")))
        return false;
    cancelAll();
    return true;
}

DownloadList::Entry *DownloadList::find(int id)
{
    for (Entry &entry : entries)
        if (entry.id == id)
            return &entry;
    return nullptr;
}

const DownloadList::Entry *DownloadList::find(int id) const
{
    for (const Entry &entry : entries)
        if (entry.id == id)
            return &entry;
    return nullptr;
}

void DownloadList::trim()
{
    int ended = 0;
    for (int i = entries.size() - 1; i >= 0; --i)
        if (entries[i].state != State::Running && entries[i].state != State::Waiting &&
            ++ended > keptEnded)
            entries.removeAt(i);
}
