// The start window.
#include "frmSelectDemo.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>

#include "DemoMain.h"
#include "DocMain.h"
#include "demo_pictures.h"
#include "demo_twips.h"
#include "frmMakeMDB.h"
#include "frmswDbaseDemo.h"

namespace quarrymink::demo {
namespace {

const QColor kLightGrey(192, 192, 192);

QLabel* Picture(QWidget* parent, const char* name, int left, int top, int width, int height,
                QPixmap (*draw)(QSize)) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    PlaceTwips(label, left, top, width, height);
    label->setPixmap(draw(label->size()));
    return label;
}

QPushButton* DemoButton(QWidget* parent, const char* name, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    QFont font = button->font();
    font.setPointSizeF(13.5);
    font.setBold(true);
    button->setFont(font);
    return button;
}

}  // namespace

frmSelectDemo::frmSelectDemo(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frmSelectDemo"));
    setWindowTitle(QLatin1String(kDemoCaption));
    setWindowIcon(DemoIcon());
    setFixedSize(TwipsSize(this, 7290, 5835));

    lblTitle_ = new QLabel(QStringLiteral("Q u a r r y m i n k"), this);
    lblTitle_->setObjectName(QStringLiteral("Label1"));
    QFont titleFont = lblTitle_->font();
    titleFont.setPointSize(24);
    titleFont.setBold(true);
    lblTitle_->setFont(titleFont);
    lblTitle_->setAlignment(Qt::AlignCenter);
    PlaceTwips(lblTitle_, 1920, 240, 3855, 675);
    // The spaced title is wider than its design place in most fonts: it grows on both
    // sides rather than being cut.
    const int titleWidth = lblTitle_->fontMetrics().horizontalAdvance(lblTitle_->text()) + TwipsX(this, 120);
    if (titleWidth > lblTitle_->width()) {
        const int centre = lblTitle_->geometry().center().x();
        const int left = std::max(0, centre - titleWidth / 2);
        lblTitle_->setGeometry(left, lblTitle_->y(), std::min(titleWidth, width() - left),
                               lblTitle_->height());
    }

    demoFrame_ = new QGroupBox(this);
    demoFrame_->setObjectName(QStringLiteral("Frame1"));
    PlaceTwips(demoFrame_, 0, 1080, 7275, 4035);
    dbasePicture_ = Picture(demoFrame_, "Image1", 180, 300, 1695, 1395, CardIndexPicture);
    cmdDbase = DemoButton(demoFrame_, "cmdDbase", QStringLiteral("Database Demo"));
    PlaceTwips(cmdDbase, 2760, 660, 2715, 555);
    separator_ = new QFrame(demoFrame_);
    separator_->setObjectName(QStringLiteral("Line1"));
    separator_->setFrameShape(QFrame::HLine);
    separator_->setFrameShadow(QFrame::Sunken);
    const QRect line = TwipsRect(demoFrame_, 60, 2100, 7200 - 60, 0);
    separator_->setGeometry(line.x(), line.y() - 1, line.width(), 3);
    docPicture_ = Picture(demoFrame_, "Image2", 180, 2400, 1695, 1455, OpenBookPicture);
    cmdDoc = DemoButton(demoFrame_, "cmdDoc", QStringLiteral("Document Demo"));
    PlaceTwips(cmdDoc, 2820, 2880, 2595, 495);

    // The mascot's design place lies under the title, where the two would be drawn over
    // each other: it walks along the bottom of the window instead.
    logoPicture_ = Picture(this, "Image3", 240, 5160, 1875, 615, MascotPicture);

    cmdCancel = new QPushButton(QStringLiteral("E&xit"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    PlaceTwips(cmdCancel, 3000, 5280, 1575, 435);
    // Exit is the window's cancel button: Esc presses it.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, cmdCancel, &QPushButton::click);

    setTabOrder(cmdCancel, cmdDbase);
    setTabOrder(cmdDbase, cmdDoc);
    cmdCancel->setFocus();

    connect(cmdDbase, &QPushButton::clicked, this, &frmSelectDemo::ShowDatabaseDemo);
    connect(cmdDoc, &QPushButton::clicked, this, &frmSelectDemo::ShowDocumentDemo);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSelectDemo::Exit);
}

frmMakeMDB* frmSelectDemo::Construction() const {
    return construction_;
}

bool frmSelectDemo::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        const bool handled = QWidget::event(event);
        Activated();
        return handled;
    }
    if (event->type() == QEvent::WindowDeactivate) {
        // Behind the other programs' windows when the user turns to them. Not behind its
        // own windows' backs: lowered while the construction window or a demonstration
        // has the focus, it would be out of sight when they close.
        const bool handled = QWidget::event(event);
        if (!QApplication::activeWindow()) lower();
        return handled;
    }
    return QWidget::event(event);
}

void frmSelectDemo::Activated() {
    raise();
    QPalette grey = palette();
    grey.setColor(QPalette::Window, kLightGrey);
    grey.setColor(QPalette::Button, kLightGrey);
    setPalette(grey);
    setAutoFillBackground(true);
    for (QWidget* w : {static_cast<QWidget*>(demoFrame_), static_cast<QWidget*>(cmdCancel),
                       static_cast<QWidget*>(cmdDbase), static_cast<QWidget*>(cmdDoc)}) {
        w->setPalette(grey);
    }

    // Only the plant database's presence decides, whatever the case of its letters: the
    // construction writes "Plants.mdb".
    if (construction_ || constructionFailed_) return;
    if (FileExistsIgnoringCase(AppFolder(), QStringLiteral("plants.mdb"))) return;
    construction_ = new frmMakeMDB(this);
    construction_->setAttribute(Qt::WA_DeleteOnClose);
    construction_->setDataFolder(AppFolder());
    connect(construction_, &frmMakeMDB::Finished, this, [this](bool ok) {
        construction_ = nullptr;
        if (!ok) constructionFailed_ = true;
        emit ConstructionFinished(ok);
    });
    construction_->show();
}

void frmSelectDemo::ShowDatabaseDemo() {
    frmswDbaseDemo demo(this);
    demo.exec();
}

void frmSelectDemo::ShowDocumentDemo() {
    ::ShowDocumentDemo(this);
}

void frmSelectDemo::Exit() {
    // The demonstration windows go first; one that keeps itself open (a document with
    // unsaved changes whose user cancels) keeps the program running.
    QApplication::closeAllWindows();
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible()) return;
    }
    QCoreApplication::quit();
}

}  // namespace quarrymink::demo
