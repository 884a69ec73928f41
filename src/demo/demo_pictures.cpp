// The pictures, drawn on a 100-unit grid and scaled to the size asked for.
#include "demo_pictures.h"

#include <QPainter>
#include <QPainterPath>

#include "quarrymink/widgets/pictures.h"

namespace quarrymink::demo {
namespace {

// A transparent pixmap with a painter whose coordinates run 0..w by 0..h units, keeping
// the picture's proportions and centring it.
template <typename Draw>
QPixmap Drawn(QSize size, double unitsWide, double unitsHigh, Draw draw) {
    QPixmap pixmap(size.expandedTo(QSize(1, 1)));
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const double scale = std::min(pixmap.width() / unitsWide, pixmap.height() / unitsHigh);
    painter.translate((pixmap.width() - unitsWide * scale) / 2, (pixmap.height() - unitsHigh * scale) / 2);
    painter.scale(scale, scale);
    draw(painter);
    return pixmap;
}

}  // namespace

QPixmap MascotPicture(QSize size) {
    return Drawn(size, 300, 100, [](QPainter& p) {
        const QColor fur(104, 66, 38), dark(62, 38, 22), light(150, 104, 66);
        p.setPen(QPen(dark, 2.5));
        // Tail, body and head as one long low shape.
        QPainterPath tail;
        tail.moveTo(70, 62);
        tail.cubicTo(40, 58, 18, 40, 8, 52);
        tail.cubicTo(2, 60, 24, 74, 70, 74);
        p.setBrush(dark);
        p.drawPath(tail);
        QPainterPath body;
        body.moveTo(66, 60);
        body.cubicTo(80, 34, 150, 44, 200, 46);
        body.cubicTo(226, 47, 236, 30, 252, 30);
        body.cubicTo(272, 30, 286, 40, 292, 48);
        body.cubicTo(286, 56, 270, 58, 256, 58);
        body.cubicTo(232, 60, 222, 78, 196, 78);
        body.lineTo(100, 78);
        body.cubicTo(84, 78, 64, 74, 66, 60);
        p.setBrush(fur);
        p.drawPath(body);
        // Legs.
        p.setBrush(dark);
        p.setPen(Qt::NoPen);
        for (double x : {92.0, 118.0, 182.0, 204.0}) p.drawRoundedRect(QRectF(x, 72, 12, 20), 5, 5);
        // Ear, eye, nose, a lighter throat.
        p.setBrush(light);
        p.drawEllipse(QPointF(250, 29), 7, 6);
        p.drawEllipse(QRectF(236, 48, 30, 10));
        p.setBrush(Qt::black);
        p.drawEllipse(QPointF(268, 38), 3, 3);
        p.drawEllipse(QPointF(291, 47), 3.5, 3);
    });
}

QPixmap CardIndexPicture(QSize size) {
    return Drawn(size, 120, 100, [](QPainter& p) {
        const QColor box(70, 96, 140), boxDark(40, 58, 92), card(250, 248, 236), tab(214, 170, 60);
        p.setPen(QPen(Qt::black, 1.2));
        // Cards standing in the box, the front ones lower.
        for (int i = 0; i < 5; ++i) {
            const double x = 18 + i * 4, y = 14 + i * 7;
            p.setBrush(card);
            p.drawRect(QRectF(x, y, 78, 52));
            p.setBrush(tab);
            p.drawRect(QRectF(x + 10 + (i % 3) * 20, y - 7, 18, 7));
            p.setPen(QPen(QColor(150, 150, 170), 1));
            for (int line = 1; line < 3; ++line)
                p.drawLine(QPointF(x + 6, y + 12 * line), QPointF(x + 60, y + 12 * line));
            p.setPen(QPen(Qt::black, 1.2));
        }
        // The box: its front and a side in perspective.
        QPolygonF side{{96, 50}, {112, 40}, {112, 86}, {96, 96}};
        p.setBrush(boxDark);
        p.drawPolygon(side);
        p.setBrush(box);
        p.drawRect(QRectF(10, 50, 86, 46));
        p.setBrush(QColor(200, 200, 210));
        p.drawRoundedRect(QRectF(42, 64, 22, 10), 3, 3);
    });
}

QPixmap OpenBookPicture(QSize size) {
    return Drawn(size, 120, 100, [](QPainter& p) {
        const QColor cover(128, 30, 40), page(252, 250, 240), ribbon(200, 40, 40);
        p.setPen(QPen(Qt::black, 1.2));
        p.setBrush(cover);
        QPainterPath back;
        back.moveTo(4, 30);
        back.lineTo(60, 40);
        back.lineTo(116, 30);
        back.lineTo(116, 86);
        back.lineTo(60, 96);
        back.lineTo(4, 86);
        back.closeSubpath();
        p.drawPath(back);
        p.setBrush(page);
        QPainterPath left, right;
        left.moveTo(60, 36);
        left.cubicTo(44, 22, 22, 20, 8, 24);
        left.lineTo(8, 82);
        left.cubicTo(22, 78, 44, 80, 60, 92);
        left.closeSubpath();
        right.moveTo(60, 36);
        right.cubicTo(76, 22, 98, 20, 112, 24);
        right.lineTo(112, 82);
        right.cubicTo(98, 78, 76, 80, 60, 92);
        right.closeSubpath();
        p.drawPath(left);
        p.drawPath(right);
        p.setPen(QPen(QColor(120, 120, 140), 1));
        for (int line = 0; line < 6; ++line) {
            const double y = 38 + line * 8;
            p.drawLine(QPointF(16, y), QPointF(52, y + 4));
            p.drawLine(QPointF(68, y + 4), QPointF(104, y));
        }
        // The bookmark hangs out at the bottom.
        p.setPen(Qt::NoPen);
        p.setBrush(ribbon);
        p.drawPolygon(QPolygonF{{84, 26}, {92, 25}, {92, 99}, {88, 94}, {84, 99}});
    });
}

QIcon DemoIcon() {
    return ProductIcon();
}

}  // namespace quarrymink::demo
