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
//     <freezeAfter>300</freezeAfter>      seconds out of sight before a
//                                         QtWebEngine page is frozen
//     <discardAfter>1800</discardAfter>   seconds before it is discarded
//     <keepLoaded>1</keepLoaded>          pages out of sight that stay
//                                         loaded; older ones are discarded
//     <keyboard>touch</keyboard>          the on-screen keyboard: "touch"
//                                         (a field a finger focused),
//                                         "always" or "off"
//     <wallpaper>sea.jpg</wallpaper>      the home screen's picture, by its
//                                         name in the Pictures folder
//     <doNotDisturb>true</doNotDisturb>   notifications show no banner,
//                                         from the start
//   </settings>
//
// QtWebKit needs less memory than QtWebEngine but runs much of today's web
// badly and without a sandbox: the light engine is for machines short of
// memory.
//
// A frozen page keeps its memory (bench_remoteapps measures no saving) but
// runs no script and no timer; a discarded one gives up about 28 MB and
// loads its address again when it is shown. One page kept loaded besides the
// one on top keeps a switch back to the last app instant and 10 apps visited
// in turn near half of what Chromium's app windows take. The page on top of
// the stack, and one playing sound or downloading, stay awake. A number out
// of range, or no number, keeps the default.
struct ShellSettings {
    bool restoreApps = true;
    bool lightForAll = false;
    QStringList lightApps;   // names as the home screen opens them
    int freezeAfter = 300;   // seconds, 1 to a week
    int discardAfter = 1800; // seconds, 1 to a week
    int keepLoaded = 1;      // 0 to 100
    enum class Keyboard { Touch, Always, Off };
    Keyboard keyboard = Keyboard::Touch;
    QString wallpaper; // a file name in the Pictures folder; empty: our own
    bool doNotDisturb = false;

    // Whether the remote pages of the app called name run in QtWebKit.
    bool isLight(const QString &name) const;

    static ShellSettings read(const ShellPaths &paths);
    static ShellSettings parse(const QByteArray &xml);

    // Adds (light) or removes the lightEngine element naming name in the
    // settings file, in one step, keeping every other element. False, and
    // the file left as it was, for an empty name or "all", a file that is
    // not well-formed XML or too large, or one that would grow too large.
    static bool setLight(const ShellPaths &paths, const QString &name, bool light);

    // Keeps the notification list's switch (off: no element), in one step,
    // keeping every other element; false, the file as it was, when the file
    // cannot be read or written.
    static bool setDoNotDisturb(const ShellPaths &paths, bool on);

    // Why element cannot hold value ("a whole number from 1 to 604800"), or
    // empty when it can. Elements other than restoreApps, freezeAfter,
    // discardAfter, keepLoaded, keyboard and wallpaper are refused.
    static QString refusal(const QString &element, const QString &value);
    // Makes value the only element named element, in one step, keeping every
    // other element: empty when done, else why not (the refusal above, or a
    // settings file that cannot be read or written), the file left as it was.
    static QString set(const ShellPaths &paths, const QString &element, const QString &value);
};
