// The keyword list of a document and the window that builds it.
#include "frmKeyPrepare.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QScreen>
#include <QScrollBar>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <stdexcept>

#include "DocMain.h"
#include "demo_twips.h"
#include "quarrymink/database.h"
#include "quarrymink/keyword_list.h"

namespace quarrymink::demo {
namespace {

std::u16string U16(const QString& text) {
    return text.toStdU16String();
}

QSet<QString> CommonWordSet(const QString& commonWords) {
    const QStringList words = commonWords.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return QSet<QString>(words.begin(), words.end());
}

// The editor's selection, scroll position and painting, held still while the preparation
// walks the insertion point through the text word by word.
class EditorFreeze {
public:
    explicit EditorFreeze(QTextEdit* editor)
        : editor_(editor),
          cursor_(editor->textCursor()),
          horizontal_(editor->horizontalScrollBar()->value()),
          vertical_(editor->verticalScrollBar()->value()),
          updates_(editor->updatesEnabled()) {
        editor_->setUpdatesEnabled(false);
    }
    ~EditorFreeze() {
        if (!editor_) return;
        editor_->setTextCursor(cursor_);
        editor_->horizontalScrollBar()->setValue(horizontal_);
        editor_->verticalScrollBar()->setValue(vertical_);
        editor_->setUpdatesEnabled(updates_);
    }
    EditorFreeze(const EditorFreeze&) = delete;
    EditorFreeze& operator=(const EditorFreeze&) = delete;

private:
    QPointer<QTextEdit> editor_;
    QTextCursor cursor_;
    int horizontal_, vertical_;
    bool updates_;
};

}  // namespace

void SetExtension(QString& path, const QString& extension) {
    QString suffix = extension;
    if (suffix.startsWith(QLatin1Char('.'))) suffix.remove(0, 1);
    qsizetype nameStart = path.lastIndexOf(QLatin1Char('/')) + 1;
#ifdef Q_OS_WIN
    nameStart = std::max(nameStart, path.lastIndexOf(QLatin1Char('\\')) + 1);
#endif
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    // A dot that starts the name (".notes") belongs to the name, not to an extension.
    if (dot > nameStart) path.truncate(dot);
    path += QLatin1Char('.') + suffix;
}

QString KeyListFileName(const QString& path) {
    QString keyList = path;
    SetExtension(keyList, QString::fromLatin1(kKeyListExtension));
    // "story.qmd" would be the document itself (also as "story.QMD" where names ignore case).
    if (keyList.compare(path, Qt::CaseInsensitive) == 0)
        keyList = path + QLatin1Char('.') + QString::fromLatin1(kKeyListExtension);
    return keyList;
}

QString ReadCommonWords(const QString& appFolder) {
    const QString path = appFolder + QStringLiteral("CommonWords");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw std::runtime_error(QStringLiteral("The list of common words %1 cannot be read: %2")
                                     .arg(path, file.errorString())
                                     .toStdString());
    QByteArray line = file.readLine();
    while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
    return QString::fromUtf8(line);
}

bool IsWordSeparator(QChar c) {
    switch (c.unicode()) {
        case u' ':
        case u',':
        case u'.':
        case u';':
        case u':':
        case u'?':
        case u'"':
        case u'\r':
        case u'\n':
        case u'\t':
        case QChar::Nbsp:
        case QChar::ParagraphSeparator:
        case QChar::LineSeparator:
        case QChar::ObjectReplacementCharacter:
        case 0xFDD0:  // beginning and end of a frame (tables) in the editor's document
        case 0xFDD1:
            return true;
        default:
            return false;
    }
}

QString GetNextWord(QTextEdit* editor, int& start, int& length) {
    const QTextDocument* document = editor->document();
    const int total = document->characterCount() - 1;
    QTextCursor cursor = editor->textCursor();
    start = std::min(cursor.position(), total);
    int end = start;
    while (end < total && !IsWordSeparator(document->characterAt(end))) ++end;
    length = end - start;
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    const QString word = cursor.selectedText();
    cursor.setPosition(std::min(end + 1, total));
    editor->setTextCursor(cursor);
    return word;
}

frmKeyPrepare::frmKeyPrepare(QWidget* owner, QTextEdit* editor, DocumentState& doc, KeyCoder makeCode,
                             QString appFolder)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint),
      editor_(editor),
      doc_(doc),
      makeCode_(std::move(makeCode)),
      appFolder_(std::move(appFolder)) {
    setObjectName(QStringLiteral("frmKeyPrepare"));
    setWindowTitle(QGuiApplication::applicationDisplayName());
    setModal(true);
    setFixedSize(TwipsSize(this, 3615, 1095));
    label_ = new QLabel(QStringLiteral("Preparing Keyword File"), this);
    label_->setObjectName(QStringLiteral("Label1"));
    label_->setAlignment(Qt::AlignCenter);
    PlaceTwips(label_, 120, 120, 3375, 375);
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("ProgressBar1"));
    progress_->setRange(0, 100);
    progress_->setTextVisible(false);
    PlaceTwips(progress_, 120, 600, 3375, 255);
}

