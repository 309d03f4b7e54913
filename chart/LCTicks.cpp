#include "LCTicks.h"

#include "ChartText.h"

#include <algorithm>
#include <cmath>

AxisSteps ChooseAxisSteps(double xMin, double xMax, int width, double yMin, double yMax, int height) {
    AxisSteps s;
    if (!(xMax > xMin && yMax > yMin))
        return s;
    s.x = ChooseTimeStep((xMax - xMin) * 20 / width);
    s.y = ChooseValueStep((yMax - yMin) * 20 / height);
    const double ax = 10 * std::max(std::fabs(xMin), std::fabs(xMax));
    const double ay = 10 * std::max(std::fabs(yMin), std::fabs(yMax));
    s.valid =
        s.x > 0 && s.y > 0 && ax + s.x != ax && ay + s.y != ay && std::isfinite(s.x) && std::isfinite(s.y);
    return s;
}

std::vector<AxisTick> AxisTicks(double vMin, double vMax, double step, int majorEvery, int pixels) {
    std::vector<AxisTick> ticks;
    const double majorStep = majorEvery * step;
    double v = std::floor(vMin / step) * step;
    while (vMin > v)
        v += step;
    while (v <= vMax) {
        if (std::fabs(v) < step / 2)
            v = 0;
        const int p = static_cast<int>(RoundHalfUp(pixels * (v - vMin) / (vMax - vMin)));
        // Distance to the nearest multiple of the major step.
        double r = std::fabs(std::fmod(v, majorStep));
        if (r > majorStep / 2)
            r = majorStep - r;
        ticks.push_back({v, p, r < step / 2});
        const double next = v + step;
        if (next == v)
            break;
        v = next;
    }
    return ticks;
}
