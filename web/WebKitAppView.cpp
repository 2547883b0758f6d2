#include "web/WebKitAppView.h"

#include "web/QuietPage.h"
#include "web/WebPage.h"

#include <QWebFrame>
#include <QWebHistory>
#include <QWebPage>
#include <QWebSettings>
#include <QWebView>

WebKitAppView::WebKitAppView(QWebView *view) : AppView(view)
{
    // The view's own signals follow whatever page it shows.
    connect(view, &QWebView::titleChanged, this, &AppView::titleChanged);
    connect(view, &QWebView::urlChanged, this, &AppView::urlChanged);
    connect(view, &QWebView::iconChanged, this, &AppView::iconChanged);
    connect(view, &QWebView::loadStarted, this, &AppView::loadStarted);
    connect(view, &QWebView::loadProgress, this, &AppView::loadProgress);
    connect(view, &QWebView::loadFinished, this, &AppView::loadFinished);
}

WebKitAppView *WebKitAppView::make(QWebPage *page)
{
    auto *view = new QWebView;
    view->setPage(page);
    return new WebKitAppView(view);
}

QWebView *WebKitAppView::webViewOf(const AppView *view)
{
    auto *webkit = qobject_cast<const WebKitAppView *>(view);
    return webkit ? webkit->webView() : nullptr;
}

QWebFrame *WebKitAppView::frameOf(const AppView *view)
{
    QWebView *webView = webViewOf(view);
    return webView ? webView->page()->mainFrame() : nullptr;
}

QWebView *WebKitAppView::webView() const
{
    return static_cast<QWebView *>(widget());
}

// clang-format off
void WebKitAppView::load(const QUrl &url) { webView()->load(url); }
void WebKitAppView::stop() { webView()->stop(); }
void WebKitAppView::reload() { webView()->reload(); }
void WebKitAppView::back() { webView()->back(); }
void WebKitAppView::forward() { webView()->forward(); }
bool WebKitAppView::canGoBack() const { return webView()->history()->canGoBack(); }
bool WebKitAppView::canGoForward() const { return webView()->history()->canGoForward(); }
QString WebKitAppView::title() const { return webView()->title(); }
QUrl WebKitAppView::url() const { return webView()->url(); }
QIcon WebKitAppView::icon() const { return webView()->icon(); }
// clang-format on

void WebKitAppView::runScript(const QString &source, const ScriptResult &done)
{
    QWebFrame *frame = webView()->page()->mainFrame();
    // Called back from the event loop, as QtWebEngine does.
    QMetaObject::invokeMethod(
        this, [done, result = frame->evaluateJavaScript(source)] { done(result); },
        Qt::QueuedConnection);
}

void WebKitAppView::showOwnPage(const QByteArray &html)
{
    webView()->setContent(html, QStringLiteral("text/html;charset=utf-8"));
}

void WebKitAppView::setApp(const QString &name, const QByteArray &icon)
{
    AppView::setApp(name, icon);
    if (auto *page = dynamic_cast<QuietPage *>(webView()->page()))
        page->setAppIdentity(name, icon);
}

void WebKitAppView::noteUserGesture()
{
    if (auto *page = dynamic_cast<WebPage *>(webView()->page()))
        page->noteGesture();
}

void WebKitAppView::close(bool stopPlugins)
{
    QWebView *view = webView();
    if (stopPlugins)
        view->settings()->setAttribute(QWebSettings::PluginsEnabled, false);
    view->setGeometry(0, 0, 0, 0);
    view->setAttribute(Qt::WA_DeleteOnClose);
    view->hide();
    // Pages of app views belong to the main window: without this they (and
    // their network managers and cookie jars) would outlive the view.
    view->page()->deleteLater();
    view->deleteLater();
}
