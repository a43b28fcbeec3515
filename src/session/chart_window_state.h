// The chart window's state that outlives the window: closing the window or
// choosing another member keeps it; only a change of the page size resets
// the offset. The session keeps it, so it lives beside the session rather
// than with the chart logic above it.
#pragma once

namespace krv {

struct ChartWindowState {
    int chartEventCount = 0;       // lines read from the chart file loaded last
    long long detailOffset = 0;    // events between the detailed page's end and the newest event
    long long detailFirstRow = 0;  // first event of the page, from 1, oldest first
    long long detailLastRow = 0;   // last event of the page
};

}  // namespace krv
