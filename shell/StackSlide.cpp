#include "shell/StackSlide.h"

#include <QApplication>
#include <QDesktopWidget>
#include <QLayout>
#include <QPropertyAnimation>
#include <QStackedWidget>

namespace
{
const int statusBarHeight = 20;
const int dockHeight = 40;

// Slides stack from (x, width) at its present height to the full width.
void slideFrom(QWidget *stack, int x, int width, int ms)
{
    const int w = StackSlide::desktopArea().width();
    const int h = stack->height();
    StackSlide::slide(stack, QRect(x, statusBarHeight, width, h), QRect(0, statusBarHeight, w, h),
                      ms);
}
} // namespace

QRect StackSlide::desktopArea()
{
    return QApplication::desktop()->geometry();
}

QRect StackSlide::stackArea()
{
    const QRect desktop = desktopArea();
    return QRect(0, statusBarHeight, desktop.width(),
                 desktop.height() - statusBarHeight - dockHeight);
}

void StackSlide::slideIn(QStackedWidget *stack)
{
    const QRect area = stackArea();
    stack->setGeometry(area.width(), area.y(), 0, area.height());
    stack->show();
    slideFrom(stack, area.width(), 0, 500);
}

void StackSlide::switchIn(QStackedWidget *stack)
{
    slideFrom(stack, desktopArea().width() - 20, 100, 200);
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
