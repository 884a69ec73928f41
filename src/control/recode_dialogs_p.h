// The two windows of a recode: the question asked when a table's key codes come from
// another version of the coding, and the note shown while a hidden control recodes.
#pragma once

#include <QDialog>
#include <QWidget>

#include "quarrymink/search.h"

class QLabel;
class QPushButton;
class QFrame;

namespace quarrymink {

/// "Code Version Warning": Recode Table, Cancel or Continue Search. Each showing starts
/// with no answer; closing the window without a button leaves it at None.
class RecodeWarningDialog final : public QDialog {
    Q_OBJECT
public:
    explicit RecodeWarningDialog(QWidget* parent = nullptr);

    RecodeChoice UserChoice() const { return choice_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Choose(RecodeChoice choice);
    void FitToFont();

    RecodeChoice choice_ = RecodeChoice::None;
    QLabel* label1_;
    QPushButton* cmdRecode_;
    QPushButton* cmdCancel_;
    QPushButton* cmdContinue_;
};

/// "Recoding Keys . . .": a borderless note in the middle of the screen, for a recode
/// run by a control that its host keeps hidden.
class RecodeNote final : public QWidget {
    Q_OBJECT
public:
    explicit RecodeNote(QWidget* owner);
    /// Shows the note centred on the screen.
    void ShowCentred();

private:
    QLabel* label1_;
    QFrame* shape1_;
};

}  // namespace quarrymink
