// Start-up: finding the data folder by its marker file, asking for it, and the start.
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "CheckApplnFile.h"
#include "DemoMain.h"
#include "demo_settings.h"
#include "demo_test_support.h"
#include "frmSelectDemo.h"

using namespace quarrymink::demo;

class StartupTest : public QObject {
    Q_OBJECT

private:
    demotest::ScratchSettings settings_;
    QString originalFolder_ = QDir::currentPath();

    static QString SavedFolder() {
        return GetSetting(QLatin1String(kAppTitle), "FilesFolder", "Folder", "<none>");
    }

    // A folder with the marker file, and an empty one to stand in as the current folder.
    static QString DataFolder(const QTemporaryDir& dir) {
        const QString folder = dir.filePath("data") + u'/';
        QDir().mkpath(folder);
        demotest::WriteFile(folder + kMarkerFile, "{\\rtf1 help}");
        return folder;
    }

    // Runs the folder search as Main does, answering the dialog (when it comes) with act.
    struct Outcome {
        QString folder;
        bool cancelled = false;
        bool asked = false;
        QString message;
    };
    static Outcome Find(const QStringList& candidates, std::function<void(CheckApplnFile*)> act = {}) {
        Outcome outcome;
        CheckApplnFile dialog;
        dialog.setApplnFile(QLatin1String(kMarkerFile));
        dialog.setCandidateFolders(candidates);
        QPointer<QTimer> watch = demotest::WhenModal([&](QWidget* modal) {
            outcome.asked = true;
            outcome.message = modal->findChild<QLabel*>("Label1")->text();
            if (act)
                act(static_cast<CheckApplnFile*>(modal));
            else
                modal->close();
        });
        outcome.folder = dialog.AppFilesFolder();
        outcome.cancelled = dialog.Cancelled();
        delete watch;
        return outcome;
    }

private Q_SLOTS:
    void init() {
        settings_.Clear();
        QDir::setCurrent(originalFolder_);
    }
    void cleanup() { QDir::setCurrent(originalFolder_); }

    void savedOrCurrentFolderAnswersWithoutAQuestion() {
        QTemporaryDir dir;
        const QString data = DataFolder(dir);
        QDir().mkpath(dir.filePath("elsewhere"));

        // The saved folder.
        SaveSetting(kAppTitle, "FilesFolder", "Folder", data);
        QDir::setCurrent(dir.filePath("elsewhere"));
        Outcome found = Find({});
        QCOMPARE(found.folder, data);
        QVERIFY(!found.asked);

        // No saved folder, started in the data folder: the folder stays empty.
        settings_.Clear();
        QDir::setCurrent(data);
        found = Find({});
        QCOMPARE(found.folder, QString());
        QVERIFY(!found.asked);

        // A saved folder without the marker: the candidates come next, and only browsing
        // replaces the saved folder.
        const QString stale = dir.filePath("stale/");
        QDir().mkpath(stale);
        QDir::setCurrent(stale);
        SaveSetting(kAppTitle, "FilesFolder", "Folder", stale);
        found = Find({QString(), dir.filePath("nothing/"), data});
        QCOMPARE(found.folder, data);
        QVERIFY(!found.asked);
        QCOMPARE(SavedFolder(), stale);
    }

    void freshBuildStartsWithoutAQuestion() {
        QTemporaryDir elsewhere;
        QDir::setCurrent(elsewhere.path());
        const Outcome found = Find(DataFolderCandidates());
        QVERIFY(!found.asked);
        QVERIFY(QFileInfo::exists(found.folder + kMarkerFile));
        QCOMPARE(WritableDataFolder(found.folder), found.folder);
    }

