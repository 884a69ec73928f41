// Unicode simple case mappings of the 16-bit characters, as lookup tables built once.
#include <array>
#include <cstdint>

#include "quarrymink/unicode.h"

namespace quarrymink {
namespace {

struct CaseMapping {
    std::uint16_t from;
    std::uint16_t to;
};

#include "casemap_data.inc"

using CaseTable = std::array<char16_t, 0x10000>;

template <std::size_t N>
CaseTable BuildTable(const CaseMapping (&mappings)[N]) {
    CaseTable table{};
    for (std::size_t c = 0; c < table.size(); ++c) table[c] = static_cast<char16_t>(c);
    for (const CaseMapping& m : mappings) table[m.from] = static_cast<char16_t>(m.to);
    return table;
}

const CaseTable& LowerTable() {
    static const CaseTable table = BuildTable(kSimpleLower);
    return table;
}

const CaseTable& UpperTable() {
    static const CaseTable table = BuildTable(kSimpleUpper);
    return table;
}

}  // namespace

char16_t SimpleLower(char16_t ch) noexcept {
    if (ch < 0x80) return (ch >= u'A' && ch <= u'Z') ? static_cast<char16_t>(ch + 32) : ch;
    return LowerTable()[ch];
}

char16_t SimpleUpper(char16_t ch) noexcept {
    if (ch < 0x80) return (ch >= u'a' && ch <= u'z') ? static_cast<char16_t>(ch - 32) : ch;
    return UpperTable()[ch];
}

std::u16string ToLower(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& ch : out) ch = SimpleLower(ch);
    return out;
}

std::u16string ToUpper(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& ch : out) ch = SimpleUpper(ch);
    return out;
}

}  // namespace quarrymink
