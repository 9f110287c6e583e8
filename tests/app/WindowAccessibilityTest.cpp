// What a screen reader learns about the window's self-drawn controls through
// the platform's accessibility interfaces, and what its actions do.

#include "WindowFixture.h"

#include "controls/AccessibleEvents.h"
#include "controls/UC_Bar.h"
#include "controls/UC_Buttons.h"
#include "controls/UC_Check.h"
#include "controls/UC_ListView.h"
#include "controls/UC_PathText.h"
#include "controls/UC_Slider.h"
#include "controls/UC_TextPicture.h"
#include "controls/UC_WaveStrip.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <utility>
#include <vector>

using namespace testwindow;
using testfiles::ToneWithSilence;
using testfiles::WriteBytes;
using testfiles::WriteWav16;

namespace {

QAccessibleInterface* Of(QWidget* widget) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
    EXPECT_NE(a, nullptr) << widget->metaObject()->className();
    return a;
}

std::string Name(QAccessibleInterface* a) {
    return a->text(QAccessible::Name).toStdString();
}
std::string Value(QAccessibleInterface* a) {
    return a->text(QAccessible::Value).toStdString();
}
std::string Description(QAccessibleInterface* a) {
    return a->text(QAccessible::Description).toStdString();
}

// The events the window tells a screen reader while one of these lives.
class ReaderEvents {
  public:
    ReaderEvents() {
        WatchAccessibleEvents([this](QAccessibleEvent* e) {
            seen_.emplace_back(e->type(), e->accessibleInterface());
        });
    }
    ~ReaderEvents() { WatchAccessibleEvents(nullptr); }
    int Count(QAccessible::Event type, QAccessibleInterface* about) const {
        int n = 0;
        for (const auto& [t, a] : seen_)
            n += t == type && a == about ? 1 : 0;
        return n;
    }

  private:
    std::vector<std::pair<QAccessible::Event, QAccessibleInterface*>> seen_;
};

// The button states a reader hears, one letter each: d(isabled), f(ocused), p(ressed),
// D(efault).
std::string States(QAccessibleInterface* button) {
    const QAccessible::State s = button->state();
    std::string text;
    if (s.disabled) text += 'd';
    if (s.focused) text += 'f';
    if (s.pressed) text += 'p';
    if (s.defaultButton) text += 'D';
    return text;
}

std::string StripStates(QAccessibleInterface* strip) {
    std::string text;
    for (int i = 0; i < strip->childCount(); ++i)
        text += (i ? "," : "") + States(strip->child(i));
    return text;
}

} // namespace

TEST_F(WindowTest, CheckBoxesSayTheirCaptionRoleAndState) {
    auto w = OpenWindow();
    QAccessibleInterface* normalize = Of(w->Panel()->UseBoxOf(panel::UseBox::Normalize));
    EXPECT_EQ(normalize->role(), QAccessible::CheckBox);
    EXPECT_EQ(Name(normalize),
              w->Panel()->UseBoxOf(panel::UseBox::Normalize)->Caption().toStdString());
    EXPECT_FALSE(w->Panel()->UseBoxOf(panel::UseBox::Normalize)->Caption().isEmpty());
    EXPECT_TRUE(normalize->state().checkable);
    EXPECT_TRUE(normalize->state().checked); // on at first start

    QAccessibleInterface* mode = Of(w->Panel()->ModeBoxOf(NormMode::RmsMax));
    EXPECT_EQ(mode->role(), QAccessible::RadioButton);
    EXPECT_FALSE(mode->state().disabled);

    // The reader's toggle is the user's click: the rules of the panel follow.
    QAccessibleActionInterface* toggle = normalize->actionInterface();
    ASSERT_NE(toggle, nullptr);
    toggle->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(w->Panel()->UseBoxOf(panel::UseBox::Normalize)->Value(), 0);
    EXPECT_FALSE(normalize->state().checked);
    EXPECT_TRUE(mode->state().disabled);
    EXPECT_TRUE(mode->actionInterface()->actionNames().isEmpty());

    // Choosing a mode through the reader.
    toggle->doAction(QAccessibleActionInterface::toggleAction());
    mode->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(w->Panel()->ModeBoxOf(NormMode::RmsMax)->Value(), 1);
    EXPECT_TRUE(mode->state().checked);
    EXPECT_FALSE(Of(w->Panel()->ModeBoxOf(NormMode::Peak))->state().checked);
    CloseWindow(w);
}

