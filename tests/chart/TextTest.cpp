// Step selection and label texts.

#include "ChartText.h"

#include <gtest/gtest.h>

#include <clocale>

namespace {

TEST(Steps, WorkedExamples) {
    EXPECT_NEAR(ChooseTimeStep(1.02 * 20 / 600), 0.03, 1e-15);  // 34 -> 30
    EXPECT_NEAR(ChooseValueStep(1.02 * 20 / 400), 0.05, 1e-15); // 5.1 -> 5
    EXPECT_DOUBLE_EQ(ChooseTimeStep(8.9), 6);
    EXPECT_DOUBLE_EQ(ChooseTimeStep(9), 10);
    EXPECT_DOUBLE_EQ(ChooseTimeStep(17.9), 15);
    EXPECT_DOUBLE_EQ(ChooseTimeStep(44), 30);
    EXPECT_DOUBLE_EQ(ChooseTimeStep(45), 60);
    EXPECT_DOUBLE_EQ(ChooseTimeStep(450), 600);
    EXPECT_DOUBLE_EQ(ChooseValueStep(1.4), 1);
    EXPECT_DOUBLE_EQ(ChooseValueStep(2.9), 2.5);
    EXPECT_DOUBLE_EQ(ChooseValueStep(6.9), 5);
    EXPECT_DOUBLE_EQ(ChooseValueStep(7), 10);
    EXPECT_DOUBLE_EQ(ChooseValueStep(0), 0);
    EXPECT_DOUBLE_EQ(RoundHalfUp(2.5), 3);
    EXPECT_DOUBLE_EQ(RoundHalfUp(2.49), 2);
    EXPECT_DOUBLE_EQ(RoundHalfUp(-2.5), -2);
}

TEST(Labels, ChooseAndFormatAxisValues) {
    EXPECT_EQ(FormatAxisValue(0.3, ChooseLabelFormat(0.3, 0.1, 8)), "0.3");
    EXPECT_EQ(FormatAxisValue(0, ChooseLabelFormat(0, 0.1, 8)), "0");
    const LabelFormat e = ChooseLabelFormat(2.5e-7, 5e-8, 8);
    EXPECT_TRUE(e.bExponent);
    EXPECT_EQ(e.nExponent, -7);
    EXPECT_EQ(e.nDecimals, 1);
    EXPECT_EQ(FormatAxisValue(2.5e-7, e), "2.5E-7");
    EXPECT_EQ(FormatAxisValue(25, ChooseLabelFormat(25, 5, 8)), "25");
    EXPECT_EQ(FormatAxisValue(-1.5, ChooseLabelFormat(-1.5, 0.5, 8)), "-1.5");
    // A value too wide for eight characters goes to exponent form: 123456789 with step 1e7.
    const LabelFormat big = ChooseLabelFormat(123456789, 1e7, 8);
    EXPECT_TRUE(big.bExponent);
    EXPECT_EQ(big.nExponent, 8);
    EXPECT_EQ(FormatAxisValue(123456789, big), "1.2E+8");
    // A near-zero value (rounding residue) counts as zero.
    EXPECT_EQ(FormatAxisValue(1e-17, ChooseLabelFormat(1e-17, 0.1, 8)), "0");
}

TEST(Labels, ReadoutValues) {
    EXPECT_EQ(FormatReadoutValue(123.456, 9), "123.45600");
    EXPECT_EQ(FormatReadoutValue(0.0123, 9), "0.0123000");
    EXPECT_EQ(FormatReadoutValue(0.000123, 9), "1.2300E-4");
    EXPECT_EQ(FormatReadoutValue(0, 9), "0.0000000");
    EXPECT_EQ(FormatReadoutValue(-5, 9), "-5.000000");
    EXPECT_EQ(FormatReadoutValue(1234567890, 9), "1.2346E+9");
}

TEST(Labels, DecimalPointIsLocaleIndependent) {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "ru_RU.UTF-8") &&
        !std::setlocale(LC_NUMERIC, "Russian_Russia.1251"))
        GTEST_SKIP() << "no locale with a decimal comma installed";
    EXPECT_EQ(FormatReadoutValue(123.456, 9), "123.45600");
    EXPECT_EQ(FormatNumber("%.2f", 1.5), "1.50");
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(Labels, UnsafeFormatsAreReplaced) {
    EXPECT_EQ(SafeDoubleFormat("%.2f"), "%.2f");
    EXPECT_EQ(SafeDoubleFormat("y=%8.3e units"), "y=%8.3e units");
    EXPECT_EQ(SafeDoubleFormat("%s"), "%f");
    EXPECT_EQ(SafeDoubleFormat("%f %f"), "%f");
    EXPECT_EQ(SafeDoubleFormat("%n"), "%f");
    EXPECT_EQ(SafeDoubleFormat("%99999f"), "%f");
    EXPECT_EQ(SafeDoubleFormat("100%% %.1f"), "100%% %.1f");
}

} // namespace
