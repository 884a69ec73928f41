// Seeded random texts over the whole 16-bit range: the coder, Soundex and the alignment
// never fail, keys keep their layout, and scores stay within their maximum.
#include <gtest/gtest.h>

#include <random>

#include "alignment_reference.h"
#include "homolog_p.h"
#include "quarrymink/keycoding.h"
#include "quarrymink/unicode.h"
#include "textutil.h"

namespace quarrymink {
namespace {

std::u16string RandomText(std::mt19937& rng) {
    std::uniform_int_distribution<int> length(0, 24), kind(0, 9), any(0, 0xFFFF), ascii(32, 126);
    static constexpr char16_t kInteresting[] = u"aeiouyhwgcksztn:_' ";
    std::u16string text(static_cast<std::size_t>(length(rng)), u'\0');
    for (char16_t& ch : text) {
        const int k = kind(rng);
        ch = k < 5   ? kInteresting[std::uniform_int_distribution<int>(0, 18)(rng)]
             : k < 8 ? static_cast<char16_t>(ascii(rng))
                     : static_cast<char16_t>(any(rng));
    }
    return text;
}

TEST(Randomized, KeysKeepTheirLayoutAndScoresTheirRange) {
    std::mt19937 rng(20261206);
    KeyCoder coder;
    for (int round = 0; round < 20000; ++round) {
        const std::u16string text = RandomText(rng);
        coder.SetCompare(round % 5);
        const std::u16string key = coder.MakeCode(text);
        ASSERT_GE(key.size(), 3u);
        ASSERT_EQ(key[0], u'\u0002');
        // The head holds the class and the sounds, then the first colon; the digits and
        // the second colon follow.
        std::u16string lower = ToLower(text);
        std::u16string_view word = lower;
        if (round % 5 == CompareFirstWord) word = BeforeFirst(word, u" ");
        if (round % 5 == CompareLastWord) word = AfterLast(word, u" ");
        const InitialSoundResult head = ShippedHomologRules().InitialSound(word);
        std::u16string expectedHead = EncryptString(std::u16string(head.cls) + std::u16string(head.sounds));
        const std::u16string_view body = std::u16string_view(key).substr(1);
        ASSERT_EQ(body.substr(0, expectedHead.size()), expectedHead) << round;
        std::size_t at = expectedHead.size();
        ASSERT_EQ(body[at], u':') << round;
        for (++at; at < body.size() && body[at] >= u'1' && body[at] <= u'6'; ++at) {
        }
        ASSERT_LT(at, body.size()) << round;
        ASSERT_EQ(body[at], u':') << round;

        const std::u16string digits = SimpleSoundex(text);
        for (char16_t d : digits) ASSERT_TRUE(d >= u'1' && d <= u'6');

        const std::u16string other = RandomText(rng);
        const auto maxScore = static_cast<std::uint8_t>(std::uniform_int_distribution<int>(0, 255)(rng));
        std::u16string edit;
        const unsigned score = AlignmentScore(text, other, maxScore, &edit);
        ASSERT_LE(score, maxScore);
        ASSERT_GE(AlignmentScoreBound(text, other, maxScore), score) << round;
        if (text != other) {
            ASSERT_LE(edit.size(), text.size() + other.size() + std::max(text.size(), other.size()));
        }
    }
}

TEST(Randomized, AlignmentAgreesWithThePlainTranscription) {
    // Small alphabets make ties, doubled letters and equal texts common.
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> letter(0, 4), maxScore(0, 255);
    static constexpr char16_t kAlphabet[] = u"aeMD?";
    // Now and then longer texts, around the lengths where the costs are kept otherwise: 16
    // and 64 characters of the second text, several words of 64, and long first texts whose
    // rows are worked out again span by span.
    struct Lengths {
        int aMin, aMax, bMin, bMax;
    };
    static constexpr Lengths kLong[] = {{10, 20, 14, 18},     {56, 72, 56, 72},  {0, 5, 60, 140},
                                        {120, 200, 120, 200}, {300, 700, 1, 66}, {0, 3, 0, 3}};
    const auto pick = [&](int min, int max) {
        return static_cast<std::size_t>(std::uniform_int_distribution<int>(min, max)(rng));
    };
    for (int round = 0; round < 50000; ++round) {
        const bool longTexts = round % 25 == 0;
        const Lengths& sizes = kLong[(round / 25) % std::size(kLong)];
        std::u16string a(longTexts ? pick(sizes.aMin, sizes.aMax) : pick(0, 14), u' ');
        std::u16string b(longTexts ? pick(sizes.bMin, sizes.bMax) : pick(0, 14), u' ');
        for (char16_t& ch : a) ch = kAlphabet[letter(rng)];
        for (char16_t& ch : b) ch = kAlphabet[letter(rng)];
        if (round % 7 == 0) b = a.substr(0, a.size() / 2) + b;
        const int max = maxScore(rng);
        std::u16string fast, plain;
        const int expected = reference::AlignmentScore(a, b, max, plain);
        ASSERT_EQ(AlignmentScore(a, b, static_cast<std::uint8_t>(max), &fast), expected) << round;
        ASSERT_EQ(fast, plain) << round;
        // The bound that lets the scorer skip alignments never falls below the score.
        ASSERT_GE(AlignmentScoreBound(a, b, static_cast<std::uint8_t>(max)), expected) << round;
    }
}

TEST(Randomized, CutKeysAreNeverLongerThanAsked) {
    std::mt19937 rng(7);
    KeyCoder coder;
    for (int round = 0; round < 5000; ++round) {
        const int max = std::uniform_int_distribution<int>(-2, 30)(rng);
        coder.SetMaxKeyLength(max);
        const std::u16string text = RandomText(rng);
        const std::u16string key = coder.MakeCode(text);
        coder.SetMaxKeyLength(0);
        const std::u16string whole = coder.MakeCode(text);
        ASSERT_EQ(whole.substr(0, key.size()), key);
        if (max > 0 && key.size() < whole.size()) {
            ASSERT_EQ(key.size(), static_cast<std::size_t>(max));
        }
    }
}

}  // namespace
}  // namespace quarrymink
