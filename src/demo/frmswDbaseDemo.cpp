// The names database demonstration.
#include "frmswDbaseDemo.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <cmath>

#include "DemoMain.h"
#include "demo_pictures.h"
#include "demo_prompts.h"
#include "demo_settings.h"
#include "demo_twips.h"
#include "frmHelp.h"
#include "quarrymink/database.h"
#include "quarrymink/qm.h"
#include "quarrymink/sampledb.h"

namespace quarrymink::demo {
namespace {

// Design measures of the window (twips).
constexpr int kFrameHeight = 5715;
constexpr int kListWidth = 3575;
constexpr int kFrame1Width = 2965;
constexpr int kFrame3Width = 2835;
constexpr int kDesignControlHeight = 2355;
// The system colour "menu" (COLOR_MENU) as the control's saved colours name it.
constexpr std::uint32_t kSystemMenuColour = 0x80000004u;

QString Trimmed(QString text) {
    while (!text.isEmpty() && text.back() == u' ') text.chop(1);
    return text;
}

QString ToQString(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

}  // namespace

frmswDbaseDemo::frmswDbaseDemo(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("frmswDbaseDemo"));
    setModal(true);

    settingsAppName_ = AppFolder() + QStringLiteral("qmDbaseDemo");
    dbaseDir_ = GetSetting(settingsAppName_, QStringLiteral("frmswDbaseDemo"), QStringLiteral("DbaseDir"),
                           AppFolder());
    setWindowIcon(DemoIcon());
    setWindowTitle(QLatin1String(kDemoCaption));

    CreateMenus();
    CreateControls();
    LayOut();
    controlHeight_ = PixelsToTwipsY(this, DF1->height());
    cmdNext->hide();
    Option1[0]->setChecked(true);
    SetSearchOption(0);
    SetEditMenuEnabled(false);
    txtSearch->setEnabled(false);
    cmdSearch->setEnabled(false);
}

frmswDbaseDemo::~frmswDbaseDemo() = default;

void frmswDbaseDemo::CreateMenus() {
    menuBar_ = new QMenuBar(this);
    menuBar_->setObjectName(QStringLiteral("menuBar"));
    menuBar_->setNativeMenuBar(false);

    mnuFile = menuBar_->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuOpen = mnuFile->addAction(QStringLiteral("&Open"), this, &frmswDbaseDemo::OpenDatabase);
    mnuOpen->setObjectName(QStringLiteral("mnuOpen"));
    mnuExit = mnuFile->addAction(QStringLiteral("E&xit"), this, &QWidget::close);
    mnuExit->setObjectName(QStringLiteral("mnuExit"));
    mnuExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));

    mnuTopEdit = menuBar_->addMenu(QStringLiteral("&Edit"));
    mnuTopEdit->setObjectName(QStringLiteral("mnuTopEdit"));
    mnuAdd = mnuTopEdit->addAction(QStringLiteral("&Add"), this, &frmswDbaseDemo::AddName);
    mnuAdd->setObjectName(QStringLiteral("mnuAdd"));
    mnuAdd->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    mnuEdit = mnuTopEdit->addAction(QStringLiteral("&Edit"), this, &frmswDbaseDemo::EditName);
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    mnuEdit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    mnuDelete = mnuTopEdit->addAction(QStringLiteral("&Delete"), this, &frmswDbaseDemo::DeleteName);
    mnuDelete->setObjectName(QStringLiteral("mnuDelete"));
    mnuDelete->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));

    // Help and About are commands of the menu bar itself, without a menu below.
    Help = menuBar_->addAction(QStringLiteral("&Help"));
    Help->setObjectName(QStringLiteral("Help"));
    connect(Help, &QAction::triggered, this,
            [this] { ShowHelp(this, AppFile(QStringLiteral("qmDbaseDemoHelp.htf"))); });
    mnuAbout = menuBar_->addAction(QStringLiteral("&About"));
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
    connect(mnuAbout, &QAction::triggered, this, [this] { ShowDemoAbout(this); });

    // The list's context menu, never on the menu bar.
    PopupEdit = new QMenu(QStringLiteral("popupedit"), this);
    PopupEdit->setObjectName(QStringLiteral("PopupEdit"));
    puAdd = PopupEdit->addAction(QStringLiteral("&Add"), this, &frmswDbaseDemo::AddName);
    puAdd->setObjectName(QStringLiteral("puAdd"));
    puEdit = PopupEdit->addAction(QStringLiteral("&Edit"), this, &frmswDbaseDemo::EditName);
    puEdit->setObjectName(QStringLiteral("puEdit"));
    puDelete = PopupEdit->addAction(QStringLiteral("&Delete"), this, &frmswDbaseDemo::DeleteName);
    puDelete->setObjectName(QStringLiteral("puDelete"));
}

