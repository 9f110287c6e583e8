// Renders the list in its typical states into review/listview.png for a person to look at.
#include "ListViewSupport.h"

#include <QDir>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

void FillFiles(UC_ListView& lv, int n) {
    const char* formats[] = {"wav(44100Hz/16bit/Stereo)", "wav(48000Hz/24bit/Mono)",
                             "mp3(44100Hz/128kbps/Joint Stereo)"};
    for (int i = 0; i < n; ++i) {
        lv.AddItem(1);
        lv.SetIconType(-2, i % 7 == 6 ? 0 : 1);
        lv.SetValue(-2, 0, QString("take %1 - a rather long title of a recording").arg(i + 1));
        lv.SetValue(-2, 1, QString("00%1'%2.500").arg(i % 10).arg(10 + i, 2, 10, QChar('0')));
        lv.SetValue(-2, 2, formats[i % 3]);
    }
}

TEST(ListReviewPicture, WritesTheListInItsTypicalStates) {
    ListFixture a(560, 200, true);
    a.lv->show(); // showing lays the list out again, so the states come after
    a.lv->SetTabName(0, "Title");
    a.lv->SetTabName(1, "Length");
    a.lv->SetTabName(2, "Format");
    a.lv->SetTabWidth(0, 3600);
    a.lv->SetTabWidth(1, 1050);
    a.lv->SetTabAlign(1, 1);
    a.lv->SetTabWidth(2, 2700);
    a.lv->SetUseMadara(1);
    FillFiles(*a.lv, 12);
    a.lv->SetHLine(4, 0x0000C0);
    a.lv->SetSelectedItem(2);
    a.lv->SetVbarParm();
    a.lv->ReDraw();
    a.lv->ReDrawTab(1);

    ListFixture b(560, 200, false);
    b.lv->show();
    b.lv->SetTabName(0, "Title");
    b.lv->SetTabName(1, "Length");
    b.lv->SetTabName(2, "Format");
    b.lv->SetTabWidth(0, 5200);
    b.lv->SetBorderIfBlank(3);
    FillFiles(*b.lv, 30);
    b.lv->SetValue(5, 2, "");
    b.lv->SetUseTextCombo(1, 1);
    b.lv->SetTextIsTime(1, 1);
    b.lv->InitTab();
    for (int i : {6, 7, 8})
        b.lv->SetIsSelected(i, true);
    b.lv->SetSelectedItem(7);
    b.lv->SetVbarParm();
    b.lv->ShowSelected(0);
    b.lv->ReDrawTab(-1);

    const QImage top = a.lv->grab().toImage();
    const QImage bottom = b.lv->grab().toImage();
    QImage sheet(std::max(top.width(), bottom.width()) + 20, top.height() + bottom.height() + 30,
                 QImage::Format_RGB32);
    sheet.fill(QColor(200, 200, 200));
    {
        QPainter p(&sheet);
        p.drawImage(10, 10, top);
        p.drawImage(10, 20 + top.height(), bottom);
    }
    const char* dir = std::getenv("QUILLAN_BINARY_DIR");
    const QString out = QString(dir ? dir : ".") + "/review";
    ASSERT_TRUE(QDir().mkpath(out));
    ASSERT_TRUE(sheet.save(out + "/listview.png"));
    EXPECT_FALSE(top.isNull());
}

} // namespace
