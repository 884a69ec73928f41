// The engine over PostgreSQL ("ADO"): the same search, the database's own error numbers in the
// control's words, a recode into a field the database keeps to its size.
#include <gtest/gtest.h>

#include <functional>

#include "hostile_settings.h"
#include "pg_server.h"
#include "postgres_order_p.h"
#include "quarrymink/database.h"
#include "quarrymink/keycoding.h"
#include "quarrymink/sampledb.h"
#include "quarrymink/search.h"
#include "quarrymink/unicode.h"
#include "recording_host.h"
#include "sql_dialect.h"

namespace quarrymink {
namespace {

using testing::RecordingHost;

class EnginePgTest : public ::testing::Test {
protected:
    void SetUp() override {
        QM_REQUIRE_PG();
        db_ = ConnectPostgres(testing::PgConninfo());
        for (const char16_t* sql :
             {u"DROP SCHEMA IF EXISTS e CASCADE", u"CREATE SCHEMA e", u"SET search_path = e"})
            db_->Execute(sql);
        db_->Execute(u"CREATE TABLE namedata (key VARCHAR(50), ident SERIAL PRIMARY KEY, name VARCHAR(50))");
        engine_.SetEventInterval(std::chrono::milliseconds(0));
        Configure();
    }
    static SearchSettings Settings() { return {u"namedata", u"key", u"name", u"ident", u"", qmADO}; }
    void Configure() { engine_.Settings() = Settings(); }

    void Add(std::initializer_list<std::u16string_view> names, std::u16string_view table = u"namedata") {
        auto set = db_->OpenRecordset(table, RecordsetOptions{true});
        for (const auto name : names) {
            set->AddNew();
            set->SetField(u"name", Value(name));
            set->SetField(u"key", Value(KeyCoder().MakeCode(name)));
            set->Update();
        }
    }
    std::vector<std::u16string> Search(std::u16string text) {
        engine_.BestMatchSearch(db_.get(), text);
        std::vector<std::u16string> out;
        for (const auto& item : engine_.List()) out.push_back(item.text);
        return out;
    }

