// The names database demonstration: a table of personal names listed, searched by sound
// through the control, and edited with the key codes kept current.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QMenuBar;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QM;

#include "quarrymink/names_table.h"

namespace quarrymink::demo {

class frmswDbaseDemo final : public QDialog {
    Q_OBJECT
public:
    explicit frmswDbaseDemo(QWidget* parent = nullptr);
    ~frmswDbaseDemo() override;

    // What the menus and buttons do.
    void OpenDatabase();              ///< File, Open: the Open dialog, then the table's names
    void Search();                    ///< Go, or Enter in the search box
    void NextMatch();                 ///< Next
    void AddName();                   ///< Edit, Add: Ok then adds a record
    void EditName();                  ///< Edit, Edit: the selected name into the edit box
    void SaveName();                  ///< Ok
    void DeleteName();                ///< Edit, Delete, after a question
    void SetSearchOption(int index);  ///< 0 automatic, 1 automatic with progress bar, 2 manual

    /// The list row at a point of the list's viewport: the row there, the last row below
    /// the rows, -1 for an empty list.
    int ListRowAt(const QPoint& viewportPos) const;
    /// Seconds as "##.##" shows them: at most two decimals and no zero before the point
    /// (.5, 3.14); a time that rounds to nothing shows as .00.
    static QString FormatSearchTime(float seconds);

    // State, for inspection.
    bool EditMode() const { return editMode_; }
    const std::vector<std::string>& Bookmarks() const { return bookmarks_; }
    quarrymink::Connection* NamesDb() const { return names_ ? &names_->Database() : nullptr; }
    QString DbaseDir() const { return dbaseDir_; }
    QString SettingsAppName() const { return settingsAppName_; }
    bool Searching() const { return searching_; }

Q_SIGNALS:
    /// A search has ended and its result is shown.
    void SearchFinished();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateMenus();
    void CreateControls();
    void LayOut();

    /// on becomes the default button, off stops being it and is disabled: exactly one of
    /// Go and Ok is usable and answers Enter.
    void SetDefaultButton(QPushButton* on, QPushButton* off);
    void SetEditMenuEnabled(bool enabled);
    bool OpenNamesDatabase(const QString& file);
    /// The bookmark of a list row, whose record a change goes to.
    const std::string& BookmarkOf(int row) const { return bookmarks_.at(static_cast<std::size_t>(row)); }
    void FillNameList();
    /// Status panel 1: the given number of records, or (when negative) the table's count.
    void ShowRecordCount(std::int64_t records = -1);
    void SelectListItemByID(int id);
    void SelectRow(int row);
    void ClearSelection();
    int SelectedIndex() const;
    void MatchPicked(const QString& name, int id);
    void ShowContextMenu(const QPoint& viewportPos);
    void TellError(const QString& what, const std::exception& error);

    QMenuBar* menuBar_;
    QMenu* mnuFile;
    QAction* mnuOpen;
    QAction* mnuExit;
    QMenu* mnuTopEdit;
    QAction* mnuAdd;
    QAction* mnuEdit;
    QAction* mnuDelete;
    QAction* mnuHelp;
    QAction* mnuAbout;
    QMenu* contextMenu_;
    QAction* popupAdd_;
    QAction* popupEdit_;
    QAction* popupDelete_;

    QWidget* client_;
    QGroupBox* namesFrame_;
    QListWidget* nameList_;
    QLabel* lblOpenHint_;  ///< over the empty list until a database is open
    QLineEdit* txtEdit;
    QPushButton* cmdOk;
    QGroupBox* searchFrame_;
    QGroupBox* optionsFrame_;
    QRadioButton* searchOptions_[3];
    QButtonGroup* options_;
    QGroupBox* searchForFrame_;
    QLineEdit* txtSearch;
    QPushButton* cmdSearch;
    QPushButton* cmdNext;
    QM* matchControl_;
    QPushButton* cmdCancel;
    QStatusBar* statusBar_;
    QLabel* recordCountPanel_;
    QLabel* searchTimePanel_;

    std::unique_ptr<quarrymink::NamesTable> names_;
    QString lastSavedName_;
    bool editMode_ = false;
    std::vector<std::string> bookmarks_;  // one per list item, in list order
    int controlHeight_ = 0;               // twips
    QString dbaseFile_;
    QString dbaseDir_;
    QString settingsAppName_;
    bool searching_ = false;
};

}  // namespace quarrymink::demo
