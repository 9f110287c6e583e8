// What each row shows after a run (icon, tooltip), the row in hand during it and the
// summary on the progress bar, through the real window and real clicks.

#include "WindowFixture.h"

#include "common/WavWriter.h"

#include "app/RowStatus.h"
#include "controls/UC_Bar.h"
#include "controls/UC_Check.h"
#include "controls/UC_ListView.h"

#include <QApplication>
#include <QHelpEvent>
#include <QLineEdit>
#include <QToolTip>

#include <cstring>
#include <filesystem>

using namespace testwindow;
using testfiles::ReadWav16;
using testfiles::ToneWithSilence;
using testfiles::WriteBytes;
using testfiles::WriteWav16;
namespace fs = std::filesystem;

namespace {

LVIcon Icon(app::FrmMain& pW, int pRow) {
    return LVIcon(pW.LV()->IconType(pRow));
}

std::string Tip(app::FrmMain& pW, int pRow) {
    return pW.LV()->ItemTip(pRow).toStdString();
}

// The tooltip shown when the pointer rests on a row of the list (a row without a status
// leaves it to the list's own tooltip); empty when nothing shows.
std::string TipUnderPointer(app::FrmMain& pW, int pRow) {
    QWidget* pane = pW.LV()->PictureList();
    const int rowPx = pW.LV()->OneHeight() / Px();
    const QPoint at(60, (pRow - pW.LV()->TopItem()) * rowPx + rowPx / 2);
    QHelpEvent help(QEvent::ToolTip, at, pane->mapToGlobal(at));
    help.setAccepted(false);
    QApplication::sendEvent(pane, &help);
    const std::string text = help.isAccepted() ? QToolTip::text().toStdString() : "";
    QToolTip::hideText();
    return text;
}

} // namespace

