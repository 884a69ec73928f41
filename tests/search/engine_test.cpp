// The engine end to end on real SQLite databases.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "hostile_settings.h"
#include "quarrymink/database.h"
#include "quarrymink/sampledb.h"
#include "quarrymink/search.h"
#include "recording_host.h"

namespace quarrymink {
namespace {

namespace fs = std::filesystem;
using testing::RecordingHost;

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("qm-engine-" + std::to_string(std::random_device{}()));
        fs::create_directories(dir_);
        engine_.SetEventInterval(std::chrono::milliseconds(0));
    }
    void TearDown() override {
        db_.reset();
        fs::remove_all(dir_);
    }

    // A NameData table holding the names, keyed by a default coder.
    Connection& Names(std::string_view wordList) {
        const std::string path = (dir_ / "names.db").string();
        db_.reset();
        NameDatabaseOptions options;
        options.replace = true;
        BuildNameDatabase(wordList, path, options);
        db_ = OpenSqlite(path);
        UseNameData();
        return *db_;
    }
    void UseNameData() {
        engine_.tableName = u"NameData";
        engine_.keyFieldName = u"Key";
        engine_.textFieldName = u"Name";
        engine_.idFieldName = u"Ident";
    }
    std::vector<std::u16string> Search(std::u16string text) {
        engine_.BestMatchSearch(db_.get(), text);
        std::vector<std::u16string> out;
        for (const auto& item : engine_.List()) out.push_back(item.text);
        return out;
    }
    std::u16string KeyOf(std::int32_t ident) {
        auto set =
            db_->OpenRecordset(u"SELECT Key FROM NameData WHERE Ident = " + Widen(std::to_string(ident)));
        return set->Field(u"Key").IsNull() ? u"<null>" : set->Field(u"Key").ToText();
    }
    static std::u16string Widen(const std::string& s) { return std::u16string(s.begin(), s.end()); }

    fs::path dir_;
    std::unique_ptr<Connection> db_;
    RecordingHost host_;
    MatchEngine engine_{host_};
};

TEST_F(EngineTest, SmythFindsSmithAndTheListIsRankedBestFirst) {
    Names("|Smith|Jones|Smythe|Schmidt|Smyth|Brown");
    const auto found = Search(u"  smyth  ");
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(found.front(), u"Smith");  // equal scores keep the query's (alphabetical) order
    EXPECT_NE(std::find(found.begin(), found.end(), u"Smyth"), found.end());
    EXPECT_EQ(std::find(found.begin(), found.end(), u"Jones"), found.end());
    EXPECT_EQ(host_.shown, engine_.List());
    EXPECT_EQ(host_.found.size(), found.size());  // every accepted row raised MatchFound
    EXPECT_TRUE(host_.messages.empty());
    EXPECT_EQ(engine_.searchCode, KeyCoder().MakeCode(u"smyth"));
    EXPECT_GE(engine_.searchTime, 0.0f);
    EXPECT_EQ(host_.progress.back(), 100);
}

TEST_F(EngineTest, SearchTextComesBackNormalised) {
    Names("|Anne Smith|John Smith");
    std::u16string text = u"  john   smith ";
    engine_.BestMatchSearch(db_.get(), text);
    EXPECT_EQ(text, u"john smith");
    ASSERT_FALSE(engine_.List().empty());
    EXPECT_EQ(engine_.List().front().text, u"John Smith");
}

TEST_F(EngineTest, CandidateQueryText) {
    UseNameData();
    const std::u16string code = KeyCoder().MakeCode(u"smith");
    EXPECT_EQ(engine_.CandidateQuery(code), u"SELECT Key,Name,Ident FROM NameData WHERE [Key] LIKE '\u0002" +
                                                code.substr(1, 1) + u"*' ORDER BY Name");
    engine_.connectionType = qmADO;
    engine_.sqlFilterString = u"Active=1 OR Archived=1";
    EXPECT_EQ(engine_.CandidateQuery(code), u"SELECT Key,Name,Ident FROM NameData WHERE [Key] LIKE '\u0002" +
                                                code.substr(1, 1) +
                                                u"%' and (Active=1 OR Archived=1) ORDER BY Name");
    // Characters with a meaning in LIKE patterns or SQL literals match only themselves.
    EXPECT_NE(engine_.CandidateQuery(u"\u0002'x").find(u"LIKE '\u0002''%'"), std::u16string::npos);
    EXPECT_NE(engine_.CandidateQuery(u"\u0002_x").find(u"LIKE '\u0002[_]%'"), std::u16string::npos);
}

