// A descriptor whose points are written straight into its data set.

#include "LCSetDesc.h"

#include <gtest/gtest.h>

TEST(SetDescFill, KeepsTheWrittenPointsSortedWithTheirInputPlaces) {
    LCSetDesc d(4, [](double* x, double* y) {
        x[0] = 3, y[0] = 30;
        x[1] = 1, y[1] = 10;
        x[2] = 2, y[2] = 20;
        return 3; // room for four, three written
    });
    ASSERT_NE(d.m_pDataSet, nullptr);
    const CLCDataSet& ds = *d.m_pDataSet;
    ASSERT_EQ(ds.GetPointCount(), 3);
    double x, y;
    ds.GetPoint(0, x, y);
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, 10);
    EXPECT_EQ(ds.GetPointIndex(0), 1);
    EXPECT_EQ(ds.GetPointIndex(2), 0);
    EXPECT_EQ(ds.m_dXLast, 3);

    // Points already in order keep their places without an index.
    LCSetDesc sorted(2, [](double* px, double* py) {
        px[0] = 5, py[0] = 1;
        px[1] = 6, py[1] = 2;
        return 2;
    });
    EXPECT_EQ(sorted.m_pDataSet->GetPointIndex(1), 1);
}
