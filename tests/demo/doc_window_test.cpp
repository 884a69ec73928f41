// The document demonstration's window and its word search, offscreen, with every dialog
// answered by the test.
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <deque>
#include <memory>

#include "DocMain.h"
#include "demo_test_support.h"
#include "frmFindWord.h"
#include "frmKeyPrepare.h"
#include "frmswDocDemo.h"
#include "quarrymink/database.h"
#include "quarrymink/qm.h"

using namespace quarrymink;
using namespace quarrymink::demo;

namespace {

const QString kNotFound = QStringLiteral("Search Text is not found.\n\nIs 'Use Quarrymink' checked?");

class ScriptedDocDialogs final : public DocDialogs {
public:
    std::deque<QString> openAnswers, saveAnswers;  // "" cancels
    std::deque<Answer> saveQuestionAnswers;
    QStringList openFolders, saveTitles;
    QStringList savePrompts;  // documents asked about
    QStringList messages;
    int beeps = 0, unexpected = 0;

    QString OpenFileName(QWidget*, const QString&, const QString& folder, const QString&) override {
        openFolders << folder;
        return demotest::NextAnswer(openAnswers, QString(), unexpected);
    }
    QString SaveFileName(QWidget*, const QString& title, const QString&, const QString&) override {
        saveTitles << title;
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

}  // namespace

class DocWindowTest : public QObject {
    Q_OBJECT

private:
    demotest::ScratchSettings settings_;
    QTemporaryDir dir_;
    QString data_;  // the data folder, with the common words
    QString docs_;  // the documents, in a folder whose name holds a "."
    std::shared_ptr<ScriptedDocDialogs> dialogs_;
    std::unique_ptr<frmswDocDemo> window_;

    frmswDocDemo* Window() {
        if (!window_) {
            window_ = std::make_unique<frmswDocDemo>(DocDemoContext{data_, dialogs_});
            window_->move(40, 30);
            window_->show();
            if (!QTest::qWaitForWindowExposed(window_.get())) qWarning("document window not exposed");
        }
        return window_.get();
    }
    QTextEdit* Editor() { return Window()->rtb(); }
    DocumentState& Doc() { return Window()->Doc(); }
    DocSettings Settings() const { return DocSettings(QString::fromLatin1(kDocAppName)); }

    QString Write(const QString& name, const QByteArray& content) {
        demotest::WriteFile(docs_ + name, content);
        return docs_ + name;
    }
    bool Open(const QString& path, frmswDocDemo* window = nullptr) {
        dialogs_->openAnswers.push_back(path);
        return (window ? window : Window())->Open();
    }
    frmFindWord* ShowFind(frmswDocDemo* window = nullptr) {
        window = window ? window : Window();
        window->Find();
        return window->FindWindow();
    }
    void Search(frmFindWord* find, const QString& text, bool bySound) {
        find->chkQuarrymink()->setChecked(bySound);
        find->WordBox()->setText(text);
        find->cmdFind_Click();
    }
    QString Selected() { return Editor()->textCursor().selectedText(); }
    // Searches "smith" by sound: the selection must be the "Smyth" at position at.
    void FindSmythAt(frmFindWord* find, int at) {
        Search(find, "smith", true);
        QCOMPARE(SelectionStart(), at);
        QCOMPARE(Selected(), QString("Smyth"));
    }
    // The current document, its folder and the window's caption.
    void ExpectDocument(const QString& folder, const QString& title, const QString& caption) {
        QCOMPARE(Doc().title, title);
        QCOMPARE(Doc().dir, folder);
        QCOMPARE(Doc().path, folder + title);
        QCOMPARE(Window()->windowTitle(), caption);
    }
    int SelectionStart() { return Editor()->textCursor().selectionStart(); }
    void TypeAtStart(const QString& text) {
        QTextCursor cursor(Editor()->document());
        cursor.insertText(text);
    }
    // The document window and the word search window as they lie on the screen.
    void ScreenshotOfBoth(frmFindWord* find) {
        QTest::qWait(50);
        QPixmap picture = Window()->grab();
        QPainter(&picture).drawPixmap(find->geometry().topLeft() - Window()->geometry().topLeft(),
                                      find->grab());
        QVERIFY(picture.save(qttest::ScreenshotPath(QStringLiteral("doc_demo_sound_match.png"))));
    }
    // A second document window that deletes itself when closed.
    frmswDocDemo* SelfDeletingWindow() {
        auto* window = new frmswDocDemo(DocDemoContext{data_, dialogs_});
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
        return window;
    }

private Q_SLOTS:
    void init() {
        settings_.Clear();
        data_ = dir_.filePath("data/");
        docs_ = dir_.filePath("first.last/docs/");
        QDir(dir_.path()).removeRecursively();
        QDir().mkpath(data_);
        QDir().mkpath(docs_);
        demotest::CopySourceData(data_, {"CommonWords", "qmDocDemoHelp.htf"});
        dialogs_ = std::make_shared<ScriptedDocDialogs>();
    }
    void cleanup() {
        if (dialogs_) QCOMPARE(dialogs_->unexpected, 0);
        window_.reset();
    }

