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
#include "frmHelp.h"
#include "frmswDbaseDemo.h"
#include "quarrymink/database.h"
#include "quarrymink/qm.h"
#include "quarrymink/sampledb.h"

using namespace quarrymink;
using namespace quarrymink::demo;

namespace {

void BuildFromList(const QByteArray& list, const QString& path) {
    QM control;
    NameDatabaseOptions options;
    options.makeCode = [&control](std::u16string_view t) {
        return control.MakeCode(QString::fromUtf16(t.data(), qsizetype(t.size()))).toStdU16String();
    };
    BuildNameDatabase(std::string_view(list.constData(), size_t(list.size())), path.toStdString(), options);
}

using demotest::MakeCode;
using Record = demotest::NameRow;
const auto Records = demotest::NameRows;

const Record* FindRecord(const std::vector<Record>& rows, const QString& name) {
    for (const Record& r : rows)
        if (!r.nullName && r.name == name) return &r;
    return nullptr;
}

}  // namespace

class DbaseDemoTest : public QObject {
    Q_OBJECT

private:
    demotest::ScratchSettings settings_;
    QTemporaryDir dir_;
    QString folder_;
    QString sample_;  // Names.mdb of the sample names, built once
    std::unique_ptr<demotest::ScriptedPrompts> prompts_;
    std::unique_ptr<frmswDbaseDemo> window_;

    template <typename T>
    T* Child(const char* name) const {
        T* child = window_->findChild<T*>(QLatin1String(name));
        if (!child) qFatal("no child %s", name);
        return child;
    }
    QListWidget* List() const { return Child<QListWidget>("List1"); }
    QLineEdit* SearchBox() const { return Child<QLineEdit>("txtSearch"); }
    QLineEdit* EditBox() const { return Child<QLineEdit>("txtEdit"); }
    QPushButton* Ok() const { return Child<QPushButton>("cmdOk"); }
    QPushButton* Next() const { return Child<QPushButton>("cmdNext"); }
    QM* Control() const { return Child<QM>("DF1"); }
    QString Status(int panel) const { return Child<QLabel>(panel == 1 ? "Panel1" : "Panel2")->text(); }
    QString SelectedText() const {  // of the names list
        const auto items = List()->selectedItems();
        return items.isEmpty() ? QString() : items.first()->text();
    }
    int SelectedId() const {
        const auto items = List()->selectedItems();
        return items.isEmpty() ? 0 : items.first()->data(Qt::UserRole).toInt();
    }
    int RowOf(const QString& name) const {
        for (int i = 0; i < List()->count(); ++i)
            if (List()->item(i)->text() == name) return i;
        return -1;
    }

