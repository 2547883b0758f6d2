#pragma once

#include <QByteArray>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <functional>

class QWidget;

// An app page's view as the shell sees it, whichever engine shows the page:
// QtWebKit (web/WebKitAppView) or QtWebEngine (the engine library). The
// object is a child of its view widget and goes with it; the widget is what
// the page stack (or a holder such as the Browser's bar) shows.
//
// The shell's window object is offered only through WebKit's frames, which a
// QtWebEngine view has none of; runScript gives the page nothing of the shell.
class AppView : public QObject
{
    Q_OBJECT

public:
    enum class Engine { WebKit, WebEngine };

    // The view of a page of the stack: the page's own, or that of the view
    // a holder marked with holdsView() keeps among its children. Null for
    // anything else.
    static AppView *of(const QWidget *page);
    // Every view inside page at any depth (the mail panel holds two).
    static QList<AppView *> allIn(const QWidget *page);
    // Marks holder as a page of the stack that shows a view under or beside
    // widgets of its own.
    static void holdsView(QWidget *holder);

    virtual Engine engine() const = 0;
    QWidget *widget() const;

    virtual void load(const QUrl &url) = 0;
    virtual void stop() = 0;
    virtual void reload() = 0;
    virtual void back() = 0;
    virtual void forward() = 0;
    virtual bool canGoBack() const = 0;
    virtual bool canGoForward() const = 0;
    virtual QString title() const = 0;
    virtual QUrl url() const = 0;
    virtual QIcon icon() const = 0;
    // Runs source in the page's main frame and hands its result to done, always
    // after this returns, and only while the view lives. QtWebEngine runs it
    // apart from the page's own script; QtWebKit has no such world, so the
    // page may have replaced what the script uses. Either way the result is
    // the page's word: check its type and size.
    using ScriptResult = std::function<void(const QVariant &result)>;
    virtual void runScript(const QString &source, const ScriptResult &done) = 0;
    // The last load's progress in percent, and whether a load is under way.
    int progress() const { return percent; }
    bool isLoading() const { return loading; }
    // Keys go to the page (for QtWebEngine, to the widget that takes them).
    void focus();
    // The page as last drawn, at the view's size.
    virtual QImage picture() const;

    // Shows the shell's own page (web/ErrorPage) in place of the page, with
    // no address behind it: it gets no api, no file access and no retry.
    virtual void showOwnPage(const QByteArray &html) = 0;

    // The app the page belongs to: its name and icon (PNG data) head the
    // error page of a failed load; without a name, the failed host does.
    virtual void setApp(const QString &name, const QByteArray &icon);
    QString appName() const { return name; }
    QByteArray appIcon() const { return iconData; }

    // The user asked for what loads next outside the page (an address typed
    // for it): a file it turns out to be is theirs to save.
    virtual void noteUserGesture() {}

    // Takes the view out of use: it stops, hides, and its page and widget go
    // once control returns to the event loop (the page's own script may have
    // asked for the close). stopPlugins: the page's plug-ins stop at once;
    // the music app keeps its player to the end.
    virtual void close(bool stopPlugins) = 0;

signals:
    void titleChanged(const QString &title);
    void urlChanged(const QUrl &url);
    void iconChanged();
    void loadStarted();
    void loadProgress(int percent);
    void loadFinished(bool ok);

protected:
    // Becomes a child of view.
    explicit AppView(QWidget *view);

private:
    QString name;
    QByteArray iconData;
    int percent = 0;
    bool loading = false;
};
