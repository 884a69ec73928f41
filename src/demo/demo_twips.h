// The demonstration's windows are designed in twips (1/1440 inch); these place them in
// pixels at the screen's logical resolution.
#pragma once

#include <QRect>
#include <QSize>
#include <QWidget>
#include <cmath>

namespace quarrymink::demo {

inline int TwipsX(const QWidget* widget, int twips) {
    return static_cast<int>(std::lround(twips * widget->logicalDpiX() / 1440.0));
}
inline int TwipsY(const QWidget* widget, int twips) {
    return static_cast<int>(std::lround(twips * widget->logicalDpiY() / 1440.0));
}
inline int PixelsToTwipsX(const QWidget* widget, int pixels) {
    return static_cast<int>(std::lround(pixels * 1440.0 / widget->logicalDpiX()));
}
inline int PixelsToTwipsY(const QWidget* widget, int pixels) {
    return static_cast<int>(std::lround(pixels * 1440.0 / widget->logicalDpiY()));
}

/// A rectangle given as left, top, width and height in twips. The edges are converted,
/// so that neighbours that meet in twips meet in pixels too.
inline QRect TwipsRect(const QWidget* widget, int left, int top, int width, int height) {
    const int x = TwipsX(widget, left), y = TwipsY(widget, top);
    return {x, y, TwipsX(widget, left + width) - x, TwipsY(widget, top + height) - y};
}
inline QSize TwipsSize(const QWidget* widget, int width, int height) {
    return {TwipsX(widget, width), TwipsY(widget, height)};
}

/// Places a child at its design rectangle.
inline void PlaceTwips(QWidget* child, int left, int top, int width, int height) {
    const QWidget* reference = child->parentWidget() ? child->parentWidget() : child;
    child->setGeometry(TwipsRect(reference, left, top, width, height));
}

/// Places a child at its design rectangle, made as high as the child needs when the
/// design is lower than that (fonts are larger than the ones the design was made with):
/// it grows evenly upwards and downwards, so that neighbours stay lined up.
inline void PlaceTwipsFitting(QWidget* child, int left, int top, int width, int height) {
    PlaceTwips(child, left, top, width, height);
    const int needed = child->sizeHint().height();
    if (needed <= child->height()) return;
    const QRect r = child->geometry();
    child->setGeometry(r.x(), r.y() - (needed - r.height()) / 2, r.width(), needed);
}

}  // namespace quarrymink::demo