void frmswDbaseDemo::CreateControls() {
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));

    Frame2 = new QGroupBox(client_);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    List1 = new QListWidget(Frame2);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setUniformItemSizes(true);
    List1->viewport()->installEventFilter(this);
    // A newcomer meets an empty list and a disabled search: this says what comes first.
    lblOpenHint_ = new QLabel(
        QStringLiteral("To begin, choose File \u2192 Open and pick Names.mdb.\n\n"
                       "The Open dialog starts in the data folder, which holds the sample databases "
                       "Names.mdb and Plants.mdb."),
        List1->viewport());
    lblOpenHint_->setObjectName(QStringLiteral("lblOpenHint"));
    lblOpenHint_->setWordWrap(true);
    lblOpenHint_->setAlignment(Qt::AlignCenter);
    lblOpenHint_->setForegroundRole(QPalette::PlaceholderText);
    lblOpenHint_->setAttribute(Qt::WA_TransparentForMouseEvents);
    txtEdit = new QLineEdit(Frame2);
    txtEdit->setObjectName(QStringLiteral("txtEdit"));
    // At most what the Name field holds; an open table's own size replaces this.
    txtEdit->setMaxLength(kNameFieldSize);
    txtEdit->installEventFilter(this);
    cmdOk = new QPushButton(QStringLiteral("&Ok"), Frame2);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));

    Frame1 = new QGroupBox(client_);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame3 = new QGroupBox(QStringLiteral("Search Options"), Frame1);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    options_ = new QButtonGroup(this);
    const char* optionTexts[3] = {"Automatic (control not visible)", "Automatic with Progress Bar",
                                  "Manual (Pick from List)"};
    for (int i = 0; i < 3; ++i) {
        Option1[i] = new QRadioButton(QLatin1String(optionTexts[i]), Frame3);
        Option1[i]->setObjectName(QStringLiteral("Option1_%1").arg(i));
        options_->addButton(Option1[i], i);
    }
    Frame4 = new QGroupBox(QStringLiteral("Search For"), Frame1);
    Frame4->setObjectName(QStringLiteral("Frame4"));
    txtSearch = new QLineEdit(Frame4);
    txtSearch->setObjectName(QStringLiteral("txtSearch"));
    txtSearch->installEventFilter(this);
    cmdSearch = new QPushButton(QStringLiteral("Go"), Frame4);
    cmdSearch->setObjectName(QStringLiteral("cmdSearch"));
    cmdNext = new QPushButton(QStringLiteral("Next"), Frame4);
    cmdNext->setObjectName(QStringLiteral("cmdNext"));
    DF1 = new QM(Frame1);
    DF1->setObjectName(QStringLiteral("DF1"));
    DF1->setBackColor(QM::FromOleColor(kSystemMenuColour));
    cmdCancel = new QPushButton(QStringLiteral("Cancel Search"), Frame1);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    panel1_ = new QLabel(StatusBar1);
    panel1_->setObjectName(QStringLiteral("Panel1"));
    panel2_ = new QLabel(StatusBar1);
    panel2_->setObjectName(QStringLiteral("Panel2"));
    StatusBar1->addWidget(panel1_, 1);
    StatusBar1->addWidget(panel2_, 1);

    setTabOrder(txtSearch, cmdSearch);
    setTabOrder(cmdSearch, cmdNext);
    setTabOrder(cmdNext, DF1);
    setTabOrder(DF1, cmdCancel);
    setTabOrder(cmdCancel, List1);
    setTabOrder(List1, txtEdit);
    setTabOrder(txtEdit, cmdOk);

    connect(cmdSearch, &QPushButton::clicked, this, &frmswDbaseDemo::Search);
    connect(cmdNext, &QPushButton::clicked, this, &frmswDbaseDemo::NextMatch);
    connect(cmdOk, &QPushButton::clicked, this, &frmswDbaseDemo::SaveName);
    connect(cmdCancel, &QPushButton::clicked, this, [this] { DF1->setCancel(true); });
    connect(options_, &QButtonGroup::idClicked, this, &frmswDbaseDemo::SetSearchOption);
    connect(DF1, &QM::ListItemSelected, this, &frmswDbaseDemo::MatchPicked);
    // The user's own scrolling moves the focus to the list.
    connect(List1->verticalScrollBar(), &QScrollBar::actionTriggered, this, [this] { List1->setFocus(); });
}

