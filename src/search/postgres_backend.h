// The PostgreSQL backend, through libpq. The public entry point is ConnectPostgres of
// quarrymink/database.h; this header holds the two RAII pieces the backend is built from.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "quarrymink/database.h"

struct pg_conn;
struct pg_result;

namespace quarrymink::postgres_backend {

/// A query result, cleared with its owner.
class Result {
public:
    Result() = default;
    explicit Result(pg_result* r) : r_(r) {}
    Result(Result&& other) noexcept : r_(other.r_) { other.r_ = nullptr; }
    Result& operator=(Result&& other) noexcept;
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;
    ~Result();
    pg_result* get() const noexcept { return r_; }

private:
    pg_result* r_ = nullptr;
};

/// The server session, shared by the connection and every record set opened on it.
class Session {
public:
    explicit Session(pg_conn* conn) : conn_(conn) {}
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    pg_conn* get() const noexcept { return conn_; }
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

private:
    pg_conn* conn_;
    long long cursors_ = 0;
    int streams_ = 0;
    bool ownsTransaction_ = false;
};

}  // namespace quarrymink::postgres_backend
