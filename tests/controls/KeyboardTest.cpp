// The self-drawn controls driven by the keyboard: steps, toggles, presses, the
// focus mark, and the washed-out look of a control that takes no input.

#include "ControlsTestSupport.h"

#include "controls/UC_Buttons.h"
#include "controls/UC_Check.h"
#include "controls/UC_Slider.h"
#include "controls/UC_TextPicture.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// A shown, active window holding the control under test, so that it can really
// take the keyboard focus.
class KeyboardTest : public ControlTest {
  protected:
    void SetUp() override {
        host.resize(400, 120);
        host.show();
        host.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
    }
    // Gives the focus to w, or to the spare line edit when w is null.
    void Focus(QWidget* w) {
        (w != nullptr ? w : &elsewhere)->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
    }

    QWidget host;
    QWidget elsewhere{&host};
};

QImage Picture(const Surface& s) {
    return s.Image().copy();
}

// The darkest channel value of the picture: a washed-out control has no deep shadows.
int Darkest(const Surface& s) {
    int darkest = 255;
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x) {
            const QRgb p = s.Image().pixel(x, y);
            darkest = std::min({darkest, qRed(p), qGreen(p), qBlue(p)});
        }
    return darkest;
}

// ---- slider ------------------------------------------------------------------------

class SliderKeysTest : public KeyboardTest {
  protected:
    void SetUp() override {
        KeyboardTest::SetUp();
        slider.setGeometry(0, 0, 200, 20);
        slider.SetMin(-60);
        slider.SetMax(0);
        slider.SetSmallChange(1);
        slider.Init();
        slider.SetValue(-45);
        elsewhere.setFocusPolicy(Qt::StrongFocus);
        elsewhere.setGeometry(0, 60, 20, 20);
    }
    int32_t After(Qt::Key key) {
        QTest::keyClick(&slider, key);
        return slider.Value();
    }

    UC_Slider slider{&host};
};

TEST_F(SliderKeysTest, ArrowPageAndEndKeysStepAndReportAsTheArrowsDo) {
    QSignalSpy scrolled(&slider, &UC_Slider::Scrolled);
    EXPECT_EQ(After(Qt::Key_Right), -44);
    EXPECT_EQ(After(Qt::Key_Up), -43) << "up raises a horizontal slider";
    EXPECT_EQ(After(Qt::Key_Left), -44);
    EXPECT_EQ(After(Qt::Key_Down), -45);
    EXPECT_EQ(After(Qt::Key_PageUp), -39) << "without LargeChange a page is a tenth of the range";
    EXPECT_EQ(After(Qt::Key_PageDown), -45);
    ASSERT_EQ(scrolled.count(), 6);
    EXPECT_EQ(scrolled.at(0).at(0).value<int16_t>(), 1);

    EXPECT_EQ(After(Qt::Key_End), 0);
    EXPECT_EQ(After(Qt::Key_Right), 0);
    EXPECT_EQ(After(Qt::Key_PageUp), 0);
    EXPECT_EQ(After(Qt::Key_Home), -60);
    EXPECT_EQ(After(Qt::Key_PageDown), -60);
    EXPECT_EQ(scrolled.count(), 8) << "a key that cannot move the thumb reports nothing";
    EXPECT_EQ(slider.ThumbPosition(), 0.0f) << "the thumb follows the keys";

    slider.SetLargeChange(5);
    EXPECT_EQ(After(Qt::Key_PageUp), -55);
}

TEST_F(SliderKeysTest, VerticalSliderGrowsWithDownAndPageDown) {
    slider.setGeometry(0, 0, 20, 200);
    slider.SetIsVertical(true);
    slider.Init();
    slider.SetValue(-30);
    EXPECT_EQ(After(Qt::Key_Down), -29);
    EXPECT_EQ(After(Qt::Key_Up), -30);
    EXPECT_EQ(After(Qt::Key_PageDown), -24);
}

TEST_F(SliderKeysTest, RefusingOrDisabledSliderTakesNoKeysOrClicks) {
    QSignalSpy scrolled(&slider, &UC_Slider::Scrolled);
    slider.SetRefuseInput(-1);
    EXPECT_EQ(After(Qt::Key_Right), -45);
    slider.SetRefuseInput(0);
    slider.setEnabled(false);
    EXPECT_EQ(After(Qt::Key_End), -45);
    Press(slider, {slider.TrackBox().right() - 2, 10});
    Release(slider, {slider.TrackBox().right() - 2, 10});
    EXPECT_EQ(slider.Value(), -45);
    EXPECT_EQ(scrolled.count(), 0);
    EXPECT_EQ(slider.focusPolicy(), Qt::StrongFocus);
    slider.setEnabled(true);
    EXPECT_EQ(After(Qt::Key_Right), -44);
}

TEST_F(SliderKeysTest, DisablingDuringAnArrowHoldEndsTheRepeat) {
    Press(slider, slider.ArrowBox(1).center());
    ASSERT_TRUE(slider.RepeatActive());
    ASSERT_EQ(slider.Clicked(), -1);
    slider.setEnabled(false);
    EXPECT_FALSE(slider.RepeatActive());
    EXPECT_EQ(slider.Clicked(), 0);
    slider.setEnabled(true);
    EXPECT_EQ(After(Qt::Key_Left), -45) << "one arrow step, then one key step back";
}

