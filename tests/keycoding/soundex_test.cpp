#include <gtest/gtest.h>

#include "quarrymink/keycoding.h"

namespace quarrymink {
namespace {

TEST(SimpleSoundex, CodesEveryLetterAndCollapsesBeforeDroppingZeros) {
    EXPECT_EQ(SimpleSoundex(u"smith"), u"253");
    EXPECT_EQ(SimpleSoundex(u"Robert"), u"6163");
    EXPECT_EQ(SimpleSoundex(u"Rupert"), u"6163");
    EXPECT_EQ(SimpleSoundex(u"Pfister"), u"1236");
    EXPECT_EQ(SimpleSoundex(u"Lloyd"), u"43");
    EXPECT_EQ(SimpleSoundex(u"Tymczak"), u"3522");
    EXPECT_EQ(SimpleSoundex(u"sscc"), u"22");
    EXPECT_EQ(SimpleSoundex(u"4th street"), u"32363");
}

TEST(SimpleSoundex, EmptyForTextsWithoutConsonants) {
    EXPECT_EQ(SimpleSoundex(u"aaa"), u"");
    EXPECT_EQ(SimpleSoundex(u""), u"");
    EXPECT_EQ(SimpleSoundex(u"123 -'"), u"");
}

TEST(SimpleSoundex, CaseAndNonAsciiLetters) {
    EXPECT_EQ(SimpleSoundex(u"SMITH"), SimpleSoundex(u"smith"));
    EXPECT_EQ(SimpleSoundex(u"M\u00fcller"), u"546");  // ü is skipped: M, L, L, E, R
    EXPECT_EQ(SimpleSoundex(u"\u017fmith"), u"253");   // long s upper-cases to S
}

TEST(SimpleSoundex, LongTextsDoNotOverflow) {
    std::u16string text;
    for (int i = 0; i < 40000; ++i) text += u"tb";
    const std::u16string digits = SimpleSoundex(text);
    ASSERT_EQ(digits.size(), 80000u);
    EXPECT_EQ(digits.substr(0, 4), u"3131");
}

}  // namespace
}  // namespace quarrymink
