// The SQLite backend.
//
// Three kinds of record set:
// * a read-only query streams: one prepared statement steps forward; the position is a row
//   number, MoveLast only counts the rows (SELECT COUNT(*)), and a row is stepped to when a
//   field of it is read. Nothing but the current row is ever held.
// * an updatable query keeps the rowids of its rows (8 bytes a row) in the query's order,
//   taken when it opens, and reads a row by its rowid when a field of it is read. Updates and
//   deletes go to exactly that rowid, so duplicates and tables without a key are no problem,
//   and changes made through the set never move its rows.
// * a table set (a bare table name) is the same over the whole table, in the order of its
//   current index; it is live: rows added or changed on the connection show up at the next
//   move, and Seek finds rows through the index.
#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <optional>
#include <vector>

#include "owned_handle.h"
#include "quarrymink/sampledb.h"
#include "quarrymink/unicode.h"
#include "recordset_core.h"
#include "sql_dialect.h"

namespace quarrymink::sqlite_backend {

/// The open database handle, shared by the connection and every record set opened on it, so
/// that a set stays valid whatever the order in which the host releases them (closed for
/// good once its last statement is finalized).
using Handle = OwnedHandle<sqlite3, &sqlite3_close_v2>;

/// A prepared statement, finalized with its owner. Failures are DbErrors with SQLite's message.
class Statement {
public:
    Statement() = default;
    /// Prepares the one statement of sql; DbError when sql is empty or holds a second one.
    Statement(sqlite3* db, std::string_view sql);

    explicit operator bool() const noexcept { return st_.get() != nullptr; }
    sqlite3_stmt* get() const noexcept { return st_.get(); }
    /// True for a row, false when done.
    bool Step();
    void Reset();
    /// Runs a statement that returns no rows and resets it, also when it fails.
    void Run();
    void Bind(int index, const Value& value);
    void BindInt64(int index, std::int64_t value);
    Value Column(int index) const;
    std::int64_t ColumnInt64(int index) const;

private:
    OwnedHandle<sqlite3_stmt, &sqlite3_finalize> st_;
};

}  // namespace quarrymink::sqlite_backend

namespace quarrymink {
namespace sqlite_backend {
namespace {

using sqldialect::Backend;

[[noreturn]] void Fail(sqlite3* db, const std::string& context = {}) {
    std::string message = sqlite3_errmsg(db);
    if (!context.empty()) message = context + ": " + message;
    throw DbError(dberr::kGeneral, message);
}

using core::NoCurrentRecord;
using core::RecordDeleted;

std::string Utf8(std::u16string_view text) {
    return Utf16ToUtf8(text);
}

}  // namespace

namespace {

// Prepares the first statement of sql; end receives the offset just past it.
sqlite3_stmt* Prepare(sqlite3* db, std::string_view sql, std::size_t& end) {
    sqlite3_stmt* st = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &st, &tail) != SQLITE_OK) {
        sqlite3_finalize(st);
        Fail(db);
    }
    end = tail ? static_cast<std::size_t>(tail - sql.data()) : sql.size();
    return st;
}

}  // namespace

Statement::Statement(sqlite3* db, std::string_view sql) {
    std::size_t end = 0;
    st_ = decltype(st_)(Prepare(db, sql, end));
    if (!st_.get()) throw DbError(dberr::kGeneral, "The statement is empty.");
    // Whatever follows must be blanks or comments: a second statement is refused, never run
    // and never silently dropped.
    std::size_t restEnd = 0;
    sqlite3_stmt* rest = nullptr;
    bool more = false;
    try {
        rest = Prepare(db, sql.substr(end), restEnd);
        more = rest != nullptr;
    } catch (const DbError&) {
        more = true;  // not even a statement: still more than blanks
    }
    if (more) {
        sqlite3_finalize(rest);
        st_ = {};
        throw DbError(dberr::kGeneral, "Only one statement may be run at a time.");
    }
}

void Statement::Run() {
    try {
        Step();
    } catch (...) {
        Reset();
        throw;
    }
    Reset();
}

bool Statement::Step() {
    const int rc = sqlite3_step(st_.get());
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    sqlite3* db = sqlite3_db_handle(st_.get());
    std::string message = sqlite3_errmsg(db);
    sqlite3_reset(st_.get());
    throw DbError(dberr::kGeneral, message);
}

void Statement::Reset() {
    sqlite3_reset(st_.get());
    sqlite3_clear_bindings(st_.get());
}

