// The file list driven by the mouse and the keyboard in the real window.

#include "WindowFixture.h"

#include "controls/UC_Bar.h"
#include "controls/UC_ListView.h"
#include "controls/UC_PathText.h"

#include <QApplication>
#include <QLineEdit>
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
    PressButton(*w, 2);
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
    PressButton(*w, 2);
    EXPECT_TRUE(look.Done());
    EXPECT_EQ(idleDuringRun, 0);
    EXPECT_EQ(bar->Idle(), 1);
    CloseWindow(w);
}
