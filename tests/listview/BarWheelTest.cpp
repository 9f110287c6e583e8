// The wheel over either scroll bar of the list, drawn or the platform's.

#include "ListViewSupport.h"

#include "controls/UC_ListViewBar.h"

#include <QWheelEvent>

namespace {

void Wheel(QWidget* widget, int notches, int angle = 120) {
    const QPointF at = QRectF(widget->rect()).center();
    QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, angle * notches),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

} // namespace

class ListBarWheel : public ::testing::TestWithParam<bool> {};

TEST_P(ListBarWheel, TheVerticalBarScrollsByWheelStepsAndAddsUpPartialOnes) {
    ListFixture f(400, 122, GetParam());
    f.Rows(30);
    QWidget* bar = f.lv->VBar()->Widget();
    ASSERT_TRUE(f.lv->VBar()->IsShown());
    Wheel(bar, -2);
    EXPECT_EQ(f.lv->TopItem(), 6);
    // A fine-grained wheel: two half notches make one step.
    Wheel(bar, -1, 60);
    EXPECT_EQ(f.lv->TopItem(), 6);
    Wheel(bar, -1, 60);
    EXPECT_EQ(f.lv->TopItem(), 9);
    // Up past the first row stops there.
    Wheel(bar, 10);
    EXPECT_EQ(f.lv->TopItem(), 0);
}

TEST_P(ListBarWheel, TheHorizontalBarScrollsTheColumnsNotTheRows) {
    ListFixture f(400, 122, GetParam());
    f.Rows(30);
    f.lv->SetTabWidth(1, 9000);
    f.lv->UserControl_Resize();
    ASSERT_TRUE(f.lv->HBar()->IsShown());
    Wheel(f.lv->HBar()->Widget(), -1);
    EXPECT_GT(f.lv->HOffset(), 0);
    EXPECT_EQ(f.lv->TopItem(), 0);
    Wheel(f.lv->HBar()->Widget(), 5);
    EXPECT_EQ(f.lv->HOffset(), 0);
}

INSTANTIATE_TEST_SUITE_P(SliderAndPlatformBar, ListBarWheel, ::testing::Values(false, true));
