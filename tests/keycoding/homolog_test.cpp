#include <gtest/gtest.h>

#include "homolog_p.h"
#include "quarrymink/keycoding.h"
#include "quarrymink/unicode.h"

namespace quarrymink {
namespace {

TEST(HomologRules, ShippedTableHas241RulesInEntryOrder) {
    HomologRules rules;
    rules.Load();
    ASSERT_EQ(rules.Count(), 241u);
    EXPECT_EQ(rules[455 - 301].sounds, u"S_K_CH");
    EXPECT_EQ(rules[241].length, 0);  // the rest of the 401 entries stay empty
}

TEST(HomologRules, ParseLineCutsFieldsAndReadsNumbers) {
    const HomologRule r = HomologRules::ParseLine(u"xy/abcdefg/ABCDEFGHIJKLMN/ 2/ 3");
    EXPECT_EQ(r.cls + u"/" + r.pattern + u"/" + r.sounds, u"x/abcde/ABCDEFGHIJKL");
    EXPECT_EQ(std::pair(int(r.keep), int(r.length)), std::pair(2, 3));
    const HomologRule bad = HomologRules::ParseLine(u"s/ab/S/x/");
    EXPECT_EQ(bad.keep + bad.length, 0);
}

TEST(HomologRules, FirstMatchingRuleWinsAndOtherWordsFormTheirOwnClass) {
    // Each case: the word, then its class, sounds and rest joined by '|'.
    const std::pair<std::u16string_view, std::u16string_view> cases[] = {
        {u"caesar", u"s|S_K|aesar"},
        {u"schmidt", u"s|SH_SK|midt"},  // sch before sc and s
        {u"mack", u"2|MC|"},
        {u"ibex", u"i|AY|bex"},  // consumes only the i
        {u"iban", u"i|i_AY|ban"},
        {u"ian", u"i|i|an"},
        {u"4th", u"4|4|th"},
        {u"", u"||"},
        {u"\u00e9mile", u"\u00e9|\u00e9|mile"},
        {u"ea", u"e|e|a"},  // a text shorter than a pattern never matches it
    };
    for (const auto& [word, expected] : cases) {
        const InitialSoundResult r = ShippedHomologRules().InitialSound(word);
        EXPECT_EQ(std::u16string(r.cls) + u"|" + std::u16string(r.sounds) + u"|" + std::u16string(r.rest),
                  expected)
            << Utf16ToUtf8(word);
    }
}

}  // namespace
}  // namespace quarrymink
