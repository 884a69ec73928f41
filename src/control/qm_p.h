// The control's private side: its children, its layout state and the window services
// the search engine asks of it.
#pragma once

#include <QPointer>
#include <QString>
#include <string>
#include <vector>

#include "control_layout_p.h"
#include "qm_properties_p.h"
#include "quarrymink/qm.h"
#include "quarrymink/search.h"

class QGroupBox;
class QListWidget;
class QProgressBar;
class QToolButton;

namespace quarrymink {
class RecodeNote;
}

class QMPrivate final : public quarrymink::SearchHost {
public:
    explicit QMPrivate(QM* owner);
    ~QMPrivate() override;
    QMPrivate(const QMPrivate&) = delete;
    QMPrivate& operator=(const QMPrivate&) = delete;

    // The search engine's window services.
    std::u16string DisplayName() const override;
    void ShowMessage(std::u16string_view text, quarrymink::MessageIcon icon) override;
    quarrymink::RecodeChoice AskRecodeWarning() override;
    void SetProgress(int value) override;
    void ProcessEvents() override;
    void ListCleared() override;
    void ListInserted(int index, const quarrymink::MatchItem& item) override;
    void ListReplaced(const std::vector<quarrymink::MatchItem>& items) override;
    double ListHeightTwips() const override;
    double ListFontPoints() const override;
    void MatchFound(std::u16string_view text, std::int32_t id) override;
    bool ListensToMatchFound() const override;
    void BeginRecode() override;
    void EndRecode() override;

    /// The layout routine: places the children for the control's size and resizes the
    /// control where the rules ask for it.
    void Arrange();
    /// Moves the children to where the geometry says, in pixels.
    void PlaceChildren();
    /// The list's rectangle cut to a whole number of rows.
    QRect WholeRows(QRect listRect) const;
    void ShowStopButton(bool show);
    /// Keeps the progress bar and the stop button (and the list's colours) at the
    /// application's look, whatever the control's own colours and font are.
    void PinChildrenLook();
    void WatchParent();
    void UserSelectedItem();

    /// Setter notice: the property's own signal, then PropertyChanged(name).
    void Notify(void (QM::*signal)(), const char* name);
    /// Emits the change signals of the properties that the engine changed since last time.
    void NoticeResults();
    /// Takes note of the properties' values, so that NoticeResults reports later changes only.
    void RememberValues();
    /// Gives the properties that have a field their initial values: all of them, or only
    /// the saved ones (a new control on a window leaves the rest as they are).
    void ResetFields(bool savedOnly);

    QM* q;
    quarrymink::MatchEngine* engine;  // owned; see ~QM for a control deleted mid-search
    QGroupBox* frame = nullptr;
    QProgressBar* progressBar = nullptr;
    QToolButton* stopButton = nullptr;
    QListWidget* list = nullptr;

    quarrymink::ControlGeometry geometry;
    // Their initial values, like every property's, are in the property table.
    bool showListBox = false;
    bool showProgressBar = false;
    int arrangeDepth = 0;

    bool recoding = false;
    bool cursorOverridden = false;
    QString captionBeforeRecode;
    QPointer<quarrymink::RecodeNote> recodeNote;

    bool updatingList = false;  // list changes made by the search are not user choices
    QPointer<QWidget> watchedParent;
    std::vector<quarrymink::PropertyValue> remembered;  // by the property table's order
};
