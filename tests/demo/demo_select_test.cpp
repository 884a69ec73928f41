// The start window: its look, and the sample databases it has built when they are missing.
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>

#include "DemoMain.h"
#include "demo_test_support.h"
#include "frmMakeMDB.h"
#include "frmSelectDemo.h"
#include "frmswDbaseDemo.h"
#include "quarrymink/database.h"

using namespace quarrymink;
using namespace quarrymink::demo;

namespace {

void Activate(QWidget* window) {
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(window, &activate);
}

bool HasName(const QString& path, const QString& name) {
    const std::vector<demotest::NameRow> rows = demotest::NameRows(path);
    return std::any_of(rows.begin(), rows.end(), [&](const demotest::NameRow& r) { return r.name == name; });
}

}  // namespace

class SelectDemoTest : public QObject {
    Q_OBJECT

private:
    demotest::ScratchSettings settings_;
    QTemporaryDir dir_;
    QString folder_;

private Q_SLOTS:
    void initTestCase() {
        folder_ = dir_.path() + u'/';
        demotest::CopySourceData(folder_);
        SetAppFolder(folder_);
    }

    void buildsOnlyWhenThePlantDatabaseIsMissing() {
        frmSelectDemo window;
        window.show();
        QSignalSpy finished(&window, &frmSelectDemo::ConstructionFinished);
        Activate(&window);
        QVERIFY(window.Construction());
        // Activations while it builds start no second construction.
        Activate(&window);
        QVERIFY(finished.wait(60000));
        QCOMPARE(finished.size(), 1);
        QVERIFY(QFileInfo::exists(folder_ + "Plants.mdb"));

        // The user's names survive later activations: the test finds "Plants.mdb" whatever
        // case it asks in.
        {
            auto db = OpenSqlite((folder_ + "Names.mdb").toStdString());
            db->Execute(u"INSERT INTO NameData ([Key], Name) VALUES ('x', 'Added By User')");
        }
        Activate(&window);
        QVERIFY(!window.Construction());
        QVERIFY(HasName(folder_ + "Names.mdb", "Added By User"));

        // Deleting the plant database brings a rebuild at the next activation.
        QVERIFY(QFile::remove(folder_ + "Plants.mdb"));
        Activate(&window);
        QVERIFY(window.Construction());
        QVERIFY(finished.wait(60000));
        QVERIFY(!HasName(folder_ + "Names.mdb", "Added By User"));
    }

    void failedConstructionIsToldOnce() {
        QTemporaryDir dir;
        const QString folder = dir.path() + u'/';
        demotest::CopySourceData(folder, {"Plants", "qmDocDemoHelp.htf"});
        SetAppFolder(folder);
        demotest::ScriptedPrompts prompts;
        frmSelectDemo window;
        window.show();
        QSignalSpy finished(&window, &frmSelectDemo::ConstructionFinished);
        Activate(&window);
        QVERIFY(finished.wait(60000));
        QCOMPARE(finished[0][0].toBool(), false);
        QVERIFY(!QFileInfo::exists(folder + "Plants.mdb"));
        // The message box's closing activates the window again: no second attempt.
        Activate(&window);
        QVERIFY(!window.Construction());
        QCOMPARE(prompts.messages.size(), 1);
        QVERIFY(prompts.messages[0].contains("Names"));
        SetAppFolder(folder_);
    }

    void showsTheNamesDemoModally() {
        demotest::WriteFile(folder_ + "plants.mdb", "");
        frmSelectDemo window;
        window.show();
        Activate(&window);
        QVERIFY(!window.Construction());
        const QLabel* title = window.findChild<QLabel*>("Label1");  // not cut
        QVERIFY(title->fontMetrics().horizontalAdvance(title->text()) <= title->width());
        demotest::Screenshot(&window, "start_window");

        bool shown = false;
        QPointer<QTimer> watch = demotest::WhenModal([&](QWidget* modal) {
            shown = qobject_cast<frmswDbaseDemo*>(modal);
            modal->close();
        });
        window.findChild<QPushButton*>("cmdDbase")->click();
        delete watch;
        QVERIFY(shown);
        QFile::remove(folder_ + "plants.mdb");
    }
};

QTEST_MAIN(SelectDemoTest)
#include "demo_select_test.moc"