TEST_F(EngineTest, ClassCharactersWithMeaningInSqlSelectOnlyTheirOwnClass) {
    Names("|'Brien|_abc|%abc|*abc|?abc|[abc|#abc|Smith|abc");
    for (const std::u16string text : {u"'Brien", u"_abc", u"%abc", u"*abc", u"?abc", u"[abc", u"#abc"}) {
        const auto found = Search(text);
        EXPECT_TRUE(host_.messages.empty()) << std::string(text.begin(), text.end());
        ASSERT_EQ(found.size(), 1u) << std::string(text.begin(), text.end());
        EXPECT_EQ(found[0], text);
    }
}

TEST_F(EngineTest, FilterWithOrCannotLetOtherClassesIn) {
    Names("|Smith|Smyth|Jones");
    db_->Execute(u"ALTER TABLE NameData ADD COLUMN Active INTEGER DEFAULT 1");
    engine_.sqlFilterString = u"Active=1 OR Active=2";
    const auto found = Search(u"smith");
    EXPECT_EQ(found.size(), 2u);
    engine_.sqlFilterString = u"Name <> 'Smyth'";
    EXPECT_EQ(Search(u"smith"), std::vector<std::u16string>{u"Smith"});
}

TEST_F(EngineTest, HostileNamesAndFiltersAreRefusedBeforeAnyStatementRuns) {
    Names("|Smith|Smyth|Jones");
    db_->Execute(u"CREATE TABLE canary (x INTEGER)");
    db_->Execute(u"INSERT INTO canary VALUES (1), (2), (3)");
    for (const auto& [property, value] : testing::HostileSettings()) {
        UseNameData();
        engine_.sqlFilterString.clear();
        engine_.*property = value;
        host_.messages.clear();
        const std::string shown(value.begin(), value.end());
        EXPECT_TRUE(Search(u"smith").empty()) << shown;
        ASSERT_EQ(host_.messages.size(), 1u) << shown;
        EXPECT_EQ(host_.messages[0].find(u'\n', host_.messages[0].find(u'\n') + 1), std::u16string::npos)
            << shown;
        engine_.Recode(db_.get());
        EXPECT_EQ(db_->OpenRecordset(u"SELECT COUNT(*) AS n FROM canary")->Field(u"n").ToInt32(), 3) << shown;
    }
    // One name with blanks, bracketed or quoted, is a name.
    db_->Execute(
        u"CREATE TABLE [Name List] ([Key Code] VARCHAR(50), [Full Name] VARCHAR(50), Ident INTEGER)");
    db_->Execute(u"INSERT INTO [Name List] SELECT Key, Name, Ident FROM NameData");
    engine_.tableName = u"[Name List]";
    engine_.keyFieldName = u"\"Key Code\"";
    engine_.textFieldName = u"[Full Name]";
    engine_.idFieldName = u"Ident";
    engine_.sqlFilterString.clear();
    host_.messages.clear();
    EXPECT_EQ(Search(u"smith"), (std::vector<std::u16string>{u"Smith", u"Smyth"}));
    EXPECT_TRUE(host_.messages.empty());
}

