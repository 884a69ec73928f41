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
    controlHeight_ = PixelsToTwipsY(this, matchControl_->height());
    cmdNext->hide();
    searchOptions_[0]->setChecked(true);
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

    // mnuHelp and About are commands of the menu bar itself, without a menu below.
    mnuHelp = menuBar_->addAction(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("Help"));
    connect(mnuHelp, &QAction::triggered, this,
            [this] { ShowHelp(this, AppFile(QStringLiteral("qmDbaseDemoHelp.htf"))); });
    mnuAbout = menuBar_->addAction(QStringLiteral("&About"));
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
    connect(mnuAbout, &QAction::triggered, this, [this] { ShowDemoAbout(this); });

    // The list's context menu, never on the menu bar.
    contextMenu_ = new QMenu(QStringLiteral("popupedit"), this);
    contextMenu_->setObjectName(QStringLiteral("PopupEdit"));
    popupAdd_ = contextMenu_->addAction(QStringLiteral("&Add"), this, &frmswDbaseDemo::AddName);
    popupAdd_->setObjectName(QStringLiteral("puAdd"));
    popupEdit_ = contextMenu_->addAction(QStringLiteral("&Edit"), this, &frmswDbaseDemo::EditName);
    popupEdit_->setObjectName(QStringLiteral("puEdit"));
    popupDelete_ = contextMenu_->addAction(QStringLiteral("&Delete"), this, &frmswDbaseDemo::DeleteName);
    popupDelete_->setObjectName(QStringLiteral("puDelete"));
}

