// Small text operations shared across the library.
#include "quarrymink/unicode.h"
#include "textutil.h"

namespace quarrymink {

std::u16string_view BeforeFirst(std::u16string_view text, std::u16string_view separator) {
    const std::size_t at = text.find(separator);
    return at == std::u16string_view::npos ? text : text.substr(0, at);
}

std::u16string_view AfterLast(std::u16string_view text, std::u16string_view separator) {
    const std::size_t at = text.rfind(separator);
    return at == std::u16string_view::npos ? text : text.substr(at + separator.size());
}

std::u16string RemoveAll(std::u16string_view find, std::u16string_view text) {
    if (find.empty()) return std::u16string(text);
    std::u16string out;
    out.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(find, from)) != std::u16string_view::npos; from = at + find.size())
        out.append(text.substr(from, at - from));
    out.append(text.substr(from));
    return out;
}

std::size_t CountOccurrences(std::u16string_view text, std::u16string_view needle) {
    if (needle.empty()) return 0;
    std::size_t count = 0;
    for (std::size_t at = text.find(needle); at != std::u16string_view::npos;
         at = text.find(needle, at + needle.size()))
        ++count;
    return count;
}

bool IsVowel(std::u16string_view text) noexcept {
    if (text.empty()) return true;
    // "occurs in aeiou": only single letters (or the runs "ae", "ei", ... as substrings) do.
    constexpr std::u16string_view vowels = u"aeiou";
    if (text.size() > vowels.size()) return false;
    std::u16string lower(text);
    for (char16_t& ch : lower) ch = SimpleLower(ch);
    return vowels.find(lower) != std::u16string_view::npos;
}

bool IsLetter(char16_t ch) noexcept {
    const unsigned folded = static_cast<unsigned>(ch) & ~32u;
    return folded >= 65 && folded <= 90;
}

bool IsLetter(std::u16string_view text) noexcept {
    return !text.empty() && IsLetter(text.front());
}

std::u16string RepeatChar(long count, char16_t ch) {
    return count <= 0 ? std::u16string() : std::u16string(static_cast<std::size_t>(count), ch);
}

void CollapseDoublesInto(std::u16string_view text, std::u16string& out) {
    out.clear();
    const std::size_t n = text.size();
    if (n == 0) return;
    out.push_back(text[0]);
    std::size_t i = 1;  // zero-based position of the character compared with its predecessor
    while (i < n) {
        if (text[i] != text[i - 1]) {
            out.push_back(text[i]);
            i += 1;
        } else {
            if (i + 1 < n) out.push_back(text[i + 1]);
            i += 2;
        }
    }
}

std::u16string CollapseDoubles(std::u16string_view text) {
    std::u16string out;
    CollapseDoublesInto(text, out);
    return out;
}

std::u16string_view TrimBlanks(std::u16string_view text) noexcept {
    const std::size_t first = text.find_first_not_of(u' ');
    if (first == std::u16string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(u' ');
    return text.substr(first, last - first + 1);
}

}  // namespace quarrymink
