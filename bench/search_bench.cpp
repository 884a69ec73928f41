// Search benchmark on tables of full names with their keys, in SQLite with the key index:
// tables of distinct names ("First Last", every row different, as a table of people holds
// them) of 10,000, 100,000 and 1,000,000 rows (10,000,000 with --huge), and, as a second
// case, tables that repeat a few thousand names. For each table: candidate rows per query,
// the median search time over 50 fixed queries with Compare 0 and with Compare 3, the median
// time of the raw candidate query (the same SQL, rows read, not scored), their ratio, and the
// process's private memory; for the distinct names also the median time of PostgreSQL's
// trigram nearest-neighbour query (pg_trgm, GiST index, top 21) on the same names, in the
// tests' private server (or the one QM_PG_CONNINFO names), as the peer.
//
// With --pg (for instance "bench_search --pg 1000000") it measures PostgreSQL instead: the
// distinct names in the server with the key index, the plain search (scored here), the
// search scored in the server with 0 and with 2 parallel workers, the raw candidate query
// and the trigram peer, with the processor times and the machine's load.
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
        if (sql.empty())
            sql = u"INSERT INTO NameData (Key, Name) VALUES ";
        else
            sql += u",";
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
        u"smyth",      u"jonson",  u"katryn smith", u"stefen",     u"jefry",      u"filip",    u"shon",
        u"clair",      u"thomson", u"macdonald",    u"reed",       u"nial",       u"kathrine", u"jon smith",
        u"mary kelly", u"robert",  u"rupert",       u"night",      u"rite",       u"benet",    u"hughs",
        u"litel",      u"obrien",  u"karl fisher",  u"eric",       u"fredrik",    u"isobel",   u"jayne",
        u"luis",       u"mathew",  u"nicolas",      u"patric",     u"rebeka",     u"suzan",    u"tereza",
        u"vivien",     u"zoey",    u"alan",         u"brian grey", u"christofer", u"davis",    u"evens",
        u"harris",     u"jaxon",   u"lee",          u"martyn",     u"murfy",      u"nielsen",  u"stuart",
        u"zimerman",
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

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
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
    engine.Settings().tableName = u"NameData";
    engine.Settings().keyFieldName = u"Key";
    engine.Settings().textFieldName = u"Name";
    engine.Settings().idFieldName = u"Ident";
    Figures figures;
    for (const int mode : {0, 1, 2}) {
        if (mode == 2 && !rowByRow) break;
        engine.Settings().compare = mode == 1 ? CompareAuto : CompareAll;
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
    std::printf(
        "%-16s %9zu rows  %7zu cand/query  search %7.2f ms (processor %7.2f ms; Compare 3: %7.2f ms)"
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
        if (!Run("DROP TABLE IF EXISTS trigram_names") || !Run("CREATE TABLE trigram_names (name text)"))
            return 0;
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
            PGresult* result =
                PQexecParams(pg_, "SELECT name FROM trigram_names ORDER BY name <-> $1 LIMIT 21", 1, nullptr,
                             values, nullptr, nullptr, 0);
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

// The processor seconds a process of this machine (a server backend) has used, from the
// scheduler's own count in nanoseconds (/proc/PID/schedstat).
double ProcessSeconds(long pid) {
    std::FILE* stat = std::fopen(("/proc/" + std::to_string(pid) + "/schedstat").c_str(), "r");
    if (!stat) return 0;
    unsigned long long nanoseconds = 0;
    if (std::fscanf(stat, "%llu", &nanoseconds) != 1) nanoseconds = 0;
    std::fclose(stat);
    return static_cast<double>(nanoseconds) * 1e-9;
}

// A text for COPY's text format.
std::string CopyField(std::u16string_view text) {
    std::string out;
    for (const char c : Utf16ToUtf8(text)) {
        if (c == '\\' || c == '\t' || c == '\n' || c == '\r') out += '\\';
        out += c == '\t' ? 't' : c == '\n' ? 'n' : c == '\r' ? 'r' : c;
    }
    return out;
}

struct PgFigures {
    double plain = 0, plainCpu = 0;    // scored on the client; this process's processor time
    double textOrder = 0;              // scored on the client, every row handed over in text order
    double inDatabase[2] = {0, 0};     // scored in the server, 0 and 2 parallel workers
    double inDatabaseCpu[2] = {0, 0};  // the server backend's processor time (not its workers')
    double raw = 0;
    std::size_t candidates = 0;
};

// The names in table namedata of the server, keyed and indexed as makedb --key-index makes
// them, loaded with COPY; false when the server refused.
bool LoadPostgresNames(const char* conninfo, std::size_t rows, const NameSource& names) {
    PGconn* pg = PQconnectdb(conninfo);
    const auto run = [pg](const char* sql) {
        PGresult* result = PQexec(pg, sql);
        const ExecStatusType status = PQresultStatus(result);
        PQclear(result);
        if (status == PGRES_COMMAND_OK || status == PGRES_COPY_IN) return true;
        std::fprintf(stderr, "PostgreSQL figures not measured: %s", PQerrorMessage(pg));
        return false;
    };
    bool ok = PQstatus(pg) == CONNECTION_OK && run("CREATE EXTENSION IF NOT EXISTS quarrymink") &&
              run("DROP TABLE IF EXISTS namedata") &&
              // No autovacuum: its ANALYZE, running beside the VACUUM below, would keep that VACUUM
              // from marking the pages all-visible, and the index-only scans would visit the table.
              run("CREATE TABLE namedata (key VARCHAR(50), ident INTEGER PRIMARY KEY, name VARCHAR(50)) "
                  "WITH (autovacuum_enabled = off)") &&
              run("COPY namedata (key, ident, name) FROM STDIN");
    if (ok) {
        KeyCoder coder;
        coder.SetMaxKeyLength(50);
        std::string batch;
        for (std::size_t i = 0; i < rows; ++i) {
            const std::u16string name = names(i);
            batch += CopyField(coder.MakeCode(name)) + "\t" + std::to_string(i + 1) + "\t" + CopyField(name) +
                     "\n";
            if (batch.size() > (1 << 20) || i + 1 == rows) {
                PQputCopyData(pg, batch.data(), static_cast<int>(batch.size()));
                batch.clear();
            }
        }
        PQputCopyEnd(pg, nullptr);
        PGresult* copied = PQgetResult(pg);
        ok = PQresultStatus(copied) == PGRES_COMMAND_OK;
        PQclear(copied);
        ok = ok && run("CREATE INDEX ndxname ON namedata (name)") &&
             run("CREATE INDEX ndxkey ON namedata (key text_pattern_ops, name text_pattern_ops, ident)") &&
             run("VACUUM ANALYZE namedata");
    }
    PQfinish(pg);
    return ok;
}

PgFigures MeasurePostgres(const char* conninfo) {
    auto db = ConnectPostgres(conninfo, Access::ReadOnly);
    auto backend = db->OpenRecordset(u"SELECT pg_backend_pid() AS pid");
    const long pid = backend->Field(u"pid").ToInt32();
    backend->Close();
    SilentHost host;
    MatchEngine engine(host);
    engine.Settings().connectionType = qmADO;
    engine.Settings().tableName = u"namedata";
    engine.Settings().keyFieldName = u"key";
    engine.Settings().textFieldName = u"name";
    engine.Settings().idFieldName = u"ident";
    PgFigures figures;
    // Plain, then in the server with 0 and with 2 parallel workers, then plain with events after
    // every row (the candidates sorted by the server and handed over in text order).
    for (const int mode : {0, 1, 2, 3}) {
        engine.Settings().scoreInDatabase = mode == 1 || mode == 2;
        engine.SetEventInterval(std::chrono::milliseconds(mode == 3 ? 0 : 10));
        db->Execute(mode == 1 ? u"SET max_parallel_workers_per_gather = 0"
                              : u"SET max_parallel_workers_per_gather = 2");
        std::vector<double> times, cpu;
        for (const std::u16string& query : Queries()) {
            std::u16string text = query;
            const bool client = mode == 0 || mode == 3;
            const double cpuStart = client ? ProcessorSeconds() : ProcessSeconds(pid);
            const auto start = Clock::now();
            engine.BestMatchSearch(db.get(), text);
            times.push_back(Seconds(start));
            cpu.push_back((client ? ProcessorSeconds() : ProcessSeconds(pid)) - cpuStart);
        }
        if (mode == 0) figures.plain = Median(times), figures.plainCpu = Median(cpu);
        if (mode == 1 || mode == 2) figures.inDatabase[mode - 1] = Median(times);
        if (mode == 1 || mode == 2) figures.inDatabaseCpu[mode - 1] = Median(cpu);
        if (mode == 3) figures.textOrder = Median(times);
    }
    // The raw query: the plain search's own SQL (the names are in the "C" collation, so
    // without the sort, which the search leaves to the few accepted rows), every row's three
    // fields read.
    std::vector<double> raws;
    for (const std::u16string& query : Queries()) {
        std::u16string sql = engine.CandidateQuery(engine.MakeCode(query));
        sql.resize(sql.find(u" ORDER BY "));
        const auto start = Clock::now();
        auto set = db->OpenRecordset(sql);
        std::u16string key, name;
        for (; !set->Eof(); set->MoveNext()) {
            set->FieldTextAt(0, key);
            set->FieldTextAt(1, name);
            (void)set->FieldAt(2).ToInt32();
            ++figures.candidates;
        }
        set->Close();
        raws.push_back(Seconds(start));
    }
    figures.raw = Median(raws);
    figures.candidates /= Queries().size();
    return figures;
}

double LoadAverage() {
    std::FILE* file = std::fopen("/proc/loadavg", "r");
    double load = -1;
    if (file) {
        if (std::fscanf(file, "%lf", &load) != 1) load = -1;
        std::fclose(file);
    }
    return load;
}

void PrintPostgres(std::size_t rows, const PgFigures& f, double trigram) {
    std::printf(
        "PostgreSQL %9zu distinct names  %7zu cand/query  plain search %7.2f ms (client processor %7.2f ms;"
        " in text order %7.2f ms)"
        "  in the server: 0 workers %7.2f ms (backend processor %7.2f ms), 2 workers %7.2f ms (backend %7.2f "
        "ms)"
        "  raw query %7.2f ms  trigram top 21 %7.2f ms  load %.1f\n",
        rows, f.candidates, f.plain * 1e3, f.plainCpu * 1e3, f.textOrder * 1e3, f.inDatabase[0] * 1e3,
        f.inDatabaseCpu[0] * 1e3, f.inDatabase[1] * 1e3, f.inDatabaseCpu[1] * 1e3, f.raw * 1e3, trigram * 1e3,
        LoadAverage());
    std::fflush(stdout);
}
#endif

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::vector<std::size_t> sizes = {10'000, 100'000, 1'000'000};
    bool postgres = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--huge")
            sizes.push_back(10'000'000);
        else if (std::string_view(argv[i]) == "--pg")
            postgres = true;
        else
            sizes = {static_cast<std::size_t>(std::atol(argv[i]))};
    }
    const fs::path dir = fs::temp_directory_path() / "quarrymink-bench";
    fs::create_directories(dir);

#ifdef QM_BENCH_WITH_PG
    const char* conninfo = std::getenv("QM_PG_CONNINFO");
#ifdef QM_BENCH_WITH_PG_EXTENSION
    if (!conninfo) {
        // The private server gets the extension as built here; a named server must have it.
        std::vector<std::string> files;
        for (std::string_view list = QM_PG_EXTENSION_FILE_LIST; !list.empty();) {
            const std::size_t bar = std::min(list.find('|'), list.size());
            files.emplace_back(list.substr(0, bar));
            list.remove_prefix(std::min(bar + 1, list.size()));
        }
        quarrymink::testing::UsePgInstallation(
            {QM_PG_BINDIR, QM_PG_SHAREDIR, QM_PG_PKGLIBDIR, {QM_PG_EXTENSION_LIBRARY}, files});
    }
#endif
    if (!conninfo) conninfo = quarrymink::testing::PgConninfo();  // a private server of our own
    if (!conninfo)
        std::fprintf(stderr, "trigram peer not measured: %s\n",
                     quarrymink::testing::PgUnavailableReason().c_str());
    std::unique_ptr<TrigramPeer> peer;
    if (conninfo) peer = std::make_unique<TrigramPeer>(conninfo);
#endif

    const bench::DistinctNames distinct(QM_BENCH_NAMES, *std::max_element(sizes.begin(), sizes.end()));
    const NameSource distinctNames = [&](std::size_t i) { return *Utf8ToUtf16(distinct(i)); };
    const NameSource repeatedNames = [](std::size_t i) { return bench::FullName(i); };
#ifdef QM_BENCH_WITH_PG
    if (postgres) {
        // The PostgreSQL figures only: the same distinct names in the server.
        for (const std::size_t rows : sizes) {
            if (!conninfo || !peer || !LoadPostgresNames(conninfo, rows, distinctNames)) return 1;
            const PgFigures figures = MeasurePostgres(conninfo);
            PrintPostgres(rows, figures, peer->Measure(rows, distinctNames));
        }
        return 0;
    }
#else
    if (postgres) {
        std::fprintf(stderr, "built without PostgreSQL\n");
        return 1;
    }
#endif
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
