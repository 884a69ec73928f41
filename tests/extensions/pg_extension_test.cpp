// The PostgreSQL extension in private servers: its functions agree with the library, bad
// input fails cleanly in any database encoding, its ranked list is the engine's, and a table
// spread over two servers with postgres_fdw ranks as one table does.
#include <gtest/gtest.h>
#include <libpq-fe.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "extension_paths.h"
#include "pg_server.h"
#include "quarrymink/database.h"
#include "quarrymink/sampledb.h"
#include "recording_host.h"
#include "scalar_cases.h"

namespace quarrymink {
namespace {

namespace pgt = ::quarrymink::testing;
using Rows = std::vector<std::vector<std::string>>;

// A plain libpq session: the tests speak the server's own SQL.
class Session {
public:
    explicit Session(const std::string& conninfo) : conn_(PQconnectdb(conninfo.c_str()), &PQfinish) {
        if (PQstatus(conn_.get()) != CONNECTION_OK) throw std::runtime_error(PQerrorMessage(conn_.get()));
    }

    // The rows of sql, NULL as "NULL"; throws with the server's message.
    Rows Query(const std::string& sql, const std::vector<std::string>& params = {}) {
        std::vector<const char*> values;
        for (const std::string& p : params) values.push_back(p.c_str());
        const std::unique_ptr<PGresult, decltype(&PQclear)> result(
            PQexecParams(conn_.get(), sql.c_str(), int(values.size()), nullptr, values.data(), nullptr,
                         nullptr, 0),
            &PQclear);
        PGresult* r = result.get();
        if (PQresultStatus(r) != PGRES_TUPLES_OK && PQresultStatus(r) != PGRES_COMMAND_OK) {
            const char* primary = PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY);
            throw std::runtime_error(primary ? primary : PQerrorMessage(conn_.get()));
        }
        Rows rows(static_cast<std::size_t>(PQntuples(r)));
        for (int i = 0; i < PQntuples(r); ++i)
            for (int j = 0; j < PQnfields(r); ++j)
                rows[std::size_t(i)].push_back(PQgetisnull(r, i, j) ? "NULL" : PQgetvalue(r, i, j));
        return rows;
    }
    // The socket folder the session's server listens in.
    std::string Host() const { return PQhost(conn_.get()); }
    // The value of SELECT expression, or "ERROR: " and the message.
    std::string Value(const std::string& expression) {
        try {
            return Query("SELECT " + expression).at(0).at(0);
        } catch (const std::runtime_error& e) {
            return std::string("ERROR: ") + e.what();
        }
    }

private:
    std::unique_ptr<PGconn, decltype(&PQfinish)> conn_;
};

std::string Conninfo(int server, const std::string& extra = {}) {
    const char* conninfo = pgt::PgConninfo(server);
    if (!conninfo) throw std::runtime_error("no test server: " + pgt::PgUnavailableReason());
    return conninfo + extra;
}

// The sample names in namedata (key, ident, name), keyed by the library.
void LoadNames(const std::string& conninfo) {
    std::ifstream in(QM_SOURCE_DATA_DIR "/Names", std::ios::binary);
    BuildNameDatabase(std::string(std::istreambuf_iterator<char>(in), {}), conninfo);
}

class PgExtensionTest : public ::testing::Test {
protected:
    // Every server runs from a copy of the installation with the extension added; a missing
    // server fails the test with the reason.
    void SetUp() override {
        pgt::UsePgInstallation({QM_PG_BINDIR,
                                QM_PG_SHAREDIR,
                                QM_PG_PKGLIBDIR,
                                {QM_PG_EXTENSION_LIBRARY},
                                {QM_PG_EXTENSION_FILES}});
        db_ = std::make_unique<Session>(Conninfo(0, " dbname=" + Database(0)));
        db_->Query("CREATE EXTENSION quarrymink");
    }

    // A database of this test's own on the server, so that the tests of one run do not meet.
    static std::string Database(int server) {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        Session admin(Conninfo(server));
        if (admin.Query("SELECT 1 FROM pg_database WHERE datname = $1", {name}).empty())
            admin.Query("CREATE DATABASE \"" + name + "\"");
        return name;
    }

