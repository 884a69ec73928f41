// The keyword list of a document: every word of the editor's text with its key code,
// position and length, in a small SQLite database beside the document. The word search
// reads it through the control; this window builds it.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QString>
#include <functional>

class QLabel;
class QProgressBar;
class QTextEdit;

namespace quarrymink::demo {

struct DocumentState;

inline constexpr char kKeyListExtension[] = "qmd";

/// Gives the file name of path the extension (with or without its dot): the part from
/// the file name's last "." is replaced, or the extension is appended when the name has
/// none. Folders and a leading "." of a hidden file's name are never touched.
void SetExtension(QString& path, const QString& extension);
/// The path of the keyword database of the document at path: path with the extension
/// "qmd". Never path itself: a document that has that extension already gets ".qmd"
/// appended to its name.
QString KeyListFileName(const QString& path);
/// The first line of appFolder + "CommonWords": blank-separated lower-case words that
/// the keyword list leaves out. Throws std::runtime_error when the file cannot be read.
QString ReadCommonWords(const QString& appFolder);
/// Blank, ",", ".", ";", ":", "?", the double quote, line breaks and tab end a word; so do
/// paragraph ends, embedded objects and the no-break space of the editor's document.
bool IsWordSeparator(QChar c);
/// The run of word characters that starts at the editor's insertion point (empty when a
/// separator stands there), its start and length; the insertion point then moves past
/// the separator that follows the run, or to the end of the text.
QString GetNextWord(QTextEdit* editor, int& start, int& length);

/// The modal window "Preparing Keyword File". Run shows it, builds the keyword list of
/// the document in the editor and closes it again.
class frmKeyPrepare final : public QDialog {
    Q_OBJECT
public:
    /// The key code of a word (the word search's own control makes them).
    using KeyCoder = std::function<QString(const QString& word)>;

    /// appFolder holds the common-word list.
    frmKeyPrepare(QWidget* owner, QTextEdit* editor, DocumentState& doc, KeyCoder makeCode,
                  QString appFolder);
    ~frmKeyPrepare() override;

    /// Shows the window beside its owner, prepares the list and closes; true when the
    /// list was built. Otherwise ErrorText() tells why, or is empty when it was stopped.
    bool Run();

    /// Builds the keyword list from scratch from the editor's text, in one
    /// transaction: when it fails or is stopped the previous list stays as it was. Sets
    /// the document's KeyListPath. Lets events through while it runs.
    bool PrepareKeyWordList(QTextEdit* editor);

    /// Asks the preparation to stop at its next word (or not to begin).
    void RequestStop() { stopRequested_ = true; }
    bool Running() const { return running_; }
    const QString& ErrorText() const { return error_; }
    /// Records added by the last preparation.
    int WordsStored() const { return wordsStored_; }

protected:
    /// Esc or the window's close button stop the preparation; the window closes when the
    /// work has stopped.
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool LetEventsThrough(int position, int total);

    QTextEdit* editor_;
    DocumentState& doc_;
    KeyCoder makeCode_;
    QString appFolder_;
    QLabel* label_;
    QProgressBar* progress_;
    QString error_;
    QElapsedTimer sinceEvents_;
    bool running_ = false;
    bool stopRequested_ = false;
    bool succeeded_ = false;
    int wordsStored_ = 0;
};

}  // namespace quarrymink::demo
