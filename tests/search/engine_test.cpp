// The engine end to end on real SQLite databases.
#include <gtest/gtest.h>

#include <functional>
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

SearchSettings TableSettings(std::u16string table = u"NameData") {
    return {table, u"Key", u"Name", u"Ident", u""};
}

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override { engine_.SetEventInterval(std::chrono::milliseconds(0)); }

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
    EXPECT_EQ(result.searchCode, KeyCoder().MakeCode(u"smyth"));
    EXPECT_EQ(Search(u"  john   smith ").front(), u"John Smith");
}

// Characters with a meaning in LIKE patterns or SQL literals match only themselves, and a
// filter with OR cannot let rows of other classes in.
TEST_F(EngineTest, SearchKeepsToTheKeysClass) {
    Names("|'Brien|_abc|%abc|*abc|?abc|[abc|#abc|Smith|abc|Smyth|Jones");
    for (const std::u16string text : {u"'Brien", u"_abc", u"%abc", u"*abc", u"?abc", u"[abc", u"#abc"})
        EXPECT_EQ(Search(text), Texts{text}) << Utf16ToUtf8(text);
    EXPECT_TRUE(host_.messages.empty());
    db_->Execute(u"ALTER TABLE NameData ADD COLUMN Active INTEGER DEFAULT 1");
    Settings().sqlFilterString = u"Active=1 OR Active=2";
    EXPECT_EQ(Search(u"smith"), (Texts{u"Smith", u"Smyth"}));
    Settings().sqlFilterString = u"Name <> 'Smyth'";
    EXPECT_EQ(Search(u"smith"), Texts{u"Smith"});
}

TEST_F(EngineTest, HostileNamesAndFiltersAreRefusedBeforeAnyStatementRuns) {
    Names("|Smith|Smyth|Jones");
    db_->Execute(u"CREATE TABLE canary (x INTEGER)");
    db_->Execute(u"INSERT INTO canary VALUES (1), (2), (3)");
    for (const auto& [property, value] : testing::HostileSettings()) {
        Settings() = TableSettings();
        Settings().*property = value;
        host_.messages.clear();
        EXPECT_TRUE(Search(u"smith").empty()) << Utf16ToUtf8(value);
        ASSERT_EQ(host_.messages.size(), 1u) << Utf16ToUtf8(value);
        EXPECT_EQ(host_.messages[0].find(u'\n', host_.messages[0].find(u'\n') + 1), std::u16string::npos);
        engine_.Recode(db_.get());
        EXPECT_EQ(db_->OpenRecordset(u"SELECT COUNT(*) AS n FROM canary")->Field(u"n").ToInt32(), 3);
    }
}

TEST_F(EngineTest, SearchKeyIsCutToThisTablesKeyFieldEveryTime) {
    Names("|Catherine|Kathryn");
    db_->Execute(u"CREATE TABLE Short (Key VARCHAR(8), Name VARCHAR(50), Ident INTEGER PRIMARY KEY)");
    db_->Execute(u"INSERT INTO Short (Key, Name) SELECT substr(Key, 1, 8), Name FROM NameData");
    Settings().tableName = u"Short";
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(Search(u"katrin"), (Texts{u"Catherine", u"Kathryn"}));
        EXPECT_EQ(Result().searchCode, KeyCoder().MakeCode(u"katrin").substr(0, 8));
    }
    // Back on the long table the key is whole again.
    Settings().tableName = u"NameData";
    Search(u"katrin");
    EXPECT_EQ(Result().searchCode, KeyCoder().MakeCode(u"katrin"));
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
    struct Case {
        std::function<void(SearchSettings&)> change;
        Connection* db;
        std::u16string message;
        MessageIcon icon = MessageIcon::Critical;
    } cases[] = {
        {[](auto& s) { s.tableName = s.keyFieldName = u""; }, db_.get(),
         u"QM1 Property Error:\r\nTablename is not initialized"},
        {[](auto& s) { s.idFieldName.clear(); }, db_.get(),
         u"QM1 Property Error:\r\nIDFieldName is not initialized"},
        {[](auto&) {}, nullptr, u"Database/Connection must be specified"},
        {[](auto& s) { s.tableName = u"Nowhere"; }, db_.get(), u"QM1Error:\r\nno such table: Nowhere"},
        {[](auto& s) { s.connectionType = qmADO; }, db_.get(),
         u"QM1Error:\r\nYou have incorrectly specified the ConnectionType Property.\r\n"
         u"Set to either qmDAO or qmADO, as appropriate.\r\nNote that qmDAO is the default value."},
        {[](auto&) {}, &failing, u"QM1Error:\r\nStra\u00dfe \u2014 nicht lesbar"},
        {[](auto& s) { s.compare = 7; }, db_.get(), std::u16string(messages::kInvalidCompare),
         MessageIcon::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.message));
        Settings() = TableSettings();
        c.change(Settings());
        host_.messages.clear();
        host_.icons.clear();
        std::u16string text = u"smith";
        const SearchResult& result = engine_.BestMatchSearch(c.db, text);
        ASSERT_EQ(host_.messages.size(), 1u);
        const std::u16string& shown = host_.messages[0];
        EXPECT_EQ(shown, c.message);
        EXPECT_EQ(host_.icons[0], c.icon);
        // An unknown Compare is reset and the search goes on with all words.
        EXPECT_EQ(result.matches.Items().size(), c.icon == MessageIcon::None ? 3u : 0u);
    }
    EXPECT_EQ(Settings().compare, CompareAll);
    Settings().compare = 7;
    Search(u"adams");  // no candidate rows (class a): no message, Compare stays
    EXPECT_EQ(host_.messages.size(), 1u);
    EXPECT_EQ(Settings().compare, 7);
    Settings().compare = CompareAuto;  // many blanks are counted without overflow
    std::u16string many = u"smith";
    for (int i = 0; i < 300; ++i) many += u" x";
    Search(many);
    EXPECT_EQ(host_.messages.size(), 1u);
}

