#pragma once

#include "shell/AppView.h"

class QWebFrame;
class QWebPage;
class QWebView;

// An app page shown by QtWebKit: a QWebView with one of the shell's pages
// (web/QuietPage and its kinds). Only these views can carry the shell's
// window object, through their main frame.
class WebKitAppView : public AppView
{
    Q_OBJECT

public:
    // Joins view, which keeps whatever page it has or is given later.
    explicit WebKitAppView(QWebView *view);
    // A new view showing page; the page keeps its own parent.
    static WebKitAppView *make(QWebPage *page);

    // The QtWebKit view of view, or null when another engine shows it.
    static QWebView *webViewOf(const AppView *view);
    // Its main frame, where the shell's window object may be offered.
    static QWebFrame *frameOf(const AppView *view);

    QWebView *webView() const;

    Engine engine() const override { return Engine::WebKit; }
    void load(const QUrl &url) override;
    void stop() override;
    void reload() override;
    void back() override;
    void forward() override;
    bool canGoBack() const override;
    bool canGoForward() const override;
    QString title() const override;
    QUrl url() const override;
    QIcon icon() const override;
    void runScript(const QString &source, const ScriptResult &done) override;
    void showOwnPage(const QByteArray &html) override;
    void setApp(const QString &name, const QByteArray &icon) override;
    void noteUserGesture() override;
    void close(bool stopPlugins) override;
};
