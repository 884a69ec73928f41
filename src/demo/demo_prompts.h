// The questions the demonstration puts to the user through the platform's dialogs: the
// file dialog, yes/no questions and messages. They go through one replaceable object, so
// that a test can answer them without a person at the screen.
#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

namespace quarrymink::demo {

/// What an Open dialog is shown with.
struct OpenFileRequest {
    QString title;
    QString initialFolder;  ///< empty: the current folder
    QString filter;         ///< Qt's form: "Databases (*.mdb)"
    QString fileName;       ///< proposed file name, may be empty
};

class Prompts {
public:
    virtual ~Prompts() = default;
    /// The chosen file's full path, or an empty text when the user cancelled.
    virtual QString OpenFile(QWidget* parent, const OpenFileRequest& request) = 0;
    virtual QMessageBox::StandardButton Ask(QWidget* parent, const QString& title, const QString& text,
                                            QMessageBox::StandardButtons buttons, QMessageBox::Icon icon) = 0;
    virtual void Tell(QWidget* parent, const QString& title, const QString& text, QMessageBox::Icon icon) = 0;
};

/// The prompts in use: the platform's dialogs unless a replacement was installed.
Prompts& CurrentPrompts();
/// Installs a replacement (not owned); nullptr goes back to the platform's dialogs.
void SetPrompts(Prompts* prompts);

}  // namespace quarrymink::demo
