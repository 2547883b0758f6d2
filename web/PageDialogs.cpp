#include "web/PageDialogs.h"

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
    if (watched != parent() || event->type() != QEvent::DeferredDelete || !open)
        return false;
    // Deleting the page now would pull it from under the engine's frames
    // that wait for this dialog: the dialog ends, and the page goes once
    // they have returned (run).
    releaseWanted = true;
    end();
    return true;
}

PageDialogs::Answer PageDialogs::run(const Source &source, DialogOverlay::Kind kind,
                                     const QString &text, const QString &value, QString *result)
{
    if (open || going || !source.view)
        return Answer::Dismissed;
    if (source.pageSite != site) {
        site = source.pageSite;
        shown = 0;
        stopped = false;
    }
    if (stopped)
        return Answer::Dismissed;
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
    // Only deleting the page outright (never through deleteLater) takes this
    // away meanwhile, and then nothing of it may be touched.
    if (!self)
        return Answer::Dismissed;
    open = false;
    overlay = nullptr;
    Answer answer = Answer::Dismissed;
    if (dialog) {
        dialog->disconnect(&wait);
        if (dialog->isFinished() && !going)
            answer = dialog->accepted() ? Answer::Yes : Answer::No;
        if (answer == Answer::Yes && result)
            *result = dialog->value();
        stopped = stopped || dialog->stopChosen();
        delete dialog;
    }
    if (releaseWanted)
        parent()->deleteLater();
    return answer;
}
