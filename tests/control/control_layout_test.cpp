// The control's layout rules in twips, without a display.
#include <gtest/gtest.h>

#include "control_layout_p.h"

namespace quarrymink {
namespace {

ControlGeometry Laid(int width, int height, bool showList = true, bool showBar = true) {
    ControlGeometry g{.width = width, .height = height};
    g.Arrange(showList, showBar);
    return g;
}

// One arrangement and what it gives: the control widened to 1000 twips at least, the list
// from below the bar (or from the bar's place without it) to the bottom, hidden when it has
// less than 340 twips, and the height snapped to the bar's bottom when the list is off.
struct LayoutCase {
    const char* what;
    int width, height, wantWidth, wantHeight, listTop, listHeight;
    bool showList, showBar, listVisible, barVisible;
};

TEST(ControlLayout, Arrangements) {
    const LayoutCase cases[] = {
        {"design size", 2550, 1860, 2550, 1860, 510, 1350, true, true, true, true},
        {"narrow, widened", 999, 1860, 1000, 1860, 510, 1350, true, true, true, true},
        {"list just too low", 2550, 849, 2550, 849, 510, 339, true, true, false, true},
        {"list just high enough", 2550, 850, 2550, 850, 510, 340, true, true, true, true},
        {"lower than the bar", 2550, 400, 2550, 510, 510, 0, true, true, false, true},
        {"no bar", 2550, 1860, 2550, 1860, 240, 1620, true, false, true, false},
        {"no list", 2550, 1860, 2550, 510, 510, 0, false, true, false, true},
        {"neither, low", 2550, 300, 2550, 510, 240, 0, false, false, false, false},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.what);
        ControlGeometry g = Laid(c.width, c.height, c.showList, c.showBar);
        g.Arrange(c.showList, c.showBar);  // a widening resize lays it out again: nothing moves
        EXPECT_EQ(std::tuple(g.width, g.height, g.frame.height, g.progressBar.width, g.listVisible,
                             g.progressBarVisible),
                  std::tuple(c.wantWidth, c.wantHeight, c.wantHeight, c.wantWidth - 240, c.listVisible,
                             c.barVisible));
        if (c.listVisible) {
            EXPECT_EQ(std::pair(g.list.top, g.list.height), std::pair(c.listTop, c.listHeight));
        }
    }
}

TEST(ControlLayout, StopButtonTakesRoomFromTheBarAndGivesItBackAndNeedsTheBar) {
    ControlGeometry g = Laid(2550, 1860);
    g.ShowStopButton(true, true);
    EXPECT_TRUE(g.stopVisible && g.stopEnabled);
    // A second showing takes nothing more; a resize while it shows keeps its room.
    g.ShowStopButton(true, true);
    g.width = 3000;
    g.Arrange(true, true);
    EXPECT_EQ(std::pair(g.progressBar.width, g.stop.left),
              std::pair(3000 - 240 - 315, 120 + 3000 - 240 - 315 + 50));
    g.ShowStopButton(false, true);
    EXPECT_TRUE(g.progressBar.width == 3000 - 240 && !g.stopVisible && !g.stopEnabled);

    // Without the bar there is no button; one already up goes away even when the bar was
    // switched off meanwhile.
    ControlGeometry off = Laid(2550, 1860, true, false);
    off.ShowStopButton(true, false);
    EXPECT_TRUE(!off.stopVisible && off.progressBar.width == 2550 - 240);
    g = Laid(2550, 1860);
    g.ShowStopButton(true, true);
    g.Arrange(true, false);
    g.ShowStopButton(false, false);
    g.Arrange(true, true);
    EXPECT_TRUE(!g.stopVisible && g.progressBar.width == 2550 - 240);
}

}  // namespace
}  // namespace quarrymink
