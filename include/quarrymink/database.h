// The database layer: one connection and record-set interface over two backends,
// SQLite (the default, "DAO") and PostgreSQL through libpq ("ADO").
//
// Statements are written in one dialect (SELECT TOP n, LIKE with the * wildcard,
// [bracketed] names); each backend translates what it is handed. Every call runs exactly one
// statement: text that holds a second one is refused on both backends and nothing of it
// runs. Every failure is a DbError carrying a number and a description.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "quarrymink/export.h"

namespace quarrymink {

/// Error numbers the engine tells apart.
namespace dberr {
constexpr std::int32_t kUnknownField = -2147217904;  // 80040E10: a field of the query does not exist
constexpr std::int32_t kUnknownTable = -2147217865;  // 80040E37: the table of the query does not exist
constexpr std::int32_t kInvalidArgument = 3001;      // e.g. a connection of the wrong kind
constexpr std::int32_t kGeneral = 3146;              // any other failure: the description says what
// Numbers of the record-set failures themselves; the engine shows their descriptions.
constexpr std::int32_t kOverflow = 6;              // a number does not fit a 32-bit whole number
constexpr std::int32_t kTypeMismatch = 13;         // a text that is no number
constexpr std::int32_t kInvalidUseOfNull = 94;     // Null read as text or number
constexpr std::int32_t kUpdateWithoutEdit = 3020;  // Update or SetField without Edit or AddNew
constexpr std::int32_t kNoCurrentRecord = 3021;    // at Bof or Eof, or a move in an empty set
constexpr std::int32_t kReadOnly = 3027;           // Edit, AddNew or Delete on a set that cannot change rows
constexpr std::int32_t kInvalidBookmark = 3159;
constexpr std::int32_t kRecordDeleted = 3167;  // the current row was deleted
constexpr std::int32_t kItemNotFound = 3265;   // no field of that name in the set
constexpr std::int32_t kNotAnIndex = 3800;     // SetIndex with a name that is no index of the table
}  // namespace dberr

/// A database failure: a number and the database's own description.
class QUARRYMINK_EXPORT DbError : public std::runtime_error {
public:
    DbError(std::int32_t number, const std::string& description)
        : std::runtime_error(description), number_(number) {}
    std::int32_t Number() const noexcept { return number_; }
    std::u16string Description() const;

private:
    std::int32_t number_;
};

/// A field value: Null, a whole number, a real number or a text.
class QUARRYMINK_EXPORT Value {
public:
    Value() = default;
    Value(std::int64_t v) : v_(v) {}
    Value(int v) : v_(static_cast<std::int64_t>(v)) {}
    Value(double v) : v_(v) {}
    Value(std::u16string v) : v_(std::move(v)) {}
    Value(std::u16string_view v) : v_(std::u16string(v)) {}
    Value(const char16_t* v) : v_(std::u16string(v)) {}

    bool IsNull() const noexcept { return std::holds_alternative<std::monostate>(v_); }
    /// The value as text; DbError (Null is not text) for Null.
    std::u16string ToText() const;
    /// The value as a 32-bit whole number; DbError for Null or text that is no number.
    std::int32_t ToInt32() const;
    const std::variant<std::monostate, std::int64_t, double, std::u16string>& Raw() const noexcept {
        return v_;
    }

private:
    std::variant<std::monostate, std::int64_t, double, std::u16string> v_;
};

/// Opening options of a record set.
struct RecordsetOptions {
    /// Rows may be changed through the set (Edit/AddNew/Update/Delete). The rows of the
    /// set are fixed when it opens, so changes made through it never disturb its walk. A set
    /// over a bare table name can always change rows; a query over several tables, with
    /// DISTINCT, GROUP BY or a set operation cannot (Edit then fails with kReadOnly).
    bool updatable = false;
};

/// A cursor over the rows of a query or a table, in the query's order. Rows stream from
/// the database: a set never holds a large table in memory. A read-only set is read
/// forward as the rows come; RecordCount (and MoveLast) cost one count query, and a move
/// back reads the rows again. On PostgreSQL such a set reads inside a transaction that it
/// begins when the session has none and commits when the last such set closes; statements
/// run on the connection meanwhile take part in it.
class QUARRYMINK_EXPORT Recordset {
public:
    virtual ~Recordset() = default;
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    // Bof and Eof: the BOF and EOF of the cursor (named so to stay clear of the C EOF macro).
    virtual bool Bof() const = 0;
    virtual bool Eof() const = 0;
    virtual void MoveFirst() = 0;
    virtual void MoveLast() = 0;
    virtual void MoveNext() = 0;
    virtual void MovePrevious() = 0;
    /// Number of rows of the set.
    virtual std::int64_t RecordCount() = 0;

    /// The field of the current row (or of the row being edited or added); names compare
    /// without regard to case. DbError kItemNotFound for a name the set does not have.
    virtual Value Field(std::u16string_view name) const = 0;

    // Access by position, for loops over many rows: resolve a name once with FieldIndex,
    // then read with FieldAt or FieldTextAt, which reuses the caller's buffer.
    virtual int FieldCount() const = 0;
    virtual std::u16string FieldName(int index) const = 0;
    /// The position of the named field; DbError kItemNotFound when the set has none.
    virtual int FieldIndex(std::u16string_view name) const = 0;
    virtual Value FieldAt(int index) const = 0;
    /// The field as text, written into out (its capacity is reused); DbError for Null.
    virtual void FieldTextAt(int index, std::u16string& out) const = 0;

