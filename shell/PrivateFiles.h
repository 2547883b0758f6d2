#pragma once

#include <QFileDevice>
#include <QStringList>

// What the shell keeps of the user's (cookies, web storage, the session,
// settings) is the user's alone: folders 0700, files 0600, whatever the
// umask the shell was started with. The web engine writes its storage files
// itself, so the process's own mask is what makes them private.
namespace PrivateFiles
{
// From now on, files and folders the process makes are private. The mask
// the process had before the first call is remembered.
void keepPrivate();
// The permissions a file the user shares with others (a download in
// Documents) gets under the mask the process was started with.
QFileDevice::Permissions sharedFilePermissions();
// Makes each of paths private, and for a folder everything below it that is
// not a link: what an older version or another mask left readable. Only the
// shell's own entries: the working folder may be any folder the shell was
// started in.
void tighten(const QStringList &paths);
} // namespace PrivateFiles
