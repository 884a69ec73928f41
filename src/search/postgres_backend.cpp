// The PostgreSQL backend, through libpq. Every statement goes through the extended query
// protocol, which runs exactly one statement.
//
// A read-only set streams: a forward cursor inside a transaction (begun when the session has
// none, committed when the last such set closes), read one batch at a time, which the server
// does not materialise; RecordCount costs one count query, and a move back reads the rows
// again from a new cursor. Statements run on the session while such a set is open take part
// in its transaction. Such a set fetches ahead: as soon as a whole batch has arrived, the
// next one is asked for without waiting, so that the server finds and sends it while the
// caller works through the current one. Any other statement on the session first waits for
// that batch and keeps it for its set.
//
// An updatable or table set is a SCROLL cursor WITH HOLD: the server keeps the rows of the
// query (on disk when they are many), the client holds one batch of them at a time. A hold
// cursor needs no open transaction, so each change made through a set commits at once, as it
// does in the DAO engine. Such a set carries each row's ctid in a hidden first column and
// changes exactly that row; the new ctid an update returns replaces the old one for later
// changes of the same row. A query set does not show the rows it adds; a table set shows the
// rows added and changed through it from its next move on.
#include <libpq-fe.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <set>
#include <unordered_map>

#include "library_versions.h"
#include "owned_handle.h"
#include "quarrymink/unicode.h"
#include "recordset_core.h"
#include "sql_dialect.h"

namespace quarrymink::postgres_backend {

/// A query result, cleared with its owner.
using Result = OwnedHandle<pg_result, &PQclear>;

/// The server session, shared by the connection and every record set opened on it.
class Session {
public:
    explicit Session(pg_conn* conn) : conn_(conn) {}

    pg_conn* get() const noexcept { return conn_.get(); }
    /// A name for a new server-side cursor, unique within the session.
    std::string NewCursorName() { return "qm_cursor_" + std::to_string(++cursors_); }

    /// Runs one statement (a second one is refused); DbError (with the mapped number) unless
    /// it succeeds.
    Result Exec(const std::string& sql);
    /// Runs one statement with text parameters (std::nullopt is Null).
    Result ExecParams(const std::string& sql, const std::vector<std::optional<std::string>>& params);
    /// Runs the statements all or nothing (in a savepoint when a transaction is open).
    void RunAtomically(const std::vector<std::string>& statements);
    /// Runs one statement and ignores its outcome (closing cursors and transactions).
    void ExecQuietly(const char* sql) noexcept;

    /// A streaming cursor lives in a transaction: the first open stream begins one when the
    /// session has none, and the last one to end commits it. Statements run on the session
    /// in between take part in that transaction.
    void BeginStream();
    void EndStream() noexcept;

    /// The transaction status, once any batch asked for ahead has arrived.
    PGTransactionStatusType TransactionStatus() noexcept;

    /// Asks for the next rows of a cursor without waiting for them (at most one such request
    /// is on its way; an earlier one is received first). False when it could not be sent.
    bool FetchAhead(const std::string& cursor, std::int64_t rows) noexcept;
    /// The rows asked for ahead from the cursor, waiting for them if need be; false when none
    /// were asked for. The result may be a failure (or null), which the caller raises.
    bool TakeFetched(const std::string& cursor, Result& rows) noexcept;
    /// Drops the rows asked for ahead from a cursor that is closed.
    void ForgetFetched(const std::string& cursor) noexcept;

private:
    // Receives the rows asked for ahead, if any are on their way, before the connection is
    // used for anything else.
    void Settle() noexcept;

    OwnedHandle<pg_conn, &PQfinish> conn_;
    long long cursors_ = 0;
    int streams_ = 0;
    bool ownsTransaction_ = false;
    std::string aheadCursor_;  // the cursor whose rows were asked for ahead; empty for none
    bool aheadOnItsWay_ = false;
    Result ahead_;  // the rows once received (a null result when the connection failed)
};

}  // namespace quarrymink::postgres_backend

