#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QTcpServer>
#include <QUrl>

// A small HTTP/1.1 server on 127.0.0.1 for tests: fixed responses by path,
// and a record of every request it received.
class TestHttpServer : public QObject
{
    Q_OBJECT

public:
    struct Response {
        int status = 200;
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers; // e.g. Content-Type, Set-Cookie
        bool sendLength = true;       // false: no Content-Length, the body ends with the connection
        int delayMs = 0;              // wait before answering
        QByteArray reason = "Status"; // the status line's reason phrase
        // When above 0: a body of this many bytes follows body, made piece by
        // piece as the connection takes it, so its size costs no memory.
        qint64 generatedBytes = 0;
        // When above 0: the length announced instead of the body's; after the
        // body the connection stays open, a transfer that stalls part way.
        qint64 announcedBytes = 0;
    };
    struct Request {
        QByteArray method;
        QByteArray path;                      // with its query
        QMap<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;
    };

    explicit TestHttpServer(QObject *parent = nullptr);

    // Starts listening on port of 127.0.0.1 (0: a free one).
    bool start(quint16 port = 0);
    // Stops listening: connections to its port are refused until it starts again.
    void stop();
    // Cuts every open connection, as a server that dies does.
    void dropConnections();
    quint16 port() const;
    // "http://127.0.0.1:PORT" + path.
    QUrl url(const QString &path) const;

    // path is matched with its query first, then without it.
    void route(const QByteArray &path, const Response &response);
    void route(const QByteArray &path, const QByteArray &body,
               const QByteArray &contentType = "text/html; charset=utf-8");

    QList<Request> requests() const { return received; }
    int requestCount(const QByteArray &path) const;
    // The last request for path (empty when none).
    Request lastRequest(const QByteArray &path) const;
    // The cookies ("name=value") the last request for path sent, sorted.
    QList<QByteArray> cookiesSent(const QByteArray &path) const;

signals:
    void requestReceived(const QByteArray &path);

private:
    void onConnection();
    void serve(QTcpSocket *socket, const Request &request);
    void streamGenerated(QTcpSocket *socket, qint64 size);

    QTcpServer server;
    QHash<QByteArray, Response> routes;
    QList<Request> received;
};
