#include "ads/AdSwitch.h"

#include "shell/BoundedXml.h"

#include <QDomDocument>
#include <QNetworkReply>
#include <QTimer>
#include <QWebView>

AdSwitch::AdSwitch(const QUrl &serverAddress, QObject *parent)
    : QObject(parent), server(serverAddress)
{
}

QString AdSwitch::commandOf(const QByteArray &body)
{
    const int nul = body.indexOf('\0');
    QDomDocument doc(QStringLiteral("sfs"));
    // The parser keeps what it read before an error: a body that is not
    // well-formed must not pass for a command.
    if (!BoundedXml::parse(nul < 0 ? body : body.left(nul), doc))
        return QString();
    return doc.elementsByTagName(QStringLiteral("cmd")).item(0).toElement().text();
}

void AdSwitch::onResult(QNetworkReply *reply)
{
    // The network error is not looked at: a failed request has an empty body,
    // and with it an empty command, which means "on".
    // A body past the bound is refused whole; reading one byte more tells.
    apply(reply ? commandOf(reply->read(BoundedXml::maxBytes + 1)) : QString());
}

void AdSwitch::apply(const QString &command)
{
    adState = command;
    if (!adView)
        return;
    if (adState == QLatin1String("off"))
        adView->setGeometry(0, 0, 0, 0);
    else
        show(QStringLiteral("/"));
}

void AdSwitch::adclick()
{
    if (adState == QLatin1String("off"))
        return;
    if (adClicks == 1)
        show(QStringLiteral("/pub2"));
    else if (adClicks == 2)
        show(QStringLiteral("/pub1"));
    else
        return;
    ++adClicks;
    QTimer::singleShot(intervalMs, this, &AdSwitch::adclick);
}

void AdSwitch::show(const QString &path)
{
    if (!adView)
        return;
    QUrl url = server;
    url.setPath(path);
    adView->setUrl(url);
}
