// The platform's dialogs behind Prompts.
#include "demo_prompts.h"

#include <QFileDialog>
#include <QPointer>

namespace quarrymink::demo {
namespace {

class PlatformPrompts final : public Prompts {
public:
    QString OpenFile(QWidget* parent, const OpenFileRequest& request) override {
        QPointer<QFileDialog> dialog =
            new QFileDialog(parent, request.title, request.initialFolder, request.filter);
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setFileMode(QFileDialog::ExistingFile);
        if (!request.fileName.isEmpty()) dialog->selectFile(request.fileName);
        QString chosen;
        if (dialog->exec() == QDialog::Accepted && dialog && !dialog->selectedFiles().isEmpty())
            chosen = dialog->selectedFiles().constFirst();
        delete dialog;
        return chosen;
    }

    QMessageBox::StandardButton Ask(QWidget* parent, const QString& title, const QString& text,
                                    QMessageBox::StandardButtons buttons, QMessageBox::Icon icon) override {
        QPointer<QMessageBox> box = new QMessageBox(icon, title, text, buttons, parent);
        const auto answer = static_cast<QMessageBox::StandardButton>(box->exec());
        delete box;
        return answer;
    }

    void Tell(QWidget* parent, const QString& title, const QString& text, QMessageBox::Icon icon) override {
        QPointer<QMessageBox> box = new QMessageBox(icon, title, text, QMessageBox::Ok, parent);
        box->exec();
        delete box;
    }
};

Prompts* installed = nullptr;

}  // namespace

Prompts& CurrentPrompts() {
    static PlatformPrompts platform;
    return installed ? *installed : platform;
}

void SetPrompts(Prompts* prompts) {
    installed = prompts;
}

}  // namespace quarrymink::demo
