#include "ControlsTestSupport.h"

#include "controls/ButtonIcons.h"
#include "controls/UC_Buttons.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cmath>

namespace {

// The caption's contrast on its face: the strongest one between a pixel of the
// drawn caption and the same pixel of the face drawn without it.
double CaptionContrast(const Surface& pWith, const Surface& pWithout, int pLeft, int pWidth) {
    double best = 1;
    for (int y = 0; y < pWith.Height(); ++y)
        for (int x = pLeft; x < pLeft + pWidth; ++x)
            best = std::max(best, ContrastRatio(pWith.Pixel(x, y), pWithout.Pixel(x, y)));
    return best;
}

class ButtonsTest : public ControlTest {
  protected:
    // 3000 x 330 twips, three captioned buttons.
    void MakeThree(int32_t designType = 0) {
        b.resize(200, 22);
        b.SetNumButtons(3);
        b.SetDesignType(designType);
        b.SetButtonChar(0, "Clear");
        b.SetButtonChar(1, "Abort");
        b.SetButtonChar(2, "Start");
        b.Init();
    }
    QPoint Centre(int i) const { return {b.ButtonLeft(i) + b.ButtonWidth() / 2, 10}; }

    UC_Buttons b;
};

TEST_F(ButtonsTest, LaysOutEqualButtonsBetweenEndPieces) {
    MakeThree(0);
    EXPECT_EQ(b.ButtonWidth(), 60);
    EXPECT_EQ(b.width(), 198);
    EXPECT_EQ(b.ButtonHeight(), 22);
    EXPECT_EQ(b.ButtonLeft(0), 9);
    EXPECT_EQ(b.ButtonLeft(2), 129);

    MakeThree(1); // no end pieces
    EXPECT_EQ(b.ButtonWidth(), (200 - 2) / 3);
    EXPECT_EQ(b.ButtonLeft(0), 1);
    EXPECT_EQ(b.SelectedColor(), 0xFFFFFFu);
}

TEST_F(ButtonsTest, HitTestCoversOnlyTheButtons) {
    MakeThree(0);
    EXPECT_EQ(b.HitTest(8), -1);
    EXPECT_EQ(b.HitTest(9), 0);
    EXPECT_EQ(b.HitTest(68), 0);
    EXPECT_EQ(b.HitTest(69), 1);
    EXPECT_EQ(b.HitTest(188), 2);
    EXPECT_EQ(b.HitTest(189), -1);
}

TEST_F(ButtonsTest, NumButtonsResetsEveryButton) {
    b.SetNumButtons(0);
    EXPECT_EQ(b.NumButtons(), 1);
    MakeThree();
    b.SetButtonOn(1, 1, false);
    b.SetNumButtons(2);
    EXPECT_EQ(b.GetButtonChar(0), "");
    EXPECT_EQ(b.GetButtonOn(1), 0);
    b.SetButtonCharNum();
    EXPECT_EQ(b.GetButtonChar(1), "2");
}

TEST_F(ButtonsTest, SelectedColourSetsItsDarkShade) {
    b.SetSelectedColor(0x00D000);
    EXPECT_EQ(b.DarkSelectedColor(), 0x008A00u);
    b.SetSelectedColor(0x202020);
    EXPECT_EQ(b.DarkSelectedColor(), 0u);
}

TEST_F(ButtonsTest, OKCancelKeepsTheSizeWhenAsked) {
    b.resize(150, 25);
    b.SetOKCancel(1, 1, 1);
    EXPECT_EQ(b.GetButtonChar(0), "OK");
    EXPECT_EQ(b.GetButtonChar(1), "Cancel");
    EXPECT_EQ(b.SelectedColor(), 0xFFFFFFu);
    EXPECT_EQ(b.height(), 25);
    EXPECT_EQ(b.width(), b.ButtonWidth() * 2 + 2);

    b.SetOKCancel(0, 0, 0);
    EXPECT_EQ(b.GetButtonChar(1), "OK");
    EXPECT_EQ(b.GetButtonChar(0), "Cancel");
    EXPECT_EQ(b.height(), 22); // 330 twips
}

TEST_F(ButtonsTest, ClicksAreReportedOnRelease) {
    MakeThree();
    QSignalSpy clicked(&b, &UC_Buttons::ButtonClicked);
    QSignalSpy down(&b, &UC_Buttons::ButtonDown);
    QSignalSpy shift(&b, &UC_Buttons::ShiftClicked);
    QSignalSpy right(&b, &UC_Buttons::RightClicked);
    Press(b, Centre(2));
    EXPECT_EQ(down.count(), 1);
    EXPECT_EQ(clicked.count(), 0);
    Release(b, Centre(2));
    ASSERT_EQ(clicked.count(), 1);
    EXPECT_EQ(clicked.at(0).at(0).toInt(), 2);

    Press(b, Centre(1), Qt::LeftButton, Qt::ShiftModifier);
    Release(b, Centre(1), Qt::LeftButton, Qt::ShiftModifier);
    ASSERT_EQ(shift.count(), 1);
    EXPECT_EQ(shift.at(0).at(1).value<int16_t>(), 1);
    EXPECT_EQ(clicked.count(), 1);

    Press(b, Centre(0), Qt::RightButton);
    Release(b, Centre(0), Qt::RightButton);
    EXPECT_EQ(right.count(), 1);
    EXPECT_EQ(down.count(), 2) << "the right button raises no ButtonDown";

    // Released outside the pressed button: nothing.
    Press(b, Centre(0));
    Release(b, Centre(1));
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_EQ(b.PressedButton(), 0);
}

TEST_F(ButtonsTest, PressedButtonIsDrawnOnePixelLower) {
    MakeThree();
    const QImage before = b.Canvas().Image().copy();
    Press(b, Centre(1));
    EXPECT_NE(b.Canvas().Image(), before);
    Release(b, Centre(1));
    EXPECT_EQ(b.Canvas().Image(), before);
}

TEST_F(ButtonsTest, EnabledCaptionsAreReadableAndDisabledOnesFaint) {
    for (int32_t design : {1, 0}) {
        MakeThree(design);
        b.SetButtonDisable(0, 1, true, 0);
        b.SetButtonDisable(1, 1, true, 1);
        UC_Buttons bare;
        bare.resize(200, 22);
        bare.SetNumButtons(3);
        bare.SetDesignType(design);
        bare.Init();
        ASSERT_EQ(bare.ButtonLeft(2), b.ButtonLeft(2));
        const int w = b.ButtonWidth();
        const double enabled = CaptionContrast(b.Canvas(), bare.Canvas(), b.ButtonLeft(2), w);
        const double disabled = CaptionContrast(b.Canvas(), bare.Canvas(), b.ButtonLeft(0), w);
        const double tempDisabled = CaptionContrast(b.Canvas(), bare.Canvas(), b.ButtonLeft(1), w);
        EXPECT_GE(enabled, 4.5) << "design " << design;
        EXPECT_GT(disabled, 1.05) << "design " << design << ": the caption is still drawn";
        EXPECT_LT(disabled, 3.0) << "design " << design;
        EXPECT_LT(tempDisabled, 3.0) << "design " << design;
    }
}

TEST_F(ButtonsTest, TwoDisableLayers) {
    MakeThree();
    QSignalSpy clicked(&b, &UC_Buttons::ButtonClicked);
    QSignalSpy down(&b, &UC_Buttons::ButtonDown);
    QSignalSpy hover(&b, &UC_Buttons::Hover);

    b.SetButtonDisable(1, 1, true, 1);
    EXPECT_EQ(b.GetButtonDisable(1, 1), 1);
    EXPECT_EQ(b.GetButtonDisable(1, 0), 0);
    EXPECT_EQ(b.GetButtonDisable(7, 0), 0);
    const QImage drawn = b.Canvas().Image().copy();
    Press(b, Centre(1));
    Release(b, Centre(1));
    EXPECT_EQ(down.count(), 0);
    EXPECT_EQ(clicked.count(), 0);
    EXPECT_EQ(b.Canvas().Image(), drawn) << "a disabled button is not drawn pressed";
    MoveFree(b, Centre(1));
    EXPECT_EQ(hover.count(), 1) << "hovering a disabled button is still reported";

    b.SetButtonDisable(1, 1, true, 0);
    b.SetButtonDisable(1, 0, true, 1);
    EXPECT_FALSE(b.IsButtonEnabled(1)) << "the other layer still disables";
    b.SetButtonDisable(1, 0, true, 0);
    EXPECT_TRUE(b.IsButtonEnabled(1));

    b.SetButtonDisableAll(1, 0);
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(b.IsButtonEnabled(i));
}

TEST_F(ButtonsTest, HoverReportsChangesOnly) {
    MakeThree();
    QSignalSpy hover(&b, &UC_Buttons::Hover);
    MoveFree(b, Centre(0));
    EXPECT_EQ(hover.count(), 0) << "the hover button starts at 0";
    MoveFree(b, Centre(1));
    MoveFree(b, Centre(1) + QPoint(3, 0));
    MoveFree(b, {2, 10});
    ASSERT_EQ(hover.count(), 2);
    EXPECT_EQ(hover.at(0).at(0).toInt(), 1);
    EXPECT_EQ(hover.at(1).at(0).toInt(), -1);

    MoveFree(b, Centre(2));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&b, &leave);
    ASSERT_EQ(hover.count(), 4);
    EXPECT_EQ(hover.at(3).at(0).toInt(), -1) << "leaving the strip leaves the button";
}

