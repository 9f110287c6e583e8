// Layout, drawing, scrolling and the user's interaction with the list control.
#include "ListViewSupport.h"

#include "controls/UC_ListViewBar.h"
#include "services/ui/Fonts.h"

#include <QComboBox>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace {

using Ints = std::vector<int>;

// ---------------------------------------------------------------- bars and layout

class ListBars : public ::testing::TestWithParam<bool> {};

TEST_P(ListBars, TenItemsInFiveRowsGiveMaxSixAndPageThree) {
    ListFixture f(400, 122, GetParam());
    EXPECT_FALSE(f.lv->VBar()->IsShown()) << "no items: no bar";
    f.Rows(10);
    EXPECT_EQ(f.lv->VisibleRows(), 5);
    ASSERT_TRUE(f.lv->VBar()->IsShown());
    EXPECT_EQ(f.lv->VBar()->Max(), 6);
    EXPECT_EQ(f.lv->VBar()->LargeChange(), 3);
    EXPECT_FALSE(f.lv->HBar()->IsShown());
    EXPECT_EQ(f.lv->VBar()->IsSlider(), GetParam());

    f.lv->DeleteItemEx(0, 6);
    f.lv->SetVbarParm();
    EXPECT_FALSE(f.lv->VBar()->IsShown()) << "three rows fit";
}

TEST_P(ListBars, AWideColumnShowsTheHorizontalBarWhichMayNeedTheVerticalOne) {
    ListFixture f(400, 124, GetParam());
    f.Rows(5); // 5 x 300 fits into 1530 twips, not into 1530 - 270
    EXPECT_FALSE(f.lv->VBar()->IsShown());
    f.lv->SetTabWidth(0, 9000);
    f.lv->SetVbarParm();
    EXPECT_TRUE(f.lv->HBar()->IsShown());
    EXPECT_TRUE(f.lv->VBar()->IsShown());
    const int32_t rowWidth = f.lv->PictureList()->width() * 15;
    EXPECT_EQ(f.lv->HBar()->Max(), f.lv->TotalTabWidth() - rowWidth);

    f.lv->SetHbarDisabled(1);
    f.lv->SetVbarParm();
    EXPECT_FALSE(f.lv->HBar()->IsShown());
    EXPECT_FALSE(f.lv->VBar()->IsShown());
}

TEST_P(ListBars, DeletingRowsBringsTheTopItemBack) {
    ListFixture f(400, 122, GetParam());
    f.Rows(40);
    f.lv->ShowItem(30, 0);
    ASSERT_EQ(f.lv->TopItem(), 30);
    f.lv->DeleteItemEx(2, 39);
    f.lv->ReDraw();
    f.lv->SetVbarParm();
    EXPECT_EQ(f.lv->TopItem(), 0) << "the two rows left must be in view";
    f.Rows(20);
    f.lv->ShowItem(15, 0);
    f.lv->DeleteItemEx(0, 9);
    f.lv->SetVbarParm();
    EXPECT_EQ(f.lv->TopItem(), f.lv->VBar()->Max()) << "limited to the new maximum";
}

INSTANTIATE_TEST_SUITE_P(SliderAndPlatformBar, ListBars, ::testing::Bool());