void Statement::Bind(int index, const Value& value) {
    int rc = SQLITE_OK;
    const auto& raw = value.Raw();
    if (const auto* whole = std::get_if<std::int64_t>(&raw)) {
        rc = sqlite3_bind_int64(st_.get(), index, *whole);
    } else if (const auto* real = std::get_if<double>(&raw)) {
        rc = sqlite3_bind_double(st_.get(), index, *real);
    } else if (const auto* text = std::get_if<std::u16string>(&raw)) {
        const std::string utf8 = Utf8(*text);
        rc = sqlite3_bind_text64(st_.get(), index, utf8.data(), utf8.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    } else {
        rc = sqlite3_bind_null(st_.get(), index);
    }
    if (rc != SQLITE_OK) Fail(sqlite3_db_handle(st_.get()));
}

void Statement::BindInt64(int index, std::int64_t value) {
    if (sqlite3_bind_int64(st_.get(), index, value) != SQLITE_OK) Fail(sqlite3_db_handle(st_.get()));
}

Value Statement::Column(int index) const {
    switch (sqlite3_column_type(st_.get(), index)) {
        case SQLITE_NULL:
            return Value();
        case SQLITE_INTEGER:
            return Value(static_cast<std::int64_t>(sqlite3_column_int64(st_.get(), index)));
        case SQLITE_FLOAT:
            return Value(sqlite3_column_double(st_.get(), index));
        default: {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st_.get(), index));
            std::u16string out;
            AppendUtf8(out, std::string_view(text ? text : "", sqlite3_column_bytes(st_.get(), index)));
            return Value(std::move(out));
        }
    }
}

std::int64_t Statement::ColumnInt64(int index) const {
    return sqlite3_column_int64(st_.get(), index);
}

namespace {

// ---- column description shared by every kind of set ----

struct Columns {
    std::vector<std::u16string> names;
    std::vector<std::int32_t> sizes;
    std::vector<std::string> origins;  // quoted base column, empty for a computed one
    std::string table;                 // quoted base table of the columns; empty when none
    int offset = 0;                    // statement columns before the caller's (the hidden rowid)

    static Columns Describe(sqlite3_stmt* st, int offset) {
        Columns c;
        c.offset = offset;
        const int count = sqlite3_column_count(st);
        for (int i = offset; i < count; ++i) {
            std::u16string name;
            const char* raw = sqlite3_column_name(st, i);
            AppendUtf8(name, raw ? raw : "");
            c.names.push_back(std::move(name));
            const char* decl = sqlite3_column_decltype(st, i);
            c.sizes.push_back(decl ? sqldialect::DeclaredTextSize(decl) : 0);
            const char* origin = sqlite3_column_origin_name(st, i);
            const char* table = sqlite3_column_table_name(st, i);
            const char* database = sqlite3_column_database_name(st, i);
            if (origin && table) {
                std::string qualified = sqldialect::QuoteIdentifier(
                                            std::string_view(database ? database : "main"), Backend::Sqlite) +
                                        "." +
                                        sqldialect::QuoteIdentifier(std::string_view(table), Backend::Sqlite);
                if (c.table.empty()) c.table = qualified;
                // A column of another table (a join) cannot be written through the set.
                c.origins.push_back(qualified == c.table ? sqldialect::QuoteIdentifier(
                                                               std::string_view(origin), Backend::Sqlite)
                                                         : std::string());
            } else {
                c.origins.emplace_back();
            }
        }
        return c;
    }
};

// ---- what every set shares ----

class SetBase : public core::RecordsetCore {
public:
    explicit SetBase(std::shared_ptr<Handle> handle) : handle_(std::move(handle)) {}

protected:
    sqlite3* Db() const { return handle_->get(); }
    void Describe(sqlite3_stmt* st, int offset) {
        columns_ = Columns::Describe(st, offset);
        names_ = columns_.names;
        sizes_ = columns_.sizes;
    }

    std::shared_ptr<Handle> handle_;
    Columns columns_;
};

// ---- read-only query: a forward-stepping statement ----

class StreamSet final : public SetBase {
public:
    StreamSet(std::shared_ptr<Handle> handle, std::string sql)
        : SetBase(std::move(handle)), sql_(std::move(sql)) {
        stmt_ = Statement(Db(), sql_);
        Describe(stmt_.get(), 0);
        if (stmt_.Step()) {
            stmtRow_ = pos_ = 0;
        } else {
            done_ = true;
            count_ = 0;
            bof_ = eof_ = true;
        }
    }

    bool Bof() const override { return bof_; }
    bool Eof() const override { return eof_; }

    void MoveNext() override {
        CheckOpen();
        if (eof_) NoCurrentRecord();
        const std::int64_t target = bof_ ? 0 : pos_ + 1;
        bof_ = false;
        if (stmtRow_ == target) {
            pos_ = target;
        } else if (stmtRow_ == target - 1 && !done_) {
            // The usual forward walk: one step of the statement.
            if (stmt_.Step()) {
                stmtRow_ = pos_ = target;
                if (count_ >= 0 && count_ <= target) count_ = target + 1;
            } else {
                done_ = true;
                count_ = pos_ = stmtRow_ = target;
                eof_ = true;
            }
        } else {
            EnsureCount();
            pos_ = std::min(target, count_);
            eof_ = pos_ >= count_;
        }
    }

