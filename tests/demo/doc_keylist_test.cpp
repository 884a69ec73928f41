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

namespace {

struct Entry {
    QString word;
    int start;
    int length;
    QString key;
};

std::vector<Entry> ReadList(const QString& path) {
    std::vector<Entry> entries;
    std::unique_ptr<Connection> db = OpenSqlite(QFile::encodeName(path).toStdString());
    std::unique_ptr<Recordset> set = db->OpenRecordset(
        u"SELECT Word, Wordstart, WordLength, KeyCode, qmMatch FROM KeyWordList ORDER BY Wordstart");
    while (!set->Eof()) {
        entries.push_back({QString::fromStdU16String(set->Field(u"Word").ToText()),
                           set->Field(u"Wordstart").ToInt32(), set->Field(u"WordLength").ToInt32(),
                           QString::fromStdU16String(set->Field(u"KeyCode").ToText())});
        if (set->Field(u"qmMatch").ToInt32() != 0) entries.back().length = -1;  // shows up as a mismatch
        set->MoveNext();
    }
    return entries;
}

QStringList Words(const std::vector<Entry>& entries) {
    QStringList words;
    for (const Entry& e : entries) words << e.word;
    return words;
}

}  // namespace

class KeyListTest : public QObject {
    Q_OBJECT

private:
    demotest::ScratchSettings settings_;
    QTemporaryDir dir_;
    QString folder_;
    QM coder_;
    std::map<QString, int> coded_;  // words handed to the coder, and how often
    DocumentState doc_;

    frmKeyPrepare::KeyCoder CountingCoder() {
        return [this](const QString& word) {
            ++coded_[word];
            return coder_.MakeCode(word);
        };
    }

    bool Prepare(QTextEdit& editor, frmKeyPrepare** keep = nullptr) {
        auto* window = new frmKeyPrepare(nullptr, &editor, doc_, CountingCoder(), folder_);
        const bool built = window->PrepareKeyWordList(&editor);
        demotest::Screenshot(window, "key_prepare");
        if (keep)
            *keep = window;
        else
            delete window;
        return built;
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
        const QString longWord(51, u'x');
        const QString fifty(50, u'y');
        const QString text = "The cause, because he said:  \"Smith\"?\tsmith\nSMITH " + longWord + " " +
                             fifty + " o'clock nine-year-old";
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
        QCOMPARE(Words(list), (QStringList{"cause", "he", "said", "Smith", "smith", "SMITH", fifty, "o'clock",
                                           "nine-year-old"}));
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
        demotest::WriteFile(folder_ + "story.qmd", "not a database, the user's own text");
        QTextEdit editor;
        editor.setPlainText("some words");
        frmKeyPrepare* window = nullptr;
        QVERIFY(!Prepare(editor, &window));
        QVERIFY(window->ErrorText().contains("story.qmd"));
        delete window;
        QCOMPARE(demotest::ReadFile(folder_ + "story.qmd"),
                 QByteArray("not a database, the user's own text"));
        QFile::remove(folder_ + "story.qmd");

        // Positions past the 16-bit range.
        QString text;
        while (text.size() < 40000) text += QStringLiteral("alpha beta gamma delta ");
        const int last = static_cast<int>(text.size());
        editor.setPlainText(text + QStringLiteral("Smyth"));
        QVERIFY(Prepare(editor));
        const std::vector<Entry> list = ReadList(doc_.keyListPath);
        QCOMPARE(list.back().word, QString("Smyth"));
        QCOMPARE(list.back().start, last);
        QCOMPARE(static_cast<int>(list.size()), static_cast<int>(text.count(u' ')) + 1);
        editor.setPlainText("second list");
        QVERIFY(Prepare(editor));
        QCOMPARE(Words(ReadList(doc_.keyListPath)), (QStringList{"second", "list"}));

        // Stopped: the previous list stays whole.
        editor.setPlainText("third text never stored");
        auto* stopped = new frmKeyPrepare(nullptr, &editor, doc_, CountingCoder(), folder_);
        stopped->RequestStop();
        QVERIFY(!stopped->PrepareKeyWordList(&editor));
        QVERIFY(stopped->ErrorText().isEmpty());
        delete stopped;
        QCOMPARE(Words(ReadList(doc_.keyListPath)), (QStringList{"second", "list"}));

        // No common-word list: an error that names the file, the list again untouched.
        QFile::remove(folder_ + "CommonWords");
        QVERIFY(!Prepare(editor, &window));
        QVERIFY(window->ErrorText().contains("CommonWords"));
        delete window;
        QCOMPARE(Words(ReadList(doc_.keyListPath)), (QStringList{"second", "list"}));
    }
};

QTEST_MAIN(KeyListTest)
#include "doc_keylist_test.moc"