namespace quarrymink {
namespace postgres_backend {
namespace {

using sqldialect::Backend;

constexpr std::int64_t kBatch = 1000;

// Type oids of the built-in types read as numbers.
constexpr Oid kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26, kFloat4 = 700, kFloat8 = 701,
              kNumeric = 1700, kBpchar = 1042, kVarchar = 1043;

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

[[noreturn]] void ThrowResult(const PGresult* r, PGconn* conn) {
    const char* state = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
    const char* primary = r ? PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    std::string message = primary ? primary : Trimmed(PQerrorMessage(conn));
    if (message.empty()) message = "The PostgreSQL server did not answer.";
    std::int32_t number = dberr::kGeneral;
    if (state && std::string_view(state) == "42703") number = dberr::kUnknownField;
    if (state && std::string_view(state) == "42P01") number = dberr::kUnknownTable;
    throw DbError(number, message);
}

using core::NoCurrentRecord;
using core::ReadOnly;
using core::RecordDeleted;

std::string Utf8(std::u16string_view text) {
    return Utf16ToUtf8(text);
}

std::optional<std::string> Parameter(const Value& value) {
    const auto& raw = value.Raw();
    if (const auto* whole = std::get_if<std::int64_t>(&raw)) return std::to_string(*whole);
    if (const auto* real = std::get_if<double>(&raw)) {
        char buffer[64];
        const auto r = std::to_chars(buffer, buffer + sizeof buffer, *real);
        return std::string(buffer, r.ptr);
    }
    if (const auto* text = std::get_if<std::u16string>(&raw)) {
        if (text->find(u'\0') != std::u16string::npos)
            throw DbError(dberr::kGeneral, "PostgreSQL cannot store a text holding the character U+0000.");
        return Utf8(*text);
    }
    return std::nullopt;
}

std::int64_t ToInt64(const char* text) {
    std::int64_t v = 0;
    std::from_chars(text, text + std::char_traits<char>::length(text), v);
    return v;
}

Value ValueOf(PGresult* r, int row, int col) {
    if (PQgetisnull(r, row, col)) return Value();
    const char* text = PQgetvalue(r, row, col);
    const auto length = static_cast<std::size_t>(PQgetlength(r, row, col));
    switch (PQftype(r, col)) {
        case kBool:
            return Value(static_cast<std::int64_t>(text[0] == 't' ? -1 : 0));
        case kInt2:
        case kInt4:
        case kInt8:
        case kOid:
            return Value(ToInt64(text));
        case kFloat4:
        case kFloat8:
        case kNumeric: {
            double v = 0;
            std::from_chars(text, text + length, v);
            return Value(v);
        }
        default: {
            std::u16string out;
            AppendUtf8(out, std::string_view(text, length));
            return Value(std::move(out));
        }
    }
}

bool IsTextType(Oid type) {
    return type != kBool && type != kInt2 && type != kInt4 && type != kInt8 && type != kOid &&
           type != kFloat4 && type != kFloat8 && type != kNumeric;
}

// A ctid "(block,offset)" in 8 bytes; 0 stands for none.
std::uint64_t PackCtid(const char* text) {
    std::uint64_t block = 0, offset = 0;
    const char* p = text + 1;
    const char* end = text + std::char_traits<char>::length(text);
    p = std::from_chars(p, end, block).ptr + 1;
    std::from_chars(p, end, offset);
    return ((block << 16) | offset) + 1;
}

std::string UnpackCtid(std::uint64_t packed) {
    --packed;
    return "(" + std::to_string(packed >> 16) + "," + std::to_string(packed & 0xFFFF) + ")";
}

std::string WithoutTrailingSemicolons(std::string sql) {
    while (!sql.empty() && (sql.back() == ';' || sql.back() == ' ' || sql.back() == '\n' ||
                            sql.back() == '\t' || sql.back() == '\r'))
        sql.pop_back();
    return sql;
}

}  // namespace

// Every statement goes through the extended query protocol, which runs exactly one
// statement: a second one is refused by the server, never run.
Result Session::Exec(const std::string& sql) {
    return ExecParams(sql, {});
}

void Session::ExecQuietly(const char* sql) noexcept {
    Settle();
    if (PQstatus(get()) != CONNECTION_OK) return;
    PQclear(PQexecParams(get(), sql, 0, nullptr, nullptr, nullptr, nullptr, 0));
}

void Session::RunAtomically(const std::vector<std::string>& statements) {
    const bool own = TransactionStatus() == PQTRANS_IDLE;
    Exec(own ? "BEGIN" : "SAVEPOINT qm_atomic");
    try {
        for (const std::string& statement : statements) Exec(statement);
    } catch (...) {
        if (own) {
            ExecQuietly("ROLLBACK");
        } else {
            ExecQuietly("ROLLBACK TO SAVEPOINT qm_atomic");
            ExecQuietly("RELEASE SAVEPOINT qm_atomic");
        }
        throw;
    }
    Exec(own ? "COMMIT" : "RELEASE SAVEPOINT qm_atomic");
}

void Session::BeginStream() {
    if (streams_ == 0 && TransactionStatus() == PQTRANS_IDLE) {
        Exec("BEGIN");
        ownsTransaction_ = true;
        // A cursor is planned for its first tenth by default, which for a sorted query picks
        // an ordered walk of a whole index over a range scan and a sort; these sets are read
        // to the end. Set for this transaction only, so a host's own transaction is untouched.
        Exec("SET LOCAL cursor_tuple_fraction = 1");
    }
    ++streams_;
}

void Session::EndStream() noexcept {
    if (streams_ == 0 || --streams_ > 0 || !ownsTransaction_) return;
    ownsTransaction_ = false;
    ExecQuietly(TransactionStatus() == PQTRANS_INTRANS ? "COMMIT" : "ROLLBACK");
}

PGTransactionStatusType Session::TransactionStatus() noexcept {
    Settle();
    return PQtransactionStatus(get());
}

void Session::Settle() noexcept {
    if (!aheadOnItsWay_) return;
    aheadOnItsWay_ = false;
    // The one result of the statement, then the end of it.
    ahead_ = Result(PQgetResult(get()));
    while (PGresult* more = PQgetResult(get())) PQclear(more);
}

bool Session::FetchAhead(const std::string& cursor, std::int64_t rows) noexcept {
    Settle();
    if (!aheadCursor_.empty() || PQstatus(get()) != CONNECTION_OK) return false;
    try {
        aheadCursor_ = cursor;
        const std::string sql = "FETCH FORWARD " + std::to_string(rows) + " FROM " + cursor;
        aheadOnItsWay_ = PQsendQueryParams(get(), sql.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0) == 1;
    } catch (...) {
        aheadOnItsWay_ = false;
    }
    if (!aheadOnItsWay_) aheadCursor_.clear();
    return aheadOnItsWay_;
}

bool Session::TakeFetched(const std::string& cursor, Result& rows) noexcept {
    if (aheadCursor_.empty() || aheadCursor_ != cursor) return false;
    Settle();
    aheadCursor_.clear();
    rows = std::move(ahead_);
    return true;
}

void Session::ForgetFetched(const std::string& cursor) noexcept {
    Result dropped;
    TakeFetched(cursor, dropped);
}

Result Session::ExecParams(const std::string& sql, const std::vector<std::optional<std::string>>& params) {
    Settle();
    std::vector<const char*> values;
    for (const auto& p : params) values.push_back(p ? p->c_str() : nullptr);
    Result r(PQexecParams(get(), sql.c_str(), static_cast<int>(values.size()), nullptr, values.data(),
                          nullptr, nullptr, 0));
    const ExecStatusType status = PQresultStatus(r.get());
    if (!r.get() || (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)) ThrowResult(r.get(), get());
    return r;
}

namespace {

class CursorSet final : public core::RecordsetCore {
public:
    // sql: translated. table: for a table set, its quoted name (the set reads all of it).
    CursorSet(std::shared_ptr<Session> session, std::string sql, bool updatable, std::string table)
        : session_(std::move(session)),
          sql_(WithoutTrailingSemicolons(std::move(sql))),
          table_(std::move(table)) {
        tableSet_ = !table_.empty();
        streaming_ = !updatable && !tableSet_;
        Open(updatable || tableSet_);
    }

