// The system-information window of the about box: what a user pastes into a bug report
// (the program, the operating system, Qt, processor, memory, screens and the database
// libraries), with a button that copies it.
#pragma once

#include <QDialog>
#include <QString>

class QPlainTextEdit;
class QPushButton;

namespace quarrymink::platform {

/// The report, one "name: value" line each, ended by a line break.
QString SystemInfoText();

class SystemInfoDialog final : public QDialog {
    Q_OBJECT
public:
    explicit SystemInfoDialog(QWidget* parent = nullptr);

    QString Text() const { return text_; }

public Q_SLOTS:
    /// Puts the whole report on the clipboard.
    void CopyToClipboard();

private:
    QString text_;
    QPlainTextEdit* txtInfo_;
    QPushButton* cmdCopy_;
    QPushButton* cmdClose_;
};

}  // namespace quarrymink::platform
