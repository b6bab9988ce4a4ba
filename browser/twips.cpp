#include "twips.h"

#include <QWidget>
#include <cmath>

namespace twips {

int toPixels(int twips, int dpi)
{
    return int(std::lround(double(twips) * dpi / 1440.0));
}

int fromPixels(int pixels, int dpi)
{
    return int(std::lround(double(pixels) * 1440.0 / dpi));
}

QRect toPixels(const QRect& r, int dpi)
{
    return QRect(toPixels(r.x(), dpi), toPixels(r.y(), dpi), toPixels(r.width(), dpi),
                 toPixels(r.height(), dpi));
}

QRect fromPixels(const QRect& r, int dpi)
{
    return QRect(fromPixels(r.x(), dpi), fromPixels(r.y(), dpi), fromPixels(r.width(), dpi),
                 fromPixels(r.height(), dpi));
}

int dpiOf(const QWidget* widget)
{
    const int dpi = widget->logicalDpiX();
    return dpi > 0 ? dpi : 96;
}

void place(QWidget* widget, const QRect& twipsRect)
{
    // A very small window gives negative sizes; the controls take them as zero.
    QRect r = toPixels(twipsRect, dpiOf(widget));
    r.setWidth(std::max(0, r.width()));
    r.setHeight(std::max(0, r.height()));
    widget->setGeometry(r);
}

void place(QWidget* widget, int left, int top, int width, int height)
{
    place(widget, QRect(left, top, width, height));
}

QRect geometryOf(const QWidget* widget)
{
    return fromPixels(widget->geometry(), dpiOf(widget));
}

} // namespace twips
