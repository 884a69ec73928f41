// Where the control's four children go, worked out in twips (1/1440 inch) as the design
// measures are given, so that the rules can be checked without a display. The widget
// converts the result to pixels at the screen's logical resolution.
#pragma once

namespace quarrymink {

struct TwipsRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const TwipsRect&, const TwipsRect&) = default;
};

/// The control's size and its children's placements. The frame is placed relative to
/// the control, the other three relative to the frame. The fields start at the design
/// placements; Arrange and ShowStopButton change them as the widget would.
struct ControlGeometry {
    static constexpr int kMinimumWidth = 1000;
    static constexpr int kListTop = 240;
    static constexpr int kListMinimumHeight = 850;  // lower controls hide the list
    static constexpr int kStopTop = 180;
    static constexpr int kStopGap = 50;  // between the progress bar and the stop button

    int width = 2550;  // the control (outer and inner size are the same)
    int height = 1860;
    TwipsRect frame{0, 0, 2535, 2115};
    TwipsRect progressBar{120, 240, 2295, 150};
    TwipsRect list{120, 480, 2295, 1230};
    TwipsRect stop{2160, 180, 265, 255};
    bool progressBarVisible = true;
    bool listVisible = true;
    bool stopVisible = false;
    bool stopEnabled = false;

    /// The progress bar's left offset, which the layout uses as the control's margin.
    int Margin() const { return progressBar.left; }
    /// Below the progress bar and its margin: the least height of the control.
    int Bottom() const { return progressBar.top + progressBar.height + progressBar.left; }

    /// Places the children for the current size. It may change width and height (a
    /// control narrower than 1000, a list that is switched off, a control lower than the
    /// progress bar); the caller resizes the widget and, when that changes the width, the
    /// layout runs once more.
    void Arrange(bool showListBox, bool showProgressBar);

    /// Makes room for the stop button beside the progress bar and shows it, or the reverse.
    /// Does nothing while the progress bar is off.
    void ShowStopButton(bool show, bool showProgressBar);
};

}  // namespace quarrymink
