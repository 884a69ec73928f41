// The keyword list of a document: every word of its text with its key code, position and
// length, in a small SQLite database beside the document, which a word search reads through
// the control. This knows the table's layout and builds it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "quarrymink/export.h"

namespace quarrymink {

class Connection;
class Recordset;

/// The names of the table and its fields, as a search is told them.
inline constexpr std::u16string_view kKeyWordTable = u"KeyWordList";
inline constexpr std::u16string_view kKeyWordKeyField = u"KeyCode";
inline constexpr std::u16string_view kKeyWordTextField = u"Word";
/// A word's position in the text identifies it.
inline constexpr std::u16string_view kKeyWordIDField = u"Wordstart";

/// Builds a keyword list: the table is laid down anew and filled in one transaction, which
/// only Commit keeps.
class QUARRYMINK_EXPORT KeywordListWriter {
public:
    using MakeCode = std::function<std::u16string(std::u16string_view word)>;

    /// Opens the database at path (made when missing) and lays down the table anew, dropping
    /// one of an older layout. Throws DbError.
    KeywordListWriter(const std::string& path, MakeCode makeCode);
    /// Without Commit the database is left as it was.
    ~KeywordListWriter();
    KeywordListWriter(const KeywordListWriter&) = delete;
    KeywordListWriter& operator=(const KeywordListWriter&) = delete;

    /// The longest word the table holds.
    std::int32_t WordFieldSize() const { return wordSize_; }
    /// Stores a word found at start with its length and returns whether it was stored. A word
    /// met before (in any case: the index ignores it) keeps the key it got; a word whose key
    /// comes out empty is left out. Keys are cut to the key field's size.
    bool Add(std::u16string_view word, std::int32_t start, std::int32_t length);
    void Commit();

private:
    std::unique_ptr<Connection> db_;
    std::unique_ptr<Recordset> words_;
    MakeCode makeCode_;
    std::int32_t keySize_ = 0, wordSize_ = 0;
    bool inTransaction_ = false;
};

}  // namespace quarrymink
