// Mouse and keyboard gestures of the chart.

#include "ChartTestUtil.h"
#include "ScriptedPrompts.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>

#include <memory>

namespace {

struct Chart : GestureChart {
    void Drag(int x0, int y0, int x1, int y1) {
        c.OnLButtonDown(x0, y0);
        c.OnMouseMove(x1, y1);
        c.OnLButtonUp(x1, y1);
    }
};

TEST(Interact, TwentyPixelsKeepTheCrossHairTwentyOneMakeABand) {
    Chart t;
    t.Drag(150, 100, 170, 110);
    EXPECT_TRUE(t.c.Interaction().Selection().IsRectEmpty());
    EXPECT_EQ(t.c.DragMode(), 0);
    t.c.OnLButtonDown(150, 100);
    t.c.OnMouseMove(171, 110);
    EXPECT_EQ(t.c.DragMode(), 1);
    EXPECT_FALSE(t.c.Interaction().IsCrossVisible());
    t.c.OnLButtonUp(171, 110);
    EXPECT_EQ(t.c.Interaction().Selection(), (LCRect{150, 100, 171, 110}));
    EXPECT_EQ(t.sent.back(), 2);
    // Sideways only: zero height, no selection.
    t.Drag(100, 200, 160, 200);
    EXPECT_TRUE(t.c.Interaction().Selection().IsRectEmpty());
}

TEST(Interact, BandDraggedUpLeft) {
    Chart t;
    t.c.OnLButtonDown(300, 200);
    t.c.OnMouseMove(250, 150);
    // The band is drawn by exclusive-or: over the plot background it shows in the selection colour.
    EXPECT_EQ(At(t.c.Surface(), 260, 148), t.c.Painter().SelectionColor());
    t.c.OnMouseMove(240, 140); // the old frame goes where the new one does not cover it
    EXPECT_EQ(t.c.cursor().shape(), Qt::SizeFDiagCursor);
    EXPECT_EQ(At(t.c.Surface(), 260, 148), t.c.Painter().PlotBackColor());
    EXPECT_EQ(At(t.c.Surface(), 260, 138), t.c.Painter().SelectionColor());
    t.c.OnMouseMove(250, 150);
    t.c.OnLButtonUp(250, 150);
    EXPECT_EQ(t.c.Interaction().Selection(), (LCRect{250, 150, 300, 200}));
    EXPECT_EQ(t.c.Interaction().HighlightMode() & 0xF, 3u);
}

TEST(Interact, LeftEdgeDragTurnedOver) {
    Chart t;
    t.c.Interaction().SetSelection({150, 100, 250, 200});
    EXPECT_EQ(t.c.HitTestSelection(147, 150), 5);
    t.c.OnMouseMove(147, 150); // passing over the handle shows its arrow
    EXPECT_EQ(t.c.cursor().shape(), Qt::SizeHorCursor);
    t.Drag(147, 150, 147 + 140, 150);
    EXPECT_EQ(t.c.Interaction().Selection(), (LCRect{250, 100, 290, 200}));
}

TEST(Interact, HandlesInTheirOrder) {
    Chart t;
    t.c.Interaction().SetSelection({150, 100, 250, 200}); // k = 5, centre (200, 150)
    EXPECT_EQ(t.c.HitTestSelection(146, 96), 8);
    EXPECT_EQ(t.c.HitTestSelection(146, 202), 10);
    EXPECT_EQ(t.c.HitTestSelection(252, 96), 9);
    EXPECT_EQ(t.c.HitTestSelection(252, 202), 11);
    EXPECT_EQ(t.c.HitTestSelection(200, 97), 6);
    EXPECT_EQ(t.c.HitTestSelection(253, 152), 4);
    EXPECT_EQ(t.c.HitTestSelection(198, 203), 7);
    EXPECT_EQ(t.c.HitTestSelection(150, 100), 3);
    EXPECT_EQ(t.c.HitTestSelection(250, 150), 0); // right edge is outside the body box
    EXPECT_EQ(t.c.HitTestSelection(146, 160), 0); // beside the edge, off its handle
}

TEST(Interact, MovingAgainstThePlotEdge) {
    Chart t;
    t.c.Interaction().SetSelection({100, 100, 150, 150});
    t.Drag(120, 120, 0, 120);
    EXPECT_EQ(t.c.Interaction().Selection(), (LCRect{70, 100, 120, 150}));
}

TEST(Interact, DoubleClickZoomsOnlyInYWhenTheSelectionSpansX) {
    Chart t;
    t.c.Interaction().SetSelection({70, 100, 379, 150});
    t.c.OnLButtonDblClk(200, 120);
    EXPECT_EQ(t.c.Model().XMin(), 0);
    EXPECT_EQ(t.c.Model().XMax(), 310);
    EXPECT_DOUBLE_EQ(t.c.Model().YMin(), 210.0 * (239 - 150) / 210);
    EXPECT_DOUBLE_EQ(t.c.Model().YMax(), 210.0 * (239 - 100 + 1) / 210);
    EXPECT_TRUE(t.c.Interaction().Selection().IsRectEmpty());
    QCoreApplication::processEvents();
    EXPECT_EQ(t.posted, (std::vector<int>{1004}));
}

TEST(Interact, RefusedZoomTellsTheUser) {
    ScriptedPrompts prompts;
    Chart t;
    t.c.Model().SetView(1.3e9, 0, 1.3e9 + 10, 1);
    const int history = static_cast<int>(t.c.Model().GetViewHistory().size());
    t.c.Interaction().SetSelection({100, 100, 101, 150}); // 2 pixels of 10 s / 310: 0.06 s
    t.c.OnLButtonDblClk(100, 120);
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0], "As zoom as limit");
    EXPECT_EQ(t.c.Model().XMin(), 1.3e9);
    EXPECT_EQ(static_cast<int>(t.c.Model().GetViewHistory().size()), history);
    EXPECT_TRUE(t.c.Interaction().Selection().IsRectEmpty());
    QCoreApplication::processEvents();
    EXPECT_EQ(t.posted, (std::vector<int>{1004}));
}