TEST_F(SliderKeysTest, FocusMarkShowsOnlyWhileFocusedAndDisabledLooksWashedOut) {
    Focus(nullptr);
    const QImage plain = Picture(slider.Canvas());
    Focus(&slider);
    ASSERT_TRUE(slider.hasFocus());
    EXPECT_NE(Picture(slider.Canvas()), plain);
    Focus(nullptr);
    EXPECT_EQ(Picture(slider.Canvas()), plain);

    const int darkest = Darkest(slider.Canvas());
    slider.setEnabled(false);
    EXPECT_GT(Darkest(slider.Canvas()), darkest + 40);
    slider.setEnabled(true);
    EXPECT_EQ(Picture(slider.Canvas()), plain);
}

// ---- check box and option box ----------------------------------------------------

class CheckKeysTest : public KeyboardTest {
  protected:
    void SetUp() override {
        KeyboardTest::SetUp();
        check.move(0, 0);
        check.resize(100, 19);
        check.SetCaption("Normalize");
        elsewhere.setFocusPolicy(Qt::StrongFocus);
        elsewhere.setGeometry(0, 60, 20, 20);
    }
    UC_Check check{&host};
};

TEST_F(CheckKeysTest, SpaceTogglesACheckBoxAndChoosesAnOption) {
    QSignalSpy click(&check, &UC_Check::Click);
    QTest::keyClick(&check, Qt::Key_Space);
    EXPECT_EQ(check.Value(), 1);
    QTest::keyClick(&check, Qt::Key_Space);
    EXPECT_EQ(check.Value(), 0);
    QTest::keyClick(&check, Qt::Key_Return);
    QTest::keyClick(&check, Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(check.Value(), 0);
    EXPECT_EQ(click.count(), 2);

    check.SetIsOption(1);
    QTest::keyClick(&check, Qt::Key_Space);
    QTest::keyClick(&check, Qt::Key_Space);
    EXPECT_EQ(check.Value(), 1) << "an option box is chosen, never unchosen, by Space";
    EXPECT_EQ(click.count(), 4);
}

TEST_F(CheckKeysTest, DisabledBoxTakesNoKeysAndLeavesTheTabOrder) {
    QSignalSpy click(&check, &UC_Check::Click);
    check.SetEnabled(0);
    EXPECT_FALSE(check.isEnabled());
    QTest::keyClick(&check, Qt::Key_Space);
    EXPECT_EQ(check.Value(), 0);
    EXPECT_EQ(click.count(), 0);
    Focus(&check);
    EXPECT_FALSE(check.hasFocus());
    check.SetEnabled(-1);
    Focus(&check);
    EXPECT_TRUE(check.hasFocus());
}

TEST_F(CheckKeysTest, FocusMarkShowsOnlyWhileFocused) {
    Focus(nullptr);
    const QImage plain = Picture(check.Canvas());
    Focus(&check);
    const QImage marked = Picture(check.Canvas());
    EXPECT_NE(marked, plain);
    // The mark goes round the caption, not over the box.
    const int box = check.BoxTop();
    for (int y = box + 2; y < box + 14; ++y)
        for (int x = 2; x < 14; ++x)
            ASSERT_EQ(marked.pixel(x, y), plain.pixel(x, y)) << x << "," << y;
    Focus(nullptr);
    EXPECT_EQ(Picture(check.Canvas()), plain);
}

// ---- button strip ----------------------------------------------------------------

class ButtonKeysTest : public KeyboardTest {
  protected:
    void SetUp() override {
        KeyboardTest::SetUp();
        strip.setGeometry(0, 0, 200, 22);
        strip.SetNumButtons(3);
        strip.SetButtonChar(0, "Clear");
        strip.SetButtonChar(1, "Abort");
        strip.SetButtonChar(2, "Start");
        strip.Init();
        elsewhere.setFocusPolicy(Qt::StrongFocus);
        elsewhere.setGeometry(0, 60, 20, 20);
        Focus(&strip);
        ASSERT_TRUE(strip.hasFocus());
    }
    void Key(Qt::Key key) { QTest::keyClick(&strip, key); }

    UC_Buttons strip{&host};
};

TEST_F(ButtonKeysTest, ArrowsMoveBetweenEnabledButtonsAndSpaceOrEnterPresses) {
    QSignalSpy clicked(&strip, &UC_Buttons::ButtonClicked);
    QSignalSpy down(&strip, &UC_Buttons::ButtonDown);
    EXPECT_EQ(strip.FocusButton(), 0);
    Key(Qt::Key_Left);
    EXPECT_EQ(strip.FocusButton(), 0) << "the first button stays";
    strip.SetButtonDisable(1, 1, true, 1);
    Key(Qt::Key_Right);
    EXPECT_EQ(strip.FocusButton(), 2) << "a disabled button is passed over";
    Key(Qt::Key_Right);
    EXPECT_EQ(strip.FocusButton(), 2);
    Key(Qt::Key_Space);
    Key(Qt::Key_Left);
    Key(Qt::Key_Return);
    Key(Qt::Key_Enter);
    ASSERT_EQ(clicked.count(), 3);
    EXPECT_EQ(clicked.at(0).at(0).toInt(), 2);
    EXPECT_EQ(clicked.at(1).at(0).toInt(), 0);
    EXPECT_EQ(down.count(), 3);
}

TEST_F(ButtonKeysTest, APressIsClickedOnReleaseAndNotAfterLosingFocus) {
    QSignalSpy clicked(&strip, &UC_Buttons::ButtonClicked);
    QTest::keyPress(&strip, Qt::Key_Space);
    EXPECT_EQ(clicked.count(), 0);
    QTest::keyRelease(&strip, Qt::Key_Space);
    EXPECT_EQ(clicked.count(), 1);

    QTest::keyPress(&strip, Qt::Key_Space);
    Focus(nullptr);
    QTest::keyRelease(&strip, Qt::Key_Space);
    EXPECT_EQ(clicked.count(), 1);

    // A focused button that became disabled is not pressed; the strip moves on when focused again.
    strip.SetButtonDisable(0, 1, true, 0);
    Focus(&strip);
    EXPECT_EQ(strip.FocusButton(), 1);
    strip.SetButtonDisableAll(1, 1);
    Key(Qt::Key_Space);
    EXPECT_EQ(clicked.count(), 1);
}

TEST_F(ButtonKeysTest, FocusMarkIsOnTheFocusedButtonOnly) {
    auto buttonPicture = [this](int i) {
        return strip.Canvas().Image().copy(strip.ButtonLeft(i), 0, strip.ButtonWidth(),
                                           strip.ButtonHeight());
    };
    const QImage focused = buttonPicture(0);
    const QImage other = buttonPicture(1);
    Focus(nullptr);
    EXPECT_NE(buttonPicture(0), focused);
    EXPECT_EQ(buttonPicture(1), other);
    const QImage plain = buttonPicture(0);
    Focus(&strip);
    Key(Qt::Key_Right);
    EXPECT_EQ(buttonPicture(0), plain);
    EXPECT_NE(buttonPicture(1), other);
    EXPECT_EQ(strip.focusPolicy(), Qt::TabFocus) << "a click leaves the focus where it was";
}

TEST_F(ButtonKeysTest, EachButtonKeepsItsOwnTooltip) {
    strip.SetButtonToolTip(2, "Start: 2 files");
    EXPECT_EQ(strip.ButtonToolTip(2).toStdString(), "Start: 2 files");
    EXPECT_TRUE(strip.ButtonToolTip(0).isEmpty());
    EXPECT_TRUE(strip.ButtonToolTip(7).isEmpty());
}

// ---- value display and drawing helpers ---------------------------------------------

TEST_F(KeyboardTest, DisabledValueDisplayLooksWashedOut) {
    UC_TextPicture display(&host);
    display.setGeometry(0, 0, 45, 20);
    display.AddStdColorSet(1);
    display.AddTextSpace();
    display.Init();
    display.DispMes(0, "-45db");
    const QImage plain = Picture(display.Canvas());
    const int darkest = Darkest(display.Canvas());
    display.setEnabled(false);
    EXPECT_GT(Darkest(display.Canvas()), darkest + 40);
    display.setEnabled(true);
    EXPECT_EQ(Picture(display.Canvas()), plain);
}

TEST(DrawHelpersStatesTest, FocusMarkIsADottedOutlineAndFadeMixes) {
    TestApp();
    Surface s(7, 5);
    s.SetBackColor(0xFFFFFF);
    s.Clear();
    DrawFocusMark(s, QRect(0, 0, 7, 5), 0x000000);
    int dots = 0;
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) {
            const bool edge = x == 0 || y == 0 || x == 6 || y == 4;
            const bool dark = s.Pixel(x, y) == 0x000000;
            if (!edge) {
                EXPECT_FALSE(dark) << x << "," << y;
            }
            dots += dark ? 1 : 0;
        }
    EXPECT_EQ(dots, 10) << "every other pixel of the 20-pixel outline";
    EXPECT_NE(s.Pixel(0, 0), s.Pixel(1, 0));
    DrawFocusMark(s, QRect(5, 3, 10, 10), 0x000000); // clipped, no crash

    Surface f(2, 1);
    f.SetPixel(0, 0, 0x000000);
    f.SetPixel(1, 0, 0xFFFFFF);
    FadeSurface(f, 0xFFFFFF, 0.0);
    EXPECT_EQ(f.Pixel(0, 0), 0x000000u);
    FadeSurface(f, 0x808080, 0.5);
    EXPECT_EQ(SplitColor(f.Pixel(0, 0)).Red, 64);
    EXPECT_EQ(SplitColor(f.Pixel(1, 0)).Red, 192);
    FadeSurface(f, 0x204060, 1.0);
    EXPECT_EQ(f.Pixel(1, 0), 0x204060u);
}

} // namespace
