// The start window: builds the sample databases when they are missing and offers the two
// demonstrations.
#pragma once

#include <QPointer>
#include <QWidget>

class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;

namespace quarrymink::demo {

class frmMakeMDB;

class frmSelectDemo final : public QWidget {
    Q_OBJECT
public:
    explicit frmSelectDemo(QWidget* parent = nullptr);

    /// The sample-database window while it builds, else nullptr.
    frmMakeMDB* Construction() const;

Q_SIGNALS:
    /// The construction that the start window began has ended.
    void ConstructionFinished(bool ok);

protected:
    bool event(QEvent* event) override;

private:
    void Activated();
    void ShowDatabaseDemo();
    void ShowDocumentDemo();
    void Exit();

    QLabel* lblTitle_;
    QLabel* logoPicture_;
    QGroupBox* demoFrame_;
    QLabel* dbasePicture_;
    QPushButton* cmdDbase;
    QFrame* separator_;
    QLabel* docPicture_;
    QPushButton* cmdDoc;
    QPushButton* cmdCancel;

    QPointer<frmMakeMDB> construction_;
    // A construction that failed is not tried again at every activation (its message
    // would come back at once); the next start of the program tries again.
    bool constructionFailed_ = false;
};

}  // namespace quarrymink::demo
