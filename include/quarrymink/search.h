// The match search engine: everything a search and a recode do, without a window.
//
// A MatchEngine holds the search properties, the key coder, the ranked buffer of the best
// 21 matches and the match list. What it needs from a window (message boxes, the recode
// question, progress, letting events through, the list box, the recode look) reaches it
// through a SearchHost, which the Qt control implements and which tests and the command
// line implement without a display.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "quarrymink/database.h"
#include "quarrymink/export.h"
#include "quarrymink/keycoding.h"

namespace quarrymink {

namespace scoring {
struct KeyParts;
}
class RememberedScores;

/// Positions of the key, text and identifier fields in a candidate set.
struct MatchEngineColumns {
    int key, text, id;
};

/// The ConnectionType property's values (the control's dbType): the connection kinds by their
/// published numbers. The property holds any number, so that a wrong one can be reported.
inline constexpr std::int32_t qmDAO = static_cast<std::int32_t>(ConnectionKind::Sqlite);
inline constexpr std::int32_t qmADO = static_cast<std::int32_t>(ConnectionKind::Postgres);

enum class MessageIcon { None, Critical };

/// Answers of the recode warning: closed without a button, Cancel, Continue Search, Recode Table.
enum class RecodeChoice : int { None = 0, Cancel = 1, ContinueSearch = 2, RecodeTable = 3 };

/// One entry of the match list: the text shown and the row's identifier (its item data).
struct MatchItem {
    std::u16string text;
    std::int32_t id = 0;
    friend bool operator==(const MatchItem&, const MatchItem&) = default;
};

/// What the engine needs from the window that shows it.
class QUARRYMINK_EXPORT SearchHost {
public:
    virtual ~SearchHost() = default;
    /// The name messages give the control (its display name in the container).
    virtual std::u16string DisplayName() const = 0;
    /// A message box with an OK button; lines are separated by CR LF.
    virtual void ShowMessage(std::u16string_view text, MessageIcon icon) = 0;
    /// The recode warning, asked modally. Closing it without a button gives None.
    virtual RecodeChoice AskRecodeWarning() = 0;

    // What a window shows. A host without one keeps the defaults, which show nothing.

    /// Progress from 0 to 100.
    virtual void SetProgress(int /*value*/) {}
    /// Lets the window system dispatch pending events.
    virtual void ProcessEvents() {}

    /// The match list changed: cleared, an item inserted at index, or replaced whole.
    virtual void ListCleared() {}
    virtual void ListInserted(int /*index*/, const MatchItem& /*item*/) {}
    virtual void ListReplaced(const std::vector<MatchItem>& /*items*/) {}
    /// The list box's height in twips and its font size in points (for VisibleRows). The
    /// defaults leave room for every buffered match.
    virtual double ListHeightTwips() const { return 24.0 * 8.25 * 24; }
    virtual double ListFontPoints() const { return 8.25; }

    /// A row was accepted during a search (the MatchFound event).
    virtual void MatchFound(std::u16string_view /*text*/, std::int32_t /*id*/) {}
    /// Whether MatchFound is heard. A host that answers false is not told of each accepted
    /// row, which lets a search on a large table skip putting all of them in order.
    virtual bool ListensToMatchFound() const { return true; }

    /// The look of a recode: caption suffix, list hidden, stop button, busy pointer (and a
    /// note on screen when the control itself is hidden); and back again afterwards.
    virtual void BeginRecode() {}
    virtual void EndRecode() {}
};

/// The ranked buffer of the best matches, best first; empty slots hold score 0.
struct MatchBuffer {
    static constexpr int kSize = 21;
    std::uint8_t visibleRows = 0;
    std::array<std::u16string, kSize> texts;
    std::array<std::int16_t, kSize> scores{};
    std::array<std::int32_t, kSize> ids{};
    int filled = 0;  ///< entries that hold a match
};

/// The score below which the list of a finished search is trimmed, from the ranked buffer's
/// scores (best first, 0 in empty slots): where a score falls under 0.8 times the rounded
/// average of those above it, the one before it is the cut; never above 0.8 times the best.
QUARRYMINK_EXPORT int FinalCut(const std::array<std::int16_t, MatchBuffer::kSize>& scores);

/// The score of one candidate row as a search computes it: the stored key is first cut by
/// compare (for CompareAuto to spaceCount + 1 words, spaceCount being the number of blanks
/// in the normalised search text), then its first-sound alternatives are paired with the
/// search key's and the best pairing's digits and tail alignments summed (0 to 385). A row
/// scores only when that sum is above KeyLengthGrade(searchKey). -1 for an excluded pair (a
/// b-search meets a w-row, or the reverse). The last word of a stored key with blanks that is
/// too short to hold a first sound scores 0; otherwise throws std::invalid_argument when
/// either key has no first-sound part.
QUARRYMINK_EXPORT int CandidateScore(std::u16string_view storedKey, std::u16string_view searchKey,
                                     CompareMode compare = CompareAll, std::size_t spaceCount = 0);

/// The matches of one search: the ranked buffer and the list box items that show them.
/// While a search runs a match enters the list once, at its rank, when that rank is one of
/// the visible rows; when it ends the list holds exactly the buffered matches that pass
/// the final cut, best first.
class QUARRYMINK_EXPORT MatchList {
public:
    /// A new search: the buffer emptied, the visible rows taken from the list box's height
    /// in twips and its font size in points. The list itself is cleared.
    void Start(double heightTwips, double fontPoints);
    /// An accepted row. Returns the list index it was shown at, or -1 when it went into
    /// the buffer only (or not even there).
    int Add(std::u16string_view text, int score, std::int32_t id);
    /// The end of a search; true when the list items changed.
    bool Finish();
    /// The score below which Finish trims.
    int FinalCut() const;