TEST_F(WindowTest, SlidersSayTheirLabelAndRangeAndTakeAValue) {
    auto w = OpenWindow();
    const char* names[] = {"Start threshold", "End threshold", "Normalize level", "Level adjust"};
    for (int i = 0; i < 4; ++i) {
        QAccessibleInterface* a = Of(w->Panel()->SliderOf(panel::Slider(i)));
        EXPECT_EQ(a->role(), QAccessible::Slider);
        EXPECT_EQ(Name(a), names[i]);
    }
    QAccessibleInterface* start = Of(w->Panel()->SliderOf(panel::Slider::TrimIn));
    QAccessibleValueInterface* value = start->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->minimumValue().toInt(), -60);
    EXPECT_EQ(value->maximumValue().toInt(), 0);
    EXPECT_EQ(value->currentValue().toInt(), -45);
    EXPECT_EQ(Value(start), "-45");
    EXPECT_EQ(
        Of(w->Panel()->SliderOf(panel::Slider::Adjust))->valueInterface()->maximumValue().toInt(),
        20);

    // A value set by the reader moves the slider and its display, within the range.
    value->setCurrentValue(-20);
    EXPECT_EQ(w->Panel()->SliderOf(panel::Slider::TrimIn)->Value(), -20);
    EXPECT_EQ(w->Panel()->ValueOf(panel::Slider::TrimIn)->TextMes(0).toStdString(), "-20db");
    value->setCurrentValue(15);
    EXPECT_EQ(w->Panel()->SliderOf(panel::Slider::TrimIn)->Value(), 0);

    // The value display beside it reads what it shows.
    QAccessibleInterface* shown = Of(w->Panel()->ValueOf(panel::Slider::TrimIn));
    EXPECT_EQ(shown->role(), QAccessible::StaticText);
    EXPECT_EQ(Value(shown), "0db");
    CloseWindow(w);
}

TEST_F(WindowTest, TheButtonStripHasOneChildPerButtonThatPresses) {
    const std::string a = folderIn + "/a.wav";
    WriteWav16(a, ToneWithSilence(0, 50, 8000));
    auto w = OpenWindowOutputting({a, a});
    QAccessibleInterface* strip = Of(w->CtrButtons());
    ASSERT_EQ(strip->childCount(), 3);
    const char* captions[] = {"Clear", "Abort", "Start"};
    for (int i = 0; i < 3; ++i) {
        QAccessibleInterface* button = strip->child(i);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->role(), QAccessible::PushButton);
        EXPECT_EQ(Name(button), captions[i]);
        EXPECT_EQ(button->state().disabled, i == 1) << "Abort while idle";
        EXPECT_EQ(button->parent(), strip);
        EXPECT_EQ(strip->indexOfChild(button), i);
        EXPECT_EQ(strip->child(i), button); // the same interface each time
        const QRect r = button->rect();
        EXPECT_EQ(strip->childAt(r.center().x(), r.center().y()), button);
    }
    // A disabled button offers no press.
    EXPECT_TRUE(strip->child(1)->actionInterface()->actionNames().isEmpty());

    // Pressing Clear through the reader clears the list.
    ASSERT_EQ(w->LV()->ItemCount(), 2);
    QAccessibleActionInterface* clear = strip->child(0)->actionInterface();
    ASSERT_NE(clear, nullptr);
    EXPECT_EQ(clear->actionNames(), QStringList{QAccessibleActionInterface::pressAction()});
    clear->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(w->LV()->ItemCount(), 0);
    CloseWindow(w);
}

