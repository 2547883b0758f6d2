#pragma once

#include <QNetworkAccessManager>

// A network access manager that presents every request as a phone's browser,
// so that web-mail sites serve their mobile pages.
class NT : public QNetworkAccessManager
{
public:
    explicit NT(QObject *parent);

    static QByteArray userAgent();

protected:
    QNetworkReply *createRequest(Operation op, const QNetworkRequest &request,
                                 QIODevice *outgoingData) override;
};
