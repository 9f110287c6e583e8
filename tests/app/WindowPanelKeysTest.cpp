// The panel and the button strip of the real window driven by the keyboard: the
// Tab order, keys on the focused control, the greyed groups and the tooltips.

#include "WindowFixture.h"
#include "app/OriginalsButton.h"

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
    window.Panel()->UseBoxOf(panel::UseBox::Trim)->setFocus(Qt::TabFocusReason);
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
// with its option boxes and the RMS fields beside the last one, Clip, As one, the level
// adjustment, the list, the play buttons under it, and the output row with the buttons.
std::vector<QWidget*> ReadingOrder(app::FrmMain& w, bool withRmsFields, bool withCeiling = false) {
    using panel::Slider, panel::TextField, panel::UseBox;
    const app::ParamPanel& p = *w.Panel();
    std::vector<QWidget*> order = {
        p.UseBoxOf(UseBox::Trim),        p.SliderOf(Slider::TrimIn),
        p.SliderOf(Slider::TrimOut),     p.FieldOf(TextField::StartMargin),
        p.FieldOf(TextField::EndMargin), p.UseBoxOf(UseBox::Normalize),
        p.SliderOf(Slider::NormLevel),   p.ModeBoxOf(NormMode::Peak),
        p.ModeBoxOf(NormMode::RmsMax),   p.ModeBoxOf(NormMode::RmsAverage),
        p.ModeBoxOf(NormMode::RmsCalc)};
    if (withRmsFields)
        order.insert(order.end(),
                     {p.FieldOf(TextField::RmsWindow), p.FieldOf(TextField::RmsThreshold)});
    order.push_back(p.ModeBoxOf(NormMode::Loudness));
    if (withCeiling) order.push_back(p.FieldOf(TextField::Ceiling));
    order.insert(order.end(), {p.ClipBox(), p.AlbumBox(), p.UseBoxOf(UseBox::Adjust),
                               p.SliderOf(Slider::Adjust), w.LV()});
    const std::vector<QWidget*> play = w.Pane()->TabOrder();
    order.insert(order.end(), play.begin(), play.end() - 1); // Stop is grey: nothing plays
    order.insert(order.end(), {p.OverWriteBox(), p.OutputTo()->TextBox(),
                               p.OutputTo()->PickerButton(), w.CtrButtons()});
    return order;
}

std::string Shown(app::FrmMain& w, int slider) {
    return w.Panel()->ValueOf(panel::Slider(slider))->TextMes(0).toStdString();
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
    w->Panel()->ModeBoxOf(NormMode::RmsCalc)->setFocus(Qt::TabFocusReason);
    Key(*w, Qt::Key_Space);
    ASSERT_EQ(w->Panel()->ModeBoxOf(NormMode::RmsCalc)->Value(), 1);
    const std::vector<QWidget*> full = ReadingOrder(*w, true);
    EXPECT_EQ(TabCycle(*w), full);
    std::vector<QWidget*> backwards = TabCycle(*w, true);
    ASSERT_EQ(backwards.size(), full.size());
    std::reverse(backwards.begin() + 1, backwards.end());
    EXPECT_EQ(backwards, full);

    // Loudness brings its ceiling field in and takes the RMS fields out.
    w->Panel()->ModeBoxOf(NormMode::Loudness)->setFocus(Qt::TabFocusReason);
    Key(*w, Qt::Key_Space);
    ASSERT_EQ(w->Panel()->ModeBoxOf(NormMode::Loudness)->Value(), 1);
    EXPECT_EQ(TabCycle(*w), ReadingOrder(*w, false, true));
    w->Panel()->ModeBoxOf(NormMode::RmsCalc)->setFocus(Qt::TabFocusReason);
    Key(*w, Qt::Key_Space);

    // Trim Level off takes its sliders and margins out.
    w->Panel()->UseBoxOf(panel::UseBox::Trim)->setFocus(Qt::TabFocusReason);
    Key(*w, Qt::Key_Space);
    std::vector<QWidget*> rest = full;
    std::erase_if(rest, [&](QWidget* c) {
        return c == w->Panel()->SliderOf(panel::Slider::TrimIn) ||
               c == w->Panel()->SliderOf(panel::Slider::TrimOut) ||
               c == w->Panel()->FieldOf(panel::TextField::StartMargin) ||
               c == w->Panel()->FieldOf(panel::TextField::EndMargin);
    });
    EXPECT_EQ(TabCycle(*w), rest);

    // OverWrite on disables Output To: Tab passes it by and the keys cannot change it. It
    // enables the choice of what becomes of the originals, which Tab visits instead.
    w->Panel()->OverWriteBox()->setFocus(Qt::TabFocusReason);
    Key(*w, Qt::Key_Space);
    w->Panel()->OutputTo()->SetText("/kept");
    Key(*w, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), w->Originals());
    Key(*w, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), w->CtrButtons());
    Key(*w, Qt::Key_Backspace);
    Key(*w, Qt::Key_X);
    EXPECT_EQ(w->Panel()->OutputTo()->Text().toStdString(), "/kept");
    CloseWindow(w);
}

