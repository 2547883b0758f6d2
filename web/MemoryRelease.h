#pragma once

class QStackedWidget;
class QTimer;
class QWebView;

// Start-up leaves the web engine holding what only start-up needed: compiled
// script of the home page's first run, garbage of its set-up, resources no
// page uses any more. Once the home screen has been up a while, that goes
// back, once, along with the heap pages it freed. Pages that close leave the
// same behind (their garbage, decoded pictures, cached pages, fonts): that
// goes back once the page stack has been still for a moment.
class MemoryRelease
{
public:
    // After home's first finished load and delayMs more.
    static void afterStartup(QWebView *home, int delayMs = 3000);
    // Once a page has left stack and quietMs passed with no page coming or
    // going: a page that opens meanwhile is not slowed by a release under it.
    // The timer that waits for the stack to be still, a child of stack.
    static QTimer *afterPagesClose(QStackedWidget *stack, int quietMs = 2000);
    // Now: the engine's caches, then a second later the freed heap pages.
    static void release();
    // How many releases began in this process.
    static int releases();
};
