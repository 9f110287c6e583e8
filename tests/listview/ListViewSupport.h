#pragma once
// A list control set up the way the main window sets up its file list, with
// rows of 300 twips (20 px) so that geometry is easy to reason about.

#include "controls/ControlsTestSupport.h"
#include "controls/UC_ListView.h"

#include <memory>

struct ListFixture {
    // width x height in pixels; rows of 20 px; three columns of 1200 twips.
    explicit ListFixture(int widthPx = 400, int heightPx = 122, bool useUCBar = true,
                         int numData = 3) {
        TestApp();
        lv = std::make_unique<UC_ListView>();
        lv->SetNumData(numData);
        lv->SetNumAux(1);
        lv->SetUseUCBar(useUCBar);
        lv->SetOneHeight(300);
        lv->Init();
        for (int i = 0; i < numData; ++i) {
            lv->SetTabName(i, QString("Col%1").arg(i));
            lv->SetTabWidth(i, 1200);
        }
        // Heights count with the smallest header; a header grown for its font adds its growth.
        lv->resize(widthPx, heightPx + (lv->HeaderHeight() - UC_ListView::TabHeight) / Px());
        lv->ReDrawTab(-1);
        lv->UserControl_Resize();
    }

    // Appends n rows whose column 0 reads "row<i>".
    void Rows(int n) {
        for (int i = 0; i < n; ++i) {
            lv->AddItem(1);
            lv->SetValue(-2, 0, QString("row%1").arg(lv->ItemCount() - 1));
        }
        lv->SetVbarParm();
        lv->ReDraw();
    }

    std::vector<int> Selected() const {
        std::vector<int> out;
        for (int i = 0; i < lv->ItemCount(); ++i)
            if (lv->IsSelected(i)) out.push_back(i);
        return out;
    }

    // Twips of the middle of row r (from the top of the row area).
    static float RowY(int r) { return float(r * 300 + 150); }

    std::unique_ptr<UC_ListView> lv;
};