    ~CursorSet() override {
        try {
            Close();
        } catch (...) {
        }
    }

    bool Bof() const override { return bof_; }
    bool Eof() const override { return eof_; }

    void MoveNext() override {
        CheckOpen();
        CancelEdit();
        Refresh(true);
        if (eof_) NoCurrentRecord();
        std::int64_t target = bof_ ? 0 : pos_ + 1;
        while (deleted_.count(target)) ++target;
        bof_ = false;
        if (Exists(target)) {
            pos_ = target;
        } else {
            eof_ = true;
            pos_ = count_;
            bof_ = Live() == 0;
        }
    }

    void MovePrevious() override {
        CheckOpen();
        CancelEdit();
        Refresh(true);
        if (bof_) NoCurrentRecord();
        if (eof_) EnsureCount();
        std::int64_t target = eof_ ? count_ - 1 : pos_ - 1;
        while (target >= 0 && deleted_.count(target)) --target;
        eof_ = false;
        if (target < 0) {
            bof_ = true;
            eof_ = Live() == 0;
            pos_ = -1;
        } else {
            pos_ = target;
        }
    }

    void MoveFirst() override {
        CheckOpen();
        CancelEdit();
        Refresh(false);
        std::int64_t target = 0;
        while (deleted_.count(target)) ++target;
        if (!Exists(target)) {
            bof_ = eof_ = true;
            NoCurrentRecord();
        }
        pos_ = target;
        bof_ = eof_ = false;
    }

    void MoveLast() override {
        CheckOpen();
        CancelEdit();
        Refresh(false);
        EnsureCount();
        std::int64_t target = count_ - 1;
        while (target >= 0 && deleted_.count(target)) --target;
        if (target < 0) {
            bof_ = eof_ = true;
            NoCurrentRecord();
        }
        pos_ = target;
        bof_ = eof_ = false;
    }

    std::int64_t RecordCount() override {
        CheckOpen();
        Refresh(true);
        EnsureCount();
        return Live();
    }

    Value StoredValue(int index) const override {
        const int row = CurrentRow();
        if (Changed(pos_)) return ChangedRow()[static_cast<std::size_t>(index)];
        return ValueOf(window_.get(), row, index + offset_);
    }

