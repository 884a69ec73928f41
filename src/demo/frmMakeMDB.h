// The window that builds the two sample databases, "Plants.mdb" and "Names.mdb", from
// their word lists, with key codes made by a hidden control.
#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QProgressBar;
class QM;

namespace quarrymink::demo {

class frmMakeMDB final : public QWidget {
    Q_OBJECT
public:
    explicit frmMakeMDB(QWidget* owner = nullptr);

    /// The folder of the word lists and the databases, empty or ending in "/"; set
    /// before the window is shown.
    void setDataFolder(const QString& folder) { dataFolder_ = folder; }
    QString DataFolder() const { return dataFolder_; }

    /// Builds both databases; the window closes itself afterwards. Showing the window
    /// runs it once. Both are built under temporary names and put in place together, so a
    /// failure (told to the user) leaves the folder as it was: no "Plants.mdb" stands for
    /// an unfinished construction, and the next start builds again.
    bool Build();

Q_SIGNALS:
    void Finished(bool ok);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* lblPleaseWait_;
    QLabel* lblStep_;
    QProgressBar* progressBar_;
    QM* keyCoder_;
    QString dataFolder_;
    bool started_ = false;
};

}  // namespace quarrymink::demo
