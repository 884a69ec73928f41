// The document demonstration's editor window.
#include "frmswDocDemo.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenuBar>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>
#include <functional>
#include <utility>

#include "DemoMain.h"
#include "demo_pictures.h"
#include "demo_twips.h"
#include "frmFindWord.h"
#include "rtf.h"

namespace quarrymink::demo {
namespace {

const QString kCaptionPrefix = QStringLiteral("QuarryminkDemo ... ");
const QString kOpenFilter = QStringLiteral("Documents (*.rtf *.txt)");
const QString kSaveFilter = QStringLiteral("Rich text (*.rtf);;Plain text (*.txt)");
const QString kHelpFileName = QStringLiteral("qmDocDemoHelp.htf");

// Design measures in twips.
constexpr int kEditorLeft = 120;
constexpr int kClientWidth = 8820, kClientHeight = 6525;
constexpr int kEditorBottomGap = 120;  // below the editor at full height
constexpr int kFindWindowGap = 100;    // between the editor, the word search window and the bottom

QString WithSeparator(QString folder) {
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    return folder;
}

// Plain text in whatever encoding its byte order mark names, else UTF-8 when it is valid,
// else Latin-1 (which reads any byte).
QString DecodePlainText(const QByteArray& data, PlainTextForm& form) {
    form = PlainTextForm{};
    QString text;
    if (const auto bom = QStringConverter::encodingForData(data)) {
        form.encoding = *bom;
        form.byteOrderMark = true;
        QStringDecoder decoder(*bom);
        text = decoder.decode(data);
    } else {
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        text = utf8.decode(data);
        if (utf8.hasError()) {
            form.encoding = QStringConverter::Latin1;
            text = QString::fromLatin1(data);
        }
    }
    form.crlf = text.contains(QLatin1String("\r\n"));
    return text;
}

QByteArray EncodePlainText(QString text, const PlainTextForm& form) {
    if (form.crlf) text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    QStringEncoder encoder(form.encoding, form.byteOrderMark ? QStringConverter::Flag::WriteBom
                                                             : QStringConverter::Flag::Default);
    QByteArray data = encoder.encode(text);
    if (encoder.hasError()) data = text.toUtf8();  // typed characters the old encoding has not
    return data;
}

}  // namespace

bool IsPlainTextPath(const QString& path) {
    return QFileInfo(path).suffix().compare(QLatin1String("txt"), Qt::CaseInsensitive) == 0;
}

bool LoadDocumentFile(const QString& path, QTextDocument* document, QString* error, PlainTextForm* form) {
    const auto fail = [error](const QString& why) {
        if (error) *error = why;
        return false;
    };
    if (QFileInfo(path).isDir()) return fail(QStringLiteral("It is a folder, not a file."));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return fail(file.errorString());
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) return fail(file.errorString());
    if (!IsPlainTextPath(path) && rtf::LooksLikeRtf(data)) {
        QString why;
        if (!rtf::ReadRtf(data, document, &why)) return fail(why);
        return true;
    }
    PlainTextForm read;
    document->setPlainText(DecodePlainText(data, read));
    if (form) *form = read;
    return true;
}

bool SaveDocumentFile(const QString& path, const QTextDocument& document, QString* error,
                      const PlainTextForm& form) {
    const auto fail = [error](const QString& why) {
        if (error) *error = why;
        return false;
    };
    const bool plain = IsPlainTextPath(path);
    const QByteArray data = plain ? EncodePlainText(document.toPlainText(), form) : rtf::WriteRtf(document);
    // The old file is replaced only once the new one is complete.
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) return fail(file.errorString());
    if (file.write(data) != data.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return fail(why);
    }
    if (!file.commit()) return fail(file.errorString());
    return true;
}

