// Search benchmark: tables of 10,000, 100,000 and 1,000,000 synthetic full names with their
// keys, in SQLite (with and without a key index) and in PostgreSQL when a server is given
// (QM_PG_CONNINFO) or can be started. For each table: the median search time over 50 fixed
// queries, the median time of the raw candidate query (same SQL, rows read, not scored),
// their ratio, and the peak memory so far.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "names.h"
#ifdef QM_BENCH_WITH_PG
#include "pg_server.h"
#endif
#include "quarrymink/database.h"
#include "quarrymink/search.h"
#include "quarrymink/unicode.h"

namespace {

using namespace quarrymink;
using Clock = std::chrono::steady_clock;

class SilentHost final : public SearchHost {
public:
    std::u16string DisplayName() const override { return u"bench"; }
    void ShowMessage(std::u16string_view text, MessageIcon) override {
        std::fprintf(stderr, "message: %s\n", Utf16ToUtf8(text).c_str());
    }
    RecodeChoice AskRecodeWarning() override { return RecodeChoice::Cancel; }
};

std::u16string Quoted(std::u16string_view text) {
    std::u16string out = u"'";
    for (char16_t ch : text) {
        if (ch == u'\'') out += u'\'';
        out += ch;
    }
    return out + u"'";
}

// Fills table NameData (Key, Ident, Name) with count full names in batches of inserts.
void Fill(Connection& db, std::size_t count, bool keyIndex, bool postgres) {
    db.Execute(u"DROP TABLE IF EXISTS NameData");
    db.Execute(postgres ? u"CREATE TABLE NameData (Key VARCHAR(50), Ident SERIAL PRIMARY KEY, Name VARCHAR(50))"
                        : u"CREATE TABLE NameData (Key VARCHAR(50), Ident INTEGER PRIMARY KEY, Name VARCHAR(50))");
    // Names are made as they are inserted: the benchmark's own memory stays flat.
    KeyCoder coder;
    coder.SetMaxKeyLength(50);
    db.Execute(u"BEGIN");
    std::u16string sql;
    for (std::size_t i = 0; i < count; ++i) {
        const std::u16string name = bench::FullName(i);
        if (sql.empty()) sql = u"INSERT INTO NameData (Key, Name) VALUES ";
        else sql += u",";
        sql += u"(" + Quoted(coder.MakeCode(name)) + u"," + Quoted(name) + u")";
        if ((i + 1) % 1000 == 0 || i + 1 == count) {
            db.Execute(sql);
            sql.clear();
        }
    }
    db.Execute(u"COMMIT");
    db.Execute(u"CREATE INDEX ndxName ON NameData (Name)");
    // The key index also carries the text and the identifier, so that the candidate rows
    // are read from the index alone.
    if (keyIndex) db.Execute(u"CREATE INDEX ndxKey ON NameData (Key, Name, Ident)");
    if (postgres) db.Execute(u"ANALYZE NameData");
}

// Fifty queries as users type them: misspellings of names the table holds.
std::vector<std::u16string> Queries() {
    const std::u16string typed[] = {
        u"smyth", u"jonson", u"katryn smith", u"stefen", u"jefry", u"filip", u"shon", u"clair", u"thomson",
        u"macdonald", u"reed", u"nial", u"kathrine", u"jon smith", u"mary kelly", u"robert", u"rupert",
        u"night", u"rite", u"benet", u"hughs", u"litel", u"obrien", u"karl fisher", u"eric", u"fredrik",
        u"isobel", u"jayne", u"luis", u"mathew", u"nicolas", u"patric", u"rebeka", u"suzan", u"tereza",
        u"vivien", u"zoey", u"alan", u"brian grey", u"christofer", u"davis", u"evens", u"harris",
        u"jaxon", u"lee", u"martyn", u"murfy", u"nielsen", u"stuart", u"zimerman",
    };
    return {std::begin(typed), std::end(typed)};
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : (v[v.size() / 2] + v[(v.size() - 1) / 2]) / 2;
}

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

long PeakMemoryMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// The private memory the process holds now (after the searches), from /proc: its heap and
// stacks, without the pages of the database file that SQLite maps into memory.
long PrivateMemoryMiB() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status) return -1;
    char line[256];
    long kib = -1;
    while (std::fgets(line, sizeof line, status))
        if (std::sscanf(line, "RssAnon: %ld kB", &kib) == 1) break;
    std::fclose(status);
    return kib < 0 ? -1 : kib / 1024;
}

void Measure(const char* label, std::size_t rows, Connection& db, bool postgres) {
    SilentHost host;
    MatchEngine engine(host);
    engine.tableName = u"NameData";
    engine.keyFieldName = u"Key";
    engine.textFieldName = u"Name";
    engine.idFieldName = u"Ident";
    engine.connectionType = postgres ? qmADO : qmDAO;

    std::vector<double> searches, raws;
    std::size_t candidates = 0;
    for (const std::u16string& query : Queries()) {
        std::u16string text = query;
        auto start = Clock::now();
        engine.BestMatchSearch(&db, text);
        searches.push_back(Seconds(start));

        start = Clock::now();
        auto set = db.OpenRecordset(engine.CandidateQuery(engine.searchCode));
        if (!(set->Bof() && set->Eof())) {
            set->MoveLast();
            candidates += static_cast<std::size_t>(set->RecordCount());
            set->MoveFirst();
            for (; !set->Eof(); set->MoveNext()) {
                (void)set->Field(u"Key").ToText();
                (void)set->Field(u"Name").ToText();
                (void)set->Field(u"Ident").ToInt32();
            }
        }
        set->Close();
        raws.push_back(Seconds(start));
    }
    const double search = Median(searches), raw = Median(raws);
    std::printf(
        "%-26s %9zu rows  %8zu cand/query  search %8.2f ms  raw query %8.2f ms  ratio %5.2f  private %4ld MiB"
        "  peak %4ld MiB\n",
        label, rows, candidates / Queries().size(), search * 1e3, raw * 1e3, raw > 0 ? search / raw : 0.0,
        PrivateMemoryMiB(), PeakMemoryMiB());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::vector<std::size_t> sizes = {10'000, 100'000, 1'000'000};
    if (argc > 1) sizes = {static_cast<std::size_t>(std::atol(argv[1]))};
    const fs::path dir = fs::temp_directory_path() / "quarrymink-bench";
    fs::create_directories(dir);

    std::unique_ptr<Connection> pgdb;
    const char* conninfo = std::getenv("QM_PG_CONNINFO");
#ifdef QM_BENCH_WITH_PG
    if (!conninfo) conninfo = quarrymink::testing::PgConninfo();  // a private server of our own
    if (!conninfo) std::fprintf(stderr, "PostgreSQL not measured: %s\n", quarrymink::testing::PgUnavailableReason().c_str());
#endif
    if (conninfo) {
        try {
            pgdb = ConnectPostgres(conninfo);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "PostgreSQL not measured: %s\n", e.what());
        }
    }

    for (const std::size_t rows : sizes) {
        for (const bool keyIndex : {false, true}) {
            const fs::path path = dir / ("names-" + std::to_string(rows) + (keyIndex ? "-ix" : "") + ".db");
            fs::remove(path);
            auto db = CreateSqlite(path.string());
            Fill(*db, rows, keyIndex, false);
            Measure(keyIndex ? "SQLite, key index" : "SQLite, no key index", rows, *db, false);
            db.reset();
            fs::remove(path);
        }
        if (pgdb) {
            Fill(*pgdb, rows, true, true);
            Measure("PostgreSQL, key index", rows, *pgdb, true);
        }
    }
    return 0;
}