    void MovePrevious() override {
        CheckOpen();
        if (bof_) NoCurrentRecord();
        if (eof_) EnsureCount();
        const std::int64_t target = eof_ ? count_ - 1 : pos_ - 1;
        eof_ = false;
        if (target < 0) {
            bof_ = true;
            pos_ = -1;
        } else {
            pos_ = target;
        }
    }

    void MoveFirst() override {
        CheckOpen();
        if (count_ == 0) NoCurrentRecord();
        pos_ = 0;
        bof_ = eof_ = false;
    }

    void MoveLast() override {
        CheckOpen();
        EnsureCount();
        if (count_ == 0) {
            bof_ = eof_ = true;
            NoCurrentRecord();
        }
        pos_ = count_ - 1;
        bof_ = eof_ = false;
    }

    std::int64_t RecordCount() override {
        CheckOpen();
        EnsureCount();
        return count_;
    }

    Value StoredValue(int index) const override {
        Materialize();
        return stmt_.Column(index);
    }

    // The path of a search: the text straight from the statement into the caller's buffer.
    void FieldTextAt(int index, std::u16string& out) const override {
        CheckIndex(index);
        Materialize();
        sqlite3_stmt* st = stmt_.get();
        const int type = sqlite3_column_type(st, index);
        if (type != SQLITE_TEXT && type != SQLITE_BLOB) {
            out = stmt_.Column(index).ToText();
            return;
        }
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, index));
        out.clear();
        AppendUtf8(out, std::string_view(text ? text : "", sqlite3_column_bytes(st, index)));
    }

    std::string Bookmark() const override {
        CheckOpen();
        if (bof_ || eof_) NoCurrentRecord();
        return std::to_string(pos_);
    }

    void SetBookmark(const std::string& bookmark) override {
        CheckOpen();
        const std::int64_t row = core::ParseBookmark(bookmark);
        if (row < 0 || (count_ >= 0 && row >= count_)) core::InvalidBookmark();
        const std::int64_t before = pos_;
        const bool bof = bof_, eof = eof_;
        pos_ = row;
        bof_ = eof_ = false;
        try {
            Materialize();
        } catch (const DbError&) {
            pos_ = before, bof_ = bof, eof_ = eof;
            core::InvalidBookmark();
        }
    }

    void Close() override {
        stmt_ = Statement();
        closed_ = true;
    }

private:
    // Brings the statement to the current row: a step or two forward, or from the start again.
    void Materialize() const {
        if (bof_ || eof_) NoCurrentRecord();
        if (stmtRow_ == pos_ && !done_) return;
        if (done_ || stmtRow_ > pos_) {
            stmt_.Reset();
            stmtRow_ = -1;
            done_ = false;
        }
        while (stmtRow_ < pos_) {
            if (!stmt_.Step()) {
                done_ = true;
                RecordDeleted();  // the table lost rows since the set was counted
            }
            ++stmtRow_;
        }
    }

    void EnsureCount() {
        if (count_ >= 0) return;
        try {
            Statement count(Db(), "SELECT COUNT(*) FROM (" + sqldialect::WithoutTrailingOrderBy(sql_) + ")");
            count.Step();
            count_ = count.ColumnInt64(0);
        } catch (const DbError&) {
            // Not a plain query (a PRAGMA, say): count by stepping a statement of its own.
            Statement walk(Db(), sql_);
            std::int64_t n = 0;
            while (walk.Step()) ++n;
            count_ = n;
        }
    }

    std::string sql_;
    mutable Statement stmt_;
    mutable std::int64_t stmtRow_ = -1;  // the row the statement stands on
    mutable bool done_ = false;          // the statement has stepped past its last row
    std::int64_t pos_ = -1;
    std::int64_t count_ = -1;
    bool bof_ = false, eof_ = false;
};

// ---- updatable query and table set: rowids ----

struct IndexColumn {
    std::string name;     // quoted
    std::string collate;  // collation name
    bool desc = false;
};

