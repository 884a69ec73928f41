// A plain transcription of the candidate scoring: keys split into strings, every pairing
// of shared alternatives aligned cell by cell. Kept beside the fast scorer so that
// randomized tests and the fuzz target can check that the two agree.
#pragma once

#include <stdexcept>
#include <string>

#include "../keycoding/alignment_reference.h"
#include "quarrymink/keycoding.h"
#include "textutil.h"

namespace quarrymink::reference {

inline std::u16string CutForCompare(std::u16string_view key, int compare, std::size_t spaceCount) {
    if (compare == CompareFirstWord) return std::u16string(BeforeFirst(key, u" "));
    if (compare == CompareLastWord) return std::u16string(AfterLast(key, u" "));
    if (compare != CompareAuto) return std::u16string(key);
    // The first spaceCount + 1 pieces: with key and one more blank, p steps from blank to blank.
    const std::u16string padded = std::u16string(key) + u" ";
    std::size_t p = 0;
    for (std::size_t n = 0; n <= spaceCount; ++n) {
        p = padded.find(u' ', p) + 1;  // 1-based position of the blank
        if (p > key.size()) return std::u16string(key);
    }
    return std::u16string(key.substr(0, p - 1));
}

inline int CandidateScore(std::u16string_view stored, std::u16string_view searchKey, int compare,
                          std::size_t spaceCount) {
    const KeySounds search = SplitKeySounds(searchKey);
    const KeySounds candidate = SplitKeySounds(CutForCompare(stored, compare, spaceCount));
    // The last word of a key with blanks has no head: too short to hold a sound, it is no match.
    const bool laterWord = compare == CompareLastWord && stored.find(u' ') != std::u16string_view::npos;
    if (candidate.Count() < 0 && laterWord && search.Count() >= 0) return 0;
    if (search.Count() < 0 || candidate.Count() < 0) throw std::invalid_argument("no first-sound part");
    const std::u16string b = EncryptString(u"b"), w = EncryptString(u"w");
    if ((search.sounds[0] == b && candidate.sounds[0] == w) ||
        (search.sounds[0] == w && candidate.sounds[0] == b))
        return -1;
    int best = 0;
    std::u16string edit;
    for (int i = 0; i <= search.Count(); ++i)
        for (int j = 0; j <= candidate.Count(); ++j) {
            bool shared = false;
            for (const std::u16string& sound : search.sounds) shared = shared || sound == candidate.sounds[j];
            if (!shared) continue;
            std::u16string p0 = candidate.pairs[j][0], p1 = candidate.pairs[j][1];
            if (i != 0 || j != 0) {
                p0 = u"?" + (p0.size() > 1 ? p0.substr(1) : u"");
                p1 = u"?" + (p1.size() > 1 ? p1.substr(1) : u"");
            }
            const int total = AlignmentScore(search.pairs[i][0], p0, 130, edit) +
                              AlignmentScore(search.pairs[i][1], p1, 255, edit);
            best = std::max(best, total);
        }
    return best;
}

}  // namespace quarrymink::reference
