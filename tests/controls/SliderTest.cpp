#include "ControlsTestSupport.h"

#include "controls/UC_Slider.h"
#include "services/core/TwipsPerPixel.h"

#include <QResizeEvent>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class SliderTest : public ControlTest {
  protected:
    // No arrows, 170 px wide: track length 2550 - 60 = 2490 twips; with a
    // thumb of 490 twips the travel is 2000.
    void MakeTravel2000() {
        s.setGeometry(0, 0, 170, 20);
        s.SetNoArrow(true);
        s.Init();
        s.SetPointerSizeTwips(490);
        ASSERT_EQ(s.Travel(), 2000);
    }

    // Pixel x inside the widget for track coordinate c (twips).
    int TrackX(int c) const { return s.TrackBox().x() + 2 + c / 15; }

    UC_Slider s;
};

TEST_F(SliderTest, LaysOutArrowsTrackAndTravel) {
    s.setGeometry(0, 0, 200, 20); // 3000 twips
    s.Init();
    // Track box: 3000 - 2 x 270 - 15 = 2445 twips, inner length 60 twips less.
    EXPECT_EQ(s.TrackLength(), 2385);
    EXPECT_EQ(s.Travel(), 2385 - 480);
    EXPECT_EQ(s.ArrowBox(0), QRect(0, 0, 18, 20));
    EXPECT_EQ(s.TrackBox().x(), 19);
    EXPECT_EQ(s.ArrowBox(1).x(), (285 + 2445) / 15);

    s.SetNoArrow(true);
    s.Init();
    EXPECT_EQ(s.TrackLength(), 3000 - 60);
    EXPECT_EQ(s.Disabletrim(), -1) << "writing NoArrow also locks the arrows";
}

TEST_F(SliderTest, MapsValuesToThumbPositionsAndBack) {
    MakeTravel2000();
    s.SetValue(250);
    EXPECT_FLOAT_EQ(s.ThumbPosition(), 500);

    s.Draw(1999); // 999.5 rounds to even
    EXPECT_EQ(s.Value(), 1000);
    EXPECT_FLOAT_EQ(s.ThumbPosition(), 1999);

    s.Draw(2600);
    EXPECT_EQ(s.Value(), 1000);
    EXPECT_FLOAT_EQ(s.ThumbPosition(), 2000);
    s.Draw(-300);
    EXPECT_EQ(s.Value(), 0);
    EXPECT_FLOAT_EQ(s.ThumbPosition(), 0);

    s.SetValue(1500);
    EXPECT_EQ(s.Value(), 1000);
    s.SetValue(-5);
    EXPECT_EQ(s.Value(), 0);
}

TEST_F(SliderTest, EmptyRangeIgnoresValueWrites) {
    MakeTravel2000();
    s.SetValue(300);
    s.SetMin(7);
    s.SetMax(7);
    s.SetValue(7);
    EXPECT_EQ(s.Value(), 300);
    EXPECT_FLOAT_EQ(s.ThumbPosition(), 600);
    s.Draw(1000); // no division by the empty range
    EXPECT_EQ(s.Value(), 7);
}

TEST_F(SliderTest, NarrowedRangeKeepsTheThumbOnTheTrack) {
    MakeTravel2000();
    s.SetMin(-2000000000);
    s.SetMax(2000000000);
    s.SetValue(2000000000);
    s.SetMin(0);
    s.SetMax(1);
    s.resize(180, 20); // relayout maps the stale value again
    QResizeEvent resized(QSize(180, 20), QSize(170, 20));
    QApplication::sendEvent(&s, &resized);
    ASSERT_NE(s.Travel(), 2000);
    EXPECT_EQ(s.Value(), 2000000000);
    EXPECT_FLOAT_EQ(s.ThumbPosition(), float(s.Travel()));
}

TEST_F(SliderTest, NoTravelKeepsTheStartOfTheRange) {
    MakeTravel2000();
    s.SetPointerSizeTwips(s.TrackLength() + 100);
    s.Draw(500);
    EXPECT_EQ(s.Value(), 0);
    EXPECT_FLOAT_EQ(s.ThumbPosition(), 0);
    s.SetValue(800);
    EXPECT_EQ(s.Value(), 800);
    EXPECT_FLOAT_EQ(s.ThumbPosition(), 0);
}

TEST_F(SliderTest, NegativeRangeMapsFromMin) {
    s.setGeometry(0, 0, 200, 20);
    s.SetMin(-60);
    s.SetMax(0);
    s.Init();
    s.SetValue(-45);
    s.Draw(int32_t(s.ThumbPosition()));
    EXPECT_EQ(s.Value(), -45);
}

TEST_F(SliderTest, DragFollowsThePointerAndStopsAtTheEnd) {
    MakeTravel2000();
    QSignalSpy scrolled(&s, &UC_Slider::Scrolled);
    QSignalSpy updown(&s, &UC_Slider::MouseUD);
    // Press beside the thumb: it centres on the pointer (grab offset 245).
    Press(s, {TrackX(1500), 10});
    EXPECT_EQ(s.Clicked(), -1);
    EXPECT_FLOAT_EQ(s.ThumbPosition(), 1500 - 245);
    MoveHeld(s, {TrackX(1500), 10}); // same place: nothing
    EXPECT_EQ(scrolled.count(), 1);
    MoveHeld(s, {165, 10}); // past the end
    EXPECT_EQ(s.Value(), 1000);
    EXPECT_FLOAT_EQ(s.ThumbPosition(), 2000);
    Release(s, {165, 10});
    EXPECT_EQ(s.Clicked(), 0);
    ASSERT_EQ(scrolled.count(), 3);
    for (const auto& args : scrolled)
        EXPECT_EQ(args.at(0).value<int16_t>(), 1);
    ASSERT_EQ(updown.count(), 2);
    EXPECT_TRUE(updown.at(0).at(0).toBool());
    EXPECT_FALSE(updown.at(1).at(0).toBool());
}

