#include <gtest/gtest.h>

#include "quarrymink/unicode.h"
#include "textutil.h"

namespace quarrymink {
namespace {

TEST(TextUtils, CutsAndCounts) {
    EXPECT_EQ(BeforeFirst(u" smith", u" "), u"");
    EXPECT_EQ(BeforeFirst(u"smith", u" "), u"smith");
    EXPECT_EQ(AfterLast(u"a b ", u" "), u"");
    EXPECT_EQ(AfterLast(u"x::tail", u"::"), u"tail");
    EXPECT_EQ(CountOccurrences(u"aaa", u"aa"), 1u);  // not overlapping
    EXPECT_EQ(CountOccurrences(u"abc", u""), 0u);    // an empty needle must not loop
    EXPECT_EQ(RepeatChar(-4, u'M'), u"");
    EXPECT_EQ(RemoveAll(u"'", u"o'brien's"), u"obriens");
}

TEST(TextUtils, CollapseDoublesKeepsHalfOfEachRun) {
    // The character after a skipped double is appended without comparing it (aab, abbbc).
    const std::pair<std::u16string_view, std::u16string_view> cases[] = {
        {u"bennett", u"benet"}, {u"aaaaa", u"aaa"}, {u"", u""}, {u"aab", u"ab"}, {u"abbbc", u"abbc"}};
    for (const auto& [text, collapsed] : cases) EXPECT_EQ(CollapseDoubles(text), collapsed);
}

TEST(TextUtils, VowelsAndLetters) {
    EXPECT_TRUE(IsVowel(u"U") && IsVowel(u""));
    EXPECT_FALSE(IsVowel(u"y") || IsVowel(u"\u00e9"));
    EXPECT_TRUE(IsLetter(u"z") && IsLetter(u"Q"));
    // Just outside the letters, also after the case bit is folded away.
    for (const char16_t* notLetter : {u"@", u"[", u"`", u"{", u"\u00c1", u""})
        EXPECT_FALSE(IsLetter(notLetter));
}

TEST(Unicode, SimpleCaseMappingIsLocaleFree) {
    EXPECT_EQ(SimpleLower(u'\u212a'), u'k');       // Kelvin sign
    EXPECT_EQ(SimpleUpper(u'\u017f'), u'S');       // long s
    EXPECT_EQ(SimpleLower(u'\u0130'), u'i');       // simple, not full, mapping
    EXPECT_EQ(SimpleUpper(u'\u00df'), u'\u00df');  // sharp s has no simple upper case
}

TEST(Unicode, Utf8RoundTripAndRejection) {
    const std::u16string text = u"K\u00e4the \u20ac \U0001F600";
    EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
    // A stray byte, a cut sequence, an overlong form and a surrogate.
    for (const char* bad : {"\xff", "\xc3", "\xc0\xaf", "\xed\xa0\x80"}) EXPECT_FALSE(Utf8ToUtf16(bad));
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xd800')), "\xef\xbf\xbd");
}

}  // namespace
}  // namespace quarrymink
