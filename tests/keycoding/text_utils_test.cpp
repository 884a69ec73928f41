#include <gtest/gtest.h>

#include "quarrymink/unicode.h"
#include "textutil.h"

namespace quarrymink {
namespace {

TEST(TextUtils, BeforeFirstAndAfterLast) {
    EXPECT_EQ(BeforeFirst(u"john smith", u" "), u"john");
    EXPECT_EQ(BeforeFirst(u"smith", u" "), u"smith");
    EXPECT_EQ(BeforeFirst(u" smith", u" "), u"");
    EXPECT_EQ(AfterLast(u"a b c", u" "), u"c");
    EXPECT_EQ(AfterLast(u"a b ", u" "), u"");
    EXPECT_EQ(AfterLast(u"abc", u" "), u"abc");
    EXPECT_EQ(AfterLast(u"x::tail", u"::"), u"tail");
}

TEST(TextUtils, CollapseDoublesKeepsHalfOfEachRun) {
    EXPECT_EQ(CollapseDoubles(u"bennett"), u"benet");
    EXPECT_EQ(CollapseDoubles(u"sscc"), u"sc");
    EXPECT_EQ(CollapseDoubles(u"aaaa"), u"aa");
    EXPECT_EQ(CollapseDoubles(u"ttt"), u"tt");
    EXPECT_EQ(CollapseDoubles(u"aaaaa"), u"aaa");
    EXPECT_EQ(CollapseDoubles(u""), u"");
    EXPECT_EQ(CollapseDoubles(u"x"), u"x");
    // The character after a skipped double is appended without comparing it.
    EXPECT_EQ(CollapseDoubles(u"aab"), u"ab");
    EXPECT_EQ(CollapseDoubles(u"abbbc"), u"abbc");
}

TEST(TextUtils, CountOccurrencesIsNonOverlapping) {
    EXPECT_EQ(CountOccurrences(u"MMSMM", u"M"), 4u);
    EXPECT_EQ(CountOccurrences(u"aaaa", u"aa"), 2u);
    EXPECT_EQ(CountOccurrences(u"aaa", u"aa"), 1u);
    EXPECT_EQ(CountOccurrences(u"abc", u"x"), 0u);
    EXPECT_EQ(CountOccurrences(u"abc", u""), 0u);  // an empty needle must not loop
}

TEST(TextUtils, VowelsLettersAndRepeats) {
    EXPECT_TRUE(IsVowel(u"a"));
    EXPECT_TRUE(IsVowel(u"U"));
    EXPECT_TRUE(IsVowel(u""));
    EXPECT_FALSE(IsVowel(u"y"));
    EXPECT_FALSE(IsVowel(u"\u00e9"));
    EXPECT_TRUE(IsLetter(u"z"));
    EXPECT_TRUE(IsLetter(u"Q"));
    EXPECT_FALSE(IsLetter(u"@"));  // 64: bit 5 clear, just below A
    EXPECT_FALSE(IsLetter(u"["));  // 91
    EXPECT_FALSE(IsLetter(u"`"));  // 96 folds to 64
    EXPECT_FALSE(IsLetter(u"{"));  // 123 folds to 91
    EXPECT_FALSE(IsLetter(u"\u00c1"));
    EXPECT_FALSE(IsLetter(u""));
    EXPECT_EQ(RepeatChar(3, u'M'), u"MMM");
    EXPECT_EQ(RepeatChar(0, u'M'), u"");
    EXPECT_EQ(RepeatChar(-4, u'M'), u"");
    EXPECT_EQ(RemoveAll(u"'", u"o'brien's"), u"obriens");
    EXPECT_EQ(RemoveAll(u"", u"abc"), u"abc");
}

TEST(Unicode, SimpleCaseMappingIsLocaleFree) {
    EXPECT_EQ(SimpleLower(u'\u00c9'), u'\u00e9');  // É
    EXPECT_EQ(SimpleUpper(u'\u00e9'), u'\u00c9');
    EXPECT_EQ(SimpleLower(u'\u212a'), u'k');       // Kelvin sign
    EXPECT_EQ(SimpleUpper(u'\u017f'), u'S');       // long s
    EXPECT_EQ(SimpleLower(u'\u0130'), u'i');       // simple, not full, mapping
    EXPECT_EQ(SimpleUpper(u'\u00df'), u'\u00df');  // sharp s has no simple upper case
    EXPECT_EQ(ToLower(u"SMITH"), u"smith");
}

TEST(Unicode, Utf8RoundTripAndRejection) {
    const std::u16string text = u"K\u00e4the \u20ac \U0001F600";
    EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
    EXPECT_FALSE(Utf8ToUtf16("\xff"));
    EXPECT_FALSE(Utf8ToUtf16("\xc3"));          // truncated
    EXPECT_FALSE(Utf8ToUtf16("\xc0\xaf"));      // overlong
    EXPECT_FALSE(Utf8ToUtf16("\xed\xa0\x80"));  // surrogate
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xd800')), "\xef\xbf\xbd");
}

}  // namespace
}  // namespace quarrymink