    void FieldTextAt(int index, std::u16string& out) const override {
        CheckIndex(index);
        const int row = CurrentRow();
        const int col = index + offset_;
        PGresult* r = window_.get();
        if (!IsTextType(PQftype(r, col)) || edit_.Active() || Changed(pos_)) {
            out = FieldAt(index).ToText();
            return;
        }
        if (PQgetisnull(r, row, col)) throw DbError(dberr::kInvalidUseOfNull, "Invalid use of Null");
        out.clear();
        AppendUtf8(out, std::string_view(PQgetvalue(r, row, col),
                                         static_cast<std::size_t>(PQgetlength(r, row, col))));
    }

    void Edit() override {
        CheckOpen();
        if (!updatable_) ReadOnly();
        CurrentRow();
        edit_.Begin(core::EditBuffer::Mode::Editing, names_.size());
    }

    void AddNew() override {
        CheckOpen();
        if (!updatable_) ReadOnly();
        edit_.Begin(core::EditBuffer::Mode::Adding, names_.size());
    }

    void Update() override {
        CheckOpen();
        const std::vector<std::size_t> changed = edit_.ChangedFields();
        const bool editing = !edit_.Adding();
        ResolveTable();
        std::vector<std::optional<std::string>> params;
        std::string columns, values;
        for (const std::size_t i : changed) {
            params.push_back(Parameter(*edit_.Changed(i)));
            const std::string& column = columnNames_.at(static_cast<int>(columnNumber_[i]));
            const std::string number = "$" + std::to_string(params.size());
            if (editing) {
                columns += (columns.empty() ? "" : ", ") + column + " = " + number;
            } else {
                columns += (columns.empty() ? "" : ", ") + column;
                values += (values.empty() ? "" : ", ") + number;
            }
        }
        if (editing) {
            if (!params.empty()) {
                params.push_back(Ctid());
                Result r = session_->ExecParams("UPDATE " + table_ + " SET " + columns + " WHERE ctid = $" +
                                                    std::to_string(params.size()) + "::tid RETURNING ctid",
                                                params);
                if (PQntuples(r.get()) == 0) RecordDeleted();
                // The row has a new ctid now, and new values the batch does not show.
                if (newCtid_.size() <= static_cast<std::size_t>(pos_))
                    newCtid_.resize(static_cast<std::size_t>(pos_) + 1);
                newCtid_[static_cast<std::size_t>(pos_)] = PackCtid(PQgetvalue(r.get(), 0, 0));
                changedPos_ = -1;
            }
        } else {
            const std::string returning =
                " RETURNING " + (autoColumn_.empty() ? std::string("NULL") : autoColumn_);
            Result r = params.empty()
                           ? session_->Exec("INSERT INTO " + table_ + " DEFAULT VALUES" + returning)
                           : session_->ExecParams("INSERT INTO " + table_ + " (" + columns + ") VALUES (" +
                                                      values + ")" + returning,
                                                  params);
            if (PQntuples(r.get()) > 0 && !PQgetisnull(r.get(), 0, 0))
                lastInsertId_ = ToInt64(PQgetvalue(r.get(), 0, 0));
        }
        // A table set shows its rows in index order, new and changed ones included.
        if (tableSet_) stale_ = true;
        CancelEdit();
    }

    void Delete() override {
        CheckOpen();
        if (!updatable_) ReadOnly();
        CancelEdit();
        CurrentRow();
        ResolveTable();
        Result r = session_->ExecParams("DELETE FROM " + table_ + " WHERE ctid = $1::tid", {Ctid()});
        if (ToInt64(PQcmdTuples(r.get())) == 0) RecordDeleted();
        deleted_.insert(pos_);
    }

    std::string Bookmark() const override {
        CurrentRow();
        return std::to_string(pos_);
    }

    void SetBookmark(const std::string& bookmark) override {
        CheckOpen();
        const std::int64_t row = core::ParseBookmark(bookmark);
        if (row < 0 || deleted_.count(row) || !Exists(row)) core::InvalidBookmark();
        CancelEdit();
        pos_ = row;
        bof_ = eof_ = false;
    }

    void SetIndex(std::u16string_view indexName) override {
        CheckOpen();
        if (!tableSet_) core::NotSupported();
        const bool primary = sqldialect::NamesEqual(indexName, u"PrimaryKey");
        Result r = session_->ExecParams(
            "SELECT quote_ident(a.attname), a.attname FROM pg_catalog.pg_index i "
            "JOIN pg_catalog.pg_class ic ON ic.oid = i.indexrelid "
            "JOIN pg_catalog.pg_attribute a ON a.attrelid = i.indrelid AND a.attnum = ANY (i.indkey) "
            "WHERE i.indrelid = $1::regclass AND (lower(ic.relname) = lower($2) OR ($3 AND i.indisprimary)) "
            "ORDER BY array_position(i.indkey::int2[], a.attnum)",
            {table_, Utf8(indexName), std::string(primary ? "true" : "false")});
        if (PQntuples(r.get()) == 0)
            throw DbError(dberr::kNotAnIndex, "'" + Utf8(indexName) + "' isn't an index in this table.");
        std::string order;
        indexColumns_.clear();
        for (int i = 0; i < PQntuples(r.get()); ++i) {
            order += (i ? ", " : " ORDER BY ") + std::string(PQgetvalue(r.get(), i, 0));
            std::u16string name;
            AppendUtf8(name, PQgetvalue(r.get(), i, 1));
            indexColumns_.push_back(std::move(name));
        }
        CancelEdit();
        CloseCursor();
        sql_ = "SELECT * FROM " + table_ + order;
        Open(true);
    }

