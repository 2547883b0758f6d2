#include "DialogSteps.h"

#include "web/DialogOverlay.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>

DialogSteps::DialogSteps(QList<Step> list) : steps(std::move(list))
{
    // Timers fire inside the dialogs' own loops too.
    connect(&poll, &QTimer::timeout, this, &DialogSteps::look);
    poll.start(5);
}

void DialogSteps::look()
{
    for (QWidget *widget : QApplication::allWidgets()) {
        auto *dialog = qobject_cast<DialogOverlay *>(widget);
        if (!dialog || dialog->isFinished() || seen.contains(dialog))
            continue;
        seen.append(dialog);
        titles.append(dialog->title());
        texts.append(dialog->text());
        stopOffered.append(dialog->offersStop());
        // From a timer of its own: the poll's timer does not fire again
        // while its slot runs, and the step may wait for another dialog.
        const int index = seen.size() - 1;
        QTimer::singleShot(0, this, [this, d = QPointer<DialogOverlay>(dialog), index] {
            if (d)
                play(d, index);
        });
    }
}

void DialogSteps::play(DialogOverlay *dialog, int index)
{
    if (index >= steps.size()) {
        if (!key(dialog, Qt::Key_Escape))
            dialog->finish(false);
        return;
    }
    steps[index](dialog);
    ++stepsEnded;
}

void DialogSteps::click(DialogOverlay *dialog, const char *name)
{
    auto *button = dialog->findChild<QAbstractButton *>(QLatin1String(name));
    if (!button)
        return;
    if (button->isVisible())
        QTest::mouseClick(button, Qt::LeftButton);
    else
        button->click();
}

bool DialogSteps::key(DialogOverlay *dialog, Qt::Key key)
{
    QWidget *focus = QApplication::focusWidget();
    if (!focus || !dialog->isAncestorOf(focus))
        return false;
    QTest::keyClick(focus, key);
    return true;
}
