// Drops and batch runs through the real window, checked on the files on disk.

#include "WindowFixture.h"

#include "controls/UC_Bar.h"
#include "controls/UC_Check.h"
#include "controls/UC_ListView.h"
#include "controls/UC_PathText.h"

#include <QApplication>
#include <QLineEdit>

#include <csignal>
#include <filesystem>

#include <sys/resource.h>

using namespace testwindow;
using testfiles::Pcm16;
using testfiles::PeakOf;
using testfiles::ReadBytes;
using testfiles::ReadWav16;
using testfiles::ToneWithSilence;
using testfiles::WriteWav16;
namespace fs = std::filesystem;

namespace {

size_t Frames(const std::string& path) {
    return ReadWav16(path).Frames();
}

// Pixels of the list's row picture that differ from its empty background.
int Ink(const Surface& s) {
    const QImage& image = s.Image();
    if (image.isNull()) return 0;
    const QRgb blank = image.pixel(0, image.height() - 1); // no column line passes there
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) != blank;
    return n;
}

} // namespace

TEST_F(WindowTest, DropAddsOnlyExactWavFilesWithLengthAndFormat) {
    std::string a = folderIn + "/a.wav";
    WriteWav16(a, ToneWithSilence(0, 2000, 8000));
    testfiles::WriteBytes(folderIn + "/b.mp3", "not audio");
    WriteWav16(folderIn + "/c.WAV", ToneWithSilence(0, 100, 8000));
    auto w = OpenWindow();
    w->LV()->SetEmptyText(QString()); // only the row's ink counts
    int emptyInk = Ink(w->LV()->ListSurface());
    DropFiles(*w, {a, folderIn + "/b.mp3", folderIn + "/c.WAV"});
    ASSERT_EQ(w->LV()->ItemCount(), 1);
    EXPECT_GT(Ink(w->LV()->ListSurface()), emptyInk + 100); // the row is drawn
    EXPECT_EQ(Cell(*w, 0, app::FileColumn::Title), "a");
    EXPECT_EQ(Cell(*w, 0, app::FileColumn::Length), "000'02.000");
    EXPECT_EQ(Cell(*w, 0, app::FileColumn::Format), "wav(44100Hz/16bit/Stereo)");
    EXPECT_EQ(w->LV()->AuxID(0, app::kPathAux).Text().toStdString(), a);

    // The same file twice gives two rows; a broken WAV still gets a row.
    testfiles::WriteBytes(folderIn + "/broken.wav", "RIFF....WAVEjunk");
    DropFiles(*w, {a, folderIn + "/broken.wav"});
    ASSERT_EQ(w->LV()->ItemCount(), 3);
    EXPECT_EQ(Cell(*w, 1, app::FileColumn::Title), "a");
    EXPECT_EQ(Cell(*w, 2, app::FileColumn::Title), "broken");
    CloseWindow(w);
}

TEST_F(WindowTest, DoubleClickDeletesTheSelectedRowsOnlyWhenIdle) {
    std::string a = folderIn + "/a.wav";
    WriteWav16(a, ToneWithSilence(0, 100, 8000));
    auto w = OpenWindow();
    DropFiles(*w, {a, a, a});
    emit w->LV()->DblClicked(); // nothing selected
    EXPECT_EQ(w->LV()->ItemCount(), 3);
    w->LV()->SetIsSelected(1, true);
    emit w->LV()->DblClicked();
    EXPECT_EQ(w->LV()->ItemCount(), 2);
    CloseWindow(w);
}

TEST_F(WindowTest, StartWritesEditedFilesIntoTheOutputFolder) {
    std::string take = folderIn + "/take.wav";
    Pcm16 source = ToneWithSilence(500, 1000, 8000); // peak well below full scale
    WriteWav16(take, source);
    auto w = OpenWindowOutputting({take});
    StartAndWait(*w);
    EXPECT_EQ(w->RunState(), 0);
    EXPECT_EQ(w->ProgBar()->Value(), 0);

    Pcm16 out = ReadWav16(folderOut + "/take.wav");
    ASSERT_FALSE(out.samples.empty());
    // Trimmed to the tone (margins 0) and brought to a 0 dB peak.
    EXPECT_NEAR(double(out.Frames()), 44100.0, 2.0);
    EXPECT_GE(PeakOf(out), 32700);
    EXPECT_EQ(ReadWav16(take).samples, source.samples);

    // The name is taken now: the next run writes take01.wav.
    StartAndWait(*w);
    EXPECT_TRUE(fs::exists(folderOut + "/take01.wav"));
    EXPECT_EQ(ReadWav16(folderOut + "/take01.wav").samples, out.samples);

    // Without a usable output folder the result goes beside the source.
    w->Panel()->OutputTo()->SetText("");
    StartAndWait(*w);
    EXPECT_EQ(ReadWav16(folderIn + "/take01.wav").samples, out.samples);
    EXPECT_EQ(ReadWav16(take).samples, source.samples);
    CloseWindow(w);
}

