// Building the sample databases.
#include "frmMakeMDB.h"

#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "DemoMain.h"
#include "demo_prompts.h"
#include "demo_twips.h"
#include "quarrymink/qm.h"
#include "quarrymink/sampledb.h"

namespace quarrymink::demo {
namespace {

std::filesystem::path FsPath(const QString& path) {
    return std::filesystem::path(path.toStdU16String());
}

// A database is made under this name first and takes its own once both are complete.
QString UnfinishedName(const QString& path) {
    return path + QStringLiteral(".new");
}

}  // namespace

frmMakeMDB::frmMakeMDB(QWidget* owner) : QWidget(owner, Qt::Tool | Qt::CustomizeWindowHint) {
    setObjectName(QStringLiteral("frmMakeMDB"));
    lblPleaseWait_ =
        new QLabel(QStringLiteral("Please wait while the sample databases are constructed"), this);
    lblPleaseWait_->setObjectName(QStringLiteral("Label2"));
    lblStep_ = new QLabel(QStringLiteral("Making Plants.mdb"), this);
    lblStep_->setObjectName(QStringLiteral("Label1"));
    lblStep_->setAlignment(Qt::AlignCenter);
    progressBar_ = new QProgressBar(this);
    progressBar_->setObjectName(QStringLiteral("ProgressBar1"));
    progressBar_->setRange(0, 100);
    progressBar_->setValue(0);
    progressBar_->setTextVisible(false);

    // The message is wider in most fonts than its design place: the window grows to hold
    // it, and the rest stays centred.
    const int extra = std::max(0, PixelsToTwipsX(this, lblPleaseWait_->sizeHint().width()) + 60 - 4035);
    resize(TwipsSize(this, 4350 + extra, 1305));
    PlaceTwipsFitting(lblPleaseWait_, 180, 180, 4035 + extra, 255);
    // The step texts are longer than lblStep_'s design place, which is centred in the
    // window: the label is centred over the window's width instead.
    PlaceTwipsFitting(lblStep_, 180, 600, 4035 + extra, 195);
    PlaceTwips(progressBar_, 480 + extra / 2, 960, 3375, 195);

    keyCoder_ = new QM(this);
    keyCoder_->setObjectName(QStringLiteral("DF1"));
    PlaceTwips(keyCoder_, 60, 480, 1005, 510);
    keyCoder_->hide();
}

void frmMakeMDB::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (const QWidget* owner = parentWidget()) {
        const QRect area = owner->frameGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    if (started_) return;
    started_ = true;
    // After the window has appeared.
    QTimer::singleShot(0, this, [this] { Build(); });
}

void frmMakeMDB::MakeDatabase(const QString& baseName, const QString& path) {
    QFile wordList(dataFolder_ + baseName);
    if (!wordList.open(QIODevice::ReadOnly))
        throw std::runtime_error("The word list '" + wordList.fileName().toStdString() +
                                 "' cannot be read: " + wordList.errorString().toStdString());
    const QByteArray bytes = wordList.readAll();
    wordList.close();

    NameDatabaseOptions options;
    options.replace = true;  // both databases are built anew, existing files included
    options.makeCode = [this](std::u16string_view text) {
        return keyCoder_->MakeCode(QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())))
            .toStdU16String();
    };
    options.progress = [this](int percent) {
        progressBar_->setValue(percent);
        progressBar_->repaint();
    };
    progressBar_->setValue(0);
    BuildNameDatabase(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                      FsPath(path).string(), options);
}

bool frmMakeMDB::Build() {
    const QStringList bases{QStringLiteral("Plants"), QStringLiteral("Names")};
    QStringList unfinished;
    bool ok = true;
    try {
        for (const QString& base : bases) {
            lblStep_->setText(QStringLiteral("Creating '") + base + QStringLiteral(".mdb'"));
            lblStep_->repaint();
            const QString path = UnfinishedName(dataFolder_ + base + QStringLiteral(".mdb"));
            unfinished << path;
            MakeDatabase(base, path);
        }
        // The plant database last: its presence tells later starts that both are there.
        for (qsizetype i = bases.size() - 1; i >= 0; --i) {
            std::filesystem::rename(FsPath(unfinished[i]),
                                    FsPath(dataFolder_ + bases[i] + QStringLiteral(".mdb")));
        }
    } catch (const std::exception& error) {
        ok = false;
        std::error_code ignored;
        for (const QString& path : std::as_const(unfinished)) std::filesystem::remove(FsPath(path), ignored);
        const QString reason = QString::fromUtf8(error.what());
        CurrentPrompts().Tell(this, QLatin1String(kDemoCaption),
                              QStringLiteral("The sample databases could not be built in the folder '") +
                                  (dataFolder_.isEmpty() ? QStringLiteral(".") : dataFolder_) +
                                  QStringLiteral("'.\n\n") + reason,
                              QMessageBox::Critical);
    }
    close();
    emit Finished(ok);
    return ok;
}

}  // namespace quarrymink::demo
