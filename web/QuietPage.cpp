#include "web/QuietPage.h"

#include "web/ConsoleErrors.h"

#include <QWebFrame>

QuietPage::QuietPage(QObject *parent, QObject *bridgeObject)
    : QWebPage(parent), bridge(bridgeObject)
{
    ConsoleErrors::logFrom(this);
}

QuietPage::~QuietPage()
{
    if (!bridge)
        return;
    disconnect(this, nullptr, bridge, nullptr);
    disconnect(mainFrame(), nullptr, bridge, nullptr);
}