void frmswDbaseDemo::CreateControls() {
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));

    namesFrame_ = new QGroupBox(client_);
    namesFrame_->setObjectName(QStringLiteral("Frame2"));
    nameList_ = new QListWidget(namesFrame_);
    nameList_->setObjectName(QStringLiteral("List1"));
    nameList_->setSelectionMode(QAbstractItemView::SingleSelection);
    nameList_->setUniformItemSizes(true);
    nameList_->viewport()->installEventFilter(this);
    // A newcomer meets an empty list and a disabled search: this says what comes first.
    lblOpenHint_ = new QLabel(
        QStringLiteral("To begin, choose File \u2192 Open and pick Names.mdb.\n\n"
                       "The Open dialog starts in the data folder, which holds the sample databases "
                       "Names.mdb and Plants.mdb."),
        nameList_->viewport());
    lblOpenHint_->setObjectName(QStringLiteral("lblOpenHint"));
    lblOpenHint_->setWordWrap(true);
    lblOpenHint_->setAlignment(Qt::AlignCenter);
    lblOpenHint_->setForegroundRole(QPalette::PlaceholderText);
    lblOpenHint_->setAttribute(Qt::WA_TransparentForMouseEvents);
    txtEdit = new QLineEdit(namesFrame_);
    txtEdit->setObjectName(QStringLiteral("txtEdit"));
    // At most what the Name field holds; an open table's own size replaces this.
    txtEdit->setMaxLength(kNameFieldSize);
    txtEdit->installEventFilter(this);
    cmdOk = new QPushButton(QStringLiteral("&Ok"), namesFrame_);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));

    searchFrame_ = new QGroupBox(client_);
    searchFrame_->setObjectName(QStringLiteral("Frame1"));
    optionsFrame_ = new QGroupBox(QStringLiteral("Search Options"), searchFrame_);
    optionsFrame_->setObjectName(QStringLiteral("Frame3"));
    options_ = new QButtonGroup(this);
    const char* optionTexts[3] = {"Automatic (control not visible)", "Automatic with Progress Bar",
                                  "Manual (Pick from List)"};
    for (int i = 0; i < 3; ++i) {
        searchOptions_[i] = new QRadioButton(QLatin1String(optionTexts[i]), optionsFrame_);
        searchOptions_[i]->setObjectName(QStringLiteral("Option1_%1").arg(i));
        options_->addButton(searchOptions_[i], i);
    }
    searchForFrame_ = new QGroupBox(QStringLiteral("Search For"), searchFrame_);
    searchForFrame_->setObjectName(QStringLiteral("Frame4"));
    txtSearch = new QLineEdit(searchForFrame_);
    txtSearch->setObjectName(QStringLiteral("txtSearch"));
    txtSearch->installEventFilter(this);
    cmdSearch = new QPushButton(QStringLiteral("Go"), searchForFrame_);
    cmdSearch->setObjectName(QStringLiteral("cmdSearch"));
    cmdNext = new QPushButton(QStringLiteral("Next"), searchForFrame_);
    cmdNext->setObjectName(QStringLiteral("cmdNext"));
    matchControl_ = new QM(searchFrame_);
    matchControl_->setObjectName(QStringLiteral("DF1"));
    matchControl_->setBackColor(QM::FromOleColor(kSystemMenuColour));
    cmdCancel = new QPushButton(QStringLiteral("Cancel Search"), searchFrame_);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);

    statusBar_ = new QStatusBar(this);
    statusBar_->setObjectName(QStringLiteral("StatusBar1"));
    statusBar_->setSizeGripEnabled(false);
    recordCountPanel_ = new QLabel(statusBar_);
    recordCountPanel_->setObjectName(QStringLiteral("Panel1"));
    searchTimePanel_ = new QLabel(statusBar_);
    searchTimePanel_->setObjectName(QStringLiteral("Panel2"));
    statusBar_->addWidget(recordCountPanel_, 1);
    statusBar_->addWidget(searchTimePanel_, 1);

    setTabOrder(txtSearch, cmdSearch);
    setTabOrder(cmdSearch, cmdNext);
    setTabOrder(cmdNext, matchControl_);
    setTabOrder(matchControl_, cmdCancel);
    setTabOrder(cmdCancel, nameList_);
    setTabOrder(nameList_, txtEdit);
    setTabOrder(txtEdit, cmdOk);

    connect(cmdSearch, &QPushButton::clicked, this, &frmswDbaseDemo::Search);
    connect(cmdNext, &QPushButton::clicked, this, &frmswDbaseDemo::NextMatch);
    connect(cmdOk, &QPushButton::clicked, this, &frmswDbaseDemo::SaveName);
    connect(cmdCancel, &QPushButton::clicked, this, [this] { matchControl_->setCancel(true); });
    connect(options_, &QButtonGroup::idClicked, this, &frmswDbaseDemo::SetSearchOption);
    connect(matchControl_, &QM::ListItemSelected, this, &frmswDbaseDemo::MatchPicked);
    // The user's own scrolling moves the focus to the list.
    connect(nameList_->verticalScrollBar(), &QScrollBar::actionTriggered, this,
            [this] { nameList_->setFocus(); });
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
        extra = std::max(extra,
                         PixelsToTwipsX(this, searchOptions_[i]->sizeHint().width()) + 15 - optionWidths[i]);
    const int frame1Width = kFrame1Width + extra;
    const int frame3Width = kFrame3Width + extra;
    const int clientWidth = frame1Left + frame1Width + 120;

    PlaceTwips(namesFrame_, 0, 0, frame2Width, kFrameHeight);
    PlaceTwips(nameList_, 60, 180, kListWidth, 5130);
    PlaceTwipsFitting(txtEdit, 120, 5360, editWidth, 285);
    PlaceTwipsFitting(cmdOk, 120 + editWidth + 60, 5360, 375, 285);

    PlaceTwips(searchFrame_, frame1Left, 0, frame1Width, kFrameHeight);
    PlaceTwips(optionsFrame_, 60, 180, frame3Width, 1455);
    PlaceTwipsFitting(searchOptions_[0], 120, 360, optionWidths[0] + extra, 195);
    PlaceTwipsFitting(searchOptions_[1], 120, 750, optionWidths[1] + extra, 195);
    PlaceTwipsFitting(searchOptions_[2], 120, 1140, optionWidths[2] + extra, 195);
    PlaceTwips(searchForFrame_, 60, 1620, frame3Width, 1155);
    PlaceTwipsFitting(txtSearch, 120, 300, 1755 + extra, 255);
    PlaceTwipsFitting(cmdSearch, 2040 + extra, 270, 555, 315);
    PlaceTwipsFitting(cmdNext, 2040 + extra, 720, 555, 315);
    PlaceTwips(matchControl_, 60, 2820, frame3Width, kDesignControlHeight);
    PlaceTwipsFitting(cmdCancel, 840 + extra / 2, 5240, 1275, 315);

    const int menuHeight = menuBar_->sizeHint().height();
    const QSize client = TwipsSize(this, clientWidth, kFrameHeight + 60);
    const int statusHeight = statusBar_->sizeHint().height();
    menuBar_->setGeometry(0, 0, client.width(), menuHeight);
    client_->setGeometry(0, menuHeight, client.width(), client.height());
    statusBar_->setGeometry(0, menuHeight + client.height(), client.width(), statusHeight);
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
    } else if (watched == nameList_->viewport() && event->type() == QEvent::Resize) {
        const int margin = TwipsX(this, 240);
        lblOpenHint_->setGeometry(nameList_->viewport()->rect().adjusted(margin, margin, -margin, -margin));
    } else if (watched == nameList_->viewport() && event->type() == QEvent::MouseButtonPress) {
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
    if (searching_) matchControl_->setCancel(true);
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
        auto names = std::make_unique<NamesTable>(file.toStdString());
        const std::int32_t nameSize = names->NameFieldSize();
        names_ = std::move(names);
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
    nameList_->setUpdatesEnabled(false);
    nameList_->clear();
    bookmarks_.clear();
    int topRow = -1;
    std::int64_t records = 0;
    try {
        records = names_->RowCount();
        bookmarks_.reserve(static_cast<std::size_t>(records));
        const QString saved = Trimmed(lastSavedName_);
        // List positions and bookmark positions stay the same.
        names_->VisitNamedRows([&](const NamesTable::Row& row) {
            const QString text = ToQString(row.name);
            auto* item = new QListWidgetItem(text);
            item->setData(Qt::UserRole, row.ident);
            nameList_->addItem(item);
            bookmarks_.push_back(row.bookmark);
            if (Trimmed(text) == saved) topRow = nameList_->count() - 1;
        });
    } catch (const std::exception& error) {
        TellError(QStringLiteral("The names could not all be read."), error);
    }
    if (topRow >= 0) nameList_->scrollToItem(nameList_->item(topRow), QAbstractItemView::PositionAtTop);
    ShowRecordCount(records);
    nameList_->setUpdatesEnabled(true);
    nameList_->update();
}

