// Candidate scoring of one row: the stored key's first-sound alternatives paired with the
// search key's, each pairing's digits and tail aligned, the best pairing kept.
#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>

#include "candidate_score_p.h"
#include "quarrymink/search.h"
#include "textutil.h"

namespace quarrymink {
namespace scoring {
namespace {

constexpr int kDigitsMax = 130;
constexpr int kTailMax = 255;

// The next "_"-separated alternative of rest, which is advanced past it.
std::u16string_view NextAlternative(std::u16string_view& rest) {
    const std::size_t underscore = rest.find(u'_');
    const std::u16string_view alternative = rest.substr(0, underscore);
    rest = underscore == std::u16string_view::npos ? std::u16string_view() : rest.substr(underscore + 1);
    return alternative;
}

// The texts an alignment compares: an alternative followed by the digits or the tail,
// optionally with its leading character masked by "?". Built in place, on the stack for
// the short texts keys hold and on the heap only beyond that.
class PairText {
public:
    std::u16string_view Make(std::u16string_view alternative, std::u16string_view part, bool masked) {
        const std::size_t size = alternative.size() + part.size();
        char16_t* out = Buffer(size + 1);
        std::copy(alternative.begin(), alternative.end(), out + 1);
        std::copy(part.begin(), part.end(), out + 1 + alternative.size());
        if (!masked) return {out + 1, size};
        // "?" followed by the whole text without its first character.
        if (size == 0) {
            out[0] = u'?';
            return {out, 1};
        }
        out[1] = u'?';
        return {out + 1, size};
    }

private:
    char16_t* Buffer(std::size_t size) {
        if (size <= stack_.size()) return stack_.data();
        heap_.resize(size);
        return heap_.data();
    }
    std::array<char16_t, 96> stack_;
    std::u16string heap_;
};

bool SharesAlternative(std::u16string_view sound, const KeyParts& search) {
    std::u16string_view rest = search.sounds;
    for (int i = 0; i <= search.count; ++i) {
        const std::u16string_view alternative = NextAlternative(rest);
        if ((search.complete ? alternative : std::u16string_view()) == sound) return true;
    }
    return false;
}

// Searches for b never accept w-rows and the reverse: the two classes are close but
// their first sounds are not.
bool IsExcludedPair(std::u16string_view candidateFirst, std::u16string_view searchFirst) {
    static const std::u16string b = EncryptString(u"b"), w = EncryptString(u"w");
    return (searchFirst == b && candidateFirst == w) || (searchFirst == w && candidateFirst == b);
}

// The first pieces blank-separated pieces of key (all of it when it has no more).
std::u16string_view FirstPieces(std::u16string_view key, std::size_t pieces) {
    std::size_t from = 0, end = 0;
    for (std::size_t n = 0; n < pieces; ++n) {
        end = key.find(u' ', from);
        if (end == std::u16string_view::npos) return key;
        from = end + 1;
    }
    return key.substr(0, end);
}

}  // namespace

std::u16string_view KeyParts::FirstSound() const {
    if (!complete || count < 0) return {};
    return sounds.substr(0, sounds.find(u'_'));
}

KeyParts SplitKeyParts(std::u16string_view key) noexcept {
    KeyParts parts;
    const std::u16string_view body = key.size() > 2 ? key.substr(2) : std::u16string_view();
    const std::size_t colon1 = body.find(u':');
    parts.sounds = body.substr(0, colon1);
    if (!parts.sounds.empty())
        parts.count = static_cast<int>(std::count(parts.sounds.begin(), parts.sounds.end(), u'_'));
    if (colon1 == std::u16string_view::npos) return parts;
    const std::size_t colon2 = body.find(u':', colon1 + 1);
    if (colon2 == std::u16string_view::npos) return parts;
    parts.complete = true;
    parts.digits = body.substr(colon1 + 1, colon2 - colon1 - 1);
    const std::size_t colon3 = body.find(u':', colon2 + 1);
    parts.tail = body.substr(
        colon2 + 1, colon3 == std::u16string_view::npos ? std::u16string_view::npos : colon3 - colon2 - 1);
    return parts;
}

CutKey CutForCompare(std::u16string_view key, std::int32_t compare, std::size_t spaceCount) noexcept {
    switch (compare) {
        case CompareFirstWord:
            return {BeforeFirst(key, u" ")};
        case CompareLastWord: {
            const std::size_t blank = key.rfind(u' ');
            if (blank == std::u16string_view::npos) return {key};
            return {key.substr(blank + 1), true};
        }
        case CompareAuto:
            return {FirstPieces(key, spaceCount + 1)};
        default:
            return {key};
    }
}

int ScoreCutKey(const CutKey& cut, const KeyParts& search) {
    return ScoreCutKeyAbove(cut, search, -1).score;
}

BoundedScore ScoreCutKeyAbove(const CutKey& cut, const KeyParts& search, int floor) {
    const KeyParts candidate = SplitKeyParts(cut.text);
    if (candidate.count < 0) {
        // A short last word ("Li", "Wu") shares no sound with any search: no match.
        if (cut.laterWord) return {0, true};
        throw std::invalid_argument("the stored key has no first-sound part");
    }
    if (IsExcludedPair(candidate.FirstSound(), search.FirstSound())) return {-1, true};
    PairText searchDigits, searchTail, candidateDigits, candidateTail;
    int best = 0;
    bool skipped = false;
    std::u16string_view candidateRest = candidate.sounds;
    for (int j = 0; j <= candidate.count; ++j) {
        const std::u16string_view alternative = NextAlternative(candidateRest);
        const std::u16string_view sound = candidate.complete ? alternative : std::u16string_view();
        if (!SharesAlternative(sound, search)) continue;
        std::u16string_view searchRest = search.sounds;
        for (int i = 0; i <= search.count; ++i) {
            const std::u16string_view searchSound =
                search.complete ? NextAlternative(searchRest) : std::u16string_view();
            // The leading letter of every pairing but the primary one is masked.
            const bool masked = i != 0 || j != 0;
            const std::u16string_view digitsA = searchDigits.Make(searchSound, search.digits, false);
            const std::u16string_view digitsB = candidateDigits.Make(sound, candidate.digits, masked);
            const std::u16string_view tailA = searchTail.Make(searchSound, search.tail, false);
            const std::u16string_view tailB = candidateTail.Make(sound, candidate.tail, masked);
            // A pairing that cannot beat the best so far (or the floor) needs no alignment.
            const int bound = AlignmentScoreBound(digitsA, digitsB, kDigitsMax) +
                              AlignmentScoreBound(tailA, tailB, kTailMax);
            if (bound <= std::max(best, floor)) {
                skipped = skipped || bound > best;
                continue;
            }
            const int total =
                AlignmentScore(digitsA, digitsB, kDigitsMax) + AlignmentScore(tailA, tailB, kTailMax);
            best = std::max(best, total);
        }
    }
    // A skipped pairing could have scored up to the floor, never above it.
    return {best, best > floor || !skipped};
}

}  // namespace scoring

int CandidateScore(std::u16string_view storedKey, std::u16string_view searchKey, CompareMode compare,
                   std::size_t spaceCount) {
    const scoring::KeyParts search = scoring::SplitKeyParts(searchKey);
    if (search.count < 0) throw std::invalid_argument("the search key has no first-sound part");
    return scoring::ScoreCutKey(scoring::CutForCompare(storedKey, compare, spaceCount), search);
}

}  // namespace quarrymink
