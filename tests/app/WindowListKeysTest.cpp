// The file list, the Output To picker and the command buttons driven by the mouse and the
// keyboard in the real window.

#include "WindowFixture.h"

#include "controls/UC_Bar.h"
#include "controls/UC_Buttons.h"
#include "controls/UC_Check.h"
#include "controls/UC_ListView.h"
#include "controls/UC_PathText.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include <filesystem>

using namespace testwindow;
using testfiles::ToneWithSilence;
using testfiles::WriteWav16;
namespace fs = std::filesystem;

namespace {

// The pixel point in the middle of row r of the list's row area.
QPoint RowPoint(app::FrmMain& window, int row) {
    const int oneHeight = window.LV()->OneHeight();
    return QPoint(40, int((row * oneHeight + oneHeight / 2) / Px()));
}

void Key(app::FrmMain& window, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(window.windowHandle(), key, mods);
}

void Activate(app::FrmMain& window) {
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

// n short takes, t00.wav, t01.wav, ...
std::vector<std::string> Takes(const std::string& folder, int n) {
    std::vector<std::string> takes;
    for (int i = 0; i < n; ++i) {
        takes.push_back(folder + "/t" + std::to_string(100 + i).substr(1) + ".wav");
        WriteWav16(takes.back(), ToneWithSilence(0, 20, 8000));
    }
    return takes;
}

// "cursor: selected rows" of the list.
std::string CursorAndSelection(const UC_ListView& list) {
    std::string text = std::to_string(list.SelectedItem()) + ":";
    for (int32_t i = 0; i < list.ItemCount(); ++i)
        if (list.IsSelected(i)) text += " " + std::to_string(i);
    return text;
}

std::string Rows(int from, int to) {
    std::string text;
    for (int i = from; i <= to; ++i)
        text += " " + std::to_string(i);
    return text;
}

// Dots of the focus mark on the left edge of row `row` of the row area.
int FocusDots(const UC_ListView& list, int row) {
    const QImage& rows = list.ListSurface().Image();
    const QRgb ink = platform::ToQColor(list.TextColor()).rgb();
    const int top = row * list.OneHeight() / Px(), bottom = (row + 1) * list.OneHeight() / Px();
    int dots = 0;
    for (int y = top; y < bottom && y < rows.height(); ++y)
        dots += rows.pixel(0, y) == ink ? 1 : 0;
    return dots;
}

} // namespace

TEST_F(WindowTest, AClickOnTheListTakesTheKeysFromOutputToAndDeleteRemovesTheSelection) {
    std::string a = folderIn + "/a.wav";
    WriteWav16(a, ToneWithSilence(0, 100, 8000));
    auto w = OpenWindowOutputting({a, a, a, a});
    Activate(*w);
    auto* outputTo = w->Panel()->OutputTo()->findChild<QLineEdit*>();
    ASSERT_NE(outputTo, nullptr);
    QTest::mouseClick(outputTo, Qt::LeftButton);
    ASSERT_EQ(QApplication::focusWidget(), outputTo);
    QWidget* rows = w->LV()->PictureList();

    QTest::mouseClick(rows, Qt::LeftButton, {}, RowPoint(*w, 1));
    EXPECT_EQ(QApplication::focusWidget(), w->LV());
    Key(*w, Qt::Key_Backspace);
    Key(*w, Qt::Key_X);
    EXPECT_EQ(outputTo->text().toStdString(), folderOut);
    Key(*w, Qt::Key_Delete);
    ASSERT_EQ(w->LV()->ItemCount(), 3);

    // A double click below the last row deletes nothing, one on a row deletes the selection.
    ASSERT_GT(w->LV()->VisibleRows(), 5);
    QTest::mouseClick(rows, Qt::LeftButton, {}, RowPoint(*w, 0));
    QTest::mouseDClick(rows, Qt::LeftButton, {}, RowPoint(*w, 5));
    EXPECT_EQ(w->LV()->ItemCount(), 3);
    QTest::mouseDClick(rows, Qt::LeftButton, {}, RowPoint(*w, 2));
    EXPECT_EQ(w->LV()->ItemCount(), 2);

    Key(*w, Qt::Key_A, Qt::ControlModifier);
    Key(*w, Qt::Key_Delete);
    EXPECT_EQ(w->LV()->ItemCount(), 0);
    CloseWindow(w);
}

TEST_F(WindowTest, DeleteAndCtrlADuringARunRemoveNoRow) {
    std::string take = folderIn + "/long.wav";
    WriteWav16(take, ToneWithSilence(500, 20000, 8000));
    auto w = OpenWindowOutputting({take, take});
    Activate(*w);
    QTest::mouseClick(w->LV()->PictureList(), Qt::LeftButton, {}, RowPoint(*w, 1));
    app::FrmMain* win = w.get();
    int countDuringRun = -1;
    bool listHadFocus = false;
    WhenReady tryDelete([win] { return win->ProgBar()->Value() > 0; },
                        [win, &countDuringRun, &listHadFocus] {
                            listHadFocus = QApplication::focusWidget() == win->LV();
                            Key(*win, Qt::Key_A, Qt::ControlModifier);
                            Key(*win, Qt::Key_Delete);
                            countDuringRun = win->LV()->ItemCount();
                        });
    StartAndWait(*w);
    EXPECT_TRUE(tryDelete.Done());
    EXPECT_TRUE(listHadFocus) << "Start leaves the keys with the list";
    EXPECT_EQ(countDuringRun, 2);
    EXPECT_EQ(w->LV()->ItemCount(), 2);
    EXPECT_TRUE(fs::exists(folderOut + "/long.wav"));
    EXPECT_TRUE(fs::exists(folderOut + "/long01.wav"));
    CloseWindow(w);
}

TEST_F(WindowTest, TheProgressBarTakesNoDragsWhileNoRunIsGoing) {
    std::string take = folderIn + "/long.wav";
    WriteWav16(take, ToneWithSilence(500, 20000, 8000));
    auto w = OpenWindowOutputting({take});
    Activate(*w);
    UC_Bar* bar = w->ProgBar();
    ASSERT_EQ(bar->Idle(), 1);
    const QPoint middle(bar->width() / 2, bar->height() / 2);
    QTest::mousePress(bar, Qt::LeftButton, {}, middle);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, middle);
    EXPECT_EQ(bar->Value(), 0);

