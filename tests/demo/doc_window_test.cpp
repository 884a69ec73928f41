// The document demonstration's window and its word search, offscreen, with every dialog
// answered by the test.
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

#include "DocMain.h"
#include "demo_test_support.h"
#include "frmFindWord.h"
#include "frmKeyPrepare.h"
#include "frmswDocDemo.h"

using namespace quarrymink;
using namespace quarrymink::demo;

const QString kNotFound = QStringLiteral("Search Text is not found.\n\nIs 'Use Quarrymink' checked?");

class ScriptedDocDialogs final : public DocDialogs {
public:
    std::deque<QString> openAnswers, saveAnswers;  // "" cancels
    std::deque<Answer> saveQuestionAnswers;
    QStringList savePrompts, messages;  // the documents asked about; the messages shown
    int beeps = 0, unexpected = 0;

    QString OpenFileName(QWidget*, const QString&, const QString&, const QString&) override {
        return demotest::NextAnswer(openAnswers, QString(), unexpected);
    }
    QString SaveFileName(QWidget*, const QString&, const QString&, const QString&) override {
        return demotest::NextAnswer(saveAnswers, QString(), unexpected);
    }
    Answer AskToSave(QWidget*, const QString& title) override {
        savePrompts << title;
        return demotest::NextAnswer(saveQuestionAnswers, Answer::Cancel, unexpected);
    }
    void Message(QWidget*, QMessageBox::Icon, const QString& text) override { messages << text; }
    void ShowHelp(QWidget*, const QString&) override {}
    void ShowAbout(QWidget*) override {}
    void Beep() override { ++beeps; }
};

class DocWindowTest : public QObject {
    Q_OBJECT

private:
    demotest::ScratchSettings settings_;
    QTemporaryDir dir_;
    const QString data_ = dir_.filePath("data/");             // with the common words
    const QString docs_ = dir_.filePath("first.last/docs/");  // in a folder whose name holds a "."
    std::shared_ptr<ScriptedDocDialogs> dialogs_;
    std::unique_ptr<frmswDocDemo> window_;

    frmswDocDemo* NewWindow() { return new frmswDocDemo(DocDemoContext{data_, dialogs_}); }
    frmswDocDemo* Window() {
        if (!window_) {
            window_.reset(NewWindow());
            window_->show();
            if (!QTest::qWaitForWindowExposed(window_.get())) qWarning("document window not exposed");
        }
        return window_.get();
    }
    QTextEdit* Editor() { return Window()->rtb(); }
    DocumentState& Doc() { return Window()->Doc(); }
    QString Selected() { return Editor()->textCursor().selectedText(); }
    int SelectionStart() { return Editor()->textCursor().selectionStart(); }
    void TypeAtStart(const QString& text) { QTextCursor(Editor()->document()).insertText(text); }