TEST(ListScroll, ShowSelectedAndShowItemAndWheel) {
    ListFixture f;
    f.Rows(40);
    f.lv->SetSelectedItem(20);
    f.lv->ShowSelected(0);
    EXPECT_EQ(f.lv->TopItem(), 18) << "centred: round(20 - 5 / 2)";
    f.lv->SetSelectedItem(19);
    f.lv->ShowSelected(1);
    EXPECT_EQ(f.lv->TopItem(), 18) << "already visible: nothing moves";
    f.lv->ShowItem(39, 0);
    EXPECT_EQ(f.lv->TopItem(), f.lv->VBar()->Max()) << "limited to the bar's maximum";
    f.lv->ShowItem(3, 1);
    EXPECT_EQ(f.lv->TopItem(), 3);
    f.lv->VBarScroll(2);
    EXPECT_EQ(f.lv->TopItem(), 9) << "two wheel steps of three rows";
    f.lv->VBarScroll(-10);
    EXPECT_EQ(f.lv->TopItem(), 0);
    for (int i = 0; i < 4; ++i) {
        QWheelEvent wheel(QPointF(20, 20), QPointF(20, 20), QPoint(), QPoint(0, -60), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(f.lv->PictureList(), &wheel);
    }
    EXPECT_EQ(f.lv->TopItem(), 6) << "four half steps down are two wheel steps";
    f.lv->ShowItem(50, 0);
    EXPECT_EQ(f.lv->TopItem(), 6) << "not an item: nothing moves";
}

TEST(ListFonts, ExplicitFontsGiveTheListTheDefaultFaceWithoutAStyle) {
    ExplicitFonts = 1;
    ListFixture f;
    EXPECT_EQ(f.lv->PictureList()->font().family(),
              QString::fromUtf8(DefaultFace.data(), qsizetype(DefaultFace.size())));
    EXPECT_EQ(f.lv->TextColor(), 0x80000008u);
    f.lv->SetStyle(12, true, "DejaVu Sans", 0x0000FF, 0xFFFFFF);
    EXPECT_EQ(f.lv->PictureList()->font().family(), "DejaVu Sans");
    EXPECT_TRUE(f.lv->PictureList()->font().bold());
    f.lv->AddItem(1);
    EXPECT_EQ(f.lv->DispColor(0), 0x0000FFu);
    ExplicitFonts = 0;
    f.lv.reset();
    DeleteUIFonts();
}

// ---------------------------------------------------------------- drawing

TEST(ListDrawing, SelectionBandStripesAndIcons) {
    ListFixture f;
    f.lv->SetUseMadara(1);
    f.Rows(3);
    f.lv->SetIconType(1, -1);
    f.lv->SetSelectedItem(0);
    f.lv->ReDraw();
    const Surface& s = f.lv->ListSurface();
    const int xFar = s.Width() - 5; // right of every column, no text there
    // Row 0 selected: the band ANDed with the white back colour gives the band colour.
    EXPECT_EQ(platform::ResolveColor(s.Pixel(xFar, 10)), 0xC0A0A0u);
    // Row 1 (odd): a stripe.
    EXPECT_EQ(platform::ResolveColor(s.Pixel(xFar, 30)), UC_ListView::StripeColor);
    // Stripes go on below the last item (row 3).
    EXPECT_EQ(platform::ResolveColor(s.Pixel(xFar, 70)), UC_ListView::StripeColor);
    EXPECT_NE(platform::ResolveColor(s.Pixel(xFar, 50)), UC_ListView::StripeColor);

    // Row 0 has icon 0 at x 2..17; row 1 has no icon, its pixels stay as the stripe.
    bool iconInk = false;
    for (int x = 2; x < 18; ++x)
        iconInk |= platform::ResolveColor(s.Pixel(x, 10)) != 0xC0A0A0u;
    EXPECT_TRUE(iconInk);
    for (int x = 2; x < 18; ++x)
        ASSERT_EQ(platform::ResolveColor(s.Pixel(x, 30)), UC_ListView::StripeColor);
}

TEST(ListDrawing, ScrollingTheColumnsSixteenPixelsHidesTheIcons) {
    ListFixture f(400, 122, false);
    f.Rows(2);
    f.lv->SetTabWidth(0, 9000);
    f.lv->SetVbarParm();
    ASSERT_TRUE(f.lv->HBar()->IsShown());
    auto iconInk = [&] {
        bool ink = false;
        for (int x = 0; x < 4; ++x) // left of where the cell text starts
            ink |= platform::ResolveColor(f.lv->ListSurface().Pixel(x, 10)) != 0xFFFFFFu;
        return ink;
    };
    f.lv->HBar()->SetValue(15 * 15); // the platform's bar reports its own change
    EXPECT_EQ(f.lv->HOffset(), 225);
    EXPECT_TRUE(iconInk()) << "15 px: the icon is still drawn, its right end at x 2";
    f.lv->HBar()->SetValue(16 * 15);
    EXPECT_FALSE(iconInk());
}

TEST(ListDrawing, SelectedRowWithStripeShowsBothUnderTheBand) {
    ListFixture f;
    f.lv->SetUseMadara(1);
    f.Rows(3);
    f.lv->SetSelectedItem(1);
    f.lv->ReDraw();
    const Color pixel = platform::ResolveColor(f.lv->ListSurface().Pixel(380, 30));
    EXPECT_EQ(pixel, UC_ListView::StripeColor & 0xC0A0A0u) << "raster mode 9 ANDs";
}

TEST(ListDrawing, IconAreaAndAutoWidths) {
    ListFixture f;
    EXPECT_EQ(f.lv->IconAreaWidth(), 22 * 15);
    f.Rows(3);
    f.lv->SetValue(1, 1, "a much longer cell text");
    f.lv->SetTabWidthAuto();
    EXPECT_GT(f.lv->TabWidth(1), f.lv->TabWidth(2));
    EXPECT_EQ(f.lv->TabWidth(2), 450) << "empty column: the minimum";
    const int32_t withIcon = f.lv->TabWidth(0);

    ListFixture g;
    g.lv->SetIconDisabled(1);
    g.lv->Init();
    EXPECT_EQ(g.lv->IconAreaWidth(), 6 * 15);
    g.Rows(3);
    g.lv->SetTabWidthAuto();
    EXPECT_EQ(g.lv->TabWidth(0), withIcon - 16 * 15);
}

// ---------------------------------------------------------------- mouse selection

TEST(ListSelection, ShiftRangesFromTheCursor) {
    ListFixture f;
    f.Rows(10);
    f.lv->PictureList_MouseDown(1, 1, 100, ListFixture::RowY(5));
    f.lv->PictureList_MouseUp(1, 1, 100, ListFixture::RowY(5));
    EXPECT_EQ(f.Selected(), (Ints{0, 1, 2, 3, 4, 5})) << "no cursor: from item 0";

    f.lv->PictureList_MouseDown(1, 0, 100, ListFixture::RowY(3));
    f.lv->PictureList_MouseUp(1, 0, 100, ListFixture::RowY(3));
    EXPECT_EQ(f.Selected(), (Ints{0, 1, 2, 3, 4, 5})) << "plain press inside a range";
    EXPECT_EQ(f.lv->SelectedItem(), 3);
    f.lv->PictureList_MouseDown(1, 0, 100, ListFixture::RowY(3));
    f.lv->PictureList_MouseUp(1, 0, 100, ListFixture::RowY(3));
    EXPECT_EQ(f.Selected(), (Ints{3})) << "the next plain press selects one row";
    f.lv->PictureList_MouseDown(1, 1, 100, ListFixture::RowY(7));
    f.lv->PictureList_MouseUp(1, 1, 100, ListFixture::RowY(7));
    f.lv->PictureList_MouseDown(1, 0, 100, ListFixture::RowY(1));
    EXPECT_EQ(f.Selected(), (Ints{1})) << "plain press outside a range";
    f.lv->PictureList_MouseUp(1, 0, 100, ListFixture::RowY(1));
    f.lv->PictureList_MouseDown(1, 0, 100, ListFixture::RowY(6));
    f.lv->PictureList_MouseUp(1, 0, 100, ListFixture::RowY(6));
    EXPECT_EQ(f.Selected(), (Ints{6}));
    f.lv->PictureList_MouseDown(1, 1, 100, ListFixture::RowY(2));
    EXPECT_EQ(f.Selected(), (Ints{2, 3, 4, 5, 6}));
    EXPECT_EQ(f.lv->SelectedItem(), 2);
    f.lv->PictureList_MouseUp(1, 1, 100, ListFixture::RowY(2));
    // A plain press inside the range keeps it; outside it would not.
    f.lv->PictureList_MouseDown(1, 0, 100, ListFixture::RowY(4));
    EXPECT_EQ(f.Selected(), (Ints{2, 3, 4, 5, 6}));
}

TEST(ListSelection, CtrlTogglesOnReleaseAndTheNextPlainPressIsSwallowed) {
    ListFixture f;
    f.Rows(10);
    f.lv->PictureList_MouseDown(1, 0, 100, ListFixture::RowY(3));
    f.lv->PictureList_MouseUp(1, 0, 100, ListFixture::RowY(3));
    f.lv->PictureList_MouseDown(1, 2, 100, ListFixture::RowY(5));
    EXPECT_EQ(f.Selected(), (Ints{3})) << "nothing changes on the press";
    f.lv->PictureList_MouseUp(1, 2, 100, ListFixture::RowY(5));
    EXPECT_EQ(f.Selected(), (Ints{3, 5}));
    f.lv->PictureList_MouseDown(1, 2, 100, ListFixture::RowY(3));
    f.lv->PictureList_MouseUp(1, 2, 100, ListFixture::RowY(3));
    EXPECT_EQ(f.Selected(), (Ints{5})) << "Ctrl on a selected row deselects it";
    EXPECT_EQ(f.lv->SelectedItem(), 3);
    f.lv->PictureList_MouseDown(1, 0, 100, ListFixture::RowY(8));
    f.lv->PictureList_MouseUp(1, 0, 100, ListFixture::RowY(8));
    EXPECT_EQ(f.Selected(), (Ints{5})) << "the plain press after Ctrl only clears the flag";
    f.lv->PictureList_MouseDown(1, 0, 100, ListFixture::RowY(8));
    EXPECT_EQ(f.Selected(), (Ints{8}));
}

TEST(ListSelection, NoMultiSelectAndEmptyListAndClickDisabled) {
    ListFixture f;
    f.Rows(10);
    f.lv->SetNoMultiSelect(1);
    f.lv->PictureList_MouseDown(1, 0, 100, ListFixture::RowY(2));
    f.lv->PictureList_MouseDown(1, 1, 100, ListFixture::RowY(6));
    EXPECT_EQ(f.Selected(), (Ints{6})) << "Shift acts as a plain press";
    f.lv->PictureList_MouseUp(1, 2, 100, ListFixture::RowY(6));
    EXPECT_EQ(f.Selected(), (Ints{6})) << "no Ctrl toggle either";

    f.lv->SetClickDisabled(1);
    int downs = 0;
    QObject::connect(f.lv.get(), &UC_ListView::MouseDown, [&] { ++downs; });
    f.lv->PictureList_MouseDown(1, 0, 100, ListFixture::RowY(1));
    EXPECT_EQ(downs, 0);
    EXPECT_EQ(f.Selected(), (Ints{6}));

    ListFixture e;
    e.lv->SetSelectedItem(0);
    e.lv->PictureList_MouseDown(1, 0, 100, 100);
    EXPECT_EQ(e.lv->SelectedItem(), -1);
}

TEST(ListOptions, TheRecordAndTheFlagPropertiesAreOneState) {
    ListFixture f;
    f.Rows(40);
    UC_ListViewOptions options = f.lv->Options();
    EXPECT_EQ(options.NumWheelScroll, 3);
    EXPECT_EQ(options.SelectedColor, 0xC0A0A0u);
    EXPECT_EQ(options.SelectedColorMode, 9);
    options.NoMultiSelect = 1;
    options.NumWheelScroll = 5;
    f.lv->SetOptions(options);
    f.lv->PictureList_MouseDown(1, 0, 100, ListFixture::RowY(1));
    f.lv->PictureList_MouseUp(1, 0, 100, ListFixture::RowY(1));
    f.lv->PictureList_MouseDown(1, 1, 100, ListFixture::RowY(3));
    EXPECT_EQ(f.Selected(), std::vector<int>{3}) << "NoMultiSelect from the record";
    EXPECT_TRUE(f.lv->Model().IsSelected(3)) << "the view's store is the one it shows";
    f.lv->VBarScroll(1);
    EXPECT_EQ(f.lv->TopItem(), 5) << "wheel rows from the record";
    f.lv->SetSortDisabled(1);
    f.lv->SetUseMadara(1);
    EXPECT_EQ(f.lv->Options().SortDisabled, 1);
    EXPECT_EQ(f.lv->Options().UseMadara, 1);
    EXPECT_EQ(f.lv->Options().NumWheelScroll, 5) << "a setter changes only its own field";
}

TEST(ListSelection, RealMouseEventsReachTheRows) {
    ListFixture f;
    f.Rows(10);
    int clicks = 0, doubles = 0, rights = 0;
    QObject::connect(f.lv.get(), &UC_ListView::Clicked, [&] { ++clicks; });
    QObject::connect(f.lv.get(), &UC_ListView::DblClicked, [&] { ++doubles; });
    QObject::connect(f.lv.get(), &UC_ListView::RightClicked, [&] { ++rights; });
    QWidget& rows = *f.lv->PictureList();
    Press(rows, QPoint(30, 50));
    Release(rows, QPoint(30, 50));
    EXPECT_EQ(f.lv->SelectedItem(), 2) << "(50 - 4) px / 20 px";
    Press(rows, QPoint(30, 10), Qt::LeftButton, Qt::ShiftModifier);
    Release(rows, QPoint(30, 10), Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(f.Selected(), (Ints{0, 1, 2}));
    DoubleClick(rows, QPoint(30, 10));
    Press(rows, QPoint(30, 10), Qt::RightButton);
    Release(rows, QPoint(30, 10), Qt::RightButton);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(doubles, 1);
    EXPECT_EQ(rights, 1);

    ListFixture empty;
    QObject::connect(empty.lv.get(), &UC_ListView::DblClicked, [&] { ++doubles; });
    DoubleClick(*empty.lv->PictureList(), QPoint(30, 10));
    EXPECT_EQ(doubles, 1) << "no items: no double click";
}

// ---------------------------------------------------------------- keyboard

// The list under a text box in one shown, active window, the box holding the focus.
struct FocusedWindow {
    explicit FocusedWindow(ListFixture& f) {
        auto* layout = new QVBoxLayout(&top);
        layout->addWidget(box);
        layout->addWidget(f.lv.get());
        top.resize(400, 240);
        top.show();
        top.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&top));
        box->setFocus();
    }
    // The fixture owns the list: hand it back before the window goes.
    ~FocusedWindow() { top.findChild<UC_ListView*>()->setParent(nullptr); }
    QWidget top;
    QLineEdit* box = new QLineEdit("text", &top);
};

