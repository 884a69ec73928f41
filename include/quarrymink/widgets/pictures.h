// The control's pictures, drawn when first needed rather than shipped as bitmaps.
#pragma once

#include <QIcon>

namespace quarrymink {

/// The stop button's prohibition sign: a red ring with a diagonal bar.
QIcon StopSignIcon();
/// The product's picture: a magnifying glass over a sound wave (about box, window icons).
QIcon ProductIcon();
/// The recode warning's window icon: the product's picture with a warning triangle.
QIcon RecodeWarningIcon();

}  // namespace quarrymink
