#include "app/PanelValues.h"

#include <gtest/gtest.h>

using namespace app;

TEST(PanelValues, SliderDisplayAndProgress) {
    EXPECT_EQ(SliderValueText(-45), "-45db");
    EXPECT_EQ(SliderValueText(0), "0db");
    EXPECT_EQ(SliderValueText(20), "20db");
    EXPECT_EQ(ProgressValue(0.0f), 0);
    EXPECT_EQ(ProgressValue(0.5f), 500);
    EXPECT_EQ(ProgressValue(0.5625f), 562); // 562.5 rounds to even
    EXPECT_EQ(ProgressValue(0.4375f), 438);
    EXPECT_EQ(ProgressValue(1.0f), 1000);
}
