// "As one" in the real window: the run measures every row, then writes them all with the
// set's one gain, so their levels keep their proportions; the strip shows the set's gain.

#include "WindowFixture.h"

#include "controls/DrawHelpers.h"
#include "controls/UC_Bar.h"
#include "controls/UC_Check.h"
#include "controls/UC_ListView.h"
#include "controls/UC_WaveStrip.h"

#include <QApplication>
#include <QTest>

#include <filesystem>

using namespace testwindow;
using testfiles::PeakOf;
using testfiles::ReadBytes;
using testfiles::ReadWav16;
using testfiles::ToneWithSilence;
using testfiles::WriteWav16;
namespace fs = std::filesystem;

namespace {

std::string Tip(app::FrmMain& w, int row) {
    return w.LV()->ItemTip(row).toStdString();
}

TEST_F(WindowTest, AsOneWritesEveryRowWithTheLoudestFilesGainAndLeavesOutWhatFails) {
    // Peaks 6.02 dB apart; "broken" is no WAV file and cannot be measured.
    const int16_t amplitudes[] = {8000, 4000, 2000};
    std::vector<std::string> sources;
    for (int i = 0; i < 3; ++i) {
        sources.push_back(folderIn + "/take" + std::to_string(i) + ".wav");
        WriteWav16(sources.back(), ToneWithSilence(200, 600, amplitudes[i]));
    }
    const std::string out0 = folderOut + "/take0.wav";

    // Alone, each file reaches full scale; the loudest file's result is the reference.
    auto w = OpenWindowOutputting({sources[0]});
    StartAndWait(*w);
    const std::string single = ReadBytes(out0);
    ASSERT_EQ(PeakOf(ReadWav16(out0)), 32767);
    fs::remove(out0);
    w->LV()->DeleteAll();

    sources.push_back(folderIn + "/broken.wav");
    testfiles::WriteBytes(sources.back(), "RIFF not a wave file");
    DropFiles(*w, sources);
    ClickCentre(w->Panel()->AlbumBox());
    ASSERT_EQ(w->Panel()->AlbumBox()->Value(), 1);
    StartAndWait(*w);

    // The loudest file takes the gain it takes alone, to the byte; the others keep their steps.
    EXPECT_EQ(ReadBytes(out0), single);
    for (int i = 1; i < 3; ++i) {
        const int32_t peak = PeakOf(ReadWav16(folderOut + "/take" + std::to_string(i) + ".wav"));
        EXPECT_NEAR(peak, 32767 * amplitudes[i] / amplitudes[0], 1) << i;
    }
    EXPECT_EQ(Tip(*w, 3).rfind("failed: ", 0), 0u) << Tip(*w, 3);
    EXPECT_FALSE(fs::exists(folderOut + "/broken.wav"));
    EXPECT_EQ(w->ProgBar()->TextToDisp().toStdString(),
              "3 done, 1 failed \u00b7 album of 3 files at -12.2 dB: +12.2 dB, 1 left out");

    // The strip shows the set's gain beside the file's own until the panel changes.
    const int oneHeight = w->LV()->OneHeight();
    Click(w->LV()->PictureList(), QPoint(40, int((oneHeight + oneHeight / 2) / Px())));
    const auto stripSays = [&](const char* text) {
        return QTest::qWaitFor([&] {
            return w->Pane()->Strip()->Text().toStdString().find(text) != std::string::npos;
        });
    };
    EXPECT_TRUE(stripSays("\u00b7 album: +12.2 dB")) << w->Pane()->Strip()->Text().toStdString();
    ClickCentre(w->Panel()->ClipBox());
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return w->Pane()->Strip()->Text().toStdString().find("album") == std::string::npos;
    }));
    CloseWindow(w);
}

} // namespace
