// The control's layout rules in twips, without a display.
#include <gtest/gtest.h>

#include "control_layout_p.h"

namespace quarrymink {
namespace {

ControlGeometry Laid(int width, int height, bool showList = true, bool showBar = true) {
    ControlGeometry g;
    g.width = width;
    g.height = height;
    g.Arrange(showList, showBar);
    return g;
}

// One arrangement and what it gives: the control widened to 1000 twips at least, the list
// from below the bar (or from the bar's place without it) to the bottom, hidden when it has
// less than 340 twips, and the height snapped to the bar's bottom when the list is off.
struct LayoutCase {
    const char* what;
    int width, height;
    bool showList, showBar;
    int wantWidth, wantHeight, listTop, listHeight;
    bool listVisible, barVisible;
};

TEST(ControlLayout, Arrangements) {
    const LayoutCase cases[] = {
        {"design size", 2550, 1860, true, true, 2550, 1860, 510, 1350, true, true},
        {"narrow, widened", 999, 1860, true, true, 1000, 1860, 510, 1350, true, true},
        {"list just too low", 2550, 849, true, true, 2550, 849, 510, 339, false, true},
        {"list just high enough", 2550, 850, true, true, 2550, 850, 510, 340, true, true},
        {"lower than the bar", 2550, 400, true, true, 2550, 510, 510, 0, false, true},
        {"no bar", 2550, 1860, true, false, 2550, 1860, 240, 1620, true, false},
        {"no list", 2550, 1860, false, true, 2550, 510, 510, 0, false, true},
        {"neither, low", 2550, 300, false, false, 2550, 510, 240, 0, false, false},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.what);
        ControlGeometry g = Laid(c.width, c.height, c.showList, c.showBar);
        g.Arrange(c.showList, c.showBar);  // a widening resize lays it out again: nothing moves
        EXPECT_EQ(g.width, c.wantWidth);
        EXPECT_EQ(g.height, c.wantHeight);
        EXPECT_EQ(g.frame.height, c.wantHeight);
        EXPECT_EQ(g.listVisible, c.listVisible);
        EXPECT_EQ(g.progressBarVisible, c.barVisible);
        EXPECT_EQ(g.progressBar.width, c.wantWidth - 240);
        if (c.listVisible) {
            EXPECT_EQ(std::pair(g.list.top, g.list.height), std::pair(c.listTop, c.listHeight));
        }
    }
}

TEST(ControlLayout, StopButtonTakesRoomFromTheBarAndGivesItBackAndNeedsTheBar) {
    ControlGeometry g = Laid(2550, 1860);
    g.ShowStopButton(true, true);
    EXPECT_EQ(g.progressBar.width, 2550 - 240 - 315);
    EXPECT_EQ(g.stop.left, g.progressBar.left + g.progressBar.width + 50);
    EXPECT_TRUE(g.stopVisible && g.stopEnabled);
    // A second showing takes nothing more; a resize while it shows keeps its room.
    g.ShowStopButton(true, true);
    g.width = 3000;
    g.Arrange(true, true);
    EXPECT_EQ(g.progressBar.width, 3000 - 240 - 315);
    EXPECT_EQ(g.stop.left, g.progressBar.left + g.progressBar.width + 50);
    g.ShowStopButton(false, true);
    EXPECT_EQ(g.progressBar.width, 3000 - 240);
    EXPECT_FALSE(g.stopVisible || g.stopEnabled);

    // Without the bar there is no button; one already up goes away even when the bar was
    // switched off meanwhile.
    ControlGeometry off = Laid(2550, 1860, true, false);
    off.ShowStopButton(true, false);
    EXPECT_FALSE(off.stopVisible);
    EXPECT_EQ(off.progressBar.width, 2550 - 240);
    g = Laid(2550, 1860);
    g.ShowStopButton(true, true);
    g.Arrange(true, false);
    g.ShowStopButton(false, false);
    EXPECT_FALSE(g.stopVisible);
    g.Arrange(true, true);
    EXPECT_EQ(g.progressBar.width, 2550 - 240);
}

}  // namespace
}  // namespace quarrymink