TEST_F(WindowTest, ProgressBarPathBoxAndTextFieldsHaveNamesAndValues) {
    auto w = OpenWindow();
    QAccessibleInterface* bar = Of(w->ProgBar());
    EXPECT_EQ(bar->role(), QAccessible::ProgressBar);
    w->ProgBar()->SetIdle(0);
    w->ProgBar()->SetValue(250);
    EXPECT_EQ(bar->valueInterface()->currentValue().toInt(), 250);
    EXPECT_EQ(bar->valueInterface()->maximumValue().toInt(), 1000);
    EXPECT_EQ(Value(bar), "25%");
    w->ProgBar()->SetTextToDisp(QStringLiteral("take.wav"));
    EXPECT_EQ(Value(bar), "take.wav");

    QAccessibleInterface* path = Of(w->Panel()->OutputTo());
    EXPECT_EQ(path->role(), QAccessible::EditableText);
    EXPECT_EQ(Name(path), "Output To");
    w->Panel()->OutputTo()->SetText(QString::fromStdString(folderOut));
    EXPECT_EQ(Value(path), folderOut);
    EXPECT_TRUE(path->state().editable);
    // OverWrite locks the box: the reader hears it is not editable now.
    ClickCentre(w->Panel()->OverWriteBox());
    EXPECT_TRUE(path->state().disabled);
    EXPECT_FALSE(path->state().editable);
    EXPECT_EQ(Name(Of(w->Panel()->OutputTo()->TextBox())), "Output To");

    const char* fields[] = {"Start Margin", "End Margin", "RMS Window", "RMS Threshold",
                            "True-peak ceiling"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(Name(Of(w->Panel()->FieldOf(panel::TextField(i)))), fields[i]);
    EXPECT_EQ(Description(Of(w->Panel()->FieldOf(panel::TextField::Ceiling))), "dBTP");
    CloseWindow(w);
}

TEST_F(WindowTest, TheListSaysItsRowsCellsAndSelection) {
    const std::string a = folderIn + "/first.wav", b = folderIn + "/second.wav";
    WriteWav16(a, ToneWithSilence(0, 50, 8000));
    WriteWav16(b, ToneWithSilence(0, 1500, 8000, 22050, 1));
    auto w = OpenWindowOutputting({a, b});
    QAccessibleInterface* list = Of(w->LV());
    EXPECT_EQ(list->role(), QAccessible::List);
    EXPECT_EQ(Name(list), "Files");
    ASSERT_EQ(list->childCount(), 2);

    QAccessibleInterface* second = list->child(1);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->role(), QAccessible::ListItem);
    const std::string title = Cell(*w, 1, app::FileColumn::Title);
    const std::string length = Cell(*w, 1, app::FileColumn::Length);
    const std::string format = Cell(*w, 1, app::FileColumn::Format);
    EXPECT_EQ(title, "second");
    EXPECT_EQ(Name(second), title + ", " + length + ", " + format);
    EXPECT_EQ(second->parent(), list);
    EXPECT_EQ(list->indexOfChild(second), 1);

    // Its cells, each named by its text and described by its column.
    ASSERT_EQ(second->childCount(), 3);
    QAccessibleInterface* cell = second->child(1);
    EXPECT_EQ(cell->role(), QAccessible::Cell);
    EXPECT_EQ(Name(cell), length);
    EXPECT_EQ(cell->text(QAccessible::Description).toStdString(), "Length");
    EXPECT_EQ(cell->parent(), second);

    // Selection, by a click on the row.
    const int y = int((w->LV()->OneHeight() * 3 / 2) / Px());
    Click(w->LV()->PictureList(), QPoint(40, y));
    EXPECT_TRUE(second->state().selected);
    EXPECT_FALSE(list->child(0)->state().selected);
    EXPECT_TRUE(cell->state().selected);
    EXPECT_EQ(list->childAt(second->rect().center().x(), second->rect().center().y()), second);

    // A row that went away is no longer valid; the list counts again.
    PressButton(*w, 0);
    EXPECT_EQ(list->childCount(), 0);
    EXPECT_FALSE(second->isValid());
    CloseWindow(w);
}

