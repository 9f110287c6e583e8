// The panel and the button strip of the real window driven by the keyboard: the
// Tab order, keys on the focused control, the greyed groups and the tooltips.

#include "WindowFixture.h"

#include "controls/UC_Buttons.h"
#include "controls/UC_Check.h"
#include "controls/UC_ListView.h"
#include "controls/UC_PathText.h"
#include "controls/UC_Slider.h"
#include "controls/UC_TextPicture.h"
#include "services/store/Settings.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHelpEvent>
#include <QLineEdit>
#include <QTest>

#include <algorithm>
#include <filesystem>
#include <vector>

using namespace testwindow;
using testfiles::ToneWithSilence;
using testfiles::WriteWav16;
namespace fs = std::filesystem;

namespace {

void Key(app::FrmMain& window, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(window.windowHandle(), key, mods);
}

void Activate(app::FrmMain& window) {
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

// The widgets the focus visits from the Trim Level box on, by repeated Tab (or
// Shift+Tab), until it comes back to the box.
std::vector<QWidget*> TabCycle(app::FrmMain& window, bool backwards = false) {
    window.CheckParm(0)->setFocus(Qt::TabFocusReason);
    std::vector<QWidget*> visited{QApplication::focusWidget()};
    for (int i = 0; i < 40; ++i) {
        Key(window, Qt::Key_Tab, backwards ? Qt::ShiftModifier : Qt::NoModifier);
        QWidget* now = QApplication::focusWidget();
        if (now == visited.front()) break;
        visited.push_back(now);
    }
    return visited;
}

// The controls in the order the window reads: the trim group, the normalize group
// with its option boxes and the RMS fields beside the last one, Clip, the level
// adjustment, the list, and the output row with the buttons.
std::vector<QWidget*> ReadingOrder(app::FrmMain& w, bool withRmsFields, bool withCeiling = false) {
    std::vector<QWidget*> order = {w.CheckParm(0),     w.SliderParm(0),    w.SliderParm(1),
                                   w.TextParm(0),      w.TextParm(1),      w.CheckParm(1),
                                   w.SliderParm(2),    w.CheckNormMode(0), w.CheckNormMode(1),
                                   w.CheckNormMode(2), w.CheckNormMode(3)};
    if (withRmsFields) order.insert(order.end(), {w.TextParm(2), w.TextParm(3)});
    order.push_back(w.CheckNormMode(4));
    if (withCeiling) order.push_back(w.TextCeiling());
    order.insert(order.end(),
                 {w.CheckClip(), w.CheckParm(2), w.SliderParm(3), w.LV(), w.CheckOW(),
                  w.TextSoundPath()->TextBox(), w.TextSoundPath()->PickerButton(), w.CtrButtons()});
    return order;
}

std::string Shown(app::FrmMain& w, int slider) {
    return w.TextValue(slider)->TextMes(0).toStdString();
}

std::string Tip(QWidget* w) {
    return w->toolTip().toStdString();
}

// Asks for a widget's tooltip the way the pointer resting on it does.
void HoverFor(QWidget* w) {
    QHelpEvent help(QEvent::ToolTip, w->rect().center(), w->mapToGlobal(w->rect().center()));
    QApplication::sendEvent(w, &help);
}

} // namespace

TEST_F(WindowTest, TabVisitsEveryEnabledControlInReadingOrderBothWays) {
    auto w = OpenWindow();
    Activate(*w);
    EXPECT_EQ(TabCycle(*w), ReadingOrder(*w, false)) << "the RMS fields are off with Peak chosen";

    // Choosing RMS(Calc) by the keyboard brings its fields into the order.
    w->CheckNormMode(3)->setFocus(Qt::TabFocusReason);
    Key(*w, Qt::Key_Space);
    ASSERT_EQ(w->CheckNormMode(3)->Value(), 1);
    const std::vector<QWidget*> full = ReadingOrder(*w, true);
    EXPECT_EQ(TabCycle(*w), full);
    std::vector<QWidget*> backwards = TabCycle(*w, true);
    ASSERT_EQ(backwards.size(), full.size());
    std::reverse(backwards.begin() + 1, backwards.end());
    EXPECT_EQ(backwards, full);

    // Loudness brings its ceiling field in and takes the RMS fields out.
    w->CheckNormMode(4)->setFocus(Qt::TabFocusReason);
    Key(*w, Qt::Key_Space);
    ASSERT_EQ(w->CheckNormMode(4)->Value(), 1);
    EXPECT_EQ(TabCycle(*w), ReadingOrder(*w, false, true));
    w->CheckNormMode(3)->setFocus(Qt::TabFocusReason);
    Key(*w, Qt::Key_Space);

    // Trim Level off takes its sliders and margins out.
    w->CheckParm(0)->setFocus(Qt::TabFocusReason);
    Key(*w, Qt::Key_Space);
    std::vector<QWidget*> rest = full;
    std::erase_if(rest, [&](QWidget* c) {
        return c == w->SliderParm(0) || c == w->SliderParm(1) || c == w->TextParm(0) ||
               c == w->TextParm(1);
    });
    EXPECT_EQ(TabCycle(*w), rest);

    // OverWrite on disables Output To: Tab passes it by and the keys cannot change it.
    w->CheckOW()->setFocus(Qt::TabFocusReason);
    Key(*w, Qt::Key_Space);
    w->TextSoundPath()->SetText("/kept");
    Key(*w, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), w->CtrButtons());
    Key(*w, Qt::Key_Backspace);
    Key(*w, Qt::Key_X);
    EXPECT_EQ(w->TextSoundPath()->Text().toStdString(), "/kept");
    CloseWindow(w);
}

