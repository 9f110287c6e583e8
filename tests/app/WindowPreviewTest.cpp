// The preview strip under the list and the levels report, through the real window: the marks
// are where the run cuts, the gain is the one the job applies (float and six-channel files
// too), panel changes redraw from the kept reading, a long reading never holds up the window,
// and the strip can be hidden.

#include "WindowFixture.h"

#include "common/WavWriter.h"

#include "app/PreviewText.h"
#include "controls/UC_Bar.h"
#include "controls/UC_Check.h"
#include "controls/UC_ListView.h"
#include "controls/UC_Slider.h"
#include "controls/UC_WaveStrip.h"
#include "engine/C_EditWave.h"
#include "services/core/DurationText.h"
#include "services/job/PanelSettings.h"
#include "services/store/Settings.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>

using namespace testwindow;
using testfiles::Pcm16;
using testfiles::ReadWav16;
using testfiles::ToneWithSilence;
using testfiles::WriteBytes;
using testfiles::WriteWav16;
namespace fs = std::filesystem;

namespace {

// Waits for the event loop to bring a condition about; the bound only ends a broken test.
bool Eventually(const std::function<bool()>& pDone) {
    return QTest::qWaitFor(pDone, 120000);
}

QPoint RowPoint(app::FrmMain& pW, int pRow) {
    const int oneHeight = pW.LV()->OneHeight();
    return QPoint(40, int((pRow * oneHeight + oneHeight / 2) / Px()));
}

// Clicks a row; the strip follows the selection once the click has been handled.
void SelectRow(app::FrmMain& pW, int pRow) {
    Click(pW.LV()->PictureList(), RowPoint(pW, pRow));
    QApplication::processEvents();
}

// The preview of the selected file, with its gain, is on the strip.
bool PreviewDone(app::FrmMain& pW) {
    return pW.Pane()->Gain().has_value();
}

// A 1 kHz burst between silences whose peak is full scale: its peak gain is 1.
Pcm16 FullScaleBurst(int32_t pSilenceMs, int32_t pToneMs) {
    Pcm16 pcm = ToneWithSilence(pSilenceMs, pToneMs, 30000);
    const size_t middle = pcm.samples.size() / 2;
    pcm.samples[middle] = 32767;
    return pcm;
}

void SetText(QLineEdit* pField, const char* pText) {
    pField->setText(QString::fromLatin1(pText));
}

// A one-hour 16-bit stereo header over a sparse file: written at once, read at full length.
void WriteHourOfSilence(const std::string& pPath) {
    const uint32_t data = 44100u * 3600u * 4u;
    WriteBytes(pPath, testwav::Header({44100, 16, 2}, data));
    fs::resize_file(pPath, 44 + uint64_t(data));
}

// A 32-bit float WAV at 44.1 kHz of interleaved values.
void WriteFloatWav(const std::string& pPath, int pChannels, const std::vector<float>& pValues) {
    WriteBytes(pPath, testwav::Wav({44100, 32, pChannels, true}, testwav::Floats(pValues)));
}

// Six channels: 0.4 s of silence, 0.8 s of a tone that passes full scale on the first channel
// and is quieter on each further one, 0.5 s of silence.
std::vector<float> SixChannelTake() {
    std::vector<float> v(size_t(44100 * 17 / 10) * 6, 0.0f);
    for (size_t k = 0; k < size_t(44100 * 8 / 10); ++k)
        for (size_t c = 0; c < 6; ++c)
            v[(size_t(44100 * 4 / 10) + k) * 6 + c] =
                float(1.4 / double(c + 1) * std::sin(double(k) * 0.0628));
    return v;
}

} // namespace