TEST_F(EngineTest, SearchKeyIsCutToThisTablesKeyFieldEveryTime) {
    Names("|Catherine|Kathryn");
    db_->Execute(u"CREATE TABLE Short (Key VARCHAR(8), Name VARCHAR(50), Ident INTEGER PRIMARY KEY)");
    KeyCoder coder;
    coder.SetMaxKeyLength(8);
    for (const std::u16string name : {u"Catherine", u"Kathryn", u"Katharina"}) {
        auto set = db_->OpenRecordset(u"Short", RecordsetOptions{true});
        set->AddNew();
        set->SetField(u"Key", Value(coder.MakeCode(name)));
        set->SetField(u"Name", Value(name));
        set->Update();
        set->Close();
    }
    engine_.tableName = u"Short";
    Search(u"katrin");
    const auto first = engine_.List();
    const std::u16string firstCode = engine_.searchCode;
    Search(u"katrin");
    EXPECT_EQ(engine_.List(), first);
    EXPECT_EQ(engine_.searchCode, firstCode);
    EXPECT_EQ(firstCode.size(), 8u);
    // Back on the long table the key is whole again.
    engine_.tableName = u"NameData";
    Search(u"katrin");
    EXPECT_EQ(engine_.searchCode, KeyCoder().MakeCode(u"katrin"));
}

TEST_F(EngineTest, ManyBlanksAreCountedWithoutOverflow) {
    Names("|Smith");
    std::u16string text = u"smith";
    for (int i = 0; i < 300; ++i) text += u" x";
    engine_.compare = CompareAuto;
    engine_.BestMatchSearch(db_.get(), text);
    EXPECT_TRUE(host_.messages.empty());
}

TEST_F(EngineTest, MissingPropertiesAreReportedFirstTableFirst) {
    Names("|Smith");
    engine_.tableName.clear();
    engine_.keyFieldName.clear();
    Search(u"smith");
    ASSERT_EQ(host_.messages.size(), 1u);
    EXPECT_EQ(host_.messages[0], u"QM1 Property Error:\r\nTablename is not initialized");
    EXPECT_EQ(host_.icons[0], MessageIcon::Critical);
    UseNameData();
    engine_.idFieldName.clear();
    Search(u"smith");
    EXPECT_EQ(host_.messages[1], u"QM1 Property Error:\r\nIDFieldName is not initialized");
    std::u16string text = u"x";
    engine_.BestMatchSearch(nullptr, text);
    EXPECT_EQ(host_.messages[2], u"Database/Connection must be specified");
}

TEST_F(EngineTest, DatabaseErrorsInTheControlsWords) {
    Names("|Smith");
    engine_.tableName = u"Nowhere";
    Search(u"smith");
    ASSERT_EQ(host_.messages.size(), 1u);
    EXPECT_EQ(host_.messages[0].substr(0, 10), u"QM1Error:\r");
    EXPECT_NE(host_.messages[0].find(u"Nowhere"), std::u16string::npos);  // the database's own description

    UseNameData();
    engine_.connectionType = qmADO;  // a SQLite connection is not of that kind
    Search(u"smith");
    EXPECT_EQ(host_.messages[1],
              u"QM1Error:\r\nYou have incorrectly specified the ConnectionType Property.\r\n"
              u"Set to either qmDAO or qmADO, as appropriate.\r\nNote that qmDAO is the default value.");
    EXPECT_TRUE(engine_.List().empty());

    engine_.connectionType = 5;  // neither kind: reported too, not a silent empty search
    Search(u"smith");
    EXPECT_EQ(host_.messages.size(), 3u);
    EXPECT_EQ(host_.messages[2], host_.messages[1]);

    // A failure that is no database error keeps its UTF-8 text.
    struct FailingConnection final : Connection {
        ConnectionKind Kind() const noexcept override { return ConnectionKind::Sqlite; }
        std::unique_ptr<Recordset> OpenRecordset(std::u16string_view, RecordsetOptions) override {
            throw std::runtime_error(
                "Stra\xc3\x9f"
                "e \xe2\x80\x94 nicht lesbar");
        }
        std::int64_t Execute(std::u16string_view) override { return 0; }
        void AppendTableDef(const TableDef&) override {}
        bool TableExists(std::u16string_view) override { return false; }
    } failing;
    engine_.connectionType = qmDAO;
    std::u16string text = u"smith";
    engine_.BestMatchSearch(&failing, text);
    EXPECT_EQ(host_.messages.back(), u"QM1Error:\r\nStra\u00dfe \u2014 nicht lesbar");
}

