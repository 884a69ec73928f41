// Search benchmark on tables of full names with their keys, in SQLite with the key index:
// tables of distinct names ("First Last", every row different, as a table of people holds
// them) of 10,000, 100,000 and 1,000,000 rows (10,000,000 with --huge), and, as a second
// case, tables that repeat a few thousand names. For each table: candidate rows per query,
// the median search time over 50 fixed queries with Compare 0 and with Compare 3, the median
// time of the raw candidate query (the same SQL, rows read, not scored), their ratio, and the
// process's private memory; for the distinct names also the median time of PostgreSQL's
// trigram nearest-neighbour query (pg_trgm, GiST index, top 21) on the same names, in the
// tests' private server (or the one QM_PG_CONNINFO names), as the peer.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "names.h"
#ifdef QM_BENCH_WITH_PG
#include <libpq-fe.h>

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
    bool ListensToMatchFound() const override { return false; }
};

// The names of a table: distinct, or the repeated mix.
using NameSource = std::function<std::u16string(std::size_t)>;

std::u16string Quoted(std::u16string_view text) {
    std::u16string out = u"'";
    for (char16_t ch : text) {
        if (ch == u'\'') out += u'\'';
        out += ch;
    }
    return out + u"'";
}

// Fills table NameData (Key, Ident, Name) with count full names in batches of inserts.
void Fill(Connection& db, std::size_t count, const NameSource& names) {
    db.Execute(u"DROP TABLE IF EXISTS NameData");
    db.Execute(u"CREATE TABLE NameData (Key VARCHAR(50), Ident INTEGER PRIMARY KEY, Name VARCHAR(50))");
    // Names are made as they are inserted: the benchmark's own memory stays flat.
    KeyCoder coder;
    coder.SetMaxKeyLength(50);
    db.Execute(u"BEGIN");
    std::u16string sql;
    for (std::size_t i = 0; i < count; ++i) {
        const std::u16string name = names(i);
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
    db.Execute(u"CREATE INDEX ndxKey ON NameData (Key, Name, Ident)");
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

// The processor time of the whole process: on a busy machine it shows what a search costs
// better than the time on the clock, which then includes waiting for a core.
double ProcessorSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

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

struct Figures {
    double search[2] = {0, 0};  // Compare 0, Compare 3
    double cpu = 0;             // Compare 0: processor time of both threads
    double textOrder = 0;       // Compare 0, row by row in the query's text order
    double raw = 0;
    std::size_t candidates = 0;
};

Figures Measure(Connection& db, bool rowByRow) {
    SilentHost host;
    MatchEngine engine(host);
    engine.tableName = u"NameData";
    engine.keyFieldName = u"Key";
    engine.textFieldName = u"Name";
    engine.idFieldName = u"Ident";
    Figures figures;
    for (const int mode : {0, 1, 2}) {
        if (mode == 2 && !rowByRow) break;
        engine.compare = mode == 1 ? CompareAuto : CompareAll;
        // Events after every row take the way of a host that watches each row: the query's
        // sort, every row handed over in text order (the way every search went before).
        engine.SetEventInterval(std::chrono::milliseconds(mode == 2 ? 0 : 10));
        std::vector<double> searches, cpu;
        for (const std::u16string& query : Queries()) {
            std::u16string text = query;
            const double cpuStart = ProcessorSeconds();
            const auto start = Clock::now();
            engine.BestMatchSearch(&db, text);
            searches.push_back(Seconds(start));
            cpu.push_back(ProcessorSeconds() - cpuStart);
        }
        if (mode == 0) figures.cpu = Median(cpu);
        (mode == 2 ? figures.textOrder : figures.search[mode]) = Median(searches);
    }
    // The raw query: the search's own SQL (on SQLite without the sort, which the search
    // leaves to the few accepted rows), every row's three fields read.
    std::vector<double> raws;
    std::size_t candidates = 0;
    for (const std::u16string& query : Queries()) {
        std::u16string sql = engine.CandidateQuery(engine.MakeCode(query));
        sql.resize(sql.find(u" ORDER BY "));
        const auto start = Clock::now();
        auto set = db.OpenRecordset(sql);
        std::u16string key, name;
        for (; !set->Eof(); set->MoveNext()) {
            set->FieldTextAt(0, key);
            set->FieldTextAt(1, name);
            (void)set->FieldAt(2).ToInt32();
            ++candidates;
        }
        set->Close();
        raws.push_back(Seconds(start));
    }
    figures.raw = Median(raws);
    figures.candidates = candidates / Queries().size();
    return figures;
}

void Print(const char* label, std::size_t rows, const Figures& f, double trigram) {
    std::printf("%-16s %9zu rows  %7zu cand/query  search %7.2f ms (processor %7.2f ms; Compare 3: %7.2f ms)"
                "  raw query %7.2f ms  ratio %5.2f  private %4ld MiB",
                label, rows, f.candidates, f.search[0] * 1e3, f.cpu * 1e3, f.search[1] * 1e3, f.raw * 1e3,
                f.raw > 0 ? f.search[0] / f.raw : 0.0, PrivateMemoryMiB());
    if (trigram > 0) std::printf("  trigram top 21 %7.2f ms (%.1fx)", trigram * 1e3, trigram / f.search[0]);
    if (f.textOrder > 0) std::printf("  row by row in text order %7.2f ms", f.textOrder * 1e3);
    std::printf("\n");
    std::fflush(stdout);
}

#ifdef QM_BENCH_WITH_PG
// The peer: the same names in PostgreSQL with a trigram GiST index, the 21 nearest names by
// trigram distance. Returns the median time, or 0 when it cannot be measured.
class TrigramPeer {
public:
    explicit TrigramPeer(const char* conninfo) : pg_(PQconnectdb(conninfo)) {
        if (PQstatus(pg_) != CONNECTION_OK || !Run("CREATE EXTENSION IF NOT EXISTS pg_trgm")) Fail();
    }
    ~TrigramPeer() { PQfinish(pg_); }

    double Measure(std::size_t count, const NameSource& names) {
        if (!pg_) return 0;
        if (!Run("DROP TABLE IF EXISTS trigram_names") || !Run("CREATE TABLE trigram_names (name text)")) return 0;
        PQclear(PQexec(pg_, "COPY trigram_names FROM STDIN"));
        std::string batch;
        for (std::size_t i = 0; i < count; ++i) {
            batch += Utf16ToUtf8(names(i));
            batch += '\n';
            if (batch.size() > (1 << 20) || i + 1 == count) {
                PQputCopyData(pg_, batch.data(), static_cast<int>(batch.size()));
                batch.clear();
            }
        }
        PQputCopyEnd(pg_, nullptr);
        PQclear(PQgetResult(pg_));
        if (!Run("CREATE INDEX trigram_names_gist ON trigram_names USING gist (name gist_trgm_ops)") ||
            !Run("ANALYZE trigram_names"))
            return 0;
        std::vector<double> times;
        for (const std::u16string& query : Queries()) {
            const std::string text = Utf16ToUtf8(query);
            const char* values[] = {text.c_str()};
            const auto start = Clock::now();
            PGresult* result = PQexecParams(pg_, "SELECT name FROM trigram_names ORDER BY name <-> $1 LIMIT 21", 1,
                                            nullptr, values, nullptr, nullptr, 0);
            times.push_back(Seconds(start));
            const bool ok = PQresultStatus(result) == PGRES_TUPLES_OK;
            PQclear(result);
            if (!ok) return 0;
        }
        return Median(times);
    }

private:
    bool Run(const char* sql) {
        if (!pg_) return false;
        PGresult* result = PQexec(pg_, sql);
        const bool ok = PQresultStatus(result) == PGRES_COMMAND_OK;
        if (!ok) std::fprintf(stderr, "trigram peer: %s", PQerrorMessage(pg_));
        PQclear(result);
        return ok;
    }
    void Fail() {
        std::fprintf(stderr, "trigram peer not measured: %s", PQerrorMessage(pg_));
        PQfinish(pg_);
        pg_ = nullptr;
    }
    PGconn* pg_;
};
#endif

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::vector<std::size_t> sizes = {10'000, 100'000, 1'000'000};
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--huge") sizes.push_back(10'000'000);
        else sizes = {static_cast<std::size_t>(std::atol(argv[i]))};
    }
    const fs::path dir = fs::temp_directory_path() / "quarrymink-bench";
    fs::create_directories(dir);

#ifdef QM_BENCH_WITH_PG
    const char* conninfo = std::getenv("QM_PG_CONNINFO");
    if (!conninfo) conninfo = quarrymink::testing::PgConninfo();  // a private server of our own
    if (!conninfo)
        std::fprintf(stderr, "trigram peer not measured: %s\n", quarrymink::testing::PgUnavailableReason().c_str());
    std::unique_ptr<TrigramPeer> peer;
    if (conninfo) peer = std::make_unique<TrigramPeer>(conninfo);
#endif

    const bench::DistinctNames distinct(QM_BENCH_NAMES, *std::max_element(sizes.begin(), sizes.end()));
    const NameSource distinctNames = [&](std::size_t i) { return *Utf8ToUtf16(distinct(i)); };
    const NameSource repeatedNames = [](std::size_t i) { return bench::FullName(i); };
    for (const std::size_t rows : sizes) {
        for (const bool repeated : {false, true}) {
            const NameSource& names = repeated ? repeatedNames : distinctNames;
            const fs::path path = dir / ("names-" + std::to_string(rows) + ".db");
            fs::remove(path);
            auto db = CreateSqlite(path.string());
            Fill(*db, rows, names);
            const Figures figures = Measure(*db, !repeated && rows <= 1'000'000);
            double trigram = 0;
#ifdef QM_BENCH_WITH_PG
            if (peer && !repeated) trigram = peer->Measure(rows, names);
#endif
            Print(repeated ? "repeated names" : "distinct names", rows, figures, trigram);
            db.reset();
            fs::remove(path);
        }
    }
    return 0;
}
