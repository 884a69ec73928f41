// QM: the Quarrymink control. A host places it on a window, points it at a table with a
// text, an identifier and a key-code field, and searches the table by the sound of a text.
//
// The control shows a captioned frame with a progress bar, a stop button for recoding and
// the match list. Its settings are Qt properties, each with a change signal; they can be
// saved into and restored from a PropertyBag.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>

#include "quarrymink/export.h"
#include "quarrymink/property_bag.h"
#include "quarrymink/search.h"
#include "quarrymink/type_library.h"

namespace quarrymink {
class Connection;
}

class QMPrivate;

/// The Quarrymink control.
///
/// Every setter stores its value and then emits the property's own change signal and
/// PropertyChanged(name), also when the value did not change: the host learns that a
/// saved setting is out of date. Values that a search or a walk through the matches
/// changes (SearchCode, SearchTime, IDValue, TextValue, FinalMatchItem, Cancel, ...) emit
/// only their own change signal, and only when they did change.
///
/// Compare, MaxKeyLength and ConnectionType are set-only (their reads are private, for
/// Designer); SearchTime, IDValue and FinalMatchItem are results to read.
class QUARRYMINK_EXPORT QM : public QWidget {
    Q_OBJECT
    Q_CLASSINFO("ProgID", "Quarrymink.QM")
    Q_CLASSINFO("ClassID", "{5E71A208-4C2D-11D3-9A61-0040C7E1F2A8}")
    Q_CLASSINFO("InterfaceID", "{5E71A207-4C2D-11D3-9A61-0040C7E1F2A8}")
    Q_CLASSINFO("EventsID", "{5E71A20B-4C2D-11D3-9A61-0040C7E1F2A8}")
    Q_CLASSINFO("TypeLibID", "{5E71A203-4C2D-11D3-9A61-0040C7E1F2A8}")
    Q_CLASSINFO("TypeLibName", "Quarrymink")
    Q_CLASSINFO("TypeLibHelpString", "Quarrymink ActiveX control")
    Q_CLASSINFO("Version", "1.0")
    Q_CLASSINFO("Locale", "1033")
    Q_CLASSINFO("Description",
                "ActiveX control for finding inexact matches in database tables. DAO and ADO compatible.")
    Q_CLASSINFO("DefaultMember", "MakeCode")
    Q_CLASSINFO("HelpContext", "1")

