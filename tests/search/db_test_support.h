// Small helpers shared by the database tests.
#pragma once

#include <cstdint>
#include <string>

#include "quarrymink/database.h"
#include "quarrymink/unicode.h"

namespace quarrymink::testing {

inline std::u16string Num(long long n) {
    return Widen(std::to_string(n));
}

/// The number of the DbError that f raises; 0 when it raises none.
template <class F>
std::int32_t ErrorNumber(F&& f) {
    try {
        f();
    } catch (const DbError& e) {
        return e.Number();
    }
    return 0;
}

}  // namespace quarrymink::testing
