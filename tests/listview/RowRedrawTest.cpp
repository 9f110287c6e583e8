// Drawing one row or one icon again (ReDrawItem, ReDrawItemIcon) gives the picture of a full
// ReDraw, row tooltips reach the pointer, and ScrollToItem brings an item into view only when it is
// off screen, drawing at once or after its interval.

#include "ListViewSupport.h"

#include <QApplication>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

namespace {

// Rows whose icons, texts, selection and separators all differ, striped.
void Decorate(UC_ListView& pLv) {
    for (int i = 0; i < pLv.ItemCount(); ++i) {
        pLv.SetIconType(i, i % 11);
        pLv.SetValue(i, 1, QString("%1'00.000").arg(i));
        pLv.SetValue(i, 2, QString("wav(44100Hz/16bit/Stereo) %1").arg(i));
        pLv.SetIsSelected(i, i % 3 == 0);
        if (i % 4 == 1) pLv.SetHLine(i, 0x0000FF);
    }
}

TEST(ListRowRedraw, OneRowDrawnAgainMatchesAWholeRedraw) {
    for (const int selectionMode : {9, 13}) {
        ListFixture f(400, 160);
        f.lv->SetUseMadara(1);
        f.lv->SetSelectedColorMode(selectionMode);
        f.Rows(20);
        Decorate(*f.lv);
        f.lv->VBarMove(3);
        f.lv->ReDraw();
        ASSERT_EQ(f.lv->TopItem(), 3);
        const int drawn = f.lv->VisibleRows();
        for (int item = 3; item <= 3 + drawn; ++item) {
            // Change the row, draw only it, and compare with everything drawn from scratch.
            f.lv->SetIconType(item, int32_t(LVIcon::Check));
            f.lv->SetIsSelected(item, !f.lv->IsSelected(item));
            f.lv->SetValue(item, 0, QString("changed %1").arg(item));
            f.lv->ReDrawItem(item);
            const QImage partly = f.lv->ListSurface().Image().copy();
            f.lv->ReDraw();
            EXPECT_TRUE(partly == f.lv->ListSurface().Image())
                << "item " << item << ", selection mode " << selectionMode;
        }
        // Items off screen leave the picture alone.
        const QImage before = f.lv->ListSurface().Image().copy();
        f.lv->SetValue(0, 0, QString("hidden change"));
        f.lv->ReDrawItem(0);
        f.lv->ReDrawItem(19);
        f.lv->ReDrawItem(-1);
        EXPECT_TRUE(before == f.lv->ListSurface().Image());
    }
}

TEST(ListRowRedraw, AnIconDrawnAgainMatchesAWholeRedraw) {
    ListFixture f(400, 160);
    f.lv->SetUseMadara(1);
    f.Rows(12);
    f.lv->SetIsSelected(2, true); // rows 1 to 3 have a band next to or on them
    f.lv->SetHLine(6, 0x0000FF);  // and rows 5 to 7 a separator
    f.lv->ReDraw();
    for (int item = 0; item < 8; ++item) {
        for (const LVIcon icon : {LVIcon::Arrow, LVIcon::Cross, LVIcon::Skip}) {
            f.lv->SetIconType(item, int32_t(icon));
            f.lv->ReDrawItemIcon(item);
            const QImage partly = f.lv->ListSurface().Image().copy();
            f.lv->ReDraw();
            EXPECT_TRUE(partly == f.lv->ListSurface().Image()) << "item " << item;
        }
    }
}

TEST(ListRowRedraw, ScrollToItemMovesOnlyForAnItemOffScreen) {
    ListFixture f;
    f.Rows(30);
    const int visible = f.lv->VisibleRows();
    ASSERT_GT(visible, 2);
    EXPECT_FALSE(f.lv->ScrollToItem(visible - 1));
    EXPECT_EQ(f.lv->TopItem(), 0);
    EXPECT_TRUE(f.lv->ScrollToItem(20));
    EXPECT_LE(f.lv->TopItem(), 20);
    EXPECT_GE(f.lv->TopItem() + visible - 1, 20);
    const int top = f.lv->TopItem();
    EXPECT_FALSE(f.lv->ScrollToItem(top));
    EXPECT_FALSE(f.lv->ScrollToItem(30)); // no such item
    EXPECT_EQ(f.lv->TopItem(), top);
}

// A scroll within the interval leaves the old page on screen, icons changed meanwhile draw
// nothing onto it, and the waiting drawing (on ending the interval, or by its timer) gives the
// picture of a full ReDraw.
TEST(ListRowRedraw, AScrollDrawingThatWaitsShowsEveryChangeMadeMeanwhile) {
    ListFixture f(400, 160);
    f.lv->SetUseMadara(1);
    f.Rows(60);
    Decorate(*f.lv);
    f.lv->ReDraw();
    // An hour: the drawing waits for certain, whatever the machine's speed.
    f.lv->SetScrollDrawInterval(3600 * 1000);
    f.lv->ReDraw(); // the interval counts from the last drawing
    const QImage before = f.lv->ListSurface().Image().copy();
    int item = f.lv->VisibleRows() + 1;
    for (int page = 0; page < 3; ++page) {
        ASSERT_TRUE(f.lv->ScrollToItem(item));
        EXPECT_TRUE(f.lv->ScrollDrawWaiting());
        f.lv->SetIconType(item, int32_t(LVIcon::Arrow));
        f.lv->ReDrawItemIcon(item);
        f.lv->SetValue(item, 0, QString("changed %1").arg(item));
        f.lv->ReDrawItem(item);
        EXPECT_TRUE(before == f.lv->ListSurface().Image()) << "page " << page;
        item += f.lv->VisibleRows() - 1;
    }
    f.lv->SetScrollDrawInterval(0);
    EXPECT_FALSE(f.lv->ScrollDrawWaiting());
    const QImage flushed = f.lv->ListSurface().Image().copy();
    f.lv->ReDraw();
    EXPECT_TRUE(flushed == f.lv->ListSurface().Image());
    EXPECT_FALSE(flushed == before);

    // Without an interval a scroll draws at once; with a short one, the timer draws it.
    EXPECT_TRUE(f.lv->ScrollToItem(0));
    EXPECT_FALSE(f.lv->ScrollDrawWaiting());
    f.lv->SetScrollDrawInterval(20);
    f.lv->ReDraw();
    ASSERT_TRUE(f.lv->ScrollToItem(40));
    f.lv->SetIconType(40, int32_t(LVIcon::Check));
    f.lv->ReDrawItemIcon(40);
    QTRY_VERIFY_WITH_TIMEOUT(!f.lv->ScrollDrawWaiting(), 10000);
    const QImage late = f.lv->ListSurface().Image().copy();
    f.lv->ReDraw();
    EXPECT_TRUE(late == f.lv->ListSurface().Image());
    f.lv->SetScrollDrawInterval(0);
}

TEST(ListRowRedraw, TheRowUnderThePointerShowsItsTip) {
    ListFixture f;
    f.Rows(3);
    f.lv->SetItemTip(0, "failed: not a WAV file it can edit (32-bit float)");
    f.lv->show();
    QWidget* pane = f.lv->PictureList();
    // The tip shown; none when the pane leaves the event unhandled.
    auto ask = [&](int pRow) {
        const QPoint at(40, pRow * 20 + 10);
        QHelpEvent help(QEvent::ToolTip, at, pane->mapToGlobal(at));
        help.setAccepted(false);
        QApplication::sendEvent(pane, &help);
        return help.isAccepted() ? QToolTip::text() : QString();
    };
    EXPECT_EQ(ask(0), "failed: not a WAV file it can edit (32-bit float)");
    EXPECT_EQ(ask(1), ""); // no tip: the shown one goes
    EXPECT_EQ(ask(5), ""); // below the last row
    // The tip travels with its row when the rows are reordered.
    f.lv->ReOrder(0, 1);
    f.lv->ReOrder(0, 0); // the same column again: reversed
    ASSERT_EQ(f.lv->Value(0, 0).Text(), "row2");
    int tipped = -1;
    for (int i = 0; i < 3; ++i)
        if (!f.lv->ItemTip(i).isEmpty()) tipped = i;
    ASSERT_GE(tipped, 0);
    EXPECT_EQ(f.lv->Value(tipped, 0).Text(), "row0");
    QToolTip::hideText();
}

} // namespace