    const std::vector<MatchItem>& Items() const { return items_; }
    const MatchBuffer& Buffer() const { return buffer_; }
    /// The score of list item k after Finish.
    int ScoreAt(std::size_t k) const {
        return k < static_cast<std::size_t>(buffer_.filled) ? buffer_.scores[k] : 0;
    }

private:
    MatchBuffer buffer_;
    std::vector<MatchItem> items_;
};

/// What a search, a recode and MakeCode are asked to do: the table, its fields, the filter
/// and the coding. The host sets them between calls; a running search reads cancel.
struct SearchSettings {
    /// The table and its fields, each a single name (one with blanks in [brackets] or "quotes").
    std::u16string tableName, keyFieldName, textFieldName, idFieldName;
    /// The host's own SQL condition on the rows, added to the candidate query in parentheses;
    /// empty for none.
    std::u16string sqlFilterString;
    /// The kind of connection searched (qmDAO, qmADO); a search reports any other number.
    std::int32_t connectionType = qmDAO;
    /// Which words are compared (a CompareMode). A search replaces a number out of range by
    /// CompareAll, with a message.
    std::int32_t compare = CompareAll;
    /// The longest key MakeCode gives, 0 for no limit. A search or a recode sets it to the key
    /// field's declared size, since the stored keys are cut to that size.
    std::int32_t maxKeyLength = 0;
    /// Score in the database server: on PostgreSQL with the extension quarrymink created in
    /// the database, the search is one query that scores the candidates in the server (in
    /// parallel workers when the server uses them) and returns only the best 21 rows and the
    /// identifier of the last accepted row. The list, its order and idValue are those of the
    /// search on the client; the events differ: progress goes from 0 straight to 100, and
    /// MatchFound comes only for the ranked rows (at most 21), best first, after the query.
    /// On SQLite, or without the extension, the search scores on the client as usual.
    bool scoreInDatabase = false;
    /// Set from one of a running search's events, it stops the search at its next row; a
    /// search clears it as it starts scoring.
    bool cancel = false;
};

/// What the last search (and the walk through its list since) left.
struct SearchResult {
    /// The ranked matches and the list items that show them.
    MatchList matches;
    /// The key code of the search text, cut to the key field's size.
    std::u16string searchCode;
    /// Seconds the search took.
    float searchTime = 0;
    /// The identifier and text of the current match: after a search, the identifier of the
    /// last accepted row in text order; after SetToBestMatch, SetToNextMatch or a picked list
    /// item, that item's.
    std::int32_t idValue = 0;
    std::u16string textValue;
    /// The current match is the list's last item.
    bool finalMatchItem = false;
};

/// The search engine of one control instance: settings in, a result out, the host told of
/// everything on the way. Not thread-safe; runs on the thread of its host.
//
// The settings and the result are private bases, so that the engine's own code reads their
// members as its own.
class QUARRYMINK_EXPORT MatchEngine : private SearchSettings, private SearchResult {
public:
    explicit MatchEngine(SearchHost& host, SearchSettings settings = {});
    MatchEngine(const MatchEngine&) = delete;
    MatchEngine& operator=(const MatchEngine&) = delete;
    ~MatchEngine();

    SearchSettings& Settings() { return *this; }
    const SearchSettings& Settings() const { return *this; }
    /// Also read while a search runs, from the host's events.
    const SearchResult& Result() const { return *this; }
    /// For a host that keeps the results as properties of its own and may set them itself
    /// (the control restores them with its saved properties). Of the result the engine reads
    /// back only the list, which a host leaves alone.
    SearchResult& Result() { return *this; }

    /// Key code of text with the current Compare and MaxKeyLength.
    std::u16string MakeCode(std::u16string_view text);
    std::u16string SimpleSoundex(std::u16string_view text) const;

    /// One search. searchText comes back normalised (trimmed, single blanks). db may be null
    /// (reported to the user). Never throws: failures are shown through the host. Returns
    /// Result(), which a host that detached during the search must not touch.
    const SearchResult& BestMatchSearch(Connection* db, std::u16string& searchText);
    /// Rewrites the key field of every row with a fresh key code.
    void Recode(Connection* db);

    bool SetToBestMatch();
    void SetToNextMatch();
    /// The user picked list item index; true when an item was picked (raise ListItemSelected).
    bool ListItemSelected(int index);

    /// The stop button of a recode.
    void RequestStop() { stopRequested_ = true; }
    bool StopRequested() const { return stopRequested_; }

