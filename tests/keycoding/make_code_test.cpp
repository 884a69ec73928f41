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

// Worked examples: the key's body for each text.
TEST(KeyCoder, WorkedBodies) {
    const std::pair<std::u16string_view, std::u16string_view> cases[] = {
        {u"smith", u"sS:53:mit"},           {u"smyth", u"sS:53:mit"},
        {u"knight", u"nN:23:it"},           {u"wright", u"rR:23:it"},
        {u"johnson", u"jJ_H:525:onson"},    {u"jonson", u"jJ_H:525:onson"},
        {u"catherine", u"sK:365:aterine"},  {u"kathryn", u"sK:365:atrin"},
        {u"phillips", u"fF:412:ilips"},     {u"mcdonald", u"2MC:3543:donald"},
        {u"macdonald", u"2MC:3543:donald"}, {u"bennett", u"wB_V:53:enet"},
        {u"hughes", u"jH_J:22:ues"},        {u"laugh", u"ll:2:af"},
        {u"little", u"ll:34:itel"},         {u"centre", u"sS_K_CH:536:enter"},
        {u"o'brien", u"wO:165:brien"},      {u"kate", u"sK:3:at"},
        {u"tougher", u"tT:26:ofer"},  // context passes where both neighbours are tested
        {u"bone", u"wB_V:5:oan"},           {u"tune", u"tT:5:un"},  // the silent-e rule
    };
    for (const auto& [text, body] : cases) EXPECT_EQ(Code(text), KeyOf(body)) << Utf16ToUtf8(text);
}

// The Compare mode chooses the words coded (only the blank separates them), a maximum length
// never cuts the head, and upper case is lowered by Unicode's rules.
TEST(KeyCoder, CompareLengthAndCase) {
    const struct {
        std::u16string_view text;
        std::int32_t compare, maxLength;
        std::u16string key;
    } cases[] = {
        {u"", CompareAll, 0, u"\u0002::"},
        {u"john smith", CompareAll, 0, KeyOf(u"jJ_H:5253:on smit")},
        {u"john smith", CompareFirstWord, 0, KeyOf(u"jJ_H:5:on")},
        {u"john smith", CompareLastWord, 0, KeyOf(u"sS:53:mit")},
        {u"john smith", 7, 0, KeyOf(u"jJ_H:5253:on smit")},
        {u"john\tsmith", CompareFirstWord, 0, Code(u"john\tsmith")},
        {u"smith", CompareAll, 4, KeyOf(u"sS:53:mit")},  // head is 4 long
        {u"smith", CompareAll, 5, KeyOf(u"sS:53:mit").substr(0, 5)},
        {u"smith", CompareAll, -3, KeyOf(u"sS:53:mit")},
        {u"centre", CompareAll, 8, KeyOf(u"sS_K_CH:536:enter")},  // head of 9
        {u"\u00c9MILE", CompareAll, 0, Code(u"\u00e9mile")},
        {u"\u212aATE", CompareAll, 0, Code(u"kate")},  // the Kelvin sign lower-cases to k
    };
    for (const auto& c : cases)
        EXPECT_EQ(Code(c.text, c.compare, c.maxLength), c.key) << Utf16ToUtf8(c.text) << " " << c.maxLength;
}

TEST(KeyCoder, VersionLoadsOnceAndCanBeReplaced) {
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
    EXPECT_EQ(split.sounds[1] + u" " + split.pairs[0][0] + u" " + split.pairs[1][1], u"H J525 Honson");

    const KeySounds cut = SplitKeySounds(u"\u0002sS_K:53");  // cut before the tail
    ASSERT_EQ(cut.Count(), 1);
    EXPECT_EQ(cut.sounds[0] + cut.pairs[1][0], u"");

    for (const char16_t* empty : {u"\u0002::", u"\u0002", u""}) EXPECT_EQ(SplitKeySounds(empty).Count(), -1);
}

TEST(Resources, AboutLinesEndAtTheStar) {
    EXPECT_EQ(ReadResLines(218), u"");
    EXPECT_THROW(StringResource(999), std::out_of_range);
}

}  // namespace
}  // namespace quarrymink
