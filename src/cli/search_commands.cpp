// The database commands: search, recode, makedb.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "cli.h"
#include "quarrymink/database.h"
#include "quarrymink/sampledb.h"
#include "quarrymink/search.h"
#include "quarrymink/unicode.h"

namespace quarrymink::cli {
namespace {

constexpr const char* kSearchUsage =
    "usage: quarrymink search DATABASE --table T --key K --text X --id I [--compare N]\n"
    "                         [--filter SQL] [--json] [--in-database] [--continue | --recode] TEXT\n"
    "\n"
    "Searches table T of DATABASE for rows whose text sounds like TEXT and prints the\n"
    "ranked matches, best first: score, tab, identifier, tab, text (or one JSON array with\n"
    "--json). A tab, line break, carriage return or backslash inside a text is written as\n"
    "\\t, \\n, \\r or \\\\, so that every match is one line. DATABASE is a SQLite file, or a\n"
    "PostgreSQL URI (postgresql://...) or conninfo (\"host=... dbname=...\"); the search only\n"
    "reads it (--recode writes). Names with blanks are written [Like This]. The search\n"
    "time goes to standard error.\n"
    "\n"
    "  --table T     the table searched\n"
    "  --key K       its key-code field\n"
    "  --text X      its text field\n"
    "  --id I        its identifier field\n"
    "  --compare N   0 all words (default), 1 first word, 2 last word, 3 as many words as TEXT has\n"
    "  --filter SQL  an extra condition on the rows, in the database's SQL, e.g. \"Active = 1\";\n"
    "                it is your own SQL, added in parentheses: it must be one condition (no ';',\n"
    "                no comment, balanced parentheses and quotes) or nothing runs. LIKE patterns\n"
    "                use * ? # [a-z] [!a-z] on SQLite, % _ [a-z] [!a-z] on PostgreSQL\n"
    "  --json        print the matches as JSON\n"
    "  --in-database score in the PostgreSQL server, when the database has the extension\n"
    "                quarrymink (CREATE EXTENSION quarrymink): one query, the same matches;\n"
    "                elsewhere the search scores here as usual\n"
    "  --continue    search a table whose keys carry another version as it is\n"
    "  --recode      recode such a table first\n";

constexpr const char* kRecodeUsage =
    "usage: quarrymink recode DATABASE --table T --key K --text X\n"
    "\n"
    "Rewrites the key field K of every row of table T with the key code of its text X.\n";

constexpr const char* kMakeDbUsage =
    "usage: quarrymink makedb [--key-index] [--replace] WORDLIST DATABASE\n"
    "\n"
    "Builds the SQLite database DATABASE with the table NameData (Key, Ident, Name) from a\n"
    "word list whose entries are separated by '|' (the text before the first '|' is not\n"
    "stored), or that holds one entry a line when it has no '|'. Line breaks around an\n"
    "entry and empty entries are dropped; a list without entries is refused. Prints one\n"
    "line at the end on standard error (a progress bar before it on a terminal).\n"
    "\n"
    "  --key-index   also index the Key field, for fast searches on large tables\n"
    "  --replace     replace an existing DATABASE (without it, an existing file is refused);\n"
    "                the new tables are copied in under the database's locks, so that a\n"
    "                program that has it open sees a sound database throughout\n"
    "\n"
    "DATABASE may also be a PostgreSQL URI (postgresql://...) or conninfo (\"host=...\n"
    "dbname=...\"): the table NameData is built there in one transaction (an existing\n"
    "NameData is refused without --replace, and with it replaced only when the new table is\n"
    "complete); --key-index makes the index on (Key, Name, Ident) that a search's key\n"
    "prefix reads as a range (text_pattern_ops).\n";

// A message of the engine on one line.
std::string OneLine(std::u16string_view text) {
    std::string out = Utf16ToUtf8(text);
    for (std::size_t at; (at = out.find("\r\n")) != std::string::npos;) out.replace(at, 2, " ");
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

// The engine's window, on a terminal: messages to standard error, the recode question
// answered from the command line, a progress bar when standard error is a terminal.
class ConsoleHost final : public SearchHost {
public:
    RecodeChoice answer = RecodeChoice::Cancel;
    bool showProgress = false;
    bool failed = false;
    bool warned = false;

    std::u16string DisplayName() const override { return u"QM"; }
    bool ListensToMatchFound() const override { return false; }
    void ShowMessage(std::u16string_view text, MessageIcon icon) override {
        std::fprintf(stderr, "%s\n", OneLine(text).c_str());
        if (icon == MessageIcon::Critical) failed = true;
    }
    RecodeChoice AskRecodeWarning() override {
        if (answer == RecodeChoice::Cancel) {
            std::fprintf(stderr, "%s\n", OneLine(messages::kRecodeWarning).c_str());
            warned = true;
        }
        return answer;
    }
    void SetProgress(int value) override {
        if (!showProgress) return;
        const int width = 40, filled = value * width / 100;
        std::fprintf(stderr, "\rRecoding [%s%s] %3d%%",
                     std::string(static_cast<std::size_t>(filled), '#').c_str(),
                     std::string(static_cast<std::size_t>(width - filled), '.').c_str(), value);
        if (value == 100) std::fputc('\n', stderr);
        std::fflush(stderr);
    }
};

struct TableOptions {
    std::string database;
    std::u16string table, key, text, id;
};

std::unique_ptr<Connection> Open(const std::string& location, Access access) {
    try {
        return OpenDatabase(location, access);
    } catch (const DbError& e) {
        throw RunError(e.what());
    }
}

// One field of a tab-separated line: the characters that would end the field or the line
// are escaped, and so is the escape character itself.
std::string TabField(std::u16string_view text) {
    const std::string utf8 = Utf16ToUtf8(text);
    std::string out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        switch (c) {
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string JsonString(std::u16string_view text) {
    std::string out = "\"";
    for (const char c : Utf16ToUtf8(text)) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

void RequireTableOptions(const TableOptions& t, bool needId) {
    if (t.database.empty()) throw UsageError("no DATABASE given");
    if (t.table.empty()) throw UsageError("--table is required");
    if (t.key.empty()) throw UsageError("--key is required");
    if (t.text.empty()) throw UsageError("--text is required");
    if (needId && t.id.empty()) throw UsageError("--id is required");
}

// Reads the options shared by search and recode; returns false for an option it does not know.
bool TakeTableOption(std::string_view option, Arguments& args, TableOptions& t) {
    if (option == "--table")
        t.table = FromUtf8(args.TakeValue(option), "--table");
    else if (option == "--key")
        t.key = FromUtf8(args.TakeValue(option), "--key");
    else if (option == "--text")
        t.text = FromUtf8(args.TakeValue(option), "--text");
    else if (option == "--id")
        t.id = FromUtf8(args.TakeValue(option), "--id");
    else
        return false;
    return true;
}

SearchSettings TableSettings(const TableOptions& t, const Connection& db) {
    SearchSettings settings;
    settings.tableName = t.table;
    settings.keyFieldName = t.key;
    settings.textFieldName = t.text;
    settings.idFieldName = t.id.empty() ? t.key : t.id;
    settings.connectionType = db.Kind() == ConnectionKind::Postgres ? qmADO : qmDAO;
    return settings;
}

}  // namespace

int RunSearch(Arguments& args) {
    TableOptions t;
    std::u16string filter, text;
    std::int32_t compare = CompareAll;
    bool json = false, haveText = false, inDatabase = false;
    RecodeChoice answer = RecodeChoice::Cancel;
    while (!args.Empty()) {
        const std::string_view arg = args.Take();
        if (IsHelp(arg)) {
            std::fputs(kSearchUsage, stdout);
            return kExitOk;
        }
        if (TakeTableOption(arg, args, t)) continue;
        if (arg == "--compare")
            compare = static_cast<std::int32_t>(ParseInteger(args.TakeValue(arg), 0, 3, "--compare"));
        else if (arg == "--filter")
            filter = FromUtf8(args.TakeValue(arg), "--filter");
        else if (arg == "--json")
            json = true;
        else if (arg == "--in-database")
            inDatabase = true;
        else if (arg == "--continue" || arg == "--recode") {
            const RecodeChoice choice =
                arg == "--continue" ? RecodeChoice::ContinueSearch : RecodeChoice::RecodeTable;
            if (answer != RecodeChoice::Cancel && answer != choice)
                throw UsageError("--continue and --recode exclude each other");
            answer = choice;
        } else if (arg.starts_with("--") && arg.size() > 2)
            throw UsageError("unknown option '" + std::string(arg) + "'");
        else if (t.database.empty())
            t.database = std::string(arg);
        else if (!haveText) {
            text = FromUtf8(arg, "TEXT");
            haveText = true;
        } else
            throw UsageError("more than one TEXT given (quote a text of several words)");
    }
    RequireTableOptions(t, true);
    if (!haveText) throw UsageError("no TEXT given");

    // A search only reads; recoding a table of old keys first is the one write it may do.
    std::unique_ptr<Connection> db =
        Open(t.database, answer == RecodeChoice::RecodeTable ? Access::ReadWrite : Access::ReadOnly);
    ConsoleHost host;
    host.answer = answer;
    SearchSettings settings = TableSettings(t, *db);
    settings.compare = compare;
    settings.sqlFilterString = filter;
    settings.scoreInDatabase = inDatabase;
    MatchEngine engine(host, std::move(settings));
    const SearchResult& result = engine.BestMatchSearch(db.get(), text);
    if (host.failed || host.warned) return kExitFailure;
    if (SplitKeySounds(result.searchCode).Count() < 0) {
        // An empty or blank text has no sounds, and so nothing to compare.
        std::fputs("quarrymink search: the text has no sounds to search for\n", stderr);
        if (json) std::fputs("[]\n", stdout);
        return kExitOk;
    }

    const auto& list = result.matches.Items();
    std::string out;
    if (json) out += "[";
    for (std::size_t k = 0; k < list.size(); ++k) {
        const int score = result.matches.ScoreAt(k);
        if (json) {
            out += (k ? ",\n " : "") + std::string("{\"score\": ") + std::to_string(score) +
                   ", \"id\": " + std::to_string(list[k].id) + ", \"text\": " + JsonString(list[k].text) +
                   "}";
        } else {
            out += std::to_string(score) + "\t" + std::to_string(list[k].id) + "\t" + TabField(list[k].text) +
                   "\n";
        }
    }
    if (json) out += "]\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);  // the matches before the time, also when both go to one file
    std::fprintf(stderr, "Search time: %.3f s\n", static_cast<double>(result.searchTime));
    return kExitOk;
}

int RunRecode(Arguments& args) {
    TableOptions t;
    while (!args.Empty()) {
        const std::string_view arg = args.Take();
        if (IsHelp(arg)) {
            std::fputs(kRecodeUsage, stdout);
            return kExitOk;
        }
        if (TakeTableOption(arg, args, t)) continue;
        if (arg.starts_with("--") && arg.size() > 2)
            throw UsageError("unknown option '" + std::string(arg) + "'");
        if (!t.database.empty()) throw UsageError("more than one DATABASE given");
        t.database = std::string(arg);
    }
    RequireTableOptions(t, false);
    std::unique_ptr<Connection> db = Open(t.database, Access::ReadWrite);
    ConsoleHost host;
    host.showProgress = isatty(fileno(stderr));
    MatchEngine engine(host, TableSettings(t, *db));
    engine.Recode(db.get());
    return host.failed ? kExitFailure : kExitOk;
}

namespace {

// A progress bar on standard error, drawn only once a build has taken a moment, so that
// short lists print nothing but their summary.
class BuildProgress {
public:
    explicit BuildProgress(bool terminal) : terminal_(terminal), start_(std::chrono::steady_clock::now()) {}
    void operator()(int percent) {
        if (!terminal_) return;
        if (!drawn_ && std::chrono::steady_clock::now() - start_ < std::chrono::milliseconds(500)) return;
        drawn_ = true;
        const int width = 40, filled = percent * width / 100;
        const std::string done(static_cast<std::size_t>(filled), '#');
        const std::string left(static_cast<std::size_t>(width - filled), '.');
        std::fprintf(stderr, "\rBuilding [%s%s] %3d%%", done.c_str(), left.c_str(), percent);
        std::fflush(stderr);
    }
    void Finish() const {
        if (drawn_) std::fputc('\n', stderr);
    }
    double Seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }

private:
    bool terminal_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point start_;
};

std::string ReadWordList(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        throw RunError("the word list '" + path + "' is not a file");
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    if (!in || !(bytes << in.rdbuf())) {
        if (std::filesystem::file_size(path, ec) != 0 || ec)
            throw RunError("cannot read the word list '" + path + "'");
    }
    return bytes.str();
}

}  // namespace

int RunMakeDb(Arguments& args) {
    NameDatabaseOptions options;
    options.tidyList = true;
    std::vector<std::string> paths;
    while (!args.Empty()) {
        const std::string_view arg = args.Take();
        if (IsHelp(arg)) {
            std::fputs(kMakeDbUsage, stdout);
            return kExitOk;
        }
        if (arg == "--key-index")
            options.keyIndex = true;
        else if (arg == "--replace")
            options.replace = true;
        else if (arg.starts_with("--") && arg.size() > 2)
            throw UsageError("unknown option '" + std::string(arg) + "'");
        else
            paths.emplace_back(arg);
    }
    if (paths.size() != 2) throw UsageError("takes a WORDLIST and a DATABASE");
    const std::string& database = paths[1];
    const std::string shown = RedactPassword(database);
    std::error_code ec;
    if (!options.replace && !IsPostgresLocation(database) && std::filesystem::exists(database, ec))
        throw RunError("'" + database + "' exists already (give --replace to rebuild it)");
    const std::string bytes = ReadWordList(paths[0]);
    BuildProgress progress(isatty(fileno(stderr)));
    options.progress = [&progress](int percent) { progress(percent); };
    std::size_t written = 0;
    try {
        written = BuildNameDatabase(bytes, database, options);
    } catch (const std::exception& e) {
        progress.Finish();
        throw RunError("cannot build '" + shown + "': " + e.what());
    }
    progress.Finish();
    std::fprintf(stderr, "Wrote %zu entries to %s (%s) in %.2f s\n", written, shown.c_str(),
                 options.keyIndex ? "with a key index" : "no key index", progress.Seconds());
    return kExitOk;
}

}  // namespace quarrymink::cli
