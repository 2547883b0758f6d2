#pragma once

#include <QLoggingCategory>

class QWebPage;

Q_DECLARE_LOGGING_CATEGORY(scriptErrors)

// Script errors of the shell's pages (uncaught exceptions, console.error)
// go to the program's log as warnings of the "vantara.script" category:
// WebKit itself keeps them to itself, and a page that fails quietly is
// otherwise hard to tell from one that works.
namespace ConsoleErrors
{
void logFrom(QWebPage *page);
}