class KeysetSet final : public SetBase {
public:
    // An updatable query: rowidSql is the query with the rowid put first in its select list.
    static std::unique_ptr<Recordset> OpenQuery(std::shared_ptr<Handle> handle, const std::string& rowidSql) {
        auto set = std::unique_ptr<KeysetSet>(new KeysetSet(std::move(handle)));
        Statement st;
        try {
            st = Statement(set->Db(), rowidSql);
        } catch (const DbError&) {
            return nullptr;  // no single rowid behind each row (a join, a view, ...)
        }
        set->Describe(st.get(), 1);
        if (set->columns_.table.empty()) return nullptr;
        set->tableSet_ = false;
        while (st.Step()) set->keys_.push_back(st.ColumnInt64(0));
        set->keysBuilt_ = true;
        set->table_ = set->columns_.table;
        // Rows are read from the table by rowid: a row changed so that it no longer meets the
        // query's condition stays readable. Computed fields come from the query itself.
        std::string list;
        bool computed = false;
        for (const std::string& origin : set->columns_.origins) {
            list += ", " + (origin.empty() ? std::string("NULL") : origin);
            computed = computed || origin.empty();
        }
        set->fetch_ =
            Statement(set->Db(), "SELECT rowid" + list + " FROM " + set->table_ + " WHERE rowid = ?");
        if (computed)
            set->queryFetch_ =
                Statement(set->Db(), "SELECT * FROM (" + rowidSql + ") WHERE \"qm$rowid\" = ?");
        if (set->keys_.empty())
            set->bof_ = set->eof_ = true;
        else
            set->MoveTo(0);
        return set;
    }

    static std::unique_ptr<Recordset> OpenTable(std::shared_ptr<Handle> handle, std::u16string_view name) {
        auto set = std::unique_ptr<KeysetSet>(new KeysetSet(std::move(handle)));
        set->tableName_ = Utf8(name);
        set->table_ = sqldialect::QuoteIdentifier(name, Backend::Sqlite);
        Statement st(set->Db(), "SELECT rowid AS \"qm$rowid\", * FROM " + set->table_);
        set->Describe(st.get(), 1);
        set->fetch_ =
            Statement(set->Db(), "SELECT rowid AS \"qm$rowid\", * FROM " + set->table_ + " WHERE rowid = ?");
        set->tableSet_ = true;
        set->UseOrder({});
        set->EdgeRow(true, false);
        return set;
    }

    bool Bof() const override { return bof_; }
    bool Eof() const override { return eof_; }

    void MoveNext() override {
        CheckOpen();
        CancelEdit();
        if (eof_) NoCurrentRecord();
        EnsureKeys();
        std::int64_t target = 0;
        if (!bof_) {
            Locate();
            target = deleted_ ? pos_ : pos_ + 1;
        }
        if (target >= Size()) {
            eof_ = true;
            bof_ = Size() == 0;
            pos_ = Size();
            posKnown_ = false;
        } else {
            MoveTo(target);
        }
    }

    void MovePrevious() override {
        CheckOpen();
        CancelEdit();
        if (bof_) NoCurrentRecord();
        EnsureKeys();
        std::int64_t target;
        if (eof_) {
            target = Size() - 1;
        } else {
            Locate();
            target = pos_ - 1;
        }
        if (target < 0) {
            bof_ = true;
            eof_ = Size() == 0;
            pos_ = -1;
            posKnown_ = false;
        } else {
            MoveTo(target);
        }
    }

    void MoveFirst() override { MoveToEdge(true); }
    void MoveLast() override { MoveToEdge(false); }

    std::int64_t RecordCount() override {
        CheckOpen();
        if (!tableSet_ || Fresh()) return Size();
        Statement count(Db(), "SELECT COUNT(*) FROM " + table_);
        count.Step();
        return count.ColumnInt64(0);
    }

    Value StoredValue(int index) const override {
        LoadRow();
        return row_[static_cast<std::size_t>(index)];
    }

    void Edit() override {
        CheckOpen();
        LoadRow();
        edit_.Begin(core::EditBuffer::Mode::Editing, names_.size());
    }

    void AddNew() override {
        CheckOpen();
        edit_.Begin(core::EditBuffer::Mode::Adding, names_.size());
    }

    void Update() override {
        CheckOpen();
        const std::vector<std::size_t> changed = edit_.ChangedFields();
        if (!edit_.Adding()) {
            if (!changed.empty()) WriteRow(changed);
        } else {
            InsertRow(changed);
        }
        edit_.Cancel();
    }

    void Delete() override {
        CheckOpen();
        CancelEdit();
        if (bof_ || eof_) NoCurrentRecord();
        if (deleted_) RecordDeleted();
        // The position first, so that the moves after the delete go on from the row's place.
        EnsureKeys();
        Locate();
        Statement& st = Cached("DELETE FROM " + table_ + " WHERE rowid = ?");
        st.BindInt64(1, current_);
        st.Step();
        st.Reset();
        if (sqlite3_changes64(Db()) == 0) RecordDeleted();
        if (!deleted_) keys_.erase(keys_.begin() + pos_);
        stamp_ = sqlite3_total_changes64(Db());
        deleted_ = true;
        rowLoaded_ = false;
    }

    std::string Bookmark() const override {
        CheckOpen();
        if (bof_ || eof_) NoCurrentRecord();
        if (deleted_) RecordDeleted();
        return std::to_string(current_);
    }

