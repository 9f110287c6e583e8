// The window's size and place: a resize gives the room to the list, the
// stored placement comes back reachable, the list's scroll bars take the
// wheel, and the whole window fits a small screen at a large font setting.

#include "WindowFixture.h"

#include "controls/UC_Bar.h"
#include "controls/UC_Buttons.h"
#include "controls/UC_Check.h"
#include "controls/UC_ListView.h"
#include "controls/UC_ListViewBar.h"
#include "controls/UC_PathText.h"
#include "controls/UC_Slider.h"
#include "controls/UC_TextPicture.h"
#include "services/store/Settings.h"

#include <QApplication>
#include <QLineEdit>
#include <QScreen>
#include <QWheelEvent>

#include <cstdlib>
#include <map>

using namespace testwindow;
using testfiles::ToneWithSilence;
using testfiles::WriteWav16;

namespace {

// Every control of the parameter panel with its geometry.
std::map<QWidget*, QRect> PanelGeometry(app::FrmMain& w) {
    std::map<QWidget*, QRect> panel;
    for (int i = 0; i < 3; ++i)
        panel[w.Panel()->UseBoxOf(panel::UseBox(i))] =
            w.Panel()->UseBoxOf(panel::UseBox(i))->geometry();
    for (int i = 0; i < 4; ++i) {
        panel[w.Panel()->SliderOf(panel::Slider(i))] =
            w.Panel()->SliderOf(panel::Slider(i))->geometry();
        panel[w.Panel()->ValueOf(panel::Slider(i))] =
            w.Panel()->ValueOf(panel::Slider(i))->geometry();
        panel[w.Panel()->FieldOf(panel::TextField(i))] =
            w.Panel()->FieldOf(panel::TextField(i))->geometry();
        panel[w.Panel()->ModeBoxOf(NormMode(i))] = w.Panel()->ModeBoxOf(NormMode(i))->geometry();
    }
    panel[w.Panel()->ClipBox()] = w.Panel()->ClipBox()->geometry();
    return panel;
}

// Turns the wheel by `steps` notches (one notch = 120) over a widget's middle.
void Wheel(QWidget* widget, int steps, Qt::Orientation along = Qt::Vertical) {
    const QPointF at = QRectF(widget->rect()).center();
    const QPoint delta = along == Qt::Vertical ? QPoint(0, 120 * steps) : QPoint(120 * steps, 0);
    QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), delta, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

} // namespace

class WindowSizeTest : public WindowTest {
  protected:
    std::unique_ptr<app::FrmMain> OpenWithRows(int count) {
        const std::string a = folderIn + "/a.wav";
        WriteWav16(a, ToneWithSilence(0, 50, 8000));
        return OpenWindowOutputting(std::vector<std::string>(size_t(count), a));
    }
};

TEST_F(WindowSizeTest, AResizeGivesTheRoomToTheListAndMovesTheBottomControlsAlong) {
    auto w = OpenWithRows(40);
    const QSize design = w->size();
    const std::map<QWidget*, QRect> panel = PanelGeometry(*w);
    const QRect list = w->LV()->geometry(), bar = w->ProgBar()->geometry();
    const QRect path = w->Panel()->OutputTo()->geometry(), buttons = w->CtrButtons()->geometry();
    const int rowsBefore = w->LV()->VisibleRows();
    std::vector<int32_t> widths;
    for (int32_t c = 0; c < w->LV()->NumData(); ++c)
        widths.push_back(w->LV()->TabWidth(c));

    w->resize(design + QSize(200, 150));
    QApplication::processEvents();

    EXPECT_EQ(w->LV()->geometry(), list.adjusted(0, 0, 200, 150));
    EXPECT_EQ(w->ProgBar()->geometry(), bar.adjusted(0, 0, 200, 0));
    EXPECT_EQ(w->Panel()->OutputTo()->geometry(), path.translated(200, 150));
    EXPECT_EQ(w->CtrButtons()->geometry(), buttons.translated(200, 150));
    for (const auto& [control, geometry] : panel)
        EXPECT_EQ(control->geometry(), geometry) << control->metaObject()->className();
    // The rows fill the taller list; the background covers the whole window.
    EXPECT_GT(w->LV()->VisibleRows(), rowsBefore + 5);
    EXPECT_GE(w->Background().Width(), w->width());
    EXPECT_GE(w->Background().Height(), w->height());
    // Each field's unit stays printed beside it on the new background (the background is
    // drawn in rows of one colour: a caption is a pixel off its row's colour).
    for (size_t f = 0; f < panel::kTexts.size(); ++f) {
        const QRect g = w->Panel()->FieldOf(panel::TextField(f))->geometry();
        bool inked = false;
        for (int y = g.top(); y <= g.bottom(); ++y)
            for (int x = g.right() + 2; x < g.right() + 20; ++x)
                inked |= w->Background().Pixel(x, y) != w->Background().Pixel(2, y);
        EXPECT_TRUE(inked) << panel::kTexts[f].Unit;
    }
    // The columns keep their widths: the extra width stays blank.
    for (int32_t c = 0; c < w->LV()->NumData(); ++c)
        EXPECT_EQ(w->LV()->TabWidth(c), widths[size_t(c)]);

    // The buttons still work where they went.
    PressButton(*w, 0);
    EXPECT_EQ(w->LV()->ItemCount(), 0);

    // The panel needs its designed room: the window does not get smaller.
    w->resize(design - QSize(100, 100));
    QApplication::processEvents();
    EXPECT_EQ(w->size(), design);
    EXPECT_EQ(w->LV()->geometry(), list);
    CloseWindow(w);
}

