// What the engine asks a PostgreSQL database about the order of a text column.
#pragma once

#include <string_view>

#include "quarrymink/database.h"

namespace quarrymink {

/// Whether PostgreSQL orders the texts of the column as the client does, by code point: a
/// text or varchar column in a UTF-8 database whose collation compares bytes ("C" or
/// "POSIX" of the C library). False whenever that cannot be told.
bool PostgresOrdersByCodePoint(Connection& db, std::u16string_view table, std::u16string_view textField);

}  // namespace quarrymink