    // The server keeps the rows, not an index of them: the seek reads the set in index order
    // until the first row that fits. Texts compare without regard to case, as in the DAO engine.
    void Seek(std::u16string_view op, const std::vector<Value>& keys) override {
        CheckOpen();
        core::CheckSeek(tableSet_, indexColumns_.size(), op, keys.size());
        CancelEdit();
        Refresh(false);
        std::vector<int> fields;
        for (std::size_t k = 0; k < keys.size(); ++k) fields.push_back(FieldIndex(indexColumns_[k]));
        const std::int64_t before = pos_;
        const bool bof = bof_, eof = eof_;
        for (std::int64_t row = 0; Exists(row); ++row) {
            if (deleted_.count(row)) continue;
            pos_ = row;
            bof_ = eof_ = false;
            bool equal = true;
            for (std::size_t k = 0; k < keys.size() && equal; ++k)
                equal = KeyEquals(FieldAt(fields[k]), keys[k]);
            if (equal) {
                noMatch_ = false;
                return;
            }
        }
        pos_ = before, bof_ = bof, eof_ = eof;
        noMatch_ = true;
    }

    void Close() override {
        if (closed_) return;
        closed_ = true;
        window_ = Result();
        CloseCursor();
    }

private:
    void Open(bool updatable) {
        updatable_ = false;
        if (updatable) {
            const std::size_t at = sqldialect::RowSelectListStart(sql_);
            if (at != std::string::npos &&
                TryDeclare(sql_.substr(0, at) + " ctid AS \"qm$ctid\"," + sql_.substr(at))) {
                DescribeOrClose(1);
                updatable_ = tableOid_ != InvalidOid;
                if (!updatable_) CloseCursor();
            }
        }
        if (!updatable_) {
            Declare(sql_);
            DescribeOrClose(0);
        }
    }

    // The first batch of a declared cursor. A statement that fails only as it runs (a division
    // by zero, a function's error) has its cursor closed and its stream's transaction ended
    // here, as the constructor's caller gets no set to close: the session stays usable.
    void DescribeOrClose(int offset) {
        try {
            Described(FetchFirst(), offset);
        } catch (...) {
            CloseCursor();
            throw;
        }
    }

    // Declares an updatable set's cursor; false when the server refuses the statement (no
    // single row behind each row of the result), leaving any transaction of the host usable.
    bool TryDeclare(const std::string& sql) {
        const bool inTransaction = session_->TransactionStatus() != PQTRANS_IDLE;
        if (inTransaction) session_->Exec("SAVEPOINT qm_declare");
        try {
            Declare(sql);
        } catch (const DbError&) {
            if (inTransaction) session_->ExecQuietly("ROLLBACK TO SAVEPOINT qm_declare");
            if (inTransaction) session_->ExecQuietly("RELEASE SAVEPOINT qm_declare");
            return false;
        }
        if (inTransaction) session_->Exec("RELEASE SAVEPOINT qm_declare");
        return true;
    }

    // A read-only set streams: a forward cursor inside a transaction, which the server does
    // not materialise. Updatable and table sets keep their rows on the server (a hold cursor
    // needs no open transaction, so each change made through the set commits at once).
    void Declare(const std::string& sql) {
        if (streaming_) session_->BeginStream();
        cursor_ = session_->NewCursorName();
        try {
            const char* kind = streaming_ ? " NO SCROLL CURSOR FOR " : " SCROLL CURSOR WITH HOLD FOR ";
            session_->Exec("DECLARE " + cursor_ + kind + sql);
        } catch (...) {
            cursor_.clear();
            if (streaming_) session_->EndStream();
            throw;
        }
        serverPos_ = 0;
    }

    Result FetchFirst() {
        return session_->Exec("FETCH FORWARD " + std::to_string(kBatch) + " FROM " + cursor_);
    }

