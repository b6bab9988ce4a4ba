#pragma once

#include <QRect>

class QFont;
class QWidget;

// Geometry is worked out in twips (1/1440 inch) and converted once, where it is applied.
namespace twips {

int toPixels(int twips, int dpi);
int fromPixels(int pixels, int dpi);
QRect toPixels(const QRect& twipsRect, int dpi);
QRect fromPixels(const QRect& pixelRect, int dpi);

// How much larger than the designed 8-point font `font` is at `dpi` (never less than 1): the
// designed geometry grows by this much, so that every caption fits as it was drawn to.
double FontScale(const QFont& font, int dpi);
// The dots per inch that twips are converted at for the widget: the screen's, scaled by the
// application font's FontScale. The one place where every window's geometry meets the font.
int dpiOf(const QWidget* widget);
// Moves and sizes a widget to a rectangle given in twips, relative to its container.
void place(QWidget* widget, const QRect& twipsRect);
void place(QWidget* widget, int left, int top, int width, int height);
// A widget's geometry in twips.
QRect geometryOf(const QWidget* widget);

} // namespace twips