TEST_F(EngineTest, EventsOfARunningSearch) {
    Names("|Smith|Smyth|Smithe");
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
    host_.found.clear();
    host_.onMatchFound = [&](const MatchItem&) { Settings().cancel = true; };
    EXPECT_EQ(Search(u"smith").size(), 1u);
    EXPECT_EQ(host_.found.size(), 1u);
    host_.onMatchFound = nullptr;
    EXPECT_EQ(Search(u"smith").size(), 3u);
}

TEST_F(EngineTest, NavigationWalksTheListToItsEnd) {
    Names("|Smith|Smyth|Smithe|Jones");
    EXPECT_FALSE(engine_.SetToBestMatch());
    engine_.SetToNextMatch();
    EXPECT_TRUE(Result().finalMatchItem);  // nothing to walk
    ASSERT_EQ(Search(u"smith").size(), 3u);
    const auto& list = engine_.List();
    EXPECT_TRUE(engine_.SetToBestMatch());
    EXPECT_FALSE(Result().finalMatchItem);
    for (int i = 0; i < 3; ++i) engine_.SetToNextMatch();
    EXPECT_EQ(Result().idValue, list[2].id);
    EXPECT_EQ(engine_.CurrentMatch(), 2);
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
    struct Case {
        RecodeChoice answer;
        std::size_t found, recodes;
        char16_t versionAfter;
    } cases[] = {
        {RecodeChoice::Cancel, 0, 0, u'\u0001'},
        {RecodeChoice::None, 0, 0, u'\u0001'},  // the current version selects no old rows
        {RecodeChoice::ContinueSearch, 3, 0, u'\u0001'},
        {RecodeChoice::RecodeTable, 3, 1, u'\u0002'},
    };
    for (const Case& c : cases) {
        RecordingHost host;
        MatchEngine engine(host, TableSettings());
        engine.SetEventInterval(std::chrono::milliseconds(0));
        Names("|Smith|Smyth|Jones|Smithe");
        db_->Execute(u"UPDATE NameData SET Key = char(1) || substr(Key, 2)");
        host.answer = c.answer;
        std::u16string text = u"smith";
        EXPECT_EQ(engine.BestMatchSearch(db_.get(), text).matches.Items().size(), c.found);
        EXPECT_EQ(host.recodeQuestions, 1);
        EXPECT_EQ(static_cast<std::size_t>(host.beginRecodes), c.recodes);
        EXPECT_EQ(KeyVersions(), std::u16string(4, c.versionAfter));
        if (c.answer != RecodeChoice::ContinueSearch) continue;
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
    host_.answer = RecodeChoice::Cancel;
    Search(u"smith");
    EXPECT_EQ(host_.recodeQuestions, 1);
    Names("");
    EXPECT_TRUE(Search(u"smith").empty());
    EXPECT_EQ(host_.recodeQuestions, 1);
    EXPECT_TRUE(host_.messages.empty());
}

TEST_F(EngineTest, RecodeShowsProgressStopsAndRestoresTheControl) {
    Names("|Smith|Smyth|Jones|Brown");
    db_->Execute(u"UPDATE NameData SET Key = 'old'");
    engine_.Recode(db_.get());
    EXPECT_EQ(host_.progress, (std::vector<int>{25, 50, 75, 100, 0}));
    EXPECT_EQ(KeyVersions(), u"\u0002\u0002\u0002\u0002");

    db_->Execute(u"UPDATE NameData SET Key = 'old'");
    engine_.RequestStop();  // a stop pressed before the recode does not count
    int rows = 0;
    // The first call is the one before the rows; rows are visited from the last.
    host_.onProcessEvents = [&] {
        if (++rows == 3) engine_.RequestStop();
    };
    engine_.Recode(db_.get());
    EXPECT_EQ(KeyVersions(), u"oo\u0002\u0002");
    EXPECT_FALSE(engine_.StopRequested());
    EXPECT_EQ(host_.progress.back(), 0);
    EXPECT_EQ(host_.beginRecodes, 2);
    EXPECT_EQ(host_.endRecodes, 2);
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
    for (const std::u16string query : {u"smith", u"smyth smith", u"swan", u"bose", u"sm"}) {
        for (const std::int32_t compare : {0, 1, 2, 3}) {
            // What a search shows and tells: the list, the list box, MatchFound, IDValue, progress.
            const auto run = [&](RecordingHost&& host, std::chrono::milliseconds interval) {
                MatchEngine engine(host, TableSettings());
                engine.Settings().compare = compare;
                engine.SetEventInterval(interval);
                std::u16string text = query;
                const SearchResult& result = engine.BestMatchSearch(db_.get(), text);
                EXPECT_TRUE(host.messages.empty());
                return std::tuple(result.matches.Items(), host.shown, host.found, result.idValue,
                                  host.progress);
            };
            SCOPED_TRACE(Utf16ToUtf8(query) + " compare " + std::to_string(compare));
            const auto ordered = run(RecordingHost(), std::chrono::milliseconds(0));
            EXPECT_EQ(ordered, run(RecordingHost(), std::chrono::hours(1)));
            auto quiet = run(QuietHost(), std::chrono::hours(1));
            EXPECT_TRUE(std::get<2>(quiet).empty());
            std::get<2>(quiet) = std::get<2>(ordered);
            EXPECT_EQ(ordered, quiet);
        }
    }
    // A bad key late in the table fails the scan wherever its batch was scored: the search
    // ends with one message naming the row.
    db_->Execute(
        u"UPDATE NameData SET Key = substr(Key, 1, 2) || ':1:x' WHERE Ident = "
        u"(SELECT max(Ident) FROM NameData WHERE Name = 'Smith')");
    QuietHost host;
    MatchEngine engine(host, TableSettings());
    engine.SetEventInterval(std::chrono::hours(1));
    std::u16string text = u"smith";
    engine.BestMatchSearch(db_.get(), text);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_NE(host.messages[0].find(u"field 'Key'"), std::u16string::npos);
}

INSTANTIATE_TEST_SUITE_P(KeyIndex, UnorderedScanTest, ::testing::Bool());

// A row that cannot be scored ends the search with a message naming the table, the field and
// the row, whichever way the rows are read; the rows before it in text order stay listed.
TEST_F(EngineTest, BadCandidateRowIsNamed) {
    Names("|Smith|Smyth|Smithe|Smythe");
    db_->Execute(u"CREATE TABLE Loose (Key TEXT, Name TEXT, Ident INTEGER)");
    struct Case {
        std::u16string update, field, row;
    } cases[] = {
        {u"UPDATE Loose SET Name = NULL WHERE Ident = 3", u"Name", u"Ident is 3"},
        {u"UPDATE Loose SET Ident = NULL WHERE Ident = 3", u"Ident", u"candidate row 2"},
        {u"UPDATE Loose SET Ident = 5000000000 WHERE Ident = 3", u"Ident", u"Ident is 5000000000"},
        {u"UPDATE Loose SET Key = substr(Key, 1, 2) || ':1:x' WHERE Ident = 3", u"Key", u"Ident is 3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.update));
        db_->Execute(u"DELETE FROM Loose");
        db_->Execute(u"INSERT INTO Loose SELECT Key, Name, Ident FROM NameData");
        db_->Execute(c.update);
        std::vector<std::vector<MatchItem>> lists;
        for (const auto interval : {std::chrono::milliseconds(0), std::chrono::milliseconds(10)}) {
            RecordingHost host;
            MatchEngine engine(host, TableSettings(u"Loose"));
            engine.SetEventInterval(interval);
            std::u16string text = u"smith";
            lists.push_back(engine.BestMatchSearch(db_.get(), text).matches.Items());
            ASSERT_EQ(host.messages.size(), 1u);
            for (const std::u16string& part :
                 {std::u16string(u"table 'Loose'"), u"field '" + c.field + u"'", c.row})
                EXPECT_NE(host.messages[0].find(part), std::u16string::npos);
        }
        EXPECT_EQ(lists[0], lists[1]);
        // Rows come in text order (a Null text first), and those before the bad one stay.
        EXPECT_EQ(lists[0].size(), c.field == u"Name" ? 0u : 1u);
    }
}

}  // namespace
}  // namespace quarrymink
