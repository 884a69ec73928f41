#include <gtest/gtest.h>

#include "quarrymink/keycoding.h"

namespace quarrymink {
namespace {

// Every letter is coded, runs collapse before zeros drop; texts without consonants give nothing.
TEST(SimpleSoundex, Codes) {
    const std::pair<std::u16string_view, std::u16string_view> cases[] = {
        {u"Robert", u"6163"},      {u"Pfister", u"1236"}, {u"Lloyd", u"43"}, {u"Tymczak", u"3522"},
        {u"4th street", u"32363"}, {u"SMITH", u"253"},    {u"aaa", u""},     {u"123 -'", u""},
        {u"M\u00fcller", u"546"},  // ü is skipped: M, L, L, E, R
        {u"\u017fmith", u"253"},   // long s upper-cases to S
    };
    for (const auto& [text, code] : cases) EXPECT_EQ(SimpleSoundex(text), code);
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