frmswDocDemo::frmswDocDemo(DocDemoContext context, QWidget* parent)
    : QMainWindow(parent), context_(std::move(context)), settings_(context_.appName) {
    if (!context_.dialogs) context_.dialogs = StandardDocDialogs();
    doc_.appName = context_.appName;
    setObjectName(QStringLiteral("frmswDocDemo"));
    setWindowIcon(DemoIcon());
    setWindowTitle(QString::fromLatin1(kDemoCaption));

    auto* area = new QWidget(this);
    area->setObjectName(QStringLiteral("editorArea"));
    setCentralWidget(area);
    rtb_ = new QTextEdit(area);
    rtb_->setObjectName(QStringLiteral("rtb"));
    rtb_->setAcceptRichText(true);
    area->installEventFilter(this);

    CreateMenus();
    resize(TwipsSize(this, kClientWidth, kClientHeight) + QSize(0, menuBar()->sizeHint().height()));

    connect(rtb_, &QTextEdit::textChanged, this, [this] { doc_.changed = true; });

    doc_.dir = context_.appFolder.isEmpty() ? WithSeparator(QDir::currentPath()) : context_.appFolder;
    ClearDocument();  // under the start window's caption until a document is named
    UpdateCommands();
}

frmswDocDemo::~frmswDocDemo() {
    // The word search window goes with this one; its last events are not ours to handle.
    if (findWindow_) findWindow_->removeEventFilter(this);
}

void frmswDocDemo::CreateMenus() {
    const auto item = [this](QMenu* menu, const char* name, const QString& caption, const QKeySequence& keys,
                             std::function<void()> command) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(keys);
        connect(action, &QAction::triggered, this, std::move(command));
        return action;
    };
    QMenu* mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuNew_ = item(mnuFile, "mnuNew", QStringLiteral("&New"), QKeySequence(Qt::CTRL | Qt::Key_N),
                   [this] { New(); });
    mnuOpen_ = item(mnuFile, "mnuOpen", QStringLiteral("&Open..."), QKeySequence(Qt::CTRL | Qt::Key_O),
                    [this] { Open(); });
    mnuSave_ = item(mnuFile, "mnuSave", QStringLiteral("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S),
                    [this] { Save(); });
    mnuSaveAs_ = item(mnuFile, "mnuSaveAs", QStringLiteral("Save &As..."),
                      QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), [this] { SaveAs(); });
    mnuFile->addSeparator();
    // In the editor Ctrl+X stays Cut: the editor takes its own editing keys first.
    mnuExit_ = item(mnuFile, "mnuExit", QStringLiteral("E&xit"), QKeySequence(Qt::CTRL | Qt::Key_X),
                    [this] { close(); });

    QMenu* find = menuBar()->addMenu(QStringLiteral("F&ind"));
    find->setObjectName(QStringLiteral("Find"));
    mnuFind_ = item(find, "mnuFind", QStringLiteral("&Find"), QKeySequence(Qt::CTRL | Qt::Key_F),
                    [this] { Find(); });

    QMenu* mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    Help_ = item(mnuHelp, "Help", QStringLiteral("&Help"), QKeySequence(Qt::Key_F1), [this] { ShowHelp(); });

    mnuAbout_ = menuBar()->addAction(QStringLiteral("&About"));
    mnuAbout_->setObjectName(QStringLiteral("mnuAbout"));
    connect(mnuAbout_, &QAction::triggered, this, &frmswDocDemo::ShowAbout);
}

frmFindWord* frmswDocDemo::FindWindow(bool create) {
    if (!findWindow_ && create) {
        findWindow_ = new frmFindWord(*this);
        findWindow_->installEventFilter(this);
        connect(findWindow_, &frmFindWord::BusyChanged, this, &frmswDocDemo::FindWorkChanged);
    }
    return findWindow_;
}

// ---------------------------------------------------------------------------------------
// File commands

void frmswDocDemo::New() {
    if (findBusy_) return;
    if (!MaybeSave()) return;
    ClearDocument();
    SetDocCaption(this);
}

void frmswDocDemo::ClearDocument() {
    rtb_->clear();
    plainForm_ = PlainTextForm{};
    doc_.title = QString::fromLatin1(kNewDocTitle);
    doc_.path = doc_.dir + doc_.title;
    // A version no keyword list of that name has: should a file of that name exist, its
    // list is not taken for the new text.
    doc_.version = settings_.NextVersion(doc_.path, doc_.version);
    doc_.changed = false;
    rtb_->document()->setModified(false);
}