TEST_F(WindowTest, KeysOnTheFocusedControlsDriveThePanelLikeTheMouse) {
    auto w = OpenWindow();
    Activate(*w);
    // Trim Level box, then Tab to the Start slider.
    w->Panel()->UseBoxOf(panel::UseBox::Trim)->setFocus(Qt::TabFocusReason);
    Key(*w, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), w->Panel()->SliderOf(panel::Slider::TrimIn));
    Key(*w, Qt::Key_Right);
    EXPECT_EQ(w->Panel()->SliderOf(panel::Slider::TrimIn)->Value(), -44);
    EXPECT_EQ(Shown(*w, 0), "-44db");
    Key(*w, Qt::Key_PageDown);
    EXPECT_EQ(Shown(*w, 0), "-50db");
    Key(*w, Qt::Key_Home);
    EXPECT_EQ(Shown(*w, 0), "-60db");

    w->Panel()->SliderOf(panel::Slider::Adjust)->setFocus(Qt::TabFocusReason);
    Key(*w, Qt::Key_End);
    EXPECT_EQ(Shown(*w, 3), "20db");

    // Normalize off by Space: its options and slider go grey; on again brings them back.
    w->Panel()->UseBoxOf(panel::UseBox::Normalize)->setFocus(Qt::TabFocusReason);
    Key(*w, Qt::Key_Space);
    EXPECT_EQ(w->Panel()->UseBoxOf(panel::UseBox::Normalize)->Value(), 0);
    EXPECT_EQ(w->Panel()->ModeBoxOf(NormMode::RmsAverage)->Enabled(), 0);
    EXPECT_FALSE(w->Panel()->SliderOf(panel::Slider::NormLevel)->isEnabled());
    Key(*w, Qt::Key_Space);
    EXPECT_TRUE(w->Panel()->SliderOf(panel::Slider::NormLevel)->isEnabled());

    // The option boxes stay exclusive when chosen by Space.
    w->Panel()->ModeBoxOf(NormMode::RmsMax)->setFocus(Qt::TabFocusReason);
    Key(*w, Qt::Key_Space);
    Key(*w, Qt::Key_Tab);
    Key(*w, Qt::Key_Space);
    EXPECT_EQ(w->Panel()->ModeBoxOf(NormMode::Peak)->Value(), 0);
    EXPECT_EQ(w->Panel()->ModeBoxOf(NormMode::RmsMax)->Value(), 0);
    EXPECT_EQ(w->Panel()->ModeBoxOf(NormMode::RmsAverage)->Value(), 1);

    // Clip and As one by Space; everything set by the keys is stored at closing.
    w->Panel()->ClipBox()->setFocus(Qt::TabFocusReason);
    Key(*w, Qt::Key_Space);
    Key(*w, Qt::Key_Tab);
    Key(*w, Qt::Key_Space);
    CloseWindow(w);
    EXPECT_EQ(ReadSetting("TrimLevelIn", 0), "-60");
    EXPECT_EQ(ReadSetting("LevelAdjust", 0), "20");
    EXPECT_EQ(ReadSetting("NormMode", 0), "2");
    EXPECT_EQ(ReadSetting("Clip", 0), "1");
    EXPECT_EQ(ReadSetting("Album", 0), "1");
}

