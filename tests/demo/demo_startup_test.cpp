// Start-up: finding the data folder by its marker file, asking for it, and the start.
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
    std::unique_ptr<QTemporaryDir> dir_;
    QString data_;  // a folder with the marker file; the current folder is an empty one beside it

    static QString SavedFolder() { return GetSetting(kAppTitle, "FilesFolder", "Folder", "<none>"); }

    // Runs the folder search as Main does, answering the dialog (when it comes) with act.
    struct Outcome {
        QString folder;
        bool cancelled = false, asked = false;
    };
    static Outcome Find(const QStringList& candidates, std::function<void(CheckApplnFile*)> act = {}) {
        if (!act) act = [](CheckApplnFile* d) { d->close(); };
        Outcome outcome;
        CheckApplnFile dialog;
        dialog.setApplnFile(QLatin1String(kMarkerFile));
        dialog.setCandidateFolders(candidates);
        QPointer<QTimer> watch = demotest::WhenModal([&](QWidget* modal) {
            outcome.asked = true;
            act(static_cast<CheckApplnFile*>(modal));
        });
        outcome.folder = dialog.AppFilesFolder();
        outcome.cancelled = dialog.Cancelled();
        delete watch;
        return outcome;
    }

private Q_SLOTS:
    void init() {
        settings_.Clear();
        dir_ = std::make_unique<QTemporaryDir>();
        data_ = dir_->filePath("data/");
        demotest::CopySourceData(data_, {kMarkerFile});
        QDir().mkpath(dir_->filePath("elsewhere"));
        QDir::setCurrent(dir_->filePath("elsewhere"));
    }
    void cleanup() { QDir::setCurrent(originalFolder_); }

    void savedOrCurrentFolderAnswersWithoutAQuestion() {
        // The saved folder.
        SaveSetting(kAppTitle, "FilesFolder", "Folder", data_);
        Outcome found = Find({});
        QVERIFY(!found.asked && found.folder == data_);

        // A saved folder without the marker: the candidates come next, and only browsing
        // replaces the saved folder.
        const QString stale = QDir::currentPath() + u'/';
        SaveSetting(kAppTitle, "FilesFolder", "Folder", stale);
        found = Find({QString(), dir_->filePath("nothing/"), data_});
        QVERIFY(!found.asked && found.folder == data_);
        QCOMPARE(SavedFolder(), stale);

        // Nothing saved: a fresh build finds its own data folder.
        settings_.Clear();
        found = Find(DataFolderCandidates());
        QVERIFY(!found.asked && QFileInfo::exists(found.folder + kMarkerFile));
        QCOMPARE(WritableDataFolder(found.folder), found.folder);

        // Nothing saved, started in the data folder: the folder stays empty.
        QDir::setCurrent(data_);
        found = Find({});
        QVERIFY(!found.asked && found.folder.isEmpty());
    }

    void missingMarkerAsksAndOnlyABrowsedFolderIsSaved() {
        demotest::WriteFile(data_ + "Names", "|Smith");
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
        }
        QCOMPARE(SavedFolder(), QString("<none>"));

        // Another file of the right folder will do; it is saved with its separator.
        prompts.files.push_back(data_ + "Names");
        const Outcome found = Find({}, press("cmdBrowse"));
        QVERIFY(found.asked && !found.cancelled);
        QCOMPARE(found.folder, data_);
        QCOMPARE(SavedFolder(), data_);  // later starts go straight there
    }

    void mainShowsTheStartWindow() {
        // The sample databases are there already (the test ignores the case of letters).
        demotest::WriteFile(data_ + "plants.mdb", "");
        SaveSetting(kAppTitle, "FilesFolder", "Folder", data_);
        QVERIFY(Main());
        QCOMPARE(AppFolder(), data_);
        frmSelectDemo* start = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* s = qobject_cast<frmSelectDemo*>(w); s && s->isVisible()) start = s;
        QVERIFY(start && !start->Construction());
        start->close();
    }

    void dataFilesAreCopiedWithoutOverwriting() {
        const QString to = dir_->filePath("elsewhere/");
        demotest::WriteFile(data_ + "Names", "|new");
        demotest::WriteFile(data_ + "Names.mdb", "db");
        demotest::WriteFile(to + "Names", "|mine");
        QVERIFY(CopyDataFiles(data_, to));
        QVERIFY(!QFileInfo::exists(to + "Names.mdb"));
        QCOMPARE(demotest::ReadFile(to + "Names"), QByteArray("|mine"));
    }

    void settingsShareOneReadableFile() {
        const QString app = "/data/demo/qmDbaseDemo", section = "C:\\docs/a%b.rtf";
        SaveSetting(app, section, "DbaseDir", "/data/");
        SaveSetting(kAppTitle, "FilesFolder", "Folder", "/x/");
        QCOMPARE(GetSetting(app, section, "DbaseDir"), QString("/data/"));
        QCOMPARE(QFileInfo(SettingsFilePath()).dir().entryList(QDir::Files), QStringList{"qmDemo.conf"});

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
