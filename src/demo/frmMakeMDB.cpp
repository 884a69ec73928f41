// Building the sample databases.
#include "frmMakeMDB.h"

#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <filesystem>
#include <stdexcept>

#include "DemoMain.h"
#include "demo_prompts.h"
#include "demo_twips.h"
#include "quarrymink/qm.h"
#include "quarrymink/sampledb.h"

namespace quarrymink::demo {
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

bool frmMakeMDB::Build() {
    NameDatabaseOptions options;
    options.makeCode = [this](std::u16string_view text) {
        return keyCoder_->MakeCode(QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())))
            .toStdU16String();
    };
    options.progress = [this](int percent) {
        progressBar_->setValue(percent);
        progressBar_->repaint();
    };
    const auto starting = [this](const std::string& database) {
        lblStep_->setText(QStringLiteral("Creating '") + QString::fromStdString(database) +
                          QStringLiteral("'"));
        lblStep_->repaint();
        progressBar_->setValue(0);
    };
    bool ok = true;
    try {
        BuildSampleDatabases(std::filesystem::path(dataFolder_.toStdU16String()), options, starting);
    } catch (const std::exception& error) {
        ok = false;
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
