// Finding the data folder by its marker file.
#include "CheckApplnFile.h"

#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

#include "DemoMain.h"
#include "demo_prompts.h"
#include "demo_settings.h"
#include "demo_twips.h"

namespace quarrymink::demo {
namespace {

constexpr int kDesignWidth = 6075;
constexpr int kDesignHeight = 1500;

}  // namespace

CheckApplnFile::CheckApplnFile(QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("CheckApplnFile"));
    setWindowTitle(QString());
    setModal(true);

    lblQuestion_ = new QLabel(this);
    lblQuestion_->setObjectName(QStringLiteral("Label1"));

    cmdBrowse = new QPushButton(QStringLiteral("&Browse >>"), this);
    cmdBrowse->setObjectName(QStringLiteral("cmdBrowse"));
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    setTabOrder(cmdBrowse, cmdCancel);

    setFixedSize(TwipsSize(this, kDesignWidth, kDesignHeight));
    PlaceTwips(cmdBrowse, 3600, 960, 975, 375);
    PlaceTwips(cmdCancel, 1500, 960, 975, 375);

    connect(cmdBrowse, &QPushButton::clicked, this, &CheckApplnFile::Browse);
    connect(cmdCancel, &QPushButton::clicked, this, &CheckApplnFile::reject);
}

bool CheckApplnFile::HoldsApplnFile(const QString& folder) const {
    return QFileInfo::exists(folder + applnFile_);
}

QString CheckApplnFile::AppFilesFolder() {
    folder_ = GetSetting(QLatin1String(kAppTitle), QStringLiteral("FilesFolder"), QStringLiteral("Folder"),
                         QString());
    if (HoldsApplnFile(folder_)) return folder_;
    for (const QString& candidate : std::as_const(candidates_)) {
        if (HoldsApplnFile(candidate)) return candidate;
    }
    const qsizetype dot = applnFile_.lastIndexOf(u'.');
    extension_ = dot >= 0 ? applnFile_.mid(dot + 1) : QString();
    exec();
    return folder_;
}

void CheckApplnFile::showEvent(QShowEvent* event) {
    lblQuestion_->setText(QStringLiteral("The Application file '") + applnFile_ +
                          QStringLiteral("' is not present in the current folder\n\n"
                                         "Click on the Browse button to locate the correct folder."));
    lblQuestion_->adjustSize();
    // The message is wider in most fonts than the design allowed for: the dialog grows to
    // hold it, and the buttons keep their places relative to its middle.
    const int designWidth = TwipsX(this, kDesignWidth);
    const int width = std::max(designWidth, lblQuestion_->width() + 2 * TwipsX(this, 120));
    if (width != this->width()) {
        setFixedSize(width, TwipsY(this, kDesignHeight));
        const int shift = (width - designWidth) / 2;
        PlaceTwips(cmdBrowse, 3600, 960, 975, 375);
        PlaceTwips(cmdCancel, 1500, 960, 975, 375);
        cmdBrowse->move(cmdBrowse->x() + shift, cmdBrowse->y());
        cmdCancel->move(cmdCancel->x() + shift, cmdCancel->y());
    }
    lblQuestion_->move((this->width() - lblQuestion_->width()) / 2, TwipsY(this, 120));
    QDialog::showEvent(event);
}

void CheckApplnFile::Browse() {
    OpenFileRequest request;
    request.title = QStringLiteral("Find File");
    request.initialFolder = folder_;
    request.filter = extension_ + QStringLiteral("(*.") + extension_ + u')';
    request.fileName = applnFile_;
    const QString chosen = CurrentPrompts().OpenFile(this, request);
    if (chosen.isEmpty()) {
        reject();
        return;
    }
    // Any file of the folder will do: the folder is what was looked for.
    folder_ = QFileInfo(chosen).absolutePath();
    if (!folder_.endsWith(u'/')) folder_ += u'/';
    SaveSetting(QLatin1String(kAppTitle), QStringLiteral("FilesFolder"), QStringLiteral("Folder"), folder_);
    accept();
}

void CheckApplnFile::reject() {
    cancelled_ = true;
    QDialog::reject();
}

}  // namespace quarrymink::demo
