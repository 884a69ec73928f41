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

TEST(ControlLayout, NarrowControlsAreWidenedToTheMinimum) {
    ControlGeometry g = Laid(999, 1860);
    EXPECT_EQ(g.width, 1000);
    // The widening resize lays the control out again at the new width.
    g.Arrange(true, true);
    EXPECT_EQ(g.width, 1000);
    EXPECT_EQ(g.progressBar.width, 1000 - 240);
    EXPECT_EQ(g.list.width, 1000 - 240);

    const ControlGeometry exact = Laid(1000, 1860);
    EXPECT_EQ(exact.width, 1000);
    EXPECT_EQ(exact.progressBar.width, 760);
    EXPECT_EQ(exact.list.width, 760);
    EXPECT_EQ(exact.frame.width, 1000);
}

TEST(ControlLayout, ListFillsFromBelowTheBarToTheBottom) {
    const ControlGeometry g = Laid(2550, 1860);
    EXPECT_EQ(g.progressBar.top, 240);
    EXPECT_EQ(g.list.top, 510);
    EXPECT_EQ(g.list.top + g.list.height, 1860);
    EXPECT_TRUE(g.listVisible);
    EXPECT_TRUE(g.progressBarVisible);
    EXPECT_EQ(g.stop.top, 180);
    EXPECT_EQ(g.frame.height, 1860);

    EXPECT_FALSE(Laid(2550, 849).listVisible);
    const ControlGeometry shown = Laid(2550, 850);
    EXPECT_TRUE(shown.listVisible);
    EXPECT_EQ(shown.list.height, 340);
}

TEST(ControlLayout, WithoutTheBarTheListStartsHigher) {
    const ControlGeometry g = Laid(2550, 1860, true, false);
    EXPECT_FALSE(g.progressBarVisible);
    EXPECT_EQ(g.list.top, 240);
    EXPECT_EQ(g.list.height, 1620);
}

TEST(ControlLayout, HeightSnapsToTheBarWhenTheListIsOff) {
    const ControlGeometry g = Laid(2550, 1860, false, true);
    EXPECT_FALSE(g.listVisible);
    EXPECT_EQ(g.height, 510);
    EXPECT_EQ(g.frame.height, 510);

    // With both off the control still cannot be lower than the bar's bottom.
    const ControlGeometry bare = Laid(2550, 300, false, false);
    EXPECT_EQ(bare.height, 510);
    EXPECT_FALSE(bare.progressBarVisible);
    EXPECT_EQ(Laid(2550, 1860, false, false).height, 1860);
    EXPECT_EQ(Laid(2550, 400, true, true).height, 510);
}

TEST(ControlLayout, StopButtonTakesRoomFromTheBarAndGivesItBack) {
    ControlGeometry g = Laid(2550, 1860);
    const int full = g.progressBar.width;
    g.ShowStopButton(true, true);
    EXPECT_EQ(g.progressBar.width, full - 315);
    EXPECT_EQ(g.stop.left, g.progressBar.left + g.progressBar.width + 50);
    EXPECT_TRUE(g.stopVisible);
    EXPECT_TRUE(g.stopEnabled);
    g.ShowStopButton(true, true);  // a second showing takes nothing more
    EXPECT_EQ(g.progressBar.width, full - 315);
    g.ShowStopButton(false, true);
    EXPECT_EQ(g.progressBar.width, full);
    EXPECT_FALSE(g.stopVisible);
    EXPECT_FALSE(g.stopEnabled);
}

TEST(ControlLayout, ResizeWhileTheStopButtonShowsKeepsItsRoom) {
    ControlGeometry g = Laid(2550, 1860);
    g.ShowStopButton(true, true);
    g.width = 3000;
    g.Arrange(true, true);
    EXPECT_EQ(g.progressBar.width, 3000 - 240 - 315);
    EXPECT_EQ(g.stop.left, g.progressBar.left + g.progressBar.width + 50);
    g.ShowStopButton(false, true);
    EXPECT_EQ(g.progressBar.width, 3000 - 240);
}

TEST(ControlLayout, StopButtonNeedsTheBar) {
    ControlGeometry off = Laid(2550, 1860, true, false);
    const int width = off.progressBar.width;
    off.ShowStopButton(true, false);
    EXPECT_FALSE(off.stopVisible);
    EXPECT_EQ(off.progressBar.width, width);

    // A button already up goes away even when the bar was switched off meanwhile.
    ControlGeometry g = Laid(2550, 1860);
    g.ShowStopButton(true, true);
    g.Arrange(true, false);
    g.ShowStopButton(false, false);
    EXPECT_FALSE(g.stopVisible);
    g.Arrange(true, true);
    EXPECT_EQ(g.progressBar.width, 2550 - 240);
}

}  // namespace
}  // namespace quarrymink
