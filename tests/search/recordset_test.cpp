// Record sets on both backends: the cursor, changes through a set, patterns and errors.
// Every test runs on a SQLite file and on the private PostgreSQL server (skipped without one).
#include <gtest/gtest.h>

#include <functional>

#include "db_test_support.h"
#include "pg_server.h"
#include "quarrymink/database.h"
#include "quarrymink/unicode.h"

namespace quarrymink {
namespace {

using testing::ErrorNumber;
using testing::Failure;
using testing::Num;
using testing::RestOfColumn;
using testing::WriteRow;

class RecordsetTest : public ::testing::TestWithParam<ConnectionKind> {
protected:
    void SetUp() override {
        if (Pg()) QM_REQUIRE_PG();
        db_ = Pg() ? ConnectPostgres(testing::PgConninfo()) : CreateSqlite(file_.path());
        // A fresh schema per test: the tests of one run share the server.
        for (const char16_t* sql :
             {u"DROP SCHEMA IF EXISTS t CASCADE", u"CREATE SCHEMA t", u"SET search_path = t"})
            if (Pg()) db_->Execute(sql);
    }

    bool Pg() const { return GetParam() == ConnectionKind::Postgres; }

    // Rows 0..n-1 of people(name, n), in no particular physical order.
    void MakePeople(int rows) {
        db_->Execute(u"CREATE TABLE people (name VARCHAR(20), n INTEGER)");
        const std::u16string n = u"i * 7919 % " + Num(rows);  // a permutation, so that ORDER BY matters
        db_->Execute(
            u"INSERT INTO people WITH RECURSIVE s(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM s WHERE i < " +
            Num(rows - 1) + u") SELECT 'p' || (" + n + u"), " + n + u" FROM s");
    }

    int Count(const std::u16string& where, const std::u16string& table = u"people") {
        auto set = db_->OpenRecordset(u"SELECT COUNT(*) FROM " + table + u" WHERE " + where);
        return set->FieldAt(0).ToInt32();
    }