    Q_PROPERTY(QString TextFieldName READ TextFieldName WRITE setTextFieldName NOTIFY TextFieldNameChanged)
    Q_PROPERTY(bool ShowListBox READ ShowListBox WRITE setShowListBox NOTIFY ShowListBoxChanged)
    Q_PROPERTY(
        bool ShowProgressBar READ ShowProgressBar WRITE setShowProgressBar NOTIFY ShowProgressBarChanged)
    Q_PROPERTY(
        QString SearchCode READ SearchCode WRITE setSearchCode NOTIFY SearchCodeChanged DESIGNABLE false)
    Q_PROPERTY(QString TableName READ TableName WRITE setTableName NOTIFY TableNameChanged)
    Q_PROPERTY(float SearchTime READ SearchTime NOTIFY SearchTimeChanged DESIGNABLE false)
    Q_PROPERTY(QColor BackColor READ BackColor WRITE setBackColor NOTIFY BackColorChanged)
    // Designer edits the font through QWidget's own "font", which reaches setFont below.
    Q_PROPERTY(QFont Font READ Font WRITE setFont NOTIFY FontChanged DESIGNABLE false)
    Q_PROPERTY(QColor ForeColor READ ForeColor WRITE setForeColor NOTIFY ForeColorChanged)
    Q_PROPERTY(qmCompare Compare READ Compare WRITE setCompare NOTIFY CompareChanged)
    Q_PROPERTY(bool Cancel READ Cancel WRITE setCancel NOTIFY CancelChanged DESIGNABLE false)
    Q_PROPERTY(QString SQLFilterString READ SQLFilterString WRITE setSQLFilterString NOTIFY
                   SQLFilterStringChanged DESIGNABLE false STORED false)
    Q_PROPERTY(int IDValue READ IDValue NOTIFY IDValueChanged DESIGNABLE false)
    Q_PROPERTY(int MaxKeyLength READ MaxKeyLength WRITE setMaxKeyLength NOTIFY MaxKeyLengthChanged)
    Q_PROPERTY(QString KeyFieldName READ KeyFieldName WRITE setKeyFieldName NOTIFY KeyFieldNameChanged)
    Q_PROPERTY(QString TextValue READ TextValue WRITE setTextValue NOTIFY TextValueChanged DESIGNABLE false)
    Q_PROPERTY(QString IDFieldName READ IDFieldName WRITE setIDFieldName NOTIFY IDFieldNameChanged)
    Q_PROPERTY(dbType ConnectionType READ ConnectionType WRITE setConnectionType NOTIFY ConnectionTypeChanged)
    Q_PROPERTY(bool FinalMatchItem READ FinalMatchItem NOTIFY FinalMatchItemChanged DESIGNABLE false)
    Q_PROPERTY(
        bool ScoreInDatabase READ ScoreInDatabase WRITE setScoreInDatabase NOTIFY ScoreInDatabaseChanged)

public:
    /// The kind of connection BestMatchSearch and Recode are given.
    enum dbType : int { qmDAO = quarrymink::qmDAO, qmADO = quarrymink::qmADO };
    Q_ENUM(dbType)
    /// Which words of a text are coded and compared.
    enum qmCompare : int {
        qmCompareAll = 0,
        qmCompareFirstWord = 1,
        qmCompareLastWord = 2,
        qmCompareAuto = 3
    };
    Q_ENUM(qmCompare)

    explicit QM(QWidget* parent = nullptr);
    ~QM() override;

    QString TextFieldName() const;
    void setTextFieldName(const QString& New_TextFieldName);
    QString KeyFieldName() const;
    void setKeyFieldName(const QString& New_KeyFieldName);
    QString IDFieldName() const;
    void setIDFieldName(const QString& New_IDFieldName);
    QString TableName() const;
    void setTableName(const QString& New_TableName);
    /// An extra condition on the candidate rows, written by the host's programmer in the
    /// database's own SQL (for instance "Active = 1"); never saved. The search adds it to its
    /// query as " and (" condition ")". It must be one condition: its literals, quoted names
    /// and parentheses closed, no ";" and no comment; otherwise the search shows a message
    /// and runs nothing. Never put a user's typed text into it: pass values the program
    /// controls. LIKE patterns follow the connection's dialect: on SQLite (qmDAO) * any run,
    /// ? one character, # one digit; on PostgreSQL (qmADO) % any run, _ one character; on
    /// both [a-z] one of a list and [!a-z] one not in it.
    QString SQLFilterString() const;
    void setSQLFilterString(const QString& New_SQLFilterString);

    void setConnectionType(dbType New_ConnectionType);
    void setCompare(qmCompare New_Compare);
    /// The longest key MakeCode returns (0: no bound); kept in the 16-bit range.
    void setMaxKeyLength(int New_MaxKeyLength);

    bool ShowListBox() const;
    void setShowListBox(bool New_ShowListBox);
    bool ShowProgressBar() const;
    void setShowProgressBar(bool New_ShowProgressBar);
    /// Off by default. When on, a search over PostgreSQL (qmADO) whose database has the
    /// extension quarrymink scores its candidates in the server, in one query that returns
    /// only the ranked rows: the match list, its order and IDValue are the same as without
    /// it, but the progress bar goes from 0 straight to 100 and MatchFound is raised only
    /// for the ranked matches (at most 21, best first) once the query has answered, so
    /// Cancel cannot stop it part-way. Elsewhere (SQLite, no extension) the search scores
    /// on the client, with every event as usual.
    bool ScoreInDatabase() const;
    void setScoreInDatabase(bool New_ScoreInDatabase);