    QString Write(const QString& name, const QByteArray& content) {
        demotest::WriteFile(docs_ + name, content);
        return docs_ + name;
    }
    bool Open(const QString& path, frmswDocDemo* window = nullptr) {
        dialogs_->openAnswers.push_back(path);
        return (window ? window : Window())->Open();
    }
    // Opens the document at path and shows its word search window.
    frmFindWord* OpenToFind(const QString& path, frmswDocDemo* window = nullptr) {
        window = window ? window : Window();
        if (!Open(path, window)) qWarning("cannot open %s", qPrintable(path));
        window->Find();
        return window->FindWindow();
    }
    void Search(frmFindWord* find, const QString& text, bool bySound = true) {
        find->chkQuarrymink()->setChecked(bySound);
        find->WordBox()->setText(text);
        find->cmdFind_Click();
    }
    // Types prefix at the start, then searches "smith" by sound: the "Smyth" at position at is selected.
    void FindSmythAt(frmFindWord* find, int at, const QString& prefix = {}) {
        TypeAtStart(prefix);
        Search(find, "smith");
        QCOMPARE(SelectionStart(), at);
        QCOMPARE(Selected(), QString("Smyth"));
    }
    // A window of its own opens the document at path and searches it, and is closed from inside the
    // search, or from the preparation of its keyword list: it must go once the search has stopped,
    // with nothing to tell.
    void CloseWhileSearching(const QString& path, bool duringPreparation) {
        QPointer<frmswDocDemo> window(NewWindow());
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
        frmFindWord* find = OpenToFind(path, window);
        bool preparing = false;
        const auto close = [&preparing, window](QWidget* modal) {
            auto* prepare = qobject_cast<frmKeyPrepare*>(modal);
            preparing = prepare && prepare->Running();
            window->close();
            QVERIFY(window);  // not under the running search
        };
        if (duringPreparation) demotest::WhenModal(close);
        const auto closeNow = [close] { close(nullptr); };
        if (!duringPreparation)
            connect(find->MatchControl(), &QM::MatchFound, window, closeNow, Qt::SingleShotConnection);
        Search(find, "smith");
        QTRY_VERIFY(window.isNull());
        QVERIFY(dialogs_->messages.isEmpty());
        QCOMPARE(preparing, duringPreparation);
    }

private Q_SLOTS:
    void init() {
        settings_.Clear();
        QDir(dir_.path()).removeRecursively();
        QDir().mkpath(docs_);
        demotest::CopySourceData(data_, {"CommonWords", "qmDocDemoHelp.htf"});
        dialogs_ = std::make_shared<ScriptedDocDialogs>();
    }
    void cleanup() {  // every question asked was expected, and every answer given
        window_.reset();
        QCOMPARE(dialogs_->unexpected, 0);
        QVERIFY(dialogs_->openAnswers.empty() && dialogs_->saveAnswers.empty());
    }

    void saveAndSaveAsRoundTripRichAndPlainTextAndAChangedDocumentAsksBeforeItIsLost() {
        // A ".txt" document stays plain text, and keeps its encoding and its line ends.
        const QString old = Write("old.txt", "caf\xe9\r\nna\xefve {two}\r\n");
        QVERIFY(Open(old));
        QCOMPARE(Editor()->toPlainText(), QString::fromUtf8("caf\u00e9\nna\u00efve {two}\n"));
        Editor()->moveCursor(QTextCursor::End);
        Editor()->insertPlainText("!");
        QVERIFY(Window()->Save());
        QCOMPARE(demotest::ReadFile(old), QByteArray("caf\xe9\r\nna\xefve {two}\r\n!"));

        // Save As ".rtf" writes rich text.
        dialogs_->saveAnswers = {docs_ + "copy.rtf"};
        QVERIFY(Window()->SaveAs());
        QCOMPARE(Doc().path, docs_ + "copy.rtf");
        QVERIFY(demotest::ReadFile(docs_ + "copy.rtf").startsWith("{\\rtf"));

        // A new document asks for a name; cancelling saves nothing.
        Window()->New();
        Editor()->setPlainText("fresh words");
        dialogs_->saveAnswers = {"", docs_ + "fresh.rtf"};
        QVERIFY(!Window()->Save());
        QCOMPARE(Doc().title, QString("temp"));
        QVERIFY(!QFileInfo::exists(docs_ + "temp"));
        QVERIFY(Window()->Save());
        QCOMPARE(Doc().title, QString("fresh.rtf"));

        // A changed document asks before it is lost; the saved one above asks nothing.
        const QString story = Write("story.rtf", "{\\rtf1 once}");
        QVERIFY(Open(story));
        TypeAtStart("upon ");
        dialogs_->saveQuestionAnswers = {DocDialogs::Answer::Cancel};
        Window()->New();
        QCOMPARE(Editor()->toPlainText(), QString("upon once"));
        QCOMPARE(Doc().path, story);

        dialogs_->saveQuestionAnswers = {DocDialogs::Answer::Save};
        QVERIFY(Open(Write("other.rtf", "{\\rtf1 other}")));
        QCOMPARE(Editor()->toPlainText(), QString("other"));
        QVERIFY(QString::fromLatin1(demotest::ReadFile(story)).contains("upon once"));

        TypeAtStart("x");
        dialogs_->saveQuestionAnswers = {DocDialogs::Answer::Cancel, DocDialogs::Answer::Discard};
        Window()->close();
        QVERIFY(Window()->isVisible());
        Window()->close();
        QVERIFY(!Window()->isVisible());
        QCOMPARE(dialogs_->savePrompts, (QStringList{"story.rtf", "story.rtf", "other.rtf", "other.rtf"}));
        window_.reset();

        // A new document that the user declines to name keeps its window open.
        TypeAtStart("unsaved");
        dialogs_->saveQuestionAnswers = {DocDialogs::Answer::Save, DocDialogs::Answer::Discard};
        dialogs_->saveAnswers = {""};
        Window()->close();
        QVERIFY(Window()->isVisible());
        QCOMPARE(Editor()->toPlainText(), QString("unsaved"));
    }

