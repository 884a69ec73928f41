// A names database opened for browsing and editing: the table NameData of a sample
// database, read in name order and changed row by row with its key codes kept beside the
// names. The names demonstration's window shows it; this knows the table's names.
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
inline constexpr std::u16string_view kNamesTable = u"NameData";
inline constexpr std::u16string_view kNamesKeyField = u"Key";
inline constexpr std::u16string_view kNamesTextField = u"Name";
inline constexpr std::u16string_view kNamesIDField = u"Ident";

class QUARRYMINK_EXPORT NamesTable {
public:
    /// One named row: its name, its identifier and the bookmark that finds it again.
    struct Row {
        std::u16string name;
        std::int32_t ident = 0;
        std::string bookmark;
    };

    /// Opens the SQLite database at path with its NameData table in name order; throws
    /// DbError when the file holds no such table.
    explicit NamesTable(const std::string& path);
    ~NamesTable();
    NamesTable(const NamesTable&) = delete;
    NamesTable& operator=(const NamesTable&) = delete;

    /// The database, for a search over it.
    Connection& Database() { return *db_; }
    /// The declared size of the Name field, 0 when it has none.
    std::int32_t NameFieldSize() const;
    std::int64_t RowCount();
    /// Each row that has a name, in name order. A row without a name is passed over, so
    /// that its caller's list and its bookmarks stay in step. A read failure throws after
    /// the rows before it were visited.
    void VisitNamedRows(const std::function<void(const Row&)>& visit);
    /// The name of the row at bookmark, empty when the row has none.
    std::u16string NameAt(const std::string& bookmark);
    /// Adds a row; the key is cut to the Key field's declared size.
    void Add(std::u16string_view name, std::u16string_view key);
    /// Rewrites the name and key of the row at bookmark.
    void Replace(const std::string& bookmark, std::u16string_view name, std::u16string_view key);
    void Remove(const std::string& bookmark);

private:
    void WriteNameAndKey(std::u16string_view name, std::u16string_view key);

    std::unique_ptr<Connection> db_;
    std::unique_ptr<Recordset> names_;
};

}  // namespace quarrymink