    testing::SqliteFile file_;
    std::unique_ptr<Connection> db_;
};

// More rows than one batch of the server cursor, walked both ways to the ends, with jumps
// between, and in turn with another set.
TEST_P(RecordsetTest, WalksFollowTheQueryOrderAndStopAtBofAndEof) {
    const int rows = 2345;
    MakePeople(rows);
    for (const bool updatable : {false, true}) {
        SCOPED_TRACE(updatable ? "updatable" : "read-only");
        // An empty set is at both ends, and has no row to move to or read.
        auto none = db_->OpenRecordset(u"SELECT name, n FROM people WHERE n < 0", {updatable});
        EXPECT_TRUE(none->Bof() && none->Eof());
        for (const auto& act : std::initializer_list<std::function<void()>>{
                 [&] { none->MoveFirst(); }, [&] { none->MoveLast(); }, [&] { none->MoveNext(); },
                 [&] { none->MovePrevious(); }, [&] { none->Field(u"name"); }})
            EXPECT_EQ(ErrorNumber(act), dberr::kNoCurrentRecord);
        none->Close();  // so that the cursors counted below are the walked set's

        auto set = db_->OpenRecordset(u"SELECT n, name FROM people ORDER BY n", {updatable});
        EXPECT_EQ(set->Field(u"N").ToInt32(), 0);  // names compare without regard to case
        int expected = 0;
        for (; !set->Eof(); set->MoveNext()) ASSERT_EQ(set->Field(u"n").ToInt32(), expected++);
        EXPECT_EQ(expected, rows);
        EXPECT_EQ(ErrorNumber([&] { set->MoveNext(); }), dberr::kNoCurrentRecord);
        set->MovePrevious();
        for (; !set->Bof(); set->MovePrevious()) ASSERT_EQ(set->Field(u"n").ToInt32(), --expected);
        EXPECT_EQ(expected, 0);
        EXPECT_EQ(ErrorNumber([&] { set->MovePrevious(); }), dberr::kNoCurrentRecord);
        set->MoveLast();
        EXPECT_EQ(set->RecordCount(), rows);
        EXPECT_EQ(set->Field(u"n").ToInt32(), rows - 1);
        set->MoveFirst();
        for (int i = 0; i < 1500; ++i) set->MoveNext();
        const std::string bookmark = set->Bookmark();
        set->MoveFirst();
        set->SetBookmark(bookmark);
        EXPECT_EQ(ErrorNumber([&] { set->SetBookmark("not a bookmark"); }), dberr::kInvalidBookmark);
        EXPECT_EQ(set->Field(u"name").ToText(), u"p1500");
        EXPECT_EQ(ErrorNumber([&] { set->FieldAt(2); }), dberr::kItemNotFound);
        // A read-only set streams: no cursor that the server keeps whole.
        EXPECT_TRUE(!Pg() || Count(u"is_holdable OR is_scrollable", u"pg_cursors") == (updatable ? 1 : 0));
    }
    db_->Execute(u"CREATE TABLE nobody (x INTEGER)");
    EXPECT_TRUE(db_->OpenRecordset(u"nobody")->Eof());
    // Two read-only sets walked in turn, with statements between their rows: every set sees each
    // of its rows once, in order, and every statement runs as if the sets read nothing ahead.
    db_->Execute(u"CREATE TABLE log (n INTEGER)");
    auto up = db_->OpenRecordset(u"SELECT n FROM people ORDER BY n");
    auto down = db_->OpenRecordset(u"SELECT n FROM people ORDER BY n DESC");
    for (int i = 0; i < rows; ++i) {
        ASSERT_EQ(up->FieldAt(0).ToInt32(), i);
        ASSERT_EQ(down->FieldAt(0).ToInt32(), rows - 1 - i);
        if (i % 499 == 0) {
            EXPECT_EQ(db_->Execute(u"INSERT INTO log VALUES (" + Num(i) + u")"), 1);
            EXPECT_EQ(Count(u"n >= " + Num(i)), rows - i);
        }
        up->MoveNext();
        down->MoveNext();
    }
    EXPECT_TRUE(up->Eof() && down->Eof());
    up->Close(), down->Close();
    EXPECT_EQ(Count(u"1=1", u"log"), 5);
    if (!Pg()) return;
    // A statement that fails in a later batch fails there, with the server's reason, and the
    // session goes on.
    auto failing = db_->OpenRecordset(
        u"SELECT n, 1 / (n - 1500) AS f FROM (SELECT n FROM people ORDER BY n LIMIT 10000) AS sorted");
    int read = 0;
    const auto readAll = [&] {
        for (; !failing->Eof(); failing->MoveNext()) ++read;
    };
    EXPECT_NE(Failure(readAll).second.find("division by zero"), std::string::npos);
    EXPECT_EQ(read, 1000);  // the batch that holds row 1500 fails whole
    failing->Close();
    EXPECT_EQ(Count(u"1=1"), rows);
}

// Rows that are equal in every field, in a table without a key: walks over more rows than one
// batch rewrite every row once, backwards as a recode walks, then forwards with updates that move
// rows in the query's order; an update or a delete changes the one row the set stands on, also
// when it is changed twice.
TEST_P(RecordsetTest, ChangesReachExactlyTheCurrentRowAmongDuplicates) {
    const int rows = 2100;
    MakePeople(rows);
    db_->Execute(u"UPDATE people SET name = 'n' || (n % 700), n = 0");  // three rows of each
    auto set = db_->OpenRecordset(u"SELECT name,n FROM people", {true});
    EXPECT_EQ(set->DefinedSize(u"NAME"), 20);
    int visited = 0;
    for (set->MoveLast(); !set->Bof(); set->MovePrevious(), ++visited)
        WriteRow(*set, u"n", Value(set->Field(u"n").ToInt32() + 1), false);
    set->Close();
    EXPECT_EQ(visited, rows);
    EXPECT_EQ(Count(u"n = 1"), rows);
    set = db_->OpenRecordset(u"SELECT n FROM people WHERE n < 1000 ORDER BY n", {true});
    for (visited = 0; !set->Eof(); set->MoveNext(), ++visited)
        WriteRow(*set, u"n", Value(set->Field(u"n").ToInt32() + 1000), false);
    EXPECT_EQ(visited, rows);
    EXPECT_EQ(Count(u"n = 1001"), rows);
    db_->Execute(u"DELETE FROM people");
    db_->Execute(u"INSERT INTO people VALUES ('x', 1), ('x', 1), ('x', 1), ('y', 2)");
    set = db_->OpenRecordset(u"SELECT name, n FROM people WHERE name = 'x'", {true});
    set->MoveNext();
    set->Edit();
    set->SetField(u"n", Value(99));
    EXPECT_EQ(set->Field(u"n").ToInt32(), 99);  // the edited value, before Update
    set->Update();
    set->Edit();  // twice: the row is still found by what it now holds
    set->SetField(u"N", Value(u"100"));
    set->SetField(u"name", Value(u"z"));
    set->Update();
    EXPECT_EQ(Count(u"n = 100 AND name = 'z'"), 1);
    EXPECT_EQ(Count(u"n = 1"), 2);
    // Moving away drops an edit that was not written.
    set->Edit();
    set->SetField(u"n", Value(5));
    set->MoveFirst();
    EXPECT_EQ(Count(u"n = 5"), 0);
    EXPECT_EQ(ErrorNumber([&] { set->Update(); }), dberr::kUpdateWithoutEdit);
    set->MoveLast();
    const std::string bookmark = set->Bookmark();
    set->Delete();
    EXPECT_EQ(ErrorNumber([&] { set->Delete(); }), dberr::kRecordDeleted);
    EXPECT_EQ(ErrorNumber([&] { set->SetBookmark(bookmark); }), dberr::kInvalidBookmark);
    EXPECT_EQ(Count(u"n = 1"), 1);
    EXPECT_EQ(Count(u"1 = 1"), 3);
}

TEST_P(RecordsetTest, TableSetCountsFromOneAndFollowsItsIndex) {
    db_->AppendTableDef(testing::NameDataTable());
    auto set = db_->OpenRecordset(u"NameData");
    for (const char16_t* name : {u"Bea", u"Al", u"Cy"}) WriteRow(*set, u"Name", Value(name));
    EXPECT_EQ(set->LastInsertId(), 3);
    auto rows = db_->OpenRecordset(u"SELECT [Name] || [Ident] AS row FROM NameData ORDER BY [Ident]");
    EXPECT_EQ(RestOfColumn(*rows, u"row"), u"Bea1 Al2 Cy3 ");

    set->SetIndex(u"ndxName");
    set->Seek(u"=", {Value(u"Nobody")});
    EXPECT_TRUE(set->NoMatch());
    // The table's row count follows the rows deleted and added through the set, as a names
    // list that shows it after each change needs.
    set->Seek(u"=", {Value(u"Al")});
    set->Delete();
    EXPECT_EQ(set->RecordCount(), 2);
    for (const char16_t* name : {u"Di", u"Ed"}) WriteRow(*set, u"Name", Value(name));
    set->MoveFirst();
    WriteRow(*set, u"Name", Value(u"Zed"), false);
    EXPECT_EQ(set->RecordCount(), 4);
    set->MoveFirst();
    EXPECT_EQ(RestOfColumn(*set, u"Name"), u"Cy Di Ed Zed ");
    EXPECT_EQ(ErrorNumber([&] { set->SetIndex(u"noSuchIndex"); }), dberr::kNotAnIndex);

    // After Seek or SetBookmark the set knows the row, not yet its place; moves must go on
    // from that row, also after a delete.
    set->Seek(u"=", {Value(u"Di")});
    set->MoveNext();
    EXPECT_EQ(set->Field(u"Name").ToText(), u"Ed");
    const std::string bookmark = set->Bookmark();
    set->MoveFirst();
    set->SetBookmark(bookmark);
    set->Delete();
    EXPECT_EQ(ErrorNumber([&] { set->Field(u"Name"); }), dberr::kRecordDeleted);
    set->MoveNext();
    EXPECT_EQ(set->Field(u"Name").ToText(), u"Zed");
    set->Seek(u"=", {Value(u"Di")});
    set->Delete();
    set->MovePrevious();
    EXPECT_EQ(set->Field(u"Name").ToText(), u"Cy");
    EXPECT_EQ(db_->Execute(u"DELETE FROM NameData"), 2);
}

// Both backends check a new table alike, and a refused one leaves nothing behind.
TEST_P(RecordsetTest, TableDefinitionsAreCheckedAlike) {
    // How the definition is spoilt, and the number of the error.
    const std::pair<std::function<void(TableDef&)>, std::int32_t> cases[] = {
        {[](TableDef& d) { d.CreateIndex(u"ndx").fields = {u"Nowhere"}; }, dberr::kItemNotFound},
        {[](TableDef& d) { d.CreateField(u"Id2", FieldDef::Type::Long).attributes = 16; }, dberr::kGeneral},
        {[](TableDef& d) { d.CreateIndex(u"ndx"); }, dberr::kGeneral},
        {[](TableDef& d) {  // refused by the database at the second index
             d.CreateIndex(u"ndx").fields = {u"Name"};
             d.CreateIndex(u"ndx").fields = {u"Id"};
         },
         dberr::kGeneral},
    };
    for (const auto& [spoil, number] : cases) {
        TableDef def;
        def.name = u"Checked";
        def.CreateField(u"Id", FieldDef::Type::Long).attributes = FieldDef::kAutoIncrement;
        def.CreateField(u"Name", FieldDef::Type::Text, 20);
        spoil(def);
        EXPECT_EQ(ErrorNumber([&] { db_->AppendTableDef(def); }), number);
        EXPECT_FALSE(db_->TableExists(u"Checked"));
    }
}

// Special characters of the backend's pattern dialect, written in brackets, match themselves.
TEST_P(RecordsetTest, LikePatternsMatchSpecialCharactersLiterally) {
    db_->Execute(u"CREATE TABLE w (s VARCHAR(20))");
    const std::vector<std::u16string> texts = {u"a*b", u"a%b",  u"a_b", u"a?b", u"a[b",       u"a#b",
                                               u"axb", u"a\\b", u"A*b", u"a1b", u"\u0002it's"};
    for (const auto& text : texts) WriteRow(*db_->OpenRecordset(u"w"), u"s", Value(text));
    const auto matches = [&](const std::u16string& pattern) {
        std::u16string sql = u"SELECT s FROM w WHERE s LIKE '";
        for (char16_t c : pattern) sql += c == u'\'' ? std::u16string(u"''") : std::u16string(1, c);
        return RestOfColumn(*db_->OpenRecordset(sql + u"' ORDER BY s"), u"s");
    };
    EXPECT_EQ(matches(Pg() ? u"\u0002it's%" : u"\u0002it's*"), u"\u0002it's ");
    // A pattern in each dialect (ADO's on PostgreSQL, DAO's on SQLite) and what it finds.
    const std::u16string_view cases[][3] = {
        // Each dialect's wildcards in brackets, and the other dialect's as plain characters;
        // patterns are case-sensitive.
        {u"a[%]b", u"a%b", u"a%b "},   {u"a[_]b", u"a_b", u"a_b "},
        {u"a*b", u"a[*]b", u"a*b "},   {u"a?b", u"a[?]b", u"a?b "},
        {u"a#b", u"a[#]b", u"a#b "},   {u"a[[]b", u"a[[]b", u"a[b "},
        {u"a\\b", u"a\\b", u"a\\b "},  {u"A%", u"A*", u"A*b "},
        {u"a[0-9]b", u"a#b", u"a1b "}, {u"a[!a-z0-9]b%", u"a[!a-z0-9]b*", u"a#b a%b a*b a?b a[b a\\b a_b "},
    };
    for (const auto& [ado, dao, found] : cases) EXPECT_EQ(matches(std::u16string(Pg() ? ado : dao)), found);
    EXPECT_EQ(matches(Pg() ? u"a_b" : u"a?b").size(), 9u * 4u);
}

// Refusals carry their number and the database's message, and change nothing: a second
// statement in a call never runs, and sets that cannot change rows or are closed say so.
TEST_P(RecordsetTest, RefusalsCarryTheirNumberAndChangeNothing) {
    MakePeople(3);
    // The statement, whether it is executed (or opened), and its number on PostgreSQL; SQLite
    // gives all the general number.
    const std::tuple<std::u16string_view, bool, std::int32_t> cases[] = {
        {u"SELECT nope FROM people", false, dberr::kUnknownField},
        {u"SELECT n FROM nopes", false, dberr::kUnknownTable},
        {u"DELETE FROM nopes", true, dberr::kUnknownTable},
        {u"SELECT [n FROM people", false, dberr::kGeneral},
    };
    for (const auto& [sql, execute, pg] : cases) {
        const auto run = [&] { execute ? void(db_->Execute(sql)) : void(db_->OpenRecordset(sql)); };
        EXPECT_EQ(ErrorNumber(run), Pg() ? pg : dberr::kGeneral) << Utf16ToUtf8(sql);
    }
    // The database's own message.
    const std::string message = Failure([&] { db_->OpenRecordset(u"SELECT nope FROM people"); }).second;
    EXPECT_TRUE(Pg() ? message.find("nope") != std::string::npos : message == "no such column: nope")
        << message;
    for (const std::u16string_view sql :
         {u"DELETE FROM people WHERE n = 0; DROP TABLE people", u"SELECT n FROM people; DELETE FROM people",
          u"DELETE FROM people; --x\n;x"}) {
        EXPECT_THROW(db_->Execute(sql), DbError) << Utf16ToUtf8(sql);
        EXPECT_THROW(db_->OpenRecordset(sql), DbError) << Utf16ToUtf8(sql);
    }
    EXPECT_EQ(Count(u"1=1"), 3);
    EXPECT_EQ(db_->Execute(u"DELETE FROM people WHERE n = 0; -- a trailing comment is no statement"), 1);
    auto readOnly = db_->OpenRecordset(u"SELECT name FROM people");
    EXPECT_EQ(ErrorNumber([&] { readOnly->AddNew(); }), dberr::kReadOnly);
    EXPECT_EQ(ErrorNumber([&] { readOnly->Delete(); }), dberr::kReadOnly);
    // Asked for, but a join has no one row behind each row.
    auto join = db_->OpenRecordset(u"SELECT a.name FROM people a, people b WHERE a.n = b.n", {true});
    EXPECT_EQ(ErrorNumber([&] { join->Edit(); }), dberr::kReadOnly);
    // A computed field of an updatable set.
    auto computed = db_->OpenRecordset(u"SELECT name, n + 1 AS m FROM people", {true});
    computed->Edit();
    EXPECT_EQ(ErrorNumber([&] { computed->SetField(u"m", Value(1)); }), dberr::kReadOnly);
    // A set outlives its connection object, until it is closed.
    auto set = db_->OpenRecordset(u"SELECT n FROM people ORDER BY n");
    db_.reset();
    set->MoveLast();
    EXPECT_EQ(set->Field(u"n").ToInt32(), 2);
    set->Close();
    EXPECT_THROW(set->MoveFirst(), DbError);
}

INSTANTIATE_TEST_SUITE_P(Backends, RecordsetTest,
                         ::testing::Values(ConnectionKind::Sqlite, ConnectionKind::Postgres),
                         [](const auto& p) {
                             return p.param == ConnectionKind::Sqlite ? "Sqlite" : "Postgres";
                         });

}  // namespace
}  // namespace quarrymink