    // A fresh copy of a database, opened in a new, active window.
    QString OpenCopy(const QString& source) {
        static int n = 0;
        const QString copy = folder_ + QString("copy%1.mdb").arg(++n);
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
    void Select(int row) { List()->setCurrentRow(row); }

private Q_SLOTS:
    void initTestCase() {
        folder_ = dir_.path() + u'/';
        SetAppFolder(folder_);
        demotest::CopySourceData(folder_, {"Names", "qmDbaseDemoHelp.htf"});
        QFile names(folder_ + "Names");
        QVERIFY(names.open(QIODevice::ReadOnly));
        sample_ = folder_ + "Names.mdb";
        BuildFromList(names.readAll(), sample_);
    }
    void init() { prompts_ = std::make_unique<demotest::ScriptedPrompts>(); }
    void cleanup() {
        window_.reset();
        QCOMPARE(prompts_->unexpected, 0);
        prompts_.reset();
    }

    void beforeOpening() {
        window_ = std::make_unique<frmswDbaseDemo>();
        window_->show();
        QVERIFY(!SearchBox()->isEnabled());
        demotest::Screenshot(window_.get(), "names_demo_before_open");
        // The option texts are not cut off.
        for (int i = 0; i < 3; ++i) {
            auto* option = Child<QRadioButton>(qPrintable(QString("Option1_%1").arg(i)));
            QVERIFY(option->sizeHint().width() <= option->width());
        }
        // Ok with nothing open writes nothing and does no harm.
        EditBox()->setText("Nobody");
        window_->SaveName();
        QCOMPARE(List()->count(), 0);
    }

    void openListsEveryNameWithItsBookmarkAndOnlyAnotherDatabaseReplacesIt() {
        OpenCopy(sample_);
        QCOMPARE(window_->Bookmarks().size(), size_t(4072));
        QCOMPARE(Status(1), QString("Records in List: 4072"));
        // In name order.
        QVERIFY(List()->item(0)->text().compare(List()->item(1)->text(), Qt::CaseInsensitive) <= 0);

        // A refused Open keeps the database.
        Connection* before = window_->NamesDb();
        demotest::WriteFile(folder_ + "notes.mdb", "not a database at all, just some text");
        prompts_->files.push_back(folder_ + "notes.mdb");
        window_->OpenDatabase();
        QCOMPARE(prompts_->messages.size(), 1);
        QCOMPARE(window_->NamesDb(), before);
        QCOMPARE(List()->count(), 4072);
    }

    void folderIsTheFilesParentEvenWhenItBearsItsName() {
        const QString folder = folder_ + "Names.mdb.d/Names.mdb/";
        QDir().mkpath(folder);
        QFile::copy(sample_, folder + "Names.mdb");
        OpenInNewWindow(folder + "Names.mdb");
        QCOMPARE(GetSetting(folder_ + "qmDbaseDemo", "frmswDbaseDemo", "DbaseDir"), folder);
        // The next Open starts there.
        prompts_->files.push_back(QString());
        window_->OpenDatabase();
        QCOMPARE(prompts_->fileRequests.back().initialFolder, folder);
    }

    void automaticSearchAndNextToTheLastMatch() {
        OpenCopy(sample_);
        Child<QRadioButton>("Option1_1")->click();
        // Enter runs the search once, and not at all without a text.
        QSignalSpy searches(window_.get(), &frmswDbaseDemo::SearchFinished);
        QTest::keyClick(SearchBox(), Qt::Key_Return);
        QCOMPARE(searches.size(), 0);
        QTest::keyClicks(SearchBox(), "smyth");
        QTest::keyClick(SearchBox(), Qt::Key_Return);
        QCOMPARE(searches.size(), 1);
        QVERIFY(Control()->IDValue() != 0);
        QCOMPARE(SelectedId(), Control()->IDValue());
        QVERIFY(SelectedText().startsWith("Sm"));
        demotest::Screenshot(window_.get(), "names_demo_automatic");

        int steps = 0;
        while (Next()->isVisible() && steps < 30) {
            QTest::mouseClick(Next(), Qt::LeftButton);
            QCOMPARE(SelectedId(), Control()->IDValue());
            ++steps;
        }
        QVERIFY(steps > 0);
        QVERIFY(Control()->FinalMatchItem());
    }

    void searchThatFindsNothingSelectsNothing() {
        const QString path = folder_ + "few.mdb";
        BuildFromList("|Smith|Smyth|Jones", path);
        OpenInNewWindow(path);
        SearchBox()->setText("smith");
        window_->Search();
        QVERIFY(Next()->isVisible());
        // The next search, run while Next still has the focus, finds nothing.
        SearchBox()->setText("oppenheimer");
        window_->Search();
        QVERIFY(List()->selectedItems().isEmpty());
        QVERIFY(!Next()->isVisible());
        // The best match is the only one: no Next.
        SearchBox()->setText("jones");
        window_->Search();
        QCOMPARE(SelectedText(), QString("Jones"));
        QVERIFY(!Next()->isVisible());
    }

    void manualSearchThenPickFromTheControl() {
        OpenCopy(sample_);
        QTest::mouseClick(Child<QRadioButton>("Option1_2"), Qt::LeftButton);
        SearchBox()->setFocus();
        QTest::keyClicks(SearchBox(), "katryn");
        QTest::keyClick(SearchBox(), Qt::Key_Return);
        // Nothing chosen for the user.
        QVERIFY(List()->selectedItems().isEmpty());
        auto* matches = Control()->findChild<QListWidget*>("List1");
        QVERIFY(matches->count() >= 2);
        demotest::Screenshot(window_.get(), "names_demo_manual");

        matches->setCurrentRow(1);
        QCOMPARE(SelectedId(), Control()->IDValue());
    }

    void addAndEditKeepKeysCurrent() {
        const QString path = OpenCopy(sample_);
        window_->AddName();
        QTest::keyClicks(EditBox(), "Smythson");
        QTest::keyClick(EditBox(), Qt::Key_Return);
        QCOMPARE(window_->Bookmarks().size(), size_t(4073));
        const std::vector<Record> before = Records(path);
        const Record* added = FindRecord(before, "Smythson");
        QVERIFY(added);
        QCOMPARE(added->key, MakeCode("Smythson"));

        // Edit it: the same record changes, with a new key.
        Select(RowOf("Smythson"));
        window_->EditName();
        EditBox()->setText("Smithers");
        QTest::mouseClick(Ok(), Qt::LeftButton);
        const std::vector<Record> after = Records(path);
        QVERIFY(!FindRecord(after, "Smythson"));
        const Record* edited = FindRecord(after, "Smithers");
        QVERIFY(edited);
        QCOMPARE(edited->ident, added->ident);
        QCOMPARE(edited->key, MakeCode("Smithers"));
        QCOMPARE(int(after.size()), 4073);

        // Found by sound straight away.
        SearchBox()->setText("smithers");
        window_->Search();
        QCOMPARE(SelectedText(), QString("Smithers"));
    }

    void keysAndNamesAreCutToTheirFields() {
        // A table whose Key holds 8 characters and Name 20.
        const QString path = folder_ + "small-fields.mdb";
        {
            auto db = CreateSqlite(path.toStdString());
            TableDef table;
            table.name = u"NameData";
            table.CreateField(u"Key", FieldDef::Type::Text, 8).allowZeroLength = true;
            table.CreateField(u"Ident", FieldDef::Type::Long).attributes = FieldDef::kAutoIncrement;
            table.CreateField(u"Name", FieldDef::Type::Text, 20);
            table.CreateIndex(u"ndxName").fields.push_back(u"Name");
            db->AppendTableDef(table);
        }
        OpenInNewWindow(path);
        window_->AddName();
        QTest::keyClicks(EditBox(), "Bartholomew Fitzgerald-Smythe");
        QCOMPARE(EditBox()->text(), QString("Bartholomew Fitzgera"));
        window_->SaveName();
        const std::vector<Record> rows = Records(path);
        QCOMPARE(rows.size(), size_t(1));
        QCOMPARE(rows[0].name, QString("Bartholomew Fitzgera"));
        QCOMPARE(rows[0].key, MakeCode(rows[0].name).left(8));
    }

    // Rows without a name are not listed: the bookmarks must still follow the list's rows.
    void deleteAsksAndKeepsBookmarksInStepAlsoPastRowsWithoutAName() {
        const QString path = folder_ + "five.mdb";
        BuildFromList("|Adams|Baker|Clark|Davis|Evans", path);
        OpenSqlite(path.toStdString())
            ->Execute(u"INSERT INTO NameData ([Key], Name) VALUES ('', NULL), ('', NULL)");
        OpenInNewWindow(path);
        QCOMPARE(List()->count(), 5);
        Select(RowOf("Clark"));
        prompts_->answers.push_back(QMessageBox::No);
        window_->DeleteName();
        QCOMPARE(List()->count(), 5);
        QCOMPARE(prompts_->questions.at(0), QString("   Delete   "));

        prompts_->answers.push_back(QMessageBox::Yes);
        window_->DeleteName();
        QCOMPARE(List()->count(), 4);
        QCOMPARE(Status(1), QString("Records in List: 6"));  // the table's rows, named or not
        QCOMPARE(window_->Bookmarks().size(), size_t(4));
        const std::vector<Record> rows = Records(path);
        QVERIFY(!FindRecord(rows, "Clark") && FindRecord(rows, "Baker") && FindRecord(rows, "Davis"));
        QCOMPARE(rows.size(), size_t(6));
        Select(RowOf("Evans"));
        window_->EditName();
        QCOMPARE(EditBox()->text(), QString("Evans"));
    }

    void contextMenuActsOnTheRowUnderTheMouse() {
        OpenCopy(sample_);
        QWidget* viewport = List()->viewport();
        // The lower part of the fourth visible row.
        const QRect row = List()->visualItemRect(List()->item(3));
        const QPoint at(row.center().x(), row.bottom() - 1);
        QTest::mousePress(viewport, Qt::RightButton, {}, at);
        QCOMPARE(List()->currentRow(), 3);
        auto* popup = Child<QMenu>("PopupEdit");
        QTRY_VERIFY(popup->isVisible());
        popup->close();
        Child<QAction>("puEdit")->trigger();
        QCOMPARE(EditBox()->text(), List()->item(3)->text());
    }

    void tablesOfAnySize() {
        QByteArray list;
        for (int i = 0; i < 33000; ++i) list += "|N" + QByteArray::number(100000 + i);
        const QString path = folder_ + "large.mdb";
        BuildFromList(list, path);
        OpenInNewWindow(path);
        QCOMPARE(List()->count(), 33000);
        Select(32900);
        window_->EditName();
        QCOMPARE(EditBox()->text(), QString("N132900"));
    }

    void nothingReplacesTheDatabaseDuringASearch() {
        OpenCopy(sample_);
        Connection* db = window_->NamesDb();
        QSignalSpy searches(window_.get(), &frmswDbaseDemo::SearchFinished);
        bool tried = false;
        connect(Control(), &QM::MatchFound, window_.get(), [&] {
            if (tried) return;
            tried = true;
            QVERIFY(window_->Searching());
            window_->OpenDatabase();  // would free the connection the control reads
            window_->Search();
            Select(0);
            prompts_->answers.push_back(QMessageBox::Yes);
            window_->DeleteName();
        });
        SearchBox()->setText("smyth");
        window_->Search();
        QVERIFY(tried);
        QCOMPARE(window_->NamesDb(), db);
        QVERIFY(prompts_->fileRequests.size() == 1);  // only the first Open asked
        QCOMPARE(List()->count(), 4072);
        prompts_->answers.clear();
    }

    void helpAboutAndExit() {
        OpenCopy(sample_);
        QPointer<QTimer> watch =
            demotest::WhenModal([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
        Child<QAction>("Help")->trigger();
        delete watch;
        QCOMPARE(HelpFile(), folder_ + "qmDbaseDemoHelp.htf");

        QString aboutCaption, version;
        watch = demotest::WhenModal([&](QWidget* modal) {
            aboutCaption = modal->windowTitle();
            version = modal->findChild<QLabel*>("lblVersion")->text();
            demotest::Screenshot(modal, "demo_about_box");
            QTest::keyClick(modal, Qt::Key_Escape);
        });
        Child<QAction>("mnuAbout")->trigger();
        delete watch;
        QCOMPARE(aboutCaption, QString("About qmDemo"));
        QCOMPARE(version, QString("Version: 1.0.3"));

        // Esc leaves the window open; Exit closes it.
        QTest::keyClick(List(), Qt::Key_Escape);
        QVERIFY(window_->isVisible());
        Child<QAction>("mnuExit")->trigger();
        QVERIFY(!window_->isVisible());
    }

    void editShortcutsLeaveTheTextBoxItsOwn() {
        OpenCopy(sample_);
        // In a text box, Ctrl+A and Ctrl+X keep their meaning there: select all and cut.
        EditBox()->setText("Adams");
        EditBox()->setFocus();
        QTest::keyClick(EditBox(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(EditBox()->selectedText(), QString("Adams"));
        QTest::keyClick(EditBox(), Qt::Key_X, Qt::ControlModifier);
        QVERIFY(window_->isVisible());
        QCOMPARE(EditBox()->text(), QString());
    }

    void searchTimeFormat() {
        const std::pair<float, const char*> cases[] = {
            {0.5f, ".5"}, {3.14159f, "3.14"}, {0.046f, ".05"}, {12.5f, "12.5"}, {0.001f, ".00"}};
        for (const auto& [seconds, shown] : cases)
            QCOMPARE(frmswDbaseDemo::FormatSearchTime(seconds), QString(shown));
    }
};

QTEST_MAIN(DbaseDemoTest)
#include "demo_dbase_test.moc"
