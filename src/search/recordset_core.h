// What the record sets of both backends share, so that they behave alike: the failures they
// report, field lookup, the row being edited or added, bookmarks, the checks of Seek, and a
// new table's checks and statements. Each backend keeps only what differs: how it reads and
// steps rows, how it changes one row, and the columns of an index.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "quarrymink/database.h"
#include "sql_dialect.h"

namespace quarrymink::core {

[[noreturn]] void NoCurrentRecord();
[[noreturn]] void RecordDeleted();
[[noreturn]] void ReadOnly();
[[noreturn]] void NotSupported();
[[noreturn]] void UpdateWithoutEdit();
[[noreturn]] void InvalidBookmark();
[[noreturn]] void SetClosed();
[[noreturn]] void FieldNotWritable(std::u16string_view name);

/// The position of the named field among names; [Name] and "Name" name Name, and case is
/// ignored. DbError kItemNotFound when there is none.
int FindField(const std::vector<std::u16string>& names, std::u16string_view name);
/// DbError kItemNotFound unless 0 <= index < count.
void CheckFieldIndex(int index, int count);

/// The row number a bookmark holds; InvalidBookmark when it holds none.
std::int64_t ParseBookmark(const std::string& bookmark);

/// Seek's checks: a table set, a current index of indexSize fields, the comparison "=" and
/// one to indexSize key values.
void CheckSeek(bool tableSet, std::size_t indexSize, std::u16string_view op, std::size_t keyCount);

/// The row opened by Edit or AddNew: the new values given to its fields until Update.
class EditBuffer {
public:
    enum class Mode { None, Editing, Adding };

    Mode mode() const noexcept { return mode_; }
    bool Adding() const noexcept { return mode_ == Mode::Adding; }
    bool Active() const noexcept { return mode_ != Mode::None; }
    void Begin(Mode mode, std::size_t fieldCount);
    void Cancel() noexcept;
    /// Gives a field a new value; UpdateWithoutEdit without Edit or AddNew.
    void Set(std::size_t index, Value value);
    /// The new value of the field, or nullptr when it has none.
    const Value* Changed(std::size_t index) const noexcept;
    /// The fields given new values, in field order; UpdateWithoutEdit without Edit or AddNew.
    std::vector<std::size_t> ChangedFields() const;

private:
    Mode mode_ = Mode::None;
    std::vector<std::optional<Value>> changes_;
};

/// The part of a record set that does not depend on the backend: its fields and their
/// sizes, the edit buffer, NoMatch and LastInsertId, and read-only behaviour of every
/// change. A backend supplies the stored value of a field of the current row, and (for sets
/// that can change rows) which fields can be written and the moves and changes themselves.
class RecordsetCore : public Recordset {
public:
    int FieldCount() const override { return static_cast<int>(names_.size()); }
    std::u16string FieldName(int index) const override;
    int FieldIndex(std::u16string_view name) const override;
    Value Field(std::u16string_view name) const override { return FieldAt(FieldIndex(name)); }
    std::int32_t DefinedSize(std::u16string_view name) const override;
    /// The new value of the row being edited or added, else the stored one.
    Value FieldAt(int index) const override;
    void FieldTextAt(int index, std::u16string& out) const override;
    void SetField(std::u16string_view name, Value value) override;

    void Edit() override { ReadOnly(); }
    void AddNew() override { ReadOnly(); }
    void Update() override { UpdateWithoutEdit(); }
    void Delete() override { ReadOnly(); }
    void SetIndex(std::u16string_view) override { NotSupported(); }
    void Seek(std::u16string_view, const std::vector<Value>&) override { NotSupported(); }
    bool NoMatch() const override { return noMatch_; }
    std::int64_t LastInsertId() const override { return lastInsertId_; }

protected:
    /// The field of the current row as the database holds it (index already checked).
    virtual Value StoredValue(int index) const = 0;
    /// Whether SetField may give the field a new value (a column of the set's table).
    virtual bool FieldWritable(std::size_t) const { return false; }

    void CheckOpen() const {
        if (closed_) SetClosed();
    }
    void CheckIndex(int index) const {
        CheckOpen();
        CheckFieldIndex(index, FieldCount());
    }

    std::vector<std::u16string> names_;
    std::vector<std::int32_t> sizes_;  // declared sizes of text fields, 0 for none
    EditBuffer edit_;
    bool closed_ = false;
    bool noMatch_ = false;
    std::int64_t lastInsertId_ = 0;
};

/// The part of a connection that does not depend on the backend: a bare table name opens a
/// table set, anything else is a statement in the callers' dialect, translated to the
/// backend's; a new table is created all or nothing.
class ConnectionCore : public Connection {
public:
    ConnectionKind Kind() const noexcept final { return kind_; }
    std::unique_ptr<Recordset> OpenRecordset(std::u16string_view sqlOrTable, RecordsetOptions options) final;
    std::int64_t Execute(std::u16string_view sql) final;
    void AppendTableDef(const TableDef& def) final;

protected:
    explicit ConnectionCore(ConnectionKind kind) : kind_(kind) {}
    /// A live set over the whole table, in no particular order until SetIndex.
    virtual std::unique_ptr<Recordset> OpenTable(std::u16string_view name) = 0;
    /// A set over one translated statement; updatable when asked for and possible.
    virtual std::unique_ptr<Recordset> OpenQuery(const std::string& sql, bool updatable) = 0;
    /// Runs one translated statement; the number of rows it touched.
    virtual std::int64_t ExecuteStatement(const std::string& sql) = 0;
    /// Runs the statements all or nothing.
    virtual void RunAtomically(const std::vector<std::string>& statements) = 0;

private:
    ConnectionKind kind_;
};

/// The statements that create the table and its indexes, after checking it: a name for the
/// table, every field and index, at least one field, index fields that exist, at most one
/// auto-increment field. Text fields of an index that ignores case compare without regard to
/// case on SQLite; a case-sensitive index on PostgreSQL serves prefix patterns (LIKE 'ab%').
std::vector<std::string> CreateTableStatements(const TableDef& def, sqldialect::Backend backend);

}  // namespace quarrymink::core