bool frmswDocDemo::Open() {
    if (findBusy_) return false;
    if (!MaybeSave()) return false;
    const QString path = Dialogs().OpenFileName(this, QStringLiteral("Open Document"), doc_.dir, kOpenFilter);
    if (path.isEmpty()) return false;
    return OpenFile(path);
}

bool frmswDocDemo::OpenFile(const QString& path) {
    const QFileInfo file(path);
    QString error;
    PlainTextForm form;
    if (!LoadDocumentFile(file.absoluteFilePath(), rtb_->document(), &error, &form)) {
        Dialogs().Message(this, QMessageBox::Critical,
                          QStringLiteral("The document %1 cannot be opened.\n\n%2")
                              .arg(QDir::toNativeSeparators(file.absoluteFilePath()), error));
        return false;
    }
    plainForm_ = form;
    doc_.title = file.fileName();
    doc_.path = file.absoluteFilePath();
    doc_.dir = WithSeparator(file.absolutePath());
    SetDocCaption(this);
    doc_.changed = false;  // after the load, whose own changes do not count
    rtb_->document()->setModified(false);
    rtb_->moveCursor(QTextCursor::Start);
    doc_.version = settings_.DocVersion(doc_.path);
    settings_.SetDocumentDir(doc_.dir);
    findEnabled_ = true;
    UpdateCommands();
    return true;
}

bool frmswDocDemo::Save() {
    if (findBusy_) return false;
    if (doc_.title == QLatin1String(kNewDocTitle)) return SaveAs();
    return SaveFile(doc_.path);
}

bool frmswDocDemo::SaveAs() {
    if (findBusy_) return false;
    const QString path = Dialogs().SaveFileName(this, QStringLiteral("Save Document"), doc_.dir, kSaveFilter);
    if (path.isEmpty()) return false;
    return SaveFile(path);
}

bool frmswDocDemo::SaveFile(const QString& path) {
    const QFileInfo file(path);
    const QString fullPath = file.absoluteFilePath();
    QString error;
    if (!SaveDocumentFile(fullPath, *rtb_->document(), &error, plainForm_)) {
        Dialogs().Message(this, QMessageBox::Critical,
                          QStringLiteral("The document %1 cannot be saved.\n\n%2")
                              .arg(QDir::toNativeSeparators(fullPath), error));
        return false;
    }
    if (fullPath != doc_.path) {
        doc_.title = file.fileName();
        doc_.path = fullPath;
        doc_.dir = WithSeparator(file.absolutePath());
        SetDocCaption(this);
        // Another file's settings and keyword list may lie under that name.
        doc_.version = settings_.NextVersion(doc_.path, doc_.version);
    } else if (doc_.changed) {
        doc_.version = settings_.NextVersion(doc_.path, doc_.version);
    }
    // The saved text keeps its version across sessions: reopened, it is searched with
    // the list built for it, and with no other.
    settings_.SetDocVersion(doc_.path, doc_.version);
    doc_.changed = false;
    rtb_->document()->setModified(false);
    findEnabled_ = true;
    UpdateCommands();
    return true;
}

bool frmswDocDemo::MaybeSave() {
    if (!rtb_->document()->isModified()) return true;
    switch (Dialogs().AskToSave(this, doc_.title)) {
        case DocDialogs::Answer::Save:
            return Save();
        case DocDialogs::Answer::Discard:
            return true;
        case DocDialogs::Answer::Cancel:
            break;
    }
    return false;
}

// ---------------------------------------------------------------------------------------
// Find, help, about

void frmswDocDemo::Find() {
    if (!findEnabled_ || findBusy_) return;
    if (!QFileInfo(doc_.path).isFile()) {
        Dialogs().Beep();
        return;
    }
    Arrange(false);
    findWindow_->show();
    findWindow_->raise();
    findWindow_->activateWindow();
}

void frmswDocDemo::ShowHelp() {
    Dialogs().ShowHelp(this, context_.appFolder + kHelpFileName);
}

void frmswDocDemo::ShowAbout() {
    Dialogs().ShowAbout(this);
}

