// The shared SQL functions: UTF-8 in, the library's 16-bit text inside, UTF-8 out.
#include "scalar_functions.h"

#include <algorithm>
#include <array>
#include <exception>
#include <new>
#include <optional>
#include <stdexcept>

#include "candidate_score_p.h"
#include "quarrymink/keycoding.h"
#include "quarrymink/search.h"
#include "quarrymink/unicode.h"

namespace quarrymink::extension {
namespace {

constexpr const char* kNotUtf8 = "the text is not valid UTF-8";
constexpr const char* kTooLongToScore = "keys longer than 4096 characters are not scored";
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

namespace {

// What the scoring functions keep between the calls of one thread. A scan passes the same
// search key with every row, so the key is converted, split and graded on its first row
// only. And a query that filters on a row's acceptance and then selects its score asks twice
// for the same row, one call right after the other, so the last row's score is kept.
class RowScorer {
public:
    // The score of a stored key: exact without a floor; with one, exact when it is above both
    // the floor and the search key's threshold, otherwise known only not to be above them.
    const char* Score(std::string_view storedKey, std::string_view searchKey, std::int64_t compare,
                      std::int64_t spaces, std::optional<int> above, scoring::BoundedScore& score) {
        if (!ValidCompare(compare)) return kBadCompare;
        if (spaces < 0) return "spaces must not be negative";
        if (const char* error = Prepare(searchKey)) return error;
        const int floor = above ? std::max(*above, threshold_) : -1;
        // A score below one floor is below every higher one.
        if (lastCompare_ == compare && lastSpaces_ == spaces && (last_.exact || lastFloor_ <= floor) &&
            lastStored_ == storedKey) {
            score = last_;
            return nullptr;
        }
        if (!ToUtf16(storedKey, stored_)) return kNotUtf8;
        if (stored_.size() > kMaxAlignedLength) return kTooLongToScore;
        const scoring::CutKey cut = scoring::CutForCompare(stored_, static_cast<std::int32_t>(compare),
                                                           static_cast<std::size_t>(spaces));
        lastCompare_ = -1;  // forgotten until the new score is in
        score = scoring::ScoreCutKeyAbove(cut, parts_, floor);
        lastStored_.assign(storedKey);
        last_ = score;
        lastFloor_ = floor;
        lastSpaces_ = spaces;
        lastCompare_ = compare;
        return nullptr;
    }

    int Threshold() const { return threshold_; }

private:
    const char* Prepare(std::string_view searchKey) {
        if (ready_ && searchUtf8_ == searchKey) return nullptr;
        ready_ = false;
        lastCompare_ = -1;
        searchUtf8_.assign(searchKey);
        if (!ToUtf16(searchKey, searchKey_)) return kNotUtf8;
        if (searchKey_.size() > kMaxAlignedLength) return kTooLongToScore;
        parts_ = scoring::SplitKeyParts(searchKey_);
        if (parts_.count < 0) return "the search key has no first-sound part";
        threshold_ = KeyLengthGrade(searchKey_);
        ready_ = true;
        return nullptr;
    }

    bool ready_ = false;
    std::string searchUtf8_;
    std::u16string searchKey_;
    scoring::KeyParts parts_;  // views into searchKey_
    int threshold_ = 0;
    std::string lastStored_;
    std::int64_t lastCompare_ = -1, lastSpaces_ = -1;
    scoring::BoundedScore last_{0, false};
    int lastFloor_ = -1;
    std::u16string stored_;
};

RowScorer& Scorer() {
    thread_local RowScorer scorer;
    return scorer;
}

}  // namespace

const char* Score(std::string_view storedKey, std::string_view searchKey, std::int64_t compare,
                  std::int64_t spaces, int& score) noexcept {
    return Guarded([&]() -> const char* {
        scoring::BoundedScore result{};
        const char* error = Scorer().Score(storedKey, searchKey, compare, spaces, std::nullopt, result);
        if (!error) score = result.score;
        return error;
    });
}

const char* Accepts(std::string_view storedKey, std::string_view searchKey, std::int64_t compare,
                    std::int64_t spaces, bool& accepted) noexcept {
    return Guarded([&]() -> const char* {
        RowScorer& scorer = Scorer();
        scoring::BoundedScore result{};
        const char* error = scorer.Score(storedKey, searchKey, compare, spaces, 0, result);
        if (!error) accepted = result.score > scorer.Threshold();
        return error;
    });
}

const char* AcceptedAbove(std::string_view storedKey, std::string_view searchKey, std::int64_t compare,
                          std::int64_t spaces, int floor, int& score) noexcept {
    return Guarded([&]() -> const char* {
        RowScorer& scorer = Scorer();
        scoring::BoundedScore result{};
        const char* error = scorer.Score(storedKey, searchKey, compare, spaces, floor, result);
        if (!error) score = result.score > std::max(floor, scorer.Threshold()) ? result.score : -1;
        return error;
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
