#pragma once

#include <QString>

class AppView;
class ShellHost;
class ShellPaths;
struct EngineViewSetup;

// Making QtWebEngine views for the shell's pages.
namespace EngineViews
{
// The storage folder of the app or site called name, of a kind ("App",
// "Mail"), under the working folder: a folder of its own for every name,
// whatever characters the name holds.
QString storageFolder(const ShellPaths &paths, const QString &kind, const QString &name);
// A new view, its loads followed by the shell (ShellHost::follow); null when
// the engine library cannot be loaded.
AppView *create(ShellHost &shell, const EngineViewSetup &setup);
} // namespace EngineViews
