// The axes' ticks as values, and the time labels the owner chooses.

#include "ChartTestUtil.h"
#include "ChartText.h"
#include "LCTicks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

TEST(Ticks, DefaultViewStepsAndMajors) {
    // x and y from -0.01 to 1.01 over 600 x 400 pixels.
    const AxisSteps s = ChooseAxisSteps(-0.01, 1.01, 600, -0.01, 1.01, 400);
    ASSERT_TRUE(s.valid);
    EXPECT_DOUBLE_EQ(s.x, 0.03);
    EXPECT_DOUBLE_EQ(s.y, 0.05);

    const std::vector<AxisTick> x = AxisTicks(-0.01, 1.01, s.x, 6, 600);
    ASSERT_EQ(x.size(), 34u); // 0, 0.03, ... 0.99
    EXPECT_EQ(x.front().value, 0);
    EXPECT_EQ(x.front().pixel, 6); // 600 * 0.01 / 1.02 = 5.88
    std::vector<double> majors;
    for (const AxisTick& t : x)
        if (t.major)
            majors.push_back(t.value);
    ASSERT_EQ(majors.size(), 6u);
    EXPECT_NEAR(majors[1], 0.18, 1e-12);
    EXPECT_NEAR(majors[5], 0.90, 1e-12);
    EXPECT_TRUE(std::is_sorted(x.begin(), x.end(),
                               [](const AxisTick& a, const AxisTick& b) { return a.pixel < b.pixel; }));

    const std::vector<AxisTick> y = AxisTicks(-0.01, 1.01, s.y, 2, 400);
    ASSERT_EQ(y.size(), 21u); // 0 ... 1.0
    EXPECT_TRUE(y[0].major);
    EXPECT_FALSE(y[1].major);
    EXPECT_TRUE(y[6].major); // 0.3
    EXPECT_EQ(y.back().pixel, static_cast<int>(RoundHalfUp(400 * 1.01 / 1.02)));
}

TEST(Ticks, NoGridWithoutRoomToStep) {
    EXPECT_FALSE(ChooseAxisSteps(5, 5, 600, 0, 1, 400).valid);
    EXPECT_FALSE(ChooseAxisSteps(0, 1, 600, 1, 0, 400).valid);
    // A step that cannot move the larger end of the axis.
    EXPECT_FALSE(ChooseAxisSteps(1e15, 1e15 + 1, 600, 0, 1, 400).valid);
    EXPECT_TRUE(ChooseAxisSteps(1.3e9, 1.3e9 + 3600, 600, 0, 1, 400).valid);
}

// The chart writes times only through its formatter: without a window,
// without knowing about time zones.
TEST(Ticks, TimeLabelsComeFromTheOwnersFormatter) {
    CLCCore c;
    c.Layout(400, 300);
    c.Painter().SetTimeFormatter([](double v, bool longForm) {
        char text[32];
        std::snprintf(text, sizeof text, "%s%d", longForm ? "L" : "S", static_cast<int>(v * 100));
        return std::string(text);
    });
    EXPECT_EQ(c.Painter().FormatTimeLabel(0.18, true), "L18");
    QImage img = WhiteImage(400, 300);
    RecordingDC dc(img);
    c.PaintTo(dc);
    bool labelled = false;
    for (const auto& t : dc.texts) {
        EXPECT_NE(t.text, "00:00:00");
        labelled |= t.text == "S0";
    }
    EXPECT_TRUE(labelled);
}

} // namespace
