#include "app/PanelValues.h"

#include <gtest/gtest.h>

using namespace app;

TEST(PanelValues, MarginTextsRoundHalfToEvenAndTakeTheMagnitude) {
    EXPECT_EQ(AbsIntFromText("12.5"), 12);
    EXPECT_EQ(AbsIntFromText("13.5"), 14);
    EXPECT_EQ(AbsIntFromText("-250"), 250);
    EXPECT_EQ(AbsIntFromText("abc"), 0);
    EXPECT_EQ(AbsIntFromText("  +40  "), 40);
    EXPECT_EQ(AbsIntFromText("1e3"), 1000);
    EXPECT_EQ(AbsIntFromText(".5"), 0);
    EXPECT_EQ(AbsIntFromText("1.5"), 2);
    EXPECT_EQ(AbsIntFromText(""), 0);
    EXPECT_EQ(AbsIntFromText("12ms"), 0);
    EXPECT_EQ(AbsIntFromText("1e"), 0);
    EXPECT_EQ(AbsIntFromText("inf"), 0);
    EXPECT_EQ(AbsIntFromText("nan"), 0);
    EXPECT_EQ(AbsIntFromText("0x10"), 0);
    EXPECT_EQ(AbsIntFromText("."), 0);
}

TEST(PanelValues, TextsBeyondThe32BitRangeAreNotNumeric) {
    EXPECT_EQ(AbsIntFromText("2147483648"), 0);
    EXPECT_EQ(AbsIntFromText("99999999999999999999"), 0);
    EXPECT_EQ(AbsIntFromText("1e400"), 0);
    EXPECT_EQ(AbsIntFromText("-1e400"), 0);
    EXPECT_EQ(AbsIntFromText("2147483647"), 2147483647);
    // Its magnitude does not fit: refused rather than overflowing.
    EXPECT_EQ(AbsIntFromText("-2147483648"), 0);
    EXPECT_EQ(AbsIntFromText("2147483647.6"), 0);
}

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

TEST(PanelValues, NormModeIsTheLastSetOption) {
    EXPECT_EQ(NormModeFromChecks({0, 0, 0, 0}), 0);
    EXPECT_EQ(NormModeFromChecks({0, 0, 1, 0}), 2);
    EXPECT_EQ(NormModeFromChecks({1, 0, 0, 1}), 3);
}

TEST(PanelValues, RunConstantsFollowTheSwitchesAtStart) {
    PanelState panel;
    panel.textParm = {"12.5", "-250", "300", "6"};
    panel.checkNormMode = {0, 0, 0, 1};
    panel.sliderParm[2] = -3;
    RunConstants run = ReadRunConstants(panel);
    EXPECT_EQ(run.startMargin, 12);
    EXPECT_EQ(run.endMargin, 250);
    EXPECT_EQ(run.normMode, 3);
    EXPECT_EQ(run.normLevel, -3.0f);
    EXPECT_EQ(run.rmsWindow, 300);
    EXPECT_EQ(run.rmsThreshold, -6.0f);

    panel.textParm[3] = "-6";
    EXPECT_EQ(ReadRunConstants(panel).rmsThreshold, -6.0f);

    // RMS fields only count for "RMS(Calc)" with Normalize on.
    panel.checkNormMode = {0, 0, 1, 0};
    run = ReadRunConstants(panel);
    EXPECT_EQ(run.rmsWindow, 0);
    EXPECT_EQ(run.rmsThreshold, 0.0f);
    EXPECT_EQ(run.normMode, 2);

    panel.checkNormMode = {0, 0, 0, 1};
    panel.checkParm = {0, 0, 1};
    run = ReadRunConstants(panel);
    EXPECT_EQ(run.startMargin, 0);
    EXPECT_EQ(run.endMargin, 0);
    EXPECT_EQ(run.normLevel, 0.0f);
    EXPECT_EQ(run.rmsWindow, 0);
    EXPECT_EQ(run.normMode, 3); // the mode is read regardless; the engine ignores it
}

TEST(PanelValues, EditArgumentsZeroSwitchedOffValues) {
    PanelState panel;
    panel.sliderParm = {-40, -50, -1, -3};
    RunConstants run = ReadRunConstants(panel);
    EditWaveArgs a = MakeEditWaveArgs("/in/take.wav", "/out/take.wav", run, ReadItemValues(panel));
    EXPECT_EQ(a.pUseTh, 1);
    EXPECT_EQ(a.pThIn, -40.0f);
    EXPECT_EQ(a.pThOut, -50.0f);
    EXPECT_EQ(a.pAdjustdbL, -3.0f);
    EXPECT_EQ(a.pAdjustdbR, -3.0f);
    EXPECT_EQ(a.pNormLevel, -1.0f);
    EXPECT_EQ(a.pFrom, 0);
    EXPECT_EQ(a.pTo, 0);
    EXPECT_EQ(a.pCheckLevel, 0);

    panel.checkParm = {0, 1, 0};
    a = MakeEditWaveArgs("/in/take.wav", "/out/take.wav", run, ReadItemValues(panel));
    EXPECT_EQ(a.pUseTh, 0);
    EXPECT_EQ(a.pThIn, 0.0f);
    EXPECT_EQ(a.pThOut, 0.0f);
    EXPECT_EQ(a.pAdjustdbL, 0.0f);
    EXPECT_EQ(a.pAdjustdbR, 0.0f);
}

TEST(PanelValues, OutputFolderTakesARelativeTextFromTheHomeFolder) {
    EXPECT_EQ(OutputFolder("relout", "/home/u"), "/home/u/relout");
    EXPECT_EQ(OutputFolder("a/b/", "/home/u/"), "/home/u/a/b/");
    EXPECT_EQ(OutputFolder(R"(x\y)", "/home/u"), R"(/home/u/x\y)");
    EXPECT_EQ(OutputFolder("~", "/home/u"), "/home/u/");
    EXPECT_EQ(OutputFolder("~/out", "/home/u"), "/home/u/out");
    EXPECT_EQ(OutputFolder("/srv/out", "/home/u"), "/srv/out");
    EXPECT_EQ(OutputFolder("/", "/home/u"), "/");
    EXPECT_EQ(OutputFolder("", "/home/u"), "");
    // Without a home folder there is nothing to resolve against: beside the source.
    EXPECT_EQ(OutputFolder("relout", ""), "");
    EXPECT_EQ(OutputFolder("relout", "relative"), "");
    EXPECT_EQ(OutputFolder("/srv/out", ""), "/srv/out");
}