TEST_F(WindowTest, PreviewMarksAreWhereTheRunCutsAndItsGainIsTheJobs) {
    const std::string take = folderIn + "/take.wav";
    const Pcm16 source = FullScaleBurst(1500, 2000);
    WriteWav16(take, source);
    auto w = OpenWindowOutputting({take});
    ASSERT_TRUE(w->Pane()->Shown());
    SetText(w->Panel()->FieldOf(panel::TextField::StartMargin), "120"); // start margin, ms
    SetText(w->Panel()->FieldOf(panel::TextField::EndMargin), "333");   // end margin
    SelectRow(*w, 0);
    ASSERT_TRUE(Eventually([&] { return PreviewDone(*w); }));
    const WaveMarks marks = w->Pane()->Strip()->Marks();
    ASSERT_TRUE(marks.Trims);
    EXPECT_LT(marks.Start, 66150); // the sound starts after 1.5 s (66150 frames)
    EXPECT_GT(marks.FirstSound, marks.Start);
    EXPECT_LT(marks.LastSound, marks.End);
    EXPECT_EQ(*w->Pane()->Gain(), 1.0f);
    const std::string line = w->Pane()->Strip()->Text().toStdString();
    EXPECT_EQ(line.rfind("trim 1.38 s / ", 0), 0u) << line;
    EXPECT_NE(line.find("Peak \u2192 0 dB: +0.0 dB"), std::string::npos) << line;

    // The run writes exactly the frames between the marks (gain 1: as they are).
    StartAndWait(*w);
    const Pcm16 result = ReadWav16(folderOut + "/take.wav");
    const std::vector<int16_t> kept(source.samples.begin() + marks.Start * 2,
                                    source.samples.begin() + marks.End * 2);
    EXPECT_EQ(result.samples, kept);
    const auto resultMs = int32_t(std::lround(double(result.Frames()) * 1000 / 44100));
    EXPECT_NE(line.find("result " + DurationText(resultMs)), std::string::npos) << line;

    // Another mode and level: the strip's gain is the one the job applies.
    ClickCentre(w->Panel()->ModeBoxOf(
        NormMode::RmsAverage)); // RMS(Average): the range pass in the background
    QTest::keyClick(w->Panel()->SliderOf(panel::Slider::NormLevel), Qt::Key_PageDown);
    QTest::keyClick(w->Panel()->SliderOf(panel::Slider::NormLevel), Qt::Key_Left);
    ASSERT_EQ(w->Panel()->SliderOf(panel::Slider::NormLevel)->Value(), -7);
    ASSERT_TRUE(Eventually([&] { return PreviewDone(*w); }));
    EditJob job = panel::PanelJob(w->ReadPanel(), w->ReadPanel());
    job.SourcePath = take;
    job.TargetPath = folderOut + "/direct.wav";
    const EditResult r = C_EditWave().Edit(job);
    ASSERT_TRUE(r.Done());
    EXPECT_EQ(20.0 * std::log10(double(*w->Pane()->Gain())), r.GainDb);
    char gain[32];
    std::snprintf(gain, sizeof gain, "%+.1f dB", r.GainDb);
    EXPECT_NE(w->Pane()->Strip()->Text().toStdString().find(
                  std::string("RMS(Average) \u2192 -7 dB: ") + gain),
              std::string::npos)
        << w->Pane()->Strip()->Text().toStdString();
    EXPECT_EQ(w->Pane()->Measurer()->Readings(), 1); // one reading served every change
    CloseWindow(w);
}

