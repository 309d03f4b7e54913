#pragma once

// The ticks of the chart's two axes as plain values, so the grid can be
// checked without drawing it.

#include <vector>

struct AxisTick {
    double value; // snapped to exactly 0 near zero
    int pixel;    // offset from the axis start, rounded half up
    bool major;
};

// Minor steps of both axes for a view of (xMin..xMax) x (yMin..yMax) over a
// plot of width by height pixels, about twenty pixels apart: time steps on x
// (major every 6th), value steps on y (major every 2nd). valid is false when
// no grid can be drawn: an empty view, or a step too small to move the
// larger end of its axis.
struct AxisSteps {
    double x = 0, y = 0;
    bool valid = false;
};
AxisSteps ChooseAxisSteps(double xMin, double xMax, int width, double yMin, double yMax, int height);

// Ticks at every multiple of step from vMin to vMax, in ascending order; a
// tick is major when it lies on a multiple of majorEvery steps. pixel is the
// tick's offset on an axis of pixels pixels. step must come from a valid
// AxisSteps (positive, moving the larger end).
std::vector<AxisTick> AxisTicks(double vMin, double vMax, double step, int majorEvery, int pixels);