TEST_F(WindowTest, AfterARunEachRowTheBarAndTheButtonsSayWhatHappenedAndTellTheReader) {
    const std::string good = folderIn + "/take1.wav", bad = folderIn + "/take2.wav";
    WriteWav16(good, ToneWithSilence(200, 3000, 8000));
    WriteBytes(bad, "just some text\n");
    auto w = OpenWindowOutputting({good, bad});
    ReaderEvents events;
    QAccessibleInterface* list = Of(w->LV());
    QAccessibleInterface* bar = Of(w->ProgBar());
    QAccessibleInterface* strip = Of(w->CtrButtons());
    // Current without any tooltip having been shown.
    EXPECT_EQ(Description(list), "2 files");
    EXPECT_EQ(StripStates(strip), ",d,D");

    app::FrmMain* win = w.get();
    std::string statesMidRun, descriptionMidRun, valueMidRun;
    int valueNumberMidRun = 0;
    WhenReady look([win] { return win->ProgBar()->Value() > 0; },
                   [&] {
                       statesMidRun = StripStates(strip);
                       descriptionMidRun = Description(bar);
                       valueMidRun = Value(bar);
                       valueNumberMidRun = bar->valueInterface()->currentValue().toInt();
                   });
    StartAndWait(*w);
    ASSERT_TRUE(look.Done());
    EXPECT_EQ(statesMidRun, "d,,dD") << "Clear and Start wait, Abort works";
    EXPECT_EQ(descriptionMidRun, "the run's progress and its result");
    EXPECT_GT(valueNumberMidRun, 0);
    EXPECT_EQ(valueMidRun, std::to_string((valueNumberMidRun + 5) / 10) + "%");

    QAccessibleInterface* second = list->child(1);
    const std::string cells = Cell(*w, 1, app::FileColumn::Title) + ", " +
                              Cell(*w, 1, app::FileColumn::Length) + ", " +
                              Cell(*w, 1, app::FileColumn::Format);
    EXPECT_EQ(Description(second), w->LV()->ItemTip(1).toStdString());
    EXPECT_EQ(Description(second).substr(0, 8), "failed: ");
    EXPECT_EQ(Name(second), cells + ", " + Description(second));
    EXPECT_EQ(Description(list->child(0)).substr(0, 6), "done: ");
    EXPECT_EQ(Description(bar), "1 done, 1 failed");
    EXPECT_EQ(Value(bar), "1 done, 1 failed");
    EXPECT_EQ(StripStates(strip), ",d,D");

    // Each change was told.
    for (int row = 0; row < 2; ++row) {
        EXPECT_GE(events.Count(QAccessible::NameChanged, list->child(row)), 1) << row;
        EXPECT_GE(events.Count(QAccessible::DescriptionChanged, list->child(row)), 1) << row;
    }
    EXPECT_GE(events.Count(QAccessible::ValueChanged, bar), 2);
    EXPECT_GE(events.Count(QAccessible::DescriptionChanged, bar), 1);
    EXPECT_GE(events.Count(QAccessible::StateChanged, strip->child(2)), 2);

    PressButton(*w, 0);
    EXPECT_EQ(Description(list), "no files: Drop WAV files here or press Ctrl+O");
    EXPECT_GE(events.Count(QAccessible::DescriptionChanged, list), 1);
    CloseWindow(w);
}