    std::unique_ptr<Connection> db_;
    RecordingHost host_;
    MatchEngine engine_{host_};
};

TEST_F(EnginePgTest, SmythFindsSmithAndAWildcardOnlyItself) {
    Add({u"Smith", u"Jones", u"Smyth", u"Smythe", u"_abc", u"abc"});
    EXPECT_EQ(Search(u"smyth").at(0), u"Smith");
    EXPECT_EQ(Search(u"_abc"), std::vector<std::u16string>{u"_abc"});
    EXPECT_TRUE(host_.messages.empty());
}

TEST_F(EnginePgTest, HostileNamesAndFiltersAreRefusedBeforeAnyStatementRuns) {
    Add({u"Smith", u"Smyth", u"Jones"});
    testing::ExpectHostileSettingsRefused(*db_, engine_, host_, Settings());
    db_->Execute(
        u"CREATE TABLE \"name list\" (\"key code\" VARCHAR(50), \"Full Name\" VARCHAR(50), ident INTEGER)");
    db_->Execute(u"INSERT INTO \"name list\" SELECT key, name, ident FROM namedata");
    // [Name List] is lower-cased, as PostgreSQL folds plain names.
    engine_.Settings() = {u"[Name List]", u"[key code]", u"\"Full Name\"", u"ident", u"", qmADO};
    host_.messages.clear();
    EXPECT_EQ(Search(u"smith"), (std::vector<std::u16string>{u"Smith", u"Smyth"}));
    EXPECT_TRUE(host_.messages.empty());
}

// Each failure gives one message in the control's words, and the connection stays usable.
TEST_F(EnginePgTest, FailuresInTheControlsWordsLeaveTheConnectionUsable) {
    Add({u"Smith", u"Smyth"});
    const struct {
        std::function<void(SearchSettings&)> change;
        std::u16string message;  // the message, or a part of it
    } cases[] = {
        {[](auto& s) { s.textFieldName = u"nosuch"; },
         u"QM1Error:\r\nThe field name 'nosuch' or 'ident' is not\r\nvalid for the table 'namedata'"},
        // The version check is the first to meet the missing table.
        {[](auto& s) { s.tableName = u"nowhere"; },
         u"QM1Error:\r\nThe table name 'nowhere' is not\r\nvalid for this data connection"},
        {[](auto& s) { s.connectionType = qmDAO; }, u"incorrectly specified the ConnectionType"},
        // Refused only when a row is read.
        {[](auto& s) { s.sqlFilterString = u"1 / (ident - ident) = 1"; }, u"division by zero"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.message));
        Configure();
        c.change(engine_.Settings());
        host_.messages.clear();
        EXPECT_TRUE(Search(u"smith").empty());
        EXPECT_NE(host_.messages.at(0).find(c.message), std::u16string::npos);
        Configure();
        EXPECT_EQ(Search(u"smith").size(), 2u);
        EXPECT_EQ(host_.messages.size(), 1u);
    }
}

TEST_F(EnginePgTest, RecodeKeepsKeysWithinTheFieldSize) {
    db_->Execute(u"CREATE TABLE shortkeys (key VARCHAR(6), ident SERIAL PRIMARY KEY, name VARCHAR(50))");
    db_->Execute(
        u"INSERT INTO shortkeys (key, name) VALUES ('old', 'Catherine'), ('old', 'Schmidt'), ('old', 'x')");
    engine_.Settings().tableName = u"shortkeys";
    engine_.Recode(db_.get());
    EXPECT_EQ(host_.messages, std::vector<std::u16string>{});
    auto set = db_->OpenRecordset(u"SELECT key, name FROM shortkeys ORDER BY ident");
    for (; !set->Eof(); set->MoveNext())
        EXPECT_EQ(set->Field(u"key").ToText(),
                  KeyCoder().MakeCode(set->Field(u"name").ToText()).substr(0, 6));
}

// Made-up names, many and varied enough that the planner weighs its indexes as on a real table.
std::string SyllableNames(int count) {
    static const char* const kSyllables[] = {"ka",  "lo",  "mi",  "ne",  "ru",  "sa",  "ti",  "vo",  "bre",
                                             "dan", "fel", "gor", "hul", "jas", "pim", "wen", "zor", "tho"};
    std::string list;
    for (int i = 0; i < count; ++i) {
        std::string name;
        for (int n = i * 7919 + 13, parts = 0; parts < 4; n /= 18, ++parts) name += kSyllables[n % 18];
        name[0] = static_cast<char>(name[0] - 'a' + 'A');
        list += "|" + name + " " + std::to_string(i % 97);
    }
    return list;
}

// Only a column that the server orders by code point is read in the table's order and put in
// text order on the client; the list and IDValue are those of the search in the server's order.
TEST_F(EnginePgTest, ReadingInTheTablesOrderListsAsTheServerOrders) {
    const bool withIcu =
        !db_->OpenRecordset(u"SELECT 1 FROM pg_collation WHERE collname = 'und-x-icu'")->Eof();
    // The name column's type, and whether the server orders it by code point.
    const std::pair<std::u16string, bool> columns[] = {{u"VARCHAR(50)", true},
                                                       {u"TEXT COLLATE \"POSIX\"", true},
                                                       {u"VARCHAR(50) COLLATE \"und-x-icu\"", false},
                                                       {u"CHAR(12)", false},
                                                       {u"INTEGER", false}};
    for (const auto& [type, codePoints] : columns) {
        SCOPED_TRACE(Utf16ToUtf8(type));
        if (!withIcu && type.find(u"icu") != std::u16string::npos) continue;
        db_->Execute(u"DROP TABLE IF EXISTS orders");
        db_->Execute(u"CREATE TABLE orders (key VARCHAR(50), ident SERIAL PRIMARY KEY, name " + type + u")");
        EXPECT_EQ(PostgresOrdersByCodePoint(*db_, u"orders", u"name"), codePoints);
        if (type == u"INTEGER") continue;
        // Equal scores, so that the list's order and IDValue follow the text order.
        Add({u"Smyth", u"smith", u"SMITH", u"smyth", u"Smith", u"Jones"}, u"orders");
        engine_.Settings().tableName = u"orders";
        engine_.SetEventInterval(std::chrono::milliseconds(0));  // read in the server's order
        const auto inOrder = Search(u"smith");
        const std::int32_t lastInOrder = engine_.Result().idValue;
        engine_.SetEventInterval(std::chrono::milliseconds(10));
        EXPECT_EQ(Search(u"smith"), inOrder);
        EXPECT_EQ(engine_.Result().idValue, lastInOrder);
        EXPECT_EQ(inOrder.size(), 5u);
    }
    EXPECT_FALSE(PostgresOrdersByCodePoint(*db_, u"nosuch", u"name"));
    EXPECT_TRUE(host_.messages.empty());
}

TEST_F(EnginePgTest, MakeDbBuildsInOneTransactionAndIndexesTheKeyPrefix) {
    // The sample table goes into a schema of its own, named in the location's options.
    db_->Execute(u"DROP SCHEMA IF EXISTS mk CASCADE");
    db_->Execute(u"CREATE SCHEMA mk");
    const std::string location = std::string(testing::PgConninfo()) + " options='-c search_path=mk'";
    const auto rows = [&] {
        auto set = db_->OpenRecordset(u"SELECT count(*) AS n, min(name) AS first FROM mk.namedata");
        return std::to_string(set->Field(u"n").ToInt32()) + " from " +
               Utf16ToUtf8(set->Field(u"first").ToText());
    };
    EXPECT_EQ(BuildNameDatabase("|Smith|Jones", location), 2u);
    EXPECT_EQ(rows(), "2 from Jones");
    NameDatabaseOptions options;
    EXPECT_THROW(BuildNameDatabase("|Smyth", location, options), std::runtime_error);  // exists
    options.replace = true;
    // A row the server refuses after the old table was dropped: the old table comes back whole.
    EXPECT_ANY_THROW(BuildNameDatabase(std::string("|Abel|Bad\0name", 14), location, options));
    EXPECT_EQ(rows(), "2 from Jones");

    options.keyIndex = true;
    EXPECT_EQ(BuildNameDatabase(SyllableNames(20000), location, options), 20000u);
    EXPECT_EQ(rows().substr(0, 6), "20000 ");
    // The candidate query of a search, planned as the search's cursor runs it (to be read
    // whole), reads the key prefix as a range of the key index.
    engine_.Settings().tableName = u"mk.namedata";
    engine_.Settings().maxKeyLength = 50;
    const std::string query = sqldialect::TranslateSql(
        engine_.CandidateQuery(engine_.MakeCode(u"Kalomine 5")), sqldialect::Backend::Postgres);
    db_->Execute(
        u"CREATE FUNCTION mk.plan(query text) RETURNS SETOF text LANGUAGE plpgsql AS "
        u"'DECLARE line text; BEGIN FOR line IN EXECUTE ''EXPLAIN DECLARE c NO SCROLL CURSOR FOR '' || query "
        u"LOOP RETURN NEXT line; "
        u"END LOOP; END'");
    std::string plan;
    for (auto set = db_->OpenRecordset(u"SELECT mk.plan($q$" + Widen(query) + u"$q$) AS line"); !set->Eof();
         set->MoveNext())
        plan += Utf16ToUtf8(set->Field(u"line").ToText()) + "\n";
    EXPECT_NE(plan.find("ndxkey"), std::string::npos) << plan;
    EXPECT_NE(plan.find("~>=~"), std::string::npos) << plan;  // a range, not a filter on every row
    EXPECT_EQ(plan.find("Seq Scan"), std::string::npos) << plan;
}

}  // namespace
}  // namespace quarrymink
