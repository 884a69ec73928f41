// The word search of the document demonstration: finds the typed text as a whole word in
// the editor, and when it is not there, the word that sounds most like it, through the
// control and the document's keyword list.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QM;

namespace quarrymink::demo {

class frmKeyPrepare;
class frmswDocDemo;

class frmFindWord final : public QDialog {
    Q_OBJECT
public:
    explicit frmFindWord(frmswDocDemo& document);
    ~frmFindWord() override;

    QM* MatchControl() const { return matchControl_; }
    QLineEdit* WordBox() const { return txtWord_; }
    QPushButton* cmdFind() const { return cmdFind_; }
    QPushButton* cmdNext() const { return cmdNext_; }
    QCheckBox* chkQuarrymink() const { return chkQuarrymink_; }

    /// Find becomes the default (and enabled when there is a text to look for), or Find Next.
    void SetFindMode(bool findMode);

    /// Start of the last exact find, -1 after a failed one.
    int FoundPos() const { return foundPos_; }
    /// The shown match came from the control: Find Next asks it for the next one.
    bool MatchMode() const { return matchMode_; }

    /// A search (or the keyword preparation, or its messages) is under way; closing waits.
    bool Busy() const { return busy_; }
    /// Asks running work to stop as soon as it can.
    void RequestStop();

public Q_SLOTS:
    void cmdFind_Click();
    void cmdNext_Click();

Q_SIGNALS:
    /// Work that lets events through began or ended.
    void BusyChanged(bool busy);

protected:
    void showEvent(QShowEvent* event) override;
    /// Esc, Cancel and the close button: the window goes when no work is running, or once
    /// the running work has stopped.
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class WorkScope;
    enum class SoundResult { Found, NotFound, Abandoned };

    SoundResult SoundSearch(const QString& text);
    /// Rebuilds the keyword list when the document's version moved past it; false when
    /// it could not be built (told to the user) or was stopped.
    bool EnsureKeyList();
    bool ShowMatch(bool first);
    /// The text's next whole-word occurrence from position from, selected; -1 when none.
    int FindExact(const QString& text, int from);
    void SelectWord(int start, const QString& word);
    void DocumentTextChanged();

    frmswDocDemo& document_;
    QLabel* lblWord_;
    QLineEdit* txtWord_;
    QPushButton* cmdFind_;
    QPushButton* cmdNext_;
    QPushButton* cmdCancel_;
    QCheckBox* chkQuarrymink_;
    QM* matchControl_;
    QPointer<frmKeyPrepare> prepare_;
    int foundPos_ = -1;
    bool matchMode_ = false;
    bool busy_ = false;
    bool stopRequested_ = false;
    bool closePending_ = false;
};

}  // namespace quarrymink::demo