TEST_F(EngineTest, InvalidCompareIsShownOnceAndReset) {
    Names("|Smith|Smyth|Smithe");
    engine_.compare = 7;
    const auto found = Search(u"smith");
    ASSERT_EQ(host_.messages.size(), 1u);
    EXPECT_EQ(host_.messages[0], u"Invalid value for Compare Property.\r\nValid values are 0 - 3.");
    EXPECT_EQ(host_.icons[0], MessageIcon::None);
    EXPECT_EQ(engine_.compare, CompareAll);
    EXPECT_EQ(found.size(), 3u);

    engine_.compare = 7;
    Search(u"adams");  // no candidate rows (class a): no message, Compare stays
    EXPECT_EQ(host_.messages.size(), 1u);
    EXPECT_EQ(engine_.compare, 7);
}

TEST_F(EngineTest, CancelFromMatchFoundStopsAfterTheCurrentRow) {
    Names("|Smith|Smithe|Smyth|Smythe");
    host_.onMatchFound = [&](const MatchItem&) { engine_.cancel = true; };
    Search(u"smith");
    EXPECT_EQ(host_.found.size(), 1u);
    EXPECT_EQ(engine_.List().size(), 1u);
}

TEST_F(EngineTest, ProgressStepsByRowAndEventsAreLetThrough) {
    Names("|Smith|Smyth|Smithe");
    Search(u"smith");
    EXPECT_EQ(host_.progress, (std::vector<int>{0, 33, 67, 100}));
    EXPECT_GE(host_.processEventsCalls, 3);
}

TEST_F(EngineTest, SearchOrRecodeStartedFromAnEventOfARunningOneChangesNothing) {
    Names("|Smith|Smyth|Smithe");
    int nested = 0;
    host_.onProcessEvents = [&] {
        if (nested++) return;
        std::u16string other = u"jones";
        engine_.BestMatchSearch(db_.get(), other);
        engine_.Recode(db_.get());
    };
    const auto found = Search(u"smith");
    EXPECT_EQ(found.size(), 3u);
    EXPECT_EQ(host_.beginRecodes, 0);
}

TEST_F(EngineTest, NavigationWalksTheListToItsEnd) {
    Names("|Smith|Smyth|Smithe|Jones");
    EXPECT_FALSE(engine_.SetToBestMatch());
    EXPECT_FALSE(engine_.finalMatchItem);
    engine_.SetToNextMatch();
    EXPECT_TRUE(engine_.finalMatchItem);  // nothing to walk

    Search(u"smith");
    ASSERT_EQ(engine_.List().size(), 3u);
    EXPECT_TRUE(engine_.SetToBestMatch());
    EXPECT_EQ(engine_.textValue, engine_.List()[0].text);
    EXPECT_FALSE(engine_.finalMatchItem);
    engine_.SetToNextMatch();
    engine_.SetToNextMatch();
    EXPECT_EQ(engine_.idValue, engine_.List()[2].id);
    EXPECT_TRUE(engine_.finalMatchItem);
    engine_.SetToNextMatch();
    EXPECT_EQ(engine_.CurrentMatch(), 2);

    // A smaller result without SetToBestMatch leaves the position past the end.
    ASSERT_EQ(Search(u"jones").size(), 1u);
    engine_.SetToNextMatch();
    EXPECT_EQ(engine_.CurrentMatch(), 2);

    EXPECT_TRUE(engine_.ListItemSelected(0));
    EXPECT_EQ(engine_.idValue, engine_.List()[0].id);
    EXPECT_FALSE(engine_.ListItemSelected(-1));
}

// Keys of another version: the first stored key decides.
class VersionTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        Names("|Smith|Smyth|Jones|Smithe");
        db_->Execute(u"UPDATE NameData SET Key = char(1) || substr(Key, 2)");
    }
    int RowsWithVersion(char16_t version) {
        auto set = db_->OpenRecordset(u"SELECT Key FROM NameData");
        int n = 0;
        for (; !set->Eof(); set->MoveNext()) n += set->Field(u"Key").ToText()[0] == version;
        return n;
    }
};

