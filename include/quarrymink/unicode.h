// 16-bit text: conversion from and to UTF-8, and the Unicode simple case mappings,
// the same on every machine whatever the C locale says.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "quarrymink/export.h"

namespace quarrymink {

/// UTF-8 to UTF-16; std::nullopt when the bytes are not well-formed UTF-8.
QUARRYMINK_EXPORT std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8);

/// UTF-8 appended to out as UTF-16, each ill-formed byte as U+FFFD (for text a database
/// hands back, which must not stop a read). False when there was such a byte.
QUARRYMINK_EXPORT bool AppendUtf8(std::u16string& out, std::string_view utf8);

/// UTF-16 to UTF-8. A lone surrogate is written as U+FFFD.
QUARRYMINK_EXPORT std::string Utf16ToUtf8(std::u16string_view utf16);

/// ASCII (and plain 8-bit) text widened to 16-bit characters; convenient in tests and literals.
QUARRYMINK_EXPORT std::u16string Widen(std::string_view latin1);

/// Simple lower-case mapping of one 16-bit character (É gives é, K gives k).
QUARRYMINK_EXPORT char16_t SimpleLower(char16_t ch) noexcept;

/// Simple upper-case mapping of one 16-bit character (é gives É, ſ gives S).
QUARRYMINK_EXPORT char16_t SimpleUpper(char16_t ch) noexcept;

QUARRYMINK_EXPORT std::u16string ToLower(std::u16string_view text);
QUARRYMINK_EXPORT std::u16string ToUpper(std::u16string_view text);

}  // namespace quarrymink