TEST_F(WindowTest, TheButtonStripTakesTabAndPressesTheFocusedButton) {
    std::string a = folderIn + "/a.wav";
    WriteWav16(a, ToneWithSilence(200, 1000, 8000));
    auto w = OpenWindowOutputting({a, a});
    Activate(*w);
    UC_Buttons* strip = w->CtrButtons();
    w->Panel()->OutputTo()->PickerButton()->setFocus(Qt::TabFocusReason);
    Key(*w, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), strip);

    // Start, picked first, by Enter: the run writes both files.
    ASSERT_EQ(strip->FocusButton(), 2);
    Key(*w, Qt::Key_Return);
    WaitForRunEnd(*w);
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
    ClickCentre(w->Panel()->UseBoxOf(panel::UseBox::Trim)); // Trim Level off
    for (int i : {0, 1}) {
        EXPECT_FALSE(w->Panel()->SliderOf(panel::Slider(i))->isEnabled());
        EXPECT_FALSE(w->Panel()->ValueOf(panel::Slider(i))->isEnabled());
        EXPECT_FALSE(w->Panel()->FieldOf(panel::TextField(i))->isEnabled())
            << "the margins only act with trimming";
    }
    UC_Slider* start = w->Panel()->SliderOf(panel::Slider::TrimIn);
    Click(start, QPoint(start->TrackBox().left() + 1, start->TrackBox().center().y()));
    EXPECT_EQ(start->Value(), -45);
    EXPECT_EQ(Shown(*w, 0), "-45db");
    EXPECT_TRUE(w->Panel()->SliderOf(panel::Slider::NormLevel)->isEnabled());

    ClickCentre(w->Panel()->UseBoxOf(panel::UseBox::Adjust)); // Level Adjust off
    EXPECT_FALSE(w->Panel()->SliderOf(panel::Slider::Adjust)->isEnabled());
    EXPECT_FALSE(w->Panel()->ValueOf(panel::Slider::Adjust)->isEnabled());
    ClickCentre(w->Panel()->UseBoxOf(panel::UseBox::Normalize)); // Normalize off
    EXPECT_FALSE(w->Panel()->SliderOf(panel::Slider::NormLevel)->isEnabled());
    EXPECT_FALSE(w->Panel()->ValueOf(panel::Slider::NormLevel)->isEnabled());
    EXPECT_TRUE(w->Panel()->ClipBox()->isEnabled()) << "Clip also limits the level adjustment";
    CloseWindow(w);

    // The next start shows the stored boxes' groups grey from the beginning.
    w = OpenWindow();
    EXPECT_FALSE(w->Panel()->SliderOf(panel::Slider::TrimIn)->isEnabled());
    EXPECT_FALSE(w->Panel()->ValueOf(panel::Slider::Adjust)->isEnabled());
    ClickCentre(w->Panel()->UseBoxOf(panel::UseBox::Trim));
    EXPECT_TRUE(w->Panel()->SliderOf(panel::Slider::TrimIn)->isEnabled());
    EXPECT_TRUE(w->Panel()->ValueOf(panel::Slider::TrimIn)->isEnabled());
    EXPECT_TRUE(w->Panel()->FieldOf(panel::TextField::EndMargin)->isEnabled());
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
        EXPECT_EQ(Tip(w->Panel()->ValueOf(panel::Slider(i))),
                  Tip(w->Panel()->SliderOf(panel::Slider(i))));
    EXPECT_EQ(Tip(w->Panel()->SliderOf(panel::Slider::TrimIn)),
              "Start threshold: -45 dB \u2014 silence below this level is trimmed from the start");

    w->Panel()->SliderOf(panel::Slider::TrimIn)->setFocus(Qt::TabFocusReason);
    Key(*w, Qt::Key_Right);
    EXPECT_EQ(Tip(w->Panel()->SliderOf(panel::Slider::TrimIn)),
              "Start threshold: -44 dB \u2014 silence below this level is trimmed from the start");
    w->Panel()->SliderOf(panel::Slider::Adjust)->setFocus(Qt::TabFocusReason);
    Key(*w, Qt::Key_Right);
    EXPECT_NE(Tip(w->Panel()->SliderOf(panel::Slider::Adjust)).find("+1 dB"), std::string::npos);

    EXPECT_NE(Tip(w->Panel()->UseBoxOf(panel::UseBox::Normalize)).find("Normalize: on"),
              std::string::npos);
    EXPECT_NE(Tip(w->Panel()->ModeBoxOf(NormMode::Peak)).find("Peak: chosen"), std::string::npos);
    ClickCentre(w->Panel()->UseBoxOf(panel::UseBox::Normalize));
    EXPECT_NE(Tip(w->Panel()->UseBoxOf(panel::UseBox::Normalize)).find("Normalize: off"),
              std::string::npos);
    EXPECT_NE(Tip(w->Panel()->SliderOf(panel::Slider::NormLevel))
                  .find("(off while \"Normalize\" is off)"),
              std::string::npos);

    w->Panel()->FieldOf(panel::TextField::StartMargin)->setText("120");
    EXPECT_NE(Tip(w->Panel()->FieldOf(panel::TextField::StartMargin)).find("Start Margin: 120 ms"),
              std::string::npos);
    EXPECT_NE(Tip(w->Panel()->OutputTo()->TextBox()).find(folderOut), std::string::npos);
    ClickCentre(w->Panel()->OverWriteBox());
    EXPECT_NE(Tip(w->Panel()->OutputTo()->TextBox()).find("not used"), std::string::npos);

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
