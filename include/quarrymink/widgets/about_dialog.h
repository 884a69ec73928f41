// The about box: product title, version, the description lines of the string table and
// a button that opens the system-information window.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

namespace quarrymink {

class AboutDialog final : public QDialog {
    Q_OBJECT
public:
    /// title and version are the showing application's: the control library shows its
    /// own, a program that carries the box shows its name and version.
    AboutDialog(const QString& title, int major, int minor, int revision, QWidget* parent = nullptr);

    /// The description lines, resources 201 up to the "*" line, each ended by CR LF.
    static QString DescriptionText();

public Q_SLOTS:
    /// Shows the system-information window modally.
    void StartSysInfo();

private:
    QLabel* lblTitle_;
    QLabel* lblVersion_;
    QLabel* lblDescription_;
    QPushButton* cmdOK_;
    QPushButton* cmdSysInfo_;
};

}  // namespace quarrymink
