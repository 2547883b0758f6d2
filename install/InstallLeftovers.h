#pragma once

#include <QString>

// What an installation or download leaves behind when the shell ends in the
// middle of it: hidden ".download-*.part" body files (in the Apps and the
// documents folder) and hidden ".<name>.unpack-*" working folders in the
// Apps folder. Only entries named so are removed; a symbolic link named so
// is removed as a link, and nothing is followed through one.
namespace InstallLeftovers
{
bool isPartialDownload(const QString &name);
bool isUnpackFolder(const QString &name);
// Returns how many entries were removed.
int clean(const QString &appsFolder, const QString &documentsFolder);
} // namespace InstallLeftovers
