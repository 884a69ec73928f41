#include <gtest/gtest.h>

#include "quarrymink/keycoding.h"
#include "quarrymink/unicode.h"
#include "resources_p.h"

namespace quarrymink {
namespace {

// The key a body gives: the version character, then the body with its letters substituted.
std::u16string KeyOf(std::u16string_view body) {
    return u"\u0002" + EncryptString(body);
}

std::u16string Code(std::u16string_view text, std::int32_t compare = CompareAll, std::int32_t maxLength = 0) {
    KeyCoder coder;
    coder.SetCompare(compare);
    coder.SetMaxKeyLength(maxLength);
    return coder.MakeCode(text);
}

TEST(LetterSubstitution, MapsLettersOnlyAndIgnoresCase) {
    EXPECT_EQ(EncryptString(u"aBc:53:"), u"m0o:53:");  // characters 5, 6 and 7 of the table
    EXPECT_EQ(EncryptString(u"z_ \u00e9?"), u"3_ \u00e9?");
    EXPECT_THROW(SubstituteLetter('A'), std::out_of_range);
}

struct Worked {
    const char16_t* text;
    const char16_t* body;
};

class WorkedBodies : public ::testing::TestWithParam<Worked> {};

TEST_P(WorkedBodies, MakeCodeGivesTheBody) {
    EXPECT_EQ(Code(GetParam().text), KeyOf(GetParam().body));
}

INSTANTIATE_TEST_SUITE_P(
    KeyCoder, WorkedBodies,
    ::testing::Values(Worked{u"smith", u"sS:53:mit"}, Worked{u"smyth", u"sS:53:mit"},
                      Worked{u"knight", u"nN:23:it"}, Worked{u"wright", u"rR:23:it"},
                      Worked{u"johnson", u"jJ_H:525:onson"}, Worked{u"jonson", u"jJ_H:525:onson"},
                      Worked{u"catherine", u"sK:365:aterine"}, Worked{u"kathryn", u"sK:365:atrin"},
                      Worked{u"phillips", u"fF:412:ilips"}, Worked{u"mcdonald", u"2MC:3543:donald"},
                      Worked{u"macdonald", u"2MC:3543:donald"}, Worked{u"bennett", u"wB_V:53:enet"},
                      Worked{u"hughes", u"jH_J:22:ues"}, Worked{u"laugh", u"ll:2:af"},
                      Worked{u"little", u"ll:34:itel"}, Worked{u"centre", u"sS_K_CH:536:enter"},
                      Worked{u"o'brien", u"wO:165:brien"}, Worked{u"kate", u"sK:3:at"},
                      // context passes where both neighbours are tested
                      Worked{u"tougher", u"tT:26:ofer"},
                      // the silent-e rule
                      Worked{u"bone", u"wB_V:5:oan"}, Worked{u"tune", u"tT:5:un"}));

TEST(KeyCoder, EmptyTextGivesTwoColons) {
    EXPECT_EQ(Code(u""), u"\u0002::");
    EXPECT_EQ(Code(u"   ").substr(0, 1), u"\u0002");
}

TEST(KeyCoder, CompareChoosesTheWordsCoded) {
    EXPECT_EQ(Code(u"john smith", CompareAll), KeyOf(u"jJ_H:5253:on smit"));
    EXPECT_EQ(Code(u"john smith", CompareFirstWord), KeyOf(u"jJ_H:5:on"));
    EXPECT_EQ(Code(u"john smith", CompareLastWord), KeyOf(u"sS:53:mit"));
    EXPECT_EQ(Code(u"john smith", 7), Code(u"john smith", CompareAll));
    // Only the blank separates words.
    EXPECT_EQ(Code(u"john\tsmith", CompareFirstWord), Code(u"john\tsmith", CompareAll));
}

TEST(KeyCoder, MaxKeyLengthNeverCutsTheHead) {
    EXPECT_EQ(Code(u"smith", CompareAll, 4), KeyOf(u"sS:53:mit"));  // head is 4 long
    EXPECT_EQ(Code(u"smith", CompareAll, 5), KeyOf(u"sS:53:mit").substr(0, 5));
    EXPECT_EQ(Code(u"smith", CompareAll, -3), KeyOf(u"sS:53:mit"));
    EXPECT_EQ(Code(u"centre", CompareAll, 8), KeyOf(u"sS_K_CH:536:enter"));  // head of 9
}

TEST(KeyCoder, CaseAndUnicodeLowerCasing) {
    EXPECT_EQ(Code(u"\u00c9MILE"), Code(u"\u00e9mile"));
    EXPECT_EQ(Code(u"\u212aATE"), Code(u"kate"));  // the Kelvin sign lower-cases to k
}

TEST(KeyCoder, VersionAndRulesLoadOnceAndCanBeReplaced) {
    KeyCoder coder;
    coder.MakeCode(u"x");
    EXPECT_EQ(coder.KeyVersion(), u"\u0002");
    coder.SetKeyVersion(u"\u0001");
    EXPECT_EQ(coder.MakeCode(u"smith"), u"\u0001" + EncryptString(u"sS:53:mit"));
    EXPECT_EQ(LibraryKeyVersion(), u'\u0002');
}

TEST(KeyCoder, TextsBeyond32767CharactersGiveTheirKey) {
    std::u16string text = u"smith";
    text.append(40000, u'a');
    text += u"tt";
    const std::u16string key = Code(text);
    EXPECT_EQ(key.substr(0, 8), KeyOf(u"sS:533:"));
    EXPECT_GT(key.size(), 20000u);
}

TEST(KeyParts, KeyLengthGradeBySizeOfTail) {
    const std::pair<std::u16string_view, int> cases[] = {
        {u"x:1:abcd", 60}, {u"x:1:abcde", 70}, {u"x:1:abcdefgh", 100}, {u"abcdefghij", 100}, {u"", 60}};
    for (const auto& [key, grade] : cases) EXPECT_EQ(KeyLengthGrade(key), grade);  // no colon: the whole key
}

TEST(KeyParts, SplitKeySoundsPairsEachAlternative) {
    const KeySounds split = SplitKeySounds(u"\u0002jJ_H:525:onson");
    ASSERT_EQ(split.Count(), 1);
    EXPECT_EQ(split.sounds[1], u"H");
    EXPECT_EQ(split.pairs[0][0], u"J525");
    EXPECT_EQ(split.pairs[1][1], u"Honson");

    const KeySounds cut = SplitKeySounds(u"\u0002sS_K:53");  // cut before the tail
    ASSERT_EQ(cut.Count(), 1);
    EXPECT_EQ(cut.sounds[0], u"");
    EXPECT_EQ(cut.pairs[1][0], u"");

    for (const char16_t* empty : {u"\u0002::", u"\u0002", u""}) EXPECT_EQ(SplitKeySounds(empty).Count(), -1);
}

TEST(Resources, AboutLinesEndAtTheStar) {
    EXPECT_EQ(ReadResLines(218), u"");
    EXPECT_THROW(StringResource(999), std::out_of_range);
}

}  // namespace
}  // namespace quarrymink