TEST_F(WindowTest, MarginTextsReachTheEngineAsWholeMilliseconds) {
    std::string take = folderIn + "/take.wav";
    WriteWav16(take, ToneWithSilence(500, 1000, 8000));
    auto w = OpenWindowOutputting({take});
    StartAndWait(*w);
    size_t plain = Frames(folderOut + "/take.wav");

    w->Panel()->FieldOf(panel::TextField::StartMargin)->setText("-250"); // 250 ms = 11025 frames
    w->Panel()->FieldOf(panel::TextField::EndMargin)->setText("abc");    // 0
    StartAndWait(*w);
    EXPECT_NEAR(double(Frames(folderOut + "/take01.wav")), double(plain + 11025), 1.0);

    // Trim Level off at Start: no margins, no trimming.
    ClickCentre(w->Panel()->UseBoxOf(panel::UseBox::Trim));
    StartAndWait(*w);
    EXPECT_EQ(Frames(folderOut + "/take02.wav"), size_t(44100 * 2));
    CloseWindow(w);
}

TEST_F(WindowTest, OverWriteReplacesTheSourceAndLeavesNoNumberedFile) {
    std::string take = folderIn + "/take.wav";
    Pcm16 source = ToneWithSilence(300, 500, 8000);
    WriteWav16(take, source);
    auto w = OpenWindow();
    w->Panel()->OutputTo()->SetText(QString::fromStdString(folderOut)); // ignored with OverWrite
    ClickCentre(w->Panel()->OverWriteBox());
    DropFiles(*w, {take});
    StartAndWait(*w);
    Pcm16 edited = ReadWav16(take);
    EXPECT_NEAR(double(edited.Frames()), 22050.0, 2.0);
    EXPECT_GE(PeakOf(edited), 32700);
    EXPECT_FALSE(fs::exists(folderIn + "/take01.wav"));
    EXPECT_TRUE(fs::is_empty(folderOut));
    CloseWindow(w);
}

TEST_F(WindowTest, AbortDuringALongFileRemovesItsTargetAndKeepsTheSource) {
    std::string take = folderIn + "/long.wav";
    std::string second = folderIn + "/next.wav";
    WriteWav16(take, ToneWithSilence(1000, 20000, 8000)); // about 3.7 MB
    WriteWav16(second, ToneWithSilence(100, 100, 8000));
    std::string before = ReadBytes(take);
    auto w = OpenWindow();
    ClickCentre(w->Panel()->OverWriteBox()); // the target is the numbered temporary name
    DropFiles(*w, {take, second});
    app::FrmMain* win = w.get();
    WhenReady abort([win] { return win->ProgBar()->Value() > 0; }, [win] { PressButton(*win, 1); });
    StartAndWait(*w);
    EXPECT_TRUE(abort.Done());
    EXPECT_EQ(w->RunState(), 0);
    EXPECT_EQ(ReadBytes(take), before);
    EXPECT_FALSE(fs::exists(folderIn + "/long01.wav"));
    EXPECT_FALSE(fs::exists(folderIn + "/next01.wav")); // the run ended there
    EXPECT_EQ(ReadWav16(second).Frames(), size_t(44100 * 3 / 10));

    // Abort left set while idle does not stop the next run.
    PressButton(*w, 1);
    w->LV()->DeleteItem(0);
    StartAndWait(*w);
    EXPECT_NE(ReadWav16(second).Frames(), size_t(44100 * 3 / 10));
    CloseWindow(w);
}