    void startsWithANewDocumentAndFileErrorsAreToldAndChangeNothing() {
        QCOMPARE(Doc().path, data_ + "temp");  // a new document first, in the data folder
        const QString good = Write("good.rtf", "{\\rtf1 good {\\b text}\\par}");
        QVERIFY(Open(good));
        QCOMPARE(DocSettings(kDocAppName).DocumentDir(), docs_);
        const QString caption = Window()->windowTitle();
        const QString deep = Write("deep.rtf", "{\\rtf1 " + QByteArray(1100, '{'));
        for (const QString& path : QStringList{docs_, docs_ + "missing.rtf", deep}) {
            const qsizetype before = dialogs_->messages.size();
            QVERIFY(!Open(path));
            QCOMPARE(dialogs_->messages.size(), before + 1);
            QCOMPARE(Doc().path, good);
            QCOMPARE(Window()->windowTitle(), caption);
            QCOMPARE(Editor()->toPlainText(), QString("good text"));
        }

        // Save As into a folder that does not exist; Save where the file has become a folder.
        TypeAtStart("more ");
        dialogs_->saveAnswers = {docs_ + "no/such/folder/x.rtf"};
        QVERIFY(!Window()->SaveAs());
        QCOMPARE(Doc().path, good);
        QVERIFY(QFile::remove(good) && QDir().mkpath(good));
        QVERIFY(!Window()->Save());
        QVERIFY(dialogs_->messages.back().contains("cannot be saved"));
        QVERIFY(Editor()->document()->isModified());

        // A new document goes where the last one came from; Find waits for a file: only a beep.
        dialogs_->saveQuestionAnswers = {DocDialogs::Answer::Discard};
        Window()->New();
        QCOMPARE(Doc().path, docs_ + "temp");
        Window()->Find();
        QCOMPARE(dialogs_->beeps, 1);
        QVERIFY(!Window()->FindWindow() || !Window()->FindWindow()->isVisible());
    }

    void findNextWalksTheExactAndTheSoundMatchesToTheLast() {
        frmFindWord* find = OpenToFind(
            Write("names.txt",
                  "Smith met Kathryn, and smith saw Smithy, Catherine, Katrina and Cathrin at the fete."));
        Search(find, "smith", false);  // exact: from the first word on
        QCOMPARE(Selected(), QString("Smith"));
        find->cmdNext_Click();
        QCOMPARE(find->FoundPos(), 23);
        find->cmdNext_Click();  // "Smithy" is no whole word "smith"
        QCOMPARE(find->FoundPos(), -1);

        find->chkQuarrymink()->click();
        Search(find, "katrin");
        demotest::Screenshot(find, "doc_demo_sound_match");

        // Each match once, each a sound-alike; after the last, Find Next has nothing more.
        QStringList alike = {"Catherine", "Kathryn", "Katrina", "Cathrin"};
        QVERIFY2(alike.removeOne(Selected()), qPrintable(Selected()));
        for (int guard = 0; !find->MatchControl()->FinalMatchItem() && guard < 25; ++guard) {
            find->cmdNext_Click();
            QVERIFY2(alike.removeOne(Selected()), qPrintable(Selected()));
        }
        QVERIFY2(alike.size() <= 2, qPrintable(alike.join(',')));
        QVERIFY(!find->cmdNext()->isEnabled());
        const int at = SelectionStart();
        find->cmdNext_Click();
        QCOMPARE(SelectionStart(), at);

        // An empty search text disables Find; a click that gets through anyway does nothing.
        find->WordBox()->clear();
        QVERIFY(!find->cmdFind()->isEnabled());
        find->cmdFind_Click();
        QVERIFY(dialogs_->messages.isEmpty());
    }

