#include "web/NT.h"

#include <QNetworkRequest>

NT::NT(QObject *parent) : QNetworkAccessManager(parent) {}

QByteArray NT::userAgent()
{
    return QByteArrayLiteral("Mozilla/5.0(U; CPU iPhone OS 3_2 like Mac OS X; en-us) "
                             "AppleWebKit/531.21.10 (KHTML, like Gecko) Version/4.0.4 "
                             "Mobile/7B314 Safari/531.21.10");
}

QNetworkReply *NT::createRequest(Operation op, const QNetworkRequest &request,
                                 QIODevice *outgoingData)
{
    QNetworkRequest stamped(request);
    stamped.setRawHeader("User-Agent", userAgent());
    return QNetworkAccessManager::createRequest(op, stamped, outgoingData);
}