TEST_F(WindowSizeTest, TheSizeIsKeptWithThePosition) {
    auto w = OpenWindow();
    const QSize design = w->size();
    const QSize list = w->LV()->size();
    w->move(120, 60);
    w->resize(design + QSize(90, 120));
    QApplication::processEvents();
    CloseWindow(w);

    w = OpenWindow();
    EXPECT_EQ(w->size(), design + QSize(90, 120));
    EXPECT_EQ(w->pos(), QPoint(120, 60));
    EXPECT_EQ(w->LV()->size(), list + QSize(90, 120)); // laid out for the restored size
    CloseWindow(w);
}

TEST_F(WindowSizeTest, AStoredPlaceOffEveryScreenComesBackOnTheNearestOne) {
    WriteSetting("WindowLeft", 100000); // far right of the only screen
    WriteSetting("WindowTop", -40000);  // and above it
    auto w = OpenWindow();
    const QRect screen = w->screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(w->frameGeometry().topLeft()));
    EXPECT_EQ(w->frameGeometry().top(), screen.top());
    EXPECT_EQ(w->frameGeometry().right(), screen.right()); // moved only as far as needed
    CloseWindow(w);
}

TEST_F(WindowSizeTest, AWindowClosedMinimisedOpensNormalAtItsStoredPlace) {
    WriteSetting("WindowLeft", 3000);
    WriteSetting("WindowTop", 1500);
    WriteSetting("WindowState", 1);
    auto w = OpenWindow();
    EXPECT_EQ(w->WindowState(), 0);
    EXPECT_FALSE(w->isMinimized());
    EXPECT_EQ(w->pos(), QPoint(200, 100));
    CloseWindow(w);
    EXPECT_EQ(ReadSetting("WindowState", "none"), "0");
}

TEST_F(WindowSizeTest, TheWheelOverTheListsScrollBarScrollsTheRows) {
    auto w = OpenWithRows(40);
    UC_ListView* list = w->LV();
    ASSERT_TRUE(list->VBar()->IsShown());
    ASSERT_EQ(list->TopItem(), 0);
    QWidget* bar = list->VBar()->Widget();

    Wheel(bar, -1); // one notch down
    EXPECT_EQ(list->TopItem(), 3);
    Wheel(bar, -2);
    EXPECT_EQ(list->TopItem(), 9);
    Wheel(bar, 1);
    EXPECT_EQ(list->TopItem(), 6);
    // The same as over the rows.
    Wheel(list->PictureList(), 1);
    EXPECT_EQ(list->TopItem(), 3);
    CloseWindow(w);
}

TEST_F(WindowSizeTest, TheWheelOverTheHorizontalBarScrollsSideways) {
    auto w = OpenWithRows(3);
    UC_ListView* list = w->LV();
    list->SetTabWidth(0, 20000); // wider than the list
    list->UserControl_Resize();
    ASSERT_TRUE(list->HBar()->IsShown());
    ASSERT_EQ(list->HOffset(), 0);
    Wheel(list->HBar()->Widget(), -1);
    EXPECT_GT(list->HOffset(), 0);
    const int32_t after = list->HOffset();
    Wheel(list->HBar()->Widget(), 1);
    EXPECT_LT(list->HOffset(), after);
    EXPECT_EQ(list->TopItem(), 0);
    CloseWindow(w);
}

// Run once more by ctest with QT_FONT_DPI=144 (QUILLAN_EXPECT_DPI says so).
TEST_F(WindowSizeTest, TheWholeWindowFitsA1280By900Screen) {
    auto w = OpenWindow();
    if (const char* dpi = std::getenv("QUILLAN_EXPECT_DPI")) {
        ASSERT_EQ(w->screen()->logicalDotsPerInch() * w->devicePixelRatioF(), std::atof(dpi));
    }
    const QRect frame = w->frameGeometry();
    const double scale = w->devicePixelRatioF(); // device pixels of the screen
    EXPECT_LE(frame.width() * scale, 1280);
    EXPECT_LE(frame.height() * scale, 900);
    // Everything inside the client area.
    for (QWidget* child : w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isVisible()) {
            EXPECT_TRUE(w->rect().contains(child->geometry())) << child->metaObject()->className();
        }
    }
    CloseWindow(w);
}