frmKeyPrepare::~frmKeyPrepare() = default;

bool frmKeyPrepare::Run() {
    // Directly to the right of the word search window, kept on its screen.
    if (QWidget* owner = parentWidget()) {
        const QRect frame = owner->frameGeometry();
        QPoint at(frame.right() + 1, frame.top());
        if (const QScreen* screen = owner->screen()) {
            const QRect room = screen->availableGeometry();
            at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() - width())));
            at.setY(std::clamp(at.y(), room.top(), std::max(room.top(), room.bottom() - height())));
        }
        move(at);
    }
    succeeded_ = false;
    running_ = true;  // from here on a close waits for the work
    QTimer::singleShot(0, this, [this] {
        QCoreApplication::processEvents();  // the window shows before the work starts
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        succeeded_ = PrepareKeyWordList(editor_);
        QGuiApplication::restoreOverrideCursor();
        done(succeeded_ ? Accepted : Rejected);
    });
    exec();
    return succeeded_;
}

bool frmKeyPrepare::PrepareKeyWordList(QTextEdit* editor) {
    running_ = true;
    error_.clear();
    wordsStored_ = 0;
    doc_.keyListPath = KeyListFileName(doc_.path);
    bool built = false;
    try {
        const QSet<QString> commonWords = CommonWordSet(ReadCommonWords(appFolder_));
        EditorFreeze freeze(editor);
        KeywordListWriter list(
            QFile::encodeName(doc_.keyListPath).toStdString(), [this](std::u16string_view word) {
                return U16(makeCode_(QString::fromUtf16(word.data(), static_cast<qsizetype>(word.size()))));
            });
        const int total = editor->document()->characterCount() - 1;
        QTextCursor cursor = editor->textCursor();
        cursor.setPosition(0);
        editor->setTextCursor(cursor);
        int start = 0, length = 0;
        bool stopped = stopRequested_;
        while (!stopped) {
            const QString word = GetNextWord(editor, start, length);
            if (length >= 1 && length <= list.WordFieldSize() && !commonWords.contains(word.toLower()) &&
                list.Add(U16(word), start, length))
                ++wordsStored_;
            if (!LetEventsThrough(start, total))
                stopped = true;
            else if (start >= total)
                break;
        }
        if (!stopped) {
            list.Commit();
            built = true;
        }
    } catch (const DbError& e) {
        error_ = QStringLiteral("The keyword list %1 could not be prepared:\n\n%2")
                     .arg(doc_.keyListPath, QString::fromUtf8(e.what()));
    } catch (const std::exception& e) {
        error_ =
            QStringLiteral("The keyword list could not be prepared:\n\n%1").arg(QString::fromUtf8(e.what()));
    }
    if (!built) wordsStored_ = 0;
    running_ = false;
    return built;
}

bool frmKeyPrepare::LetEventsThrough(int position, int total) {
    static constexpr int kIntervalMs = 40;
    if (!sinceEvents_.isValid() || sinceEvents_.elapsed() >= kIntervalMs) {
        if (total > 0) progress_->setValue(static_cast<int>(100LL * position / total));
        QCoreApplication::processEvents();
        sinceEvents_.restart();
    }
    return !stopRequested_;
}

void frmKeyPrepare::reject() {
    if (running_) {
        RequestStop();
        return;
    }
    QDialog::reject();
}

void frmKeyPrepare::closeEvent(QCloseEvent* event) {
    if (running_) {
        RequestStop();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

}  // namespace quarrymink::demo
