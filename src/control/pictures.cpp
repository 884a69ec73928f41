// Pictures drawn with QPainter at the sizes the icons are asked for.
#include "quarrymink/widgets/pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

namespace quarrymink {
namespace {

using Painting = std::function<void(QPainter&, double size)>;

QIcon Draw(const Painting& paint, std::initializer_list<int> sizes) {
    QIcon icon;
    for (const int size : sizes) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        paint(painter, size);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

void PaintStopSign(QPainter& p, double s) {
    const QColor red(0xd0, 0x1c, 0x1c);
    const double ring = s * 0.16;
    const QRectF disc(ring / 2 + 0.5, ring / 2 + 0.5, s - ring - 1, s - ring - 1);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(disc);
    p.setPen(QPen(red, ring));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(disc);
    // The bar runs from upper left to lower right, inside the ring.
    const double inset = s * 0.5 - (disc.width() / 2) * 0.7071;
    p.setPen(QPen(red, ring, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(inset, inset), QPointF(s - inset, s - inset));
}

void PaintProduct(QPainter& p, double s) {
    const QColor blue(0x1f, 0x5f, 0xa8);
    // A sound wave behind the lens.
    QPainterPath wave;
    wave.moveTo(s * 0.05, s * 0.42);
    for (int i = 0; i < 4; ++i) {
        const double x = s * (0.05 + 0.15 * i);
        wave.cubicTo(x + s * 0.05, s * (i % 2 ? 0.62 : 0.22), x + s * 0.10, s * (i % 2 ? 0.62 : 0.22),
                     x + s * 0.15, s * 0.42);
    }
    p.setPen(QPen(QColor(0xe0, 0x8a, 0x1e), s / 14.0, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(wave);
    // The lens and its handle.
    const QRectF lens(s * 0.28, s * 0.12, s * 0.48, s * 0.48);
    p.setPen(QPen(blue, s / 10.0));
    p.setBrush(QColor(255, 255, 255, 90));
    p.drawEllipse(lens);
    p.setPen(QPen(blue, s / 7.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.70, s * 0.56), QPointF(s * 0.90, s * 0.86));
}

void PaintWarning(QPainter& p, double s) {
    PaintProduct(p, s);
    QPainterPath triangle;
    triangle.moveTo(s * 0.30, s * 0.52);
    triangle.lineTo(s * 0.56, s * 0.97);
    triangle.lineTo(s * 0.04, s * 0.97);
    triangle.closeSubpath();
    p.setPen(QPen(QColor(0x60, 0x40, 0x00), s / 24.0));
    p.setBrush(QColor(0xff, 0xc8, 0x20));
    p.drawPath(triangle);
    p.setPen(QPen(Qt::black, s / 14.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.30, s * 0.66), QPointF(s * 0.30, s * 0.82));
    p.drawPoint(QPointF(s * 0.30, s * 0.90));
}

}  // namespace

// Drawn afresh on each call: a pixmap kept in a static would outlive the application.
QIcon StopSignIcon() {
    return Draw(PaintStopSign, {16, 24, 32});
}
QIcon ProductIcon() {
    return Draw(PaintProduct, {16, 32, 48, 64});
}
QIcon RecodeWarningIcon() {
    return Draw(PaintWarning, {16, 32, 48});
}

}  // namespace quarrymink
