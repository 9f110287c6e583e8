// The progress bar draws only what the eye can see: not a fill that ends on the same pixel,
// and with a draw interval not faster than that, while Value and FillEnd follow at once.

#include "controls/ControlsTestSupport.h"
#include "controls/UC_Bar.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

class BarDrawTest : public ControlTest {
  protected:
    // Bar length 3000 twips (200 px): 1000 values over 200 pixels.
    void SetUp() override {
        bar.setGeometry(0, 0, 204, 19);
        bar.Init();
    }
    QImage Picture() const { return bar.Canvas().Image().copy(); }
    UC_Bar bar;
};

TEST_F(BarDrawTest, AFillEndingOnTheSamePixelIsNotDrawnAgain) {
    bar.SetValue(500);
    const QImage at500 = Picture();
    bar.SetValue(501); // 1503 twips: still the same pixel column
    EXPECT_EQ(bar.Value(), 501);
    EXPECT_EQ(bar.FillEnd(), 1503 + 30);
    EXPECT_TRUE(Picture() == at500);
    bar.SetValue(520); // four pixels on
    EXPECT_FALSE(Picture() == at500);
    // A text change draws whatever the fill.
    bar.SetTextToDisp("3 done, 1 failed");
    const QImage withText = Picture();
    bar.SetValue(521);
    EXPECT_TRUE(Picture() == withText);
}

TEST_F(BarDrawTest, WithAnIntervalFastValuesAreDrawnLaterButCountAtOnce) {
    bar.SetDrawInterval(60000);
    const QImage empty = Picture();
    bar.SetValue(700); // right after Init's drawing: within the interval
    EXPECT_EQ(bar.Value(), 700);
    EXPECT_EQ(bar.FillEnd(), 2100 + 30);
    EXPECT_TRUE(Picture() == empty);
}

TEST_F(BarDrawTest, TheLastFastValueIsDrawnFromTheEventLoop) {
    bar.SetDrawInterval(20);
    const QImage empty = Picture();
    bar.SetValue(800);
    bar.SetValue(900);
    EXPECT_EQ(bar.Value(), 900);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !(Picture() == empty); }, 5000));
    UC_Bar plain; // drawn at once
    plain.setGeometry(0, 0, 204, 19);
    plain.Init();
    plain.SetValue(900);
    EXPECT_TRUE(Picture() == plain.Canvas().Image());
}

} // namespace