TEST_F(WindowTest, PanelChangesMoveTheMarksWithoutReadingAgain) {
    const std::string take = folderIn + "/take.wav";
    WriteWav16(take, ToneWithSilence(1000, 1000, 600)); // quiet: about -35 dB
    auto w = OpenWindowOutputting({take});
    SelectRow(*w, 0);
    ASSERT_TRUE(Eventually([&] { return PreviewDone(*w); }));
    const WaveMarks before = w->Pane()->Strip()->Marks();
    ASSERT_TRUE(before.Trims);
    EXPECT_GT(before.FirstSound, 0);

    // A start threshold above the burst: nothing to keep.
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(w->Panel()->SliderOf(panel::Slider::TrimIn), Qt::Key_PageUp);
    EXPECT_EQ(
        w->Pane()->Strip()->Text().toStdString().rfind("no sound above the start threshold", 0),
        0u);
    // Trimming off: no marks, the whole file.
    ClickCentre(w->Panel()->UseBoxOf(panel::UseBox::Trim));
    ASSERT_EQ(w->Panel()->UseBoxOf(panel::UseBox::Trim)->Value(), 0);
    EXPECT_FALSE(w->Pane()->Strip()->Marks().Trims);
    EXPECT_EQ(w->Pane()->Strip()->Text().toStdString().rfind("no trim \u00b7 Peak", 0), 0u);
    ClickCentre(w->Panel()->UseBoxOf(panel::UseBox::Trim));
    QTest::keyClick(w->Panel()->SliderOf(panel::Slider::TrimIn), Qt::Key_Home); // -60 dB
    SetText(w->Panel()->FieldOf(panel::TextField::StartMargin), "500");
    const WaveMarks after = w->Pane()->Strip()->Marks();
    EXPECT_LT(after.FirstSound, before.FirstSound); // the sine's first, quieter samples count
    EXPECT_EQ(after.Start, after.FirstSound - 22050);
    EXPECT_EQ(w->Pane()->Measurer()->Readings(), 1);

    // Clicks and double clicks on the strip change nothing; pointing tells time and level.
    const int64_t draws = w->Pane()->Strip()->DrawCount();
    Click(w->Pane()->Strip(),
          QPoint(w->Pane()->Strip()->width() / 2, w->Pane()->Strip()->height() / 2));
    QTest::mouseDClick(w->Pane()->Strip(), Qt::LeftButton);
    EXPECT_EQ(w->Pane()->Strip()->DrawCount(), draws);
    EXPECT_EQ(w->RunState(), 0);
    EXPECT_EQ(w->LV()->ItemCount(), 1);
    const int middle = w->Pane()->Strip()->ColumnOf(66150) + 2; // in the burst
    QTest::mouseMove(w->Pane()->Strip(), QPoint(middle, w->Pane()->Strip()->height() / 2));
    const std::string point = w->Pane()->Strip()->toolTip().toStdString();
    EXPECT_EQ(point.rfind("000'01.", 0), 0u) << point;
    EXPECT_NE(point.find(" -34."), std::string::npos) << point; // 600 of 32767: -34.75 dB
    CloseWindow(w);
}

TEST_F(WindowTest, AChangedFileIsReadAgainAndAnUnreadableOneSaysWhy) {
    const std::string take = folderIn + "/take.wav";
    WriteWav16(take, ToneWithSilence(500, 500, 8000));
    const std::string text = folderIn + "/notes.wav";
    WriteBytes(text, "just some text\n");
    auto w = OpenWindowOutputting({take, text});
    SelectRow(*w, 1);
    ASSERT_TRUE(Eventually([&] { return !w->Pane()->Strip()->Message().startsWith("measuring"); }));
    EXPECT_EQ(w->Pane()->Strip()->Message().toStdString(),
              "not a WAV file it can edit (not a RIFF/WAVE file)");
    EXPECT_FALSE(w->Pane()->Gain());

    SelectRow(*w, 0);
    ASSERT_TRUE(Eventually([&] { return PreviewDone(*w); }));
    EXPECT_EQ(w->Pane()->Strip()->Envelope().Frames, 44100 * 3 / 2);
    const int32_t readings = w->Pane()->Measurer()->Readings();
    WriteWav16(take, ToneWithSilence(1000, 500, 8000)); // longer, and another inode
    ASSERT_TRUE(Eventually([&] { return w->Pane()->Strip()->Envelope().Frames == 44100 * 5 / 2; }));
    EXPECT_EQ(w->Pane()->Measurer()->Readings(), readings + 1);
    ASSERT_TRUE(Eventually([&] { return PreviewDone(*w); }));
    EXPECT_GT(w->Pane()->Strip()->Marks().FirstSound, 44100);
    // No row, no file: the strip says what it is for.
    PressButton(*w, 0); // Clear
    ASSERT_TRUE(Eventually([&] { return w->Pane()->Path().empty(); }));
    EXPECT_EQ(w->Pane()->Strip()->Message().toStdString(),
              "Select a file to see what the panel does to it");
    CloseWindow(w);
}

