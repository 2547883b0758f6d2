#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class ShellPaths;

// What settings.xml in the working folder asks of the shell. A missing,
// damaged or oversized file asks for nothing, and every setting keeps its
// default:
//
//   <settings>
//     <restoreApps>false</restoreApps>   the open apps do not come back
//     <lightEngine>Maps</lightEngine>     this app's remote pages run in
//     <lightEngine>Browser</lightEngine>  QtWebKit (the dock's Browser, the
//     <lightEngine>Mail</lightEngine>     mail panel's sites), or
//     <lightEngine>all</lightEngine>      every remote page does
//   </settings>
//
// QtWebKit needs less memory than QtWebEngine but runs much of today's web
// badly and without a sandbox: the light engine is for machines short of
// memory.
struct ShellSettings {
    bool restoreApps = true;
    bool lightForAll = false;
    QStringList lightApps; // names as the home screen opens them

    // Whether the remote pages of the app called name run in QtWebKit.
    bool isLight(const QString &name) const;

    static ShellSettings read(const ShellPaths &paths);
    static ShellSettings parse(const QByteArray &xml);

    // Adds (light) or removes the lightEngine element naming name in the
    // settings file, in one step, keeping every other element. False, and
    // the file left as it was, for an empty name or "all", a file that is
    // not well-formed XML or too large, or one that would grow too large.
    static bool setLight(const ShellPaths &paths, const QString &name, bool light);
};
