// The engine end to end on real SQLite databases.
#include <gtest/gtest.h>

#include <random>

#include "db_test_support.h"
#include "hostile_settings.h"
#include "quarrymink/database.h"
#include "quarrymink/sampledb.h"
#include "quarrymink/search.h"
#include "quarrymink/unicode.h"
#include "recording_host.h"

namespace quarrymink {
namespace {

using testing::RecordingHost;
using Texts = std::vector<std::u16string>;
using std::chrono::milliseconds;

SearchSettings TableSettings(std::u16string table = u"NameData", std::int32_t compare = CompareAll) {
    return {table, u"Key", u"Name", u"Ident", u"", qmDAO, compare};
}

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override { engine_.SetEventInterval(milliseconds(0)); }

    // A NameData table holding the names, keyed by a default coder.
    void Names(std::string_view wordList) {
        db_.reset();
        NameDatabaseOptions options;
        options.replace = true;
        BuildNameDatabase(wordList, file_.path(), options);
        db_ = OpenSqlite(file_.path());
        Settings() = TableSettings();
    }
    SearchSettings& Settings() { return engine_.Settings(); }
    const SearchResult& Result() const { return engine_.Result(); }
    Texts Search(std::u16string text) {
        Texts out;
        for (const auto& item : engine_.BestMatchSearch(db_.get(), text).matches.Items())
            out.push_back(item.text);
        return out;
    }
    // A search with an engine of its own, reading the rows at the given interval.
    SearchResult SearchWith(RecordingHost& host, milliseconds interval,
                            SearchSettings settings = TableSettings(), std::u16string text = u"smith") {
        MatchEngine engine(host, std::move(settings));
        engine.SetEventInterval(interval);
        return engine.BestMatchSearch(db_.get(), text);
    }
    // The first character of each stored key (the key's version), in Ident order.
    std::u16string KeyVersions() {
        std::u16string versions;
        for (auto set = db_->OpenRecordset(u"SELECT Key FROM NameData ORDER BY Ident"); !set->Eof();
             set->MoveNext())
            versions += set->Field(u"Key").ToText()[0];
        return versions;
    }

