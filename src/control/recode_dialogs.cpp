// The recode question and the recoding note, placed by their twips measures.
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

#include "quarrymink/widgets/pictures.h"
#include "quarrymink/widgets/twips.h"
#include "recode_dialogs_p.h"

namespace quarrymink {

RecodeWarningDialog::RecodeWarningDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("frmRecodeWarn"));
    setWindowTitle(QStringLiteral("Code Version Warning"));
    setWindowIcon(RecodeWarningIcon());
    setModal(true);
    setFixedSize(TwipsToPixels(*this, 4725, 1530));

    label1_ = new QLabel(QString::fromStdU16String(std::u16string(messages::kRecodeWarning)), this);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->setWordWrap(true);
    label1_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label1_->setGeometry(TwipsToPixels(*this, 120, 180, 4455, 675));

    const auto button = [this](const char* name, const QString& text, int left) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(TwipsToPixels(*this, left, 1020, 1335, 375));
        return b;
    };
    cmdRecode_ = button("cmdRecode", QStringLiteral("Recode Table"), 180);
    cmdCancel_ = button("cmdCancel", QStringLiteral("Cancel"), 1680);
    cmdContinue_ = button("cmdContinue", QStringLiteral("Continue Search"), 3180);
    FitToFont();
    cmdRecode_->setDefault(true);
    setTabOrder(cmdRecode_, cmdCancel_);
    setTabOrder(cmdCancel_, cmdContinue_);
    cmdRecode_->setFocus();

    connect(cmdRecode_, &QPushButton::clicked, this, [this] { Choose(RecodeChoice::RecodeTable); });
    connect(cmdCancel_, &QPushButton::clicked, this, [this] { Choose(RecodeChoice::Cancel); });
    connect(cmdContinue_, &QPushButton::clicked, this, [this] { Choose(RecodeChoice::ContinueSearch); });
}

void RecodeWarningDialog::FitToFont() {
    // The measures suit the small fonts the dialog was designed with. Where the font in
    // use needs more room, the buttons widen (keeping their gaps), the text gets the lines
    // it needs, and the dialog grows with them.
    int buttonWidth = cmdRecode_->width();
    for (const QPushButton* b : {cmdRecode_, cmdCancel_, cmdContinue_})
        buttonWidth = std::max(buttonWidth, b->sizeHint().width());
    const int gap = TwipsToPixelsX(*this, 1680 - 180 - 1335);
    const int left = cmdRecode_->x();
    const int rightMargin = width() - cmdContinue_->geometry().right() - 1;
    const int dialogWidth = std::max(width(), left + 3 * buttonWidth + 2 * gap + rightMargin);

    const int labelWidth = dialogWidth - label1_->x() - (width() - label1_->geometry().right() - 1);
    const int labelHeight = std::max(label1_->height(), label1_->heightForWidth(labelWidth));
    const int grow = labelHeight - label1_->height();
    label1_->resize(labelWidth, labelHeight);

    int x = left;
    for (QPushButton* b : {cmdRecode_, cmdCancel_, cmdContinue_}) {
        b->setGeometry(x, b->y() + grow, buttonWidth, b->height());
        x += buttonWidth + gap;
    }
    setFixedSize(dialogWidth, height() + grow);
}

void RecodeWarningDialog::Choose(RecodeChoice choice) {
    choice_ = choice;
    accept();
}

void RecodeWarningDialog::keyPressEvent(QKeyEvent* event) {
    // Esc is the Cancel button; closing the window by its frame is no answer at all.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cmdCancel_->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

RecodeNote::RecodeNote(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus) {
    setObjectName(QStringLiteral("frmRecodeMsg"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(TwipsToPixels(*this, 3330, 630));
    setAutoFillBackground(true);

    shape1_ = new QFrame(this);
    shape1_->setObjectName(QStringLiteral("Shape1"));
    shape1_->setFrameStyle(QFrame::Box | QFrame::Plain);
    shape1_->setLineWidth(1);
    shape1_->setGeometry(TwipsToPixels(*this, 0, 0, 3315, 615));

    label1_ = new QLabel(QStringLiteral("Recoding Keys . . ."), this);
    label1_->setObjectName(QStringLiteral("Label1"));
    QFont font = label1_->font();
    font.setPointSizeF(9.75);
    font.setBold(true);
    label1_->setFont(font);
    QPalette palette = label1_->palette();
    palette.setColor(QPalette::WindowText, Qt::red);
    label1_->setPalette(palette);
    label1_->setAlignment(Qt::AlignCenter);
    constexpr int kFormWidth = 3330, kLabelWidth = 1950;
    label1_->setGeometry(TwipsToPixels(*this, (kFormWidth - kLabelWidth) / 2, 180, kLabelWidth, 240));
}

void RecodeNote::ShowCentred() {
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        QRect area = rect();
        area.moveCenter(screen->geometry().center());
        move(area.topLeft());
    }
    show();
    raise();
}

}  // namespace quarrymink
