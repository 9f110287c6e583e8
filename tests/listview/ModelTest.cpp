// Item store, addressing, selection and reordering of the list control.
#include "controls/UC_ListViewModel.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class Model : public UC_ListViewModel {
  public:
    explicit Model(int numData = 3) {
        SetNumData(numData);
        SetNumAux(1);
        InitModel();
    }
    void SetTop(int32_t v) { SetTopItem(v); }
    void SetOffset(int32_t v) { SetHOffset(v); }
    // Fills column 0 with the given texts and the aux value with the original index.
    void Fill(std::initializer_list<const char*> texts) {
        for (const char* t : texts) {
            AddItem(1);
            SetValue(-2, 0, t);
            SetAuxID(-2, 0, ItemCount() - 1);
        }
    }
    std::vector<QString> Column(int32_t col) const {
        std::vector<QString> out;
        for (int32_t i = 0; i < ItemCount(); ++i)
            out.push_back(Value(i, col).Text());
        return out;
    }
};

using Texts = std::vector<QString>;

TEST(ListModelVariant, EmptyNumberAndTextSurviveARoundTrip) {
    Model m;
    m.AddItem(1);
    m.SetValue(0, 0, 2.5);
    m.SetValue(0, 1, "A text");
    EXPECT_TRUE(m.Value(0, 0).IsNumber());
    EXPECT_EQ(m.Value(0, 0).Number(), 2.5);
    EXPECT_EQ(m.Value(0, 0).Text(), "2.5");
    EXPECT_TRUE(m.Value(0, 1).IsText());
    EXPECT_EQ(m.Value(0, 1).Text(), "A text");
    EXPECT_TRUE(m.Value(0, 2).IsEmpty());
    EXPECT_EQ(m.Value(0, 2).Text(), "");
    m.SetAuxID(0, 0, "/tmp/x.wav");
    EXPECT_EQ(m.AuxID(0, 0).Text(), "/tmp/x.wav");
    bool ok = true;
    LVVariant("abc").Number(&ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(LVVariant(" 12.5 ").Number(&ok), 12.5);
    EXPECT_TRUE(ok);
}

TEST(ListModelAddressing, CursorAndLastAndOutOfRange) {
    Model m;
    m.AddItem(3);
    for (int i = 0; i < 3; ++i)
        m.SetValue(i, 0, i * 10);
    EXPECT_TRUE(m.Value(-1, 0).IsEmpty()) << "no cursor yet";
    m.SetSelectedItem(1);
    EXPECT_EQ(m.Value(-1, 0).Number(), 10);
    EXPECT_EQ(m.Value(-2, 0).Number(), 20);
    EXPECT_TRUE(m.Value(3, 0).IsEmpty());
    EXPECT_TRUE(m.Value(0, 3).IsEmpty()) << "column out of range";
    m.SetValue(7, 0, 1);  // ignored
    m.SetValue(0, -1, 1); // ignored
    EXPECT_EQ(m.ItemCount(), 3);

    m.SetDispColor(2, 0x123456);
    m.SetHLine(2, 0xFF);
    m.SetIconType(2, 4);
    EXPECT_EQ(m.DispColor(-2), 0u) << "colour reads refuse -2";
    EXPECT_EQ(m.HLine(-2), 0u);
    EXPECT_EQ(m.IconType(-2), 4);
    m.SetIsSelected(2, true);
    EXPECT_FALSE(m.IsSelected(-2));
    EXPECT_TRUE(m.IsSelected(2));
}

TEST(ListModelStore, InsertAtCursorAndColoursOfNewItems) {
    Model m;
    m.SetTextColor(0x00112233);
    m.InsertItem(-1, 0);
    EXPECT_EQ(m.ItemCount(), 0) << "no cursor: nothing inserted";

    m.AddItem(5);
    EXPECT_EQ(m.DispColor(4), 0x00112233u) << "AddItem takes the text colour";
    m.SetSelectedItem(3);
    m.SetValue(3, 0, "three");
    m.InsertItem(-1, 0);
    EXPECT_EQ(m.ItemCount(), 6);
    EXPECT_TRUE(m.Value(3, 0).IsEmpty());
    EXPECT_EQ(m.Value(4, 0).Text(), "three");
    EXPECT_EQ(m.SelectedItem(), 4);
    EXPECT_EQ(m.DispColor(3), 0u) << "inserted items are blank";

    m.InsertItem(m.ItemCount(), 2);
    EXPECT_EQ(m.ItemCount(), 8);
    EXPECT_EQ(m.DispColor(7), 0u);
    EXPECT_EQ(m.SelectedItem(), 4) << "appending leaves the cursor";
    m.InsertItem(9, 1);
    EXPECT_EQ(m.ItemCount(), 8) << "beyond the end: nothing";

    // Growth beyond the spare records still gives the text colour and full arrays.
    m.AddItem(450);
    EXPECT_EQ(m.DispColor(457), 0x00112233u);
    m.SetValue(457, 2, "x");
    EXPECT_EQ(m.Value(-2, 2).Text(), "x");
}

TEST(ListModelStore, DeleteRulesAndCursor) {
    Model m;
    m.Fill({"a", "b", "c", "d", "e"});
    m.SetSelectedItem(4);
    m.DeleteItem(-1);
    EXPECT_EQ(m.ItemCount(), 4);
    EXPECT_EQ(m.SelectedItem(), 4) << "the cursor keeps its index";
    EXPECT_TRUE(m.Value(-1, 0).IsEmpty());
    EXPECT_EQ(m.IconType(-1), 0);
    m.InsertItem(-1, 1); // cursor past the end: append at the end is allowed
    EXPECT_EQ(m.ItemCount(), 5);
    m.DeleteItem(-2);

    m.SetSelectedItem(2);
    m.DeleteItem(0);
    EXPECT_EQ(m.SelectedItem(), 1);
    EXPECT_EQ(m.Value(-1, 0).Text(), "c");
    m.DeleteItem(1);
    EXPECT_EQ(m.SelectedItem(), 1) << "deleting the cursor item keeps the index";
    EXPECT_EQ((Texts{"b", "d"}), m.Column(0));
    m.DeleteItem(5);
    EXPECT_EQ(m.ItemCount(), 2);

    Model r;
    r.Fill({"a", "b", "c", "d", "e"});
    r.DeleteItemEx(-5, 1);
    EXPECT_EQ((Texts{"c", "d", "e"}), r.Column(0));
    r.DeleteItemEx(2, 1);
    EXPECT_EQ(r.ItemCount(), 3);
    r.DeleteItemEx(1, 99);
    EXPECT_EQ((Texts{"c"}), r.Column(0));

    Model s;
    s.Fill({"a", "b", "c", "d"});
    s.SetIsSelected(1, true);
    s.SetIsSelected(3, true);
    s.SetSelectedItem(0);
    s.DeleteSelected();
    EXPECT_EQ((Texts{"c"}), s.Column(0)) << "cursor item 0 was selected too";
    EXPECT_EQ(s.SelectedItem(), -1);
    s.DeleteAll();
    EXPECT_EQ(s.ItemCount(), 0);
    s.AddItem(1);
    EXPECT_TRUE(s.Value(0, 0).IsEmpty()) << "records after DeleteAll are fresh";
}

TEST(ListModelSelection, CursorSelectionAndCounts) {
    Model m;
    m.UnSelectAll();
    EXPECT_EQ(m.SelectedItem(), -1);
    m.AddItem(4);
    m.SetSelectedItem(9);
    EXPECT_EQ(m.SelectedItem(), 3);
    m.SetSelectedItem(1);
    EXPECT_EQ(m.NumSelectedItems(), 2) << "other items keep their states";
    EXPECT_TRUE(m.MultiSelected());
    m.SetIsSelected(-1, false);
    EXPECT_EQ(m.SelectedItem(), -1);
    EXPECT_FALSE(m.IsSelected(1));
    m.SelectAll();
    EXPECT_EQ(m.NumSelectedItems(), 4);
    m.UnSelectAll();
    EXPECT_EQ(m.NumSelectedItems(), 0);
    EXPECT_FALSE(m.MultiSelected());

    m.MoveCursor(0);
    EXPECT_EQ(m.SelectedItem(), 0) << "no cursor: either direction gives item 0";
    m.MoveCursor(0);
    EXPECT_EQ(m.SelectedItem(), 0);
    m.MoveCursor(1);
    m.MoveCursor(1);
    EXPECT_EQ(m.SelectedItem(), 2);
    EXPECT_EQ(m.NumSelectedItems(), 1);
}

TEST(ListModelReorder, ExchangeMovesTheCursorItem) {
    Model m;
    m.Fill({"a", "b", "c"});
    m.ExchangeItem(1);
    EXPECT_EQ((Texts{"a", "b", "c"}), m.Column(0)) << "no cursor: nothing";
    m.SelectAll();
    m.SetSelectedItem(0);
    m.ExchangeItem(2);
    EXPECT_EQ((Texts{"c", "b", "a"}), m.Column(0));
    EXPECT_EQ(m.SelectedItem(), 2);
    EXPECT_EQ(m.NumSelectedItems(), 1);
    m.ExchangeItem(1);
    EXPECT_EQ(m.SelectedItem(), 2) << "target out of range";
}

TEST(ListModelReorder, TextSortIgnoresCaseAndReversesOnSecondCall) {
    Model m;
    m.Fill({"b", "A", "a"});
    m.SetSelectedItem(0); // "b"
    m.ReOrder(0, 0);
    Texts first = m.Column(0);
    EXPECT_TRUE(first == (Texts{"A", "a", "b"}) || first == (Texts{"a", "A", "b"}));
    EXPECT_EQ(m.SelectedItem(), 2) << "the cursor follows its item";
    EXPECT_EQ(m.Value(-1, 0).Text(), "b");
    EXPECT_EQ(m.NumSelectedItems(), 1);
    m.ReOrder(0, 0);
    Texts second = m.Column(0);
    std::reverse(second.begin(), second.end());
    EXPECT_EQ(first, second);
    EXPECT_EQ(m.LastSortReversed(), 1);
    m.ReOrder(0, 0);
    Texts third = m.Column(0);
    EXPECT_EQ(third[2], "b") << "a third click sorts ascending again";
    EXPECT_EQ(third[0].toLower(), "a");
}

TEST(ListModelReorder, ForcedSortStaysAscendingAndNumericColumns) {
    Model m;
    m.Fill({"10", "9", "x", "100", "-1"});
    m.ReOrder(0, 1);
    Texts once = m.Column(0);
    EXPECT_EQ((Texts{"-1", "10", "100", "9", "x"}), once) << "text order";
    m.ReOrder(0, 1);
    EXPECT_EQ(m.Column(0), once);

    m.SetDataNumeric(0, 1);
    m.ReOrder(0, 1);
    EXPECT_EQ((Texts{"x", "-1", "9", "10", "100"}), m.Column(0))
        << "numbers by value, a non-number first";
    m.ReOrder(0, 0);
    EXPECT_EQ((Texts{"100", "10", "9", "-1", "x"}), m.Column(0));
}

TEST(ListModelReorder, SortOfManyItemsIsOrderedAndKeepsRows) {
    Model m;
    const int n = 5000;
    for (int i = 0; i < n; ++i) {
        m.AddItem(1);
        m.SetValue(-2, 0, QString::number((i * 7919) % n).rightJustified(5, '0'));
        m.SetAuxID(-2, 0, (i * 7919) % n);
    }
    m.ReOrder(0, 1);
    for (int i = 0; i < n; ++i) {
        ASSERT_EQ(m.AuxID(i, 0).Number(), i);
        ASSERT_EQ(m.Value(i, 0).Text().toInt(), i) << "cells travel with their row";
    }
}

TEST(ListModelReorder, ShuffleKeepsEveryItem) {
    Model two;
    two.Fill({"a", "b"});
    for (int k = 0; k < 20; ++k)
        two.RndItem();
    EXPECT_EQ((Texts{"a", "b"}), two.Column(0));

    Model m;
    for (int i = 0; i < 300; ++i) {
        m.AddItem(1);
        m.SetValue(-2, 0, i);
    }
    m.SetDataNumeric(0, 1);
    m.ReOrder(0, 1);
    m.SetSelectedItem(5);
    m.RndItem();
    EXPECT_EQ(m.LastSortColumn(), -1);
    std::vector<int> seen;
    for (int i = 0; i < 300; ++i)
        seen.push_back(int(m.Value(i, 0).Number()));
    EXPECT_NE(seen[0] + seen[1] * 1000, 0 + 1000) << "the order changed";
    EXPECT_EQ(m.Value(-1, 0).Number(), 5) << "the cursor follows its item";
    std::sort(seen.begin(), seen.end());
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(seen[size_t(i)], i);
}

TEST(ListModelGeometry, YsItemAndRowUnderPoint) {
    Model m;
    m.SetOneHeightValue(300);
    EXPECT_EQ(m.EditorHeight(), 300);
    m.AddItem(10);
    EXPECT_EQ(m.YsItem(0), 0);
    EXPECT_EQ(m.YsItem(299), 0);
    EXPECT_EQ(m.YsItem(300), 1);
    EXPECT_EQ(m.YsItem(9000), 10) << "below the last row";
    EXPECT_EQ(m.YsItem(-500), 0);
    m.SetTop(4);
    EXPECT_EQ(m.YsItem(300), 5);
    // The row under a point is measured 4 px (60 twips) higher and stays on an item.
    EXPECT_EQ(m.RowAt(359), 4);
    EXPECT_EQ(m.RowAt(360), 5);
    EXPECT_EQ(m.RowAt(90000), 9);

    Model zero;
    zero.AddItem(2);
    EXPECT_EQ(zero.YsItem(1000), 0) << "no row height: no division by zero";
}

TEST(ListModelGeometry, TwipsPerPixelComeFromTheOwnerAtEachUse) {
    Model m;
    m.SetOneHeightValue(300);
    m.AddItem(10);
    EXPECT_EQ(m.Px(), 15) << "a model on its own assumes 96 dpi";
    EXPECT_EQ(m.RowAt(359), 0) << "359 - 4 x 15";
    EXPECT_EQ(m.BorderAt(1255), 0) << "within 5 x 15 of the first border";
    int32_t px = 10; // a 144-dpi screen
    m.SetPxSource([&px] { return px; });
    EXPECT_EQ(m.RowAt(359), 1) << "359 - 4 x 10";
    EXPECT_EQ(m.BorderAt(1255), -1) << "farther than 5 x 10";
    EXPECT_EQ(m.BorderAt(1245), 0);
    px = 15;
    EXPECT_EQ(m.BorderAt(1255), 0) << "the owner's value is read again";
}

TEST(ListModelSelection, PressRulesStandWithoutAWidget) {
    Model m;
    m.AddItem(8);
    auto selected = [&m] {
        std::vector<int> out;
        for (int i = 0; i < m.ItemCount(); ++i)
            if (m.IsSelected(i)) out.push_back(i);
        return out;
    };
    m.PressRow(5, 1, true);
    EXPECT_EQ(selected(), (std::vector<int>{0, 1, 2, 3, 4, 5})) << "Shift with no cursor";
    EXPECT_EQ(m.SelectedItem(), 5);
    m.PressRow(3, 0, true);
    EXPECT_EQ(selected().size(), 6u) << "a plain press inside the range keeps it once";
    EXPECT_EQ(m.SelectedItem(), 3);
    m.PressRow(3, 0, true);
    EXPECT_EQ(selected(), std::vector<int>{3});
    m.PressRow(6, 2, true);
    EXPECT_EQ(selected(), std::vector<int>{3}) << "Ctrl toggles on release, not on the press";
    EXPECT_EQ(m.SelectedItem(), 6);
    m.PressRow(0, 0, true);
    EXPECT_EQ(selected(), std::vector<int>{3}) << "the press after Ctrl is swallowed";
    m.PressRow(7, 1, false);
    EXPECT_EQ(selected(), std::vector<int>{7}) << "no multiple selection: Shift is a plain press";
}

TEST(ListModelColumns, OrderWidthsAndHitTesting) {
    Model m;
    for (int i = 0; i < 3; ++i)
        m.SetTabWidth(i, 1000);
    m.SetTabOrder(0, 2);
    EXPECT_EQ(m.TabOrder(0), 2);
    EXPECT_EQ(m.TabOrder(1), 0);
    EXPECT_EQ(m.TabOrder(2), 1);
    EXPECT_EQ(m.TabAtPosition(0), 1);
    EXPECT_EQ(m.Tab(0).Left, 2000);
    m.SetTabOrder(0, 0);
    EXPECT_EQ(m.TabOrder(0), 0);
    EXPECT_EQ(m.TabOrder(1), 1);
    EXPECT_EQ(m.TabOrder(2), 2);
    m.SetTabOrder(0, 3); // out of range
    EXPECT_EQ(m.TabOrder(0), 0);

    m.SetTabWidth(1, 100);
    EXPECT_EQ(m.TabWidth(1), 450);
    EXPECT_EQ(m.TotalTabWidth(), 2450);
    m.SetTabHidden(1, 1);
    EXPECT_EQ(m.Tab(1).Right, m.Tab(1).Left);
    EXPECT_EQ(m.Tab(2).Left, 1000);
    EXPECT_EQ(m.TotalTabWidth(), 2000);

    EXPECT_EQ(m.TabAt(10), 0);
    EXPECT_EQ(m.TabAt(1500), 2) << "the hidden column is skipped";
    EXPECT_EQ(m.TabAt(50000), 2);
    EXPECT_EQ(m.BorderAt(1000 + 74), 0);
    EXPECT_EQ(m.BorderAt(1000 + 75), -1) << "5 px at 15 twips is the limit";
    EXPECT_EQ(m.BorderAt(1990), 2);
    m.SetOffset(500);
    EXPECT_EQ(m.BorderAt(500), 0);

    m.SetUseTextCombo(0, 2);
    EXPECT_EQ(m.FrontObj(0), 2);
    m.SetUseTextCombo(0, 3);
    EXPECT_EQ(m.FrontObj(0), 1);
}

TEST(ListModelEditors, TimeTextNormalisation) {
    EXPECT_EQ(UC_ListViewModel::NormaliseTimeText("123456"), "12:34:56");
    EXPECT_EQ(UC_ListViewModel::NormaliseTimeText("305959"), "30:59:59");
    EXPECT_EQ(UC_ListViewModel::NormaliseTimeText("310000"), "310000");
    EXPECT_EQ(UC_ListViewModel::NormaliseTimeText("126000"), "126000");
    EXPECT_EQ(UC_ListViewModel::NormaliseTimeText("120060"), "120060");
    EXPECT_EQ(UC_ListViewModel::NormaliseTimeText("1234567"), "1234567");
    EXPECT_EQ(UC_ListViewModel::NormaliseTimeText("12a456"), "12a456");
    EXPECT_EQ(UC_ListViewModel::NormaliseTimeText(QString::fromUtf8("１２３４５６")),
              QString::fromUtf8("１２３４５６"));
}

} // namespace