TEST(ListKeyboard, AClickOnTheRowsTakesTheFocusAndKeysThenActOnTheList) {
    ListFixture f;
    f.Rows(4);
    FocusedWindow w(f);
    ASSERT_EQ(QApplication::focusWidget(), w.box);
    int deletes = 0;
    QObject::connect(f.lv.get(), &UC_ListView::DeletePressed, [&] { ++deletes; });
    QWidget* rows = f.lv->PictureList();

    // A click on the blank space below the rows takes the focus too.
    QTest::mouseClick(rows, Qt::LeftButton, {}, QPoint(30, 95));
    EXPECT_EQ(QApplication::focusWidget(), f.lv.get());
    QTest::mouseClick(rows, Qt::LeftButton, {}, QPoint(30, 30));
    EXPECT_EQ(f.Selected(), (Ints{1}));
    QTest::keyClick(w.top.windowHandle(), Qt::Key_Backspace);
    EXPECT_EQ(w.box->text(), "text") << "the box no longer receives the keys";

    QTest::keyClick(w.top.windowHandle(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(f.Selected(), (Ints{0, 1, 2, 3}));
    QTest::keyClick(w.top.windowHandle(), Qt::Key_Delete);
    EXPECT_EQ(deletes, 1);
    EXPECT_EQ(f.lv->ItemCount(), 4) << "the host decides what Delete removes";
    QTest::keyClick(w.top.windowHandle(), Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(deletes, 1) << "Shift+Delete is not Delete";

    // Back in the box, the keys edit the text again.
    QTest::mouseClick(w.box, Qt::LeftButton);
    QTest::keyClick(w.top.windowHandle(), Qt::Key_Delete);
    QTest::keyClick(w.top.windowHandle(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(deletes, 1);
    EXPECT_EQ(f.Selected(), (Ints{0, 1, 2, 3}));
}

TEST(ListKeyboard, CtrlASelectsOneRowAtMostWithoutMultiSelectAndNothingInAnEmptyList) {
    ListFixture f;
    f.Rows(3);
    f.lv->SetNoMultiSelect(1);
    FocusedWindow w(f);
    QTest::mouseClick(f.lv->PictureList(), Qt::LeftButton, {}, QPoint(30, 10));
    QTest::keyClick(w.top.windowHandle(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(f.Selected(), (Ints{0}));

    ListFixture empty;
    FocusedWindow we(empty);
    QTest::mouseClick(empty.lv->PictureList(), Qt::LeftButton, {}, QPoint(30, 10));
    EXPECT_EQ(QApplication::focusWidget(), empty.lv.get());
    QTest::keyClick(we.top.windowHandle(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(empty.lv->NumSelectedItems(), 0);
}

TEST(ListSelection, ADoubleClickBelowTheLastRowIsNoDoubleClick) {
    ListFixture f;
    f.Rows(3); // rows end at 60 px of the 100 px row area
    int doubles = 0;
    QObject::connect(f.lv.get(), &UC_ListView::DblClicked, [&] { ++doubles; });
    QWidget* rows = f.lv->PictureList();
    QTest::mouseDClick(rows, Qt::LeftButton, {}, QPoint(30, 75));
    EXPECT_EQ(doubles, 0);
    QTest::mouseDClick(rows, Qt::LeftButton, {}, QPoint(30, 55));
    EXPECT_EQ(doubles, 1) << "the last row itself counts";
}

// ---------------------------------------------------------------- dragging

TEST(ListDrag, MoreThanEightPixelsStartsAnItemDrag) {
    ListFixture f;
    f.Rows(5);
    int starts = 0, completes = 0, lastEffect = -1;
    f.lv->SetDragRunner([&](QMimeData* mime, int32_t allowed) {
        EXPECT_EQ(mime->text(), "payload");
        return allowed;
    });
    QObject::connect(f.lv.get(), &UC_ListView::OLEStartDrag,
                     [&](UC_ListViewData& data, int32_t& allowed) {
                         ++starts;
                         data.DragMime()->setText("payload");
                         allowed = 2;
                     });
    QObject::connect(f.lv.get(), &UC_ListView::OLECompleteDrag, [&](int32_t effect) {
        ++completes;
        lastEffect = effect;
    });
    f.lv->PictureList_MouseDown(1, 0, 300, 300);
    f.lv->PictureList_MouseMove(1, 0, 300 + 120, 300);
    f.lv->PictureList_MouseMove(1, 0, 300, 300 - 120);
    EXPECT_EQ(starts, 0) << "exactly 8 px";
    f.lv->PictureList_MouseMove(1, 0, 300, 300 + 135);
    EXPECT_EQ(starts, 1) << "9 px";
    EXPECT_EQ(completes, 1);
    EXPECT_EQ(lastEffect, 2);
    f.lv->PictureList_MouseMove(1, 0, 300, 900);
    EXPECT_EQ(starts, 1) << "one drag per press";
    f.lv->PictureList_MouseMove(0, 0, 300, 900);
    f.lv->PictureList_MouseDown(1, 0, 300, 300);
    f.lv->PictureList_MouseUp(1, 0, 300, 300);
    f.lv->PictureList_MouseMove(1, 0, 900, 900);
    EXPECT_EQ(starts, 1) << "the release ends the chance of a drag";
}

TEST(ListDrag, DragOverScrollsByTheClock) {
    ListFixture f;
    f.Rows(40);
    double now = 100.0;
    f.lv->SetClock([&] { return now; });
    int overs = 0;
    QObject::connect(f.lv.get(), &UC_ListView::OLEDragOver, [&] { ++overs; });
    f.lv->ShowItem(20, 0);
    ASSERT_EQ(f.lv->TopItem(), 20);
    const float topHalf = 100, secondRow = 400;

    f.lv->PictureList_OLEDragOver(50, topHalf); // new position: only stored
    f.lv->PictureList_OLEDragOver(50, topHalf); // more than 1 s since the clock began
    EXPECT_EQ(f.lv->TopItem(), 20) << "the first rest restarts the clock";
    now += 0.01;
    f.lv->PictureList_OLEDragOver(50, topHalf);
    EXPECT_EQ(f.lv->TopItem(), 20) << "under 0.02 s";
    now += 0.01;
    f.lv->PictureList_OLEDragOver(50, topHalf);
    EXPECT_EQ(f.lv->TopItem(), 20 - f.lv->VBar()->LargeChange()) << "a page up";
    const int32_t paged = f.lv->TopItem();

    f.lv->PictureList_OLEDragOver(50, secondRow); // moved: stored, no scroll
    now += 0.1;
    f.lv->PictureList_OLEDragOver(50, secondRow);
    EXPECT_EQ(f.lv->TopItem(), paged) << "second row: 0.2 s between steps";
    now += 0.1;
    f.lv->PictureList_OLEDragOver(50, secondRow);
    EXPECT_EQ(f.lv->TopItem(), paged - 1);
    now += 1.5;
    f.lv->PictureList_OLEDragOver(50, secondRow);
    EXPECT_EQ(f.lv->TopItem(), paged - 1) << "after a pause the clock restarts";

    const float bottom = float(f.lv->PictureList()->height() * 15 - 100);
    f.lv->PictureList_OLEDragOver(50, bottom);
    for (int i = 0; i < 100; ++i) {
        now += 0.05;
        f.lv->PictureList_OLEDragOver(50, bottom);
    }
    EXPECT_EQ(f.lv->TopItem(), f.lv->VBar()->Max()) << "paging down stops at the end";
    EXPECT_EQ(overs, 109);

    f.lv->SetNoOleScroll(1);
    f.lv->ShowItem(0, 0);
    for (int i = 0; i < 5; ++i) {
        now += 0.05;
        f.lv->PictureList_OLEDragOver(50, bottom);
    }
    EXPECT_EQ(f.lv->TopItem(), 0);
}

TEST(ListDrag, ARestingDragKeepsScrollingUntilItLeaves) {
    ListFixture f;
    f.Rows(40);
    f.lv->ShowItem(30, 0);
    double now = 0;
    f.lv->SetClock([&] { return now += 0.05; }); // every notification is 50 ms later
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile("/music/x.wav")});
    QDragEnterEvent enter(QPoint(20, 3), Qt::CopyAction, &mime, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(f.lv->PictureList(), &enter);
    QElapsedTimer wait;
    wait.start();
    while (f.lv->TopItem() == 30 && wait.elapsed() < 3000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_LT(f.lv->TopItem(), 30) << "the list repeats the notification while the pointer rests";
    QDragLeaveEvent leave;
    QApplication::sendEvent(f.lv->PictureList(), &leave);
    const int32_t top = f.lv->TopItem();
    wait.restart();
    while (wait.elapsed() < 300)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(f.lv->TopItem(), top) << "leaving stops it";
}

TEST(ListDrop, ThreeFilesArriveInOrder) {
    ListFixture f;
    f.Rows(2);
    QStringList got;
    float gotY = -1;
    QObject::connect(f.lv.get(), &UC_ListView::OLEDragDrop,
                     [&](UC_ListViewData& data, int32_t&, int16_t, int16_t, float, float y) {
                         for (int32_t i = 1; i <= data.FileCount(); ++i)
                             got << data.Files(i);
                         gotY = y;
                     });
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile("/music/c.wav"), QUrl::fromLocalFile("/music/a b.wav"),
                  QUrl("https://example.org/x.wav"), QUrl::fromLocalFile("/music/b.WAV")});
    QDragEnterEvent enter(QPoint(30, 25), Qt::CopyAction, &mime, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(f.lv->PictureList(), &enter);
    QDropEvent drop(QPointF(30, 25), Qt::CopyAction, &mime, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(f.lv->PictureList(), &drop);
    EXPECT_EQ(got, (QStringList{"/music/c.wav", "/music/a b.wav", "/music/b.WAV"}));
    EXPECT_EQ(gotY, 25 * 15);
    EXPECT_EQ(f.lv->YsItem(gotY), 1);
}

// ---------------------------------------------------------------- header

TEST(ListHeader, ClickSortsAndSecondClickReverses) {
    ListFixture f;
    for (const char* t : {"b", "c", "a"}) {
        f.lv->AddItem(1);
        f.lv->SetValue(-2, 1, t);
    }
    const float col1 = 1200 + 600;
    f.lv->PictureTab_MouseDown(1, 0, col1, 100);
    f.lv->PictureTab_MouseUp(1, 0, col1, 100);
    EXPECT_EQ(f.lv->Value(0, 1).Text() + f.lv->Value(1, 1).Text() + f.lv->Value(2, 1).Text(),
              "abc");
    f.lv->PictureTab_MouseDown(1, 0, col1, 100);
    f.lv->PictureTab_MouseUp(1, 0, col1, 100);
    EXPECT_EQ(f.lv->Value(0, 1).Text() + f.lv->Value(1, 1).Text() + f.lv->Value(2, 1).Text(),
              "cba");
    f.lv->SetSortDisabled(1);
    f.lv->PictureTab_MouseUp(1, 0, col1, 100);
    EXPECT_EQ(f.lv->Value(0, 1).Text(), "c");
}

TEST(ListHeader, BorderDragResizesButNeverBelowTheMinimum) {
    ListFixture f;
    int moved = 0;
    QObject::connect(f.lv.get(), &UC_ListView::TabMoved, [&] { ++moved; });
    f.lv->PictureTab_MouseMove(0, 0, 1200 + 30, 100);
    ASSERT_TRUE(f.lv->SizingPointer());
    f.lv->PictureTab_MouseDown(1, 0, 1200 + 30, 100);
    f.lv->PictureTab_MouseMove(1, 0, 2000, 100);
    EXPECT_EQ(f.lv->TabWidth(0), 2000 + 45) << "the edge follows 3 px right of the pointer";
    EXPECT_EQ(f.lv->Tab(1).Left, 2045);
    f.lv->PictureTab_MouseMove(1, 0, 100, 100);
    EXPECT_EQ(f.lv->TabWidth(0), 450);
    f.lv->PictureTab_MouseUp(1, 0, 100, 100);
    EXPECT_EQ(moved, 1);
    EXPECT_FALSE(f.lv->SizingPointer());
    f.lv->PictureTab_MouseMove(0, 0, 600, 100);
    EXPECT_FALSE(f.lv->SizingPointer());
}

TEST(ListHeader, PositionMenuMovesAColumn) {
    ListFixture f;
    f.lv->SetUseTabOrder(1);
    f.lv->InitTab();
    ASSERT_EQ(f.lv->MenuRCTabP()->actions().size(), 3);
    int reordered = 0;
    QObject::connect(f.lv.get(), &UC_ListView::TabReOrderd, [&] { ++reordered; });
    f.lv->PictureTab_MouseUp(2, 0, 300, 100);
    EXPECT_FALSE(f.lv->MenuRCTabP()->actions()[0]->isEnabled());
    EXPECT_TRUE(f.lv->MenuRCTabP()->actions()[2]->isEnabled());
    f.lv->MenuRCTabP()->close();
    f.lv->MenuRCTabP()->actions()[2]->trigger();
    EXPECT_EQ(reordered, 1);
    EXPECT_EQ(f.lv->TabOrder(0), 2);
    EXPECT_EQ(f.lv->TabOrder(1), 0);
    EXPECT_EQ(f.lv->TabOrder(2), 1);
    EXPECT_EQ(f.lv->Tab(0).Left, 2400);
}

// ---------------------------------------------------------------- editors

TEST(ListEditors, TimeColumnTextIsNormalisedIntoTheCell) {
    ListFixture f;
    f.lv->SetUseTextCombo(1, 1);
    f.lv->SetTextIsTime(1, 1);
    f.lv->SetUseTextCombo(2, 2);
    f.lv->InitTab();
    f.Rows(3);
    f.lv->SetSelectedItem(1);
    f.lv->ReDraw();
    QLineEdit* edit = f.lv->TextLV(0);
    ASSERT_NE(edit, nullptr);
    EXPECT_FALSE(edit->isHidden()) << "shown on the cursor row";
    EXPECT_EQ(edit->y(), 300 / 15 + 1);
    edit->setText("123456");
    EXPECT_EQ(edit->text(), "12:34:56");
    EXPECT_EQ(f.lv->Value(1, 1).Text(), "12:34:56");
    edit->setText("316000");
    EXPECT_EQ(f.lv->Value(1, 1).Text(), "316000");

    f.lv->AddComboItem(2, "one");
    f.lv->AddComboItem(2, "two");
    int changedCol = -1, changedPos = -1;
    QObject::connect(f.lv.get(), &UC_ListView::ComboChaged, [&](int32_t c, int32_t p) {
        changedCol = c;
        changedPos = p;
    });
    f.lv->ComboLV_Click(0, 1);
    EXPECT_EQ(changedCol, 2);
    EXPECT_EQ(changedPos, 1);
    EXPECT_EQ(f.lv->Value(1, 2).Text(), "two");
    EXPECT_EQ(f.lv->ComboIndex(1, 2), 1);
    EXPECT_EQ(f.lv->ComboIndex(0, 2), -1);
    EXPECT_EQ(f.lv->ComboIndex(1, 1), -1) << "no list box in that column";

    f.lv->SetSelectedItem(-1);
    f.lv->ReDraw();
    EXPECT_FALSE(f.lv->TextComboVisible());
}

TEST(ListEditors, DrawingDoesNotRewriteANumberCell) {
    ListFixture f;
    f.lv->SetUseTextCombo(0, 1);
    f.lv->InitTab();
    f.Rows(2);
    f.lv->SetValue(0, 0, 2.5);
    f.lv->SetSelectedItem(0);
    f.lv->ReDraw();
    EXPECT_EQ(f.lv->TextLV(0)->text(), "2.5");
    EXPECT_TRUE(f.lv->Value(0, 0).IsNumber());
}

TEST(ListEditors, KeysAreReportedWithTheirColumn) {
    ListFixture f;
    f.lv->SetUseTextCombo(1, 1);
    f.lv->InitTab();
    f.Rows(1);
    std::vector<std::array<int, 5>> seen;
    QObject::connect(f.lv.get(), &UC_ListView::TextComboKeyAction,
                     [&](int32_t c, int32_t t, int32_t a, int32_t k, int16_t s) {
                         seen.push_back({c, t, a, k, s});
                     });
    QKeyEvent down(QEvent::KeyPress, Qt::Key_A, Qt::ShiftModifier, "A");
    QApplication::sendEvent(f.lv->TextLV(0), &down);
    QKeyEvent up(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(f.lv->TextLV(0), &up);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], (std::array<int, 5>{0, 1, 1, 'A', 1}));
    EXPECT_EQ(seen[1], (std::array<int, 5>{0, 1, 2, 'A', 0}));
    EXPECT_EQ(seen[2], (std::array<int, 5>{0, 1, 0, 13, 0}));
}

} // namespace
