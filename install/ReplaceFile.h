#pragma once

#include <QString>

// Renames from to to in one step, replacing a file already at to, so that
// readers see either the old file or the whole new one. Both must lie on the
// same file system.
bool replaceFile(const QString &from, const QString &to, QString *error);

// Puts the folder first at second's name, in one step where the system can
// (Linux's renameat2 exchange: the old folder then is at first), else through
// exchangeFoldersByRenames (the old folder then is at spare). The caller
// removes whichever of the two exists.
bool exchangeFolders(const QString &first, const QString &second, const QString &spare,
                     QString *error);

// The same in two renames: second to spare (a free name beside it), then
// first to second. When the second rename fails the first is undone.
bool exchangeFoldersByRenames(const QString &first, const QString &second, const QString &spare,
                              QString *error);
