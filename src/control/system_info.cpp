// Gathering the system information. Processor and memory come from the operating system
// where it says them cheaply (Linux's /proc files, the Windows registry, sysconf); a
// value that cannot be found is reported as unknown rather than left out.
#include <QClipboard>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSysInfo>
#include <QThread>
#include <QVBoxLayout>
#include <algorithm>

#include "system_info_p.h"

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

#include "library_versions.h"
#include "quarrymink/version.h"

namespace quarrymink::platform {
namespace {

const QString kUnknown = QStringLiteral("unknown");

// The value of the first "name : value" line of a /proc file that starts with name.
QString ProcValue(const QString& path, const QString& name) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    // /proc files report a size of 0, so atEnd() holds from the start: they are read
    // until a read gives nothing.
    for (QByteArray bytes; !(bytes = file.readLine()).isEmpty();) {
        const QString line = QString::fromLocal8Bit(bytes);
        if (!line.startsWith(name)) continue;
        const qsizetype colon = line.indexOf(u':');
        if (colon >= 0) return line.mid(colon + 1).trimmed();
    }
    return {};
}

QString ProcessorName() {
#if defined(Q_OS_WIN)
    QSettings cpu(QStringLiteral("HKEY_LOCAL_MACHINE\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0"),
                  QSettings::NativeFormat);
    QString name = cpu.value(QStringLiteral("ProcessorNameString")).toString().trimmed();
#else
    QString name = ProcValue(QStringLiteral("/proc/cpuinfo"), QStringLiteral("model name"));
#endif
    return name.isEmpty() ? kUnknown : name;
}

QString MiB(qint64 bytes) {
    return QStringLiteral("%1 MiB").arg(bytes / (1024 * 1024));
}

// "/proc/meminfo" gives kibibytes.
qint64 MemInfoBytes(const QString& name) {
    const QString value = ProcValue(QStringLiteral("/proc/meminfo"), name);
    bool ok = false;
    const qint64 kib = value.section(u' ', 0, 0).toLongLong(&ok);
    return ok ? kib * 1024 : -1;
}

QString Memory() {
    qint64 total = MemInfoBytes(QStringLiteral("MemTotal"));
    const qint64 available = MemInfoBytes(QStringLiteral("MemAvailable"));
#if defined(Q_OS_UNIX) && defined(_SC_PHYS_PAGES)
    if (total < 0) {
        const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
        if (pages > 0 && pageSize > 0) total = qint64(pages) * pageSize;
    }
#endif
    if (total < 0) return kUnknown;
    return available < 0 ? MiB(total) : MiB(total) + QStringLiteral(" (%1 available)").arg(MiB(available));
}

QString ScreenLine(const QScreen* screen) {
    const QSize size = screen->size();
    return QStringLiteral("%1, %2 x %3, %4 dpi logical, %5 dpi physical, scale %6")
        .arg(screen->name().isEmpty() ? QStringLiteral("(unnamed)") : screen->name())
        .arg(size.width())
        .arg(size.height())
        .arg(qRound(screen->logicalDotsPerInch()))
        .arg(qRound(screen->physicalDotsPerInch()))
        .arg(screen->devicePixelRatio());
}

}  // namespace

QString SystemInfoText() {
    QStringList lines;
    const auto add = [&lines](const QString& name, const QString& value) {
        lines << name + QStringLiteral(": ") + value;
    };
    const QString program = QCoreApplication::applicationName();
    const QString programVersion = QCoreApplication::applicationVersion();
    add(QStringLiteral("Program"), programVersion.isEmpty() ? program : program + u' ' + programVersion);
    add(QStringLiteral("Quarrymink library"), QStringLiteral(QUARRYMINK_VERSION));
    add(QStringLiteral("Operating system"), QSysInfo::prettyProductName());
    add(QStringLiteral("Kernel"), QSysInfo::kernelType() + u' ' + QSysInfo::kernelVersion());
    add(QStringLiteral("Architecture"), QSysInfo::currentCpuArchitecture());
    add(QStringLiteral("Qt"), QStringLiteral("%1 (built with %2), platform %3")
                                  .arg(QString::fromLatin1(qVersion()), QStringLiteral(QT_VERSION_STR),
                                       QGuiApplication::platformName()));
    add(QStringLiteral("Processor"),
        QStringLiteral("%1, %2 threads").arg(ProcessorName()).arg(QThread::idealThreadCount()));
    add(QStringLiteral("Memory"), Memory());
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (qsizetype i = 0; i < screens.size(); ++i)
        add(QStringLiteral("Screen %1").arg(i + 1), ScreenLine(screens[i]));
    if (screens.isEmpty()) add(QStringLiteral("Screen"), QStringLiteral("none"));
    add(QStringLiteral("SQLite"), QString::fromStdString(SqliteLibraryVersion()));
    add(QStringLiteral("PostgreSQL client (libpq)"), QString::fromStdString(PostgresClientVersion()));
    return lines.join(u'\n') + u'\n';
}

SystemInfoDialog::SystemInfoDialog(QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      text_(SystemInfoText()) {
    setObjectName(QStringLiteral("SystemInfo"));
    setWindowTitle(QStringLiteral("System Information"));
    setModal(true);

    txtInfo_ = new QPlainTextEdit(text_, this);
    txtInfo_->setObjectName(QStringLiteral("txtInfo"));
    txtInfo_->setReadOnly(true);
    txtInfo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtInfo_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    txtInfo_->setCursorWidth(0);  // nothing to type here

    auto* buttons = new QDialogButtonBox(this);
    cmdCopy_ = buttons->addButton(QStringLiteral("&Copy"), QDialogButtonBox::ActionRole);
    cmdCopy_->setObjectName(QStringLiteral("cmdCopy"));
    cmdClose_ = buttons->addButton(QDialogButtonBox::Close);
    cmdClose_->setObjectName(QStringLiteral("cmdClose"));
    cmdClose_->setDefault(true);
    connect(cmdCopy_, &QPushButton::clicked, this, &SystemInfoDialog::CopyToClipboard);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtInfo_);
    layout->addWidget(buttons);

    // Wide and high enough for the longest line and every line, within reason.
    const QFontMetrics metrics(txtInfo_->font());
    int widest = 0;
    for (const QString& line : text_.split(u'\n')) widest = std::max(widest, metrics.horizontalAdvance(line));
    const int lines = int(text_.count(u'\n'));
    const int frame = 2 * txtInfo_->frameWidth() + int(2 * txtInfo_->document()->documentMargin());
    txtInfo_->setMinimumSize(std::min(widest, 900) + 4 * metrics.averageCharWidth() + frame,
                             std::min(lines + 1, 30) * metrics.lineSpacing() + frame);
}

void SystemInfoDialog::CopyToClipboard() {
    QGuiApplication::clipboard()->setText(text_);
}

}  // namespace quarrymink::platform