    void SetBookmark(const std::string& bookmark) override {
        CheckOpen();
        const std::int64_t rowid = core::ParseBookmark(bookmark);
        const auto invalid = [] { core::InvalidBookmark(); };
        std::int64_t position = -1;
        if (!tableSet_) {
            const auto it = std::find(keys_.begin(), keys_.end(), rowid);
            if (it == keys_.end()) invalid();
            position = it - keys_.begin();
        }
        fetch_.BindInt64(1, rowid);
        const bool exists = fetch_.Step();
        fetch_.Reset();
        if (!exists) invalid();
        CancelEdit();
        SetCurrent(rowid, position);
    }

    void SetIndex(std::u16string_view indexName) override {
        CheckOpen();
        if (!tableSet_) core::NotSupported();
        std::vector<IndexColumn> order;
        std::string found;
        {
            Statement list(Db(), "PRAGMA index_list(" + table_ + ")");
            while (list.Step()) {
                const Value name = list.Column(1);
                if (!name.IsNull() && sqldialect::NamesEqual(name.ToText(), indexName))
                    found = Utf8(name.ToText());
            }
        }
        if (!found.empty()) {
            Statement info(Db(), "PRAGMA index_xinfo(" +
                                     sqldialect::QuoteIdentifier(std::string_view(found), Backend::Sqlite) +
                                     ")");
            while (info.Step()) {
                if (info.ColumnInt64(5) == 0) continue;  // not a key column
                if (info.ColumnInt64(1) == -2)
                    throw DbError(dberr::kGeneral, "An index on an expression cannot serve a table set.");
                const Value column = info.Column(2);
                if (column.IsNull()) break;  // the rowid ends the key
                order.push_back({sqldialect::QuoteIdentifier(column.ToText(), Backend::Sqlite),
                                 Utf8(info.Column(4).IsNull() ? u"BINARY" : info.Column(4).ToText()),
                                 info.ColumnInt64(3) != 0});
            }
        } else if (sqldialect::NamesEqual(indexName, u"PrimaryKey")) {
            // The primary key has no index of its own when it is the rowid.
            Statement info(Db(), "PRAGMA table_info(" + table_ + ")");
            std::vector<std::pair<std::int64_t, std::u16string>> keys;
            while (info.Step())
                if (info.ColumnInt64(5) > 0) keys.emplace_back(info.ColumnInt64(5), info.Column(1).ToText());
            std::sort(keys.begin(), keys.end());
            for (const auto& key : keys)
                order.push_back({sqldialect::QuoteIdentifier(key.second, Backend::Sqlite), "BINARY", false});
        } else {
            throw DbError(dberr::kNotAnIndex, "'" + Utf8(indexName) + "' isn't an index in this table.");
        }
        CancelEdit();
        UseOrder(std::move(order));
        indexSet_ = true;
    }

    void Seek(std::u16string_view op, const std::vector<Value>& keys) override {
        CheckOpen();
        core::CheckSeek(tableSet_, indexSet_ ? index_.size() : 0, op, keys.size());
        CancelEdit();
        std::string sql = "SELECT rowid FROM " + table_ + " WHERE ";
        for (std::size_t i = 0; i < keys.size(); ++i) {
            if (i) sql += " AND ";
            sql += index_[i].name + " = ?" + std::to_string(i + 1) + " COLLATE " + index_[i].collate;
        }
        sql += orderBy_ + " LIMIT 1";
        Statement& st = Cached(sql);
        for (std::size_t i = 0; i < keys.size(); ++i) st.Bind(static_cast<int>(i + 1), keys[i]);
        const bool found = st.Step();
        const std::int64_t rowid = found ? st.ColumnInt64(0) : 0;
        st.Reset();
        noMatch_ = !found;
        if (found) SetCurrent(rowid, -1);
    }

    void Close() override {
        fetch_ = Statement();
        queryFetch_ = Statement();
        cache_.clear();
        keys_.clear();
        keys_.shrink_to_fit();
        closed_ = true;
    }

private:
    explicit KeysetSet(std::shared_ptr<Handle> handle) : SetBase(std::move(handle)) {}

    std::int64_t Size() const { return static_cast<std::int64_t>(keys_.size()); }

    // The rowids still describe the table: always for a query, for a table set only while
    // nothing changed rows on the connection since they were read.
    bool Fresh() const { return keysBuilt_ && (!tableSet_ || sqlite3_total_changes64(Db()) == stamp_); }

    void EnsureKeys() {
        if (Fresh()) return;
        keys_.clear();
        Statement st(Db(), "SELECT rowid FROM " + table_ + orderBy_);
        while (st.Step()) keys_.push_back(st.ColumnInt64(0));
        keysBuilt_ = true;
        stamp_ = sqlite3_total_changes64(Db());
        posKnown_ = false;
    }

