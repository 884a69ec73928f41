// A private PostgreSQL server for the tests of one test executable.
//
// The first call of PgConninfo() creates a database cluster in a new temporary folder, starts a
// server on a Unix socket in that folder only (no TCP), and returns a libpq conninfo string for
// its database "postgres", which the tests may use as their own. When run as root the server runs as the user
// "postgres" (or "nobody"), since PostgreSQL refuses to run as root. The server stops, and the
// folder goes, when the tests end; should the test process die, the server stops with it.
//
// Use in a test:
//     QM_REQUIRE_PG();  // skips the test, with the reason, when no server could be started
//     auto db = quarrymink::ConnectPostgres(quarrymink::testing::PgConninfo());
//
// The server binaries are looked for in $QM_PG_BINDIR, then /usr/lib/postgresql/*/bin, unless
// UsePgInstallation names them.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace quarrymink::testing {

/// The conninfo of the test database on private server n (0 is the one the tests share;
/// another number starts another server); nullptr when no server could be started.
const char* PgConninfo(int server = 0);
/// Why PgConninfo() gave nullptr.
const std::string& PgUnavailableReason();
/// Whether this build has PostgreSQL support, and so a server is expected.
bool PgBuiltIn();

/// An installation of the server with an extension under test added. Given to
/// UsePgInstallation before the first server starts, it makes every server run from a
/// private copy of the installation in the server's own temporary folder: the programs are
/// copied (the server finds its share and library folders relative to where its program
/// lies, and would follow a link back to the system's), every other file is linked, and the
/// extension's files are copied in. Nothing is written into the system's folders.
struct PgInstallation {
    std::string bindir, sharedir, pkglibdir;  // as pg_config names them
    std::vector<std::string> libraries;       // files for pkglibdir
    std::vector<std::string> extensionFiles;  // files for sharedir/extension
};
void UsePgInstallation(const PgInstallation& installation);

}  // namespace quarrymink::testing

// Skips a test without a server, loudly; in CI, where the server was installed to be used, fails it
// (unless the build has no PostgreSQL support at all).
#define QM_REQUIRE_PG()                                                                                    \
    do {                                                                                                   \
        if (!::quarrymink::testing::PgConninfo()) {                                                        \
            const char* ci = std::getenv("CI");                                                            \
            if (ci && std::string_view(ci) == "true" && ::quarrymink::testing::PgBuiltIn())                \
                GTEST_FAIL() << "No PostgreSQL test server in CI: "                                        \
                             << ::quarrymink::testing::PgUnavailableReason();                              \
            GTEST_SKIP() << "No PostgreSQL test server: " << ::quarrymink::testing::PgUnavailableReason(); \
        }                                                                                                  \
    } while (0)
