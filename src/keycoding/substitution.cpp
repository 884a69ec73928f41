// Letter substitution: the stored key codes are not readable spellings.
#include <stdexcept>

#include "quarrymink/keycoding.h"
#include "textutil.h"

namespace quarrymink {
namespace {

// Only characters 5 to 30 (one for each letter a to z) are read; the rest is filler.
constexpr char kSubstitutionTable[] = "#7plm0okn9ijb8uhv6ygc5rfx4edz3wsq2a!;";
static_assert(sizeof(kSubstitutionTable) == 38);

}  // namespace

std::uint8_t SubstituteLetter(std::uint8_t code) {
    if (code < 'a' || code > 'z') throw std::out_of_range("SubstituteLetter takes a lower-case letter");
    return static_cast<std::uint8_t>(kSubstitutionTable[code - 92 - 1]);
}

void EncryptInPlace(std::u16string& text) noexcept {
    for (char16_t& ch : text)
        if (IsLetter(ch)) ch = static_cast<char16_t>(kSubstitutionTable[(ch | 32) - 92 - 1]);
}

std::u16string EncryptString(std::u16string_view text) {
    std::u16string out(text);
    EncryptInPlace(out);
    return out;
}

}  // namespace quarrymink