    // Finds the position of the current row among fresh rowids. A row that is gone leaves the
    // position where it was, so that the moves go on from there.
    void Locate() {
        if (posKnown_ || bof_ || eof_) return;
        const auto it = std::find(keys_.begin(), keys_.end(), current_);
        if (it != keys_.end()) {
            pos_ = it - keys_.begin();
        } else {
            deleted_ = true;
            pos_ = std::clamp<std::int64_t>(pos_, 0, Size());
        }
        posKnown_ = true;
    }

    void MoveTo(std::int64_t position) { SetCurrent(keys_[static_cast<std::size_t>(position)], position); }

    void SetCurrent(std::int64_t rowid, std::int64_t position) {
        current_ = rowid;
        pos_ = position;
        posKnown_ = position >= 0;
        deleted_ = false;
        rowLoaded_ = false;
        bof_ = eof_ = false;
    }

    // First or last row. A table set whose rowids are out of date asks the index instead of
    // reading them all again: that keeps a loop of Seek and AddNew cheap.
    void MoveToEdge(bool first) {
        CheckOpen();
        CancelEdit();
        if (tableSet_ && !Fresh()) {
            EdgeRow(first, true);
            return;
        }
        if (keys_.empty()) {
            bof_ = eof_ = true;
            NoCurrentRecord();
        }
        MoveTo(first ? 0 : Size() - 1);
    }

    void EdgeRow(bool first, bool raise) {
        Statement& st = Cached(first ? firstSql_ : lastSql_);
        const bool found = st.Step();
        const std::int64_t rowid = found ? st.ColumnInt64(0) : 0;
        st.Reset();
        if (found) {
            SetCurrent(rowid, -1);
        } else {
            bof_ = eof_ = true;
            if (raise) NoCurrentRecord();
        }
    }

    void UseOrder(std::vector<IndexColumn> order) {
        index_ = std::move(order);
        std::string ascending = " ORDER BY ", descending = " ORDER BY ";
        for (const IndexColumn& column : index_) {
            const std::string collated = column.name + " COLLATE " + column.collate;
            ascending += collated + (column.desc ? " DESC, " : ", ");
            descending += collated + (column.desc ? ", " : " DESC, ");
        }
        orderBy_ = ascending + "rowid";
        firstSql_ = "SELECT rowid FROM " + table_ + orderBy_ + " LIMIT 1";
        lastSql_ = "SELECT rowid FROM " + table_ + descending + "rowid DESC LIMIT 1";
        keysBuilt_ = false;
        posKnown_ = false;
    }

    void LoadRow() const {
        if (bof_ || eof_) NoCurrentRecord();
        if (deleted_) RecordDeleted();
        if (rowLoaded_) return;
        fetch_.BindInt64(1, current_);
        if (!fetch_.Step()) {
            fetch_.Reset();
            RecordDeleted();
        }
        row_.resize(names_.size());
        for (std::size_t i = 0; i < row_.size(); ++i)
            row_[i] = fetch_.Column(static_cast<int>(i) + columns_.offset);
        fetch_.Reset();
        if (queryFetch_) {
            queryFetch_.BindInt64(1, current_);
            const bool found = queryFetch_.Step();
            for (std::size_t i = 0; i < row_.size(); ++i) {
                if (columns_.origins[i].empty())
                    row_[i] = found ? queryFetch_.Column(static_cast<int>(i) + columns_.offset) : Value();
            }
            queryFetch_.Reset();
        }
        rowLoaded_ = true;
    }

    void CancelEdit() { edit_.Cancel(); }

    bool FieldWritable(std::size_t index) const override { return !columns_.origins[index].empty(); }

    void WriteRow(const std::vector<std::size_t>& changed) {
        const bool fresh = tableSet_ && Fresh();
        bool reorders = false;
        std::string sql = "UPDATE " + table_ + " SET ";
        for (std::size_t n = 0; n < changed.size(); ++n) {
            const std::string& column = columns_.origins[changed[n]];
            if (n) sql += ", ";
            sql += column + " = ?" + std::to_string(n + 1);
            for (const IndexColumn& key : index_)
                if (sqlite3_stricmp(key.name.c_str(), column.c_str()) == 0) reorders = true;
        }
        sql += " WHERE rowid = ?" + std::to_string(changed.size() + 1);
        Statement& st = Cached(sql);
        for (std::size_t n = 0; n < changed.size(); ++n)
            st.Bind(static_cast<int>(n + 1), *edit_.Changed(changed[n]));
        st.BindInt64(static_cast<int>(changed.size() + 1), current_);
        st.Run();
        if (sqlite3_changes64(Db()) == 0) RecordDeleted();
        rowLoaded_ = false;
        // A change of other fields leaves the order, and with it the rowids, as they were.
        if (fresh && !reorders) stamp_ = sqlite3_total_changes64(Db());
    }