    /// The list items of the last search, as the list box shows them.
    const std::vector<MatchItem>& List() const { return matches.Items(); }
    int CurrentMatch() const { return currentMatch_; }
    const std::u16string& KeyVersion() const { return coder_.KeyVersion(); }
    /// True while a search or a recode runs.
    bool Busy() const { return busy_; }

    /// How often a running search or recode lets events through; 0 means after every row.
    void SetEventInterval(std::chrono::milliseconds interval) { eventInterval_ = interval; }

    /// The host is going away. A running search or recode stops at its next row and touches
    /// the host no more. Returns true when work is running: the engine then deletes itself
    /// when that work has unwound, and the caller must release it instead of deleting it.
    [[nodiscard]] bool Detach();
    bool Detached() const { return host_ == nullptr; }

    /// The SQL of the candidate query for a search key (exposed for tests and tools).
    std::u16string CandidateQuery(std::u16string_view searchCode) const;

private:
    friend class BusyScope;
    enum class ListMode { Start, Add, Finish };

    bool RequireProperties();
    bool RequireProperty(std::u16string_view value, std::u16string_view shownName);
    /// The step that met a database error; it decides which fields the message names.
    enum class FailedStep { KeyVersionCheck, Search, Recode };
    /// What the check of the table's key version decided.
    enum class KeyCheck {
        Proceed,           ///< the keys are of this version, the table is empty, or the warning was closed
        Stop,              ///< an error, Cancel, or the host went away
        KeepTableVersion,  ///< Continue Search: searched with the table's own version
        Recoded,           ///< Recode Table: the table's keys were rewritten
    };

    void ReportDbError(FailedStep step, std::int32_t number, std::u16string_view description);
    void ReportCurrentException(FailedStep step);
    void Message(std::u16string_view text, MessageIcon icon);

    KeyCheck CheckKeyVersion(Connection& db);
    bool ConnectionFits(const Connection& db) const;
    using Columns = MatchEngineColumns;
    static constexpr int kHostGone = -2;
    /// " FROM table WHERE key LIKE 'prefix' and (filter)": the candidate rows of a key.
    std::u16string CandidateSource(std::u16string_view searchCode) const;
    /// The search scored in the server (see scoreInDatabase); false when this database
    /// cannot, and the caller searches on the client.
    bool SearchInDatabase(Connection& db, const std::u16string& searchText);
    /// Whether the candidate rows may be read unsorted and put in text order here.
    bool ScansUnordered(Connection& db);
    /// Both return true when the search was cancelled or the host went away.
    bool ScoreInTextOrder(Recordset& set, std::size_t spaceCount);
    bool ScoreUnordered(Recordset& set, std::size_t spaceCount);
    Columns FindColumns(Recordset& set) const;
    /// The score of the current row's key; -1 for an excluded pair, kHostGone.
    int ScoreRowKey(Recordset& set, const Columns& columns, std::int64_t position, std::u16string& key,
                    std::size_t spaceCount);
    void ReadAccepted(Recordset& set, const Columns& columns, std::int64_t position, std::u16string& text,
                      std::int32_t& id);
    [[noreturn]] void BadRow(Recordset& set, int idColumn, std::int64_t position, std::u16string_view field,
                             std::int32_t number, const std::string& what);
    void RecodeRows(Recordset& set, std::int32_t keySize);
    void RunRecode(Connection& db);

    void UpdateMatchList(ListMode mode, std::u16string_view text = {}, int score = 0, std::int32_t id = 0);
    const std::vector<MatchItem>& Items() const { return matches.Items(); }
    void UpdateFinalMatchItem();
    /// Lets events through when the interval has passed; false once the host is gone.
    bool Yield(bool now = false);

    SearchHost* host_;
    KeyCoder coder_;
    int currentMatch_ = 0;
    bool stopRequested_ = false;
    bool busy_ = false;
    std::chrono::milliseconds eventInterval_{10};
    std::chrono::steady_clock::time_point lastYield_{};
    bool orphaned_ = false;  // detached while busy: deletes itself when the work ends
    // The split search key of the running search, and its scores of repeated keys.
    const scoring::KeyParts* searchParts_ = nullptr;
    RememberedScores* remembered_ = nullptr;
    std::uint8_t threshold_ = 0;
};

/// Messages of the engine, exact texts (CR LF between lines).
namespace messages {
QUARRYMINK_EXPORT std::u16string PropertyNotInitialized(std::u16string_view display,
                                                        std::u16string_view name);
/// The message of a refused query; fields are the names the kind of operation quotes.
QUARRYMINK_EXPORT std::u16string DbErrorText(std::u16string_view display, std::int32_t number,
                                             std::u16string_view description, std::u16string_view table,
                                             std::u16string_view fields);
inline constexpr std::u16string_view kConnectionMissing = u"Database/Connection must be specified";
inline constexpr std::u16string_view kInvalidCompare =
    u"Invalid value for Compare Property.\r\nValid values are 0 - 3.";
inline constexpr std::u16string_view kRecodeWarning =
    u"Quarrymink has detected that this table contains Key Codes which are incompatible with this version of "
    u"Quarrymink.";
}  // namespace messages

}  // namespace quarrymink
