#include "shell/StackSlide.h"

#include <QLayout>
#include <QPropertyAnimation>
#include <QStackedWidget>

namespace
{
const int statusBarHeight = 20;
const int dockHeight = 40;

// Slides stack from (x, width) at its present height to the full width.
void slideFrom(QWidget *stack, int x, int width, int w, int ms)
{
    const int h = stack->height();
    StackSlide::slide(stack, QRect(x, statusBarHeight, width, h), QRect(0, statusBarHeight, w, h),
                      ms);
}
} // namespace

QRect StackSlide::stackArea(const QRect &screen)
{
    return QRect(0, statusBarHeight, screen.width(),
                 screen.height() - statusBarHeight - dockHeight);
}

void StackSlide::slideIn(QStackedWidget *stack, const QRect &screen)
{
    const QRect area = stackArea(screen);
    stack->setGeometry(area.width(), area.y(), 0, area.height());
    stack->show();
    slideFrom(stack, area.width(), 0, screen.width(), 500);
}

void StackSlide::switchIn(QStackedWidget *stack, const QRect &screen)
{
    slideFrom(stack, screen.width() - 20, 100, screen.width(), 200);
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