TEST_F(WindowTest, TheStripSaysItsPickedButtonAndTheListsSelectionIsReadAndSet) {
    const std::string a = folderIn + "/a.wav", b = folderIn + "/b.wav", c = folderIn + "/c.wav";
    for (const std::string& file : {a, b, c})
        WriteWav16(file, ToneWithSilence(0, 50, 8000));
    auto w = OpenWindowOutputting({a, b, c});
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    ReaderEvents events;
    QAccessibleInterface* strip = Of(w->CtrButtons());
    w->CtrButtons()->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(StripStates(strip), ",d,fD");
    EXPECT_EQ(strip->focusChild(), strip->child(2));
    w->SetClearQuestion([](int32_t) { return false; });
    QTest::keyClick(w->windowHandle(), Qt::Key_Left);
    EXPECT_EQ(strip->focusChild(), strip->child(0));
    EXPECT_GE(events.Count(QAccessible::Focus, strip->child(0)), 1);
    QTest::keyPress(w->windowHandle(), Qt::Key_Space);
    EXPECT_EQ(StripStates(strip), "fp,d,D");
    QTest::keyRelease(w->windowHandle(), Qt::Key_Space);
    EXPECT_EQ(StripStates(strip), "f,d,D");

    // The list's selection through the table interface and the rows' actions.
    QAccessibleInterface* list = Of(w->LV());
    QAccessibleTableInterface* table = list->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rowCount(), 3);
    EXPECT_EQ(table->columnCount(), 3);
    EXPECT_EQ(table->columnDescription(1).toStdString(), "Length");
    EXPECT_TRUE(table->selectRow(2));
    EXPECT_TRUE(w->LV()->IsSelected(2));
    list->child(0)->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(table->selectedRows(), (QList<int>{0, 2}));
    EXPECT_EQ(table->selectedCellCount(), 6);
    EXPECT_TRUE(table->unselectRow(2));
    EXPECT_EQ(table->selectedRows(), QList<int>{0});
    EXPECT_TRUE(list->child(0)->state().selected);
    EXPECT_FALSE(table->selectRow(3));
    EXPECT_GE(events.Count(QAccessible::SelectionWithin, list), 3);
    list->child(1)->actionInterface()->doAction(QAccessibleActionInterface::setFocusAction());
    EXPECT_EQ(list->focusChild(), list->child(1));
    CloseWindow(w);
}

TEST(WaveStripAccess, TheDescriptionIsWhatTheStripShowsNow) {
    EnsureApplication();
    UC_WaveStrip strip;
    strip.SetText(QStringLiteral("trim 0.50 s / 0.20 s"));
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&strip);
    EXPECT_EQ(Description(a), "trim 0.50 s / 0.20 s");
    strip.ShowMessage(QStringLiteral("not a WAV file it can edit (A-law)"));
    EXPECT_EQ(Description(a), "not a WAV file it can edit (A-law)");
    strip.SetEnvelope({});
    EXPECT_EQ(Description(a), "");
}

TEST_F(WindowTest, StartByTheReaderReturnsAtOnceAndAbortAndCloseReachTheRun) {
    const std::string take = folderIn + "/long.wav";
    WriteWav16(take, ToneWithSilence(1000, 20000, 8000));
    auto w = OpenWindowOutputting({take, take});
    QAccessibleInterface* strip = Of(w->CtrButtons());
    const QString press = QAccessibleActionInterface::pressAction();

    // The press returns with the first file still in hand.
    strip->child(2)->actionInterface()->doAction(press);
    EXPECT_EQ(w->RunState(), 1);
    EXPECT_EQ(w->LV()->SelectedItem(), 0);
    EXPECT_TRUE(strip->child(2)->state().disabled);
    EXPECT_TRUE(std::filesystem::is_empty(folderOut));

    // Abort, pressed the same way while the file is in hand, stops the run.
    strip->child(1)->actionInterface()->doAction(press);
    WaitForRunEnd(*w);
    EXPECT_EQ(w->ProgBar()->TextToDisp().toStdString(), "0 done, 0 failed, 2 skipped");
    EXPECT_TRUE(std::filesystem::is_empty(folderOut));

    // Closed during a run: the window waits for the file in hand, then closes.
    strip->child(2)->actionInterface()->doAction(press);
    ASSERT_EQ(w->RunState(), 1);
    w->close();
    EXPECT_TRUE(w->isVisible());
    WaitForRunEnd(*w);
    EXPECT_TRUE(QTest::qWaitFor([&w] { return !w->isVisible(); }, 5000));
    EXPECT_TRUE(std::filesystem::is_empty(folderOut));
    w.reset();
}