// The reading of an hour is held back until the test lets it go: in the meantime the window
// takes clicks, and a new selection cancels the reading.
TEST_F(WindowTest, ALongReadingNeverHoldsUpTheWindow) {
    const std::string hour = folderIn + "/hour.wav";
    WriteHourOfSilence(hour);
    const std::string take = folderIn + "/take.wav";
    WriteWav16(take, ToneWithSilence(300, 300, 8000));
    auto w = OpenWindowOutputting({hour, take});
    w->Pane()->Measurer()->SetHeld(true);
    SelectRow(*w, 0);
    EXPECT_EQ(w->Pane()->Path(), hour);
    const int32_t clip = w->Panel()->ClipBox()->Value();
    ClickCentre(w->Panel()->ClipBox());
    EXPECT_NE(w->Panel()->ClipBox()->Value(), clip);
    QTest::keyClick(w->Panel()->SliderOf(panel::Slider::TrimOut), Qt::Key_PageUp);
    EXPECT_EQ(w->Panel()->SliderOf(panel::Slider::TrimOut)->Value(), -39);
    EXPECT_FALSE(w->Pane()->Gain()); // the reading is not in
    SelectRow(*w, 1);
    EXPECT_EQ(w->Pane()->Path(), take);
    w->Pane()->Measurer()->SetHeld(false);
    ASSERT_TRUE(Eventually([&] { return PreviewDone(*w); }));
    EXPECT_EQ(w->Pane()->Strip()->Envelope().Frames, 44100 * 9 / 10);
    CloseWindow(w);
}

TEST_F(WindowTest, TheStripCanBeHiddenAndStaysSo) {
    const std::string take = folderIn + "/take.wav";
    WriteWav16(take, ToneWithSilence(300, 300, 8000));
    auto w = OpenWindowOutputting({take});
    // At the smallest size the strip is inside the window, below the list, above the rest.
    const QRect strip = w->Pane()->Strip()->geometry();
    EXPECT_TRUE(w->rect().contains(strip));
    EXPECT_GT(strip.top(), w->LV()->geometry().bottom());
    EXPECT_LT(strip.bottom(), w->Panel()->OverWriteBox()->geometry().top());
    EXPECT_GE(strip.height(), 50);
    const QSize smallest = w->minimumSize();
    const int listHeight = w->LV()->height();

    w->Pane()->ShowAction()->trigger(); // the menu item and F6
    EXPECT_FALSE(w->Pane()->Shown());
    EXPECT_FALSE(w->Pane()->Strip()->isVisible());
    EXPECT_EQ(ReadSettingText("ShowPreview", ""), "0");
    EXPECT_LT(w->minimumHeight(), smallest.height());
    EXPECT_GT(w->LV()->height(), listHeight); // the list takes the room
    SelectRow(*w, 0);
    EXPECT_EQ(w->Pane()->Measurer()->Readings(), 0); // nothing is read for a hidden strip
    CloseWindow(w);

    w = OpenWindow();
    EXPECT_FALSE(w->Pane()->Shown());
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    QTest::keyClick(w->windowHandle(), Qt::Key_F6);
    EXPECT_TRUE(w->Pane()->Shown());
    EXPECT_EQ(w->minimumSize(), smallest);
    EXPECT_EQ(ReadSettingText("ShowPreview", ""), "1");
    CloseWindow(w);
}

