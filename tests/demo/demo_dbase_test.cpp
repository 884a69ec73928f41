// The names database demonstration: open, list, search, pick, add, edit, delete.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include "DemoMain.h"
#include "demo_settings.h"
#include "demo_test_support.h"
#include "frmswDbaseDemo.h"
#include "quarrymink/sampledb.h"

using namespace quarrymink;
using namespace quarrymink::demo;

// A names database at path, keyed as the demonstration's control keys.
static void BuildFromList(const QByteArray& list, const QString& path) {
    BuildNameDatabase(std::string_view(list.constData(), size_t(list.size())), path.toStdString(), {});
}

using demotest::MakeCode;
using Record = demotest::NameRow;

// The record of that name in the names database at path (its ident 0 when there is none).
static Record Find(const QString& path, const QString& name) {
    for (const Record& r : demotest::NameRows(path))
        if (r.name == name) return r;
    return {};
}

class DbaseDemoTest : public QObject {
    Q_OBJECT

private:
    demotest::ScratchSettings settings_;
    QTemporaryDir dir_;
    const QString folder_ = dir_.path() + u'/';
    const QString sample_ = folder_ + "Names.mdb";  // of the sample names, built once
    std::unique_ptr<demotest::ScriptedPrompts> prompts_;
    std::unique_ptr<frmswDbaseDemo> window_;

    template <typename T>
    T* Child(const char* name) const {
        return window_->findChild<T*>(QLatin1String(name));
    }
    QListWidget* List() const { return Child<QListWidget>("List1"); }
    QLineEdit* SearchBox() const { return Child<QLineEdit>("txtSearch"); }
    QLineEdit* EditBox() const { return Child<QLineEdit>("txtEdit"); }
    QPushButton* Next() const { return Child<QPushButton>("cmdNext"); }
    QM* Control() const { return Child<QM>("DF1"); }
    QListWidgetItem* Selected() const { return List()->selectedItems().value(0); }
    QString SelectedText() const { return Selected() ? Selected()->text() : QString(); }
    int SelectedId() const { return Selected() ? Selected()->data(Qt::UserRole).toInt() : 0; }
    void Select(const QString& name) { List()->setCurrentItem(List()->findItems(name, Qt::MatchExactly)[0]); }
    void Search(const QString& text) {
        SearchBox()->setText(text);
        window_->Search();
    }

    // A fresh copy of a database, opened in a new, active window; its folder bears its name.
    QString OpenCopy(const QString& source) {
        static int n = 0;
        const QString name = QString("copy%1.mdb").arg(++n);
        const QString copy = folder_ + name + ".d/" + name + "/" + name;
        QDir().mkpath(QFileInfo(copy).path());
        QFile::copy(source, copy);
        OpenInNewWindow(copy);
        return copy;
    }
    void OpenInNewWindow(const QString& path) {
        window_ = std::make_unique<frmswDbaseDemo>();
        window_->show();
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        prompts_->files.push_back(path);
        window_->OpenDatabase();
    }

private Q_SLOTS:
    void initTestCase() {
        SetAppFolder(folder_);
        demotest::CopySourceData(folder_, {"Names", "qmDbaseDemoHelp.htf"});
        BuildFromList(demotest::ReadFile(folder_ + "Names"), sample_);
    }
    void init() { prompts_ = std::make_unique<demotest::ScriptedPrompts>(); }
    void cleanup() {
        window_.reset();
        QCOMPARE(prompts_->unexpected, 0);
        prompts_.reset();
    }

