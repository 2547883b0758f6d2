#pragma once

#include <QRect>
#include <QString>

class AppView;
class EngineDownload;
class ShellPaths;

class QNetworkAccessManager;
class QObject;
class QProgressBar;
class QStackedWidget;
class QWebFrame;
class QWebPage;
class QWebView;
class QWidget;
namespace Phonon
{
class MediaObject;
} // namespace Phonon

// What a subsystem may reach of the shell. The main window implements it;
// tests implement it over plain widgets.
class ShellHost
{
public:
    virtual ~ShellHost() = default;

    // The home screen's view, and its main frame while it shows the home
    // page (null otherwise: nothing the shell says goes to another page).
    virtual QWebView *homeView() const = 0;
    // The same view as a plain widget, for code that only places or focuses it.
    QWidget *homeScreen() const;
    QWebFrame *homeFrame() const;
    // The stack of app pages ("springboard") and its current widget.
    virtual QStackedWidget *stack() const = 0;
    QWidget *pageOnTop() const;
    // The view of the page on top, whichever engine shows it (AppView::of).
    AppView *viewOnTop() const;
    // The page on top when QtWebKit shows it (a QWebView, or one that a
    // holder keeps under a bar, as the Browser does), else null: only these
    // pages can be offered the shell's window object.
    QWebView *webViewOnTop() const;
    // page itself when it is a QWebView; the QtWebKit view of AppView::of(page);
    // else null.
    static QWebView *webViewIn(QWidget *page);
    virtual QProgressBar *progressBar() const = 0;
    // The top-level window: parent of what the shell makes, owner of dialogs.
    virtual QWidget *mainWindow() const = 0;
    // The object that pages see as myob and api.
    virtual QObject *bridge() const = 0;
    // What the hooks join page signals to; a page that goes cuts them first.
    virtual QObject *hookTarget() const { return bridge(); }

    // Hooks: a subsystem hands what it made to the window, which joins its
    // signals to the window's own slots (checked when compiled, not by name).
    // A shell without a window joins nothing.
    // A view's finished loads, whichever engine: loadFinished -> pageloaded.
    virtual void hookViewLoads(AppView * /*view*/) {}
    // What every app view gets, once: its loads hooked and the progress bar
    // following them.
    void follow(AppView *view);
    // A download a QtWebEngine page asks for: the shell's downloads decide
    // on it while this runs; one nobody took is refused.
    virtual void hookEngineDownload(EngineDownload * /*download*/) {}
    // A QtWebKit app page: link clicks, content it cannot show, the view going.
    virtual void hookAppPage(QWebView * /*view*/) {}
    // A frame that may get api each time its script context is cleared.
    virtual void hookApiPlacement(QWebFrame * /*frame*/) {}
    // The mail panel's account list frame (myob) and its service page.
    virtual void hookMailList(QWebFrame * /*frame*/) {}
    virtual void hookMailService(QWebPage * /*page*/, QNetworkAccessManager * /*manager*/) {}
    // Remote-message replies: finished -> onResult.
    virtual void hookRemoteMessages(QNetworkAccessManager * /*manager*/) {}
    // The music player's objects: track length and the tag reader's state.
    virtual void hookMusic(Phonon::MediaObject * /*player*/, Phonon::MediaObject * /*tagReader*/) {}

    // Requests: the shell's web-app installer adds an app called name (checked
    // again there) for link, its icon fetched from icon; a placeholder stands
    // in for an icon that is missing or cannot be shown.
    virtual void installWebApp(const QString & /*name*/, const QString & /*link*/,
                               const QString & /*icon*/)
    {
    }

    // Every folder and file the shell reads or writes.
    virtual const ShellPaths &paths() const = 0;
    // The folder of the program and the Apps folder beside it.
    QString programFolder() const;
    QString appsFolder() const;
    // The screen the shell covers.
    virtual QRect screenArea() const = 0;
    // A new network manager owned by parent: every request the shell makes
    // itself goes through one of these.
    virtual QNetworkAccessManager *newNetworkManager(QObject *parent) const = 0;

    // The stack index that showapp() returns to.
    virtual int showIndex() const = 0;
    virtual void setShowIndex(int index) = 0;

    // A modal message box.
    void message(const QString &text) const;
};