    void startsWithANewDocumentOpensAFileAndFindWaitsForIt() {
        frmswDocDemo* window = Window();
        ExpectDocument(data_, "temp", "Quarrymink Demo");
        QVERIFY(Open(Write("Letter.rtf", "{\\rtf1 Dear {\\b Sir}\\par}")));
        ExpectDocument(docs_, "Letter.rtf", "QuarryminkDemo ... Letter.rtf");
        QCOMPARE(Settings().DocumentDir(), docs_);
        QCOMPARE(Editor()->toPlainText(), QString("Dear Sir"));

        window->New();
        ExpectDocument(docs_, "temp", "QuarryminkDemo ... temp");
        window->Find();  // no file of that name: only a beep
        QCOMPARE(dialogs_->beeps, 1);
        QVERIFY(!window->FindWindow() || !window->FindWindow()->isVisible());
    }

    void saveAndSaveAsRoundTripRichAndPlainText() {
        // A ".txt" document stays plain text.
        const QString notes = Write("notes.txt", "line one\nline {two}\n");
        QVERIFY(Open(notes));
        Editor()->moveCursor(QTextCursor::End);
        Editor()->insertPlainText("three");
        QVERIFY(Window()->Save());
        QVERIFY(dialogs_->saveTitles.isEmpty());
        QCOMPARE(QString::fromUtf8(demotest::ReadFile(notes)), QString("line one\nline {two}\nthree"));

        // Save As ".rtf" writes rich text.
        dialogs_->saveAnswers.push_back(docs_ + "copy.rtf");
        QVERIFY(Window()->SaveAs());
        QCOMPARE(Doc().path, docs_ + "copy.rtf");
        QVERIFY(demotest::ReadFile(docs_ + "copy.rtf").startsWith("{\\rtf"));
        QVERIFY(Open(docs_ + "copy.rtf"));
        QCOMPARE(Editor()->toPlainText(), QString("line one\nline {two}\nthree"));

        // A new document asks for a name; cancelling saves nothing.
        Window()->New();
        Editor()->setPlainText("fresh words");
        dialogs_->saveAnswers.push_back("");
        QVERIFY(!Window()->Save());
        QCOMPARE(Doc().title, QString("temp"));
        QVERIFY(!QFileInfo::exists(docs_ + "temp"));
        dialogs_->saveAnswers.push_back(docs_ + "fresh.rtf");
        QVERIFY(Window()->Save());
        QCOMPARE(Doc().title, QString("fresh.rtf"));

        // A file named temp is taken for a new document: Save asks for a name.
        QVERIFY(Open(Write("temp", "scratch")));
        dialogs_->saveAnswers.push_back("");
        QVERIFY(!Window()->Save());
        QCOMPARE(dialogs_->saveTitles.size(), 4);

        // A plain-text file keeps its encoding and its line ends.
        const QString old = Write("old.txt", "caf\xe9\r\nna\xefve\r\n");
        QVERIFY(Open(old));
        QCOMPARE(Editor()->toPlainText(), QString::fromUtf8("caf\u00e9\nna\u00efve\n"));
        Editor()->moveCursor(QTextCursor::End);
        Editor()->insertPlainText("!");
        QVERIFY(Window()->Save());
        QCOMPARE(demotest::ReadFile(old), QByteArray("caf\xe9\r\nna\xefve\r\n!"));
    }