    // During a run the bar follows the job, and it is idle again afterwards.
    app::FrmMain* win = w.get();
    int32_t idleDuringRun = -1;
    WhenReady look([win] { return win->ProgBar()->Value() > 0; },
                   [win, &idleDuringRun] { idleDuringRun = win->ProgBar()->Idle(); });
    StartAndWait(*w);
    EXPECT_TRUE(look.Done());
    EXPECT_EQ(idleDuringRun, 0);
    EXPECT_EQ(bar->Idle(), 1);
    CloseWindow(w);
}

TEST_F(WindowTest, TheListsKeysMoveTheCursorAndExtendOrToggleTheSelection) {
    auto w = OpenWindowOutputting(Takes(folderIn, 30));
    Activate(*w);
    UC_ListView* list = w->LV();
    list->setFocus(Qt::TabFocusReason);
    const int page = list->VisibleRows() - 1;
    ASSERT_GT(page, 3);
    ASSERT_LT(page + 1, 30);
    const std::string p = std::to_string(page);
    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        std::string expected; // cursor: selected rows
    };
    const Step steps[] = {
        {Qt::Key_Down, {}, "0: 0"},
        {Qt::Key_Down, {}, "1: 1"},
        {Qt::Key_Down, Qt::ShiftModifier, "2: 1 2"},
        {Qt::Key_Down, Qt::ShiftModifier, "3: 1 2 3"},
        {Qt::Key_Up, Qt::ShiftModifier, "2: 1 2"},
        {Qt::Key_Down, Qt::ControlModifier, "3: 1 2"},
        {Qt::Key_Down, Qt::ControlModifier, "4: 1 2"},
        {Qt::Key_Space, Qt::ControlModifier, "4: 1 2 4"},
        {Qt::Key_Space, Qt::ControlModifier, "4: 1 2"},
        {Qt::Key_Space, {}, "4: 1 2 4"},
        {Qt::Key_End, {}, "29: 29"},
        {Qt::Key_PageUp, {}, std::to_string(29 - page) + ": " + std::to_string(29 - page)},
        {Qt::Key_Home, {}, "0: 0"},
        {Qt::Key_Up, {}, "0: 0"},
        {Qt::Key_PageDown, {}, p + ": " + p},
        {Qt::Key_End, Qt::ShiftModifier, "29:" + Rows(page, 29)},
        {Qt::Key_Home, Qt::ShiftModifier, "0:" + Rows(0, page)},
    };
    for (const Step& step : steps) {
        Key(*w, step.key, step.mods);
        EXPECT_EQ(CursorAndSelection(*list), step.expected) << QTest::toString(step.key);
        const int32_t cursor = list->SelectedItem();
        EXPECT_TRUE(cursor >= list->TopItem() && cursor < list->TopItem() + list->VisibleRows())
            << "the cursor row stays in view: " << cursor;
    }
    CloseWindow(w);
}