TEST(Interact, DoubleClickOutsideTheSelectionIsAPress) {
    Chart t;
    t.c.Interaction().SetSelection({100, 100, 150, 150});
    t.c.OnLButtonDblClk(300, 200);
    EXPECT_EQ(t.c.DragMode(), 2);
    EXPECT_TRUE(t.c.Interaction().Selection().IsRectEmpty());
    t.c.OnLButtonUp(300, 200);
}

TEST(Interact, PressOnAMarkerShowsItsValues) {
    Chart t;
    // The middle point (155, 105) sits at px = 70 + 155 = 225, py = 239 - 105 = 134.
    t.c.OnLButtonDown(226, 133);
    EXPECT_TRUE(t.c.Interaction().IsPointHit());
    EXPECT_TRUE(t.c.Interaction().IsReadoutValid());
    EXPECT_EQ(t.c.Interaction().ReadoutX(), 155);
    EXPECT_EQ(t.c.Interaction().ReadoutY(), 105);
    EXPECT_EQ(t.c.Interaction().HighlightPoint(), (LCPoint{226, 133}));
    // The cross-hair inverts the plot background along its lines.
    EXPECT_EQ(At(t.c.Surface(), 105, 133), 0xFFFFFF ^ t.c.Painter().PlotBackColor());
    t.c.OnLButtonUp(226, 133);
    EXPECT_FALSE(t.c.Interaction().IsReadoutValid());
    EXPECT_FALSE(t.c.Interaction().IsCrossVisible());
    EXPECT_EQ(At(t.c.Surface(), 105, 133), t.c.Painter().PlotBackColor());
    // Off any marker the read-out gives the data coordinates of the press, clamped into the plot.
    t.c.OnLButtonDown(10, 100);
    EXPECT_FALSE(t.c.Interaction().IsPointHit());
    EXPECT_EQ(t.c.PressPoint(), (LCPoint{70, 100}));
    EXPECT_DOUBLE_EQ(t.c.Interaction().ReadoutX(), 0);
    EXPECT_DOUBLE_EQ(t.c.Interaction().ReadoutY(), 139);
    t.c.OnLButtonUp(10, 100);
}

TEST(Interact, EscapeAbandonsTheGesture) {
    Chart t;
    t.c.OnLButtonDown(150, 100);
    t.c.OnMouseMove(200, 150);
    ASSERT_EQ(t.c.DragMode(), 1);
    QTest::keyClick(&t.c, Qt::Key_Escape);
    EXPECT_EQ(t.c.DragMode(), 0);
    EXPECT_EQ(t.c.cursor().shape(), Qt::ArrowCursor);
    t.c.OnLButtonUp(200, 150);
    EXPECT_TRUE(t.c.Interaction().Selection().IsRectEmpty());
}

TEST(Interact, EscapeTakesTheReadOutAwayWhileTheButtonIsHeld) {
    Chart t;
    const QImage before = t.c.Surface().copy();
    t.c.OnLButtonDown(150, 100);
    t.c.OnMouseMove(200, 150);
    const LCRect& r = t.c.Painter().ReadoutRect();
    ASSERT_FALSE(r.IsRectEmpty());
    const QRect box(r.left, r.top, r.right - r.left + 1, r.bottom - r.top + 1);
    ASSERT_NE(t.c.Surface().copy(box), before.copy(box));
    QTest::keyClick(&t.c, Qt::Key_Escape);
    EXPECT_EQ(t.c.Surface().copy(box), before.copy(box));
    t.c.OnMouseMove(210, 160); // still held: nothing comes back
    EXPECT_EQ(t.c.Surface(), before);
    t.c.OnLButtonUp(210, 160);
}

