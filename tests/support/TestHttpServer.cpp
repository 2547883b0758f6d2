#include "TestHttpServer.h"

#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <memory>

TestHttpServer::TestHttpServer(QObject *parent) : QObject(parent)
{
    connect(&server, &QTcpServer::newConnection, this, &TestHttpServer::onConnection);
}

bool TestHttpServer::start(quint16 port)
{
    return server.listen(QHostAddress(QHostAddress::LocalHost), port);
}

void TestHttpServer::stop()
{
    server.close();
}

quint16 TestHttpServer::port() const
{
    return server.serverPort();
}

QUrl TestHttpServer::url(const QString &path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path));
}

void TestHttpServer::dropConnections()
{
    for (QTcpSocket *socket : server.findChildren<QTcpSocket *>())
        socket->abort();
}

void TestHttpServer::route(const QByteArray &path, const Response &response)
{
    routes.insert(path, response);
}

void TestHttpServer::route(const QByteArray &path, const QByteArray &body,
                           const QByteArray &contentType)
{
    Response r;
    r.body = body;
    r.headers.append({"Content-Type", contentType});
    route(path, r);
}

int TestHttpServer::requestCount(const QByteArray &path) const
{
    int n = 0;
    for (const Request &r : received)
        n += r.path == path ? 1 : 0;
    return n;
}

TestHttpServer::Request TestHttpServer::lastRequest(const QByteArray &path) const
{
    for (int i = received.size() - 1; i >= 0; --i)
        if (received.at(i).path == path)
            return received.at(i);
    return {};
}

QList<QByteArray> TestHttpServer::cookiesSent(const QByteArray &path) const
{
    QList<QByteArray> cookies;
    for (const QByteArray &cookie : lastRequest(path).headers.value("cookie").split(';'))
        if (!cookie.trimmed().isEmpty())
            cookies << cookie.trimmed();
    std::sort(cookies.begin(), cookies.end());
    return cookies;
}

void TestHttpServer::onConnection()
{
    while (QTcpSocket *socket = server.nextPendingConnection()) {
        auto *buffer = new QByteArray;
        connect(socket, &QTcpSocket::disconnected, socket, [socket, buffer] {
            delete buffer;
            socket->deleteLater();
        });
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
            buffer->append(socket->readAll());
            const int end = buffer->indexOf("\r\n\r\n");
            if (end < 0)
                return;
            Request request;
            const QList<QByteArray> lines = buffer->left(end).split('\n');
            const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
            request.method = first.value(0);
            request.path = first.value(1);
            for (int i = 1; i < lines.size(); ++i) {
                const int colon = lines.at(i).indexOf(':');
                if (colon > 0)
                    request.headers.insert(lines.at(i).left(colon).trimmed().toLower(),
                                           lines.at(i).mid(colon + 1).trimmed());
            }
            const int length = request.headers.value("content-length").toInt();
            if (buffer->size() < end + 4 + length)
                return;
            request.body = buffer->mid(end + 4, length);
            buffer->clear();
            disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
            received.append(request);
            emit requestReceived(request.path);
            serve(socket, request);
        });
    }
}

void TestHttpServer::streamGenerated(QTcpSocket *socket, qint64 size)
{
    constexpr qint64 piece = 64 * 1024;
    constexpr qint64 queued = 4 * piece;
    const QByteArray bytes(int(piece), 'g');
    auto left = std::make_shared<qint64>(size);
    auto refill = [socket, bytes, left] {
        while (*left > 0 && socket->bytesToWrite() < queued) {
            const qint64 n = *left < piece ? *left : piece;
            socket->write(bytes.constData(), n);
            *left -= n;
        }
        if (*left == 0) {
            *left = -1;
            socket->disconnectFromHost();
        }
    };
    connect(socket, &QTcpSocket::bytesWritten, socket, refill);
    refill();
}

void TestHttpServer::serve(QTcpSocket *socket, const Request &request)
{
    Response r;
    const QByteArray withoutQuery = request.path.left(request.path.indexOf('?'));
    if (routes.contains(request.path))
        r = routes.value(request.path);
    else if (routes.contains(withoutQuery))
        r = routes.value(withoutQuery);
    else
        r = Response{404, "not found", {{"Content-Type", "text/plain"}}, true, 0};

    auto answer = [this, socket, r] {
        QByteArray head = "HTTP/1.1 " + QByteArray::number(r.status) + " " + r.reason + "\r\n";
        for (const auto &h : r.headers)
            head += h.first + ": " + h.second + "\r\n";
        if (r.announcedBytes > 0)
            head += "Content-Length: " + QByteArray::number(r.announcedBytes) + "\r\n";
        else if (r.sendLength)
            head +=
                "Content-Length: " + QByteArray::number(r.body.size() + r.generatedBytes) + "\r\n";
        head += "Connection: close\r\n\r\n";
        socket->write(head);
        socket->write(r.body);
        if (r.announcedBytes > 0)
            return;
        if (r.generatedBytes <= 0) {
            socket->disconnectFromHost();
            return;
        }
        streamGenerated(socket, r.generatedBytes);
    };
    if (r.delayMs > 0)
        QTimer::singleShot(r.delayMs, socket, answer);
    else
        answer();
}