    QString SearchCode() const;
    void setSearchCode(const QString& New_SearchCode);
    /// Seconds the latest search took.
    float SearchTime() const;
    /// Set true (for example from a MatchFound handler) to stop a running search.
    bool Cancel() const;
    void setCancel(bool New_Cancel);
    int IDValue() const;
    QString TextValue() const;
    void setTextValue(const QString& New_TextValue);
    bool FinalMatchItem() const;

    /// The control's own colours and font. The colours reach the frame but not the match
    /// list; the font reaches the frame and the match list.
    QColor BackColor() const;
    void setBackColor(const QColor& New_BackColor);
    QColor ForeColor() const;
    void setForeColor(const QColor& New_ForeColor);
    QFont Font() const;
    void setFont(const QFont& New_Font);

    /// Colours as the saved settings hold them: 0x00BBGGRR. Values with the high bit set
    /// name a system colour and are read from the application palette.
    static std::uint32_t ToOleColor(const QColor& color);
    static QColor FromOleColor(std::uint32_t value);

    /// The key code of text; a table's key field holds it for every row.
    Q_INVOKABLE QString MakeCode(const QString& text);
    Q_INVOKABLE QString SimpleSoundex(const QString& a) const;

    /// Searches the table on the host's open connection; searchText comes back trimmed and
    /// with single blanks. Problems are shown to the user, not raised. Events are let
    /// through after the rows, so the host may set Cancel, and may even delete the control.
    void BestMatchSearch(quarrymink::Connection* db, QString& searchText);
    /// Rewrites the key field of every row of the table; the stop button ends it early.
    void Recode(quarrymink::Connection* db);

    /// Properties of a control newly placed on a window: the container's font and
    /// colours, and the initial values of the rest. The constructor runs this once.
    void InitProperties();
    /// Restores the saved settings (and lays the control out once).
    void ReadProperties(const quarrymink::PropertyBag& bag);
    /// Saves the settings; SQLFilterString is not saved.
    void WriteProperties(quarrymink::PropertyBag& bag) const;
    /// The container's font or colours changed: the control takes them over.
    void AmbientChanged();

    /// The name the control's messages give it: its object name, else "QM".
    QString DisplayName() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool eventFilter(QObject* watched, QEvent* event) override;

public Q_SLOTS:
    /// Selects the best match; false (and nothing changes) when the list is empty.
    bool SetToBestMatch();
    /// Moves to the next match; FinalMatchItem turns true at the last one.
    void SetToNextMatch();
    /// Shows the about box.
    void ShowAboutBox();

Q_SIGNALS:
    /// A search accepted a row.
    void MatchFound(const QString& NameofMatch, int IDValue);
    /// The user picked an item of the match list.
    void ListItemSelected(const QString& NameofMatch, int IDValue);
    /// A setter ran: the saved value of the named property may be out of date.
    void PropertyChanged(const QString& name);

    void TextFieldNameChanged();
    void ShowListBoxChanged();
    void ShowProgressBarChanged();
    void SearchCodeChanged();
    void TableNameChanged();
    void SearchTimeChanged();
    void BackColorChanged();
    void FontChanged();
    void ForeColorChanged();
    void CompareChanged();
    void CancelChanged();
    void SQLFilterStringChanged();
    void IDValueChanged();
    void MaxKeyLengthChanged();
    void KeyFieldNameChanged();
    void TextValueChanged();
    void IDFieldNameChanged();
    void ConnectionTypeChanged();
    void FinalMatchItemChanged();
    void ScoreInDatabaseChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    // Set-only to clients; Designer reads them to show the current value.
    qmCompare Compare() const;
    int MaxKeyLength() const;
    dbType ConnectionType() const;

    friend class QMPrivate;
    std::unique_ptr<QMPrivate> d;
};