TEST_F(WindowTest, TheFocusMarkShowsAlsoOnAnEmptyListAndTheMenuKeysOpenTheMenu) {
    auto w = OpenWindow();
    Activate(*w);
    UC_ListView* list = w->LV();
    EXPECT_EQ(list->EmptyText().toStdString(), "Drop WAV files here or press Ctrl+O");
    EXPECT_EQ(FocusDots(*list, 0), 0);
    list->setFocus(Qt::TabFocusReason);
    EXPECT_GT(FocusDots(*list, 0), 3) << "the empty list shows where the keys are";

    DropFiles(*w, Takes(folderIn, 3));
    Key(*w, Qt::Key_Down);
    Key(*w, Qt::Key_Down);
    EXPECT_EQ(FocusDots(*list, 0), 0);
    EXPECT_GT(FocusDots(*list, 1), 3);
    w->Panel()->OverWriteBox()->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(FocusDots(*list, 1), 0);

    // Shift+F10 and the menu key open the list's menu, once each.
    list->setFocus(Qt::TabFocusReason);
    int menus = 0;
    QObject::connect(list, &QWidget::customContextMenuRequested, [&menus] { ++menus; });
    for (const auto& [key, mods] :
         {std::pair{Qt::Key_F10, Qt::ShiftModifier}, std::pair{Qt::Key_Menu, Qt::NoModifier}}) {
        Key(*w, key, mods);
        EXPECT_TRUE(w->ListMenu()->isVisible());
        w->ListMenu()->hide();
        QApplication::processEvents();
    }
    EXPECT_EQ(menus, 2);
    CloseWindow(w);
}

TEST_F(WindowTest, TabReachesThePickerButtonThenStartAndClearAsksBeforeEmptying) {
    auto w = OpenWindowOutputting(Takes(folderIn, 2));
    Activate(*w);
    UC_PathText* outputTo = w->Panel()->OutputTo();
    outputTo->SetPickers(
        [this](const std::string&, const std::string&, QWidget*) { return folderIn; }, nullptr);
    outputTo->TextBox()->setFocus(Qt::TabFocusReason);
    Key(*w, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), outputTo->PickerButton());
    EXPECT_EQ(outputTo->PickerButton()->accessibleName().toStdString(), "Choose folder");
    Key(*w, Qt::Key_Space);
    EXPECT_EQ(outputTo->Text().toStdString(), folderIn);

    Key(*w, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), w->CtrButtons());
    EXPECT_EQ(w->CtrButtons()->FocusButton(), 2) << "Start is picked first";
    // Abort does nothing while idle: Left passes over it to Clear.
    Key(*w, Qt::Key_Left);
    EXPECT_EQ(w->CtrButtons()->FocusButton(), 0);
    std::vector<int32_t> asked;
    bool answer = false;
    w->SetClearQuestion([&](int32_t rows) {
        asked.push_back(rows);
        return answer;
    });
    Key(*w, Qt::Key_Space);
    EXPECT_EQ(w->LV()->ItemCount(), 2);
    answer = true;
    Key(*w, Qt::Key_Space);
    EXPECT_EQ(w->LV()->ItemCount(), 0);
    Key(*w, Qt::Key_Space); // nothing left to ask about
    EXPECT_EQ(asked, (std::vector<int32_t>{2, 2}));
    CloseWindow(w);
}
