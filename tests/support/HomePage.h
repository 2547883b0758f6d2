#pragma once

#include "TestBridge.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <QWebPage>

class QWebView;

// Every request a page makes, by address.
class RecordingNetwork : public QNetworkAccessManager
{
public:
    using QNetworkAccessManager::QNetworkAccessManager;
    QList<QUrl> requested;

protected:
    QNetworkReply *createRequest(Operation op, const QNetworkRequest &request,
                                 QIODevice *data) override;
};

// A page that keeps its script errors and console output.
class ConsolePage : public QWebPage
{
public:
    using QWebPage::QWebPage;
    QStringList console;

protected:
    void javaScriptConsoleMessage(const QString &message, int line, const QString &source) override;
};

// The real home page, qrc:/Lumo.html, in a real web view with a test bridge
// placed as myob.
class HomePage : public QObject
{
    Q_OBJECT

public:
    // A view of width x height, shown (offscreen in tests).
    HomePage(int width = 1280, int height = 800, QObject *bridge = nullptr);
    ~HomePage() override;

    // Loads qrc:/Lumo.html and waits until it has loaded.
    bool load();
    QVariant js(const QString &script) const;
    // Runs a page function through the shell's script-call builder.
    void call(const QString &function, const QStringList &args);

    // Centre of the first element matching a jQuery selector, in view coordinates.
    QPoint centreOf(const QString &selector) const;
    // A real left click on the element's centre.
    void click(const QString &selector);
    // Presses, moves in steps and releases the left button, as a user drags.
    void drag(const QPoint &from, const QPoint &to);
    // Waits for the page's animations (jQuery's queue) to finish.
    bool settle(int timeoutMs = 5000) const;

    QWebView *view = nullptr;
    ConsolePage *page = nullptr;
    TestBridge recorder;
    RecordingNetwork *network = nullptr;
    QObject *bridge = nullptr;

private slots:
    void placeBridge();
};
