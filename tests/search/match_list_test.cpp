#include <gtest/gtest.h>

#include "quarrymink/search.h"

namespace quarrymink {
namespace {

using Texts = std::vector<std::u16string>;

Texts TextsOf(const MatchList& list) {
    Texts out;
    for (const auto& item : list.Items()) out.push_back(item.text);
    return out;
}

// Matches m1, m2, ... with the scores, in that order, in a list box of the height.
MatchList Filled(const std::vector<int>& scores, double heightTwips) {
    MatchList list;
    list.Start(heightTwips, 8.25);
    int id = 1;
    for (int s : scores) list.Add(u"m" + std::u16string(1, static_cast<char16_t>(u'0' + id)), s, id), ++id;
    return list;
}

TEST(MatchList, RanksShowsAndTrims) {
    struct Case {
        std::vector<int> scores;
        double heightTwips;
        Texts live;  // while the search runs
        int cut;
        Texts final;
    } cases[] = {
        {{300, 290, 100}, 10000, {u"m1", u"m2", u"m3"}, 240, {u"m1", u"m2"}},
        {{300}, 10000, {u"m1"}, 240, {u"m1"}},
        {{}, 10000, {}, 0, {}},
        // Equal scores keep their order of arrival.
        {{200, 250, 200}, 10000, {u"m2", u"m1", u"m3"}, 200, {u"m2", u"m1", u"m3"}},
        // Two visible rows: 80 and 95 arrive at ranks the list box has no room for; the final
        // list is the buffered matches that pass the cut, whatever the height.
        {{100, 90, 80, 200, 95}, 198, {u"m4", u"m1", u"m2"}, 160, {u"m4"}},
        {{150, 170, 160, 180}, 0, {u"m4", u"m2", u"m1"}, 144, {u"m4", u"m2", u"m3", u"m1"}},
    };
    for (const Case& c : cases) {
        MatchList list = Filled(c.scores, c.heightTwips);
        const std::string label = ::testing::PrintToString(c.scores);
        EXPECT_EQ(TextsOf(list), c.live) << label;
        EXPECT_EQ(list.FinalCut(), c.cut) << label;
        list.Finish();
        EXPECT_EQ(TextsOf(list), c.final) << label;
        for (std::size_t k = 0; k < list.Items().size(); ++k)
            EXPECT_EQ(list.ScoreAt(k), c.scores[static_cast<std::size_t>(list.Items()[k].id - 1)]) << label;
    }
}

TEST(MatchList, VisibleRowsAndTheBest21) {
    MatchList list;
    list.Start(1230, 8.25);  // 1230 / 8.25 / 24 + 1 = 7.21
    EXPECT_EQ(list.Buffer().visibleRows, 7);
    for (int s = 300; s > 220; s -= 10) list.Add(u"x", s, s);
    EXPECT_EQ(list.Items().size(), 7u);  // the eighth, at rank 7, only reaches the buffer
    EXPECT_EQ(list.Buffer().filled, 8);

    list.Start(100000, 8.25);
    for (int s = 100; s < 130; ++s) list.Add(u"x", s, s);
    EXPECT_EQ(list.Buffer().filled, 21);
    EXPECT_EQ(list.Buffer().scores[0], 129);
    EXPECT_EQ(list.Buffer().scores[20], 109);
    EXPECT_EQ(list.Add(u"weak", 50, 0), -1);
}

}  // namespace
}  // namespace quarrymink
