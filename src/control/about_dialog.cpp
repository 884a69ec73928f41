// The about box, placed by its twips measures.
#include "quarrymink/widgets/about_dialog.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <algorithm>

#include "quarrymink/keycoding.h"
#include "quarrymink/widgets/pictures.h"
#include "quarrymink/widgets/twips.h"
#include "resources_p.h"
#include "system_info_p.h"

namespace quarrymink {

AboutDialog::AboutDialog(const QString& title, int major, int minor, int revision, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("dlgAbout"));
    setWindowTitle(QStringLiteral("About ") + title);
    setWindowIcon(ProductIcon());
    setModal(true);
    setFixedSize(TwipsToPixels(*this, 5730, 4065));

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("picIcon"));
    const QRect pictureRect = TwipsToPixels(*this, 240, 240, 480, 480);
    picture->setPixmap(ProductIcon().pixmap(pictureRect.size()));
    picture->setGeometry(pictureRect);

    lblTitle_ = new QLabel(title, this);
    lblTitle_->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = lblTitle_->font();
    titleFont.setPointSizeF(13.5);
    titleFont.setBold(true);
    lblTitle_->setFont(titleFont);
    lblTitle_->setGeometry(TwipsToPixels(*this, 840, 240, 3885, 480));

    lblVersion_ = new QLabel(QStringLiteral("Version: %1.%2.%3").arg(major).arg(minor).arg(revision), this);
    lblVersion_->setObjectName(QStringLiteral("lblVersion"));
    lblVersion_->setGeometry(TwipsToPixels(*this, 840, 780, 3885, 225));

    // Our fonts need more height for the description than the design gave it: the box
    // grows to show every line (up to twice the design's height; a longer text scrolls).
    auto* area = new QScrollArea(this);
    area->setObjectName(QStringLiteral("descriptionArea"));
    area->setFrameShape(QFrame::NoFrame);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setWidgetResizable(true);
    area->setGeometry(TwipsToPixels(*this, 840, 1125, 3885, 2250));
    lblDescription_ = new QLabel(area);
    lblDescription_->setObjectName(QStringLiteral("lblDescription"));
    lblDescription_->setText(
        DescriptionText().replace(QStringLiteral("\r\n"), QStringLiteral("\n")).trimmed());
    lblDescription_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblDescription_->setWordWrap(true);
    lblDescription_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    area->setWidget(lblDescription_);
    area->viewport()->setAutoFillBackground(false);
    lblDescription_->setAutoFillBackground(false);

    const int designHeight = area->height();
    const int needed = lblDescription_->heightForWidth(area->width());
    const int extra = std::clamp(needed - designHeight, 0, designHeight);
    area->resize(area->width(), designHeight + extra);
    setFixedSize(width(), height() + extra);

    cmdOK_ = new QPushButton(QStringLiteral("OK"), this);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdOK_->setGeometry(TwipsToPixels(*this, 840, 3540, 1260, 345).translated(0, extra));
    cmdOK_->setDefault(true);
    cmdSysInfo_ = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo_->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo_->setGeometry(TwipsToPixels(*this, 3480, 3540, 1245, 345).translated(0, extra));
    cmdSysInfo_->setAutoDefault(false);
    setTabOrder(cmdOK_, cmdSysInfo_);
    setTabOrder(cmdSysInfo_, area);
    cmdOK_->setFocus();

    // OK is both the default and the cancel button: Enter and Esc close the box.
    connect(cmdOK_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo_, &QPushButton::clicked, this, &AboutDialog::StartSysInfo);
}

QString AboutDialog::DescriptionText() {
    return QString::fromStdU16String(ReadResLines(201));
}

void AboutDialog::StartSysInfo() {
    // On the heap: a host that deletes the box while the window is up deletes it too.
    QPointer<platform::SystemInfoDialog> info = new platform::SystemInfoDialog(this);
    info->exec();
    delete info;
}

}  // namespace quarrymink
