// The wheel and the view keys: each accepted change is one history entry and
// one notification, as the view buttons make.

#include "ChartTestUtil.h"
#include "ScriptedPrompts.h"
#include "StringTable.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <utility>

namespace {

struct WheelChart : GestureChart {
    void Wheel(int x, int y, QPoint angle, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWheelEvent e(QPointF(x, y), QPointF(x, y), QPoint(), angle, Qt::NoButton, mods, Qt::NoScrollPhase,
                      false);
        QCoreApplication::sendEvent(&c, &e);
    }
    std::vector<LCViewNotice> Posted() {
        QCoreApplication::processEvents();
        std::vector<LCViewNotice> ids;
        for (int id : std::exchange(posted, {}))
            ids.push_back(static_cast<LCViewNotice>(id));
        return ids;
    }
    ViewRect View() const {
        ViewRect v;
        c.Model().GetView(v.dXMin, v.dYMin, v.dXMax, v.dYMax);
        return v;
    }
};

constexpr double kEps = 1e-9;

TEST(WheelKeys, WheelZoomsAboutThePointerAndEntersTheHistory) {
    WheelChart t;
    // Pointer at x pixel 132: data x = 310 * 62 / 310 = 62.
    t.Wheel(132, 100, {0, 120});
    ViewRect v = t.View();
    EXPECT_NEAR(v.dXMin, 62 - 62 / 1.25, kEps);
    EXPECT_NEAR(v.dXMax, 62 + 248 / 1.25, kEps);
    EXPECT_EQ(v.dYMin, 0);
    EXPECT_EQ(v.dYMax, 210);
    EXPECT_EQ(t.c.Model().GetViewHistory().size(), 2u);
    EXPECT_EQ(t.Posted(), std::vector<LCViewNotice>{LCViewNotice::ZoomIn});
    EXPECT_TRUE(t.c.Model().CanGoPrevView());

    // Ctrl: y about the pointer (y pixel 134: data 210 * 105 / 210 = 105); back out again.
    t.Wheel(132, 134, {0, -120}, Qt::ControlModifier);
    v = t.View();
    EXPECT_NEAR(v.dYMin, 105 - 105 * 1.25, kEps);
    EXPECT_NEAR(v.dYMax, 105 + 105 * 1.25, kEps);
    EXPECT_NEAR(v.dXMin, 62 - 62 / 1.25, kEps);
    EXPECT_EQ(t.Posted(), std::vector<LCViewNotice>{LCViewNotice::ZoomIn});

    // Shift: scrolls x by a tenth of the width per notch; away is back in time.
    const double w = v.dXMax - v.dXMin, x0 = v.dXMin;
    t.Wheel(200, 100, {0, 240}, Qt::ShiftModifier);
    EXPECT_NEAR(t.View().dXMin, x0 - 0.2 * w, kEps);
    EXPECT_EQ(t.Posted(), std::vector<LCViewNotice>{LCViewNotice::ScrollLeft});
    EXPECT_EQ(t.c.Model().GetViewHistory().size(), 4u);
}

TEST(WheelKeys, HighResolutionWheelGathersWholeNotches) {
    WheelChart t;
    for (int i = 0; i < 3; ++i)
        t.Wheel(132, 100, {0, 40});
    EXPECT_EQ(t.c.Model().GetViewHistory().size(), 2u);
    EXPECT_EQ(t.Posted().size(), 1u);
    t.Wheel(132, 100, {0, 100});
    EXPECT_EQ(t.c.Model().GetViewHistory().size(), 2u);
    EXPECT_TRUE(t.Posted().empty());
}

TEST(WheelKeys, ZoomLimitRefusesAndTellsOnce) {
    ScriptedPrompts prompts;
    WheelChart t;
    t.c.Model().SetView(1e9, 0, 1e9 + 0.12, 1);
    t.Posted();
    const size_t entries = t.c.Model().GetViewHistory().size();
    t.Wheel(200, 100, {0, 120});
    t.Wheel(200, 100, {0, 120});
    QTest::keyClick(&t.c, Qt::Key_Plus);
    EXPECT_EQ(t.c.Model().GetViewHistory().size(), entries);
    EXPECT_TRUE(t.Posted().empty());
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0], QString::fromStdString(LoadUIString(45)));
    // Zooming out is never the limit's business.
    QTest::keyClick(&t.c, Qt::Key_Minus);
    EXPECT_EQ(t.c.Model().GetViewHistory().size(), entries + 1);
}

TEST(WheelKeys, KeysRunTheViewCommands) {
    WheelChart t;
    QTest::keyClick(&t.c, Qt::Key_Right);
    EXPECT_NEAR(t.View().dXMin, 31, kEps);
    QTest::keyClick(&t.c, Qt::Key_Left);
    QTest::keyClick(&t.c, Qt::Key_Left);
    EXPECT_NEAR(t.View().dXMin, -31, kEps);
    EXPECT_EQ(t.Posted(), (std::vector<LCViewNotice>{LCViewNotice::ScrollRight, LCViewNotice::ScrollLeft,
                                                     LCViewNotice::ScrollLeft}));

    QTest::keyClick(&t.c, Qt::Key_Backspace);
    QTest::keyClick(&t.c, Qt::Key_Left, Qt::AltModifier);
    EXPECT_NEAR(t.View().dXMin, 31, kEps);
    QTest::keyClick(&t.c, Qt::Key_Right, Qt::AltModifier);
    EXPECT_NEAR(t.View().dXMin, 0, kEps);
    EXPECT_EQ(t.Posted(), (std::vector<LCViewNotice>{LCViewNotice::PrevView, LCViewNotice::PrevView,
                                                     LCViewNotice::NextView}));

    // + and - about the centre (155).
    QTest::keyClick(&t.c, Qt::Key_Plus);
    EXPECT_NEAR(t.View().dXMin, 155 - 155 / 1.25, kEps);
    QTest::keyClick(&t.c, Qt::Key_Minus);
    EXPECT_NEAR(t.View().dXMin, 0, kEps);
    EXPECT_EQ(t.Posted(), (std::vector<LCViewNotice>{LCViewNotice::ZoomIn, LCViewNotice::ZoomIn}));

    QTest::keyClick(&t.c, Qt::Key_Home);
    EXPECT_NEAR(t.View().dXMin, -31, kEps); // all data: the points widened by a tenth
    EXPECT_EQ(t.Posted(), std::vector<LCViewNotice>{LCViewNotice::AllData});
    EXPECT_FALSE(t.c.Model().CanGoNextView());
}

} // namespace
