// The SQLite backend: one database file per connection, reached through libsqlite3.
// The public entry points are OpenSqlite and CreateSqlite of quarrymink/database.h; this
// header holds the two RAII pieces the backend is built from.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "quarrymink/database.h"

struct sqlite3;
struct sqlite3_stmt;

namespace quarrymink::sqlite_backend {

/// The open database handle, shared by the connection and every record set opened on it, so
/// that a set stays valid whatever the order in which the host releases them.
class Handle {
public:
    explicit Handle(sqlite3* db) : db_(db) {}
    ~Handle();
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    sqlite3* get() const noexcept { return db_; }

private:
    sqlite3* db_;
};

/// A prepared statement, finalized with its owner. Failures are DbErrors with SQLite's message.
class Statement {
public:
    Statement() = default;
    /// Prepares the one statement of sql; DbError when sql is empty or holds a second one.
    Statement(sqlite3* db, std::string_view sql);
    Statement(Statement&& other) noexcept : st_(other.st_) { other.st_ = nullptr; }
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement();

    explicit operator bool() const noexcept { return st_ != nullptr; }
    sqlite3_stmt* get() const noexcept { return st_; }
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
    sqlite3_stmt* st_ = nullptr;
};

}  // namespace quarrymink::sqlite_backend
