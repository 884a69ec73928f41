// The document demonstration's start, settings and dialogs.
#include "DocMain.h"

#include <QApplication>
#include <QFileDialog>
#include <QPointer>
#include <algorithm>

#include "DemoMain.h"
#include "demo_prompts.h"
#include "demo_settings.h"
#include "frmHelp.h"
#include "frmswDocDemo.h"

namespace quarrymink::demo {
namespace {

const QString kDocumentWindowSection = QStringLiteral("frmswDocDemo");
const QString kFindWindowSection = QStringLiteral("frmFindWord");
const QString kDocVersionKey = QStringLiteral("DocVersion");
const QString kKeyVersionKey = QStringLiteral("KeyVersion");

QString MessageTitle() {
    const QString name = QGuiApplication::applicationDisplayName();
    return name.isEmpty() ? QString::fromLatin1(kAppTitle) : name;
}

class PlatformDocDialogs final : public DocDialogs {
public:
    QString OpenFileName(QWidget* parent, const QString& title, const QString& folder,
                         const QString& filter) override {
        return CurrentPrompts().OpenFile(parent, OpenFileRequest{title, folder, filter, QString()});
    }

    QString SaveFileName(QWidget* parent, const QString& title, const QString& folder,
                         const QString& filter) override {
        QPointer<QFileDialog> dialog = new QFileDialog(parent, title, folder, filter);
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->setDefaultSuffix(QStringLiteral("rtf"));
        QString chosen;
        if (dialog->exec() == QDialog::Accepted && dialog && !dialog->selectedFiles().isEmpty())
            chosen = dialog->selectedFiles().constFirst();
        delete dialog;
        return chosen;
    }

    Answer AskToSave(QWidget* parent, const QString& title) override {
        const auto answer = CurrentPrompts().Ask(
            parent, MessageTitle(),
            QStringLiteral("The document %1 has changed.\n\nDo you want to save your changes?").arg(title),
            QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Warning);
        if (answer == QMessageBox::Save) return Answer::Save;
        if (answer == QMessageBox::Discard) return Answer::Discard;
        return Answer::Cancel;
    }

    void Message(QWidget* parent, QMessageBox::Icon icon, const QString& text) override {
        CurrentPrompts().Tell(parent, MessageTitle(), text, icon);
    }

    void ShowHelp(QWidget* parent, const QString& path) override { demo::ShowHelp(parent, path); }

    void ShowAbout(QWidget* parent) override { ShowDemoAbout(parent); }

    void Beep() override { QApplication::beep(); }
};

}  // namespace

DocDialogs::~DocDialogs() = default;

std::shared_ptr<DocDialogs> StandardDocDialogs() {
    return std::make_shared<PlatformDocDialogs>();
}

QString DocSettings::DocumentDir() const {
    return GetSetting(appName_, kDocumentWindowSection, QStringLiteral("DocumentDir"));
}

void DocSettings::SetDocumentDir(const QString& dir) const {
    SaveSetting(appName_, kDocumentWindowSection, QStringLiteral("DocumentDir"), dir);
}

qint32 DocSettings::DocVersion(const QString& docPath) const {
    return ReadNumber(docPath, kDocVersionKey, 1);
}

void DocSettings::SetDocVersion(const QString& docPath, qint32 version) const {
    SaveSetting(appName_, docPath, kDocVersionKey, QString::number(version));
}

qint32 DocSettings::KeyVersion(const QString& docPath) const {
    return ReadNumber(docPath, kKeyVersionKey, 0);
}

void DocSettings::SetKeyVersion(const QString& docPath, qint32 version) const {
    SaveSetting(appName_, docPath, kKeyVersionKey, QString::number(version));
}

qint32 DocSettings::NextVersion(const QString& docPath, qint32 current) const {
    return std::max({current, DocVersion(docPath), KeyVersion(docPath)}) + 1;
}

bool DocSettings::UseQuarrymink() const {
    return ReadNumber(kFindWindowSection, QStringLiteral("chkQuarrymink"), 0) != 0;
}

void DocSettings::SetUseQuarrymink(bool use) const {
    SaveSetting(appName_, kFindWindowSection, QStringLiteral("chkQuarrymink"),
                use ? QStringLiteral("1") : QStringLiteral("0"));
}

qint32 DocSettings::ReadNumber(const QString& section, const QString& key, qint32 defaultValue) const {
    bool ok = false;
    const qint32 value = GetSetting(appName_, section, key).trimmed().toInt(&ok);
    return ok ? value : defaultValue;
}

}  // namespace quarrymink::demo

void ShowDocumentDemo(QWidget* owner) {
    using namespace quarrymink::demo;
    // One document window at a time; asking again brings it to the front.
    static QPointer<frmswDocDemo> window;
    if (!window) {
        window = new frmswDocDemo(DocDemoContext{AppFolder(), StandardDocDialogs()});
        window->setAttribute(Qt::WA_DeleteOnClose);
        if (owner) window->setWindowIcon(owner->windowIcon());
    }
    window->show();
    window->raise();
    window->activateWindow();
}