TEST(Interact, EscapeStopsAtTheChartOnlyDuringAGesture) {
    Chart t;
    t.c.OnLButtonDown(150, 100);
    t.c.OnMouseMove(200, 150);
    QKeyEvent during(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&t.c, &during);
    EXPECT_TRUE(during.isAccepted());
    EXPECT_EQ(t.c.DragMode(), 0);
    t.c.OnLButtonUp(200, 150);
    QKeyEvent idle(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&t.c, &idle);
    EXPECT_FALSE(idle.isAccepted());
}

TEST(Interact, TheHeldButtonLeavesBadPointsTheirColourAndTheReadOutNamesThem) {
    // Measurement points, and over them the one marked bad, as the main window draws them.
    Chart t;
    const LCPosition meas = t.c.Model().GetFirstPlotPosition();
    const LCPosition bad = t.c.Model().AddPlot(MakeDataSet({155}, {105}));
    for (LCPosition p : {meas, bad}) {
        t.c.Model().SetPlotMarkerKind(p, 3);
        t.c.Model().SetPlotMarkerSize(p, p == bad ? 5 : 4);
        t.c.Model().SetPlotMarkerFill(p, p == bad ? 0x000080 : 0x208000);
    }
    t.c.Model().SetPlotNote(bad, "marked bad");
    t.c.Model().SetCurrentPlot(bad);
    t.c.Redraw();
    const int bx = 225, by = 134; // the bad point's centre
    const COLORREF badColour = At(t.c.Surface(), bx, by);
    ASSERT_EQ(badColour, 0x000080u);
    t.c.OnLButtonDown(70, 239); // on a measurement point
    EXPECT_EQ(At(t.c.Surface(), bx, by), badColour);
    EXPECT_EQ(t.c.Interaction().ReadoutNote(), "");
    t.c.OnLButtonUp(70, 239);
    t.c.OnLButtonDown(bx, by);
    EXPECT_EQ(t.c.Interaction().ReadoutNote(), "marked bad");
    t.c.OnMouseMove(bx + 10, by); // off the marker
    EXPECT_EQ(t.c.Interaction().ReadoutNote(), "");
    t.c.OnMouseMove(bx, by);
    EXPECT_EQ(t.c.Interaction().ReadoutNote(), "marked bad");
    t.c.OnLButtonUp(bx, by);
}

TEST(Interact, WithoutPlotsNothingHappens) {
    CLC c;
    c.Layout(400, 300);
    c.Redraw();
    const QImage before = c.Surface().copy();
    c.OnLButtonDown(150, 100);
    c.OnMouseMove(250, 200);
    c.OnLButtonUp(250, 200);
    c.OnLButtonDblClk(150, 100);
    QTest::keyClick(&c, Qt::Key_Escape);
    QTest::mouseClick(&c, Qt::RightButton, {}, QPoint(150, 100));
    EXPECT_EQ(c.DragMode(), 0);
    EXPECT_FALSE(c.IsCaptured());
    EXPECT_TRUE(c.Interaction().Selection().IsRectEmpty());
    EXPECT_EQ(c.Surface(), before);
}

TEST(Widget, ShownChartPaintsItsSurface) {
    CLC c;
    c.resize(300, 200);
    c.Model().AddPlot(MakeDataSet({0, 10}, {0, 1}));
    c.Core().ShowAllData();
    c.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&c));
    EXPECT_EQ(c.Painter().PlotRect(), (LCRect{70, 30, 279, 139}));
    const QImage shown = c.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown, c.Surface());
    QImage direct = WhiteImage(300, 200);
    CImageDC dc(direct);
    c.Core().PaintTo(dc);
    EXPECT_EQ(shown, direct);
}

// The main window sets its first view after the chart has been drawn once,
// with no redraw of its own: the window must still show that view, not the
// picture of the default one.
TEST(Widget, ViewSetAfterADrawingIsWhatThePaintShows) {
    CLC c;
    c.resize(300, 200);
    c.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&c));
    c.Redraw();
    ASSERT_TRUE(c.Model().SetView(1262304000.0, 0, 1262304000.0 + 6 * 3600, 1.02));
    const QImage shown = c.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QImage direct = WhiteImage(300, 200);
    CImageDC dc(direct);
    c.Core().PaintTo(dc);
    EXPECT_EQ(shown, direct);
}

int g_calls = 0;
int Refuse(unsigned, int, int, void*) {
    return ++g_calls, 0;
}

TEST(Interact, EnabledCallbackReplacesTheHandling) {
    Chart t;
    LCCallbacks table;
    table.callbacks[1] = Refuse;
    t.c.SetCallbacks(&table);
    QTest::mousePress(&t.c, Qt::LeftButton, {}, QPoint(150, 100));
    EXPECT_EQ(t.c.DragMode(), 2); // mask bit clear: the chart handles it
    QTest::mouseRelease(&t.c, Qt::LeftButton, {}, QPoint(150, 100));
    table.mask = 1u << 1;
    QTest::mousePress(&t.c, Qt::LeftButton, {}, QPoint(150, 100));
    EXPECT_EQ(g_calls, 1);
    EXPECT_EQ(t.c.DragMode(), 0);
}

} // namespace
