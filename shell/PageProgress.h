#pragma once

class QProgressBar;
class AppView;

// The progress bar across the top edge, driven by page loads.
namespace PageProgress
{
// Sets the bar's value without the immediate repaint that QProgressBar does on
// every change: the bar lies over the home view, so each such repaint paints
// that web page too, several times per load. The next paint cycle draws it.
// The bar shows while value is not 0 and hides at 0.
void show(QProgressBar *bar, int value);
// Makes bar follow view's loadProgress.
void follow(AppView *view, QProgressBar *bar);
} // namespace PageProgress