TEST_F(WindowTest, EveryRowSaysWhatHappenedToItsFile) {
    const std::string good = folderIn + "/good.wav";
    WriteWav16(good, ToneWithSilence(200, 300, 8000));
    const std::string floatWav = folderIn + "/float.wav";
    WriteBytes(floatWav, testwav::Wav({.Bits = 64, .Tag = 3}, std::string(1600, 0)));
    const std::string text = folderIn + "/notes.wav";
    WriteBytes(text, "just some text\n");
    const std::string ima = folderIn + "/ima.wav";
    WriteBytes(ima, testwav::Wav({.Rate = 16000, .Bits = 4, .Channels = 1, .Tag = 0x11},
                                 std::string(800, 0)));
    const std::string six = folderIn + "/six.wav";
    WriteBytes(six, testwav::Wav({48000, 16, 9}, std::string(1800, 0)));
    const std::string silent = folderIn + "/silent.wav";
    WriteWav16(silent, ToneWithSilence(300, 0, 0));
    auto w = OpenWindowOutputting({good, floatWav, text, ima, six, silent});
    ASSERT_EQ(w->LV()->ItemCount(), 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(Icon(*w, i), LVIcon::Wave);
    StartAndWait(*w);

    EXPECT_EQ(Icon(*w, 0), LVIcon::Check);
    EXPECT_EQ(Tip(*w, 0), "done: saved as " + folderOut + "/good.wav");
    const std::pair<int, const char*> refused[] = {
        {1, "64-bit float"}, {2, "not a RIFF/WAVE file"}, {3, "IMA ADPCM"}, {4, "9 channels"}};
    for (const auto& [row, cause] : refused) {
        EXPECT_EQ(Icon(*w, row), LVIcon::Cross) << row;
        EXPECT_EQ(Tip(*w, row), std::string("failed: not a WAV file it can edit (") + cause + ")");
    }
    // Without OverWrite an all-silent file still gives a result, which holds no audio.
    EXPECT_EQ(Icon(*w, 5), LVIcon::Info);
    EXPECT_EQ(Tip(*w, 5).rfind("no sound above the start threshold", 0), 0u) << Tip(*w, 5);
    EXPECT_EQ(w->ProgBar()->TextToDisp().toStdString(), "1 done, 4 failed, 1 without sound");
    // The reason is the row's tooltip.
    EXPECT_EQ(TipUnderPointer(*w, 1), "failed: not a WAV file it can edit (64-bit float)");
    EXPECT_EQ(TipUnderPointer(*w, 0), Tip(*w, 0));
    // Below the last row the list's own tooltip shows.
    EXPECT_EQ(TipUnderPointer(*w, 7).rfind("Files: 6 files", 0), 0u);

    // The next run starts from clean rows and marks the row in hand.
    for (int i = 5; i >= 1; --i)
        w->LV()->DeleteItem(i);
    std::string textWhileRunning = "unset";
    int iconWhileRunning = -1;
    app::FrmMain* win = w.get();
    WhenReady look([win] { return win->ProgBar()->Value() > 0; },
                   [&] {
                       textWhileRunning = win->ProgBar()->TextToDisp().toStdString();
                       iconWhileRunning = win->LV()->IconType(0);
                   });
    StartAndWait(*w);
    ASSERT_TRUE(look.Done());
    EXPECT_EQ(textWhileRunning, "");
    EXPECT_EQ(iconWhileRunning, int32_t(LVIcon::Arrow)); // the row in hand
    EXPECT_EQ(Tip(*w, 0), "done: saved as " + folderOut + "/good01.wav");
    EXPECT_EQ(w->ProgBar()->TextToDisp().toStdString(), "1 done, 0 failed");
    CloseWindow(w);
}

TEST_F(WindowTest, OverWriteKeepsASilentSourceAndRereadsAReplacedOne) {
    const std::string take = folderIn + "/take.wav";
    WriteWav16(take, ToneWithSilence(1500, 1500, 8000)); // 4.5 s, 1.5 s of it sound
    const std::string silent = folderIn + "/silent.wav";
    WriteWav16(silent, ToneWithSilence(500, 0, 0));
    const std::string before = testfiles::ReadBytes(silent);
    auto w = OpenWindow();
    ClickCentre(w->Panel()->OverWriteBox());
    DropFiles(*w, {take, silent});
    EXPECT_EQ(Cell(*w, 0, app::FileColumn::Length), "000'04.500");
    StartAndWait(*w);
    EXPECT_EQ(Icon(*w, 0), LVIcon::Check);
    EXPECT_EQ(Tip(*w, 0), "done: the source was replaced; its original is in the Trash");
    EXPECT_EQ(Cell(*w, 0, app::FileColumn::Length), "000'01.500"); // read again
    const QImage shown = w->LV()->ListSurface().Image().copy();    // and drawn
    w->LV()->ReDraw();
    EXPECT_TRUE(shown == w->LV()->ListSurface().Image());
    EXPECT_EQ(Cell(*w, 0, app::FileColumn::Format), "wav(44100Hz/16bit/Stereo)");
    EXPECT_EQ(Icon(*w, 1), LVIcon::Info);
    EXPECT_EQ(Tip(*w, 1), "no sound above the start threshold: source kept");
    EXPECT_EQ(testfiles::ReadBytes(silent), before);
    EXPECT_EQ(w->ProgBar()->TextToDisp().toStdString(), "1 done, 0 failed, 1 without sound");
    CloseWindow(w);
}

TEST_F(WindowTest, AbortMarksTheRowInHandAndSkipsTheRest) {
    const std::string first = folderIn + "/first.wav";
    WriteWav16(first, ToneWithSilence(100, 200, 8000));
    const std::string longFile = folderIn + "/long.wav";
    WriteWav16(longFile, ToneWithSilence(1000, 20000, 8000));
    auto w = OpenWindowOutputting({first, longFile, first, first});
    app::FrmMain* win = w.get();
    // The bar still shows the end of the first file until the long one reports.
    WhenReady abort(
        [win] {
            const int32_t value = win->ProgBar()->Value();
            return win->LV()->SelectedItem() == 1 && value > 0 && value < 900;
        },
        [win] { PressButton(*win, 1); });
    StartAndWait(*w);
    ASSERT_TRUE(abort.Done());
    EXPECT_EQ(Icon(*w, 0), LVIcon::Check);
    EXPECT_EQ(Icon(*w, 1), LVIcon::Skip);
    EXPECT_EQ(Tip(*w, 1), "stopped by Abort: nothing written");
    for (int row : {2, 3}) {
        EXPECT_EQ(Icon(*w, row), LVIcon::Skip);
        EXPECT_EQ(Tip(*w, row), "skipped by Abort");
    }
    EXPECT_EQ(w->ProgBar()->TextToDisp().toStdString(), "1 done, 0 failed, 3 skipped");
    EXPECT_FALSE(fs::exists(folderOut + "/long.wav"));
    CloseWindow(w);
}

TEST_F(WindowTest, TheRowInHandIsSelectedAndScrolledIntoView) {
    const std::string take = folderIn + "/take.wav";
    WriteWav16(take, ToneWithSilence(0, 400, 8000));
    auto w = OpenWindowOutputting(std::vector<std::string>(24, take));
    const int visible = w->LV()->VisibleRows();
    ASSERT_LT(visible, 20);
    // A selection of the user's stays; the run marks its row with the working icon.
    w->LV()->SetIsSelected(3, true);
    w->LV()->SetIsSelected(4, true);
    app::FrmMain* win = w.get();
    bool inView = false, selectionKept = false;
    int marked = -1;
    WhenReady check(
        [win] { return win->LV()->SelectedItem() == 20 && win->ProgBar()->Value() > 0; },
        [&] {
            UC_ListView* lv = win->LV();
            inView = lv->TopItem() <= 20 && 20 <= lv->TopItem() + lv->VisibleRows() - 1;
            selectionKept = lv->NumSelectedItems() == 2 && lv->IsSelected(3) && lv->IsSelected(4);
            marked = lv->IconType(20);
        });
    StartAndWait(*w);
    ASSERT_TRUE(check.Done());
    EXPECT_TRUE(inView);
    EXPECT_TRUE(selectionKept);
    EXPECT_EQ(marked, int32_t(LVIcon::Arrow));
    // What is drawn is what a full drawing of the list gives.
    const QImage shown = w->LV()->ListSurface().Image().copy();
    w->LV()->ReDraw();
    EXPECT_TRUE(shown == w->LV()->ListSurface().Image());
    EXPECT_EQ(w->ProgBar()->TextToDisp().toStdString(), "24 done, 0 failed");
    CloseWindow(w);
}

TEST(RowStatus, SummaryCountsEachStateOnce) {
    app::RunTally tally;
    EXPECT_EQ(tally.Summary(), "0 done, 0 failed");
    for (app::RowState s : {app::RowState::Done, app::RowState::Done, app::RowState::Failed,
                            app::RowState::Skipped, app::RowState::InHand, app::RowState::NoSound})
        tally.Add(s);
    EXPECT_EQ(tally.Summary(), "2 done, 1 failed, 1 without sound, 1 skipped");
    job::StepOutcome notReplaced;
    notReplaced.State = job::StepState::ReplaceFailed;
    notReplaced.Reason = "disk full";
    notReplaced.ResultPath = "/a/take01.wav";
    EXPECT_EQ(app::StepStatus(notReplaced).Text,
              "failed: the source was not replaced (disk full); the result is saved as "
              "/a/take01.wav");
    EXPECT_EQ(app::FailedStatus("").Text, "failed: edit failed");
}

TEST_F(WindowTest, ADoneRowSaysWhenTheTruePeakCeilingLoweredTheGain) {
    const std::string take = folderIn + "/take.wav";
    WriteWav16(take, ToneWithSilence(0, 1000, 8000));
    auto w = OpenWindowOutputting({take, take});
    ClickCentre(w->Panel()->ModeBoxOf(NormMode::Loudness)); // Loudness, at -23 LUFS
    ASSERT_EQ(w->Panel()->ModeBoxOf(NormMode::Loudness)->Value(), 1);
    w->Panel()->FieldOf(panel::TextField::Ceiling)->setText("-1");
    StartAndWait(*w);
    EXPECT_EQ(Icon(*w, 0), LVIcon::Check);
    EXPECT_EQ(Tip(*w, 0).find("ceiling"), std::string::npos) << "a -12 dB tone stays under -1 dBTP";

    // A ceiling far below the tone's peak at -23 LUFS holds the gain down, and the row says so.
    w->Panel()->FieldOf(panel::TextField::Ceiling)->setText("-40");
    StartAndWait(*w);
    EXPECT_EQ(Icon(*w, 1), LVIcon::Check);
    const std::string tip = Tip(*w, 1);
    EXPECT_EQ(tip.rfind("done: saved as ", 0), 0u) << tip;
    EXPECT_NE(tip.find("; the true-peak ceiling of -40.0 dBTP lowered the gain: "),
              std::string::npos)
        << tip;
    EXPECT_NE(tip.find(" LUFS instead of -23.0"), std::string::npos) << tip;
    CloseWindow(w);
}
