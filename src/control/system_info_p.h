// The platform's system-information program, for the about box's button.
#pragma once

#include <QString>
#include <QStringList>

namespace quarrymink::platform {

/// Programs that show a system overview, in the order they are tried.
QStringList SystemInfoCandidates();
/// The full path of the first candidate found on the PATH, or an empty text.
QString FindSystemInfoProgram();
/// Starts that program in a window of its own; false when there is none or it did not start.
bool StartSystemInfo();

}  // namespace quarrymink::platform
