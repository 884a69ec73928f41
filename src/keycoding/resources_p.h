// The library's numbered string table, read by the key coding (the key version and the
// homolog rule lines) and by the control's about box (its description).
#pragma once

#include <string>
#include <string_view>

#include "quarrymink/export.h"

namespace quarrymink {

/// Numbered string resource of the library (version 180, about text 201-218, rules 301-542).
/// Throws std::out_of_range when the number has no entry.
QUARRYMINK_EXPORT std::u16string_view StringResource(int id);

/// Numbered string resources from firstId up to, not including, the first "*",
/// each followed by CR LF.
QUARRYMINK_EXPORT std::u16string ReadResLines(int firstId);

}  // namespace quarrymink
