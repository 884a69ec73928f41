// libFuzzer target for the key coding and the row scorer: arbitrary 16-bit texts go through
// MakeCode, SplitKeySounds, AlignmentScore and CandidateScore, and the fast alignment and
// scorer must give what the plain, cell-by-cell ones give, on every input.
//
// Input: a byte of options (Compare mode, blank count), a byte of maximum score, then the
// two texts as 16-bit units, separated by the unit 0xFFFF (halved when there is none).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>

#include "candidate_score_p.h"
#include "candidate_score_reference.h"
#include "quarrymink/search.h"

namespace {

using namespace quarrymink;

int Outcome(const std::function<int()>& score) {
    try {
        return score();
    } catch (const std::invalid_argument&) {
        return -100;
    }
}

void Check(bool condition, int line) {
    if (condition) return;
    std::fprintf(stderr, "check of line %d failed\n", line);
    std::abort();
}
#define CHECK(condition) Check(condition, __LINE__)

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const int compare = data[0] & 3;
    const std::size_t spaces = (data[0] >> 2) & 7;
    const std::uint8_t maxScore = data[1];
    std::u16string units;
    for (std::size_t i = 2; i + 1 < size; i += 2)
        units.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    std::size_t split = units.find(u'\uFFFF');
    const std::u16string a = units.substr(0, split == std::u16string::npos ? units.size() / 2 : split);
    const std::u16string b = units.substr(split == std::u16string::npos ? units.size() / 2 : split + 1);

    std::u16string edit, plainEdit;
    CHECK(AlignmentScore(a, b, maxScore, &edit) == reference::AlignmentScore(a, b, maxScore, plainEdit));
    CHECK(edit == plainEdit);
    CHECK(AlignmentScoreBound(a, b, maxScore) >= AlignmentScore(a, b, maxScore));

    static KeyCoder coder;
    coder.SetCompare(compare);
    const std::u16string searchKey = coder.MakeCode(a), storedKey = coder.MakeCode(b);
    CHECK(searchKey.size() >= 3 && searchKey[0] == LibraryKeyVersion());
    const KeySounds split1 = SplitKeySounds(storedKey);
    CHECK(split1.sounds.size() == split1.pairs.size());

    for (const std::u16string& stored : {storedKey, b}) {
        const int fast =
            Outcome([&] { return CandidateScore(stored, searchKey, CompareMode(compare), spaces); });
        const int plain =
            Outcome([&] { return reference::CandidateScore(stored, searchKey, compare, spaces); });
        CHECK(fast == plain);
        CHECK(fast == -100 || (fast >= -1 && fast <= 385));
        // Asked only above a floor, the scorer is exact above it and stays at or below it
        // when it skips alignments.
        const scoring::KeyParts search = scoring::SplitKeyParts(searchKey);
        if (fast < 0 || search.count < 0) continue;
        const scoring::CutKey cut = scoring::CutForCompare(stored, compare, spaces);
        for (const int floor : {fast - 1, fast, data[1] * 3 % 386}) {
            const scoring::BoundedScore bounded = scoring::ScoreCutKeyAbove(cut, search, floor);
            CHECK(bounded.exact ? bounded.score == fast : fast <= floor && bounded.score <= floor);
            CHECK(fast <= floor || bounded.exact);
        }
    }
    return 0;
}
