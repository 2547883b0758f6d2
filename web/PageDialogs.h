#pragma once

#include "web/DialogOverlay.h"

#include <QObject>
#include <QPointer>
#include <QString>

class QUrl;

// The dialogs of one page (alert, confirm, prompt and the question before
// the page is left), shown as a DialogOverlay over the page's view. The
// engine asks for them synchronously: each waits for its answer in a nested
// event loop, during which the rest of the shell works as usual.
//
// - One dialog at a time: a page that asks again while one is up gets the
//   dismissal at once (alert returns, confirm false, prompt null, leave yes).
// - From a page's second dialog on, the dialog offers to stop its dialogs;
//   once stopped, every later one gets that dismissal at once, while the page
//   stays on the same site. A page that goes to another site starts afresh.
// - A dismissal at once still gives the event loop a turn: a script asking in
//   a loop of its own (for (;;) alert()) never holds the shell still.
// - A page being released (deleteLater) while the engine's call is on the
//   stack ends the dialog, and is released only once the call has returned.
//   A view that goes ends its dialog too.
//
// Engine-neutral: a page class hands in its view and texts; no engine types.
class PageDialogs : public QObject
{
    Q_OBJECT

public:
    // Who asks: the view the dialog covers, the site named in the dialog (the
    // asking frame's), and the site the page shows (the one dialogs are
    // counted and stopped for).
    struct Source {
        QWidget *view = nullptr;
        QString site;
        QString pageSite;
    };

    // Watches page, which owns it, for its release.
    explicit PageDialogs(QObject *page);

    void alert(const Source &source, const QString &text);
    bool confirm(const Source &source, const QString &text);
    // The typed text in result and true; false (the script's null) when cancelled.
    bool prompt(const Source &source, const QString &text, const QString &value, QString *result);
    // Whether the page may be left; true unless the user chose to stay.
    bool leave(const Source &source, const QString &text);

    // A dialog of this page waits for its answer (its loop is on the stack).
    bool isOpen() const { return open; }
    // Ends the open dialog as dismissed, and every later one at once: the
    // page is going.
    void end();

    // The name a dialog shows for an origin: the host (with its port when it
    // has one), the app's name for a local page; empty when the origin names
    // no site (a page of data or about:blank, a local page of no app).
    static QString siteName(const QUrl &origin, const QString &appName);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Answer { Yes, No, Dismissed };

    // Holds the page's release while the engine's call is on the stack.
    Answer run(const Source &source, DialogOverlay::Kind kind, const QString &text,
               const QString &value, QString *result);
    // Shows a dialog and waits for its answer; Dismissed at once when none
    // may be shown, or when it ended without one. A prompt's text goes to
    // result when accepted.
    Answer ask(const Source &source, DialogOverlay::Kind kind, const QString &text,
               const QString &value, QString *result);

    QPointer<DialogOverlay> overlay;
    QString site;
    int shown = 0;
    bool stopped = false;
    int calls = 0; // the engine's calls on the stack
    bool open = false;
    bool going = false;
    bool releaseWanted = false;
};
