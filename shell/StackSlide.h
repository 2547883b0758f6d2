#pragma once

#include <QRect>

class QWidget;

// The desktop area that shell geometry is computed from, and the slide of the
// page stack in from the right edge.
namespace StackSlide
{
// The whole desktop widget's geometry (W x H).
QRect desktopArea();
// Animates widget's geometry from "from" to "to" over ms milliseconds with
// in-out quadratic easing; the animation releases itself when it ends.
void slide(QWidget *widget, const QRect &from, const QRect &to, int ms);
} // namespace StackSlide
