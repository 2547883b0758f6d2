#pragma once

#include "media/FolderListing.h"

#include <QObject>
#include <QStringList>

class ShellHost;
class ShellPaths;

// Lists the user's standard folders to app pages (Filler) and lets the user
// pick files for them.
class FolderBrowser : public QObject
{
public:
    struct Listing {
        FolderListing entries; // in list order
        QString folder;        // absolute path, "/" separators
    };

    explicit FolderBrowser(ShellHost &host, QObject *parent = nullptr);

    // The folder and entries of a service: "Music", "Picture", "Documents",
    // "Movies" or "Apps", matched exactly; any other name lists the working
    // folder, unfiltered. The folders are those of paths.
    static Listing list(const ShellPaths &paths, const QString &service);

    // Lists service and hands the result to the page on top as
    // Filler(listing, folder). When a name holds a comma, which would split it
    // in the listing, a third argument follows: the same names separated by
    // "/", which no file name contains. Pages written for two arguments
    // ignore it.
    void desktopaccess(const QString &service);
    // The platform's file-open dialog over the main window; the absolute paths
    // picked, or none when cancelled.
    QStringList pickFiles(const QString &filter);

private:
    ShellHost &host;
};
