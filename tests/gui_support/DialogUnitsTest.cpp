// Dialog units to pixels, with nothing but QtGui.

#include "DialogUnits.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(DialogUnits, PlaceholderFollowsTheDialogFont) {
    const DialogBaseUnits b = DialogFontBaseUnits();
    EXPECT_GT(b.cx, 3);
    EXPECT_GT(b.cy, 8);
    const PixelSize s = ChartPlaceholderSize();
    // MulDiv rounding of 474 * cx / 4 and 234 * cy / 8.
    EXPECT_EQ(s.cx, (474 * b.cx * 2 + 4) / 8);
    EXPECT_EQ(s.cy, (234 * b.cy * 2 + 8) / 16);
    EXPECT_EQ(DialogUnitsToPixelsX(4, {6, 13}), 6);
    EXPECT_EQ(DialogUnitsToPixelsY(234, {6, 13}), 380); // 380.25
    EXPECT_EQ(DialogUnitsToPixelsX(474, {6, 13}), 711);
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