    // Takes the first batch of a new cursor; the batch also describes the columns.
    void Described(Result first, int offset) {
        offset_ = offset;
        PGresult* r = first.get();
        names_.clear(), sizes_.clear(), columnTable_.clear(), columnNumber_.clear();
        tableOid_ = InvalidOid;
        for (int col = offset; col < PQnfields(r); ++col) {
            std::u16string name;
            AppendUtf8(name, PQfname(r, col));
            names_.push_back(std::move(name));
            const Oid type = PQftype(r, col);
            const int mod = PQfmod(r, col);
            sizes_.push_back((type == kVarchar || type == kBpchar) && mod >= 4 ? mod - 4 : 0);
            const Oid table = PQftable(r, col);
            if (tableOid_ == InvalidOid) tableOid_ = table;
            columnTable_.push_back(table);
            columnNumber_.push_back(PQftablecol(r, col));
        }
        window_ = std::move(first);
        count_ = -1;
        Loaded(0);
        pos_ = 0;
        bof_ = eof_ = false;
        if (winRows_ < kBatch) count_ = winRows_;
        if (count_ == 0) bof_ = eof_ = true;
        deleted_.clear();
        newCtid_.clear();
        changedPos_ = -1;
        FetchAheadIfMore();
    }

    void CloseCursor() noexcept {
        if (cursor_.empty()) return;
        const std::string name = std::move(cursor_);
        cursor_.clear();
        session_->ForgetFetched(name);
        session_->ExecQuietly(("CLOSE " + name).c_str());
        if (streaming_) session_->EndStream();
    }

    // The batch in window_ now starts at row start; the cursor stands on its last row.
    void Loaded(std::int64_t start) const {
        winStart_ = start;
        winRows_ = PQntuples(window_.get());
        if (winRows_ < kBatch) {
            count_ = start + winRows_;
            serverPos_ = count_ + 1;
        } else {
            serverPos_ = start + winRows_;
        }
    }

    // A streaming set asks for the batch after a whole one as soon as that one is in (see the
    // top of the file); not past the end, where it is known.
    void FetchAheadIfMore() const {
        if (streaming_ && !cursor_.empty() && winRows_ == kBatch && serverPos_ == winStart_ + winRows_ &&
            (count_ < 0 || serverPos_ < count_))
            session_->FetchAhead(cursor_, kBatch);
    }

    // Takes the batch asked for ahead, which starts where the cursor stood; false when there
    // is none. A statement that failed as it ran fails here, as a plain fetch would.
    bool AdoptFetchedAhead() const {
        Result ahead;
        if (!session_->TakeFetched(cursor_, ahead)) return false;
        if (PQresultStatus(ahead.get()) != PGRES_TUPLES_OK) ThrowResult(ahead.get(), session_->get());
        window_ = std::move(ahead);
        Loaded(serverPos_);
        return true;
    }

    void Fetch(std::int64_t start) const {
        if (streaming_) {
            if (AdoptFetchedAhead() && InWindow(start)) {
                FetchAheadIfMore();
                return;
            }
            // A forward cursor: a batch behind it is read again from a new cursor.
            if (start < serverPos_) Redeclare();
            if (start > serverPos_)
                session_->Exec("MOVE FORWARD " + std::to_string(start - serverPos_) + " IN " + cursor_);
        } else if (serverPos_ != start) {
            session_->Exec("MOVE ABSOLUTE " + std::to_string(start) + " IN " + cursor_);
        }
        window_ = session_->Exec("FETCH FORWARD " + std::to_string(kBatch) + " FROM " + cursor_);
        Loaded(start);
        FetchAheadIfMore();
    }

    // A table set whose rows changed through it reads them again from a new cursor, and finds
    // the current row there (locate) or leaves the position to the move that follows.
    void Refresh(bool locate) {
        if (!stale_) return;
        stale_ = false;
        std::optional<std::string> current;
        if (locate && !bof_ && !eof_ && !deleted_.count(pos_)) current = Ctid();
        const bool atEnd = eof_;
        window_ = Result();
        CloseCursor();
        Open(true);
        if (!locate) return;
        if (atEnd) {
            EnsureCount();
            pos_ = count_;
            bof_ = count_ == 0, eof_ = true;
            return;
        }
        for (std::int64_t row = 0; current && Exists(row); ++row) {
            pos_ = row;
            bof_ = eof_ = false;
            if (Ctid() == current) return;
        }
        pos_ = -1;  // the row is gone or there was none: the walk starts again from the top
        bof_ = true;
        eof_ = count_ == 0;
    }

    void Redeclare() const {
        auto* self = const_cast<CursorSet*>(this);
        self->CloseCursor();
        self->Declare(sql_);
    }

    bool InWindow(std::int64_t row) const { return row >= winStart_ && row < winStart_ + winRows_; }

    bool Exists(std::int64_t row) const {
        if (row < 0) return false;
        if (count_ >= 0) return row < count_;
        if (InWindow(row)) return true;
        Fetch(row);
        return InWindow(row);
    }

