// The keyword list of a document: where it lives, how the text is cut into words, and
// what the table holds after a preparation.
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>
#include <map>
#include <vector>

#include "DocMain.h"
#include "demo_test_support.h"
#include "frmKeyPrepare.h"
#include "quarrymink/database.h"
#include "quarrymink/qm.h"

using namespace quarrymink;
using namespace quarrymink::demo;

struct Entry {
    QString word, key;
    int start, length;  // length -1: the row is marked as a match
};

static std::vector<Entry> ReadList(const QString& path) {
    std::vector<Entry> entries;
    std::unique_ptr<Connection> db = OpenSqlite(QFile::encodeName(path).toStdString());
    std::unique_ptr<Recordset> set = db->OpenRecordset(
        u"SELECT Word, Wordstart, WordLength, KeyCode, qmMatch FROM KeyWordList ORDER BY Wordstart");
    for (; !set->Eof(); set->MoveNext()) {
        entries.push_back({QString::fromStdU16String(set->Field(u"Word").ToText()),
                           QString::fromStdU16String(set->Field(u"KeyCode").ToText()),
                           set->Field(u"Wordstart").ToInt32(),
                           set->Field(u"qmMatch").ToInt32() ? -1 : set->Field(u"WordLength").ToInt32()});
    }
    return entries;
}

class KeyListTest : public QObject {
    Q_OBJECT

private:
    demotest::ScratchSettings settings_;
    QTemporaryDir dir_;
    QString folder_;
    QM coder_;
    std::map<QString, int> coded_;  // words handed to the coder, and how often
    DocumentState doc_;

    // Prepares the keyword list of the editor's text (asked to stop first when stop is set); its error.
    bool Prepare(QTextEdit& editor, QString* error = nullptr, bool stop = false) {
        const auto countingCoder = [this](const QString& word) {
            ++coded_[word];
            return coder_.MakeCode(word);
        };
        frmKeyPrepare window(nullptr, &editor, doc_, countingCoder, folder_);
        if (stop) window.RequestStop();
        const bool built = window.PrepareKeyWordList(&editor);
        demotest::Screenshot(&window, "key_prepare");
        if (error) *error = window.ErrorText();
        return built;
    }
    QStringList ListedWords() const {
        QStringList words;
        for (const Entry& e : ReadList(doc_.keyListPath)) words << e.word;
        return words;
    }

private Q_SLOTS:
    void init() {
        folder_ = dir_.filePath("data/");
        QDir(folder_).removeRecursively();
        QDir().mkpath(folder_);
        demotest::WriteFile(folder_ + "CommonWords", " the because and of \n");
        coded_.clear();
        doc_ = DocumentState{};
        doc_.path = folder_ + "story.rtf";
        coder_.setCompare(QM::qmCompareAuto);
    }

    void keyListPathChangesTheFileNameOnly() {
        // A dotted folder, a hidden folder, short and two extensions, a hidden file, a
        // relative path, and a document that is itself named like a keyword list.
        const std::pair<QString, QString> cases[] = {
            {"/home/first.last/story.rtf", "/home/first.last/story.qmd"},
            {"/home/u/.local/notes", "/home/u/.local/notes.qmd"},
            {"/d/notes.qm", "/d/notes.qmd"},
            {"/d/story.qmd", "/d/story.qmd.qmd"},
            {"/d/x.rtf.bak", "/d/x.rtf.qmd"},
            {"/d/.notes", "/d/.notes.qmd"},
            {"story.txt", "story.qmd"},
        };
        for (const auto& [document, keyList] : cases) QCOMPARE(KeyListFileName(document), keyList);
    }

    void listHoldsEveryWordWithItsPlaceAndKey() {
        QTextEdit editor;
        const QString fifty(50, u'y');
        const QString text = "The cause, because he said:  \"Smith\"?\tsmith\nSMITH " + QString(51, u'x') +
                             " " + fifty + " o'clock nine-year-old";
        editor.setPlainText(text);
        QTextCursor before(editor.document());
        before.setPosition(4);
        before.setPosition(9, QTextCursor::KeepAnchor);
        editor.setTextCursor(before);

        QVERIFY(Prepare(editor));
        QCOMPARE(doc_.keyListPath, folder_ + "story.qmd");
        const std::vector<Entry> list = ReadList(doc_.keyListPath);

        // "The" and "because" are common (in any case); "he" is not, though "the " ends in
        // it; "cause" is not, though "because " ends in it. The 51-character word is left
        // out, the 50-character one kept; "'" and "-" stay inside words.
        QCOMPARE(ListedWords(), (QStringList{"cause", "he", "said", "Smith", "smith", "SMITH", fifty,
                                             "o'clock", "nine-year-old"}));
        for (const Entry& e : list) {
            QCOMPARE(e.length, static_cast<int>(e.word.size()));
            QCOMPARE(text.mid(e.start, e.length), e.word);
            QCOMPARE(e.key, coder_.MakeCode(e.word).left(50));
        }
        // A word met again, in any case, takes its stored key: the coder saw it once.
        QCOMPARE(coded_["Smith"], 1);
        QCOMPARE(coded_.count("smith") + coded_.count("SMITH"), 0u);

        // The editor shows what it showed before.
        QCOMPARE(editor.textCursor().selectionStart(), 4);
        QCOMPARE(editor.textCursor().selectionEnd(), 9);
        QVERIFY(editor.updatesEnabled());
    }

    void aRebuildReplacesTheListAndAFailureKeepsIt() {
        // A foreign file at the keyword list's path is left alone.
        const QByteArray foreign = "not a database, the user's own text";
        demotest::WriteFile(folder_ + "story.qmd", foreign);
        QTextEdit editor;
        editor.setPlainText("some words");
        QString error;
        QVERIFY(!Prepare(editor, &error));
        QVERIFY(error.contains("story.qmd"));
        QCOMPARE(demotest::ReadFile(folder_ + "story.qmd"), foreign);
        QFile::remove(folder_ + "story.qmd");

        // Positions past the 16-bit range.
        QString text;
        while (text.size() < 40000) text += QStringLiteral("alpha beta gamma delta ");
        editor.setPlainText(text + QStringLiteral("Smyth"));
        QVERIFY(Prepare(editor));
        const std::vector<Entry> list = ReadList(doc_.keyListPath);
        QCOMPARE(list.back().word, QString("Smyth"));
        QCOMPARE(list.back().start, static_cast<int>(text.size()));
        QCOMPARE(static_cast<int>(list.size()), static_cast<int>(text.count(u' ')) + 1);
        editor.setPlainText("second list");
        QVERIFY(Prepare(editor));
        QCOMPARE(ListedWords(), (QStringList{"second", "list"}));

        // Stopped, with nothing to tell, then without a common-word list, with an error that names
        // the file: the previous list stays whole.
        editor.setPlainText("third text never stored");
        QVERIFY(!Prepare(editor, &error, true));
        QVERIFY(error.isEmpty());
        QFile::remove(folder_ + "CommonWords");
        QVERIFY(!Prepare(editor, &error));
        QVERIFY(error.contains("CommonWords"));
        QCOMPARE(ListedWords(), (QStringList{"second", "list"}));
    }
};

QTEST_MAIN(KeyListTest)
#include "doc_keylist_test.moc"