    void keywordListIsPreparedWhenAskedAndFollowsTheDocumentVersion() {
        // Not ticked: only the message, and no keyword list.
        const QString path = Write("v.rtf", "{\\rtf1 Smyth alpha gamma}");
        frmFindWord* find = OpenToFind(path);
        Search(find, "smith", false);
        QCOMPARE(dialogs_->messages, QStringList{kNotFound});
        QVERIFY(!QFileInfo::exists(docs_ + "v.qmd"));

        // A preparation that fails (no common words) tells so, and is not taken as current.
        QVERIFY(QFile::rename(data_ + "CommonWords", data_ + "CommonWords.away"));
        Search(find, "smith");
        QCOMPARE(dialogs_->messages.size(), 2);
        QVERIFY(dialogs_->messages.back().contains("CommonWords"));
        QVERIFY(QFile::rename(data_ + "CommonWords.away", data_ + "CommonWords"));

        // Ticked: the first word of a document has position 0, and is a match all the same;
        // then a search that matches nothing must not show it again.
        FindSmythAt(find, 0);
        Editor()->moveCursor(QTextCursor::End);
        Search(find, "xylophone");
        QCOMPARE(Selected(), QString());
        QCOMPARE(Editor()->textCursor().position(), static_cast<int>(Editor()->toPlainText().size()));

        // Unchanged: the list is not rebuilt (an emptied list finds nothing). Changed: rebuilt.
        OpenSqlite(QFile::encodeName(docs_ + "v.qmd").toStdString())->Execute(u"DELETE FROM KeyWordList");
        Search(find, "smith");
        QCOMPARE(dialogs_->messages.mid(2), (QStringList{kNotFound, kNotFound}));
        FindSmythAt(find, 5, "xxxx ");

        // Saved, then edited and saved after the last search, and opened again: a new
        // version, so the list is rebuilt and the selection lands on the word.
        QVERIFY(Window()->Save());
        TypeAtStart("yy ");
        QVERIFY(Window()->Save());
        Window()->New();
        QVERIFY(Open(path));
        FindSmythAt(find, 8);

        // Edited and searched, then the edit discarded: the list of the discarded text is
        // not taken for the saved one, nor for a different edit of it.
        FindSmythAt(find, 15, "zzzzzz ");
        dialogs_->saveQuestionAnswers = {DocDialogs::Answer::Discard, DocDialogs::Answer::Discard};
        Window()->New();
        QVERIFY(Open(path));
        FindSmythAt(find, 8);
        FindSmythAt(find, 10, "q ");
    }

    void closingWaitsForARunningSearchOrPreparation() {
        const QString sample = docs_ + "Sample.rtf";
        QVERIFY(QFile::copy(QStringLiteral(QM_SOURCE_DATA_DIR "/Sample.rtf"), sample));

        // The word search window, closed from inside the control's search.
        frmFindWord* find = OpenToFind(sample);
        bool busy = false;  // during the search
        const auto busyThenClose = [&] {
            busy = Editor()->isReadOnly() && !Window()->findChild<QAction*>("mnuOpen")->isEnabled();
            find->close();
            QVERIFY(find->isVisible());  // not under the running search
        };
        connect(find->MatchControl(), &QM::MatchFound, this, busyThenClose, Qt::SingleShotConnection);
        Search(find, "smith");
        QVERIFY(busy);
        QTRY_VERIFY(!find->isVisible());
        QVERIFY(!Editor()->isReadOnly());

        // The document window, closed the same way during its search, and during the preparation
        // of its keyword list: no list is taken as current then.
        CloseWhileSearching(sample, false);
        QString text;
        for (int i = 0; i < 3000; ++i) text += QStringLiteral("Ashcombe fete %1 Smyth marquee ").arg(i);
        const QString path = Write("long.txt", text.toUtf8());
        CloseWhileSearching(path, true);
        QCOMPARE(DocSettings(kDocAppName).KeyVersion(path), 0);
    }
};

QTEST_MAIN(DocWindowTest)
#include "doc_window_test.moc"
