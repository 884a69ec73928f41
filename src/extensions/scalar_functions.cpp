// The shared SQL functions: UTF-8 in, the library's 16-bit text inside, UTF-8 out.
#include "scalar_functions.h"

#include <algorithm>
#include <array>
#include <exception>
#include <new>
#include <stdexcept>

#include "quarrymink/keycoding.h"
#include "quarrymink/search.h"
#include "quarrymink/unicode.h"

namespace quarrymink::extension {
namespace {

constexpr const char* kNotUtf8 = "the text is not valid UTF-8";
constexpr const char* kBadCompare =
    "compare must be 0 (whole text), 1 (first word), 2 (last word) or 3 (auto)";

// One coder per thread: it loads its rule table once and reuses its buffers.
KeyCoder& Coder() {
    thread_local KeyCoder coder;
    return coder;
}

// Into a reused buffer: the scoring functions run once per row.
bool ToUtf16(std::string_view utf8, std::u16string& out) {
    out.clear();
    return AppendUtf8(out, utf8);
}

bool ValidCompare(std::int64_t compare) {
    return compare >= CompareAll && compare <= CompareAuto;
}

// Runs work, turning any exception into a message.
template <typename Work>
const char* Guarded(Work&& work) noexcept {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return "out of memory";
    } catch (const std::invalid_argument& e) {
        thread_local std::string message;
        message = e.what();
        return message.c_str();
    } catch (...) {
        return "unexpected failure in the key coding";
    }
}

}  // namespace

const char* Code(std::string_view text, std::int64_t compare, std::int64_t maxLength,
                 std::string& key) noexcept {
    return Guarded([&]() -> const char* {
        if (!ValidCompare(compare)) return kBadCompare;
        if (maxLength < 0 || maxLength > INT32_MAX)
            return "max_length must be 0 (no cut) or a positive length";
        thread_local std::u16string in;
        if (!ToUtf16(text, in)) return kNotUtf8;
        KeyCoder& coder = Coder();
        coder.SetCompare(static_cast<std::int32_t>(compare));
        coder.SetMaxKeyLength(static_cast<std::int32_t>(maxLength));
        key = Utf16ToUtf8(coder.MakeCode(in));
        return nullptr;
    });
}

const char* Soundex(std::string_view text, std::string& digits) noexcept {
    return Guarded([&]() -> const char* {
        thread_local std::u16string in;
        if (!ToUtf16(text, in)) return kNotUtf8;
        digits = Utf16ToUtf8(SimpleSoundex(in));
        return nullptr;
    });
}

const char* Align(std::string_view a, std::string_view b, std::int64_t maxScore, int& score) noexcept {
    return Guarded([&]() -> const char* {
        if (maxScore < 0 || maxScore > 255) return "max_score must be 0 to 255";
        thread_local std::u16string first, second;
        if (!ToUtf16(a, first) || !ToUtf16(b, second)) return kNotUtf8;
        if (first.size() > kMaxAlignedLength || second.size() > kMaxAlignedLength)
            return "texts longer than 4096 characters are not aligned";
        score = AlignmentScore(first, second, static_cast<std::uint8_t>(maxScore));
        return nullptr;
    });
}

const char* Score(std::string_view storedKey, std::string_view searchKey, std::int64_t compare,
                  std::int64_t spaces, int& score) noexcept {
    return Guarded([&]() -> const char* {
        if (!ValidCompare(compare)) return kBadCompare;
        if (spaces < 0) return "spaces must not be negative";
        thread_local std::u16string stored, search;
        if (!ToUtf16(storedKey, stored) || !ToUtf16(searchKey, search)) return kNotUtf8;
        if (stored.size() > kMaxAlignedLength || search.size() > kMaxAlignedLength)
            return "keys longer than 4096 characters are not scored";
        score = CandidateScore(stored, search, static_cast<CompareMode>(compare),
                               static_cast<std::size_t>(spaces));
        return nullptr;
    });
}

const char* Threshold(std::string_view searchKey, int& threshold) noexcept {
    return Guarded([&]() -> const char* {
        thread_local std::u16string key;
        if (!ToUtf16(searchKey, key)) return kNotUtf8;
        threshold = KeyLengthGrade(key);
        return nullptr;
    });
}

const char* ClassPrefix(std::string_view searchKey, bool forLike, std::string& prefix, bool& found) noexcept {
    return Guarded([&]() -> const char* {
        thread_local std::u16string key;
        if (!ToUtf16(searchKey, key)) return kNotUtf8;
        found = SplitKeySounds(key).Count() >= 0;
        prefix.clear();
        if (!found) return nullptr;
        // The class character is one code point: a character beyond the BMP takes two units.
        const bool pair = key.size() > 2 && key[1] >= 0xD800 && key[1] < 0xDC00;
        for (const char ch : Utf16ToUtf8(std::u16string_view(key).substr(0, pair ? 3 : 2))) {
            if (forLike && (ch == '%' || ch == '_' || ch == '\\')) prefix.push_back('\\');
            prefix.push_back(ch);
        }
        return nullptr;
    });
}

int FinalCut(const std::int32_t* scores, std::size_t count) noexcept {
    std::array<std::int16_t, MatchBuffer::kSize> ranked{};
    for (std::size_t i = 0; i < std::min<std::size_t>(count, ranked.size()); ++i)
        ranked[i] = static_cast<std::int16_t>(std::clamp<std::int32_t>(scores[i], INT16_MIN, INT16_MAX));
    return quarrymink::FinalCut(ranked);
}

}  // namespace quarrymink::extension
