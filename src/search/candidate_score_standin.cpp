// A plain CandidateScore: the pairing loop of a search for one stored key, without the
// scratch buffers and the remembered keys of the scoring loop.
#include <stdexcept>

#include "quarrymink/search.h"
#include "quarrymink/textutil.h"

namespace quarrymink {
namespace {

constexpr int kDigitsMax = 130;
constexpr int kTailMax = 255;

// The stored key as the Compare property cuts it.
std::u16string_view CutByCompare(std::u16string_view key, CompareMode compare, std::size_t spaceCount) {
    switch (compare) {
        case CompareFirstWord: return BeforeFirst(key, u" ");
        case CompareLastWord: return AfterLast(key, u" ");
        case CompareAuto: {
            std::size_t end = 0;
            for (std::size_t words = 0; words <= spaceCount; ++words) {
                const std::size_t blank = key.find(u' ', end);
                if (blank == std::u16string_view::npos) return key;
                end = blank + 1;
            }
            return key.substr(0, end - 1);
        }
        default: return key;
    }
}

bool Shares(const std::u16string& sound, const std::vector<std::u16string>& sounds) {
    for (const std::u16string& s : sounds)
        if (s == sound) return true;
    return false;
}

// "?" in place of the leading letter, for every pairing but the primary one.
std::u16string Masked(const std::u16string& part) {
    return u"?" + (part.size() > 1 ? part.substr(1) : std::u16string());
}

}  // namespace

int CandidateScore(std::u16string_view storedKey, std::u16string_view searchKey, CompareMode compare,
                   std::size_t spaceCount) {
    const KeySounds search = SplitKeySounds(searchKey);
    const KeySounds candidate = SplitKeySounds(CutByCompare(storedKey, compare, spaceCount));
    if (search.Count() < 0) throw std::invalid_argument("the search key has no first-sound part");
    if (candidate.Count() < 0) throw std::invalid_argument("the stored key has no first-sound part");
    static const std::u16string b = EncryptString(u"b"), w = EncryptString(u"w");
    const std::u16string& searchFirst = search.sounds[0];
    const std::u16string& candidateFirst = candidate.sounds[0];
    if ((searchFirst == b && candidateFirst == w) || (searchFirst == w && candidateFirst == b)) return -1;

    int best = 0;
    for (int i = 0; i <= search.Count(); ++i)
        for (int j = 0; j <= candidate.Count(); ++j) {
            if (!Shares(candidate.sounds[j], search.sounds)) continue;
            const auto& pair = candidate.pairs[j];
            const bool primary = i == 0 && j == 0;
            const int total =
                AlignmentScore(search.pairs[i][0], primary ? pair[0] : Masked(pair[0]), kDigitsMax) +
                AlignmentScore(search.pairs[i][1], primary ? pair[1] : Masked(pair[1]), kTailMax);
            if (total > best) best = total;
        }
    return best;
}

}  // namespace quarrymink
