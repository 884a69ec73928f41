// The layout rules of the control, in twips.
#include <cmath>

#include "control_layout_p.h"

namespace quarrymink {

void ControlGeometry::Arrange(bool showListBox, bool showProgressBar) {
    if (width < kMinimumWidth) {
        width = kMinimumWidth;  // the widget's resize runs the layout again at the new width
    } else {
        progressBar.width = width - 2 * Margin();
        // While a recode shows the stop button, a resize must keep room for it, or the bar
        // would run under the button and come back too wide when the button goes.
        if (stopVisible) progressBar.width -= stop.width + kStopGap;
        list.width = width - 2 * Margin();
    }
    if (stopVisible) stop.left = progressBar.left + progressBar.width + kStopGap;

    list.top = kListTop;
    if (showProgressBar) {
        progressBar.top = list.top;
        list.top = Bottom();
        stop.top = kStopTop;
        progressBarVisible = true;
    } else {
        progressBarVisible = false;
    }

    if (showListBox) {
        if (height < kListMinimumHeight) {
            listVisible = false;
        } else {
            list.height = height - list.top;
            listVisible = true;
        }
    } else {
        listVisible = false;
        if (showProgressBar) height = Bottom();
    }

    // Never lower than the progress bar's bottom, whether the bar is shown or not.
    if (Bottom() > height) height = Bottom();

    frame.width = width;
    frame.height = height;
}

void ControlGeometry::ShowStopButton(bool show, bool showProgressBar) {
    // With the bar off the button is never shown; a button already up still goes away
    // (the bar may have been switched off while a recode ran).
    if (!showProgressBar && (show || !stopVisible)) return;
    int room = static_cast<int>(std::lrint(static_cast<double>(stop.width + kStopGap)));
    if (show) room = -room;
    // Showing twice must not take the room twice, nor hiding twice give it back twice.
    if (show == stopVisible) room = 0;
    progressBar.width += room;
    stop.left = progressBar.left + progressBar.width + kStopGap;
    stopVisible = show;
    stopEnabled = show;
}

}  // namespace quarrymink
