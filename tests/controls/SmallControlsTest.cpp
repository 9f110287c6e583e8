#include "ControlsTestSupport.h"

#include "controls/UC_Bar.h"
#include "controls/UC_Buttons.h"
#include "controls/UC_Check.h"
#include "controls/UC_PathText.h"
#include "controls/UC_Slider.h"
#include "controls/UC_TextPicture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <string>

namespace {

// ---- UC_Bar ----------------------------------------------------------------------

class BarTest : public ControlTest {
  protected:
    // Bar length 3000 twips: the control is 3060 twips (204 px) wide.
    void SetUp() override {
        bar.setGeometry(0, 0, 204, 19);
        bar.Init();
        ASSERT_EQ(bar.BarLength(), 3000);
    }
    UC_Bar bar;
};

TEST_F(BarTest, ValueSetsTheFillEnd) {
    bar.SetValue(500);
    EXPECT_EQ(bar.FillEnd(), 1500 + 30);
    bar.SetValue(5000);
    EXPECT_EQ(bar.Value(), 1000);
    EXPECT_EQ(bar.FillEnd(), 3030);
    bar.SetValue(-3);
    EXPECT_EQ(bar.Value(), 0);
    EXPECT_EQ(bar.FillEnd(), 0);
}

TEST_F(BarTest, ClicksMapThePointerToTheValue) {
    QSignalSpy updown(&bar, &UC_Bar::MouseUD);
    QSignalSpy scrolled(&bar, &UC_Bar::Scrolled);
    Press(bar, {2, 5});
    EXPECT_EQ(bar.Value(), 0);
    EXPECT_EQ(bar.Clicked(), -1);
    MoveHeld(bar, {102, 5}); // 1500 twips along the bar
    EXPECT_EQ(bar.Value(), 500);
    MoveHeld(bar, {102, 5});
    EXPECT_EQ(scrolled.count(), 1);
    MoveHeld(bar, {400, 5});
    EXPECT_EQ(bar.Value(), 1000);
    Release(bar, {400, 5});
    EXPECT_EQ(bar.Value(), 1000);
    EXPECT_EQ(bar.Clicked(), 0);
    ASSERT_EQ(updown.count(), 2);
    EXPECT_TRUE(updown.at(0).at(0).toBool());
    EXPECT_FALSE(updown.at(1).at(0).toBool());
}

TEST_F(BarTest, WritesAreIgnoredWhileHeld) {
    Press(bar, {52, 5});
    const int held = bar.Value();
    bar.SetValue(900);
    EXPECT_EQ(bar.Value(), held);
    Release(bar, {52, 5});
    bar.SetValue(900);
    EXPECT_EQ(bar.Value(), 900);
}

TEST_F(BarTest, LockedIgnoresTheMouseAndOtherButtonsReportRight) {
    QSignalSpy right(&bar, &UC_Bar::RightClicked);
    bar.SetLocked(1);
    Press(bar, {102, 5});
    Release(bar, {102, 5});
    EXPECT_EQ(bar.Value(), 0);
    bar.SetLocked(0);
    Press(bar, {102, 5}, Qt::RightButton);
    Release(bar, {102, 5}, Qt::RightButton);
    EXPECT_EQ(bar.Value(), 0);
    ASSERT_EQ(right.count(), 2);
    EXPECT_FALSE(right.at(1).at(0).toBool());
}

TEST_F(BarTest, IdleOwnerKeepsTheBarFromBeingDragged) {
    QSignalSpy updown(&bar, &UC_Bar::MouseUD);
    QSignalSpy scrolled(&bar, &UC_Bar::Scrolled);
    QSignalSpy right(&bar, &UC_Bar::RightClicked);
    const QImage empty = bar.Canvas().Image().copy();
    bar.SetIdle(1);
    Press(bar, {102, 5});
    MoveHeld(bar, {150, 5});
    Release(bar, {150, 5});
    EXPECT_EQ(bar.Value(), 0);
    EXPECT_EQ(bar.FillEnd(), 0);
    EXPECT_EQ(bar.Canvas().Image(), empty);
    EXPECT_EQ(bar.Clicked(), 0);
    EXPECT_EQ(updown.count(), 0);
    EXPECT_EQ(scrolled.count(), 0);
    Press(bar, {102, 5}, Qt::RightButton);
    Release(bar, {102, 5}, Qt::RightButton);
    EXPECT_EQ(right.count(), 2);

    // The owner still sets the value; a run going lets the bar be dragged again.
    bar.SetValue(300);
    EXPECT_EQ(bar.Value(), 300);
    bar.SetIdle(0);
    Press(bar, {102, 5});
    Release(bar, {102, 5});
    EXPECT_EQ(bar.Value(), 500);
    EXPECT_EQ(updown.count(), 2);
}

TEST_F(BarTest, OwnerStoppingADragFreesTheValue) {
    // Idle or locked while the left button is held: the hold ends, so the
    // ignored release cannot leave the bar deaf to SetValue.
    for (const bool lock : {false, true}) {
        QSignalSpy updown(&bar, &UC_Bar::MouseUD);
        Press(bar, {52, 5});
        ASSERT_EQ(bar.Clicked(), -1);
        lock ? bar.SetLocked(1) : bar.SetIdle(1);
        EXPECT_EQ(bar.Clicked(), 0);
        ASSERT_EQ(updown.count(), 2);
        EXPECT_FALSE(updown.at(1).at(0).toBool());
        MoveHeld(bar, {150, 5});
        Release(bar, {150, 5});
        bar.SetValue(900);
        EXPECT_EQ(bar.Value(), 900) << (lock ? "locked" : "idle");
        EXPECT_EQ(updown.count(), 2);
        bar.SetLocked(0);
        bar.SetIdle(0);
        bar.SetValue(0);
    }
}

TEST_F(BarTest, ZeroMaxDoesNotDivide) {
    bar.SetMax(0);
    bar.SetValue(10);
    EXPECT_EQ(bar.Value(), 0);
    Press(bar, {102, 5});
    Release(bar, {102, 5});
    EXPECT_EQ(bar.Value(), 0);
}

TEST_F(BarTest, FillShowsTheFilledLookUpToItsEnd) {
    bar.SetValue(500);
    const Surface& c = bar.Canvas();
    const Color filled = c.Pixel(50, 9);
    const Color empty = c.Pixel(150, 9);
    EXPECT_NE(filled, empty);
    bar.SetValue(0);
    EXPECT_NE(bar.Canvas().Pixel(50, 9), filled);
}

// ---- UC_Check --------------------------------------------------------------------

class CheckTest : public ControlTest {
  protected:
    UC_Check check;
};

TEST_F(CheckTest, CheckBoxToggles) {
    check.resize(80, 20);
    check.SetCaption("Trim Level");
    QSignalSpy click(&check, &UC_Check::Click);
    Release(check, {5, 5});
    EXPECT_EQ(check.Value(), 1);
    Release(check, {5, 5});
    EXPECT_EQ(check.Value(), 0);
    EXPECT_EQ(click.count(), 2);
}

TEST_F(CheckTest, CheckedOptionStaysCheckedAndStillClicks) {
    check.SetIsOption(1);
    check.SetCaption("Peak");
    check.SetValue(1);
    QSignalSpy click(&check, &UC_Check::Click);
    Release(check, {5, 5});
    EXPECT_EQ(check.Value(), 1);
    EXPECT_EQ(click.count(), 1);
}

TEST_F(CheckTest, DisabledTakesNoClicks) {
    check.SetCaption("RMS(Calc)");
    check.SetEnabled(0);
    QSignalSpy click(&check, &UC_Check::Click);
    Release(check, {5, 5});
    EXPECT_EQ(check.Value(), 0);
    EXPECT_EQ(click.count(), 0);
}

TEST_F(CheckTest, SizesItselfToTheCaption) {
    check.resize(10, 19); // 285 twips high
    check.SetCaption("");
    EXPECT_EQ(check.width(), (240 + 60 + 240) / 15);
    EXPECT_EQ(check.BoxTop(), (285 - 240) / 30);
    check.SetCaption("OverWrite");
    EXPECT_GT(check.width(), 36);

    UC_Check fresh; // measured before anything was drawn
    fresh.SetCaption("OverWrite");
    EXPECT_EQ(fresh.width(), check.width());
    check.resize(10, 5);
    check.SetCaption("x");
    EXPECT_EQ(check.height(), 16) << "at least the box's height";
}

TEST_F(CheckTest, SharesTheBoxImageAndCopiesItsBackground) {
    check.SetCaption("a");
    UC_Check other;
    other.SetGradhdc(check.Gradhdc());
    other.SetGradhdc(nullptr);
    EXPECT_EQ(other.Gradhdc(), check.Gradhdc());

    Surface background(400, 100);
    background.FillBox(0, 0, 400, 100, 0x3366CC);
    other.resize(60, 20);
    other.SetBGPic(150, 150, &background);
    other.SetCaption("b");
    EXPECT_EQ(other.Canvas().Pixel(other.width() - 1, 0), 0x3366CCu);
    other.CloseBGObj();
    other.Draw();
    EXPECT_NE(other.Canvas().Pixel(other.width() - 1, 0), 0x3366CCu);
}

// ---- UC_PathText -------------------------------------------------------------------

class PathTextTest : public ControlTest {
  protected:
    void SetUp() override {
        path.resize(240, 18);
        path.Init();
        path.SetPickers(
            [this](const std::string& start, const std::string& title, QWidget*) {
                lastStart = start;
                lastTitle = title;
                ++calls;
                return answer;
            },
            [this](QWidget*, int32_t isSave, const std::string& filter, const std::string& dir,
                   const std::string& name, int32_t flags) {
                lastSave = isSave;
                lastFilter = filter;
                lastStart = dir;
                lastName = name;
                lastFlags = flags;
                ++calls;
                return answer;
            });
    }
    void ClickButton() {
        const QPoint at = path.ButtonArea().center();
        Press(path, at);
        Release(path, at);
    }

