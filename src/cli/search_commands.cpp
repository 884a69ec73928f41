// The database commands: search, recode, makedb.
#include <unistd.h>

#include <cstdio>
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
    "                         [--filter SQL] [--json] [--continue | --recode] TEXT\n"
    "\n"
    "Searches table T of DATABASE for rows whose text sounds like TEXT and prints the\n"
    "ranked matches, best first: score, tab, identifier, tab, text (or one JSON array with\n"
    "--json). DATABASE is a SQLite file, or a PostgreSQL URI (postgresql://...) or\n"
    "conninfo (\"host=... dbname=...\"). The search time goes to standard error.\n"
    "\n"
    "  --table T     the table searched\n"
    "  --key K       its key-code field\n"
    "  --text X      its text field\n"
    "  --id I        its identifier field\n"
    "  --compare N   0 all words (default), 1 first word, 2 last word, 3 as many words as TEXT has\n"
    "  --filter SQL  an extra condition on the rows\n"
    "  --json        print the matches as JSON\n"
    "  --continue    search a table whose keys carry another version as it is\n"
    "  --recode      recode such a table first\n";

constexpr const char* kRecodeUsage =
    "usage: quarrymink recode DATABASE --table T --key K --text X\n"
    "\n"
    "Rewrites the key field K of every row of table T with the key code of its text X.\n";

constexpr const char* kMakeDbUsage =
    "usage: quarrymink makedb [--key-index] WORDLIST DATABASE\n"
    "\n"
    "Builds the SQLite database DATABASE with the table NameData (Key, Ident, Name) from a\n"
    "word list whose entries are separated by '|' (the text before the first '|' is not\n"
    "stored). An existing DATABASE is replaced once the new one is complete.\n"
    "\n"
    "  --key-index   also index the Key field, for fast searches on large tables\n";

std::string Narrow(std::u16string_view text) {
    std::string out = Utf16ToUtf8(text);
    for (std::size_t at; (at = out.find("\r\n")) != std::string::npos;) out.replace(at, 2, "\n");
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
        std::fprintf(stderr, "%s\n", Narrow(text).c_str());
        if (icon == MessageIcon::Critical) failed = true;
    }
    RecodeChoice AskRecodeWarning() override {
        if (answer == RecodeChoice::Cancel) {
            std::fprintf(stderr, "%s\n", Narrow(messages::kRecodeWarning).c_str());
            warned = true;
        }
        return answer;
    }
    void SetProgress(int value) override {
        if (!showProgress) return;
        const int width = 40, filled = value * width / 100;
        std::fprintf(stderr, "\rRecoding [%s%s] %3d%%", std::string(static_cast<std::size_t>(filled), '#').c_str(),
                     std::string(static_cast<std::size_t>(width - filled), '.').c_str(), value);
        if (value == 100) std::fputc('\n', stderr);
        std::fflush(stderr);
    }
};

struct TableOptions {
    std::string database;
    std::u16string table, key, text, id;
};

std::unique_ptr<Connection> Open(const std::string& location) {
    try {
        return OpenDatabase(location);
    } catch (const DbError& e) {
        throw RunError(e.what());
    }
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
    if (option == "--table") t.table = FromUtf8(args.TakeValue(option), "--table");
    else if (option == "--key") t.key = FromUtf8(args.TakeValue(option), "--key");
    else if (option == "--text") t.text = FromUtf8(args.TakeValue(option), "--text");
    else if (option == "--id") t.id = FromUtf8(args.TakeValue(option), "--id");
    else return false;
    return true;
}

void Configure(MatchEngine& engine, const TableOptions& t, const Connection& db) {
    engine.tableName = t.table;
    engine.keyFieldName = t.key;
    engine.textFieldName = t.text;
    engine.idFieldName = t.id.empty() ? t.key : t.id;
    engine.connectionType = db.Kind() == ConnectionKind::Postgres ? qmADO : qmDAO;
}

}  // namespace

