#include "web/FailureProbe.h"

#include <QHostInfo>
#include <QNetworkReply>
#include <QTcpSocket>
#include <QTimer>

void FailureProbe::run(const QUrl &url, QObject *context, Answer answer)
{
    new FailureProbe(url, context, std::move(answer));
}

FailureProbe::FailureProbe(const QUrl &address, QObject *context, Answer done)
    : QObject(context), url(address), answer(std::move(done))
{
    const QString scheme = url.scheme();
    if (url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        QTimer::singleShot(0, this, [this] { finish(ErrorPage::Reason::Other); });
        return;
    }
    // Refused before any connection: trying one would say nothing of it.
    if (ErrorPage::isBlockedPort(url.port())) {
        QTimer::singleShot(0, this, [this] { finish(ErrorPage::Reason::Blocked); });
        return;
    }
    QHostInfo::lookupHost(url.host(), this, [this](const QHostInfo &info) {
        lookedUp(info.error() == QHostInfo::NoError && !info.addresses().isEmpty());
    });
}

void FailureProbe::lookedUp(bool found)
{
    if (!found) {
        finish(failure(QNetworkReply::HostNotFoundError));
        return;
    }
    socket = new QTcpSocket(this);
    connect(socket, &QTcpSocket::connected, this, [this] {
        // The site answers: what failed was the page itself.
        finish(ErrorPage::Reason::Other);
    });
    connect(socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
        switch (e) {
        case QAbstractSocket::ConnectionRefusedError:
            finish(failure(QNetworkReply::ConnectionRefusedError));
            break;
        case QAbstractSocket::HostNotFoundError:
            finish(failure(QNetworkReply::HostNotFoundError));
            break;
        case QAbstractSocket::SocketTimeoutError:
            finish(failure(QNetworkReply::TimeoutError));
            break;
        default:
            finish(failure(QNetworkReply::UnknownNetworkError));
            break;
        }
    });
    QTimer::singleShot(connectMs, this, [this] { finish(failure(QNetworkReply::TimeoutError)); });
    socket->connectToHost(url.host(),
                          quint16(url.port(url.scheme() == QLatin1String("https") ? 443 : 80)));
}

ErrorPage::Reason FailureProbe::failure(int networkError)
{
    return ErrorPage::reasonFor(networkError, false, ErrorPage::machineIsOnline());
}

void FailureProbe::finish(ErrorPage::Reason reason)
{
    if (!answer)
        return;
    const Answer done = std::move(answer);
    answer = nullptr;
    if (socket)
        socket->abort();
    deleteLater();
    done(reason);
}
