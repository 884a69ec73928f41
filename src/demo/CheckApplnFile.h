// The dialog that finds the demonstration's data folder: it looks for a marker file and,
// when the file is nowhere to be found, asks the user to browse to it.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QLabel;
class QPushButton;

namespace quarrymink::demo {

class CheckApplnFile final : public QDialog {
    Q_OBJECT
public:
    explicit CheckApplnFile(QWidget* parent = nullptr);

    /// The file whose presence marks the data folder; set before AppFilesFolder.
    void setApplnFile(const QString& name) { applnFile_ = name; }
    QString ApplnFile() const { return applnFile_; }
    /// Folders tried after the saved one and before asking (see DataFolderCandidates).
    void setCandidateFolders(const QStringList& folders) { candidates_ = folders; }

    /// The data folder: the saved one when it holds the marker file, else the first
    /// candidate that does, else the folder the user browses to (the dialog is shown
    /// modally). Read Cancelled afterwards.
    QString AppFilesFolder();
    /// True when the user gave up, in this dialog or in its file dialog.
    bool Cancelled() const { return cancelled_; }

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Browse();
    bool HoldsApplnFile(const QString& folder) const;

    QLabel* lblQuestion_;
    QPushButton* cmdBrowse;
    QPushButton* cmdCancel;

    QString applnFile_;
    QString folder_;
    QString extension_;
    QStringList candidates_;
    bool cancelled_ = false;
};

}  // namespace quarrymink::demo
