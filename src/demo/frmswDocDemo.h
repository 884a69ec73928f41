// The document demonstration's window: a small rich-text editor that creates, opens and
// saves the document in which the word search finds words by their sound.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringConverter>

#include "DocMain.h"

class QAction;
class QTextDocument;
class QTextEdit;

namespace quarrymink::demo {

class frmFindWord;

/// How a plain-text file was written, so that saving it keeps its bytes' form.
struct PlainTextForm {
    QStringConverter::Encoding encoding = QStringConverter::Utf8;
    bool byteOrderMark = false;
    bool crlf = false;  ///< lines end in CR LF
};

/// Reads the file at path into document: rich text when it is RTF, plain text otherwise;
/// a ".txt" file is always read as plain text, and form (when given) tells how it was
/// written. On failure document is left as it was and error (when given) says why.
bool LoadDocumentFile(const QString& path, QTextDocument* document, QString* error = nullptr,
                      PlainTextForm* form = nullptr);
/// Writes document to path, replacing the file only when the whole text is written: as
/// plain text in form for a ".txt" file (in UTF-8 when form's encoding cannot hold the
/// text), as RTF for any other.
bool SaveDocumentFile(const QString& path, const QTextDocument& document, QString* error = nullptr,
                      const PlainTextForm& form = {});
/// Whether a document at path is kept as plain text.
bool IsPlainTextPath(const QString& path);

class frmswDocDemo final : public QMainWindow {
    Q_OBJECT
public:
    explicit frmswDocDemo(DocDemoContext context, QWidget* parent = nullptr);
    ~frmswDocDemo() override;

    QTextEdit* rtb() const { return rtb_; }
    DocumentState& Doc() { return doc_; }
    const DocumentState& Doc() const { return doc_; }
    const DocSettings& Settings() const { return settings_; }
    DocDialogs& Dialogs() const { return *context_.dialogs; }
    const QString& AppFolder() const { return context_.appFolder; }
    /// The word search window, or nullptr while it is not loaded; create loads it hidden.
    frmFindWord* FindWindow(bool create = false);

    // The menu commands. Those that may change the document ask first about unsaved
    // changes; they return false when nothing was done (cancelled, failed).
    void New();
    bool Open();
    bool Save();
    bool SaveAs();
    void Find();
    void ShowHelp();
    void ShowAbout();

    /// Makes the file at path the current document; the document's name, folder and
    /// version change only when it was read. A failure is told to the user.
    bool OpenFile(const QString& path);
    /// Saves the document to path and makes path the current document's; nothing changes
    /// when the file could not be written. A failure is told to the user.
    bool SaveFile(const QString& path);
    /// Unsaved changes are saved or discarded as the user wishes; false when the user
    /// chose to keep the document (or its save failed).
    bool MaybeSave();

    /// Sets the caption of window to the demonstration's name and the document's title.
    void SetDocCaption(QWidget* window) const;
    /// Gives the editor the window's full height, or places the word search window at the
    /// bottom inside this window and leaves the editor the room above it.
    void Arrange(bool fullHeight);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void CreateMenus();
    /// An empty new document named "temp" in the current folder.
    void ClearDocument();
    void FindWorkChanged(bool busy);
    void UpdateCommands();
    /// Arrange for whether the word search window is up.
    void Rearrange();
    /// The outer height of a window, its frame included, also before it has been framed.
    int FramedHeight(const QWidget* window) const;

    DocDemoContext context_;
    DocSettings settings_;
    DocumentState doc_;
    QTextEdit* rtb_;
    QAction* mnuNew_;
    QAction* mnuOpen_;
    QAction* mnuSave_;
    QAction* mnuSaveAs_;
    QAction* mnuExit_;
    QAction* mnuFind_;
    QAction* Help_;
    QAction* mnuAbout_;
    QPointer<frmFindWord> findWindow_;
    QSize placedFindFrame_;     // the word search window's frame size when it was last placed
    PlainTextForm plainForm_;   // of the current document, when it was read as plain text
    bool findEnabled_ = false;  // a document exists as a file to search in
    bool findBusy_ = false;
    bool closePending_ = false;
    bool closing_ = false;
};

}  // namespace quarrymink::demo