TEST_F(VersionTest, CancelAbandonsTheSearch) {
    host_.answer = RecodeChoice::Cancel;
    EXPECT_TRUE(Search(u"smith").empty());
    EXPECT_EQ(host_.recodeQuestions, 1);
    EXPECT_EQ(RowsWithVersion(u'\u0001'), 4);
}

TEST_F(VersionTest, ClosingTheQuestionSearchesUnchanged) {
    host_.answer = RecodeChoice::None;
    EXPECT_TRUE(Search(u"smith").empty());  // the current version selects no old rows
    EXPECT_EQ(engine_.KeyVersion(), u"\u0002");
}

TEST_F(VersionTest, ContinueSearchUsesTheTablesVersion) {
    host_.answer = RecodeChoice::ContinueSearch;
    EXPECT_EQ(Search(u"smith").size(), 3u);
    EXPECT_EQ(engine_.KeyVersion(), u"\u0001");
    EXPECT_EQ(engine_.MakeCode(u"smith")[0], u'\u0001');
    EXPECT_EQ(host_.recodeQuestions, 1);
    Search(u"smith");
    EXPECT_EQ(host_.recodeQuestions, 1);  // the versions agree now
}

TEST_F(VersionTest, RecodeTableRecodesThenSearches) {
    host_.answer = RecodeChoice::RecodeTable;
    EXPECT_EQ(Search(u"smith").size(), 3u);
    EXPECT_EQ(RowsWithVersion(u'\u0002'), 4);
    EXPECT_EQ(host_.beginRecodes, 1);
    EXPECT_EQ(host_.endRecodes, 1);
}

TEST_F(VersionTest, RecodeAfterContinueWritesTheLibrarysVersion) {
    host_.answer = RecodeChoice::ContinueSearch;
    Search(u"smith");
    engine_.Recode(db_.get());
    EXPECT_EQ(RowsWithVersion(u'\u0002'), 4);
    EXPECT_EQ(engine_.KeyVersion(), u"\u0002");
    host_.answer = RecodeChoice::Cancel;
    EXPECT_EQ(Search(u"smith").size(), 3u);
    EXPECT_EQ(host_.recodeQuestions, 1);
}

TEST_F(VersionTest, NullOrEmptyFirstKeyCountsAsAnotherVersion) {
    db_->Execute(u"UPDATE NameData SET Key = NULL");
    host_.answer = RecodeChoice::Cancel;
    Search(u"smith");
    EXPECT_EQ(host_.recodeQuestions, 1);
    EXPECT_TRUE(host_.messages.empty());
}

TEST_F(EngineTest, EmptyTableNeitherAsksNorFinds) {
    Names("");
    EXPECT_TRUE(Search(u"smith").empty());
    EXPECT_EQ(host_.recodeQuestions, 0);
    EXPECT_TRUE(host_.messages.empty());
}

TEST_F(EngineTest, RecodeShowsProgressAndRestoresTheControl) {
    Names("|Smith|Smyth|Jones|Brown");
    db_->Execute(u"UPDATE NameData SET Key = 'old'");
    engine_.Recode(db_.get());
    EXPECT_EQ(host_.progress, (std::vector<int>{25, 50, 75, 100, 0}));
    EXPECT_EQ(host_.beginRecodes, 1);
    EXPECT_EQ(host_.endRecodes, 1);
    KeyCoder coder;
    for (int id = 1; id <= 4; ++id) EXPECT_EQ(KeyOf(id)[0], u'\u0002');
    EXPECT_EQ(KeyOf(1), coder.MakeCode(u"Smith"));
}

TEST_F(EngineTest, StopDuringRecodeKeepsTheUnvisitedRows) {
    Names("|Smith|Smyth|Jones|Brown");
    db_->Execute(u"UPDATE NameData SET Key = 'old'");
    engine_.RequestStop();  // a stop pressed before the recode does not count
    int rows = 0;
    host_.onProcessEvents = [&] {
        if (++rows == 3) engine_.RequestStop();  // the first call is the one before the rows
    };
    engine_.Recode(db_.get());
    // Rows are visited from the last: 4 and 3 were recoded, 1 and 2 keep their keys.
    EXPECT_EQ(KeyOf(4)[0], u'\u0002');
    EXPECT_EQ(KeyOf(3)[0], u'\u0002');
    EXPECT_EQ(KeyOf(2), u"old");
    EXPECT_EQ(KeyOf(1), u"old");
    EXPECT_FALSE(engine_.StopRequested());
    EXPECT_EQ(host_.endRecodes, 1);
    EXPECT_EQ(host_.progress.back(), 0);
}

