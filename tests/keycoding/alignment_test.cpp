#include <gtest/gtest.h>

#include "quarrymink/keycoding.h"

namespace quarrymink {
namespace {

struct Scored {
    const char16_t* a;
    const char16_t* b;
    const char16_t* edit;
    int score100;
    int score255;
};

class WorkedScores : public ::testing::TestWithParam<Scored> {};

TEST_P(WorkedScores, ScoreAndEditStringAtBothMaxima) {
    const Scored& w = GetParam();
    std::u16string edit;
    EXPECT_EQ(AlignmentScore(w.a, w.b, 100, &edit), w.score100);
    EXPECT_EQ(edit, w.edit);
    EXPECT_EQ(AlignmentScore(w.a, w.b, 255, &edit), w.score255);
    EXPECT_EQ(AlignmentScore(w.a, w.b, 255), w.score255);  // same without the edit string
}

INSTANTIATE_TEST_SUITE_P(
    AlignmentScore, WorkedScores,
    ::testing::Values(Scored{u"smith", u"smyth", u"MMSMM", 90, 230},
                      Scored{u"mit", u"mitt", u"MMMD", 88, 223}, Scored{u"mit", u"mite", u"MMMD", 100, 255},
                      Scored{u"mite", u"mit", u"MMMI", 88, 223}, Scored{u"jon", u"john", u"MMDM", 88, 223},
                      Scored{u"ab", u"ba", u"SMD", 50, 128}, Scored{u"abcd", u"ad", u"MiiM", 30, 77},
                      Scored{u"abc", u"xyz", u"SSS", 0, 0},
                      // empty sides: the walks start in row or column 0
                      Scored{u"", u"abc", u"M", 100, 255}, Scored{u"abc", u"", u"SSM", 40, 102},
                      Scored{u"a", u"b", u"S", 0, 0}, Scored{u"", u"", u"", 100, 255},
                      Scored{u"abc", u"abc", u"MMM", 100, 255}));

TEST(AlignmentScore, EqualTextsEditStringIsAtMost39Letters) {
    std::u16string edit = u"junk";
    const std::u16string longText(50, u'x');
    EXPECT_EQ(AlignmentScore(longText, longText, 17, &edit), 17);
    EXPECT_EQ(edit.size(), 39u);
}

TEST(AlignmentScore, DoubledInsertionsAndDeletionsCostOneEach) {
    std::u16string edit;
    AlignmentScore(u"abxxxxcd", u"abcd", 100, &edit);
    EXPECT_NE(edit.find(u"ii"), std::u16string::npos);
    EXPECT_EQ(edit.find(u"II"), std::u16string::npos);
    AlignmentScore(u"abcd", u"abxxxxcd", 100, &edit);
    EXPECT_EQ(edit.find(u"DD"), std::u16string::npos);
}

TEST(AlignmentScore, TextsLongerThan63CharactersAreScoredWithoutWrapping) {
    // 70 substitutions: a 6-bit cost would wrap at 64 and pick wrong steps.
    const std::u16string a(70, u'a'), b(70, u'b');
    std::u16string edit;
    EXPECT_EQ(AlignmentScore(a, b, 255, &edit), 0);
    EXPECT_EQ(edit, std::u16string(70, u'S'));
    // One substitution in 100 characters.
    std::u16string c(100, u'q'), d = c;
    d[50] = u'z';
    EXPECT_EQ(AlignmentScore(c, d, 100, &edit), 100);  // 99 + 0.5 of 100 rounds to 100
    EXPECT_EQ(edit.size(), 100u);
    EXPECT_EQ(edit[50], u'S');
}

}  // namespace
}  // namespace quarrymink