TEST_F(WindowTest, ClearAndDeletionWaitWhileARunIsGoing) {
    std::string take = folderIn + "/long.wav";
    WriteWav16(take, ToneWithSilence(500, 20000, 8000));
    auto w = OpenWindowOutputting({take, take});
    app::FrmMain* win = w.get();
    int countDuringRun = -1;
    WhenReady tryClear([win] { return win->ProgBar()->Value() > 0; },
                       [win, &countDuringRun] {
                           PressButton(*win, 0);
                           win->LV()->SetIsSelected(1, true);
                           emit win->LV()->DblClicked();
                           PressButton(*win, 2); // a second Start is ignored
                           countDuringRun = win->LV()->ItemCount();
                       });
    StartAndWait(*w);
    EXPECT_EQ(countDuringRun, 2);
    EXPECT_EQ(w->LV()->ItemCount(), 2);
    EXPECT_TRUE(fs::exists(folderOut + "/long.wav"));
    EXPECT_TRUE(fs::exists(folderOut + "/long01.wav"));
    EXPECT_FALSE(fs::exists(folderOut + "/long02.wav"));

    PressButton(*w, 0); // idle: Clear empties the list
    EXPECT_EQ(w->LV()->ItemCount(), 0);
    StartAndWait(*w); // Start with an empty list does nothing
    EXPECT_EQ(w->RunState(), 0);
    CloseWindow(w);
}

TEST_F(WindowTest, ClosingDuringARunAbortsItFirst) {
    std::string take = folderIn + "/long.wav";
    WriteWav16(take, ToneWithSilence(1000, 20000, 8000));
    std::string before = ReadBytes(take);
    auto w = OpenWindow();
    DropFiles(*w, {take});
    app::FrmMain* win = w.get();
    WhenReady closeNow([win] { return win->ProgBar()->Value() > 0; }, [win] { win->close(); });
    StartAndWait(*w);
    EXPECT_TRUE(closeNow.Done());
    EXPECT_EQ(w->AbortRequested(), 1);
    QApplication::processEvents(); // the deferred close
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(fs::exists(folderIn + "/long01.wav"));
    EXPECT_EQ(ReadBytes(take), before);
    w.reset();
    EXPECT_EQ(ReadSetting("0Use", "none"), "1"); // the panel was saved at close
}

TEST_F(WindowTest, AFileTheEngineRefusesLeavesNoTarget) {
    std::string bad = folderIn + "/bad.wav";
    // A RIFF/WAVE header with no chunks the engine can use (the NULs are part of the bytes).
    testfiles::WriteBytes(bad, std::string("RIFF\x10\0\0\0WAVEjunkjunkjunk", 24));
    auto w = OpenWindowOutputting({bad});
    ASSERT_EQ(w->LV()->ItemCount(), 1); // listed: it is the engine that refuses it
    StartAndWait(*w);
    EXPECT_TRUE(fs::is_empty(folderOut));
    EXPECT_TRUE(fs::exists(bad));
    CloseWindow(w);
}

TEST_F(WindowTest, AWriteThatFailsMidFileLeavesTheSourceAndNoPartialFile) {
    std::string take = folderIn + "/take.wav";
    WriteWav16(take, ToneWithSilence(100, 20000, 8000)); // about 3.5 MB
    std::string before = ReadBytes(take);
    auto w = OpenWindow();
    ClickCentre(w->Panel()->OverWriteBox());
    DropFiles(*w, {take});

    // A file size limit stands in for a disk that fills up during the write.
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1 << 20;
    setrlimit(RLIMIT_FSIZE, &small);
    StartAndWait(*w);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(ReadBytes(take), before);
    EXPECT_FALSE(fs::exists(folderIn + "/take01.wav"));
    CloseWindow(w);
}

TEST_F(WindowTest, OverWriteSwitchedDuringAFileNeverMovesItOntoTheSource) {
    std::string take = folderIn + "/take.wav";
    WriteWav16(take, ToneWithSilence(500, 8000, 8000));
    std::string before = ReadBytes(take);
    auto w = OpenWindowOutputting({take});
    app::FrmMain* win = w.get();

    WhenReady switchOn([win] { return win->ProgBar()->Value() > 0; },
                       [win] { ClickCentre(win->Panel()->OverWriteBox()); });
    StartAndWait(*w);
    ASSERT_TRUE(switchOn.Done());
    EXPECT_TRUE(fs::exists(folderOut + "/take.wav"));
    EXPECT_EQ(ReadBytes(take), before);

    WhenReady switchOff([win] { return win->ProgBar()->Value() > 0; },
                        [win] { ClickCentre(win->Panel()->OverWriteBox()); });
    StartAndWait(*w); // OverWrite on at the start of the file
    ASSERT_TRUE(switchOff.Done());
    EXPECT_EQ(w->Panel()->OverWriteBox()->Value(), 0);
    EXPECT_TRUE(fs::exists(folderIn + "/take01.wav"));
    EXPECT_EQ(ReadBytes(take), before);
    CloseWindow(w);
}
