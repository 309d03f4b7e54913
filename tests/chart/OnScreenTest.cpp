// The chart widget on a screen of device pixel ratio 2: what it shows, and
// how clicks and keys reach it.

#include "ChartTestUtil.h"

#include <QApplication>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

namespace {

void Fill(CLCCore& chart) {
    chart.Painter().SetTitles("Time", "Value");
    chart.Painter().ShowLegend(false);
    LCPosition pos = chart.Model().AddPlot(MakeDataSet({0, 40, 100, 230, 300}, {10, 150, 80, 190, 40}));
    chart.Model().SetPlotMarkerFill(pos, 0x00C000);
    chart.Model().SetPlotMarkerKind(pos, 2);
    chart.Model().SetView(-10, 0, 310, 210);
    chart.Model().ResetViewHistory();
}

TEST(OnScreen, TheWidgetDrawsDevicePixelsAndAClickHitsTheMarkerUnderIt) {
    ASSERT_EQ(QGuiApplication::primaryScreen()->devicePixelRatio(), 2);
    CLC chart;
    chart.resize(400, 300);
    Fill(chart.Core());
    chart.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
    QCoreApplication::processEvents();

    ASSERT_EQ(chart.Surface().size(), QSize(800, 600));
    const QImage shown = chart.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown.size(), QSize(800, 600));
    EXPECT_TRUE(shown == chart.Surface());
    // The chart drawn for ratio 2 off screen, texts included, and not the
    // picture of ratio 1 enlarged.
    auto offScreen = [](int ratio) {
        CLCCore core;
        core.Painter().SetPixelRatio(ratio);
        core.Layout(400 * ratio, 300 * ratio);
        Fill(core);
        QImage image = WhiteImage(400 * ratio, 300 * ratio);
        CImageDC dc(image);
        core.PaintTo(dc);
        return image;
    };
    EXPECT_TRUE(shown == offScreen(2));
    EXPECT_FALSE(shown == offScreen(1).scaled(800, 600, Qt::IgnoreAspectRatio, Qt::FastTransformation));

    // A press at the logical place of each marker lands on that marker.
    const std::vector<HitRect> hits = chart.Interaction().GetHits();
    ASSERT_EQ(hits.size(), 5u);
    for (const HitRect& h : hits) {
        const QPoint logical((h.rc.left + h.rc.right) / 4, (h.rc.top + h.rc.bottom) / 4);
        QTest::mousePress(&chart, Qt::LeftButton, {}, logical);
        EXPECT_TRUE(chart.Interaction().IsPointHit()) << h.dX;
        EXPECT_EQ(chart.Interaction().ReadoutX(), h.dX);
        EXPECT_EQ(chart.Interaction().ReadoutY(), h.dY);
        QTest::mouseRelease(&chart, Qt::LeftButton, {}, logical, 600);
    }
}

TEST(OnScreen, AClickGivesTheChartTheKeysAndTabStillPassesItBy) {
    QWidget window;
    auto* before = new QPushButton("before", &window);
    auto* chart = new CLC(&window);
    auto* after = new QPushButton("after", &window);
    before->setGeometry(0, 0, 80, 30);
    chart->setGeometry(0, 40, 400, 300);
    after->setGeometry(100, 0, 80, 30);
    Fill(chart->Core());
    window.resize(420, 360);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    before->setFocus();
    QTest::mouseClick(chart, Qt::LeftButton, {}, QPoint(200, 150));
    EXPECT_TRUE(chart->hasFocus());
    const double x0 = chart->Model().XMin();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
    EXPECT_LT(chart->Model().XMin(), x0);

    before->setFocus();
    QTest::keyClick(before, Qt::Key_Tab);
    EXPECT_TRUE(after->hasFocus());
}

} // namespace