void frmswDbaseDemo::ShowRecordCount(std::int64_t records) {
    if (records < 0) {
        try {
            records = names_ ? names_->RowCount() : 0;
        } catch (const std::exception&) {
            recordCountPanel_->clear();  // no count is better than a wrong one
            return;
        }
    }
    recordCountPanel_->setText(QStringLiteral("Records in List: ") + QString::number(records));
}

int frmswDbaseDemo::SelectedIndex() const {
    const QList<QListWidgetItem*> selected = nameList_->selectedItems();
    return selected.isEmpty() ? -1 : nameList_->row(selected.constFirst());
}

void frmswDbaseDemo::SelectRow(int row) {
    if (row < 0) {
        ClearSelection();
        return;
    }
    nameList_->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

void frmswDbaseDemo::ClearSelection() {
    nameList_->clearSelection();
    nameList_->setCurrentItem(nullptr, QItemSelectionModel::Clear);
}

void frmswDbaseDemo::SelectListItemByID(int id) {
    if (id == 0) return;
    // With equal identifiers the last one wins.
    int found = -1;
    for (int row = 0; row < nameList_->count(); ++row) {
        if (nameList_->item(row)->data(Qt::UserRole).toInt() == id) found = row;
    }
    if (found >= 0) {
        SelectRow(found);
        nameList_->scrollToItem(nameList_->item(found), QAbstractItemView::PositionAtCenter);
    }
}

int frmswDbaseDemo::ListRowAt(const QPoint& viewportPos) const {
    const QModelIndex index = nameList_->indexAt(viewportPos);
    return index.isValid() ? index.row() : nameList_->count() - 1;
}

void frmswDbaseDemo::ShowContextMenu(const QPoint& viewportPos) {
    SelectRow(ListRowAt(viewportPos));
    contextMenu_->popup(nameList_->viewport()->mapToGlobal(viewportPos));
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
    if (!names_) return;

    matchControl_->setTableName(ToQString(std::u16string(kNamesTable)));
    matchControl_->setKeyFieldName(ToQString(std::u16string(kNamesKeyField)));
    matchControl_->setTextFieldName(ToQString(std::u16string(kNamesTextField)));
    matchControl_->setIDFieldName(ToQString(std::u16string(kNamesIDField)));
    matchControl_->setConnectionType(QM::qmDAO);
    matchControl_->setCompare(QM::qmCompareAuto);

    // The control lets events through while it searches; this window may be closed then.
    QPointer<frmswDbaseDemo> self(this);
    QString text = txtSearch->text();
    searching_ = true;
    matchControl_->BestMatchSearch(&names_->Database(), text);
    if (!self) return;
    searching_ = false;

    searchTimePanel_->setText(QStringLiteral("Search Time = ") +
                              FormatSearchTime(matchControl_->SearchTime()) + QStringLiteral("secs"));
    if (searchOptions_[2]->isChecked()) {
        // The user picks from the control's own list.
        cmdSearch->setDefault(false);
        txtSearch->setFocus();
    } else if (!matchControl_->SetToBestMatch()) {
        // Nothing found: the previous search's match is not shown again.
        ClearSelection();
        cmdNext->hide();
        txtSearch->setFocus();
    } else {
        SelectListItemByID(matchControl_->IDValue());
        if (!matchControl_->FinalMatchItem()) {
            cmdNext->show();
            cmdNext->setFocus();
        } else {
            txtSearch->setFocus();
        }
    }
    emit SearchFinished();
}

void frmswDbaseDemo::NextMatch() {
    matchControl_->SetToNextMatch();
    SelectListItemByID(matchControl_->IDValue());
    if (matchControl_->FinalMatchItem()) {
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
            matchControl_->hide();
            break;
        case 1:
            matchControl_->setShowListBox(false);
            matchControl_->show();
            break;
        case 2:
            matchControl_->setShowListBox(true);
            matchControl_->show();
            matchControl_->resize(matchControl_->width(), TwipsY(this, controlHeight_));
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
    if (row < 0 || !names_) return;
    try {
        const QString name = ToQString(names_->NameAt(BookmarkOf(row)));
        editMode_ = true;
        txtEdit->setText(name);
    } catch (const std::exception& error) {
        TellError(QStringLiteral("The name cannot be edited."), error);
        return;
    }
    txtEdit->setFocus();
}

void frmswDbaseDemo::SaveName() {
    const QString text = txtEdit->text();
    // Before a database is open, and while a search reads the table, nothing is written.
    if (text.isEmpty() || !names_ || searching_) {
        txtEdit->setFocus();
        return;
    }
    try {
        const std::u16string name = text.toStdU16String();
        const std::u16string key = matchControl_->MakeCode(text).toStdU16String();
        if (editMode_) {
            const int row = SelectedIndex();
            if (row < 0) return;
            names_->Replace(BookmarkOf(row), name, key);
        } else {
            names_->Add(name, key);
        }
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
    if (row < 0 || !names_) return;
    try {
        names_->Remove(BookmarkOf(row));
    } catch (const std::exception& error) {
        TellError(QStringLiteral("The name could not be deleted."), error);
        return;
    }
    bookmarks_.erase(bookmarks_.begin() + row);
    delete nameList_->takeItem(row);
    ClearSelection();
    ShowRecordCount();
}

}  // namespace quarrymink::demo
