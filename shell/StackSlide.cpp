#include "shell/StackSlide.h"

#include <QApplication>
#include <QDesktopWidget>
#include <QLayout>
#include <QPropertyAnimation>

QRect StackSlide::desktopArea()
{
    return QApplication::desktop()->geometry();
}

void StackSlide::slide(QWidget *widget, const QRect &from, const QRect &to, int ms)
{
    // While the frame grows, its pages keep their final size and are only
    // uncovered: laying a web page out again at every step of the slide
    // would cost more than the slide itself.
    QLayout *layout = widget->layout();
    if (layout) {
        layout->setEnabled(false);
        for (int i = 0; i < layout->count(); ++i)
            if (QWidget *page = layout->itemAt(i)->widget())
                page->setGeometry(QRect(QPoint(0, 0), to.size()));
    }
    widget->setGeometry(from);
    // Parented to the widget, so a page stack that goes away takes it along.
    auto *animation = new QPropertyAnimation(widget, QByteArrayLiteral("geometry"), widget);
    animation->setDuration(ms);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    animation->setStartValue(from);
    animation->setEndValue(to);
    if (layout)
        QObject::connect(animation, &QAbstractAnimation::finished, layout, [layout] {
            layout->setEnabled(true);
            layout->activate();
        });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}
