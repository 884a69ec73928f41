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
    EXPECT_EQ(rules[455 - 301].sounds, u"S_K_CH");
    EXPECT_EQ(rules[240].pattern, u"b");
    EXPECT_EQ(rules[241].length, 0);  // the rest of the 401 entries stay empty
    EXPECT_EQ(StringResource(542), u"*");
}

TEST(HomologRules, ParseLineCutsFieldsAndReadsNumbers) {
    const HomologRule r = HomologRules::ParseLine(u"xy/abcdefg/ABCDEFGHIJKLMN/ 2/ 3");
    EXPECT_EQ(r.cls, u"x");
    EXPECT_EQ(r.pattern, u"abcde");
    EXPECT_EQ(r.sounds, u"ABCDEFGHIJKL");
    EXPECT_EQ(r.keep, 2);
    EXPECT_EQ(r.length, 3);
    const HomologRule bad = HomologRules::ParseLine(u"s/ab/S/x/");
    EXPECT_EQ(bad.keep + bad.length, 0);
}

TEST(HomologRules, FirstMatchingRuleWinsAndOtherWordsFormTheirOwnClass) {
    const struct {
        std::u16string_view word, cls, sounds, rest;
    } cases[] = {
        {u"caesar", u"s", u"S_K", u"aesar"},
        {u"schmidt", u"s", u"SH_SK", u"midt"},  // sch before sc and s
        {u"mack", u"2", u"MC", u""},
        {u"ibex", u"i", u"AY", u"bex"},  // consumes only the i
        {u"iban", u"i", u"i_AY", u"ban"},
        {u"ian", u"i", u"i", u"an"},
        {u"4th", u"4", u"4", u"th"},
        {u"", u"", u"", u""},
        {u"\u00e9mile", u"\u00e9", u"\u00e9", u"mile"},
        {u"ea", u"e", u"e", u"a"},  // a text shorter than a pattern never matches it
    };
    for (const auto& c : cases) ExpectSound(c.word, c.cls, c.sounds, c.rest);
}

}  // namespace
}  // namespace quarrymink
