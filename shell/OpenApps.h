#pragma once

#include <QString>

class QStackedWidget;
class QWidget;

// Which page of the stack belongs to which app of the home screen, so that
// opening an app that is already open brings its page forward. Windows that
// pages open themselves carry no name and are never matched.
class OpenApps
{
public:
    // Records that page shows the app called name.
    static void mark(QWidget *page, const QString &name);
    // The stack index of the page of the app called name, or -1 when the app
    // is not open (an empty name is never open).
    static int indexOf(const QStackedWidget *stack, const QString &name);
    // The name page was marked with; empty for a page of no app.
    static QString nameOf(const QWidget *page);
};
