// The help viewer.
#include "frmHelp.h"

#include <QFile>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>

#include "DemoMain.h"
#include "about_dialog_p.h"
#include "demo_pictures.h"
#include "demo_prompts.h"
#include "demo_twips.h"
#include "rtf/rtf.h"

namespace quarrymink::demo {

frmHelp::frmHelp(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("frmHelp"));
    setWindowIcon(DemoIcon());
    setWindowTitle(QLatin1String(kDemoCaption) + QStringLiteral(" Help"));
    setFixedSize(TwipsSize(this, 9135, 6300));

    // The button is the window's cancel button and lies under the text, out of sight:
    // Esc, or the close box, ends the viewer.
    cmdCancel = new QPushButton(QStringLiteral("Command1"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);
    PlaceTwips(cmdCancel, 2820, 5100, 1275, 315);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    RichTextBox1 = new QTextEdit(this);
    RichTextBox1->setObjectName(QStringLiteral("RichTextBox1"));
    RichTextBox1->setReadOnly(true);
    RichTextBox1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    PlaceTwips(RichTextBox1, 120, 0, 8955, 6255);
    setTabOrder(RichTextBox1, cmdCancel);

    QFile file(HelpFile());
    if (!file.open(QIODevice::ReadOnly)) {
        loadError_ = QStringLiteral("The help file '") + HelpFile() + QStringLiteral("' cannot be read: ") +
                     file.errorString();
    } else if (QString error; !rtf::ReadRtf(file.readAll(), RichTextBox1->document(), &error)) {
        loadError_ =
            QStringLiteral("The help file '") + HelpFile() + QStringLiteral("' cannot be shown: ") + error;
    }
    RichTextBox1->document()->setDocumentMargin(TwipsX(this, 120));
    RichTextBox1->moveCursor(QTextCursor::Start);
}

void frmHelp::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (loadError_.isEmpty() || errorTold_) return;
    errorTold_ = true;
    QTimer::singleShot(
        0, this, [this] { CurrentPrompts().Tell(this, windowTitle(), loadError_, QMessageBox::Critical); });
}

void ShowHelp(QWidget* parent, const QString& path) {
    SetHelpFile(path);
    frmHelp help(parent);
    help.exec();
}

void ShowDemoAbout(QWidget* parent) {
    AboutDialog about(QLatin1String(kAppTitle), kAppVersion[0], kAppVersion[1], kAppVersion[2], parent);
    about.exec();
}

}  // namespace quarrymink::demo
