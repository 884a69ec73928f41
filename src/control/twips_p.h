// Twips (1/1440 inch) to pixels at a device's logical resolution, and back.
#pragma once

#include <QPaintDevice>
#include <QRect>
#include <QSize>
#include <cmath>

#include "control_layout_p.h"

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
/// The fewest pixels that hold at least this many twips.
inline int TwipsToPixelsCeilX(const QPaintDevice& device, int twips) {
    return static_cast<int>(std::ceil(twips * device.logicalDpiX() / 1440.0 - 1e-9));
}
inline int TwipsToPixelsCeilY(const QPaintDevice& device, int twips) {
    return static_cast<int>(std::ceil(twips * device.logicalDpiY() / 1440.0 - 1e-9));
}

inline QRect TwipsToPixels(const QPaintDevice& device, const TwipsRect& r) {
    return {TwipsToPixelsX(device, r.left), TwipsToPixelsY(device, r.top), TwipsToPixelsX(device, r.width),
            TwipsToPixelsY(device, r.height)};
}
inline QRect TwipsToPixels(const QPaintDevice& device, int left, int top, int width, int height) {
    return TwipsToPixels(device, TwipsRect{left, top, width, height});
}
inline QSize TwipsToPixels(const QPaintDevice& device, int width, int height) {
    return {TwipsToPixelsX(device, width), TwipsToPixelsY(device, height)};
}

}  // namespace quarrymink