    testing::SqliteFile file_;
    std::unique_ptr<Connection> db_;
    RecordingHost host_;
    MatchEngine engine_{host_};
};

TEST_F(EngineTest, SmythFindsSmithRankedBestFirstFromNormalisedText) {
    Names("|Smith|Jones|Smythe|Schmidt|Smyth|Brown|John Smith");
    std::u16string text = u"  smyth  ";
    const SearchResult& result = engine_.BestMatchSearch(db_.get(), text);
    EXPECT_EQ(text, u"smyth");
    const auto& found = result.matches.Items();
    ASSERT_GE(found.size(), 2u);
    EXPECT_EQ(found.front().text, u"Smith");  // equal scores keep the query's (alphabetical) order
    EXPECT_EQ(host_.shown, found);
    EXPECT_EQ(host_.found.size(), found.size());  // every accepted row raised MatchFound
    EXPECT_TRUE(host_.messages.empty());
    EXPECT_EQ(Search(u"  john   smith ").front(), u"John Smith");
}

// Characters with a meaning in LIKE patterns or SQL literals match only themselves, and a
// filter applies, but with OR cannot let rows of other classes in.
TEST_F(EngineTest, SearchKeepsToTheKeysClass) {
    Names("|'Brien|_abc|%abc|*abc|?abc|[abc|#abc|Smith|abc|Smyth|Jones|Euan|O'Wan");
    for (const std::u16string text : {u"'Brien", u"_abc", u"%abc", u"*abc", u"?abc", u"[abc", u"#abc"})
        EXPECT_EQ(Search(text), Texts{text}) << Utf16ToUtf8(text);
    EXPECT_TRUE(host_.messages.empty());
    // O'Wan shares Euan's first sound but not its class: it would score if it were let in.
    Settings().sqlFilterString = u"Ident < 0 OR Name <> 'Smyth'";
    EXPECT_EQ(Search(u"smith"), Texts{u"Smith"});
    EXPECT_EQ(Search(u"euan"), Texts{u"Euan"});
}

TEST_F(EngineTest, HostileNamesAndFiltersAreRefusedBeforeAnyStatementRuns) {
    Names("|Smith|Smyth|Jones");
    testing::ExpectHostileSettingsRefused(*db_, engine_, host_, TableSettings());
}

TEST_F(EngineTest, SearchKeyIsCutToThisTablesKeyFieldEveryTime) {
    Names("|Catherine|Kathryn");
    db_->Execute(u"CREATE TABLE Short (Key VARCHAR(8), Name VARCHAR(50), Ident INTEGER PRIMARY KEY)");
    db_->Execute(u"INSERT INTO Short (Key, Name) SELECT substr(Key, 1, 8), Name FROM NameData");
    // Twice on the short table, then back on the long one, where the key is whole again.
    const std::pair<const char16_t*, std::size_t> runs[] = {{u"Short", 8}, {u"Short", 8}, {u"NameData", 50}};
    const Texts cut = {u"Catherine", u"Kathryn"}, whole = {u"Kathryn", u"Catherine"};
    for (const auto& [table, keySize] : runs) {
        Settings().tableName = table;
        EXPECT_EQ(Search(u"katrin"), keySize == 8 ? cut : whole);
        EXPECT_EQ(Result().searchCode, KeyCoder().MakeCode(u"katrin").substr(0, keySize));
    }
}

// Each wrong setting or failing database gives one message in the control's words.
TEST_F(EngineTest, FailuresAreReportedInTheControlsWords) {
    struct FailingConnection final : Connection {
        ConnectionKind Kind() const noexcept override { return ConnectionKind::Sqlite; }
        std::unique_ptr<Recordset> OpenRecordset(std::u16string_view, RecordsetOptions) override {
            throw std::runtime_error("Stra\303\237e \342\200\224 nicht lesbar");
        }
        std::int64_t Execute(std::u16string_view) override { return 0; }
        void AppendTableDef(const TableDef&) override {}
        bool TableExists(std::u16string_view) override { return false; }
    } failing;
    Names("|Smith|Smyth|Smithe");
    Connection* const db = db_.get();
    const struct {
        SearchSettings settings;
        Connection* db;
        std::u16string message;
        MessageIcon icon = MessageIcon::Critical;
    } cases[] = {
        {{u"", u"", u"Name", u"Ident", u""}, db, u"QM1 Property Error:\r\nTablename is not initialized"},
        {{u"x", u"Key", u"Name", u"", u""}, db, u"QM1 Property Error:\r\nIDFieldName is not initialized"},
        {TableSettings(), nullptr, u"Database/Connection must be specified"},
        {TableSettings(u"Nowhere"), db, u"QM1Error:\r\nno such table: Nowhere"},
        {{u"NameData", u"Key", u"Name", u"Ident", u"", qmADO},
         db,
         u"QM1Error:\r\nYou have incorrectly specified the ConnectionType Property.\r\n"
         u"Set to either qmDAO or qmADO, as appropriate.\r\nNote that qmDAO is the default value."},
        {TableSettings(), &failing, u"QM1Error:\r\nStra\u00dfe \u2014 nicht lesbar"},
        {TableSettings(u"NameData", 7), db, std::u16string(messages::kInvalidCompare), MessageIcon::None},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.message));
        Settings() = c.settings;
        host_.messages.clear();
        host_.icons.clear();
        std::u16string text = u"smith";
        const SearchResult& result = engine_.BestMatchSearch(c.db, text);
        EXPECT_EQ(host_.messages, Texts{c.message});
        EXPECT_EQ(host_.icons, std::vector{c.icon});
        // An unknown Compare is reset and the search goes on with all words.
        EXPECT_EQ(result.matches.Items().size(), c.icon == MessageIcon::None ? 3u : 0u);
    }
    EXPECT_EQ(Settings().compare, CompareAll);
    // Without candidate rows (class a) there is no message and Compare stays; many blanks are
    // counted without overflow.
    Settings().compare = 7;
    Search(u"adams");
    EXPECT_EQ(Settings().compare, 7);
    Settings().compare = CompareAuto;
    std::u16string many = u"smith";
    for (int i = 0; i < 300; ++i) many += u" x";
    Search(many);
    EXPECT_EQ(host_.messages.size(), 1u);
}

// What the host sees of a search: progress and events while it runs, then a walk of its list.
TEST_F(EngineTest, EventsAndNavigationOfASearch) {
    Names("|Smith|Smyth|Smithe|Jones");
    EXPECT_FALSE(engine_.SetToBestMatch());
    engine_.SetToNextMatch();
    EXPECT_TRUE(Result().finalMatchItem);  // nothing to walk
    int nested = 0;
    host_.onProcessEvents = [&] {
        if (nested++) return;
        std::u16string other = u"jones";  // a search or recode from an event changes nothing
        engine_.BestMatchSearch(db_.get(), other);
        engine_.Recode(db_.get());
    };
    EXPECT_EQ(Search(u"smith").size(), 3u);
    EXPECT_EQ(host_.beginRecodes, 0);
    EXPECT_EQ(host_.progress, (std::vector<int>{0, 33, 67, 100}));
    EXPECT_GE(host_.processEventsCalls, 3);
    // Cancel from MatchFound stops after the current row; the next search clears it as it starts.
    host_.onMatchFound = [&](const MatchItem&) { Settings().cancel = true; };
    EXPECT_EQ(Search(u"smith").size(), 1u);
    host_.onMatchFound = nullptr;
    ASSERT_EQ(Search(u"smith").size(), 3u);
    const auto& list = engine_.List();
    EXPECT_TRUE(engine_.SetToBestMatch());
    EXPECT_FALSE(Result().finalMatchItem);
    for (int i = 0; i < 3; ++i) engine_.SetToNextMatch();
    EXPECT_EQ(std::pair(engine_.CurrentMatch(), Result().idValue), std::pair(2, list[2].id));
    // A smaller result without SetToBestMatch leaves the position past the end.
    ASSERT_EQ(Search(u"jones").size(), 1u);
    engine_.SetToNextMatch();
    EXPECT_EQ(engine_.CurrentMatch(), 2);
    EXPECT_TRUE(engine_.ListItemSelected(0));
    EXPECT_EQ(Result().idValue, list[0].id);
    EXPECT_FALSE(engine_.ListItemSelected(-1));
}

