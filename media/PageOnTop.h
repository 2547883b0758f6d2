#pragma once

class QWebFrame;
class ShellHost;

// Where the player and the folders browser send their script calls: the main
// frame of the web view on top of the stack, and only while that page may use
// the shell's window object (a local app in its own folder, or the trusted
// host). Any other page on top, say a web site opened as an app, never sees
// the user's file names or track tags.
class PageOnTop
{
public:
    static QWebFrame *frameForCalls(const ShellHost &host);
    // The same, but nothing while the page on top is a track display
    // (PageKind), which keeps its own display of the track.
    static QWebFrame *frameForPlayerCalls(const ShellHost &host);
    // The main frame of the open music app ("Music.map"), on top or not, on
    // the same condition.
    static QWebFrame *musicAppFrame(const ShellHost &host);
};