    void fileErrorsAreToldAndChangeNothing() {
        const QString good = Write("good.rtf", "{\\rtf1 good text}");
        QVERIFY(Open(good));
        const QString caption = Window()->windowTitle();
        QByteArray deep = "{\\rtf1 ";
        for (int i = 0; i < 1100; ++i) deep += '{';
        const QStringList bad = {docs_, docs_ + "missing.rtf", Write("deep.rtf", deep)};
        for (const QString& path : bad) {
            const int before = static_cast<int>(dialogs_->messages.size());
            QVERIFY(!Open(path));
            QCOMPARE(static_cast<int>(dialogs_->messages.size()), before + 1);
            QCOMPARE(Doc().path, good);
            QCOMPARE(Window()->windowTitle(), caption);
            QCOMPARE(Editor()->toPlainText(), QString("good text"));
        }

        // Save As into a folder that does not exist.
        TypeAtStart("more ");
        dialogs_->saveAnswers.push_back(docs_ + "no/such/folder/x.rtf");
        QVERIFY(!Window()->SaveAs());
        QCOMPARE(Doc().path, good);
        QVERIFY(Editor()->document()->isModified());

        // Save where the file has become a folder.
        QVERIFY(QFile::remove(good));
        QVERIFY(QDir().mkpath(good));
        QVERIFY(!Window()->Save());
        QVERIFY(dialogs_->messages.back().contains("cannot be saved"));
        QVERIFY(Editor()->document()->isModified());
    }

    void aChangedDocumentAsksBeforeItIsLost() {
        const QString story = Write("story.rtf", "{\\rtf1 once}");
        QVERIFY(Open(story));
        frmswDocDemo* window = Window();

        // Nothing changed: no question.
        window->New();
        QVERIFY(dialogs_->savePrompts.isEmpty());
        QVERIFY(Open(story));

        TypeAtStart("upon ");
        QVERIFY(Doc().changed);
        dialogs_->saveQuestionAnswers = {DocDialogs::Answer::Cancel};
        window->New();
        QCOMPARE(Editor()->toPlainText(), QString("upon once"));
        QCOMPARE(Doc().path, story);

        dialogs_->saveQuestionAnswers = {DocDialogs::Answer::Save};
        QVERIFY(Open(Write("other.rtf", "{\\rtf1 other}")));
        QCOMPARE(Editor()->toPlainText(), QString("other"));
        QVERIFY(QString::fromLatin1(demotest::ReadFile(story)).contains("upon once"));

        TypeAtStart("x");
        dialogs_->saveQuestionAnswers = {DocDialogs::Answer::Cancel};
        window->close();
        QVERIFY(window->isVisible());
        dialogs_->saveQuestionAnswers = {DocDialogs::Answer::Discard};
        window->close();
        QVERIFY(!window->isVisible());
        QCOMPARE(dialogs_->savePrompts, (QStringList{"story.rtf", "story.rtf", "other.rtf", "other.rtf"}));
        window_.reset();

        // A new document that the user declines to name keeps its window open.
        TypeAtStart("unsaved");
        dialogs_->saveQuestionAnswers = {DocDialogs::Answer::Save};
        dialogs_->saveAnswers = {""};
        Window()->close();
        QVERIFY(Window()->isVisible());
        QCOMPARE(Editor()->toPlainText(), QString("unsaved"));
        dialogs_->saveQuestionAnswers = {DocDialogs::Answer::Discard};
    }

