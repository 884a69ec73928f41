// The word search window.
#include "frmFindWord.h"

#include <QCheckBox>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <utility>

#include "DocMain.h"
#include "demo_pictures.h"
#include "demo_twips.h"
#include "frmKeyPrepare.h"
#include "frmswDocDemo.h"
#include "quarrymink/database.h"
#include "quarrymink/keyword_list.h"
#include "quarrymink/qm.h"

namespace quarrymink::demo {

// Marks the stretch of a Find that lets events through (the preparation, the control's
// search, message boxes). A close asked for meanwhile is carried out when it ends.
class frmFindWord::WorkScope {
public:
    explicit WorkScope(frmFindWord* window) : window_(window) {
        window->busy_ = true;
        window->stopRequested_ = false;
        emit window->BusyChanged(true);
    }
    ~WorkScope() {
        if (!window_) return;
        frmFindWord* window = window_;
        window->busy_ = false;
        const bool closeNow = std::exchange(window->closePending_, false);
        emit window->BusyChanged(false);
        if (closeNow && window_)
            QMetaObject::invokeMethod(
                window, [window] { window->close(); }, Qt::QueuedConnection);
    }
    WorkScope(const WorkScope&) = delete;
    WorkScope& operator=(const WorkScope&) = delete;

private:
    QPointer<frmFindWord> window_;
};

frmFindWord::frmFindWord(frmswDocDemo& document)
    : QDialog(&document, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                             Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      document_(document) {
    setObjectName(QStringLiteral("frmFindWord"));
    setWindowTitle(QStringLiteral("Search for Word"));
    setWindowIcon(DemoIcon());
    setModal(false);
    // As wide as the editor it sits under.
    setFixedSize(TwipsSize(this, 8580, 1110));

    lblWord_ = new QLabel(QStringLiteral("Enter Search Name"), this);
    lblWord_->setObjectName(QStringLiteral("Label1"));
    PlaceTwips(lblWord_, 120, 150, 1740, 255);
    txtWord_ = new QLineEdit(this);
    txtWord_->setObjectName(QStringLiteral("Text1"));
    PlaceTwips(txtWord_, 1920, 105, 2700, 315);
    lblWord_->setBuddy(txtWord_);

    const auto button = [this](const char* name, const QString& caption, int left) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);  // the default button is SetFindMode's choice alone
        PlaceTwips(b, left, 90, 1155, 345);
        return b;
    };
    cmdFind_ = button("cmdFind", QStringLiteral("&Find"), 4800);
    cmdNext_ = button("cmdNext", QStringLiteral("Find &Next"), 6060);
    cmdCancel_ = button("cmdCancel", QStringLiteral("&Cancel"), 7320);

    chkQuarrymink_ = new QCheckBox(QStringLiteral("Use Quarrymink if exact match not found"), this);
    chkQuarrymink_->setObjectName(QStringLiteral("chkQuarrymink"));
    PlaceTwips(chkQuarrymink_, 120, 600, 4500, 315);

    matchControl_ = new QM(this);
    matchControl_->setObjectName(QStringLiteral("DF1"));
    matchControl_->setShowListBox(false);
    matchControl_->setCompare(QM::qmCompareAuto);
    matchControl_->setConnectionType(QM::qmDAO);
    PlaceTwips(matchControl_, 4800, 480, 3675, 510);

    setTabOrder(txtWord_, cmdFind_);
    setTabOrder(cmdFind_, cmdNext_);
    setTabOrder(cmdNext_, cmdCancel_);
    setTabOrder(cmdCancel_, chkQuarrymink_);