void frmswDbaseDemo::LayOut() {
    // The design places, with a narrower list than designed and the columns and edit
    // line that follow from it.
    const int frame2Width = kListWidth + 120;
    const int frame1Left = frame2Width + 60;
    const int editWidth = kListWidth - 480;
    // The option texts are wider in most fonts than the design allowed for: the right
    // column grows to hold them, and what lies in it grows or moves along.
    const int optionWidths[3] = {2475, 2355, 2355};
    int extra = 0;
    for (int i = 0; i < 3; ++i)
        extra = std::max(extra, PixelsToTwipsX(this, Option1[i]->sizeHint().width()) + 15 - optionWidths[i]);
    const int frame1Width = kFrame1Width + extra;
    const int frame3Width = kFrame3Width + extra;
    const int clientWidth = frame1Left + frame1Width + 120;

    PlaceTwips(Frame2, 0, 0, frame2Width, kFrameHeight);
    PlaceTwips(List1, 60, 180, kListWidth, 5130);
    PlaceTwipsFitting(txtEdit, 120, 5360, editWidth, 285);
    PlaceTwipsFitting(cmdOk, 120 + editWidth + 60, 5360, 375, 285);

    PlaceTwips(Frame1, frame1Left, 0, frame1Width, kFrameHeight);
    PlaceTwips(Frame3, 60, 180, frame3Width, 1455);
    PlaceTwipsFitting(Option1[0], 120, 360, optionWidths[0] + extra, 195);
    PlaceTwipsFitting(Option1[1], 120, 750, optionWidths[1] + extra, 195);
    PlaceTwipsFitting(Option1[2], 120, 1140, optionWidths[2] + extra, 195);
    PlaceTwips(Frame4, 60, 1620, frame3Width, 1155);
    PlaceTwipsFitting(txtSearch, 120, 300, 1755 + extra, 255);
    PlaceTwipsFitting(cmdSearch, 2040 + extra, 270, 555, 315);
    PlaceTwipsFitting(cmdNext, 2040 + extra, 720, 555, 315);
    PlaceTwips(DF1, 60, 2820, frame3Width, kDesignControlHeight);
    PlaceTwipsFitting(cmdCancel, 840 + extra / 2, 5240, 1275, 315);

    const int menuHeight = menuBar_->sizeHint().height();
    const QSize client = TwipsSize(this, clientWidth, kFrameHeight + 60);
    const int statusHeight = StatusBar1->sizeHint().height();
    menuBar_->setGeometry(0, 0, client.width(), menuHeight);
    client_->setGeometry(0, menuHeight, client.width(), client.height());
    StatusBar1->setGeometry(0, menuHeight + client.height(), client.width(), statusHeight);
    setFixedSize(client.width(), menuHeight + client.height() + statusHeight);
}

// ---------------------------------------------------------------------------------------
// Focus, default button and keys

void frmswDbaseDemo::SetDefaultButton(QPushButton* on, QPushButton* off) {
    on->setEnabled(true);
    on->setDefault(true);
    off->setDefault(false);
    off->setEnabled(false);
}

void frmswDbaseDemo::SetEditMenuEnabled(bool enabled) {
    mnuTopEdit->setEnabled(enabled);
    for (QAction* action : {mnuAdd, mnuEdit, mnuDelete}) action->setEnabled(enabled);
}

