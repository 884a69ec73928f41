// The demonstration's windows are designed in twips (1/1440 inch); these place them in
// pixels at the screen's logical resolution.
#pragma once

#include <QRect>
#include <QSize>
#include <QWidget>

#include "quarrymink/widgets/twips.h"

namespace quarrymink::demo {

// Short names for the control's conversions, which the windows use all over.
inline int TwipsX(const QWidget* widget, int twips) {
    return TwipsToPixelsX(*widget, twips);
}
inline int TwipsY(const QWidget* widget, int twips) {
    return TwipsToPixelsY(*widget, twips);
}
inline int PixelsToTwipsX(const QWidget* widget, int pixels) {
    return quarrymink::PixelsToTwipsX(*widget, pixels);
}
inline int PixelsToTwipsY(const QWidget* widget, int pixels) {
    return quarrymink::PixelsToTwipsY(*widget, pixels);
}
inline QRect TwipsRect(const QWidget* widget, int left, int top, int width, int height) {
    return TwipsToPixels(*widget, left, top, width, height);
}
inline QSize TwipsSize(const QWidget* widget, int width, int height) {
    return TwipsToPixels(*widget, width, height);
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
