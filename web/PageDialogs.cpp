#include "web/PageDialogs.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QUrl>

PageDialogs::PageDialogs(QObject *page) : QObject(page)
{
    page->installEventFilter(this);
}

void PageDialogs::alert(const Source &source, const QString &text)
{
    run(source, DialogOverlay::Kind::Alert, text, QString(), nullptr);
}

bool PageDialogs::confirm(const Source &source, const QString &text)
{
    return run(source, DialogOverlay::Kind::Confirm, text, QString(), nullptr) == Answer::Yes;
}

bool PageDialogs::prompt(const Source &source, const QString &text, const QString &value,
                         QString *result)
{
    return run(source, DialogOverlay::Kind::Prompt, text, value, result) == Answer::Yes;
}

bool PageDialogs::leave(const Source &source, const QString &text)
{
    // A page whose dialogs are stopped, or that is going, never holds the
    // user on it.
    return run(source, DialogOverlay::Kind::Leave, text, QString(), nullptr) != Answer::No;
}

void PageDialogs::end()
{
    going = true;
    if (overlay)
        overlay->finish(false);
}

QString PageDialogs::siteName(const QUrl &origin, const QString &appName)
{
    const QString scheme = origin.scheme();
    if (scheme == QLatin1String("file") || scheme == QLatin1String("qrc"))
        return appName;
    const QString host = origin.host();
    if (host.isEmpty())
        return QString();
    return origin.port() < 0 ? host : host + QLatin1Char(':') + QString::number(origin.port());
}

bool PageDialogs::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != parent() || event->type() != QEvent::DeferredDelete || calls == 0)
        return false;
    // Deleting the page now would pull it from under the engine's frames
    // that called this: the dialog ends, and the page goes once they have
    // returned (run).
    releaseWanted = true;
    end();
    return true;
}

PageDialogs::Answer PageDialogs::run(const Source &source, DialogOverlay::Kind kind,
                                     const QString &text, const QString &value, QString *result)
{
    QPointer<PageDialogs> self(this);
    ++calls;
    const Answer answer = ask(source, kind, text, value, result);
    // Only deleting the page outright (never through deleteLater) takes this
    // away meanwhile, and then nothing of it may be touched.
    if (!self)
        return Answer::Dismissed;
    if (--calls == 0 && releaseWanted) {
        releaseWanted = false;
        parent()->deleteLater();
    }
    return answer;
}

PageDialogs::Answer PageDialogs::ask(const Source &source, DialogOverlay::Kind kind,
                                     const QString &text, const QString &value, QString *result)
{
    if (!open && !going && source.view && source.pageSite != site) {
        site = source.pageSite;
        shown = 0;
        stopped = false;
    }
    if (open || going || stopped || !source.view) {
        // Dismissed at once. A script that asks in a loop of its own
        // (for (;;) alert()) never gives the event loop a turn otherwise: the
        // shell would stand still under it, with no way to close the app.
        QCoreApplication::processEvents();
        return Answer::Dismissed;
    }
    ++shown;
    QPointer<DialogOverlay> dialog =
        new DialogOverlay(source.view, kind, source.site, text, value, shown > 1);
    overlay = dialog;
    QEventLoop wait;
    connect(dialog, &DialogOverlay::finished, &wait, &QEventLoop::quit);
    // The view, and the dialog with it, may go first.
    connect(dialog, &QObject::destroyed, &wait, &QEventLoop::quit);
    QPointer<PageDialogs> self(this);
    open = true;
    wait.exec();
    if (!self)
        return Answer::Dismissed;
    open = false;
    overlay = nullptr;
    if (!dialog)
        return Answer::Dismissed;
    dialog->disconnect(&wait);
    Answer answer = Answer::Dismissed;
    if (dialog->isFinished() && !going)
        answer = dialog->accepted() ? Answer::Yes : Answer::No;
    if (answer == Answer::Yes && result)
        *result = dialog->value();
    stopped = stopped || dialog->stopChosen();
    delete dialog;
    return answer;
}