int RunSearch(Arguments& args) {
    TableOptions t;
    std::u16string filter, text;
    std::int32_t compare = CompareAll;
    bool json = false, haveText = false;
    RecodeChoice answer = RecodeChoice::Cancel;
    while (!args.Empty()) {
        const std::string_view arg = args.Take();
        if (IsHelp(arg)) {
            std::fputs(kSearchUsage, stdout);
            return kExitOk;
        }
        if (TakeTableOption(arg, args, t)) continue;
        if (arg == "--compare") compare = static_cast<std::int32_t>(ParseInteger(args.TakeValue(arg), 0, 3, "--compare"));
        else if (arg == "--filter") filter = FromUtf8(args.TakeValue(arg), "--filter");
        else if (arg == "--json") json = true;
        else if (arg == "--continue" || arg == "--recode") {
            const RecodeChoice choice = arg == "--continue" ? RecodeChoice::ContinueSearch : RecodeChoice::RecodeTable;
            if (answer != RecodeChoice::Cancel && answer != choice) throw UsageError("--continue and --recode exclude each other");
            answer = choice;
        } else if (arg.starts_with("--") && arg.size() > 2) throw UsageError("unknown option '" + std::string(arg) + "'");
        else if (t.database.empty()) t.database = std::string(arg);
        else if (!haveText) {
            text = FromUtf8(arg, "TEXT");
            haveText = true;
        } else throw UsageError("more than one TEXT given (quote a text of several words)");
    }
    RequireTableOptions(t, true);
    if (!haveText) throw UsageError("no TEXT given");

    std::unique_ptr<Connection> db = Open(t.database);
    ConsoleHost host;
    host.answer = answer;
    MatchEngine engine(host);
    Configure(engine, t, *db);
    engine.compare = compare;
    engine.sqlFilterString = filter;
    engine.BestMatchSearch(db.get(), text);
    if (host.failed || host.warned) return kExitFailure;

    const auto& list = engine.List();
    std::string out;
    if (json) out += "[";
    for (std::size_t k = 0; k < list.size(); ++k) {
        const int score = engine.Matches().ScoreAt(k);
        if (json) {
            out += (k ? ",\n " : "") + std::string("{\"score\": ") + std::to_string(score) +
                   ", \"id\": " + std::to_string(list[k].id) + ", \"text\": " + JsonString(list[k].text) + "}";
        } else {
            out += std::to_string(score) + "\t" + std::to_string(list[k].id) + "\t" + Narrow(list[k].text) + "\n";
        }
    }
    if (json) out += "]\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fprintf(stderr, "Search time: %.3f s\n", static_cast<double>(engine.searchTime));
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
        if (arg.starts_with("--") && arg.size() > 2) throw UsageError("unknown option '" + std::string(arg) + "'");
        if (!t.database.empty()) throw UsageError("more than one DATABASE given");
        t.database = std::string(arg);
    }
    RequireTableOptions(t, false);
    std::unique_ptr<Connection> db = Open(t.database);
    ConsoleHost host;
    host.showProgress = isatty(fileno(stderr));
    MatchEngine engine(host);
    Configure(engine, t, *db);
    engine.Recode(db.get());
    return host.failed ? kExitFailure : kExitOk;
}

int RunMakeDb(Arguments& args) {
    NameDatabaseOptions options;
    std::vector<std::string> paths;
    while (!args.Empty()) {
        const std::string_view arg = args.Take();
        if (IsHelp(arg)) {
            std::fputs(kMakeDbUsage, stdout);
            return kExitOk;
        }
        if (arg == "--key-index") options.keyIndex = true;
        else if (arg.starts_with("--") && arg.size() > 2) throw UsageError("unknown option '" + std::string(arg) + "'");
        else paths.emplace_back(arg);
    }
    if (paths.size() != 2) throw UsageError("takes a WORDLIST and a DATABASE");
    std::ifstream in(paths[0], std::ios::binary);
    if (!in) throw RunError("cannot read the word list '" + paths[0] + "'");
    std::ostringstream bytes;
    bytes << in.rdbuf();
    try {
        BuildNameDatabase(bytes.str(), paths[1], options);
    } catch (const std::exception& e) {
        throw RunError("cannot build '" + paths[1] + "': " + e.what());
    }
    return kExitOk;
}

}  // namespace quarrymink::cli