    void openListsEveryNameOnlyAnotherDatabaseReplacesItAndMenusAndKeysAct() {
        window_ = std::make_unique<frmswDbaseDemo>();
        window_->show();
        QVERIFY(!SearchBox()->isEnabled());
        demotest::Screenshot(window_.get(), "names_demo_before_open");
        // Before: no search, and Ok with nothing open writes nothing and does no harm.
        EditBox()->setText("Nobody");
        window_->SaveName();
        QCOMPARE(List()->count(), 0);

        const QString folder = QFileInfo(OpenCopy(sample_)).path() + u'/';
        QCOMPARE(window_->Bookmarks().size(), size_t(4072));
        // In name order.
        QVERIFY(List()->item(0)->text().compare(List()->item(1)->text(), Qt::CaseInsensitive) <= 0);

        // The folder is the file's parent even when it bears the file's name; the next Open starts
        // there. A refused Open keeps the database.
        Connection* before = window_->NamesDb();
        demotest::WriteFile(folder_ + "notes.mdb", "not a database at all, just some text");
        prompts_->files.push_back(folder_ + "notes.mdb");
        window_->OpenDatabase();
        QCOMPARE(prompts_->messages.size(), 1);
        QCOMPARE(window_->NamesDb(), before);
        QCOMPARE(prompts_->fileRequests.back().initialFolder, folder);
        QCOMPARE(List()->count(), 4072);

        // The context menu acts on the row under the mouse: here the lower part of the fourth row.
        const QRect row = List()->visualItemRect(List()->item(3));
        QTest::mousePress(List()->viewport(), Qt::RightButton, {}, {row.center().x(), row.bottom() - 1});
        QCOMPARE(List()->currentRow(), 3);
        auto* popup = Child<QMenu>("PopupEdit");
        QTRY_VERIFY(popup->isVisible());
        popup->close();
        Child<QAction>("puEdit")->trigger();
        QCOMPARE(EditBox()->text(), List()->item(3)->text());

        // In a text box, Ctrl+A and Ctrl+X keep their meaning there: select all and cut.
        EditBox()->setText("Adams");
        EditBox()->setFocus();
        QTest::keyClick(EditBox(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(EditBox()->selectedText(), QString("Adams"));
        QTest::keyClick(EditBox(), Qt::Key_X, Qt::ControlModifier);
        QVERIFY(window_->isVisible());
        QCOMPARE(EditBox()->text(), QString());

        int shown = 0;
        for (const char* action : {"Help", "mnuAbout"}) {
            demotest::WhenModal([&](QWidget* modal) {
                if (++shown == 2) demotest::Screenshot(modal, "demo_about_box");
                QTest::keyClick(modal, Qt::Key_Escape);
            });
            Child<QAction>(action)->trigger();
        }
        QCOMPARE(shown, 2);
        QCOMPARE(HelpFile(), folder_ + "qmDbaseDemoHelp.htf");

        // Esc leaves the window open; Exit closes it.
        QTest::keyClick(List(), Qt::Key_Escape);
        QVERIFY(window_->isVisible());
        Child<QAction>("mnuExit")->trigger();
        QVERIFY(!window_->isVisible());
    }

    void manualSearchLeavesThePickAndASearchThatFindsNothingSelectsNothing() {
        BuildFromList("|Smith|Smyth|Jones", folder_ + "few.mdb");
        OpenInNewWindow(folder_ + "few.mdb");
        // Manual: nothing chosen for the user; a pick in the control's list selects its name.
        QTest::mouseClick(Child<QRadioButton>("Option1_2"), Qt::LeftButton);
        Search("smyth");
        QVERIFY(!Selected());
        auto* matches = Control()->findChild<QListWidget*>("List1");
        QVERIFY(matches->count() >= 2);
        demotest::Screenshot(window_.get(), "names_demo_manual");
        matches->setCurrentRow(1);
        QCOMPARE(SelectedId(), Control()->IDValue());
        Child<QRadioButton>("Option1_1")->click();
        // The second search, run while Next still has the focus, finds nothing; the third's best
        // match is the only one: no Next.
        const std::tuple<const char*, const char*, bool> cases[] = {
            {"smith", nullptr, true}, {"oppenheimer", "", false}, {"jones", "Jones", false}};
        for (const auto& [text, selected, next] : cases) {
            Search(text);
            if (selected) QCOMPARE(SelectedText(), QString(selected));
            QCOMPARE(Next()->isVisible(), next);
        }
    }

    void automaticSearchToTheLastMatchAddAndEditKeepKeysCurrentAndNothingReplacesTheDatabase() {
        const QString path = OpenCopy(sample_);
        Child<QRadioButton>("Option1_1")->click();
        // Enter runs the search once, and not at all without a text.
        QSignalSpy searches(window_.get(), &frmswDbaseDemo::SearchFinished);
        QTest::keyClick(SearchBox(), Qt::Key_Return);
        QCOMPARE(searches.size(), 0);
        QTest::keyClicks(SearchBox(), "smyth");
        QTest::keyClick(SearchBox(), Qt::Key_Return);
        QCOMPARE(searches.size(), 1);
        QVERIFY(SelectedText().startsWith("Sm"));
        demotest::Screenshot(window_.get(), "names_demo_automatic");

        int steps = 0;
        for (; Next()->isVisible() && steps < 30; ++steps) {
            QVERIFY(Control()->IDValue() != 0);
            QCOMPARE(SelectedId(), Control()->IDValue());
            QTest::mouseClick(Next(), Qt::LeftButton);
        }
        QCOMPARE(SelectedId(), Control()->IDValue());
        QVERIFY(steps > 0 && Control()->FinalMatchItem());

        // Add a name: it gets its key.
        window_->AddName();
        QTest::keyClicks(EditBox(), "Smythson");
        QTest::keyClick(EditBox(), Qt::Key_Return);
        QCOMPARE(window_->Bookmarks().size(), size_t(4073));
        const Record added = Find(path, "Smythson");
        QCOMPARE(added.key, MakeCode("Smythson"));

        // Edit it: the same record changes, with a new key, and is found by sound straight away.
        Select("Smythson");
        window_->EditName();
        EditBox()->setText("Smithers");
        QTest::mouseClick(Child<QPushButton>("cmdOk"), Qt::LeftButton);
        const Record edited = Find(path, "Smithers");
        QVERIFY(added.ident != 0 && edited.ident == added.ident);
        QCOMPARE(edited.key, MakeCode("Smithers"));
        QCOMPARE(demotest::NameRows(path).size(), size_t(4073));
        Search("smithers");
        QCOMPARE(SelectedText(), QString("Smithers"));

        // Nothing replaces the database during a search.
        Connection* db = window_->NamesDb();
        bool tried = false;
        connect(Control(), &QM::MatchFound, window_.get(), [&] {
            if (std::exchange(tried, true)) return;
            QVERIFY(window_->Searching());
            window_->OpenDatabase();  // would free the connection the control reads
            window_->Search();
            List()->setCurrentRow(0);
            prompts_->answers.push_back(QMessageBox::Yes);
            window_->DeleteName();
        });
        Search("smyth");
        QVERIFY(tried);
        QCOMPARE(window_->NamesDb(), db);
        QVERIFY(prompts_->fileRequests.size() == 1);  // only the first Open asked
        QCOMPARE(List()->count(), 4073);
    }

    // Names and keys are cut to their fields. Rows without a name are not listed: after a delete the
    // bookmarks must still follow the list's rows, also in a table of any size.
    void namesAndKeysAreCutToTheirFieldsAndDeleteKeepsTheBookmarksInStep() {
        // A table whose Key holds 8 characters and Name 20.
        const QString small = folder_ + "small-fields.mdb";
        TableDef table;
        table.name = u"NameData";
        table.CreateField(u"Key", FieldDef::Type::Text, 8).allowZeroLength = true;
        table.CreateField(u"Ident", FieldDef::Type::Long).attributes = FieldDef::kAutoIncrement;
        table.CreateField(u"Name", FieldDef::Type::Text, 20);
        table.CreateIndex(u"ndxName").fields.push_back(u"Name");
        CreateSqlite(small.toStdString())->AppendTableDef(table);
        OpenInNewWindow(small);
        window_->AddName();
        QTest::keyClicks(EditBox(), "Bartholomew Fitzgerald-Smythe");
        QCOMPARE(EditBox()->text(), QString("Bartholomew Fitzgera"));
        window_->SaveName();
        const std::vector<Record> rows = demotest::NameRows(small);
        QVERIFY(rows.size() == 1 && rows[0].name == "Bartholomew Fitzgera");
        QCOMPARE(rows[0].key, MakeCode(rows[0].name).left(8));

        const QString path = folder_ + "large.mdb";
        QByteArray list = "|Adams|Baker|Clark|Davis|Evans";
        for (int i = 0; i < 33000; ++i) list += "|N" + QByteArray::number(100000 + i);
        BuildFromList(list, path);
        OpenSqlite(path.toStdString())
            ->Execute(u"INSERT INTO NameData ([Key], Name) VALUES ('', NULL), ('', NULL)");
        OpenInNewWindow(path);
        Select("Clark");
        prompts_->answers = {QMessageBox::No, QMessageBox::Yes};
        window_->DeleteName();
        QCOMPARE(List()->count(), 33005);

        window_->DeleteName();
        QCOMPARE(List()->count(), 33004);
        // The status counts the table's rows, named or not.
        QCOMPARE(Child<QLabel>("Panel1")->text(), QString("Records in List: 33006"));
        QCOMPARE(window_->Bookmarks().size(), size_t(33004));
        QCOMPARE(Find(path, "Clark").ident, 0);
        QCOMPARE(demotest::NameRows(path).size(), size_t(33006));
        for (const char* name : {"Evans", "N132999"}) {
            Select(name);
            window_->EditName();
            QCOMPARE(EditBox()->text(), QString(name));
        }
    }
};

QTEST_MAIN(DbaseDemoTest)
#include "demo_dbase_test.moc"