TEST_F(WindowTest, MeasureFillsTheTooltipsAndCopiesAsCsv) {
    const std::string take = folderIn + "/take.wav";
    WriteWav16(take, ToneWithSilence(400, 1200, 8000));
    const std::string text = folderIn + "/notes.wav";
    WriteBytes(text, "just some text\n");
    auto w = OpenWindowOutputting({take, text});
    w->LV()->SelectAll();
    w->Pane()->MeasureAction()->trigger();
    ASSERT_TRUE(Eventually([&] { return w->Pane()->LevelsOf(take) && w->Pane()->LevelsOf(text); }));

    // The levels of quillan-batch --check --loudness.
    EditJob check;
    check.SourcePath = take;
    check.Check = LevelCheck::MeasureOnly;
    check.MeasureLoudness = true;
    const EditResult r = C_EditWave().Edit(check);
    ASSERT_TRUE(r.Done());
    const app::FileLevels& l = *w->Pane()->LevelsOf(take);
    ASSERT_TRUE(l.Ok);
    EXPECT_EQ(l.PeakDb, r.Levels->MaxPeakDb);
    EXPECT_EQ(l.RmsMaxDb, r.Levels->MaxRmsDb);
    EXPECT_EQ(l.RmsAverageDb, r.Levels->NormRmsDb);
    EXPECT_EQ(l.IntegratedLufs, r.Loudness->IntegratedLufs);
    EXPECT_EQ(l.TruePeakDbtp, r.Loudness->TruePeakDbtp());
    EXPECT_EQ(w->LV()->ItemTip(0).toStdString(), app::LevelsTip(l));
    EXPECT_EQ(w->LV()->ItemTip(1).toStdString(),
              "not a WAV file it can edit (not a RIFF/WAVE file)");
    // The status line says the last measured file's levels as well (no pointer needed).
    const QString status = w->ProgBar()->TextToDisp();
    EXPECT_TRUE(
        status == Cell(*w, 0, app::FileColumn::Title).c_str() + (": " + w->LV()->ItemTip(0)) ||
        status == Cell(*w, 1, app::FileColumn::Title).c_str() + (": " + w->LV()->ItemTip(1)))
        << status.toStdString();

    w->Pane()->CopyCsvAction()->trigger();
    const std::string csv = QGuiApplication::clipboard()->text().toStdString();
    EXPECT_EQ(csv, app::LevelsCsv({{take, l}, {text, *w->Pane()->LevelsOf(text)}}));
    EXPECT_EQ(csv.rfind("source,max_peak_db,", 0), 0u);
    EXPECT_NE(csv.find("\"" + text + "\",,,,,,\"not a WAV file"), std::string::npos) << csv;
    CloseWindow(w);
}

TEST(LevelsReport, CsvQuotesNamesAndAMeasuringStops) {
    app::FileLevels ok;
    ok.Ok = true;
    ok.PeakDb = -3.0f;
    ok.RmsMaxDb = -12.25f;
    ok.RmsAverageDb = -20.5f;
    ok.IntegratedLufs = -std::numeric_limits<double>::infinity();
    ok.TruePeakDbtp = -2.875;
    app::FileLevels silent;
    silent.Ok = true;
    silent.PeakDb = silent.RmsMaxDb = silent.RmsAverageDb = -std::numeric_limits<float>::infinity();
    silent.IntegratedLufs = silent.TruePeakDbtp = -std::numeric_limits<double>::infinity();
    app::FileLevels failed;
    failed.Error = "missing";
    // No level (minus infinity) is an empty field, where the batch report's JSON says null.
    EXPECT_EQ(app::LevelsCsv(
                  {{"take \"one\", final.wav", ok}, {"silent.wav", silent}, {"gone.wav", failed}}),
              "source,max_peak_db,max_rms_db,norm_rms_db,integrated_lufs,true_peak_dbtp,error\n"
              "\"take \"\"one\"\", final.wav\",-3.00,-12.25,-20.50,,-2.88,\n"
              "\"silent.wav\",,,,,,\n"
              "\"gone.wav\",,,,,,\"missing\"\n");

    testfiles::TempDir dir;
    const std::string take = dir / "take.wav";
    WriteWav16(take, ToneWithSilence(100, 400, 8000));
    EXPECT_TRUE(app::MeasureLevels(take).Ok);
    const app::FileLevels stopped = app::MeasureLevels(take, [] { return true; });
    EXPECT_FALSE(stopped.Ok);
    EXPECT_FALSE(stopped.Error.empty());
}

