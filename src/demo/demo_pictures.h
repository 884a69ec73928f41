// The start window's pictures, drawn rather than shipped: the mascot, a card-index file
// beside the database demonstration and an open book beside the document demonstration.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace quarrymink::demo {

/// A mink, the product's mascot, looking to the right.
QPixmap MascotPicture(QSize size);
/// A card-index box with its cards.
QPixmap CardIndexPicture(QSize size);
/// An open book with a bookmark.
QPixmap OpenBookPicture(QSize size);
/// The program's icon.
QIcon DemoIcon();

}  // namespace quarrymink::demo
