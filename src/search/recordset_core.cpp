// The shared part of the record sets; see recordset_core.h.
#include "recordset_core.h"

#include <charconv>

#include "quarrymink/unicode.h"

namespace quarrymink::core {

void NoCurrentRecord() {
    throw DbError(dberr::kNoCurrentRecord, "No current record.");
}
void RecordDeleted() {
    throw DbError(dberr::kRecordDeleted, "Record is deleted.");
}
void ReadOnly() {
    throw DbError(dberr::kReadOnly, "Cannot update. Database or object is read-only.");
}
void NotSupported() {
    throw DbError(dberr::kGeneral, "Operation is not supported for this type of object.");
}
void UpdateWithoutEdit() {
    throw DbError(dberr::kUpdateWithoutEdit, "Update or CancelUpdate without AddNew or Edit.");
}
void InvalidBookmark() {
    throw DbError(dberr::kInvalidBookmark, "Not a valid bookmark.");
}
void SetClosed() {
    throw DbError(dberr::kGeneral, "The record set is closed.");
}
void FieldNotWritable(std::u16string_view name) {
    throw DbError(dberr::kReadOnly, "Field '" + Utf16ToUtf8(name) + "' cannot be updated.");
}

int FindField(const std::vector<std::u16string>& names, std::u16string_view given) {
    const std::u16string name = sqldialect::UnquotedName(given);
    for (std::size_t i = 0; i < names.size(); ++i)
        if (sqldialect::NamesEqual(names[i], name)) return static_cast<int>(i);
    throw DbError(dberr::kItemNotFound, "Item not found in this collection: " + Utf16ToUtf8(given));
}

void CheckFieldIndex(int index, int count) {
    if (index < 0 || index >= count)
        throw DbError(dberr::kItemNotFound, "Item not found in this collection.");
}

std::int64_t ParseBookmark(const std::string& bookmark) {
    std::int64_t row = -1;
    const char* const end = bookmark.data() + bookmark.size();
    const auto [stop, ec] = std::from_chars(bookmark.data(), end, row);
    if (ec != std::errc() || stop != end) InvalidBookmark();
    return row;
}

void CheckSeek(bool tableSet, std::size_t indexSize, std::u16string_view op, std::size_t keyCount) {
    if (!tableSet) NotSupported();
    if (indexSize == 0) throw DbError(dberr::kGeneral, "Operation invalid without a current index.");
    if (op != u"=") throw DbError(dberr::kGeneral, "Seek supports the comparison \"=\" only.");
    if (keyCount == 0 || keyCount > indexSize)
        throw DbError(dberr::kGeneral, "Seek needs one to " + std::to_string(indexSize) + " key values.");
}

void EditBuffer::Begin(Mode mode, std::size_t fieldCount) {
    mode_ = mode;
    changes_.assign(fieldCount, std::nullopt);
}

void EditBuffer::Cancel() noexcept {
    mode_ = Mode::None;
    changes_.clear();
}

void EditBuffer::Set(std::size_t index, Value value) {
    if (!Active()) UpdateWithoutEdit();
    changes_.at(index) = std::move(value);
}

const Value* EditBuffer::Changed(std::size_t index) const noexcept {
    return Active() && index < changes_.size() && changes_[index] ? &*changes_[index] : nullptr;
}

std::vector<std::size_t> EditBuffer::ChangedFields() const {
    if (!Active()) UpdateWithoutEdit();
    std::vector<std::size_t> changed;
    for (std::size_t i = 0; i < changes_.size(); ++i)
        if (changes_[i]) changed.push_back(i);
    return changed;
}

std::u16string RecordsetCore::FieldName(int index) const {
    CheckIndex(index);
    return names_[static_cast<std::size_t>(index)];
}

int RecordsetCore::FieldIndex(std::u16string_view name) const {
    CheckOpen();
    return FindField(names_, name);
}

std::int32_t RecordsetCore::DefinedSize(std::u16string_view name) const {
    return sizes_[static_cast<std::size_t>(FieldIndex(name))];
}

Value RecordsetCore::FieldAt(int index) const {
    CheckIndex(index);
    if (const Value* changed = edit_.Changed(static_cast<std::size_t>(index))) return *changed;
    if (edit_.Adding()) return Value();
    return StoredValue(index);
}

void RecordsetCore::FieldTextAt(int index, std::u16string& out) const {
    const Value v = FieldAt(index);
    if (const auto* text = std::get_if<std::u16string>(&v.Raw()))
        out.assign(*text);
    else
        out = v.ToText();
}

void RecordsetCore::SetField(std::u16string_view name, Value value) {
    const auto index = static_cast<std::size_t>(FieldIndex(name));
    if (!edit_.Active()) UpdateWithoutEdit();
    if (!FieldWritable(index)) FieldNotWritable(name);
    edit_.Set(index, std::move(value));
}

std::unique_ptr<Recordset> ConnectionCore::OpenRecordset(std::u16string_view sqlOrTable,
                                                         RecordsetOptions options) {
    const std::u16string table = sqldialect::BareTableName(sqlOrTable);
    if (!table.empty()) return OpenTable(table);
    return OpenQuery(sqldialect::TranslateSql(sqlOrTable, kind_), options.updatable);
}

std::int64_t ConnectionCore::Execute(std::u16string_view sql) {
    return ExecuteStatement(sqldialect::TranslateSql(sql, kind_));
}

void ConnectionCore::AppendTableDef(const TableDef& def) {
    RunAtomically(CreateTableStatements(def, kind_));
}

namespace {

using sqldialect::Backend;

bool IsText(const FieldDef& field) {
    return field.type == FieldDef::Type::Text || field.type == FieldDef::Type::Memo;
}
bool IsCounter(const FieldDef& field) {
    return field.type == FieldDef::Type::Long && (field.attributes & FieldDef::kAutoIncrement) != 0;
}

// A column: its type and the ranges the DAO engine keeps for its whole-number types.
std::string ColumnSql(const FieldDef& field, const std::string& column, Backend backend) {
    const bool sqlite = backend == Backend::Sqlite;
    const auto range = [&](const char* low, const char* high) {
        return " CHECK (" + column + " BETWEEN " + low + " AND " + high + ")";
    };
    switch (field.type) {
        case FieldDef::Type::Text:
            if (field.size <= 0) return "TEXT";
            return "VARCHAR(" + std::to_string(field.size) + ")" +
                   (sqlite ? " CHECK (length(" + column + ") <= " + std::to_string(field.size) + ")" : "");
        case FieldDef::Type::Memo:
            return "TEXT";
        case FieldDef::Type::Integer:
            return "SMALLINT" + (sqlite ? range("-32768", "32767") : std::string());
        case FieldDef::Type::Byte:
            return (sqlite ? "TINYINT" : "SMALLINT") + range("0", "255");
        case FieldDef::Type::Double:
            return sqlite ? "DOUBLE" : "DOUBLE PRECISION";
        case FieldDef::Type::Long:
            if (IsCounter(field))
                return sqlite ? "INTEGER PRIMARY KEY AUTOINCREMENT"
                              : "INTEGER GENERATED BY DEFAULT AS IDENTITY";
            return "INTEGER" + (sqlite ? range("-2147483648", "2147483647") : std::string());
    }
    return "TEXT";
}

const FieldDef& IndexField(const TableDef& def, std::u16string_view name) {
    for (const FieldDef& field : def.fields)
        if (sqldialect::NamesEqual(field.name, name)) return field;
    throw DbError(dberr::kItemNotFound, "Item not found in this collection: " + Utf16ToUtf8(name));
}

std::string IndexColumns(const TableDef& def, const IndexDef& index, Backend backend) {
    if (index.fields.empty())
        throw DbError(dberr::kGeneral, "The index '" + Utf16ToUtf8(index.name) + "' has no fields.");
    std::string list;
    for (const std::u16string& name : index.fields) {
        const FieldDef& field = IndexField(def, name);
        if (!list.empty()) list += ", ";
        list += sqldialect::QuoteIdentifier(field.name, backend);
        if (!IsText(field)) continue;
        if (backend == Backend::Sqlite && index.ignoreCase) list += " COLLATE NOCASE";
        if (backend == Backend::Postgres && !index.ignoreCase) list += " text_pattern_ops";
    }
    return list;
}

void CheckTable(const TableDef& def) {
    if (def.name.empty()) throw DbError(dberr::kGeneral, "The table has no name.");
    if (def.fields.empty())
        throw DbError(dberr::kGeneral, "The table '" + Utf16ToUtf8(def.name) + "' has no fields.");
    int counters = 0;
    for (const FieldDef& field : def.fields) {
        if (field.name.empty()) throw DbError(dberr::kGeneral, "A field of the table has no name.");
        if (IsCounter(field) && ++counters > 1)
            throw DbError(dberr::kGeneral, "A table can have only one auto-increment field.");
    }
    for (const IndexDef& index : def.indexes)
        if (index.name.empty()) throw DbError(dberr::kGeneral, "An index of the table has no name.");
}

}  // namespace

std::vector<std::string> CreateTableStatements(const TableDef& def, Backend backend) {
    CheckTable(def);
    const std::string table = sqldialect::QuoteIdentifier(def.name, backend);
    std::string create = "CREATE TABLE " + table + " (";
    bool hasCounter = false;
    for (std::size_t i = 0; i < def.fields.size(); ++i) {
        const std::string column = sqldialect::QuoteIdentifier(def.fields[i].name, backend);
        create += (i ? ", " : "") + column + " " + ColumnSql(def.fields[i], column, backend);
        hasCounter = hasCounter || IsCounter(def.fields[i]);
    }
    // SQLite's counter is the primary key already; a PostgreSQL identity column is not.
    bool primary = backend == Backend::Sqlite && hasCounter;
    for (const IndexDef& index : def.indexes) {
        if (!index.primary || primary) continue;
        create += ", PRIMARY KEY (" + IndexColumns(def, index, backend) + ")";
        primary = true;
    }
    std::vector<std::string> statements{create + ")"};
    for (const IndexDef& index : def.indexes) {
        const char* unique = index.unique || index.primary ? "UNIQUE " : "";
        statements.push_back(std::string("CREATE ") + unique + "INDEX " +
                             sqldialect::QuoteIdentifier(index.name, backend) + " ON " + table + " (" +
                             IndexColumns(def, index, backend) + ")");
    }
    return statements;
}

}  // namespace quarrymink::core