TEST_F(WindowTest, KeysOnTheFocusedControlsDriveThePanelLikeTheMouse) {
    auto w = OpenWindow();
    Activate(*w);
    // Trim Level box, then Tab to the Start slider.
    w->CheckParm(0)->setFocus(Qt::TabFocusReason);
    Key(*w, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), w->SliderParm(0));
    Key(*w, Qt::Key_Right);
    EXPECT_EQ(w->SliderParm(0)->Value(), -44);
    EXPECT_EQ(Shown(*w, 0), "-44db");
    Key(*w, Qt::Key_PageDown);
    EXPECT_EQ(Shown(*w, 0), "-50db");
    Key(*w, Qt::Key_Home);
    EXPECT_EQ(Shown(*w, 0), "-60db");

    w->SliderParm(3)->setFocus(Qt::TabFocusReason);
    Key(*w, Qt::Key_End);
    EXPECT_EQ(Shown(*w, 3), "20db");

    // Normalize off by Space: its options and slider go grey; on again brings them back.
    w->CheckParm(1)->setFocus(Qt::TabFocusReason);
    Key(*w, Qt::Key_Space);
    EXPECT_EQ(w->CheckParm(1)->Value(), 0);
    EXPECT_EQ(w->CheckNormMode(2)->Enabled(), 0);
    EXPECT_FALSE(w->SliderParm(2)->isEnabled());
    Key(*w, Qt::Key_Space);
    EXPECT_TRUE(w->SliderParm(2)->isEnabled());

    // The option boxes stay exclusive when chosen by Space.
    w->CheckNormMode(1)->setFocus(Qt::TabFocusReason);
    Key(*w, Qt::Key_Space);
    Key(*w, Qt::Key_Tab);
    Key(*w, Qt::Key_Space);
    EXPECT_EQ(w->CheckNormMode(0)->Value(), 0);
    EXPECT_EQ(w->CheckNormMode(1)->Value(), 0);
    EXPECT_EQ(w->CheckNormMode(2)->Value(), 1);

    // Clip by Space; everything set by the keys is stored at closing.
    w->CheckClip()->setFocus(Qt::TabFocusReason);
    Key(*w, Qt::Key_Space);
    CloseWindow(w);
    EXPECT_EQ(ReadSetting("TrimLevelIn", 0), "-60");
    EXPECT_EQ(ReadSetting("LevelAdjust", 0), "20");
    EXPECT_EQ(ReadSetting("NormMode", 0), "2");
    EXPECT_EQ(ReadSetting("Clip", 0), "1");
}

TEST_F(WindowTest, TheButtonStripTakesTabAndPressesTheFocusedButton) {
    std::string a = folderIn + "/a.wav";
    WriteWav16(a, ToneWithSilence(200, 1000, 8000));
    auto w = OpenWindowOutputting({a, a});
    Activate(*w);
    UC_Buttons* strip = w->CtrButtons();
    w->TextSoundPath()->PickerButton()->setFocus(Qt::TabFocusReason);
    Key(*w, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), strip);

    // Start, picked first, by Enter: the run writes both files.
    ASSERT_EQ(strip->FocusButton(), 2);
    Key(*w, Qt::Key_Return);
    EXPECT_TRUE(fs::exists(folderOut + "/a.wav"));
    EXPECT_TRUE(fs::exists(folderOut + "/a01.wav"));
    EXPECT_EQ(w->LV()->ItemCount(), 2);

    // Clear by Space; Left passes over Abort, which does nothing while idle.
    if (QApplication::focusWidget() != strip) strip->setFocus(Qt::TabFocusReason);
    Key(*w, Qt::Key_Left);
    ASSERT_EQ(strip->FocusButton(), 0);
    Key(*w, Qt::Key_Space);
    EXPECT_EQ(w->LV()->ItemCount(), 0);
    CloseWindow(w);
}