void frmswDocDemo::SetDocCaption(QWidget* window) const {
    window->setWindowTitle(kCaptionPrefix + doc_.title);
}

// ---------------------------------------------------------------------------------------
// Layout

void frmswDocDemo::Arrange(bool fullHeight) {
    QWidget* area = centralWidget();
    const int left = TwipsX(area, kEditorLeft);
    const int width = std::max(0, area->width() - 2 * left);
    int height;
    if (fullHeight) {
        height = area->height() - TwipsY(area, kEditorBottomGap);
    } else {
        // Inside this window at its bottom, level with the editor's left edge: the word
        // search window's frame ends the gap above this window's frame.
        frmFindWord* find = FindWindow(true);
        const int findTop = frameGeometry().bottom() + 1 - FramedHeight(find) - TwipsY(this, kFindWindowGap);
        const QPoint areaTop = area->mapToGlobal(QPoint(0, 0));
        const QPoint place(areaTop.x() + left, findTop);
        if (find->frameGeometry().topLeft() != place) find->move(place);
        placedFindFrame_ = find->frameGeometry().size();
        height = findTop - areaTop.y() - TwipsY(area, kFindWindowGap);
    }
    rtb_->setGeometry(left, 0, width, std::max(height, TwipsY(area, 300)));
}

int frmswDocDemo::FramedHeight(const QWidget* window) const {
    // Until the window system has framed a new window, its frame is not known: it is taken
    // to be as high as this window's, and the place is corrected once the frame is there.
    int frame = window->frameGeometry().height() - window->height();
    if (frame == 0) frame = frameGeometry().height() - geometry().height();
    return window->height() + frame;
}

void frmswDocDemo::Rearrange() {
    Arrange(!(findWindow_ && findWindow_->isVisible()));
}

bool frmswDocDemo::event(QEvent* event) {
    // The word search window stays above this one, so an activation keeps its room free.
    if (event->type() == QEvent::WindowActivate) Rearrange();
    return QMainWindow::event(event);
}

bool frmswDocDemo::eventFilter(QObject* watched, QEvent* event) {
    if (watched == centralWidget() && event->type() == QEvent::Resize) Rearrange();
    if (watched == findWindow_ && event->type() == QEvent::Hide) Arrange(true);
    // The window system has framed the word search window (or changed its frame): it is
    // placed again. A move by the user alone leaves it where the user put it.
    if (watched == findWindow_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize) &&
        findWindow_->isVisible() && findWindow_->frameGeometry().size() != placedFindFrame_)
        Arrange(false);
    return QMainWindow::eventFilter(watched, event);
}

void frmswDocDemo::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    if (findWindow_ && findWindow_->isVisible()) Arrange(false);
}

// ---------------------------------------------------------------------------------------
// Closing, and work of the word search

void frmswDocDemo::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->ignore();
        return;
    }
    if (findBusy_) {
        // The search or the preparation runs below this call: it stops first, and the
        // window closes when it has unwound.
        closePending_ = true;
        findWindow_->RequestStop();
        event->ignore();
        return;
    }
    closing_ = true;
    const bool leave = MaybeSave();
    closing_ = false;
    if (!leave) {
        event->ignore();
        return;
    }
    if (findWindow_) {
        findWindow_->hide();
        findWindow_->removeEventFilter(this);  // it is not ours to watch while it goes
        findWindow_->deleteLater();
    }
    event->accept();
}

void frmswDocDemo::FindWorkChanged(bool busy) {
    findBusy_ = busy;
    rtb_->setReadOnly(busy);
    UpdateCommands();
    if (!busy && std::exchange(closePending_, false))
        QMetaObject::invokeMethod(
            this, [this] { close(); }, Qt::QueuedConnection);
}

void frmswDocDemo::UpdateCommands() {
    for (QAction* action : {mnuNew_, mnuOpen_, mnuSave_, mnuSaveAs_}) action->setEnabled(!findBusy_);
    mnuFind_->setEnabled(findEnabled_ && !findBusy_);
}

}  // namespace quarrymink::demo