    UC_PathText path;
    std::string answer, lastStart, lastTitle, lastFilter, lastName;
    int32_t lastSave = -9, lastFlags = 0;
    int calls = 0;
};

TEST_F(PathTextTest, ExtensionIsStoredWithoutItsDot) {
    path.SetExt(".WAV");
    EXPECT_EQ(path.Ext(), "WAV");
}

TEST_F(PathTextTest, FolderPickerStartsInTheTextsFolder) {
    path.SetText("/data/in/take.wav");
    answer = "/data/out/";
    QSignalSpy clicked(&path, &UC_PathText::SelectButtonClicked);
    ClickButton();
    EXPECT_EQ(lastStart, "/data/in");
    EXPECT_EQ(lastTitle, "");
    EXPECT_EQ(path.Text(), "/data/out/");
    EXPECT_EQ(clicked.count(), 1);

    path.SetInitDir("/srv");
    ClickButton();
    EXPECT_EQ(lastStart, "/srv");
}

TEST_F(PathTextTest, CancelledPickerKeepsTheTextAndRaisesNothing) {
    path.SetText("/keep/me/");
    QSignalSpy clicked(&path, &UC_PathText::SelectButtonClicked);
    QSignalSpy changed(&path, &UC_PathText::TextChange);
    answer = "";
    ClickButton();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(path.Text(), "/keep/me/");
    EXPECT_EQ(clicked.count(), 0);
    EXPECT_EQ(changed.count(), 0);
}

TEST_F(PathTextTest, SavePickerAddsTheExtension) {
    path.SetUsage(2);
    path.SetExt("wav");
    path.SetText("/out/take");
    answer = "/out/take.mp3";
    path.SelectButtonClick();
    EXPECT_EQ(lastSave, 1);
    EXPECT_EQ(lastFlags, -1);
    EXPECT_EQ(lastName, "/out/take");
    EXPECT_EQ(lastFilter, "wavファイル|*.wav");
    EXPECT_EQ(path.Text(), "/out/take.mp3.wav");

    answer = "/out/Take.WAV"; // already ends in it, in another case
    path.SelectButtonClick();
    EXPECT_EQ(path.Text(), "/out/Take.WAV");

    path.SetUsage(1);
    path.SetFilter("All|*.*");
    path.SelectButtonClick();
    EXPECT_EQ(lastSave, 0);
    EXPECT_EQ(lastFilter, "All|*.*");
}

TEST_F(PathTextTest, NoPickerUsageRaisesAtOnce) {
    path.SetUsage(-1);
    QSignalSpy clicked(&path, &UC_PathText::SelectButtonClicked);
    ClickButton();
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(clicked.count(), 1);
}

TEST_F(PathTextTest, DisabledLocksTextAndButton) {
    path.SetEnabled(0);
    EXPECT_TRUE(path.TextBox()->isReadOnly());
    ClickButton();
    EXPECT_EQ(calls, 0);
    path.SetEnabled(-1);
    EXPECT_FALSE(path.TextBox()->isReadOnly());
    path.SetButtonDisabled(1);
    ClickButton();
    EXPECT_EQ(calls, 0);
    path.SetTextDisabled(1);
    EXPECT_TRUE(path.TextBox()->isReadOnly());
}

TEST_F(PathTextTest, F4OrAltDownInTheTextOpensThePickerUnlessTheButtonIsOff) {
    answer = "/data/out/";
    auto press = [this](int key, Qt::KeyboardModifiers mods) {
        QKeyEvent event(QEvent::KeyPress, key, mods);
        QApplication::sendEvent(path.TextBox(), &event);
    };
    press(Qt::Key_F4, Qt::NoModifier);
    EXPECT_EQ(calls, 1);
    press(Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(calls, 2);
    press(Qt::Key_Down, Qt::NoModifier); // a plain arrow stays the text box's
    EXPECT_EQ(calls, 2);
    path.SetButtonDisabled(1);
    press(Qt::Key_F4, Qt::NoModifier);
    EXPECT_EQ(calls, 2);
}

TEST_F(PathTextTest, TextEventsComeFromTheTextBox) {
    QSignalSpy changed(&path, &UC_PathText::TextChange);
    QSignalSpy dbl(&path, &UC_PathText::TextDblClicked);
    path.SetText("/a");
    EXPECT_EQ(changed.count(), 1);
    DoubleClick(*path.TextBox(), {5, 5});
    EXPECT_EQ(dbl.count(), 1);
}

// ---- UC_TextPicture ----------------------------------------------------------------

class TextPictureTest : public ControlTest {
  protected:
    UC_TextPicture tp;
};

TEST_F(TextPictureTest, DispMesRedrawsOnlyForNewText) {
    tp.resize(45, 20);
    tp.AddStdColorSet(1);
    tp.AddTextSpace();
    tp.Init();
    const QImage blank = tp.Canvas().Image().copy();
    tp.DispMes(0, "-45db", true); // stored, not drawn
    EXPECT_EQ(tp.TextMes(0), "-45db");
    EXPECT_EQ(tp.Canvas().Image(), blank);
    tp.DispMes(0, "-45db"); // the same text: no redraw
    EXPECT_EQ(tp.Canvas().Image(), blank);
    tp.DispMes(0, "-44db");
    EXPECT_NE(tp.Canvas().Image(), blank);
    EXPECT_EQ(tp.TextMes(3), "");
}

TEST_F(TextPictureTest, ColourSetsAndSchemes) {
    tp.resize(45, 20);
    tp.AddStdColorSet(1);
    tp.AddStdColorSet(9); // unknown: nothing added
    EXPECT_EQ(tp.NumColorSets(), 1);
    EXPECT_EQ(tp.DesignType(), 1);
    tp.SetColor(5, false); // no such set
    EXPECT_EQ(tp.CurrentColorSet(), 0);

    tp.ResetMe();
    EXPECT_EQ(tp.DesignType(), 0);
    tp.SetColor(3, false);
    EXPECT_EQ(tp.ForeColor(), 0xFFFFFFu);
    EXPECT_EQ(tp.BackColor(), 0x0000FFu);
    tp.SetColor(42, false);
    EXPECT_EQ(tp.BackColor(), 0x0000FFu);
}

TEST_F(TextPictureTest, VerticalCentringIsComputedWhenAdded) {
    tp.resize(45, 20); // 300 twips
    tp.AddTextSpace(9, false, false, QString(), -1, -1);
    const QPoint at = tp.TextSpacePosition(0);
    EXPECT_EQ(at.x(), -1);
    EXPECT_GT(at.y(), 0);
    EXPECT_LT(at.y(), 150);
    tp.AddTextSpace(9, false, false, QString(), 100, 40);
    EXPECT_EQ(tp.TextSpacePosition(1), QPoint(100, 40));
}

TEST_F(TextPictureTest, HitTestTakesTheLastSpaceBeforeThePoint) {
    tp.resize(200, 60);
    tp.AddTextSpace(9, false, false, QString(), 30, 30);
    tp.AddTextSpace(9, false, false, QString(), 600, 30);
    tp.AddTextSpace(9, false, false, QString(), 60, 450);
    tp.AddTextSpace(9, false, false, QString(), -1, 45);
    EXPECT_EQ(tp.HitTest(700, 100), 1);
    EXPECT_EQ(tp.HitTest(100, 100), 0);
    EXPECT_EQ(tp.HitTest(100, 500), 2);
    EXPECT_EQ(tp.HitTest(10, 10), 0);
}

TEST_F(TextPictureTest, MouseHighlightsClickableSpaces) {
    tp.resize(200, 60);
    tp.SetColor(4, false);
    tp.AddTextSpace(9, false, false, QString(), 30, 30);
    tp.AddTextSpace(9, false, false, QString(), 1500, 30);
    tp.DispMes(1, "Go", true);
    tp.SetUseClick(1, 1);
    tp.Init();
    const QImage normal = tp.Canvas().Image().copy();
    QSignalSpy updown(&tp, &UC_TextPicture::MouseUD);
    Press(tp, {150, 20});
    EXPECT_NE(tp.Canvas().Image(), normal) << "drawn highlighted";
    Release(tp, {150, 20});
    EXPECT_EQ(tp.Canvas().Image(), normal);
    ASSERT_EQ(updown.count(), 2);
    EXPECT_EQ(updown.at(0).at(2).toInt(), 1);
    EXPECT_TRUE(updown.at(0).at(1).toBool());

    tp.SetLocked(1);
    Press(tp, {150, 20});
    EXPECT_EQ(updown.count(), 2);
    tp.SetLocked(0);

    QSignalSpy dbl(&tp, &UC_TextPicture::DblClicked);
    DoubleClick(tp, {150, 20});
    EXPECT_EQ(dbl.count(), 0);
    EXPECT_EQ(updown.count(), 3) << "a double click counts as a press";
    tp.SetUseDblClick(1);
    DoubleClick(tp, {150, 20});
    EXPECT_EQ(dbl.count(), 1);
}

} // namespace

namespace {

// Every control survives being laid out, drawn and clicked at a tiny size.
class TinySizesTest : public ControlTest {};

TEST_F(TinySizesTest, ControlsDrawAndTakeClicksAtOnePixel) {
    UC_Slider slider;
    slider.resize(1, 1);
    slider.Init();
    slider.SetPointerSize(0.5f);
    slider.SetValue(500);
    Press(slider, {0, 0});
    MoveHeld(slider, {5, 5});
    Release(slider, {0, 0});
    EXPECT_GE(slider.Value(), 0);

    UC_Buttons buttons;
    buttons.resize(3, 1);
    buttons.SetNumButtons(5);
    buttons.SetButtonCharNum();
    buttons.Init();
    EXPECT_EQ(buttons.ButtonWidth(), 1);
    Press(buttons, {0, 0});
    Release(buttons, {0, 0});

    UC_Bar bar;
    bar.resize(1, 1);
    bar.Init();
    bar.SetValue(500);
    Press(bar, {0, 0});
    Release(bar, {0, 0});
    EXPECT_EQ(bar.Value(), 0);

    UC_TextPicture tp;
    tp.resize(1, 1);
    tp.AddStdColorSet(0);
    tp.AddTextSpace();
    tp.Init(5, false);
    tp.DispMes(0, "long text");
    Press(tp, {0, 0});
    Release(tp, {0, 0});

    UC_PathText path;
    path.resize(1, 1);
    path.Init();
    path.SetText("/x");
    EXPECT_EQ(path.Text(), "/x");
}

} // namespace