    connect(cmdFind_, &QPushButton::clicked, this, &frmFindWord::cmdFind_Click);
    connect(cmdNext_, &QPushButton::clicked, this, &frmFindWord::cmdNext_Click);
    connect(cmdCancel_, &QPushButton::clicked, this, &frmFindWord::reject);
    connect(chkQuarrymink_, &QCheckBox::clicked, this, [this](bool checked) {
        txtWord_->setFocus();
        document_.Settings().SetUseQuarrymink(checked);
    });
    connect(txtWord_, &QLineEdit::textChanged, this, [this] { SetFindMode(true); });
    connect(document_.rtb(), &QTextEdit::textChanged, this, &frmFindWord::DocumentTextChanged);
    txtWord_->installEventFilter(this);
    SetFindMode(true);
}

frmFindWord::~frmFindWord() = default;

void frmFindWord::SetFindMode(bool findMode) {
    cmdFind_->setEnabled(findMode && !txtWord_->text().isEmpty());
    cmdFind_->setDefault(findMode);
    cmdNext_->setEnabled(!findMode);
    cmdNext_->setDefault(!findMode);
}

void frmFindWord::RequestStop() {
    stopRequested_ = true;
    matchControl_->setCancel(true);
    if (prepare_) prepare_->RequestStop();
}

void frmFindWord::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    chkQuarrymink_->setChecked(document_.Settings().UseQuarrymink());
    matchMode_ = false;
    foundPos_ = -1;
    SetFindMode(true);
    document_.Arrange(false);
    txtWord_->setFocus();
}

void frmFindWord::reject() {
    if (busy_) {
        closePending_ = true;
        RequestStop();
        return;
    }
    QDialog::reject();
}

bool frmFindWord::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtWord_ && event->type() == QEvent::FocusIn) {
        SetFindMode(true);
        // After the line edit has placed its cursor for the click that focused it.
        QTimer::singleShot(0, txtWord_, &QLineEdit::selectAll);
    }
    return QDialog::eventFilter(watched, event);
}

void frmFindWord::DocumentTextChanged() {
    // The match list's positions belong to the text it was built from.
    if (matchMode_ && !busy_) {
        matchMode_ = false;
        SetFindMode(true);
    }
}

void frmFindWord::cmdFind_Click() {
    const QString text = txtWord_->text();
    if (text.isEmpty() || busy_) return;
    matchMode_ = false;
    foundPos_ = FindExact(text, 0);
    if (foundPos_ >= 0) {
        SetFindMode(false);
        cmdNext_->setFocus();
        return;
    }
    QPointer<frmFindWord> self(this);
    WorkScope work(this);
    if (chkQuarrymink_->isChecked()) {
        switch (SoundSearch(text)) {
            case SoundResult::Found:
                matchMode_ = true;
                return;
            case SoundResult::Abandoned:
                return;
            case SoundResult::NotFound:
                break;
        }
    }
    document_.Dialogs().Message(this, QMessageBox::Warning,
                                QStringLiteral("Search Text is not found.\n\nIs 'Use Quarrymink' checked?"));
    if (!self) return;
    SetFindMode(true);
    txtWord_->setFocus();
    txtWord_->selectAll();
}

void frmFindWord::cmdNext_Click() {
    if (busy_) return;
    if (matchMode_) {
        ShowMatch(false);
        return;
    }
    foundPos_ = FindExact(txtWord_->text(), foundPos_ + 1);
    if (foundPos_ < 0) {
        SetFindMode(true);
        txtWord_->setFocus();
    }
}

frmFindWord::SoundResult frmFindWord::SoundSearch(const QString& text) {
    QPointer<frmFindWord> self(this);
    if (!EnsureKeyList() || !self || stopRequested_) return SoundResult::Abandoned;
    DocumentState& doc = document_.Doc();
    std::unique_ptr<Connection> db;
    try {
        db = OpenSqlite(QFile::encodeName(doc.keyListPath).toStdString());
    } catch (const DbError& e) {
        document_.Dialogs().Message(this, QMessageBox::Critical,
                                    QStringLiteral("The keyword list %1 cannot be opened:\n\n%2")
                                        .arg(doc.keyListPath, QString::fromUtf8(e.what())));
        return SoundResult::Abandoned;
    }
    const auto name = [](std::u16string_view text) {
        return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
    };
    matchControl_->setTableName(name(kKeyWordTable));
    matchControl_->setTextFieldName(name(kKeyWordTextField));
    matchControl_->setKeyFieldName(name(kKeyWordKeyField));
    matchControl_->setIDFieldName(name(kKeyWordIDField));
    matchControl_->setCompare(QM::qmCompareAuto);
    matchControl_->setConnectionType(QM::qmDAO);
    QString searchText = text;
    matchControl_->BestMatchSearch(db.get(), searchText);
    db.reset();
    if (!self || stopRequested_) return SoundResult::Abandoned;
    return ShowMatch(true) ? SoundResult::Found : SoundResult::NotFound;
}