    void exactFindStartsAtTheFirstWord() {
        QVERIFY(Open(Write("exact.txt", "Smith went home, and smith stayed with Smithy.")));
        frmFindWord* find = ShowFind();
        Search(find, "smith", false);
        QCOMPARE(Selected(), QString("Smith"));
        find->cmdNext_Click();
        QCOMPARE(find->FoundPos(), 21);
        find->cmdNext_Click();  // "Smithy" is no whole word "smith"
        QCOMPARE(find->FoundPos(), -1);

        // An empty search text disables Find; a click that gets through anyway does nothing.
        find->WordBox()->clear();
        QVERIFY(!find->cmdFind()->isEnabled());
        find->cmdFind_Click();
        QVERIFY(dialogs_->messages.isEmpty());
    }

    void misspelledWordIsFoundBySoundAndNothingFoundShowsNoOldMatch() {
        // Not ticked: only the message, and no keyword list.
        QVERIFY(Open(Write("walk.txt", "Smyth and Jones walked home.")));
        frmFindWord* find = ShowFind();
        Search(find, "smith", false);
        QCOMPARE(dialogs_->messages, QStringList{kNotFound});
        QVERIFY(!QFileInfo::exists(docs_ + "walk.qmd"));

        // Ticked: the first word of a document has position 0, and is a match all the same;
        // then a search that matches nothing must not show it again.
        FindSmythAt(find, 0);
        QVERIFY(find->MatchMode());
        Editor()->moveCursor(QTextCursor::End);
        Search(find, "xylophone", true);
        QCOMPARE(dialogs_->messages, (QStringList{kNotFound, kNotFound}));
        QVERIFY(!find->MatchMode());
        QCOMPARE(Selected(), QString());
        QCOMPARE(Editor()->textCursor().position(), static_cast<int>(Editor()->toPlainText().size()));
    }

    void findNextWalksTheSoundMatchesToTheLast() {
        const QString text = "Catherine met Kathryn, and Katrina saw Cathrin at the fete.";
        QVERIFY(Open(Write("names.txt", text.toUtf8())));
        frmFindWord* find = ShowFind();
        find->chkQuarrymink()->click();
        Search(find, "katrin", true);
        ScreenshotOfBoth(find);
        const QStringList alike = {"Catherine", "Kathryn", "Katrina", "Cathrin"};
        QStringList seen{Selected()};
        int guard = 0;
        while (!find->MatchControl()->FinalMatchItem() && ++guard < 25) {
            find->cmdNext_Click();
            seen << Selected();
        }
        QVERIFY2(seen.size() >= 2, qPrintable(seen.join(',')));
        for (const QString& word : seen) QVERIFY2(alike.contains(word), qPrintable(word));
        QCOMPARE(seen.size(), static_cast<int>(QSet<QString>(seen.begin(), seen.end()).size()));
        // After the last match Find Next has nothing more.
        QVERIFY(!find->cmdNext()->isEnabled());
        const int at = SelectionStart();
        find->cmdNext_Click();
        QCOMPARE(SelectionStart(), at);
        QVERIFY(dialogs_->messages.isEmpty());
    }

    void keywordListFollowsTheDocumentVersion() {
        const QString path = Write("v.rtf", "{\\rtf1 alpha Smyth gamma}");
        const QString keyList = docs_ + "v.qmd";
        QVERIFY(Open(path));
        frmFindWord* find = ShowFind();
        FindSmythAt(find, 6);

        // Unchanged: the list is not rebuilt (an emptied list finds nothing).
        OpenSqlite(QFile::encodeName(keyList).toStdString())->Execute(u"DELETE FROM KeyWordList");
        Search(find, "smith", true);
        QCOMPARE(dialogs_->messages, QStringList{kNotFound});

        // Changed: rebuilt before the search.
        TypeAtStart("xxxx ");
        FindSmythAt(find, 11);

        // Saved, then edited and saved after the last search, and opened again: a new
        // version, so the list is rebuilt and the selection lands on the word.
        QVERIFY(Window()->Save());
        const qint32 saved = Settings().DocVersion(path);
        TypeAtStart("yy ");
        QVERIFY(Window()->Save());
        QVERIFY(Settings().DocVersion(path) > saved);
        Window()->New();
        QVERIFY(Open(path));
        FindSmythAt(find, 14);

        // Edited and searched, then the edit discarded: the list of the discarded text is
        // not taken for the saved one, nor for a different edit of it.
        TypeAtStart("zzzzzz ");
        FindSmythAt(find, 21);
        dialogs_->saveQuestionAnswers = {DocDialogs::Answer::Discard};
        Window()->New();
        QVERIFY(Open(path));
        FindSmythAt(find, 14);
        TypeAtStart("q ");
        FindSmythAt(find, 16);
        dialogs_->saveQuestionAnswers = {DocDialogs::Answer::Discard};
    }

