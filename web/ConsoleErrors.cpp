#include "web/ConsoleErrors.h"

#include <QWebPage>

Q_LOGGING_CATEGORY(scriptErrors, "vantara.script")

void ConsoleErrors::logFrom(QWebPage *page)
{
    QObject::connect(page, &QWebPage::consoleMessageReceived, page,
                     [](QWebPage::MessageSource, QWebPage::MessageLevel level,
                        const QString &message, int line, const QString &source) {
                         if (level != QWebPage::ErrorMessageLevel)
                             return;
                         qCWarning(scriptErrors, "script error: %s (%s:%d)",
                                   qUtf8Printable(message), qUtf8Printable(source), line);
                     });
}