TEST_F(EngineTest, FailedRecodeIsReportedAndRestoresTheControl) {
    Names("|Smith");
    engine_.textFieldName = u"NoSuchField";
    engine_.Recode(db_.get());
    ASSERT_EQ(host_.messages.size(), 1u);
    EXPECT_EQ(host_.messages[0].substr(0, 9), u"QM1Error:");
    EXPECT_EQ(host_.endRecodes, 1);
    engine_.textFieldName = u"Name";
    engine_.connectionType = 9;
    engine_.Recode(db_.get());
    EXPECT_NE(host_.messages[1].find(u"ConnectionType"), std::u16string::npos);
}

TEST_F(EngineTest, DetachDuringASearchStopsItAndTheEngineDeletesItself) {
    Names("|Smith|Smyth|Smithe");
    RecordingHost host;
    auto* engine = new MatchEngine(host);
    engine->SetEventInterval(std::chrono::milliseconds(0));
    engine->tableName = u"NameData";
    engine->keyFieldName = u"Key";
    engine->textFieldName = u"Name";
    engine->idFieldName = u"Ident";
    bool released = false;
    host.onMatchFound = [&](const MatchItem&) {
        if (!released) released = engine->Detach();
    };
    std::u16string text = u"smith";
    engine->BestMatchSearch(db_.get(), text);  // deletes engine as it unwinds
    EXPECT_TRUE(released);
    EXPECT_EQ(host.found.size(), 1u);
}

// The unsorted way through the rows (SQLite, events not after every row) must give what the
// row-by-row way in text order gives: the list, IDValue, the MatchFound events and progress.
class UnorderedScanTest : public EngineTest, public ::testing::WithParamInterface<bool> {};

class QuietHost : public RecordingHost {
public:
    bool ListensToMatchFound() const override { return false; }
};