bool frmswDbaseDemo::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && (watched == txtEdit || watched == txtSearch)) {
        auto* edit = static_cast<QLineEdit*>(watched);
        // After the click that brought the focus has placed the cursor.
        QTimer::singleShot(0, edit, [edit] {
            if (edit->hasFocus()) edit->selectAll();
        });
        if (edit == txtEdit) {
            SetDefaultButton(cmdOk, cmdSearch);
        } else {
            SetDefaultButton(cmdSearch, cmdOk);
            cmdNext->hide();
        }
    } else if (watched == List1->viewport() && event->type() == QEvent::Resize) {
        const int margin = TwipsX(this, 240);
        lblOpenHint_->setGeometry(List1->viewport()->rect().adjusted(margin, margin, -margin, -margin));
    } else if (watched == List1->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton && mnuTopEdit->isEnabled()) {
            ShowContextMenu(mouse->position().toPoint());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmswDbaseDemo::keyPressEvent(QKeyEvent* event) {
    // The window has no cancel button: Esc does not close it.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmswDbaseDemo::closeEvent(QCloseEvent* event) {
    // A running search stops at its next row; the window waits for it to come back.
    if (searching_) DF1->setCancel(true);
    QDialog::closeEvent(event);
}

// ---------------------------------------------------------------------------------------
// The database and its list

void frmswDbaseDemo::OpenDatabase() {
    // The control works on the open database while it searches.
    if (searching_) return;
    OpenFileRequest request;
    request.title = QStringLiteral("Open Document");
    request.initialFolder = dbaseDir_;
    request.filter = QStringLiteral("(*.mdb)");
    const QString chosen = CurrentPrompts().OpenFile(this, request);
    if (chosen.isEmpty()) return;

    dbaseFile_ = chosen;
    // The file's own folder, also when a folder on its path bears the file's name.
    dbaseDir_ = QFileInfo(chosen).absolutePath();
    if (!dbaseDir_.endsWith(u'/')) dbaseDir_ += u'/';
    SaveSetting(settingsAppName_, QStringLiteral("frmswDbaseDemo"), QStringLiteral("DbaseDir"), dbaseDir_);

    if (!OpenNamesDatabase(dbaseFile_)) return;
    lblOpenHint_->hide();
    SetDefaultButton(cmdSearch, cmdOk);
    cmdNext->hide();
    FillNameList();
    SetEditMenuEnabled(true);
    txtSearch->setEnabled(true);
    cmdSearch->setEnabled(true);
    txtSearch->setFocus();
}

bool frmswDbaseDemo::OpenNamesDatabase(const QString& file) {
    try {
        std::unique_ptr<Connection> db = OpenSqlite(file.toStdString());
        RecordsetOptions updatable;
        updatable.updatable = true;
        std::unique_ptr<Recordset> names = db->OpenRecordset(u"NameData", updatable);
        names->SetIndex(u"ndxName");
        const std::int32_t nameSize = names->DefinedSize(u"Name");
        namesRs_.reset();
        namesDb_ = std::move(db);
        namesRs_ = std::move(names);
        txtEdit->setMaxLength(nameSize > 0 ? nameSize : 32767);
        return true;
    } catch (const std::exception& error) {
        TellError(
            QStringLiteral("The file '") + file + QStringLiteral("' cannot be opened as a names database."),
            error);
        return false;
    }
}

void frmswDbaseDemo::FillNameList() {
    List1->setUpdatesEnabled(false);
    List1->clear();
    bookmarks_.clear();
    int topRow = -1;
    std::int64_t records = 0;
    try {
        Recordset& names = *namesRs_;
        records = names.RecordCount();
        bookmarks_.reserve(static_cast<std::size_t>(records));
        const QString saved = Trimmed(lastSavedName_);
        if (records > 0) {
            names.MoveFirst();
            while (!names.Eof()) {
                const Value name = names.Field(u"Name");
                // A record without a name has no list item, and so no bookmark either:
                // list positions and bookmark positions stay the same.
                if (!name.IsNull()) {
                    const QString text = ToQString(name.ToText());
                    auto* item = new QListWidgetItem(text);
                    item->setData(Qt::UserRole, names.Field(u"Ident").ToInt32());
                    List1->addItem(item);
                    bookmarks_.push_back(names.Bookmark());
                    if (Trimmed(text) == saved) topRow = List1->count() - 1;
                }
                names.MoveNext();
            }
        }
    } catch (const std::exception& error) {
        TellError(QStringLiteral("The names could not all be read."), error);
    }
    if (topRow >= 0) List1->scrollToItem(List1->item(topRow), QAbstractItemView::PositionAtTop);
    ShowRecordCount(records);
    List1->setUpdatesEnabled(true);
    List1->update();
}

void frmswDbaseDemo::ShowRecordCount(std::int64_t records) {
    if (records < 0) {
        try {
            records = namesRs_ ? namesRs_->RecordCount() : 0;
        } catch (const std::exception&) {
            panel1_->clear();  // no count is better than a wrong one
            return;
        }
    }
    panel1_->setText(QStringLiteral("Records in List: ") + QString::number(records));
}

int frmswDbaseDemo::SelectedIndex() const {
    const QList<QListWidgetItem*> selected = List1->selectedItems();
    return selected.isEmpty() ? -1 : List1->row(selected.constFirst());
}

void frmswDbaseDemo::SelectRow(int row) {
    if (row < 0) {
        ClearSelection();
        return;
    }
    List1->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

void frmswDbaseDemo::ClearSelection() {
    List1->clearSelection();
    List1->setCurrentItem(nullptr, QItemSelectionModel::Clear);
}

void frmswDbaseDemo::SelectListItemByID(int id) {
    if (id == 0) return;
    // With equal identifiers the last one wins.
    int found = -1;
    for (int row = 0; row < List1->count(); ++row) {
        if (List1->item(row)->data(Qt::UserRole).toInt() == id) found = row;
    }
    if (found >= 0) {
        SelectRow(found);
        List1->scrollToItem(List1->item(found), QAbstractItemView::PositionAtCenter);
    }
}

int frmswDbaseDemo::ListRowAt(const QPoint& viewportPos) const {
    const QModelIndex index = List1->indexAt(viewportPos);
    return index.isValid() ? index.row() : List1->count() - 1;
}

void frmswDbaseDemo::ShowContextMenu(const QPoint& viewportPos) {
    SelectRow(ListRowAt(viewportPos));
    PopupEdit->popup(List1->viewport()->mapToGlobal(viewportPos));
}

void frmswDbaseDemo::TellError(const QString& what, const std::exception& error) {
    CurrentPrompts().Tell(this, windowTitle(),
                          what + QStringLiteral("\n\n") + QString::fromUtf8(error.what()),
                          QMessageBox::Critical);
}

// ---------------------------------------------------------------------------------------
// Search

QString frmswDbaseDemo::FormatSearchTime(float seconds) {
    const double hundredths = std::round(static_cast<double>(seconds) * 100.0);
    if (hundredths == 0) return QStringLiteral(".00");
    QString text = QString::number(hundredths / 100.0, 'f', 2);
    while (text.endsWith(u'0')) text.chop(1);
    if (text.startsWith(QLatin1String("0.")))
        text.remove(0, 1);
    else if (text.startsWith(QLatin1String("-0.")))
        text.remove(1, 1);
    return text;
}

void frmswDbaseDemo::Search() {
    if (searching_) return;
    if (txtSearch->text().isEmpty()) {
        cmdSearch->setDefault(true);
        txtSearch->setFocus();
        return;
    }
    if (!namesDb_) return;

    DF1->setTableName(QStringLiteral("Namedata"));
    DF1->setKeyFieldName(QStringLiteral("Key"));
    DF1->setTextFieldName(QStringLiteral("Name"));
    DF1->setIDFieldName(QStringLiteral("Ident"));
    DF1->setConnectionType(QM::qmDAO);
    DF1->setCompare(QM::qmCompareAuto);

    // The control lets events through while it searches; this window may be closed then.
    QPointer<frmswDbaseDemo> self(this);
    QString text = txtSearch->text();
    searching_ = true;
    DF1->BestMatchSearch(namesDb_.get(), text);
    if (!self) return;
    searching_ = false;

    panel2_->setText(QStringLiteral("Search Time = ") + FormatSearchTime(DF1->SearchTime()) +
                     QStringLiteral("secs"));
    if (Option1[2]->isChecked()) {
        // The user picks from the control's own list.
        cmdSearch->setDefault(false);
        txtSearch->setFocus();
    } else if (!DF1->SetToBestMatch()) {
        // Nothing found: the previous search's match is not shown again.
        ClearSelection();
        cmdNext->hide();
        txtSearch->setFocus();
    } else {
        SelectListItemByID(DF1->IDValue());
        if (!DF1->FinalMatchItem()) {
            cmdNext->show();
            cmdNext->setFocus();
        } else {
            txtSearch->setFocus();
        }
    }
    emit SearchFinished();
}

void frmswDbaseDemo::NextMatch() {
    DF1->SetToNextMatch();
    SelectListItemByID(DF1->IDValue());
    if (DF1->FinalMatchItem()) {
        cmdNext->hide();
        txtSearch->setFocus();
    }
}

void frmswDbaseDemo::MatchPicked(const QString& /*name*/, int id) {
    SelectListItemByID(id);
    txtSearch->setFocus();
}

void frmswDbaseDemo::SetSearchOption(int index) {
    switch (index) {
        case 0:
            DF1->hide();
            break;
        case 1:
            DF1->setShowListBox(false);
            DF1->show();
            break;
        case 2:
            DF1->setShowListBox(true);
            DF1->show();
            DF1->resize(DF1->width(), TwipsY(this, controlHeight_));
            break;
        default:
            break;
    }
}

// ---------------------------------------------------------------------------------------
// Add, edit, save and delete

void frmswDbaseDemo::AddName() {
    editMode_ = false;
    txtEdit->clear();
    txtEdit->setFocus();
}

void frmswDbaseDemo::EditName() {
    const int row = SelectedIndex();
    if (row < 0 || !namesRs_) return;
    try {
        namesRs_->SetBookmark(bookmarks_.at(static_cast<std::size_t>(row)));
        const Value name = namesRs_->Field(u"Name");
        editMode_ = true;
        txtEdit->setText(name.IsNull() ? QString() : ToQString(name.ToText()));
    } catch (const std::exception& error) {
        TellError(QStringLiteral("The name cannot be edited."), error);
        return;
    }
    txtEdit->setFocus();
}

void frmswDbaseDemo::SaveName() {
    const QString text = txtEdit->text();
    // Before a database is open, and while a search reads the table, nothing is written.
    if (text.isEmpty() || !namesRs_ || searching_) {
        txtEdit->setFocus();
        return;
    }
    try {
        if (editMode_) {
            const int row = SelectedIndex();
            if (row < 0) return;
            namesRs_->SetBookmark(bookmarks_.at(static_cast<std::size_t>(row)));
            namesRs_->Edit();
        } else {
            namesRs_->AddNew();
        }
        namesRs_->SetField(u"Name", Value(text.toStdU16String()));
        QString key = DF1->MakeCode(text);
        const std::int32_t keySize = namesRs_->DefinedSize(u"Key");
        if (keySize > 0 && key.size() > keySize) key.truncate(keySize);
        namesRs_->SetField(u"Key", Value(key.toStdU16String()));
        namesRs_->Update();
    } catch (const std::exception& error) {
        TellError(QStringLiteral("The name could not be saved."), error);
        txtEdit->setFocus();
        return;
    }
    lastSavedName_ = text;
    FillNameList();
    txtEdit->setFocus();
}

void frmswDbaseDemo::DeleteName() {
    if (searching_) return;
    if (CurrentPrompts().Ask(this, windowTitle(), QStringLiteral("   Delete   "),
                             QMessageBox::Yes | QMessageBox::No, QMessageBox::Question) != QMessageBox::Yes)
        return;
    const int row = SelectedIndex();
    if (row < 0 || !namesRs_) return;
    try {
        namesRs_->SetBookmark(bookmarks_.at(static_cast<std::size_t>(row)));
        namesRs_->Delete();
    } catch (const std::exception& error) {
        TellError(QStringLiteral("The name could not be deleted."), error);
        return;
    }
    bookmarks_.erase(bookmarks_.begin() + row);
    delete List1->takeItem(row);
    ClearSelection();
    ShowRecordCount();
}

}  // namespace quarrymink::demo
