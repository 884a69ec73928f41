// Sample names databases built from "|"-separated word lists.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "quarrymink/database.h"
#include "quarrymink/keycoding.h"
#include "quarrymink/sampledb.h"
#include "quarrymink/unicode.h"

namespace quarrymink {
namespace {

// Windows-1252 differs from Latin-1 in 0x80-0x9F.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

std::u16string DecodeWordList(std::string_view bytes) {
    if (auto utf8 = Utf8ToUtf16(bytes)) return std::move(*utf8);
    std::u16string text(bytes.size(), u'\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        text[i] = byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : byte;
    }
    return text;
}

}  // namespace

std::vector<std::u16string> SplitWordList(std::string_view bytes) {
    const std::u16string text = DecodeWordList(bytes);
    std::vector<std::u16string> entries;
    std::size_t bar = text.find(u'|');
    while (bar != std::u16string::npos) {
        const std::size_t next = text.find(u'|', bar + 1);
        entries.emplace_back(
            text.substr(bar + 1, next == std::u16string::npos ? std::u16string::npos : next - bar - 1));
        bar = next;
    }
    return entries;
}

void CreateNameDataTable(Connection& db, bool keyIndex) {
    TableDef table;
    table.name = u"NameData";
    table.CreateField(u"Key", FieldDef::Type::Text, kKeyFieldSize).allowZeroLength = true;
    table.CreateField(u"Ident", FieldDef::Type::Long).attributes = FieldDef::kAutoIncrement;
    table.CreateField(u"Name", FieldDef::Type::Text, kNameFieldSize);
    table.CreateIndex(u"ndxName").fields.push_back(u"Name");
    if (keyIndex) {
        // Case-sensitive, as key codes compare, so that a search's key prefix can use it;
        // it carries the text and the identifier too, so candidates are read from it alone.
        IndexDef& key = table.CreateIndex(u"ndxKey");
        key.fields = {u"Key", u"Name", u"Ident"};
        key.ignoreCase = false;
    }
    db.AppendTableDef(table);
}

namespace {

bool IsLineBreak(char16_t c) {
    return c == u'\r' || c == u'\n';
}

std::u16string WithoutLineBreaksAround(std::u16string_view entry) {
    while (!entry.empty() && IsLineBreak(entry.front())) entry.remove_prefix(1);
    while (!entry.empty() && IsLineBreak(entry.back())) entry.remove_suffix(1);
    return std::u16string(entry);
}

// The entries of a list written by hand: "|"-separated, or one a line when it has no "|";
// line breaks around an entry are dropped, and so are entries left empty.
std::vector<std::u16string> TidyEntries(std::string_view bytes) {
    std::vector<std::u16string> pieces;
    const std::u16string text = DecodeWordList(bytes);
    if (text.find(u'|') != std::u16string::npos) {
        pieces = SplitWordList(bytes);
    } else {
        for (std::size_t start = 0; start <= text.size();) {
            const std::size_t end = std::min(text.find(u'\n', start), text.size());
            pieces.emplace_back(text.substr(start, end - start));
            start = end + 1;
        }
    }
    std::vector<std::u16string> entries;
    for (const std::u16string& piece : pieces)
        if (std::u16string entry = WithoutLineBreaksAround(piece); !entry.empty())
            entries.push_back(std::move(entry));
    return entries;
}

void CheckEntrySizes(const std::vector<std::u16string>& entries) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].size() > static_cast<std::size_t>(kNameFieldSize))
            throw std::runtime_error(
                "entry " + std::to_string(i + 1) + " (\"" + Utf16ToUtf8(entries[i].substr(0, 20)) +
                "...\") is longer than the Name field (" + std::to_string(kNameFieldSize) + " characters)");
    }
}

void FillNameDatabase(const std::string& path, const std::vector<std::u16string>& entries,
                      const NameDatabaseOptions& options) {
    KeyCoder coder;
    auto makeCode = options.makeCode
                        ? options.makeCode
                        : std::function<std::u16string(std::u16string_view)>(
                              [&coder](std::u16string_view text) { return coder.MakeCode(text); });
    std::unique_ptr<Connection> db = CreateSqlite(path);
    CreateNameDataTable(*db, options.keyIndex);
    db->Execute(u"BEGIN");
    RecordsetOptions updatable;
    updatable.updatable = true;
    std::unique_ptr<Recordset> set = db->OpenRecordset(u"NameData", updatable);
    set->SetIndex(u"ndxName");
    const std::int32_t keySize = set->DefinedSize(u"Key");
    int lastProgress = -1;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        set->AddNew();
        set->SetField(u"Name", Value(entries[i]));
        std::u16string key = makeCode(entries[i]);
        if (keySize > 0 && key.size() > static_cast<std::size_t>(keySize))
            key.resize(static_cast<std::size_t>(keySize));
        set->SetField(u"Key", Value(std::move(key)));
        set->Update();
        const int progress = static_cast<int>(100 * (i + 1) / entries.size());
        if (options.progress && progress != lastProgress) options.progress(lastProgress = progress);
    }
    set->Close();
    db->Execute(u"COMMIT");
}

// Puts the finished database at a path where nothing is: a link, so that a file that
// appeared there in the meantime is never overwritten.
void MoveIntoPlace(const std::filesystem::path& built, const std::filesystem::path& target) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_hard_link(built, target, ec);
    if (ec == std::errc::file_exists) throw std::runtime_error("'" + target.string() + "' exists already");
    if (ec) {
        fs::rename(built, target);  // a file system without links
        return;
    }
    fs::remove(built, ec);
}