    void InsertRow(const std::vector<std::size_t>& changed) {
        std::string sql = "INSERT INTO " + table_;
        if (changed.empty()) {
            sql += " DEFAULT VALUES";
        } else {
            std::string values;
            sql += " (";
            for (std::size_t n = 0; n < changed.size(); ++n) {
                if (n) sql += ", ", values += ", ";
                sql += columns_.origins[changed[n]];
                values += "?" + std::to_string(n + 1);
            }
            sql += ") VALUES (" + values + ")";
        }
        Statement& st = Cached(sql);
        for (std::size_t n = 0; n < changed.size(); ++n)
            st.Bind(static_cast<int>(n + 1), *edit_.Changed(changed[n]));
        st.Run();
        lastInsertId_ = sqlite3_last_insert_rowid(Db());
        // A query shows the rows it added at its end; a table set shows them in index order.
        if (!tableSet_) keys_.push_back(lastInsertId_);
        // A row added to an empty set becomes its current row.
        if (bof_ && eof_) SetCurrent(lastInsertId_, tableSet_ ? -1 : Size() - 1);
    }

    // Statements of the updates, prepared once: a recode runs the same one a million times.
    Statement& Cached(const std::string& sql) {
        for (auto& [text, st] : cache_)
            if (text == sql) return st;
        if (cache_.size() >= 8) cache_.erase(cache_.begin());
        cache_.emplace_back(sql, Statement(Db(), sql));
        return cache_.back().second;
    }

    bool tableSet_ = false;
    std::string tableName_;
    std::string table_;  // quoted
    mutable Statement fetch_;
    mutable Statement queryFetch_;  // computed fields of a query's row
    std::vector<std::pair<std::string, Statement>> cache_;

    std::vector<std::int64_t> keys_;
    bool keysBuilt_ = false;
    std::int64_t stamp_ = -1;

    std::vector<IndexColumn> index_;
    bool indexSet_ = false;
    std::string orderBy_, firstSql_, lastSql_;

    std::int64_t current_ = 0;  // rowid of the current row
    std::int64_t pos_ = -1;     // its position among keys_, when posKnown_
    bool posKnown_ = false;
    bool deleted_ = false;  // the current row was deleted (pos_ is where it stood)
    bool bof_ = false, eof_ = false;

    mutable std::vector<Value> row_;
    mutable bool rowLoaded_ = false;
};

// ---- the connection ----

class SqliteConnection final : public core::ConnectionCore {
public:
    explicit SqliteConnection(std::shared_ptr<Handle> handle)
        : ConnectionCore(ConnectionKind::Sqlite), handle_(std::move(handle)) {}

    bool TableExists(std::u16string_view name) override {
        Statement st(
            handle_->get(),
            "SELECT 1 FROM sqlite_master WHERE type IN ('table', 'view') AND name = ? COLLATE NOCASE");
        st.Bind(1, Value(name));
        return st.Step();
    }

private:
    std::unique_ptr<Recordset> OpenTable(std::u16string_view name) override {
        return KeysetSet::OpenTable(handle_, name);
    }

    std::unique_ptr<Recordset> OpenQuery(const std::string& sql, bool updatable) override {
        const std::size_t at = updatable ? sqldialect::RowSelectListStart(sql) : std::string::npos;
        if (at != std::string::npos) {
            const std::string rowidSql = sql.substr(0, at) + " rowid AS \"qm$rowid\"," + sql.substr(at);
            // Without a rowid behind each row the set is read-only, below, where a fault of
            // the query itself is reported; a failure to read the rows is reported here.
            if (std::unique_ptr<Recordset> set = KeysetSet::OpenQuery(handle_, rowidSql)) return set;
        }
        return std::make_unique<StreamSet>(handle_, sql);
    }

    std::int64_t ExecuteStatement(const std::string& sql) override {
        Statement st(handle_->get(), sql);
        const std::int64_t before = sqlite3_total_changes64(handle_->get());
        while (st.Step()) {
        }
        return sqlite3_total_changes64(handle_->get()) - before;
    }

    void RunAtomically(const std::vector<std::string>& statements) override {
        ExecuteStatement("SAVEPOINT qm_atomic");
        try {
            for (const std::string& statement : statements) ExecuteStatement(statement);
        } catch (...) {
            ExecuteStatement("ROLLBACK TO qm_atomic");
            ExecuteStatement("RELEASE qm_atomic");
            throw;
        }
        ExecuteStatement("RELEASE qm_atomic");
    }

    std::shared_ptr<Handle> handle_;
};

}  // namespace
}  // namespace sqlite_backend

