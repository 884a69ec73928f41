// The toolbox picture is drawn here: a small list with a magnifying glass over it.
#include "qm_designer_plugin.h"

#include <QIcon>
#include <QPainter>
#include <QPixmap>

#include "quarrymink/qm.h"

namespace {

QPixmap ToolboxPicture(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    // The control's frame with three list rows.
    p.setPen(QPen(QColor(0x55, 0x55, 0x55), s / 16.0));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(s * 0.04, s * 0.06, s * 0.80, s * 0.84), s * 0.08, s * 0.08);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3a, 0x8d, 0x3a));
    p.drawRect(QRectF(s * 0.12, s * 0.16, s * 0.50, s * 0.08));  // progress
    p.setBrush(QColor(0x9a, 0x9a, 0x9a));
    for (int row = 0; row < 3; ++row)
        p.drawRect(QRectF(s * 0.12, s * (0.36 + 0.15 * row), s * 0.56, s * 0.06));
    // The lens.
    const QColor blue(0x1f, 0x5f, 0xa8);
    p.setPen(QPen(blue, s / 10.0));
    p.setBrush(QColor(255, 255, 255, 150));
    p.drawEllipse(QRectF(s * 0.46, s * 0.44, s * 0.34, s * 0.34));
    p.setPen(QPen(blue, s / 8.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.76, s * 0.74), QPointF(s * 0.94, s * 0.94));
    return pixmap;
}

}  // namespace

QMDesignerPlugin::QMDesignerPlugin(QObject* parent) : QObject(parent) {}

QString QMDesignerPlugin::name() const {
    return QStringLiteral("QM");
}
QString QMDesignerPlugin::group() const {
    return QStringLiteral("Quarrymink");
}
QString QMDesignerPlugin::toolTip() const {
    return QStringLiteral("Quarrymink inexact-match search");
}
QString QMDesignerPlugin::whatsThis() const {
    return QString::fromLatin1(quarrymink::typelib::kDescription);
}
QString QMDesignerPlugin::includeFile() const {
    return QStringLiteral("quarrymink/qm.h");
}

QIcon QMDesignerPlugin::icon() const {
    QIcon icon;
    for (const int size : {16, 24, 32}) icon.addPixmap(ToolboxPicture(size));
    return icon;
}

bool QMDesignerPlugin::isContainer() const {
    return false;
}

QWidget* QMDesignerPlugin::createWidget(QWidget* parent) {
    return new QM(parent);
}

bool QMDesignerPlugin::isInitialized() const {
    return initialized_;
}
void QMDesignerPlugin::initialize(QDesignerFormEditorInterface*) {
    initialized_ = true;
}

QString QMDesignerPlugin::domXml() const {
    // A new control gets the design size, 2550 x 1860 twips at 96 dots per inch.
    return QStringLiteral(R"(<ui language="c++">
  <widget class="QM" name="QM1">
    <property name="geometry">
      <rect><x>0</x><y>0</y><width>170</width><height>124</height></rect>
    </property>
    <property name="toolTip"><string>Quarrymink inexact-match search</string></property>
  </widget>
</ui>
)");
}
