#include "PageClick.h"

#include <QApplication>
#include <QTest>
#include <QWebFrame>
#include <QWebView>

namespace TestUtil
{

QPoint centreOf(QWebView *view, const QString &selector)
{
    QString literal = selector;
    literal.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('\''), QLatin1String("\\'"));
    const QVariantList r =
        view->page()
            ->mainFrame()
            ->evaluateJavaScript(
                QStringLiteral("(function(s){"
                               " var e = window.jQuery ? jQuery(s)[0] : document.querySelector(s);"
                               " if (!e) return [];"
                               " e.scrollIntoView(false);"
                               " var r = e.getBoundingClientRect();"
                               " return [r.left + r.width / 2, r.top + r.height / 2, r.width];"
                               "})('%1')")
                    .arg(literal))
            .toList();
    if (r.size() != 3 || r.at(2).toDouble() <= 0)
        return QPoint();
    return QPoint(r.at(0).toInt(), r.at(1).toInt());
}

bool clickElement(QWebView *view, const QString &selector)
{
    const QPoint at = centreOf(view, selector);
    if (at.isNull())
        return false;
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, at);
    QApplication::processEvents();
    return true;
}

} // namespace TestUtil