namespace sqlite_backend {
namespace {

// The path as the file part of a "file:" URI.
std::string UriPath(const std::string& path) {
    std::string out;
    for (const char c : path) {
        if (c == '%' || c == '?' || c == '#') {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}

std::shared_ptr<Handle> OpenHandle(const std::string& path, const std::string& name, int flags) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(name.c_str(), &raw, flags, nullptr);
    auto handle = std::make_shared<Handle>(raw);
    if (rc != SQLITE_OK) Fail(raw, "Could not open the database '" + RedactPassword(path) + "'");
    // Before the first statement, so that a database another process is writing is waited for.
    sqlite3_busy_timeout(raw, 5000);
    return handle;
}

// The first read: a file that is no database opens without complaint and fails here.
int FirstRead(sqlite3* db, std::string& message) {
    char* error = nullptr;
    const int rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, &error);
    if (rc != SQLITE_OK) message = error ? error : sqlite3_errmsg(db);
    sqlite3_free(error);
    return rc;
}

}  // namespace
}  // namespace sqlite_backend

std::unique_ptr<Connection> OpenSqlite(const std::string& path, Access access, bool create) {
    using namespace sqlite_backend;
    namespace fs = std::filesystem;
    if (path.empty()) throw DbError(dberr::kGeneral, "No database file was named.");
    const bool readOnly = access == Access::ReadOnly;
    // A connection and its record sets are used by one thread at a time, so SQLite need not
    // take the connection's lock on every call (a search reads several fields of every row).
    const int flags =
        SQLITE_OPEN_NOMUTEX |
        (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0));
    std::shared_ptr<Handle> handle = OpenHandle(path, path, flags);
    std::string message;
    int rc = FirstRead(handle->get(), message);
    std::error_code ec;
    const int primary = rc & 0xFF;
    if (readOnly && primary != SQLITE_OK && primary != SQLITE_NOTADB && primary != SQLITE_CORRUPT &&
        !fs::exists(path + "-wal", ec)) {
        // A database in write-ahead-log mode needs a shared-memory file beside it, which a
        // read-only folder cannot hold. With no log file there, everything committed is in
        // the database file itself, so it is read as it is, without that file.
        handle = OpenHandle(path, "file:" + UriPath(path) + "?immutable=1", flags | SQLITE_OPEN_URI);
        rc = FirstRead(handle->get(), message);
    }
    if (rc != SQLITE_OK)
        throw DbError(dberr::kGeneral,
                      "Could not open the database '" + RedactPassword(path) + "': " + message);
    sqlite3* raw = handle->get();
    sqlite3_exec(raw, "PRAGMA case_sensitive_like = ON", nullptr, nullptr, nullptr);
    // Changes through a record set are transactions of their own; in a database created with
    // the write-ahead log (CreateSqlite) they then cost no sync of the disk. The journal mode
    // itself is the file's and is never changed here: opening a database does not write it.
    sqlite3_exec(raw, "PRAGMA synchronous = NORMAL", nullptr, nullptr, nullptr);
    // Reads through a memory map: a search visits its rows in text order, all over the file.
    sqlite3_exec(raw, "PRAGMA mmap_size = 268435456", nullptr, nullptr, nullptr);
    return std::make_unique<SqliteConnection>(std::move(handle));
}

void CopySqliteDatabase(const std::string& from, const std::string& to) {
    using namespace sqlite_backend;
    const std::shared_ptr<Handle> source = OpenHandle(from, from, SQLITE_OPEN_READONLY);
    const std::shared_ptr<Handle> target = OpenHandle(to, to, SQLITE_OPEN_READWRITE);
    std::string message;
    if (FirstRead(target->get(), message) != SQLITE_OK)
        throw DbError(dberr::kGeneral,
                      "Could not open the database '" + RedactPassword(to) + "': " + message);
    sqlite3_backup* backup = sqlite3_backup_init(target->get(), "main", source->get(), "main");
    if (!backup) Fail(target->get(), "Could not copy into '" + RedactPassword(to) + "'");
    int rc = SQLITE_OK;
    // The whole copy in one step, as one write transaction of the target: a writer that holds
    // the target is waited for (the busy timeout, then a few more tries).
    for (int attempt = 0; attempt < 20; ++attempt) {
        rc = sqlite3_backup_step(backup, -1);
        if (rc != SQLITE_BUSY && rc != SQLITE_LOCKED) break;
        sqlite3_sleep(100);
    }
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE) Fail(target->get(), "Could not copy into '" + RedactPassword(to) + "'");
}

std::unique_ptr<Connection> OpenSqlite(const std::string& path, bool create) {
    return OpenSqlite(path, Access::ReadWrite, create);
}

std::unique_ptr<Connection> CreateSqlite(const std::string& path) {
    std::error_code ec;
    if (path.empty() || std::filesystem::exists(path, ec))
        throw DbError(dberr::kGeneral, "Database already exists: '" + RedactPassword(path) + "'");
    std::unique_ptr<Connection> db = OpenSqlite(path, Access::ReadWrite, true);
    // A new database keeps its changes in a write-ahead log: each change through a record set
    // commits without a sync of the disk (a power failure can lose the last ones, but never
    // damage the file), and readers are never blocked by a writer.
    db->Execute(u"PRAGMA journal_mode = WAL");
    return db;
}

}  // namespace quarrymink
