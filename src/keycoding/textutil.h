// Small text operations shared by the key coding and the search engine.
// All searches are exact, by character code.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "quarrymink/unicode.h"

namespace quarrymink {

/// The part of text before the first separator; the whole text when the separator is absent.
std::u16string_view BeforeFirst(std::u16string_view text, std::u16string_view separator);

/// The part of text after the last separator; the whole text when the separator is absent.
std::u16string_view AfterLast(std::u16string_view text, std::u16string_view separator);

/// Text with every occurrence of find removed (an empty find removes nothing).
std::u16string RemoveAll(std::u16string_view find, std::u16string_view text);

/// Non-overlapping occurrences of needle, scanning left to right; 0 for an empty needle.
std::size_t CountOccurrences(std::u16string_view text, std::u16string_view needle);

/// True when the lower-cased text occurs in "aeiou" (the empty text counts as a vowel).
bool IsVowel(std::u16string_view text) noexcept;

/// IsVowel of one character. Inline, with the ASCII answer worked out in place (setting the
/// 0x20 bit lower-cases the letters and turns no other ASCII character into a vowel), because
/// the alignment asks it for every score; other characters ask the case tables.
inline bool IsVowel(char16_t ch) noexcept {
    switch (ch < 128 ? static_cast<char16_t>(ch | 0x20) : SimpleLower(ch)) {
        case u'a':
        case u'e':
        case u'i':
        case u'o':
        case u'u':
            return true;
        default:
            return false;
    }
}

/// True when the first character is an ASCII letter A-Z or a-z.
bool IsLetter(std::u16string_view text) noexcept;
bool IsLetter(char16_t ch) noexcept;

/// count copies of the character; empty when count <= 0.
std::u16string RepeatChar(long count, char16_t ch);

/// Doubled characters collapsed: a pair gives one, a run of k gives k - k/2 (ttt gives tt).
std::u16string CollapseDoubles(std::u16string_view text);

/// The same collapse written into out (cleared first); no allocation once out has room.
void CollapseDoublesInto(std::u16string_view text, std::u16string& out);

/// Leading and trailing blanks (" ") removed.
std::u16string_view TrimBlanks(std::u16string_view text) noexcept;

}  // namespace quarrymink
