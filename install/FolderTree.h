#pragma once

#include <QString>

// Whole-tree work for replacing an app folder, without following links.
class FolderTree
{
public:
    // Adds to target what source holds and target does not: files as hard
    // links where the file system allows (else copies), links as links,
    // folders merged, each folder with source's permissions. Anything else
    // (a pipe, a device) fails.
    static bool carryOver(const QString &source, const QString &target, QString *error);

    // Removes path and everything below it, read-only folders included.
    static bool remove(const QString &path);
};
