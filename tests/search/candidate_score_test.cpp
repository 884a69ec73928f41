// CandidateScore against the plain scorer on seeded random keys: keys made by the coder
// from texts over the whole 16-bit range, and raw texts used as stored keys.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "candidate_score_reference.h"
#include "quarrymink/search.h"

namespace quarrymink {
namespace {

std::u16string RandomText(std::mt19937& rng) {
    static constexpr char16_t kInteresting[] = u"aeiouybwhgcksztn:_?' \u0002";
    std::uniform_int_distribution<int> length(0, 20), kind(0, 9), any(0, 0xFFFF);
    std::u16string text(static_cast<std::size_t>(length(rng)), u'\0');
    for (char16_t& ch : text) {
        const int k = kind(rng);
        ch = k < 8 ? kInteresting[rng() % (std::size(kInteresting) - 1)] : static_cast<char16_t>(any(rng));
    }
    return text;
}

int Outcome(const std::function<int()>& score) {
    try {
        return score();
    } catch (const std::invalid_argument&) {
        return -100;
    }
}

TEST(CandidateScore, AgreesWithThePlainScorer) {
    std::mt19937 rng(20261207);
    KeyCoder coder;
    for (int round = 0; round < 30000; ++round) {
        const int compare = static_cast<int>(rng() % 4);
        const std::size_t spaces = rng() % 3;
        const std::u16string searchText = RandomText(rng), storedText = RandomText(rng);
        const std::u16string searchKey = coder.MakeCode(searchText);
        // Stored keys: mostly real keys, sometimes arbitrary texts (a damaged table).
        const std::u16string stored = round % 4 == 3 ? storedText : coder.MakeCode(storedText);
        const int fast =
            Outcome([&] { return CandidateScore(stored, searchKey, CompareMode(compare), spaces); });
        const int plain =
            Outcome([&] { return reference::CandidateScore(stored, searchKey, compare, spaces); });
        ASSERT_EQ(fast, plain) << round;
    }
}

TEST(CandidateScore, KnownPairs) {
    KeyCoder coder;
    const std::u16string smith = coder.MakeCode(u"smith");
    EXPECT_EQ(CandidateScore(smith, smith), 385);  // equal keys: both parts at their maximum
    EXPECT_EQ(CandidateScore(coder.MakeCode(u"bose"), coder.MakeCode(u"wan")), -1);
    EXPECT_THROW(CandidateScore(u"\u0002x::", smith), std::invalid_argument);
    // A short last word ("Jo") of a key with blanks is no match, not a damaged key.
    EXPECT_EQ(CandidateScore(coder.MakeCode(u"sam jo"), coder.MakeCode(u"jo"), CompareLastWord), 0);
}

}  // namespace
}  // namespace quarrymink