    // The list qm_search gives, written as Outcome writes the engine's.
    static std::string RankedList(Session& db, const std::string& table, const std::u16string& text,
                                  int compare) {
        return Listed(
            db.Query("SELECT match, id, score, listed, last_id FROM qm_search($1, 'key', 'name', "
                     "'ident', $2, $3::int)",
                     {table, Utf16ToUtf8(text), std::to_string(compare)}));
    }
    // Rows of (text, id, score, listed, last_id) as the listed matches and the last accepted id.
    static std::string Listed(const Rows& rows) {
        std::string out;
        for (const auto& row : rows)
            if (row[3] == "t") out += row[2] + " " + row[0] + "#" + row[1] + ", ";
        return out + "IDValue " + (rows.empty() ? "-1" : rows[0][4]);
    }

    std::unique_ptr<Session> db_;
};

const std::vector<std::pair<std::u16string, int>> kQueries = {
    {u"smyth", 0},   {u"katryn", 0},   {u"jefry", 0},   {u"  john   smith ", 0}, {u"john smith", 3},
    {u"o'brien", 0}, {u"mcdonald", 0}, {u"bennett", 0}, {u"walker", 0},          {u"abraham harris", 1},
    {u"harris", 2},  {u"", 0},         {u"x", 0},       {u"peters", 0},          {u"anderson", 0},
};

TEST_F(PgExtensionTest, FunctionsAgreeWithTheLibraryAndRefuseBadInput) {
    for (const auto& c : pgt::ScalarCases()) EXPECT_EQ(db_->Value(c.expression), c.expected) << c.expression;
    // The prefix is ready for LIKE: its _ escaped.
    EXPECT_EQ(db_->Value("qm_class_prefix(qm_code('_abc'))"), "\x02\\_");
    EXPECT_EQ(db_->Value("qm_final_cut(ARRAY[300, 290, 100])"), "240");
    EXPECT_EQ(db_->Value("qm_final_cut(ARRAY[]::int[])"), "0");

    // Bad input fails cleanly, in any encoding.
    for (const auto& c : pgt::FailingCases())
        EXPECT_NE(db_->Value(c.expression).find("ERROR: " + c.expected), std::string::npos) << c.expression;
    EXPECT_EQ(db_->Value("qm_align(repeat('a', 5000), 'a', 100)"),
              "ERROR: qm_align: texts longer than 4096 characters are not aligned");
    // A database without an encoding passes bytes through: invalid UTF-8 is refused.
    db_->Query("CREATE DATABASE plain ENCODING 'SQL_ASCII' TEMPLATE template0");
    Session plain(Conninfo(0, " dbname=plain"));
    plain.Query("CREATE EXTENSION quarrymink");
    EXPECT_EQ(plain.Value("qm_code(E'f\\xff')"), "ERROR: qm_code: the text is not valid UTF-8");
    // A Latin-1 database codes the same text to the same key.
    db_->Query("CREATE DATABASE latin ENCODING 'LATIN1' TEMPLATE template0");
    Session latin(Conninfo(0, " dbname=latin client_encoding=UTF8"));
    latin.Query("CREATE EXTENSION quarrymink");
    const std::string text = "'\u00c6r\u00f8sk\u00f8bing'";
    EXPECT_EQ(latin.Value("qm_code(" + text + ")"), db_->Value("qm_code(" + text + ")"));
    EXPECT_EQ(latin.Value("qm_soundex(" + text + ")"), "62152");
}

// A search's outcome: the list with scores, and IDValue.
std::string Outcome(const MatchEngine& engine) {
    std::string out;
    for (std::size_t k = 0; k < engine.List().size(); ++k)
        out += std::to_string(engine.Result().matches.ScoreAt(k)) + " " + Utf16ToUtf8(engine.List()[k].text) +
               "#" + std::to_string(engine.List()[k].id) + ", ";
    return out + "IDValue " + std::to_string(engine.Result().idValue);
}

TEST_F(PgExtensionTest, ScoringInTheServerListsAsTheClientAndAsOneTableOverTwoServers) {
    LoadNames(Conninfo(0, " dbname=" + Database(0)));
    // Ties: texts that differ only in case have one key, and so one score.
    db_->Query(
        "INSERT INTO namedata (name, key) SELECT upper(name), key FROM namedata WHERE ident % 4 = 0 AND name "
        "~ '^[A-Za-z ]+$'");
    // A short key field: the search key is cut to it too (the rows are those whose keys fit). Its
    // "quoted" name keeps its case in the server as in the client's statements.
    db_->Query("CREATE TABLE \"Short Keys\" (key VARCHAR(16), ident INT, name VARCHAR(50))");
    db_->Query("INSERT INTO \"Short Keys\" SELECT key, ident, name FROM namedata WHERE length(key) <= 16");
    auto connection = ConnectPostgres(Conninfo(0, " dbname=" + Database(0)));
    const auto search = [&](const char16_t* table, const std::u16string& query, int compare,
                            const char16_t* filter, bool inDatabase, pgt::RecordingHost& host) {
        MatchEngine engine(host, {table, u"key", u"name", u"ident", filter, qmADO, compare});
        engine.Settings().scoreInDatabase = inDatabase;
        engine.SetEventInterval(std::chrono::milliseconds(0));
        std::u16string text = query;
        engine.BestMatchSearch(connection.get(), text);
        EXPECT_TRUE(host.messages.empty()) << Utf16ToUtf8(host.messages.at(0));
        return Outcome(engine);
    };
    for (const char16_t* table : {u"namedata", u"\"Short Keys\""})
        for (const char16_t* filter : {u"", u"ident % 3 <> 0", u"name LIKE '[A-M]%'"})
            for (const auto& [query, compare] : kQueries)
                for (const int mode : {compare, 3 - compare}) {
                    SCOPED_TRACE(Utf16ToUtf8(query + u" in " + table + u" where " + filter) + " compare " +
                                 std::to_string(mode));
                    pgt::RecordingHost client, server;
                    EXPECT_EQ(search(table, query, mode, filter, true, server),
                              search(table, query, mode, filter, false, client));
                    // A search in the server shows progress 0 and 100, and MatchFound for ranked rows.
                    EXPECT_TRUE(server.found.size() <= 21 &&
                                (client.progress.empty() || server.progress == std::vector{0, 100}));
                    EXPECT_EQ(server.shown, client.shown);
                }
    // The query the README gives hosts, with a filter of their own, ranks the same.
    std::ifstream readme(QM_SOURCE_DATA_DIR "/../README.md");
    const std::string text(std::istreambuf_iterator<char>(readme), {});
    const std::size_t start = text.find("WITH search AS (SELECT qm_code(");
    std::string sql = text.substr(start, text.find("```", start) - start);
    sql.replace(sql.find("active = 1"), 10, "n.ident > 0");
    EXPECT_EQ(Listed(db_->Query(sql)), RankedList(*db_, "namedata", u"smyth", 0));

    // A table spread over two servers with postgres_fdw ranks as one table does.
    Session shard(Conninfo(1, " dbname=" + Database(1)));
    shard.Query("CREATE EXTENSION quarrymink");
    shard.Query("CREATE TABLE names_shard (key VARCHAR(50), ident INT PRIMARY KEY, name VARCHAR(50))");

    db_->Query("CREATE EXTENSION postgres_fdw");
    db_->Query("CREATE SERVER shard FOREIGN DATA WRAPPER postgres_fdw OPTIONS (host '" + shard.Host() +
               "', port '5432', dbname '" + Database(1) + "', extensions 'quarrymink')");
    db_->Query("CREATE USER MAPPING FOR CURRENT_USER SERVER shard OPTIONS (user 'qm')");
    db_->Query("CREATE TABLE names (key VARCHAR(50), ident INT, name VARCHAR(50)) PARTITION BY HASH (ident)");
    db_->Query("CREATE TABLE names_here PARTITION OF names FOR VALUES WITH (MODULUS 2, REMAINDER 0)");
    db_->Query(
        "CREATE FOREIGN TABLE names_there PARTITION OF names FOR VALUES WITH (MODULUS 2, REMAINDER 1) "
        "SERVER shard OPTIONS (table_name 'names_shard')");
    db_->Query("INSERT INTO names SELECT key, ident, name FROM namedata");
    // The shard holds its part of the rows.
    EXPECT_GT(std::stoi(shard.Query("SELECT count(*) FROM names_shard")[0][0]), 1000);

    for (const auto& [query, compare] : kQueries)
        EXPECT_EQ(RankedList(*db_, "names", query, compare), RankedList(*db_, "namedata", query, compare))
            << Utf16ToUtf8(query);

    // Without the extension the search scores on the client.
    db_->Query("DROP EXTENSION quarrymink CASCADE");
    pgt::RecordingHost client, server;
    EXPECT_EQ(search(u"namedata", u"smyth", 0, u"", true, server),
              search(u"namedata", u"smyth", 0, u"", false, client));
    EXPECT_EQ(server.found, client.found);
}

}  // namespace
}  // namespace quarrymink