// Keys of another version: the first stored key decides, the user's answer does the rest.
TEST_F(EngineTest, KeysOfAnotherVersion) {
    // The answer, then the rows found, the recodes and the key version after the search; the
    // current version (as after None) selects no old rows.
    using enum RecodeChoice;
    const std::tuple<RecodeChoice, std::size_t, int, char16_t> cases[] = {{Cancel, 0, 0, u'\1'},
                                                                          {None, 0, 0, u'\1'},
                                                                          {ContinueSearch, 3, 0, u'\1'},
                                                                          {RecodeTable, 3, 1, u'\2'}};
    for (const auto& [answer, found, recodes, versionAfter] : cases) {
        RecordingHost host;
        host.answer = answer;
        MatchEngine engine(host, TableSettings());
        engine.SetEventInterval(milliseconds(0));
        Names("|Smith|Smyth|Jones|Smithe");
        db_->Execute(u"UPDATE NameData SET Key = char(1) || substr(Key, 2)");
        std::u16string text = u"smith";
        EXPECT_EQ(engine.BestMatchSearch(db_.get(), text).matches.Items().size(), found);
        EXPECT_EQ(std::pair(host.recodeQuestions, host.beginRecodes), std::pair(1, recodes));
        EXPECT_EQ(KeyVersions(), std::u16string(4, versionAfter));
        if (answer != RecodeChoice::ContinueSearch) continue;
        // The instance codes as the table now; a recode writes the library's version, which the
        // instance then searches with, asking no more.
        EXPECT_EQ(engine.MakeCode(u"smith")[0], u'\u0001');
        engine.Recode(db_.get());
        EXPECT_EQ(KeyVersions(), u"\u0002\u0002\u0002\u0002");
        EXPECT_EQ(engine.BestMatchSearch(db_.get(), text).matches.Items().size(), 3u);
        EXPECT_EQ(host.recodeQuestions, 1);
    }
    // A Null first key counts as another version; an empty table neither asks nor finds.
    db_->Execute(u"UPDATE NameData SET Key = NULL");
    Search(u"smith");
    EXPECT_EQ(host_.recodeQuestions, 1);
    Names("");
    EXPECT_TRUE(Search(u"smith").empty());
    EXPECT_EQ(host_.recodeQuestions, 1);
    EXPECT_TRUE(host_.messages.empty());
}

TEST_F(EngineTest, RecodeShowsProgressStopsAndRestoresTheControl) {
    Names("|Smith|Smyth|Jones|Brown");
    // Whole, then stopped at the third call (the first is the one before the rows, which are
    // visited from the last); a stop pressed before the recode does not count.
    for (const int stopAt : {0, 3}) {
        db_->Execute(u"UPDATE NameData SET Key = 'old'");
        engine_.RequestStop();
        host_.progress.clear();
        int calls = 0;
        host_.onProcessEvents = [&] { ++calls == stopAt ? engine_.RequestStop() : void(); };
        engine_.Recode(db_.get());
        EXPECT_EQ(KeyVersions(), stopAt ? u"oo\2\2" : u"\2\2\2\2");
        EXPECT_EQ(host_.progress, (stopAt ? std::vector{25, 50, 0} : std::vector{25, 50, 75, 100, 0}));
        EXPECT_FALSE(engine_.StopRequested());
    }
    EXPECT_EQ(std::pair(host_.beginRecodes, host_.endRecodes), std::pair(2, 2));
}

// The unsorted way through the rows (SQLite, events not after every row) must give what the
// row-by-row way in text order gives: the list, IDValue, the MatchFound events and progress.
class UnorderedScanTest : public EngineTest, public ::testing::WithParamInterface<bool> {};

struct QuietHost : RecordingHost {
    bool ListensToMatchFound() const override { return false; }
};

