#pragma once

#include <QRect>

class QStackedWidget;
class QWidget;

// The slide of the page stack in from the right edge. Geometry comes from
// the screen the shell covers (W x H), as its host reports it.
namespace StackSlide
{
// Where the page stack sits once it has slid in: below the status bar, over
// the screen's width, clear of the dock: (0, 20, W, H - 60).
QRect stackArea(const QRect &screen);
// Puts stack, with no width, at the right edge of its area, shows it and
// slides it in over 500 ms.
void slideIn(QStackedWidget *stack, const QRect &screen);
// The short slide of a switch between pages: from a strip near the right
// edge to the full width at the stack's present height, over 200 ms. The
// stack is not shown: a hidden one slides out of sight.
void switchIn(QStackedWidget *stack, const QRect &screen);
// Animates widget's geometry from "from" to "to" over ms milliseconds with
// in-out quadratic easing; the animation releases itself when it ends.
void slide(QWidget *widget, const QRect &from, const QRect &to, int ms);
} // namespace StackSlide
