// Start-up: the data folder, then the start window.
#include "DemoMain.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include "CheckApplnFile.h"
#include "frmSelectDemo.h"

namespace quarrymink::demo {
namespace {

QString appFolder;
QString helpFile;

QString WithSeparator(const QString& folder) {
    return folder.isEmpty() || folder.endsWith(u'/') ? folder : folder + u'/';
}

// Writability is tried rather than read from the permissions, which do not tell about
// read-only mounts.
bool CanCreateFilesIn(const QString& folder) {
    QTemporaryFile probe(
        QDir(folder.isEmpty() ? QStringLiteral(".") : folder).filePath(QStringLiteral("qmDemo.XXXXXX")));
    return probe.open();
}

}  // namespace

const QString& AppFolder() {
    return appFolder;
}
void SetAppFolder(const QString& folder) {
    appFolder = folder;
}
QString AppFile(const QString& bareName) {
    return appFolder + bareName;
}

const QString& HelpFile() {
    return helpFile;
}
void SetHelpFile(const QString& path) {
    helpFile = path;
}

QString PerUserDataFolder() {
    return WithSeparator(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                         QStringLiteral("/quarrymink/qmDemo"));
}

QStringList DataFolderCandidates() {
    const QString programFolder = QCoreApplication::applicationDirPath();
    QStringList folders{QString()};
    // Where the build copies the data (beside the program) and where the installation
    // puts it (relative to the program, so that a moved installation still finds it).
    folders << WithSeparator(programFolder + QStringLiteral("/data"));
    folders << WithSeparator(
        QDir::cleanPath(programFolder + u'/' + QStringLiteral(QM_DEMO_RELATIVE_INSTALL_DATA_DIR)));
    folders << PerUserDataFolder();
    folders << WithSeparator(QStringLiteral(QM_DEMO_INSTALL_DATA_DIR));
    folders << WithSeparator(QStringLiteral(QM_DEMO_BUILD_DATA_DIR));
    folders.removeDuplicates();
    return folders;
}

bool CopyDataFiles(const QString& from, const QString& target) {
    if (!QDir().mkpath(target)) return false;
    const QDir source(from.isEmpty() ? QStringLiteral(".") : from);
    bool ok = true;
    for (const QFileInfo& file : source.entryInfoList(QDir::Files)) {
        if (file.suffix().compare(QLatin1String("mdb"), Qt::CaseInsensitive) == 0) continue;
        const QString copy = QDir(target).filePath(file.fileName());
        if (QFileInfo::exists(copy)) continue;
        ok = QFile::copy(file.filePath(), copy) && ok;
    }
    return ok;
}

QString WritableDataFolder(const QString& folder) {
    if (CanCreateFilesIn(folder)) return folder;
    const QString perUser = PerUserDataFolder();
    return CopyDataFiles(folder, perUser) ? perUser : folder;
}

bool FileExistsIgnoringCase(const QString& folder, const QString& name) {
    const QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    for (const QString& entry : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0) return true;
    }
    return false;
}

bool Main() {
    QString folder;
    {
        CheckApplnFile dialog;
        dialog.setApplnFile(QLatin1String(kMarkerFile));
        dialog.setCandidateFolders(DataFolderCandidates());
        folder = dialog.AppFilesFolder();
        if (dialog.Cancelled()) return false;
    }
    // An installed demonstration finds its data in a folder its user cannot write to,
    // where the sample databases cannot be built.
    SetAppFolder(WritableDataFolder(folder));

    auto* start = new frmSelectDemo;
    start->setAttribute(Qt::WA_DeleteOnClose);
    start->show();
    return true;
}

}  // namespace quarrymink::demo
