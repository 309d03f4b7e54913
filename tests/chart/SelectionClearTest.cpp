// A press that only clears the selection draws the overlays again over the
// data of the last paint instead of painting the data again.

#include "ChartTestUtil.h"

#include <gtest/gtest.h>

TEST(SelectionClear, APressThatClearsTheSelectionKeepsTheDataLayer) {
    GestureChart kept, fresh;
    kept.c.Interaction().SetSelection({100, 80, 220, 160});
    kept.c.Redraw();
    ASSERT_FALSE(kept.c.Interaction().GetHits().empty());
    const LCRect marker = kept.c.Interaction().GetHits()[0].rc;
    const int x = (marker.left + marker.right) / 2, y = (marker.top + marker.bottom) / 2;
    ASSERT_FALSE(kept.c.Interaction().Selection().PtInRect({x, y}));

    const int paints = kept.c.Painter().PaintCount();
    kept.c.OnLButtonDown(x, y);
    fresh.c.OnLButtonDown(x, y);
    EXPECT_TRUE(kept.c.Interaction().Selection().IsRectEmpty());
    EXPECT_EQ(kept.c.Painter().PaintCount(), paints);
    EXPECT_TRUE(kept.c.Interaction().IsPointHit());
    EXPECT_EQ(kept.c.Surface(), fresh.c.Surface());
    kept.c.OnLButtonUp(x, y);

    // A view the surface does not show yet is painted in full.
    kept.c.Interaction().SetSelection({100, 80, 220, 160});
    kept.c.Model().SetView(0, 0, 200, 150);
    const int before = kept.c.Painter().PaintCount();
    kept.c.OnLButtonDown(x, y);
    EXPECT_EQ(kept.c.Painter().PaintCount(), before + 1);
}
