// The help viewer.
#include "frmHelp.h"

#include <QFile>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <algorithm>

#include "DemoMain.h"
#include "demo_pictures.h"
#include "demo_prompts.h"
#include "demo_twips.h"
#include "quarrymink/widgets/about_dialog.h"
#include "rtf.h"

namespace quarrymink::demo {
namespace {

// A paragraph "TAB term TAB description" of a term list; the term's own text, or an empty
// text for any other paragraph.
QString ListTerm(const QTextBlock& block) {
    const QString text = block.text();
    if (!text.startsWith(u'\t')) return {};
    const qsizetype second = text.indexOf(u'\t', 1);
    return second > 1 ? text.mid(1, second - 1) : QString();
}

// The width of the block's text from its first tab to its second, in its own fonts.
qreal TermWidth(const QTextBlock& block, const QPaintDevice* device) {
    const qsizetype termEnd = block.text().indexOf(u'\t', 1);
    qreal width = 0;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const qsizetype start = fragment.position() - block.position();
        const qsizetype from = std::max<qsizetype>(start, 1);
        const qsizetype to = std::min<qsizetype>(start + fragment.length(), termEnd);
        if (from >= to) continue;
        const QFontMetricsF metrics(fragment.charFormat().font(), device);
        width += metrics.horizontalAdvance(block.text().mid(from, to - from));
    }
    return width;
}

}  // namespace

void IndentTermLists(QTextDocument* document, qreal lead, qreal gap, qreal widest,
                     const QPaintDevice* device) {
    QTextCursor cursor(document);
    for (QTextBlock block = document->begin(); block.isValid();) {
        if (ListTerm(block).isEmpty()) {
            block = block.next();
            continue;
        }
        // One run of term paragraphs shares the column its descriptions start in.
        QTextBlock end = block;
        qreal terms = 0;
        for (; end.isValid() && !ListTerm(end).isEmpty(); end = end.next())
            terms = std::max(terms, TermWidth(end, device));
        const qreal column = std::min(lead + terms + gap, widest);
        for (; block != end; block = block.next()) {
            QTextBlockFormat format = block.blockFormat();
            // The first line starts at the margin and tabs to the term, then to the
            // column; the lines after it wrap to the column.
            format.setTabPositions({QTextOption::Tab(lead, QTextOption::LeftTab),
                                    QTextOption::Tab(column, QTextOption::LeftTab)});
            format.setLeftMargin(column);
            format.setTextIndent(-column);
            cursor.setPosition(block.position());
            cursor.setBlockFormat(format);
        }
    }
}

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

    helpText_ = new QTextEdit(this);
    helpText_->setObjectName(QStringLiteral("RichTextBox1"));
    helpText_->setReadOnly(true);
    helpText_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    PlaceTwips(helpText_, 120, 0, 8955, 6255);
    setTabOrder(helpText_, cmdCancel);

    QFile file(HelpFile());
    if (!file.open(QIODevice::ReadOnly)) {
        loadError_ = QStringLiteral("The help file '") + HelpFile() + QStringLiteral("' cannot be read: ") +
                     file.errorString();
    } else if (QString error; !rtf::ReadRtf(file.readAll(), helpText_->document(), &error)) {
        loadError_ =
            QStringLiteral("The help file '") + HelpFile() + QStringLiteral("' cannot be shown: ") + error;
    }
    helpText_->document()->setDocumentMargin(TwipsX(this, 120));
    IndentTermLists(helpText_->document(), TwipsX(this, 240), TwipsX(this, 180), helpText_->width() * 0.45,
                    helpText_);
    helpText_->setCursorWidth(0);  // read-only: a blinking cursor would invite typing
    helpText_->moveCursor(QTextCursor::Start);
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
