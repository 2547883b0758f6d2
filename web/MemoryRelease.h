#pragma once

class QWebView;

// Start-up leaves the web engine holding what only start-up needed: compiled
// script of the home page's first run, garbage of its set-up, resources no
// page uses any more. Once the home screen has been up a while, that goes
// back, once, along with the heap pages it freed.
class MemoryRelease
{
public:
    // After home's first finished load and delayMs more.
    static void afterStartup(QWebView *home, int delayMs = 3000);
    // Now: the engine's caches, then a second later the freed heap pages.
    static void release();
};