    // The row of the window that holds the current row, fetching the batch around it.
    int CurrentRow() const {
        CheckOpen();
        if (bof_ || eof_) NoCurrentRecord();
        if (deleted_.count(pos_)) RecordDeleted();
        if (!InWindow(pos_)) {
            // Walking forward, the batch starts at the row; walking back, it ends there.
            Fetch(pos_ >= winStart_ ? pos_ : std::max<std::int64_t>(0, pos_ - kBatch + 1));
            if (!InWindow(pos_)) RecordDeleted();
        }
        return static_cast<int>(pos_ - winStart_);
    }

    void EnsureCount() {
        if (count_ >= 0) return;
        if (streaming_) {
            // One count query; the cursor stays where it is.
            Result r = session_->Exec("SELECT count(*) FROM (" + sqldialect::WithoutTrailingOrderBy(sql_) +
                                      ") AS qm_count");
            count_ = ToInt64(PQgetvalue(r.get(), 0, 0));
            return;
        }
        Result r = session_->Exec("MOVE FORWARD ALL IN " + cursor_);
        count_ = serverPos_ + ToInt64(PQcmdTuples(r.get()));
        serverPos_ = count_ + 1;
    }

    std::int64_t Live() const { return count_ - static_cast<std::int64_t>(deleted_.size()); }

    bool Changed(std::int64_t row) const {
        return static_cast<std::size_t>(row) < newCtid_.size() &&
               newCtid_[static_cast<std::size_t>(row)] != 0;
    }

    std::optional<std::string> Ctid() const {
        const int row = CurrentRow();
        if (Changed(pos_)) return UnpackCtid(newCtid_[static_cast<std::size_t>(pos_)]);
        return std::string(PQgetvalue(window_.get(), row, 0));
    }

    // A row changed through the set, read again from its table (computed fields as they were).
    const std::vector<Value>& ChangedRow() const {
        if (changedPos_ == pos_) return changedRow_;
        const int row = CurrentRow();
        std::string list;
        for (std::size_t i = 0; i < names_.size(); ++i) {
            const auto name = columnNames_.find(columnNumber_[i]);
            list += (i ? ", " : "") + (columnTable_[i] == tableOid_ && name != columnNames_.end()
                                           ? name->second
                                           : std::string("NULL"));
        }
        Result r =
            session_->ExecParams("SELECT " + list + " FROM " + table_ + " WHERE ctid = $1::tid", {Ctid()});
        if (PQntuples(r.get()) == 0) RecordDeleted();
        changedRow_.clear();
        for (std::size_t i = 0; i < names_.size(); ++i) {
            const bool stored = columnTable_[i] == tableOid_ && columnNames_.count(columnNumber_[i]);
            changedRow_.push_back(stored ? ValueOf(r.get(), 0, static_cast<int>(i))
                                         : ValueOf(window_.get(), row, static_cast<int>(i) + offset_));
        }
        changedPos_ = pos_;
        return changedRow_;
    }

    // The quoted names of the table and its columns, and its auto-increment column.
    void ResolveTable() {
        if (!updatable_) ReadOnly();
        if (!columnNames_.empty()) return;
        const std::string oid = std::to_string(tableOid_);
        Result t = session_->ExecParams(
            "SELECT quote_ident(n.nspname) || '.' || quote_ident(c.relname) FROM pg_catalog.pg_class c "
            "JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace WHERE c.oid = $1::oid",
            {oid});
        if (PQntuples(t.get()) != 1) throw DbError(dberr::kGeneral, "The table of the record set is gone.");
        table_ = PQgetvalue(t.get(), 0, 0);
        Result c = session_->ExecParams(
            "SELECT a.attnum, quote_ident(a.attname), a.attidentity <> '' OR "
            "coalesce(pg_catalog.pg_get_expr(d.adbin, d.adrelid) LIKE 'nextval(%', false) "
            "FROM pg_catalog.pg_attribute a LEFT JOIN pg_catalog.pg_attrdef d "
            "ON d.adrelid = a.attrelid AND d.adnum = a.attnum "
            "WHERE a.attrelid = $1::oid AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum",
            {oid});
        for (int i = 0; i < PQntuples(c.get()); ++i) {
            const std::string name = PQgetvalue(c.get(), i, 1);
            columnNames_[static_cast<int>(ToInt64(PQgetvalue(c.get(), i, 0)))] = name;
            if (autoColumn_.empty() && PQgetvalue(c.get(), i, 2)[0] == 't') autoColumn_ = name;
        }
    }

    void CancelEdit() { edit_.Cancel(); }

    bool FieldWritable(std::size_t index) const override {
        return tableOid_ != InvalidOid && columnTable_[index] == tableOid_;
    }

    static bool KeyEquals(const Value& a, const Value& b) {
        if (a.IsNull() || b.IsNull()) return false;
        const auto* ta = std::get_if<std::u16string>(&a.Raw());
        const auto* tb = std::get_if<std::u16string>(&b.Raw());
        if (ta && tb) return ToLower(*ta) == ToLower(*tb);
        if (ta || tb) return a.ToText() == b.ToText();
        const auto number = [](const Value& v) {
            const auto* whole = std::get_if<std::int64_t>(&v.Raw());
            return whole ? static_cast<double>(*whole) : std::get<double>(v.Raw());
        };
        return number(a) == number(b);
    }