TEST_F(SliderTest, ClickInsideTheThumbDoesNotMoveIt) {
    MakeTravel2000();
    s.SetValue(500); // thumb at 1000..1490
    Press(s, {TrackX(1300), 10});
    EXPECT_FLOAT_EQ(s.ThumbPosition(), 1000);
    EXPECT_EQ(s.Value(), 500);
    // Dragging keeps the grab point under the pointer.
    MoveHeld(s, {TrackX(1600), 10});
    EXPECT_FLOAT_EQ(s.ThumbPosition(), 1300);
    Release(s, {TrackX(1600), 10});
}

TEST_F(SliderTest, RightButtonReportsButDoesNotScroll) {
    MakeTravel2000();
    QSignalSpy scrolled(&s, &UC_Slider::Scrolled);
    QSignalSpy updown(&s, &UC_Slider::MouseUD);
    Press(s, {TrackX(1500), 10}, Qt::RightButton);
    Release(s, {TrackX(1500), 10}, Qt::RightButton);
    EXPECT_EQ(scrolled.count(), 0);
    ASSERT_EQ(updown.count(), 2);
    EXPECT_EQ(updown.at(0).at(1).value<int16_t>(), 2);
    EXPECT_EQ(s.Value(), 0);
}

TEST_F(SliderTest, DoubleClickRaisesDblClickedThenScrolled) {
    MakeTravel2000();
    QSignalSpy dbl(&s, &UC_Slider::DblClicked);
    QSignalSpy scrolled(&s, &UC_Slider::Scrolled);
    DoubleClick(s, {TrackX(100), 10});
    EXPECT_EQ(dbl.count(), 1);
    EXPECT_EQ(scrolled.count(), 1);
}

TEST_F(SliderTest, RefuseInputIgnoresTheMouse) {
    MakeTravel2000();
    s.SetRefuseInput(-1);
    QSignalSpy updown(&s, &UC_Slider::MouseUD);
    Press(s, {TrackX(1500), 10});
    Release(s, {TrackX(1500), 10});
    EXPECT_EQ(updown.count(), 0);
    EXPECT_EQ(s.Value(), 0);
}

TEST_F(SliderTest, ArrowRepeatKeepsScrollingAtMax) {
    s.setGeometry(0, 0, 200, 20);
    s.SetSmallChange(10);
    s.Init();
    s.SetValue(995);
    QSignalSpy scrolled(&s, &UC_Slider::Scrolled);
    QSignalSpy updown(&s, &UC_Slider::MouseUD);
    const QPoint arrow1 = s.ArrowBox(1).center();
    Press(s, arrow1);
    EXPECT_EQ(s.Value(), 1000);
    EXPECT_EQ(s.Clicked(), -1);
    EXPECT_TRUE(s.RepeatActive());
    s.TimerCheck_Timer();
    s.TimerCheck_Timer();
    EXPECT_EQ(s.Value(), 1000);
    EXPECT_EQ(scrolled.count(), 3);
    QTest::qWait(450); // the real timer steps too
    EXPECT_GE(scrolled.count(), 4);
    for (const auto& args : scrolled)
        EXPECT_EQ(args.at(0).value<int16_t>(), 1);
    Release(s, arrow1);
    EXPECT_FALSE(s.RepeatActive());
    EXPECT_EQ(s.Clicked(), 0);
    ASSERT_EQ(updown.count(), 1);
    EXPECT_FALSE(updown.at(0).at(0).toBool());

    Press(s, s.ArrowBox(0).center());
    EXPECT_EQ(s.Value(), 990);
    Release(s, s.ArrowBox(0).center());
}

TEST_F(SliderTest, LockedArrowsTakeNoInput) {
    s.setGeometry(0, 0, 200, 20);
    s.Init();
    s.SetDisabletrim(-1);
    QSignalSpy scrolled(&s, &UC_Slider::Scrolled);
    Press(s, s.ArrowBox(1).center());
    Release(s, s.ArrowBox(1).center());
    EXPECT_EQ(scrolled.count(), 0);
    EXPECT_FALSE(s.RepeatActive());
}

TEST_F(SliderTest, PointerSizeFromRate) {
    s.setGeometry(0, 0, 200, 20);
    s.Init();
    s.SetPointerSize(2);
    EXPECT_EQ(s.PointerSize(), int(std::nearbyint(s.TrackLength() * 0.95f)));
    EXPECT_EQ(s.Travel(), s.TrackLength() - s.PointerSize());
    s.SetPointerSize(0.001f);
    EXPECT_EQ(s.PointerSize(), 8 * 15);
}

TEST_F(SliderTest, VerticalValueGrowsDownwards) {
    s.setGeometry(0, 0, 18, 200);
    s.SetIsVertical(true);
    s.SetNoGrad(true);
    s.Init();
    EXPECT_EQ(s.ArrowBox(0), QRect(0, 0, 18, 18));
    Press(s, {9, s.TrackBox().y() + 150});
    Release(s, {9, s.TrackBox().y() + 150});
    const int lower = s.Value();
    Press(s, {9, s.TrackBox().y() + 40});
    Release(s, {9, s.TrackBox().y() + 40});
    EXPECT_GT(lower, s.Value());
    EXPECT_GT(lower, 500);
}

} // namespace
