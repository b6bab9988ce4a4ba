#include "twips.h"

#include <QApplication>
#include <QFontMetricsF>
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

double FontScale(const QFont& font, int dpi)
{
    // The designed geometry fits the 8-point system font it was drawn with: 6 by 13 pixels
    // a character cell at 96 dots per inch (average width of the letters, line height).
    constexpr double DesignedWidthInches = 6.0 / 96.0;
    constexpr double DesignedHeightInches = 13.0 / 96.0;
    static const QString Letters =
        QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
    QFont sized = font;
    if (sized.pointSizeF() > 0)
        sized.setPixelSize(std::max(1, int(std::lround(sized.pointSizeF() * dpi / 72.0))));
    const QFontMetricsF metrics(sized);
    const double width = metrics.horizontalAdvance(Letters) / Letters.size() / dpi;
    const double height = metrics.height() / dpi;
    return std::max({1.0, width / DesignedWidthInches, height / DesignedHeightInches});
}

int dpiOf(const QWidget* widget)
{
    const int screenDpi = widget->logicalDpiX() > 0 ? widget->logicalDpiX() : 96;
    // Worked out once per font and screen: every window places all its controls with it.
    static QString lastKey;
    static int lastDpi = 0;
    static int scaled = 0;
    const QFont font = QApplication::font();
    if (screenDpi != lastDpi || font.key() != lastKey) {
        lastKey = font.key();
        lastDpi = screenDpi;
        scaled = int(std::lround(screenDpi * FontScale(font, screenDpi)));
    }
    return scaled;
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
