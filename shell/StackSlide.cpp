#include "shell/StackSlide.h"

#include <QApplication>
#include <QDesktopWidget>
#include <QPropertyAnimation>

QRect StackSlide::desktopArea()
{
    return QApplication::desktop()->geometry();
}

void StackSlide::slide(QWidget *widget, const QRect &from, const QRect &to, int ms)
{
    widget->setGeometry(from);
    // Parented to the widget, so a page stack that goes away takes it along.
    auto *animation = new QPropertyAnimation(widget, QByteArrayLiteral("geometry"), widget);
    animation->setDuration(ms);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    animation->setStartValue(from);
    animation->setEndValue(to);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}