TEST_F(WindowTest, ASwitchedOffGroupGreysItsSlidersAndTheyTakeNoInput) {
    auto w = OpenWindow();
    ClickCentre(w->CheckParm(0)); // Trim Level off
    for (int i : {0, 1}) {
        EXPECT_FALSE(w->SliderParm(i)->isEnabled());
        EXPECT_FALSE(w->TextValue(i)->isEnabled());
        EXPECT_FALSE(w->TextParm(i)->isEnabled()) << "the margins only act with trimming";
    }
    UC_Slider* start = w->SliderParm(0);
    Click(start, QPoint(start->TrackBox().left() + 1, start->TrackBox().center().y()));
    EXPECT_EQ(start->Value(), -45);
    EXPECT_EQ(Shown(*w, 0), "-45db");
    EXPECT_TRUE(w->SliderParm(2)->isEnabled());

    ClickCentre(w->CheckParm(2)); // Level Adjust off
    EXPECT_FALSE(w->SliderParm(3)->isEnabled());
    EXPECT_FALSE(w->TextValue(3)->isEnabled());
    ClickCentre(w->CheckParm(1)); // Normalize off
    EXPECT_FALSE(w->SliderParm(2)->isEnabled());
    EXPECT_FALSE(w->TextValue(2)->isEnabled());
    EXPECT_TRUE(w->CheckClip()->isEnabled()) << "Clip also limits the level adjustment";
    CloseWindow(w);

    // The next start shows the stored boxes' groups grey from the beginning.
    w = OpenWindow();
    EXPECT_FALSE(w->SliderParm(0)->isEnabled());
    EXPECT_FALSE(w->TextValue(3)->isEnabled());
    ClickCentre(w->CheckParm(0));
    EXPECT_TRUE(w->SliderParm(0)->isEnabled());
    EXPECT_TRUE(w->TextValue(0)->isEnabled());
    EXPECT_TRUE(w->TextParm(1)->isEnabled());
    CloseWindow(w);
}

TEST_F(WindowTest, EveryControlHasATooltipWithItsCurrentValue) {
    std::string a = folderIn + "/a.wav";
    WriteWav16(a, ToneWithSilence(0, 100, 8000));
    auto w = OpenWindowOutputting({a, a});
    Activate(*w);
    for (QWidget* control : ReadingOrder(*w, true))
        EXPECT_FALSE(control->toolTip().isEmpty()) << control->metaObject()->className();
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Tip(w->TextValue(i)), Tip(w->SliderParm(i)));
    EXPECT_EQ(Tip(w->SliderParm(0)),
              "Start threshold: -45 dB \u2014 silence below this level is trimmed from the start");

    w->SliderParm(0)->setFocus(Qt::TabFocusReason);
    Key(*w, Qt::Key_Right);
    EXPECT_EQ(Tip(w->SliderParm(0)),
              "Start threshold: -44 dB \u2014 silence below this level is trimmed from the start");
    w->SliderParm(3)->setFocus(Qt::TabFocusReason);
    Key(*w, Qt::Key_Right);
    EXPECT_NE(Tip(w->SliderParm(3)).find("+1 dB"), std::string::npos);

    EXPECT_NE(Tip(w->CheckParm(1)).find("Normalize: on"), std::string::npos);
    EXPECT_NE(Tip(w->CheckNormMode(0)).find("Peak: chosen"), std::string::npos);
    ClickCentre(w->CheckParm(1));
    EXPECT_NE(Tip(w->CheckParm(1)).find("Normalize: off"), std::string::npos);
    EXPECT_NE(Tip(w->SliderParm(2)).find("(off while \"Normalize\" is off)"), std::string::npos);

    w->TextParm(0)->setText("120");
    EXPECT_NE(Tip(w->TextParm(0)).find("Start Margin: 120 ms"), std::string::npos);
    EXPECT_NE(Tip(w->TextSoundPath()->TextBox()).find(folderOut), std::string::npos);
    ClickCentre(w->CheckOW());
    EXPECT_NE(Tip(w->TextSoundPath()->TextBox()).find("not used"), std::string::npos);

    // The file count is read when the tooltip is asked for.
    HoverFor(w->LV());
    EXPECT_NE(Tip(w->LV()).find("Files: 2 files"), std::string::npos);
    EXPECT_NE(w->CtrButtons()->ButtonToolTip(2).toStdString().find("Start: 2 files"),
              std::string::npos);
    w->LV()->setFocus(Qt::TabFocusReason);
    Key(*w, Qt::Key_A, Qt::ControlModifier);
    Key(*w, Qt::Key_Delete);
    HoverFor(w->CtrButtons());
    EXPECT_NE(w->CtrButtons()->ButtonToolTip(0).toStdString().find("Clear: 0 files"),
              std::string::npos);
    CloseWindow(w);
}