    std::shared_ptr<Session> session_;
    std::string sql_;
    std::string table_;  // quoted; for a query known once a change needs it
    bool tableSet_ = false;
    bool stale_ = false;  // a table set changed through itself; see Refresh
    bool streaming_ = false;
    std::string cursor_;
    bool updatable_ = false;

    std::vector<Oid> columnTable_;
    std::vector<int> columnNumber_;
    int offset_ = 0;
    Oid tableOid_ = InvalidOid;
    std::unordered_map<int, std::string> columnNames_;
    std::string autoColumn_;
    std::vector<std::u16string> indexColumns_;

    mutable Result window_;
    mutable std::int64_t winStart_ = 0;
    mutable std::int64_t winRows_ = 0;
    mutable std::int64_t serverPos_ = 0;  // the cursor's row, counted from 1; 0 before the first
    mutable std::int64_t count_ = -1;
    std::int64_t pos_ = -1;
    bool bof_ = false, eof_ = false;
    std::set<std::int64_t> deleted_;
    std::vector<std::uint64_t> newCtid_;  // per row changed through the set: its packed new ctid
    mutable std::int64_t changedPos_ = -1;
    mutable std::vector<Value> changedRow_;
};

class PostgresConnection final : public core::ConnectionCore {
public:
    explicit PostgresConnection(std::shared_ptr<Session> session)
        : ConnectionCore(ConnectionKind::Postgres), session_(std::move(session)) {}

    bool TableExists(std::u16string_view name) override {
        Result r = session_->ExecParams(
            "SELECT 1 FROM pg_catalog.pg_class c WHERE c.relkind IN ('r', 'v', 'm', 'p', 'f') "
            "AND pg_catalog.pg_table_is_visible(c.oid) AND c.relname::text IN ($1::text, lower($1::text))",
            {Utf8(name)});
        return PQntuples(r.get()) > 0;
    }

private:
    std::unique_ptr<Recordset> OpenTable(std::u16string_view name) override {
        const std::string quoted = sqldialect::QuoteIdentifier(name, Backend::Postgres);
        return std::make_unique<CursorSet>(session_, "SELECT * FROM " + quoted, true, quoted);
    }

    std::unique_ptr<Recordset> OpenQuery(const std::string& sql, bool updatable) override {
        return std::make_unique<CursorSet>(session_, sql, updatable, std::string());
    }

    std::int64_t ExecuteStatement(const std::string& sql) override {
        Result r = session_->Exec(sql);
        return ToInt64(PQcmdTuples(r.get()));
    }

    void RunAtomically(const std::vector<std::string>& statements) override {
        session_->RunAtomically(statements);
    }

    std::shared_ptr<Session> session_;
};

void IgnoreNotice(void*, const char*) {}

}  // namespace
}  // namespace postgres_backend

namespace postgres_backend {
namespace {

// libpq's message on one line, without any password the connection string held.
std::string OneLine(const char* message) {
    std::string text = Trimmed(message ? message : "");
    for (char& c : text)
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    return RedactPassword(text);
}

}  // namespace
}  // namespace postgres_backend

std::unique_ptr<Connection> ConnectPostgres(const std::string& conninfo, Access access) {
    using namespace postgres_backend;
    auto session = std::make_shared<Session>(PQconnectdb(conninfo.c_str()));
    PGconn* conn = session->get();
    if (!conn) throw DbError(dberr::kGeneral, "Out of memory while connecting to PostgreSQL.");
    if (PQstatus(conn) != CONNECTION_OK)
        throw DbError(dberr::kGeneral, "Could not connect to PostgreSQL: " + OneLine(PQerrorMessage(conn)));
    PQsetNoticeProcessor(conn, IgnoreNotice, nullptr);
    if (PQsetClientEncoding(conn, "UTF8") != 0)
        throw DbError(dberr::kGeneral, "Could not set the client encoding: " + OneLine(PQerrorMessage(conn)));
    // LIKE patterns are sent with backslash escapes in plain literals.
    session->Exec("SET standard_conforming_strings = on");
    if (access == Access::ReadOnly) session->Exec("SET default_transaction_read_only = on");
    return std::make_unique<PostgresConnection>(std::move(session));
}

std::string PostgresClientVersion() {
    // libpq numbers its releases major * 10000 + minor since version 10, and
    // major * 10000 + minor * 100 + patch before.
    const int number = PQlibVersion();
    if (number >= 100000) return std::to_string(number / 10000) + "." + std::to_string(number % 10000);
    return std::to_string(number / 10000) + "." + std::to_string(number / 100 % 100) + "." +
           std::to_string(number % 100);
}

}  // namespace quarrymink
