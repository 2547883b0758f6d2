#include "shell/PageProgress.h"

#include "shell/AppView.h"

#include <QProgressBar>

void PageProgress::show(QProgressBar *bar, int value)
{
    if (!bar)
        return;
    // The line is there only while something loads.
    bar->setVisible(value != 0);
    if (bar->value() == value)
        return;
    const bool enabled = bar->updatesEnabled();
    bar->setUpdatesEnabled(false);
    bar->setValue(value);
    bar->setUpdatesEnabled(enabled);
    bar->update();
}

void PageProgress::follow(AppView *view, QProgressBar *bar)
{
    if (view && bar)
        QObject::connect(view, &AppView::loadProgress, bar, [bar](int value) { show(bar, value); });
}
