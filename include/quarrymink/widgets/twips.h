// Twips (1/1440 inch), the unit the windows are designed in, and pixels at a device's
// logical resolution. One rounding rule for every window: to the nearest pixel, and a
// rectangle by its edges, so that neighbours that meet in twips meet in pixels too.
#pragma once

#include <QPaintDevice>
#include <QRect>
#include <QSize>
#include <cmath>

namespace quarrymink {

inline int TwipsToPixelsX(const QPaintDevice& device, int twips) {
    return static_cast<int>(std::lround(twips * device.logicalDpiX() / 1440.0));
}
inline int TwipsToPixelsY(const QPaintDevice& device, int twips) {
    return static_cast<int>(std::lround(twips * device.logicalDpiY() / 1440.0));
}
inline int PixelsToTwipsX(const QPaintDevice& device, int pixels) {
    return static_cast<int>(std::lround(pixels * 1440.0 / device.logicalDpiX()));
}
inline int PixelsToTwipsY(const QPaintDevice& device, int pixels) {
    return static_cast<int>(std::lround(pixels * 1440.0 / device.logicalDpiY()));
}

/// The fewest pixels that hold at least this many twips: for a size the layout must not
/// come short of (rounded to the nearest pixel it could read back as a few twips less).
inline int TwipsToPixelsCeilX(const QPaintDevice& device, int twips) {
    return static_cast<int>(std::ceil(twips * device.logicalDpiX() / 1440.0 - 1e-9));
}
inline int TwipsToPixelsCeilY(const QPaintDevice& device, int twips) {
    return static_cast<int>(std::ceil(twips * device.logicalDpiY() / 1440.0 - 1e-9));
}

inline QSize TwipsToPixels(const QPaintDevice& device, int width, int height) {
    return {TwipsToPixelsX(device, width), TwipsToPixelsY(device, height)};
}
/// A rectangle given by left, top, width and height in twips, converted by its edges.
inline QRect TwipsToPixels(const QPaintDevice& device, int left, int top, int width, int height) {
    const int x = TwipsToPixelsX(device, left), y = TwipsToPixelsY(device, top);
    return {x, y, TwipsToPixelsX(device, left + width) - x, TwipsToPixelsY(device, top + height) - y};
}

}  // namespace quarrymink
