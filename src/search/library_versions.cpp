// Run-time versions of SQLite and libpq.
#include "library_versions.h"

#include <libpq-fe.h>
#include <sqlite3.h>

namespace quarrymink {

std::string SqliteLibraryVersion() {
    return sqlite3_libversion();
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