// The database file and the files SQLite keeps beside it.
void RemoveDatabaseFiles(const std::filesystem::path& path) {
    std::error_code ignored;
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        std::filesystem::path file = path;
        file += suffix;
        std::filesystem::remove(file, ignored);
    }
}

void AppendQuoted(std::u16string& sql, std::u16string_view text) {
    sql.push_back(u'\'');
    for (const char16_t ch : text) {
        if (ch == u'\'') sql.push_back(u'\'');
        sql.push_back(ch);
    }
    sql.push_back(u'\'');
}

// The names into NameData of a PostgreSQL database, in one transaction: the table that was
// there (only with options.replace) stays whole until the new one is complete, and a failure
// leaves the database as it was. The rows go in a few hundred to a statement.
void FillPostgresNames(const std::string& location, const std::vector<std::u16string>& entries,
                       const NameDatabaseOptions& options) {
    KeyCoder coder;
    std::unique_ptr<Connection> db = ConnectPostgres(location);
    db->Execute(u"BEGIN");
    try {
        if (db->TableExists(u"NameData")) {
            if (!options.replace) throw std::runtime_error("the table NameData exists already");
            db->Execute(u"DROP TABLE NameData");
        }
        CreateNameDataTable(*db, options.keyIndex);
        constexpr std::size_t kRowsPerStatement = 500;
        std::u16string sql;
        for (std::size_t first = 0; first < entries.size(); first += kRowsPerStatement) {
            sql.assign(u"INSERT INTO NameData (Key, Name) VALUES ");
            const std::size_t end = std::min(entries.size(), first + kRowsPerStatement);
            for (std::size_t i = first; i < end; ++i) {
                std::u16string key =
                    options.makeCode ? options.makeCode(entries[i]) : coder.MakeCode(entries[i]);
                if (key.size() > static_cast<std::size_t>(kKeyFieldSize)) key.resize(kKeyFieldSize);
                sql.append(i == first ? u"(" : u", (");
                AppendQuoted(sql, key);
                sql.append(u", ");
                AppendQuoted(sql, entries[i]);
                sql.push_back(u')');
            }
            db->Execute(sql);
            if (options.progress) options.progress(static_cast<int>(100 * end / entries.size()));
        }
        db->Execute(u"ANALYZE NameData");  // a planner that knows the table uses its key index
        db->Execute(u"COMMIT");
    } catch (...) {
        try {
            db->Execute(u"ROLLBACK");
        } catch (...) {  // the connection is gone: the server rolls back by itself
        }
        throw;
    }
}

}  // namespace

std::size_t BuildNameDatabase(std::string_view wordList, const std::string& path,
                              const NameDatabaseOptions& options) {
    namespace fs = std::filesystem;
    const std::vector<std::u16string> entries =
        options.tidyList ? TidyEntries(wordList) : SplitWordList(wordList);
    if (options.tidyList && entries.empty()) throw std::runtime_error("the word list holds no entries");
    CheckEntrySizes(entries);
    if (IsPostgresLocation(path)) {
        FillPostgresNames(path, entries, options);
        return entries.size();
    }
    const fs::path target(path);
    std::error_code ignored;
    const bool replacing = fs::exists(target, ignored);
    if (replacing && !options.replace) throw std::runtime_error("'" + path + "' exists already");
    fs::path temporary = target;
    temporary += ".building";
    RemoveDatabaseFiles(temporary);
    try {
        FillNameDatabase(temporary.string(), entries, options);
        // An existing database is overwritten through the database's own copy, under its
        // locks: a process that has it open sees the old tables or the new ones, never a mix.
        if (replacing)
            CopySqliteDatabase(temporary.string(), path);
        else
            MoveIntoPlace(temporary, target);
    } catch (...) {
        RemoveDatabaseFiles(temporary);
        throw;
    }
    RemoveDatabaseFiles(temporary);
    return entries.size();
}

void BuildSampleDatabases(const std::filesystem::path& folder, const NameDatabaseOptions& options,
                          const std::function<void(const std::string& database)>& starting) {
    namespace fs = std::filesystem;
    NameDatabaseOptions replacing = options;
    replacing.replace = true;  // both databases are built anew, existing files included
    std::vector<fs::path> unfinished;
    try {
        for (const std::string_view list : kSampleWordLists) {
            const fs::path listPath = folder / list;
            std::ifstream file(listPath, std::ios::binary);
            const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
            if (!file.is_open() || file.bad())
                throw std::runtime_error("The word list '" + listPath.string() +
                                         "' cannot be read: " + std::strerror(errno));
            const std::string database = std::string(list) + ".mdb";
            if (starting) starting(database);
            unfinished.push_back(folder / (database + ".new"));
            BuildNameDatabase(bytes, unfinished.back().string(), replacing);
        }
        // The plant database last: its presence tells later starts that both are there.
        for (std::size_t i = unfinished.size(); i-- > 0;)
            fs::rename(unfinished[i], folder / (std::string(kSampleWordLists[i]) + ".mdb"));
    } catch (...) {
        std::error_code ignored;
        for (const fs::path& path : unfinished) fs::remove(path, ignored);
        throw;
    }
}

}  // namespace quarrymink
