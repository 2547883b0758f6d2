#pragma once

#include <QString>

// Paths with every symbolic link resolved, for deciding what lies inside a
// folder: a link inside a folder that points elsewhere is elsewhere.
class ResolvedPath
{
public:
    // The absolute path with "." and ".." and all links resolved. A path that
    // does not exist yet resolves through its nearest existing parent (and a
    // link to nothing through its target). Empty when links go round in a loop.
    static QString of(const QString &path);

    // Whether path, resolved, is folder itself or lies below it, resolved.
    static bool isInside(const QString &path, const QString &folder);
};