    /// Assigns a field of the row opened by Edit or AddNew.
    virtual void SetField(std::u16string_view name, Value value) = 0;
    /// Declared size of a text field (TEXT(50), VARCHAR(50)); 0 when it has none.
    virtual std::int32_t DefinedSize(std::u16string_view name) const = 0;

    virtual void Edit() = 0;
    virtual void AddNew() = 0;
    /// Writes the row opened by Edit or AddNew: exactly that row, also without a primary key.
    virtual void Update() = 0;
    /// Deletes the current row.
    virtual void Delete() = 0;
    /// The identity of the current row, and a move back to it.
    virtual std::string Bookmark() const = 0;
    virtual void SetBookmark(const std::string& bookmark) = 0;

    /// Table sets: the index Seek uses, the seek, and whether it failed.
    virtual void SetIndex(std::u16string_view indexName) = 0;
    /// Moves to the first row, in index order, whose first index fields equal the keys
    /// (op "="). Texts compare as the index does. On a miss NoMatch is true and the
    /// current row stays where it was.
    virtual void Seek(std::u16string_view op, const std::vector<Value>& keys) = 0;
    virtual bool NoMatch() const = 0;

    /// The identifier the database gave the row last added (auto-increment field).
    virtual std::int64_t LastInsertId() const = 0;

    virtual void Close() = 0;

protected:
    Recordset() = default;
};

/// Backend kind; the values are the control's ConnectionType values.
enum class ConnectionKind : std::int32_t { Sqlite = 0, Postgres = 1 };

/// A field of a new table.
struct FieldDef {
    /// Integer is 16-bit, Long 32-bit, Byte 0 to 255; Memo a text without a size.
    enum class Type { Text, Integer, Long, Double, Memo, Byte };
    std::u16string name;
    Type type = Type::Text;
    std::int32_t size = 0;         ///< declared size of a text field; longer texts are refused
    std::int32_t attributes = 0;   ///< 16: auto-increment
    bool allowZeroLength = false;  ///< kept for the table's description; empty texts are always stored
    static constexpr std::int32_t kAutoIncrement = 16;
};

/// An index of a new table.
struct IndexDef {
    std::u16string name;
    std::vector<std::u16string> fields;
    bool unique = false;
    bool primary = false;
    /// Text fields of the index compare without regard to case (ASCII letters), as the
    /// indexes of the DAO engine do: Seek and the order of a table set follow that. A
    /// case-sensitive index is the one a prefix LIKE on the field can use.
    bool ignoreCase = true;
};

/// A table to create: fields in order, then its indexes. The references CreateField and
/// CreateIndex return stay valid while more fields and indexes are created.
struct QUARRYMINK_EXPORT TableDef {
    std::u16string name;
    std::deque<FieldDef> fields;
    std::deque<IndexDef> indexes;
    FieldDef& CreateField(std::u16string name, FieldDef::Type type, std::int32_t size = 0);
    IndexDef& CreateIndex(std::u16string name);
};

/// An open database. The host owns it; the engine only opens record sets on it. A record
/// set keeps the database open until it is closed, also after the Connection is gone.
class QUARRYMINK_EXPORT Connection {
public:
    virtual ~Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    virtual ConnectionKind Kind() const noexcept = 0;
    /// A record set over a SELECT statement, or over a whole table when given a bare name.
    virtual std::unique_ptr<Recordset> OpenRecordset(std::u16string_view sqlOrTable,
                                                     RecordsetOptions options = {}) = 0;
    /// Runs one statement that returns no rows; the number of rows it touched.
    virtual std::int64_t Execute(std::u16string_view sql) = 0;
    /// Creates the table with its fields and indexes (the Append of a TableDef).
    virtual void AppendTableDef(const TableDef& table) = 0;
    virtual bool TableExists(std::u16string_view name) = 0;

protected:
    Connection() = default;
};

/// What a connection may do. A read-only connection never writes: a SQLite file is opened
/// read-only (no journal, no lock file is created; a read-only file in a read-only folder
/// can be searched), a PostgreSQL session runs its transactions read-only.
enum class Access { ReadWrite, ReadOnly };

/// Opens (creating when absent and create is true) a SQLite database file. Opening never
/// changes the file: its journal mode is the one chosen when it was created.
QUARRYMINK_EXPORT std::unique_ptr<Connection> OpenSqlite(const std::string& path, bool create = false);
QUARRYMINK_EXPORT std::unique_ptr<Connection> OpenSqlite(const std::string& path, Access access,
                                                         bool create = false);
/// Creates a new, empty SQLite database file, in write-ahead-log mode; DbError when it
/// exists already.
QUARRYMINK_EXPORT std::unique_ptr<Connection> CreateSqlite(const std::string& path);
/// Connects to PostgreSQL with a conninfo string ("host=... dbname=...") or a URI.
QUARRYMINK_EXPORT std::unique_ptr<Connection> ConnectPostgres(const std::string& conninfo,
                                                              Access access = Access::ReadWrite);
/// Whether a location names a PostgreSQL database (a URI or a conninfo string) rather than a file.
QUARRYMINK_EXPORT bool IsPostgresLocation(std::string_view location);
/// A SQLite file path, or a PostgreSQL URI (postgresql://, postgres://) or conninfo.
QUARRYMINK_EXPORT std::unique_ptr<Connection> OpenDatabase(const std::string& location,
                                                           Access access = Access::ReadWrite);

/// The location with any password in it replaced by "***" (the password of a URI's user
/// part, a password= setting of a URI or a conninfo string): what messages show.
QUARRYMINK_EXPORT std::string RedactPassword(std::string_view location);

}  // namespace quarrymink
