// Finding and starting a system-information program. Desktops ship different ones, so
// the first of a list that is on the PATH is taken.
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include "system_info_p.h"

namespace quarrymink::platform {

QStringList SystemInfoCandidates() {
#if defined(Q_OS_WIN)
    return {QStringLiteral("msinfo32")};
#elif defined(Q_OS_MACOS)
    return {QStringLiteral("System Information")};
#else
    return {QStringLiteral("hardinfo2"),
            QStringLiteral("hardinfo"),
            QStringLiteral("kinfocenter"),
            QStringLiteral("lshw-gtk"),
            QStringLiteral("gnome-system-monitor"),
            QStringLiteral("mate-system-monitor"),
            QStringLiteral("xfce4-taskmanager")};
#endif
}

QString FindSystemInfoProgram() {
#if defined(Q_OS_MACOS)
    const QString app = QStringLiteral("/System/Applications/Utilities/System Information.app");
    return QFileInfo::exists(app) ? app : QString();
#else
    for (const QString& name : SystemInfoCandidates()) {
        const QString path = QStandardPaths::findExecutable(name);
        if (!path.isEmpty()) return path;
    }
    return {};
#endif
}

bool StartSystemInfo() {
    const QString program = FindSystemInfoProgram();
    if (program.isEmpty()) return false;
#if defined(Q_OS_MACOS)
    return QProcess::startDetached(QStringLiteral("open"), {QStringLiteral("-a"), program});
#else
    return QProcess::startDetached(program, {});
#endif
}

}  // namespace quarrymink::platform
