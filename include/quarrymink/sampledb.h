// Sample names databases: the table NameData (Key, Ident, Name) built from a word list
// whose entries are separated by "|" (the text before the first "|" is never stored).
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "quarrymink/export.h"

namespace quarrymink {

class Connection;

/// The field sizes of NameData.
inline constexpr int kNameFieldSize = 50;
inline constexpr int kKeyFieldSize = 50;

/// The entries of a word list: every piece after the first "|", unchanged (line breaks
/// stay inside the entry they fall in). UTF-8 when the bytes are valid UTF-8, else
/// Windows-1252.
QUARRYMINK_EXPORT std::vector<std::u16string> SplitWordList(std::string_view bytes);

/// Lays down the table NameData and its index ndxName (and ndxKey when keyIndex).
QUARRYMINK_EXPORT void CreateNameDataTable(Connection& db, bool keyIndex = false);

struct NameDatabaseOptions {
    bool keyIndex = false;  ///< also index the key field (faster searches on large tables)
    /// An existing database at the path is replaced; without it, an existing file is refused.
    bool replace = false;
    /// Reads a list written by hand: entries lose the line breaks around them, empty ones are
    /// dropped, a list without "|" holds one entry a line, and a list with no entries is refused.
    /// Without it the list is read as SplitWordList reads it.
    bool tidyList = false;
    /// Makes the key code of a name; a default KeyCoder when empty.
    std::function<std::u16string(std::u16string_view)> makeCode;
    /// Progress from 0 to 100 after each row.
    std::function<void(int)> progress;
};

/// Builds a names database at path from a word list's bytes and returns the number of rows.
/// A PostgreSQL location (see IsPostgresLocation) gets the table NameData in that database,
/// built in one transaction: an existing NameData is refused without options.replace, and
/// with it dropped and rebuilt in that same transaction, so a failure changes nothing.
/// The database is built under a temporary name beside path, so a failure leaves no partial
/// file and never touches an existing one. A new database is then moved into place; an
/// existing one (only with options.replace) is overwritten by SQLite's online backup, under
/// its locks, so that a process that has it open sees a sound database throughout. Throws
/// DbError or std::runtime_error with a clear message (a name longer than the Name field, an
/// existing file without replace, an empty tidy list).
QUARRYMINK_EXPORT std::size_t BuildNameDatabase(std::string_view wordList, const std::string& path,
                                                const NameDatabaseOptions& options = {});

/// The word lists of the sample databases, in the order they are built: the list "Plants"
/// in a data folder gives the database "Plants.mdb".
inline constexpr std::string_view kSampleWordLists[] = {"Plants", "Names"};

/// Builds the sample databases of folder from its word lists, replacing those there. Both are
/// built under temporary names and moved into place once both are complete, the plant
/// database last: its presence tells later starts that both are there. On failure nothing new
/// is left in the folder and the error is thrown (std::runtime_error for a word list that
/// cannot be read, or as BuildNameDatabase throws). starting is told each database's file
/// name before it is built.
QUARRYMINK_EXPORT void BuildSampleDatabases(
    const std::filesystem::path& folder, const NameDatabaseOptions& options,
    const std::function<void(const std::string& database)>& starting = {});

/// Copies the SQLite database at from over the one at to, page by page under the target's
/// locks (waiting for a writer to finish); DbError when either is no database.
QUARRYMINK_EXPORT void CopySqliteDatabase(const std::string& from, const std::string& to);

}  // namespace quarrymink
