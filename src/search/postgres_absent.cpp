// A build without libpq: PostgreSQL locations are refused with a clear error instead of
// being taken for SQLite file names.
#include "library_versions.h"
#include "quarrymink/database.h"

namespace quarrymink {

std::unique_ptr<Connection> ConnectPostgres(const std::string& /*conninfo*/, Access /*access*/) {
    throw DbError(dberr::kGeneral,
                  "Could not connect to PostgreSQL: this build of Quarrymink has no PostgreSQL support.");
}

std::string PostgresClientVersion() {
    return "none (this build has no PostgreSQL support)";
}

}  // namespace quarrymink