// A float file of six channels is drawn in six bands with the run's marks and gain; a float
// file holding NaN shows the run's reason.
TEST_F(WindowTest, FloatAndSurroundFilesAreDrawnAndANanFileSaysWhy) {
    const std::string six = folderIn + "/six.wav";
    WriteFloatWav(six, 6, SixChannelTake());
    std::vector<float> stereo(44100, 0.25f);
    stereo[2 * 1000 + 1] = std::numeric_limits<float>::quiet_NaN();
    const std::string nan = folderIn + "/nan.wav";
    WriteFloatWav(nan, 2, stereo);
    auto w = OpenWindowOutputting({six, nan});
    SelectRow(*w, 0);
    ASSERT_TRUE(Eventually([&] { return PreviewDone(*w); }));
    const WaveEnvelope& e = w->Pane()->Strip()->Envelope();
    EXPECT_EQ(e.Channels, 6);
    ASSERT_EQ(e.Low.size(), size_t(e.BucketsDone * 6));
    // The first channel passes full scale: drawn to the band's edge, no further.
    EXPECT_EQ(*std::max_element(e.High.begin(), e.High.end()), 1.0f);
    const WaveMarks marks = w->Pane()->Strip()->Marks();
    ASSERT_TRUE(marks.Trims);
    EXPECT_GT(marks.FirstSound, 44100 * 4 / 10 - 10);
    EXPECT_LT(marks.LastSound, 44100 * 12 / 10);

    EditJob job = panel::PanelJob(w->ReadPanel(), w->ReadPanel());
    job.SourcePath = six;
    job.TargetPath = folderOut + "/direct.wav";
    const EditResult r = C_EditWave().Edit(job);
    ASSERT_TRUE(r.Done());
    EXPECT_EQ(20.0 * std::log10(double(*w->Pane()->Gain())), r.GainDb);
    EXPECT_LT(r.GainDb, -2.0); // the peak of 1.4 comes down to full scale
    EXPECT_EQ(r.KeptFrames, marks.End - marks.Start);

    SelectRow(*w, 1);
    ASSERT_TRUE(Eventually([&] {
        return w->Pane()->Path() == nan && !w->Pane()->Strip()->Message().isEmpty() &&
               !w->Pane()->Strip()->Message().startsWith("measuring");
    }));
    EXPECT_NE(w->Pane()->Strip()->Message().toStdString().find("NaN at frame 1000, channel 2"),
              std::string::npos)
        << w->Pane()->Strip()->Message().toStdString();
    EXPECT_FALSE(w->Pane()->Gain());
    CloseWindow(w);
}

// The result length is rounded to the millisecond as the list rounds a file's length:
// 198,308 frames at 44.1 kHz are 4496.78 ms.
TEST(PreviewText, TheResultLengthIsRoundedAsTheListRoundsIt) {
    WaveOverview o;
    o.SampleRate = 44100;
    o.Frames = 198308;
    JobPreview p;
    p.Range = TrimmedRange{0, o.Frames, 0, 0};
    p.ResultFrames = o.Frames;
    EXPECT_EQ(app::PreviewLine(p, EditJob{}, o), "no trim \u00b7 no gain \u00b7 result 000'04.497");
}