TEST_P(UnorderedScanTest, GivesWhatTheTextOrderGives) {
    // Names repeat (ties), differ in case, and use characters whose UTF-16 order is not their
    // code-point order (U+FF21 against the surrogate pairs of U+1D400).
    std::mt19937 random(7);
    const std::string firsts[] = {
        "Smith", "Smyth", "smith", "Smithe", "Schmidt", "Sm\xef\xbc\xa1th", "Sm\xf0\x9d\x90\x80th",
        "Smit",  "Stein", "Swan",  "Bose",   "Wan"};
    // More rows than one batch of the scan, so that rows are also scored on the second thread.
    std::string names;
    for (int i = 0; i < 9000; ++i) {
        names += "|" + firsts[random() % std::size(firsts)];
        if (random() % 2) names += " " + firsts[random() % std::size(firsts)];
    }
    Names(names);
    if (GetParam()) db_->Execute(u"CREATE INDEX ndxKeyNameIdent ON NameData (Key, Name, Ident)");
    for (const std::u16string query : {u"smith", u"smyth smith", u"swan", u"bose", u"sm"})
        for (const std::int32_t compare : {0, 1, 2, 3}) {
            // What a search shows and tells: the list, the list box, MatchFound, IDValue, progress.
            const auto run = [&](RecordingHost&& host, milliseconds interval) {
                const SearchResult result =
                    SearchWith(host, interval, TableSettings(u"NameData", compare), query);
                EXPECT_TRUE(host.messages.empty());
                return std::tuple(result.matches.Items(), host.shown, host.found, result.idValue,
                                  host.progress);
            };
            SCOPED_TRACE(Utf16ToUtf8(query) + " compare " + std::to_string(compare));
            const auto ordered = run(RecordingHost(), milliseconds(0));
            EXPECT_EQ(ordered, run(RecordingHost(), std::chrono::hours(1)));
            auto quiet = run(QuietHost(), std::chrono::hours(1));
            EXPECT_TRUE(std::get<2>(quiet).empty());
            std::get<2>(quiet) = std::get<2>(ordered);
            EXPECT_EQ(ordered, quiet);
        }
    // A bad key late in the table fails the scan wherever its batch was scored: the search
    // ends with one message naming the row.
    db_->Execute(
        u"UPDATE NameData SET Key = substr(Key, 1, 2) || ':1:x' WHERE Ident = "
        u"(SELECT max(Ident) FROM NameData WHERE Name = 'Smith')");
    QuietHost host;
    SearchWith(host, std::chrono::hours(1));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_NE(host.messages[0].find(u"field 'Key'"), std::u16string::npos);
}

INSTANTIATE_TEST_SUITE_P(KeyIndex, UnorderedScanTest, ::testing::Bool());

// A row that cannot be scored ends the search with a message naming the table, the field and
// the row, whichever way the rows are read; the rows before it in text order stay listed.
TEST_F(EngineTest, BadCandidateRowIsNamed) {
    Names("|Smith|Smyth|Smithe|Smythe");
    // The change, and the field and the row the message names.
    const std::u16string cases[][3] = {
        {u"UPDATE Loose SET Name = NULL WHERE Ident = 3", u"Name", u"Ident is 3"},
        {u"UPDATE Loose SET Ident = NULL WHERE Ident = 3", u"Ident", u"candidate row 2"},
        {u"UPDATE Loose SET Ident = 5000000000 WHERE Ident = 3", u"Ident", u"Ident is 5000000000"},
        {u"UPDATE Loose SET Key = substr(Key, 1, 2) || ':1:x' WHERE Ident = 3", u"Key", u"Ident is 3"},
    };
    for (const auto& [update, field, row] : cases) {
        SCOPED_TRACE(Utf16ToUtf8(update));
        db_->Execute(u"DROP TABLE IF EXISTS Loose");  // no key: Ident may be Null
        db_->Execute(u"CREATE TABLE Loose AS SELECT Key, Name, Ident FROM NameData");
        db_->Execute(update);
        std::vector<std::vector<MatchItem>> lists;
        for (const auto interval : {milliseconds(0), milliseconds(10)}) {
            RecordingHost host;
            lists.push_back(SearchWith(host, interval, TableSettings(u"Loose")).matches.Items());
            ASSERT_EQ(host.messages.size(), 1u);
            for (const std::u16string& part :
                 {std::u16string(u"table 'Loose'"), u"field '" + field + u"'", row})
                EXPECT_NE(host.messages[0].find(part), std::u16string::npos);
        }
        EXPECT_EQ(lists[0], lists[1]);
        // Rows come in text order (a Null text first), and those before the bad one stay.
        EXPECT_EQ(lists[0].size(), field == u"Name" ? 0u : 1u);
    }
}

}  // namespace
}  // namespace quarrymink
