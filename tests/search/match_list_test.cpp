#include <gtest/gtest.h>

#include "quarrymink/search.h"

namespace quarrymink {
namespace {

std::vector<int> Scores(const MatchList& list) {
    std::vector<int> out;
    for (std::size_t k = 0; k < list.Items().size(); ++k) out.push_back(list.ScoreAt(k));
    return out;
}

std::vector<std::u16string> Texts(const MatchList& list) {
    std::vector<std::u16string> out;
    for (const auto& item : list.Items()) out.push_back(item.text);
    return out;
}

MatchList Filled(std::initializer_list<int> scores, double heightTwips = 10000) {
    MatchList list;
    list.Start(heightTwips, 8.25);
    int id = 1;
    for (int s : scores) list.Add(u"m" + std::u16string(1, static_cast<char16_t>(u'0' + id)), s, id), ++id;
    return list;
}

TEST(MatchList, VisibleRowsFromHeightAndFont) {
    MatchList list;
    list.Start(1230, 8.25);  // 1230 / 8.25 / 24 + 1 = 7.21
    EXPECT_EQ(list.Buffer().visibleRows, 7);
    for (int s = 300; s > 220; s -= 10) list.Add(u"x", s, s);
    EXPECT_EQ(list.Items().size(), 7u);  // the eighth, at rank 7, only reaches the buffer
    EXPECT_EQ(list.Buffer().filled, 8);
}

TEST(MatchList, FinalCutTrimsWeakMatches) {
    MatchList list = Filled({300, 290, 100});
    EXPECT_EQ(list.FinalCut(), 240);
    list.Finish();
    EXPECT_EQ(Scores(list), (std::vector<int>{300, 290}));

    MatchList single = Filled({300});
    EXPECT_EQ(single.FinalCut(), 240);
    single.Finish();
    EXPECT_EQ(Scores(single), std::vector<int>{300});

    MatchList none = Filled({});
    none.Finish();
    EXPECT_TRUE(none.Items().empty());
}

TEST(MatchList, EqualScoresKeepTheirOrderOfArrival) {
    MatchList list = Filled({200, 250, 200});
    list.Finish();
    EXPECT_EQ(Texts(list), (std::vector<std::u16string>{u"m2", u"m1", u"m3"}));
}

TEST(MatchList, FinishShowsExactlyTheBufferedMatchesThatPassTheCut) {
    // Two visible rows: 80 and 95 arrive at ranks the list box has no room for.
    MatchList list = Filled({100, 90, 80, 200, 95}, /*heightTwips=*/198);
    ASSERT_EQ(list.Buffer().visibleRows, 2);
    EXPECT_EQ(Texts(list), (std::vector<std::u16string>{u"m4", u"m1", u"m2"}));  // live view
    list.Finish();
    const int cut = list.FinalCut();
    std::vector<int> expected;
    for (int s : {200, 100, 95, 90, 80})
        if (s >= cut) expected.push_back(s);
    EXPECT_EQ(Scores(list), expected);
    EXPECT_EQ(list.Items().front().id, 4);
}

TEST(MatchList, FinalListDoesNotDependOnTheListHeight) {
    const std::initializer_list<int> scores = {150, 170, 160, 180, 175, 165, 190, 185};
    MatchList tall = Filled(scores, 10000), flat = Filled(scores, 0);
    tall.Finish();
    flat.Finish();
    EXPECT_EQ(tall.Items(), flat.Items());
}

TEST(MatchList, BufferKeepsTheBest21) {
    MatchList list;
    list.Start(100000, 8.25);
    for (int s = 100; s < 130; ++s) list.Add(u"x", s, s);
    EXPECT_EQ(list.Buffer().filled, 21);
    EXPECT_EQ(list.Buffer().scores[0], 129);
    EXPECT_EQ(list.Buffer().scores[20], 109);
    EXPECT_EQ(list.Add(u"weak", 50, 0), -1);
}

}  // namespace
}  // namespace quarrymink
