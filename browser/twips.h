#pragma once

#include <QRect>

class QWidget;

// Geometry is worked out in twips (1/1440 inch) and converted once, where it is applied.
namespace twips {

int toPixels(int twips, int dpi);
int fromPixels(int pixels, int dpi);
QRect toPixels(const QRect& twipsRect, int dpi);
QRect fromPixels(const QRect& pixelRect, int dpi);

// The dots per inch the widget is shown at.
int dpiOf(const QWidget* widget);
// Moves and sizes a widget to a rectangle given in twips, relative to its container.
void place(QWidget* widget, const QRect& twipsRect);
void place(QWidget* widget, int left, int top, int width, int height);
// A widget's geometry in twips.
QRect geometryOf(const QWidget* widget);

} // namespace twips
