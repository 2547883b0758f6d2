#include "HomePage.h"

#include "TestShell.h"
#include "shell/ScriptCall.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWebFrame>
#include <QWebView>

QNetworkReply *RecordingNetwork::createRequest(Operation op, const QNetworkRequest &request,
                                               QIODevice *data)
{
    requested.append(request.url());
    return QNetworkAccessManager::createRequest(op, request, data);
}

void ConsolePage::javaScriptConsoleMessage(const QString &message, int line, const QString &source)
{
    console.append(source + QLatin1Char(':') + QString::number(line) + QLatin1String(": ") +
                   message);
}

HomePage::HomePage(int width, int height, QObject *bridgeObject)
    : bridge(bridgeObject ? bridgeObject : &recorder)
{
    view = new QWebView;
    page = new ConsolePage(view);
    network = new RecordingNetwork(page);
    page->setNetworkAccessManager(network);
    view->setPage(page);
    view->resize(width, height);
    view->show();
    connect(page->mainFrame(), &QWebFrame::javaScriptWindowObjectCleared, this,
            &HomePage::placeBridge);
}

HomePage::~HomePage()
{
    delete view;
}

void HomePage::placeBridge()
{
    page->mainFrame()->addToJavaScriptWindowObject(QStringLiteral("myob"), bridge);
}

bool HomePage::load()
{
    return TestUtil::loadUrl(view, QUrl(QStringLiteral("qrc:/Lumo.html")));
}

QVariant HomePage::js(const QString &script) const
{
    return page->mainFrame()->evaluateJavaScript(script);
}

void HomePage::call(const QString &function, const QStringList &args)
{
    // The shell quotes every argument; the calls here use up to three.
    const QString a = args.value(0), b = args.value(1), c = args.value(2);
    switch (args.size()) {
    case 0:
        ScriptCall::run(page->mainFrame(), function, {});
        break;
    case 1:
        ScriptCall::run(page->mainFrame(), function, {a});
        break;
    case 2:
        ScriptCall::run(page->mainFrame(), function, {a, b});
        break;
    default:
        ScriptCall::run(page->mainFrame(), function, {a, b, c});
        break;
    }
}

QPoint HomePage::centreOf(const QString &selector) const
{
    const QVariantMap r =
        js(QStringLiteral("(function(){var r=jQuery(%1)[0].getBoundingClientRect();"
                          "return {x:r.left+r.width/2,y:r.top+r.height/2};})()")
               .arg(ScriptCall::quote(selector)))
            .toMap();
    return QPoint(qRound(r.value(QStringLiteral("x")).toDouble()),
                  qRound(r.value(QStringLiteral("y")).toDouble()));
}

void HomePage::click(const QString &selector)
{
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, centreOf(selector));
    QApplication::processEvents();
}

void HomePage::drag(const QPoint &from, const QPoint &to)
{
    auto send = [this](QEvent::Type type, const QPoint &at, Qt::MouseButtons buttons) {
        QMouseEvent e(type, at, view->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(view, &e);
        QTest::qWait(15);
    };
    send(QEvent::MouseButtonPress, from, Qt::LeftButton);
    const int steps = 12;
    for (int i = 1; i <= steps; ++i)
        send(QEvent::MouseMove, from + (to - from) * i / steps, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, to, Qt::NoButton);
}

bool HomePage::settle(int timeoutMs) const
{
    return TestUtil::waitFor(
        [this] { return js(QStringLiteral("jQuery(':animated').length")).toInt() == 0; },
        timeoutMs);
}