    void missingMarkerAsksAndOnlyABrowsedFolderIsSaved() {
        QTemporaryDir dir;
        const QString data = DataFolder(dir);
        demotest::WriteFile(data + "Names", "|Smith");
        QTemporaryDir elsewhere;
        QDir::setCurrent(elsewhere.path());
        demotest::ScriptedPrompts prompts;
        const auto press = [](const char* button) {
            return [button](CheckApplnFile* d) { d->findChild<QPushButton*>(button)->click(); };
        };
        prompts.files.push_back(QString());  // Cancel in the file dialog
        const std::function<void(CheckApplnFile*)> cancels[] = {
            press("cmdCancel"), [](CheckApplnFile* d) { QTest::keyClick(d, Qt::Key_Escape); },
            press("cmdBrowse")};
        for (const auto& cancel : cancels) {
            const Outcome found = Find({}, cancel);
            QVERIFY(found.asked && found.cancelled);
            QVERIFY(found.message.contains(
                "The Application file 'qmDocDemoHelp.htf' is not present in the current folder"));
        }
        QCOMPARE(SavedFolder(), QString("<none>"));

        // Another file of the right folder will do; it is saved with its separator.
        prompts.files.push_back(data + "Names");
        const Outcome found = Find({}, press("cmdBrowse"));
        QVERIFY(found.asked && !found.cancelled);
        QCOMPARE(found.folder, data);
        QCOMPARE(SavedFolder(), data);  // later starts go straight there
    }

    void mainShowsTheStartWindow() {
        QTemporaryDir dir;
        const QString data = DataFolder(dir);
        // The sample databases are there already (the test ignores the case of letters).
        demotest::WriteFile(data + "plants.mdb", "");
        SaveSetting(kAppTitle, "FilesFolder", "Folder", data);
        QVERIFY(Main());
        QCOMPARE(AppFolder(), data);
        frmSelectDemo* start = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* s = qobject_cast<frmSelectDemo*>(w); s && s->isVisible()) start = s;
        }
        QVERIFY(start);
        QVERIFY(!start->Construction());
        start->close();
    }

    void dataFilesAreCopiedWithoutOverwriting() {
        QTemporaryDir dir;
        const QString from = dir.filePath("from/"), to = dir.filePath("to/");
        QDir().mkpath(from);
        demotest::WriteFile(from + "Names", "|new");
        demotest::WriteFile(from + "Names.mdb", "db");
        demotest::WriteFile(from + kMarkerFile, "{\\rtf1 x}");
        QDir().mkpath(to);
        demotest::WriteFile(to + "Names", "|mine");
        QVERIFY(CopyDataFiles(from, to));
        QVERIFY(!QFileInfo::exists(to + "Names.mdb"));
        QCOMPARE(demotest::ReadFile(to + "Names"), QByteArray("|mine"));
    }

    void settingsShareOneReadableFile() {
        settings_.Clear();
        const QString app = "/data/demo/qmDbaseDemo", section = "C:\\docs/a%b.rtf";
        SaveSetting(app, section, "DbaseDir", "/data/");
        SaveSetting(kAppTitle, "FilesFolder", "Folder", "/x/");
        QCOMPARE(GetSetting(app, section, "DbaseDir"), QString("/data/"));
        const QFileInfo file(SettingsFilePath());
        QCOMPARE(file.dir().entryList(QDir::Files), QStringList{"qmDemo.conf"});

        // A value that only the file of an earlier release holds (one file per
        // application name) is still read, and kept in the program's file from then on.
        QSettings old(QSettings::NativeFormat, QSettings::UserScope, "Quarrymink", "%2Fold%2FqmDbaseDemo");
        old.setValue("frmswDbaseDemo/DbaseDir", "/old/");
        old.sync();
        QCOMPARE(GetSetting("/old/qmDbaseDemo", "frmswDbaseDemo", "DbaseDir"), QString("/old/"));
        QFile::remove(old.fileName());
        QCOMPARE(GetSetting("/old/qmDbaseDemo", "frmswDbaseDemo", "DbaseDir"), QString("/old/"));
        // The old file of the name "qmDemo" is the program's file: the old entry moves.
        settings_.Clear();
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "Quarrymink", "qmDemo")
            .setValue("FilesFolder/Folder", "/data/");
        QCOMPARE(SavedFolder(), QString("/data/"));
        const QSettings program(SettingsFilePath(), QSettings::NativeFormat);
        QCOMPARE(program.allKeys(), QStringList{"qmDemo/FilesFolder/Folder"});
    }
};

QTEST_MAIN(StartupTest)
#include "demo_startup_test.moc"
