// Run-time version of SQLite. The libpq version is told by the PostgreSQL backend, or by its
// stand-in in a build without PostgreSQL.
#include "library_versions.h"

#include <sqlite3.h>

namespace quarrymink {

std::string SqliteLibraryVersion() {
    return sqlite3_libversion();
}

}  // namespace quarrymink
