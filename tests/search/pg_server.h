// A private PostgreSQL server for the tests of one test executable.
//
// The first call of PgConninfo() creates a database cluster in a new temporary folder, starts a
// server on a Unix socket in that folder only (no TCP), creates the database "qmtest" and
// returns a libpq conninfo string for it. When run as root the server runs as the user
// "postgres" (or "nobody"), since PostgreSQL refuses to run as root. The server stops, and the
// folder goes, when the tests end, also when the test process dies: a watchdog process holds
// them and cleans up as soon as the test process is gone.
//
// Use in a test:
//     QM_REQUIRE_PG();  // skips the test, with the reason, when no server could be started
//     auto db = quarrymink::ConnectPostgres(quarrymink::testing::PgConninfo());
//
// The server binaries are looked for in $QM_PG_BINDIR, then /usr/lib/postgresql/*/bin.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace quarrymink::testing {

/// The conninfo of the test database; nullptr when no server could be started.
const char* PgConninfo();
/// Why PgConninfo() gave nullptr.
const std::string& PgUnavailableReason();

}  // namespace quarrymink::testing

#define QM_REQUIRE_PG()                                                                                   \
    do {                                                                                                 \
        if (!::quarrymink::testing::PgConninfo())                                                        \
            GTEST_SKIP() << "No PostgreSQL test server: " << ::quarrymink::testing::PgUnavailableReason(); \
    } while (0)