TEST_F(ButtonsTest, PresetsUseTheirIcons) {
    b.resize(120, 22);
    b.SetButtonsMCI();
    b.Init();
    ASSERT_EQ(b.NumButtons(), 3);
    EXPECT_EQ(b.GetButtonChar(0), "");
    EXPECT_EQ(b.ContentPosition(0), QPoint(b.ButtonLeft(0) + b.ButtonWidth() / 2 - 9, 2));
    // The hot look swaps in the active icon.
    const QImage normal = b.Canvas().Image().copy();
    b.DrawButton(0, 2);
    EXPECT_NE(b.Canvas().Image(), normal);
    b.DrawButton(0, 0);
    EXPECT_EQ(b.Canvas().Image(), normal);
}

TEST_F(ButtonsTest, IconStripHasImagesAndMatchingMasks) {
    const Surface strip = MakeButtonIcons();
    ASSERT_EQ(strip.Width(), 468);
    ASSERT_EQ(strip.Height(), 36);
    for (int icon = 0; icon < kIconCount; ++icon) {
        int painted = 0, mismatched = 0;
        for (int y = 0; y < 18; ++y)
            for (int x = icon * 18; x < icon * 18 + 18; ++x) {
                const bool image = strip.Pixel(x, y) != 0;
                const bool mask = strip.Pixel(x, y + 18) == 0;
                painted += mask;
                mismatched += image && !mask;
            }
        EXPECT_GT(painted, 10) << "icon " << icon;
        EXPECT_EQ(mismatched, 0) << "icon " << icon;
    }
}

TEST_F(ButtonsTest, TintScalesOnlyTheOrdinaryIcons) {
    Surface strip = MakeButtonIcons();
    const Color before1 = strip.Pixel(18 + 7, 9); // play, ordinary
    const Color before9 = strip.Pixel(9 * 18 + 7, 9);
    ASSERT_NE(before1, 0u);
    TintButtonIcons(strip, 0x696969); // half of 210
    const ColorParts p = SplitColor(before1);
    EXPECT_EQ(strip.Pixel(18 + 7, 9),
              MakeColor(int(std::nearbyint(p.Red * 0.5)), int(std::nearbyint(p.Green * 0.5)),
                        int(std::nearbyint(p.Blue * 0.5))));
    EXPECT_EQ(strip.Pixel(9 * 18 + 7, 9), before9);
}

} // namespace
