#include "install/DownloadProgress.h"

#include "install/Download.h"
#include "shell/ShellHost.h"

#include <QProgressBar>
#include <limits>

void DownloadProgress::show(QProgressBar *bar, qint64 bytesReceived, qint64 bytesTotal)
{
    if (!bar)
        return;
    bar->show();
    if (bytesTotal < 0) {
        bar->setRange(0, 0);
        return;
    }
    if (bytesTotal == 0) {
        // Nothing to receive: complete.
        bar->setRange(0, 1);
        bar->setValue(1);
        return;
    }
    int shift = 0;
    while ((bytesTotal >> shift) > std::numeric_limits<int>::max())
        ++shift;
    bar->setRange(0, int(bytesTotal >> shift));
    bar->setValue(int(qBound<qint64>(0, bytesReceived, bytesTotal) >> shift));
}

void DownloadProgress::follow(Download *download, const ShellHost &host)
{
    QObject::connect(
        download, &Download::progress, download,
        [&host](qint64 received, qint64 total) { show(host.progressBar(), received, total); });
}