TEST_P(UnorderedScanTest, GivesWhatTheTextOrderGives) {
    // Names repeat (ties), differ in case, and use characters whose UTF-16 order is not their
    // code-point order (U+FF21 against the surrogate pairs of U+1D400).
    std::mt19937 random(7);
    const std::u16string firsts[] = {u"Smith",   u"Smyth",      u"smith",          u"Smithe",
                                     u"Schmidt", u"Sm\uFF21th", u"Sm\U0001D400th", u"Smit",
                                     u"Stein",   u"Swan",       u"Bose",           u"Wan"};
    // More rows than one batch of the scan, so that rows are also scored on the second thread.
    Names("");
    KeyCoder coder;
    coder.SetMaxKeyLength(50);
    db_->Execute(u"BEGIN");
    for (int i = 0; i < 9000; ++i) {
        std::u16string name = firsts[random() % std::size(firsts)];
        if (random() % 2) name += u" " + firsts[random() % std::size(firsts)];
        db_->Execute(u"INSERT INTO NameData (Key, Name) VALUES ('" + coder.MakeCode(name) + u"', '" + name +
                     u"')");
    }
    db_->Execute(u"COMMIT");
    if (GetParam()) db_->Execute(u"CREATE INDEX ndxKeyNameIdent ON NameData (Key, Name, Ident)");
    for (const std::u16string query : {u"smith", u"smyth smith", u"swan", u"bose", u"sm"}) {
        for (const std::int32_t compare : {0, 1, 2, 3}) {
            struct Run {
                std::vector<MatchItem> list, shown, found;
                std::int32_t id;
                std::vector<int> progress;
            };
            const auto run = [&](RecordingHost& host, std::chrono::milliseconds interval) {
                MatchEngine engine(host);
                engine.SetEventInterval(interval);
                engine.tableName = u"NameData";
                engine.keyFieldName = u"Key";
                engine.textFieldName = u"Name";
                engine.idFieldName = u"Ident";
                engine.compare = compare;
                std::u16string text = query;
                engine.BestMatchSearch(db_.get(), text);
                EXPECT_TRUE(host.messages.empty());
                return Run{engine.List(), host.shown, host.found, engine.idValue, host.progress};
            };
            RecordingHost ordered, unordered;
            QuietHost quiet;
            const Run a = run(ordered, std::chrono::milliseconds(0));
            const Run b = run(unordered, std::chrono::hours(1));
            const Run c = run(quiet, std::chrono::hours(1));
            const std::string label =
                std::string(query.begin(), query.end()) + " compare " + std::to_string(compare);
            EXPECT_EQ(a.list, b.list) << label;
            EXPECT_EQ(a.list, c.list) << label;
            EXPECT_EQ(a.shown, b.shown) << label;
            EXPECT_EQ(a.shown, c.shown) << label;
            EXPECT_EQ(a.found, b.found) << label;
            EXPECT_TRUE(c.found.empty()) << label;
            EXPECT_EQ(a.id, b.id) << label;
            EXPECT_EQ(a.id, c.id) << label;
            EXPECT_EQ(a.progress, b.progress) << label;
            EXPECT_EQ(a.progress, c.progress) << label;
        }
    }
    // A bad key late in the table fails the scan wherever its batch was scored: the search
    // ends with one message naming the row.
    db_->Execute(u"UPDATE NameData SET Key = substr(Key, 1, 2) || ':1:x' WHERE Ident = "
                 u"(SELECT max(Ident) FROM NameData WHERE Name = 'Smith')");
    QuietHost host;
    MatchEngine engine(host);
    engine.SetEventInterval(std::chrono::hours(1));
    engine.tableName = u"NameData";
    engine.keyFieldName = u"Key";
    engine.textFieldName = u"Name";
    engine.idFieldName = u"Ident";
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
    db_->Execute(u"INSERT INTO Loose SELECT Key, Name, Ident FROM NameData");
    struct Case {
        std::u16string update, field, row;
    } cases[] = {
        {u"UPDATE Loose SET Name = NULL WHERE Ident = 3", u"Name", u"Ident is 3"},
        {u"UPDATE Loose SET Ident = NULL WHERE Ident = 3", u"Ident", u"candidate row 2"},
        {u"UPDATE Loose SET Ident = 5000000000 WHERE Ident = 3", u"Ident", u"Ident is 5000000000"},
        {u"UPDATE Loose SET Key = substr(Key, 1, 2) || ':1:x' WHERE Ident = 3", u"Key", u"Ident is 3"},
    };
    for (const Case& c : cases) {
        db_->Execute(u"DELETE FROM Loose");
        db_->Execute(u"INSERT INTO Loose SELECT Key, Name, Ident FROM NameData");
        db_->Execute(c.update);
        std::vector<std::vector<MatchItem>> lists;
        for (const auto interval : {std::chrono::milliseconds(0), std::chrono::milliseconds(10)}) {
            RecordingHost host;
            MatchEngine engine(host);
            engine.SetEventInterval(interval);
            engine.tableName = u"Loose";
            engine.keyFieldName = u"Key";
            engine.textFieldName = u"Name";
            engine.idFieldName = u"Ident";
            std::u16string text = u"smith";
            engine.BestMatchSearch(db_.get(), text);
            const std::string label = std::string(c.update.begin(), c.update.end());
            ASSERT_EQ(host.messages.size(), 1u) << label;
            const std::u16string& message = host.messages[0];
            EXPECT_NE(message.find(u"table 'Loose'"), std::u16string::npos) << label;
            EXPECT_NE(message.find(u"field '" + c.field + u"'"), std::u16string::npos) << label;
            EXPECT_NE(message.find(c.row), std::u16string::npos) << label;
            lists.push_back(engine.List());
        }
        EXPECT_EQ(lists[0], lists[1]);
        // Rows come in text order (a Null text first), and those before the bad one stay.
        EXPECT_EQ(lists[0].size(), c.field == u"Name" ? 0u : 1u);
    }
}

}  // namespace
}  // namespace quarrymink
