// The demonstration's start: where its data files are, and the program's entry.
#pragma once

#include <QString>
#include <QStringList>

namespace quarrymink::demo {

/// The application title, under which the data folder is saved.
inline constexpr const char* kAppTitle = "qmDemo";
/// The program's own version (major, minor, revision), set beside the project's version.
inline constexpr int kAppVersion[3] = {QM_DEMO_VERSION_MAJOR, QM_DEMO_VERSION_MINOR, QM_DEMO_VERSION_PATCH};
/// The file whose presence marks the data folder: the document demonstration's help.
inline constexpr const char* kMarkerFile = "qmDocDemoHelp.htf";
/// The caption of the start window, which the other windows carry too.
inline constexpr const char* kDemoCaption = "Quarrymink Demo";

/// The data folder: empty for the current folder, else a folder ending in "/".
const QString& AppFolder();
void SetAppFolder(const QString& folder);
/// A data file's path: AppFolder followed by the bare name.
QString AppFile(const QString& bareName);

/// The help file frmHelp shows; its caller sets it just before.
const QString& HelpFile();
void SetHelpFile(const QString& path);

/// Folders where the data may lie when no saved folder holds it, in the order they are
/// tried: the current folder (as ""), the build's copy beside the program, the installed
/// data relative to the program, the per-user copy, the installed data where the build
/// meant to install it, and the build's copy by its absolute path.
QStringList DataFolderCandidates();
/// The per-user folder that takes a copy of data found in a folder the user cannot write.
QString PerUserDataFolder();
/// A folder the sample databases can be built in: folder itself when it is writable,
/// otherwise the per-user folder, into which the data files are copied first when they
/// are not there yet. Returns folder unchanged when the copy fails.
QString WritableDataFolder(const QString& folder);
/// Copies the data files (not the databases) that target lacks; false when one fails.
bool CopyDataFiles(const QString& from, const QString& target);

/// Whether folder holds a file of that name, with its letters in any case. An empty
/// folder is the current folder.
bool FileExistsIgnoringCase(const QString& folder, const QString& name);

/// Finds the data folder, asking the user when it is not found, and shows the start
/// window. False when the user gave up: the program then ends without a window.
bool Main();

}  // namespace quarrymink::demo
