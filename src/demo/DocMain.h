// The document demonstration: its start routine, the state of the current document that
// the editor window, the word search and the keyword preparation share, its settings, and
// the dialogs it asks the user with (replaceable, so that tests can answer them).
#pragma once

#include <QMessageBox>
#include <QString>
#include <memory>
#include <utility>

class QWidget;

/// Opens the document demonstration beside owner (the start window), non-modally.
void ShowDocumentDemo(QWidget* owner);

namespace quarrymink::demo {

/// The application name under which the document demonstration keeps its settings.
inline constexpr char kDocAppName[] = "qmDocDemo";
/// The title, and bare name, of a document that has not been saved yet.
inline constexpr char kNewDocTitle[] = "temp";

/// The current document of the document demonstration.
struct DocumentState {
    QString appName = QString::fromLatin1(kDocAppName);  ///< DocAppName
    QString title;                                       ///< DocTitle: bare file name
    QString dir;                                         ///< DocDir: folder, with a trailing '/'
    QString path;                                        ///< DocPath: full path
    /// DocChanged: the text changed since the document got its version. Unsaved changes
    /// are the editor document's "modified" flag; the word search clears this one.
    bool changed = false;
    qint32 version = 1;         ///< DocVersion
    qint32 keyListVersion = 0;  ///< KeyListVersion: the version the keyword list was built for
    QString keyListPath;        ///< KeyListPath: the keyword database beside the document
};

/// The document demonstration's settings under one application name. A document's own
/// settings live in the section named by its full path.
class DocSettings {
public:
    explicit DocSettings(QString appName) : appName_(std::move(appName)) {}

    /// "frmswDocDemo"/"DocumentDir": the folder of the document opened last.
    QString DocumentDir() const;
    void SetDocumentDir(const QString& dir) const;

    /// "DocVersion" of the document at docPath, 1 when there is none.
    qint32 DocVersion(const QString& docPath) const;
    void SetDocVersion(const QString& docPath, qint32 version) const;
    /// "KeyVersion": the document version its keyword list was built for, 0 when none.
    qint32 KeyVersion(const QString& docPath) const;
    void SetKeyVersion(const QString& docPath, qint32 version) const;
    /// A version number that neither the document at docPath nor its keyword list has had,
    /// and above current: a new text gets it, so that no list is ever taken as current for
    /// a text it was not built from, also after changes that were discarded.
    qint32 NextVersion(const QString& docPath, qint32 current) const;

    /// "frmFindWord"/"chkQuarrymink": the word search turns to the control.
    bool UseQuarrymink() const;
    void SetUseQuarrymink(bool use) const;

private:
    qint32 ReadNumber(const QString& section, const QString& key, qint32 defaultValue) const;
    QString appName_;
};

/// The questions and notices of the document demonstration.
class DocDialogs {
public:
    enum class Answer { Save, Discard, Cancel };

    virtual ~DocDialogs();
    /// The file to open or to save to, or an empty text when the user cancels.
    virtual QString OpenFileName(QWidget* parent, const QString& title, const QString& folder,
                                 const QString& filter) = 0;
    virtual QString SaveFileName(QWidget* parent, const QString& title, const QString& folder,
                                 const QString& filter) = 0;
    /// The document named title has unsaved changes: save them, discard them, or stay.
    virtual Answer AskToSave(QWidget* parent, const QString& title) = 0;
    /// A message with an OK button, under the application's title.
    virtual void Message(QWidget* parent, QMessageBox::Icon icon, const QString& text) = 0;
    /// The help viewer with the help file at path, modally.
    virtual void ShowHelp(QWidget* parent, const QString& path) = 0;
    /// The about box of the demonstration, modally.
    virtual void ShowAbout(QWidget* parent) = 0;
    virtual void Beep() = 0;
};

/// The platform's file dialogs and message boxes, the help viewer and the about box.
std::shared_ptr<DocDialogs> StandardDocDialogs();

/// Where the document demonstration finds its data files, and how it asks the user.
struct DocDemoContext {
    QString appFolder;  ///< data folder with a trailing separator, or empty for the current one
    std::shared_ptr<DocDialogs> dialogs;
    QString appName = QString::fromLatin1(kDocAppName);
};

}  // namespace quarrymink::demo
