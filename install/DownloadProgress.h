#pragma once

#include <QtGlobal>

class Download;
class QProgressBar;
class ShellHost;

// Shows a download's progress on the shell's progress bar. A size that the
// server did not announce shows as busy; sizes past 2 GiB are scaled down
// rather than cut to 32 bits.
namespace DownloadProgress
{
void show(QProgressBar *bar, qint64 bytesReceived, qint64 bytesTotal);
// Shows download's progress on host's bar until the download goes.
void follow(Download *download, const ShellHost &host);
} // namespace DownloadProgress
