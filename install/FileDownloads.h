#pragma once

#include "install/PendingDownloads.h"

#include <QNetworkRequest>
#include <QObject>

class Download;
class QNetworkAccessManager;
class QNetworkReply;
class ShellHost;

// Files that pages fetch or hand on: DownFile into an app folder, programs
// of the program's folder run by installBatch, and content a page cannot
// show, saved to the user's documents folder and handed to the system as an
// installer.
class FileDownloads : public QObject
{
    Q_OBJECT

public:
    FileDownloads(ShellHost &host, QObject *parent = nullptr);

    void DownFile(const QString &path, const QString &ap);
    void FileDownloaded(QNetworkReply *reply);
    void installBatch(const QString &path);
    void unsupportedContent(QNetworkReply *reply);
    void download(const QNetworkRequest &request);
    // sender: the finished reply of an unsupported-content download.
    void downloadingIssueFinished(QObject *sender);

    int pending() const { return files.count() + installers.count(); }

private:
    void completeFile(Download *download);
    void completeInstaller(Download *download);

    ShellHost &host;
    QNetworkAccessManager *manager;
    PendingDownloads files;
    PendingDownloads installers;
};
