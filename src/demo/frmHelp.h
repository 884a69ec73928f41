// The help viewer: shows a demonstration's help text, read from its rich-text file,
// until the user closes it.
#pragma once

#include <QDialog>
#include <QString>

class QPushButton;
class QPaintDevice;
class QTextDocument;
class QTextEdit;

namespace quarrymink::demo {

class frmHelp final : public QDialog {
    Q_OBJECT
public:
    /// Shows the file HelpFile() names; a file that cannot be read is told to the user
    /// when the window is shown, and the window stays empty.
    explicit frmHelp(QWidget* parent = nullptr);

    /// Why the help file could not be shown, or an empty text.
    QString LoadError() const { return loadError_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QTextEdit* helpText_;
    QPushButton* cmdCancel;
    QString loadError_;
    bool errorTold_ = false;
};

/// Gives the term lists of a help text, paragraphs "TAB term TAB description", a hanging
/// indent: the terms at lead, and every line of a description in one column after the
/// widest term of its list plus gap, but no further right than widest (all in pixels).
void IndentTermLists(QTextDocument* document, qreal lead, qreal gap, qreal widest,
                     const QPaintDevice* device);

/// Sets HelpFile to path and shows the help viewer modally.
void ShowHelp(QWidget* parent, const QString& path);

/// The demonstration's own about box (its title and version), modally.
void ShowDemoAbout(QWidget* parent);

}  // namespace quarrymink::demo
