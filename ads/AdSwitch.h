#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWebView>

class QNetworkReply;

// The advertising switch: a remote message turns it on or off, and while it
// is on an advertisement view (when there is one) shows the ad server's pages.
class AdSwitch : public QObject
{
    Q_OBJECT

public:
    // server: the advertisement server's base address (its root, /pub2 and /pub1).
    explicit AdSwitch(const QUrl &server, QObject *parent = nullptr);

    // The last command received; "off" (the start) means off, any other text on.
    QString state() const { return adState; }
    bool isOn() const { return adState != QLatin1String("off"); }
    int rotationPosition() const { return adClicks; }

    // The view that shows the advertisements; the shell itself makes none.
    void setView(QWebView *view) { adView = view; }
    QWebView *view() const { return adView; }

    // The command of a remote message: the text of its first cmd element, read
    // up to the first NUL byte; an empty text when there is none, and for a
    // body that is ill-formed, larger than 64 KiB or declares entities.
    static QString commandOf(const QByteArray &body);

    // Takes the command of a finished remote-message reply and applies it.
    void onResult(QNetworkReply *reply);
    void apply(const QString &command);

    // Moves the page rotation on while advertising is on: position 1 shows
    // /pub2, position 2 shows /pub1, each followed by the next step after the
    // rotation interval; other positions end it.
    void adclick();

    // For a rotation that has been started elsewhere, and a shorter interval.
    void setRotationPosition(int position) { adClicks = position; }
    void setRotationInterval(int ms) { intervalMs = ms; }

private:
    void show(const QString &path);

    QUrl server;
    QPointer<QWebView> adView;
    QString adState = QStringLiteral("off");
    int adClicks = 0;
    int intervalMs = 18000;
};