    void aFailedPreparationIsNotTakenAsCurrent() {
        QVERIFY(QFile::rename(data_ + "CommonWords", data_ + "CommonWords.away"));
        const QString path = Write("f.txt", "Smyth and Jones");
        QVERIFY(Open(path));
        frmFindWord* find = ShowFind();
        Search(find, "smith", true);
        QCOMPARE(dialogs_->messages.size(), 1);
        QVERIFY(dialogs_->messages.back().contains("CommonWords"));

        QVERIFY(QFile::rename(data_ + "CommonWords.away", data_ + "CommonWords"));
        Search(find, "smith", true);
        QCOMPARE(dialogs_->messages.size(), 1);
        QCOMPARE(Selected(), QString("Smyth"));
    }

    void closingWaitsForARunningSearch() {
        QVERIFY(QFile::copy(QStringLiteral(QM_SOURCE_DATA_DIR "/Sample.rtf"), docs_ + "Sample.rtf"));

        // The word search window, closed from inside the control's search.
        QVERIFY(Open(docs_ + "Sample.rtf"));
        frmFindWord* find = ShowFind();
        bool busyDuringSearch = false;
        auto once = std::make_shared<QMetaObject::Connection>();
        *once = connect(find->MatchControl(), &QM::MatchFound, this, [&, once] {
            disconnect(*once);
            busyDuringSearch =
                Editor()->isReadOnly() && !Window()->findChild<QAction*>("mnuOpen")->isEnabled();
            find->close();
            QVERIFY(find->isVisible());  // not under the running search
        });
        Search(find, "smith", true);
        QVERIFY(busyDuringSearch);
        QTRY_VERIFY(!find->isVisible());
        QVERIFY(!Editor()->isReadOnly());

        // The document window, closed the same way: it goes once the search has stopped.
        frmswDocDemo* window = SelfDeletingWindow();
        QPointer<frmswDocDemo> alive(window);
        QVERIFY(Open(docs_ + "Sample.rtf", window));
        frmFindWord* other = ShowFind(window);
        *once = connect(other->MatchControl(), &QM::MatchFound, window, [&, once] {
            disconnect(*once);
            window->close();
            QVERIFY(alive);
        });
        Search(other, "smith", true);
        QTRY_VERIFY(alive.isNull());
        QVERIFY(dialogs_->messages.isEmpty());
    }

    void closingWaitsForARunningPreparation() {
        QString text;
        for (int i = 0; i < 3000; ++i) text += QStringLiteral("Ashcombe fete %1 Smyth marquee ").arg(i);
        const QString path = Write("long.txt", text.toUtf8());
        frmswDocDemo* window = SelfDeletingWindow();
        QPointer<frmswDocDemo> alive(window);
        QVERIFY(Open(path, window));
        frmFindWord* find = ShowFind(window);
        bool sawPreparation = false;
        demotest::WhenModal([&](QWidget* modal) {
            auto* prepare = qobject_cast<frmKeyPrepare*>(modal);
            sawPreparation = prepare && prepare->Running();
            window->close();
        });
        Search(find, "smith", true);
        QVERIFY(sawPreparation);
        QTRY_VERIFY(alive.isNull());
        QCOMPARE(Settings().KeyVersion(path), 0);
        QVERIFY(dialogs_->messages.isEmpty());
    }
};

QTEST_MAIN(DocWindowTest)
#include "doc_window_test.moc"
