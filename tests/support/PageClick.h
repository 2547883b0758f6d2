#pragma once

#include <QPoint>
#include <QString>

class QWebView;

namespace TestUtil
{
// Centre of the first element that a jQuery selector (or, without jQuery, a CSS
// selector) finds in view's main frame, scrolled into sight; a null point when
// there is no such visible element.
QPoint centreOf(QWebView *view, const QString &selector);
// A real left click on that centre; false when there is nothing to click.
bool clickElement(QWebView *view, const QString &selector);
} // namespace TestUtil
