#pragma once

#include <QObject>
#include <QStringList>

class QFileSystemWatcher;
class QTimer;
class ShellHost;

// Fills the home screen with the installed apps: tells the page the size of
// its grid pages, the apps whose icon it must not decode, and the names in
// the Apps folder.
class AppCatalogue : public QObject
{
    Q_OBJECT

public:
    explicit AppCatalogue(ShellHost &host, QObject *parent = nullptr);

    // The page calls sizeitems (desktop, then window), noicons (only when an
    // icon is refused) and makeapp, in the home view's main frame. From then
    // on the Apps folder is watched: app folders copied in or taken out
    // while the shell runs join or leave the home screen (appeared,
    // removedApp) once the folder has been still for settleMs.
    void load();
    // Reads the folder again and tells the page what came and went.
    void refresh();
    static constexpr int settleMs = 500;

    // The names the grid shows, in listing order: every entry of folder
    // (sorted by name ignoring case) but those holding ".map", and those
    // holding a comma, which the page would split in two.
    static QStringList appNames(const QString &folder);
    // Whether the grid shows an entry of that name.
    static bool isListed(const QString &name);
    // The folder's absolute path in clean form.
    static QString cleanFolderPath(const QString &folder);
    // Readies the icon of each app named (see AppIcon::prepare) and returns
    // the names whose icon lies beyond the bounds.
    static QStringList refusedIcons(const QString &folder, const QStringList &names);

private:
    void watch(const QString &folder);

    ShellHost &host;
    QFileSystemWatcher *watcher = nullptr;
    QTimer *settle = nullptr;
    // The names the page was last told of; empty before the first load.
    QStringList shown;
    bool loaded = false;
};
