// qmDemo: the demonstration of the Quarrymink control.
#include <QApplication>

#include "DemoMain.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quarrymink"));
    QApplication::setApplicationName(QLatin1String(quarrymink::demo::kAppTitle));
    QApplication::setApplicationDisplayName(QLatin1String(quarrymink::demo::kAppTitle));
    using quarrymink::demo::kAppVersion;
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2.%3").arg(kAppVersion[0]).arg(kAppVersion[1]).arg(kAppVersion[2]));
    if (!quarrymink::demo::Main()) return 0;
    return app.exec();
}
