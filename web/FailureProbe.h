#pragma once

#include "web/ErrorPage.h"

#include <QObject>
#include <QUrl>
#include <functional>

class QTcpSocket;

// Finds out why an address could not be loaded when the engine that failed
// does not say (QtWebEngine reports only that a load failed): it looks the
// host up and tries to connect, as the page's load did.
class FailureProbe : public QObject
{
    Q_OBJECT

public:
    using Answer = std::function<void(ErrorPage::Reason)>;

    // Calls answer once, from the event loop, unless context goes first.
    static void run(const QUrl &url, QObject *context, Answer answer);

    // How long a connection may take before the site counts as too slow.
    static constexpr int connectMs = 10000;

private:
    FailureProbe(const QUrl &url, QObject *context, Answer answer);
    void lookedUp(bool found);
    // What a network error of QNetworkReply means on this machine.
    static ErrorPage::Reason failure(int networkError);
    void finish(ErrorPage::Reason reason);

    QUrl url;
    Answer answer;
    QTcpSocket *socket = nullptr;
};
