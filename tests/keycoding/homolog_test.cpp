#include <gtest/gtest.h>

#include "homolog_p.h"
#include "quarrymink/keycoding.h"
#include "resources_p.h"

namespace quarrymink {
namespace {

struct Sound {
    std::u16string cls, sounds, rest;
};

Sound Initial(std::u16string_view word) {
    const InitialSoundResult r = ShippedHomologRules().InitialSound(word);
    return {std::u16string(r.cls), std::u16string(r.sounds), std::u16string(r.rest)};
}

void ExpectSound(std::u16string_view word, std::u16string_view cls, std::u16string_view sounds,
                 std::u16string_view rest) {
    const Sound s = Initial(word);
    EXPECT_EQ(s.cls, cls) << "class of " << std::string(word.begin(), word.end());
    EXPECT_EQ(s.sounds, sounds) << "sounds of " << std::string(word.begin(), word.end());
    EXPECT_EQ(s.rest, rest) << "rest of " << std::string(word.begin(), word.end());
}

TEST(HomologRules, ShippedTableHas241RulesInEntryOrder) {
    HomologRules rules;
    rules.Load();
    ASSERT_EQ(rules.Count(), 241u);
    EXPECT_EQ(rules[0].pattern, u"earb");
    EXPECT_EQ(rules[0].keep, 1);
    EXPECT_EQ(rules[0].length, 4);
    EXPECT_EQ(rules[455 - 301].sounds, u"S_K_CH");
    EXPECT_EQ(rules[240].pattern, u"b");
    EXPECT_EQ(rules[241].length, 0);  // the rest of the 401 entries stay empty
    EXPECT_EQ(StringResource(542), u"*");
    EXPECT_EQ(StringResource(301), u"1/earb/UR/ 1/ 4");
    EXPECT_EQ(StringResource(541), u"w/b/B/ 0/ 1");
}

TEST(HomologRules, ParseLineCutsFieldsAndReadsNumbers) {
    const HomologRule r = HomologRules::ParseLine(u"xy/abcdefg/ABCDEFGHIJKLMN/ 2/ 3");
    EXPECT_EQ(r.cls, u"x");
    EXPECT_EQ(r.pattern, u"abcde");
    EXPECT_EQ(r.sounds, u"ABCDEFGHIJKL");
    EXPECT_EQ(r.keep, 2);
    EXPECT_EQ(r.length, 3);
    const HomologRule bad = HomologRules::ParseLine(u"s/ab/S/x/");
    EXPECT_EQ(bad.keep, 0);
    EXPECT_EQ(bad.length, 0);
}

TEST(HomologRules, FirstMatchingRuleWins) {
    ExpectSound(u"caesar", u"s", u"S_K", u"aesar");
    ExpectSound(u"ewan", u"y", u"YU", u"an");
    ExpectSound(u"earl", u"1", u"UR", u"l");
    ExpectSound(u"schmidt", u"s", u"SH_SK", u"midt");  // sch before sc and s
    ExpectSound(u"mack", u"2", u"MC", u"");
    ExpectSound(u"mackay", u"2", u"MC", u"ay");
    ExpectSound(u"ibex", u"i", u"AY", u"bex");  // consumes only the i
    ExpectSound(u"iban", u"i", u"i_AY", u"ban");
}

TEST(HomologRules, WordsWithoutRuleFormTheirOwnClass) {
    ExpectSound(u"ian", u"i", u"i", u"an");
    ExpectSound(u"adams", u"a", u"a", u"dams");
    ExpectSound(u"4th", u"4", u"4", u"th");
    ExpectSound(u"e", u"e", u"e", u"");
    ExpectSound(u"", u"", u"", u"");
    ExpectSound(u"\u00e9mile", u"\u00e9", u"\u00e9", u"mile");
    // A text shorter than a pattern never matches it.
    ExpectSound(u"ea", u"e", u"e", u"a");
}

}  // namespace
}  // namespace quarrymink
