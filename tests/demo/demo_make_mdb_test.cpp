// The sample databases: their construction from the word lists, and its failures.
#include <QSignalSpy>
#include <QTest>

#include "DemoMain.h"
#include "demo_test_support.h"
#include "frmMakeMDB.h"
#include "quarrymink/database.h"
#include "quarrymink/qm.h"

using namespace quarrymink;
using namespace quarrymink::demo;

using demotest::MakeCode;
using Row = demotest::NameRow;
const auto ReadRows = demotest::NameRows;

class MakeMdbTest : public QObject {
    Q_OBJECT

private:
    demotest::ScratchSettings settings_;

    // Builds in a new folder with the given word lists; false when the construction failed.
    static bool Build(const QString& folder, const QByteArray& plants, const QByteArray& names) {
        QDir().mkpath(folder);
        demotest::WriteFile(folder + "Plants", plants);
        demotest::WriteFile(folder + "Names", names);
        frmMakeMDB window;
        window.setDataFolder(folder);
        return window.Build();
    }

    // Nothing but the word lists (and what the test put there) is left in folder.
    static QStringList Leftovers(const QString& folder) {
        QStringList files = QDir(folder).entryList(QDir::Files);
        files.removeAll("Plants");
        files.removeAll("Names");
        return files;
    }

private Q_SLOTS:
    void wordListEntries_data() {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("leading bar, two names")
            << QByteArray("|Smith|Smyth") << QStringList{"Smith", "Smyth"};
        QTest::newRow("no bar") << QByteArray("Smith") << QStringList{};
        QTest::newRow("text before the first bar, two bars in a row, a trailing line break")
            << QByteArray("head|Smith||Jones\n") << QStringList{"Smith", "", "Jones\n"};
        // Its key code is longer than the Key field's 50 characters: the key is cut.
        QTest::newRow("long name") << QByteArray("|Abcdefghij Klmnopqrst Uvwxyzabcd Efghijklmn Opqrs")
                                   << QStringList{"Abcdefghij Klmnopqrst Uvwxyzabcd Efghijklmn Opqrs"};
    }
    void wordListEntries() {
        QFETCH(QByteArray, list);
        QFETCH(QStringList, names);
        QTemporaryDir dir;
        const QString folder = dir.path() + u'/';
        QVERIFY(Build(folder, "|Rose", list));
        const std::vector<Row> rows = ReadRows(folder + "Names.mdb");
        QCOMPARE(int(rows.size()), names.size());
        for (int i = 0; i < names.size(); ++i) {
            QCOMPARE(rows[i].name, names[i]);
            QCOMPARE(rows[i].ident, i + 1);
            QCOMPARE(rows[i].key, MakeCode(names[i]).left(50));
        }
        QCOMPARE(ReadRows(folder + "Plants.mdb").size(), size_t(1));
        QCOMPARE(Leftovers(folder), (QStringList{"Names.mdb", "Plants.mdb"}));
    }

    void failureLeavesNoDatabaseAndIsTold() {
        demotest::ScriptedPrompts prompts;
        QTemporaryDir dir;
        const QString folder = dir.path() + u'/';

        // A name longer than the field: the plant database, built first, is not kept either,
        // so that the next start builds both again (a missing list: the start window's test).
        QVERIFY(!Build(folder, "|Rose", "|" + QByteArray(51, 'a')));
        QCOMPARE(Leftovers(folder), QStringList{});

        // A folder that cannot hold files.
        demotest::WriteFile(folder + "afile", "x");
        frmMakeMDB window;
        window.setDataFolder(folder + "afile/");
        QVERIFY(!window.Build());
        QCOMPARE(prompts.messages.size(), 2);
        QCOMPARE(QDir(folder).entryList(QDir::Files), (QStringList{"afile", "Names", "Plants"}));

        // Mended, it builds; a rebuild starts from scratch, with a list of more entries than a
        // 16-bit counter holds.
        QVERIFY(Build(folder, "|Rose|Tulip", "|Smith"));
        QByteArray list;
        for (int i = 0; i < 33000; ++i) list += "|Name" + QByteArray::number(i);
        QVERIFY(Build(folder, "|Daisy", list));
        const std::vector<Row> plants = ReadRows(folder + "Plants.mdb");
        QCOMPARE(plants.size(), size_t(1));
        QCOMPARE(plants[0].name, QString("Daisy"));
        const std::vector<Row> rows = ReadRows(folder + "Names.mdb");
        QCOMPARE(rows.size(), size_t(33000));
        QCOMPARE(rows.back().name, QString("Name32999"));
        QCOMPARE(rows.back().ident, 33000);
    }

    void showingBuildsAndCloses() {
        QTemporaryDir dir;
        const QString folder = dir.path() + u'/';
        demotest::WriteFile(folder + "Plants", "|Rose");
        demotest::WriteFile(folder + "Names", "|Smith");
        auto* window = new frmMakeMDB;
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setDataFolder(folder);
        QPointer<frmMakeMDB> alive(window);
        QSignalSpy finished(window, &frmMakeMDB::Finished);
        window->show();
        demotest::Screenshot(window, "make_mdb_window");
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished[0][0].toBool(), true);
        QTRY_VERIFY(!alive);
        QVERIFY(QFileInfo::exists(folder + "Plants.mdb") && QFileInfo::exists(folder + "Names.mdb"));
    }
};

QTEST_MAIN(MakeMdbTest)
#include "demo_make_mdb_test.moc"