bool frmFindWord::EnsureKeyList() {
    DocumentState& doc = document_.Doc();
    const DocSettings& settings = document_.Settings();
    doc.keyListPath = KeyListFileName(doc.path);
    doc.keyListVersion = QFileInfo::exists(doc.keyListPath) ? settings.KeyVersion(doc.path) : 0;
    if (doc.changed) {
        doc.version = settings.NextVersion(doc.path, doc.version);
        doc.changed = false;
    }
    if (doc.keyListVersion == doc.version) return true;

    // The old list's version goes first: a list that is emptied and then not rebuilt
    // must not count as current for any version.
    settings.SetKeyVersion(doc.path, 0);
    doc.keyListVersion = 0;
    QPointer<frmFindWord> self(this);
    QPointer<QM> coder(matchControl_);
    prepare_ = new frmKeyPrepare(
        this, document_.rtb(), doc,
        [coder](const QString& word) { return coder ? coder->MakeCode(word) : QString(); },
        document_.AppFolder());
    if (stopRequested_) prepare_->RequestStop();
    const bool built = prepare_->Run();
    if (!self) return false;
    const QString error = prepare_ ? prepare_->ErrorText() : QString();
    delete prepare_;
    if (!built) {
        if (!error.isEmpty() && !stopRequested_)
            document_.Dialogs().Message(this, QMessageBox::Critical, error);
        return false;
    }
    doc.keyListVersion = doc.version;
    settings.SetKeyVersion(doc.path, doc.version);
    return true;
}

bool frmFindWord::ShowMatch(bool first) {
    // Whether there is a match is the match list's answer, never IDValue's: a word at
    // position 0 has IDValue 0, and a search that finds nothing leaves the previous one.
    bool found;
    if (first) {
        found = matchControl_->SetToBestMatch();
    } else {
        found = !matchControl_->FinalMatchItem();
        if (found) matchControl_->SetToNextMatch();
    }
    if (!found) return false;
    SelectWord(matchControl_->IDValue(), matchControl_->TextValue());
    const bool last = matchControl_->FinalMatchItem();
    SetFindMode(last);
    (last ? cmdFind_ : cmdNext_)->setFocus();
    return true;
}

int frmFindWord::FindExact(const QString& text, int from) {
    QTextEdit* rtb = document_.rtb();
    const QTextCursor found = rtb->document()->find(text, std::max(from, 0), QTextDocument::FindWholeWords);
    if (found.isNull()) return -1;
    rtb->setTextCursor(found);
    rtb->ensureCursorVisible();
    return found.selectionStart();
}

void frmFindWord::SelectWord(int start, const QString& word) {
    QTextEdit* rtb = document_.rtb();
    const QTextDocument* text = rtb->document();
    const int end = start + static_cast<int>(word.size());
    QTextCursor cursor(rtb->document());
    if (start >= 0 && end <= text->characterCount() - 1) {
        cursor.setPosition(start);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        if (cursor.selectedText().compare(word, Qt::CaseInsensitive) == 0) {
            rtb->setTextCursor(cursor);
            rtb->ensureCursorVisible();
            return;
        }
    }
    // The text moved since the list was built: the word's next occurrence from there.
    if (FindExact(word, start) < 0) FindExact(word, 0);
}

}  // namespace quarrymink::demo
