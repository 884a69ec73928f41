// The versions of the database client libraries that the search layer runs on, as they
// report themselves at run time: for reports of the system a search ran on.
#pragma once

#include <string>

#include "quarrymink/export.h"

namespace quarrymink {

/// The SQLite library's version, e.g. "3.40.1".
QUARRYMINK_EXPORT std::string SqliteLibraryVersion();
/// The PostgreSQL client library's (libpq) version, e.g. "15.14".
QUARRYMINK_EXPORT std::string PostgresClientVersion();

}  // namespace quarrymink
