// Sample names databases: the table NameData (Key, Ident, Name) built from a word list
// whose entries are separated by "|" (the text before the first "|" is never stored).
#pragma once

#include <cstdint>
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
    /// Makes the key code of a name; a default KeyCoder when empty.
    std::function<std::u16string(std::u16string_view)> makeCode;
    /// Progress from 0 to 100 after each row.
    std::function<void(int)> progress;
};

/// Builds a names database at path from a word list's bytes. The database is built under
/// a temporary name and renamed at the end, so a failure leaves no partial file and an
/// existing database is replaced only by a complete one. Throws DbError or
/// std::runtime_error with a clear message (a name longer than the Name field included).
QUARRYMINK_EXPORT void BuildNameDatabase(std::string_view wordList, const std::string& path,
                                         const NameDatabaseOptions& options = {});

}  // namespace quarrymink
