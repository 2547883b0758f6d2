#pragma once

#include <QString>

class ShellPaths;

// Where the home screen's icons stand: a JSON object {"pages": [[key, ...],
// ...], "dock": [key, ...]}, a key being an app's folder name or, for the
// dock's own items, "/" and the item's name (no folder name holds "/"). The
// home page writes it after each move and lays its grid out by it.
class AppArrangement
{
public:
    // Far above thousands of apps; a larger text is refused.
    static constexpr int maxBytes = 512 * 1024;

    // The stored arrangement, or empty when there is none or it is damaged.
    static QString load(const ShellPaths &paths);
    // Stores layout, in normal form, atomically; false (and the stored one
    // kept) when layout is not an arrangement.
    static bool store(const ShellPaths &paths, const QString &layout);
    // layout in normal form, or empty when it is not an arrangement.
    static QString normalized(const QString &layout);
};
