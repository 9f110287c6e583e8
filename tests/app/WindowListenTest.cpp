// Listening from the preview strip, keyboard only, with an appsink or a timed fakesink in
// place of the sound card: what is heard is what the run writes, Start and End land on the
// cuts, Esc and Space stop, and no play holds up the window.

#include "WindowFixture.h"

#include "common/PlayCases.h"
#include "controls/UC_ListView.h"
#include "controls/UC_WaveStrip.h"
#include "services/job/PanelSettings.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <cstdlib>

using namespace testwindow;

namespace {

bool Eventually(const std::function<bool()>& pDone) {
    return QTest::qWaitFor(pDone, 60000);
}

bool Playing(app::FrmMain& pW) {
    return pW.Pane()->Player()->Playing();
}

// Presses a key on the list and returns how long the window was held, ms.
qint64 KeyOnList(app::FrmMain& pW, Qt::Key pKey, Qt::KeyboardModifiers pMods = {}) {
    QElapsedTimer t;
    t.start();
    QTest::keyClick(pW.LV(), pKey, pMods);
    return t.elapsed();
}

std::vector<uint8_t> Heard(app::FrmMain& pW) {
    EXPECT_TRUE(Eventually([&] { return !Playing(pW); }));
    return pW.Pane()->Player()->Player().Received();
}

} // namespace

TEST_F(WindowTest, ListeningPlaysWhatTheRunWrites) {
    ::setenv("QUILLAN_AUDIO_SINK", "appsink", 1);
    const std::string take = folderIn + "/take1.wav";
    testwav::Format f{48000, 24, 2};
    playcases::WriteTake(take, f);
    auto w = OpenWindowOutputting({take});
    w->Panel()->FieldOf(panel::TextField::StartMargin)->setText(QStringLiteral("100"));
    QTest::keyClick(w->LV(), Qt::Key_Down); // the first row, selected by the keyboard
    ASSERT_TRUE(Eventually([&] { return w->Pane()->Gain().has_value(); }));
    QSignalSpy notes(w->Pane(), &app::PreviewPane::StatusNote);

    EXPECT_LT(KeyOnList(*w, Qt::Key_Space), 200);
    const std::vector<uint8_t> result = Heard(*w);
    EXPECT_EQ(KeyOnList(*w, Qt::Key_Space, Qt::ShiftModifier) < 200, true);
    EXPECT_EQ(Heard(*w), playcases::AudioOf(take));
    QTest::keyClick(w.get(), Qt::Key_F7);
    const std::vector<uint8_t> start = Heard(*w);
    QTest::keyClick(w.get(), Qt::Key_F8);
    const std::vector<uint8_t> end = Heard(*w);
    ASSERT_FALSE(notes.isEmpty());
    EXPECT_EQ(notes.back().at(0).toString(), QStringLiteral("playing end of take1"));

    EditJob job = panel::PanelJob(w->ReadPanel(), w->ReadPanel());
    job.SourcePath = take;
    job.TargetPath = folderOut + "/direct.wav";
    ASSERT_TRUE(C_EditWave().Edit(job).Done());
    const std::vector<uint8_t> written = playcases::AudioOf(job.TargetPath);
    EXPECT_EQ(result, written);
    EXPECT_NE(written, playcases::AudioOf(take)); // the panel's job does change the take
    const size_t three = size_t(std::min<int64_t>(3 * 48000, int64_t(written.size() / 6)) * 6);
    EXPECT_EQ(start, std::vector<uint8_t>(written.begin(), written.begin() + three));
    EXPECT_EQ(end, std::vector<uint8_t>(written.end() - three, written.end()));
}

TEST_F(WindowTest, ListeningStopsAndFollowsWithACursor) {
    ::setenv("QUILLAN_AUDIO_SINK", "fakesink sync=true", 1);
    const std::string take = folderIn + "/take1.wav";
    playcases::WriteTake(take, {48000, 16, 2});
    auto w = OpenWindowOutputting({take});
    QTest::keyClick(w->LV(), Qt::Key_Down);
    ASSERT_TRUE(Eventually([&] { return w->Pane()->Gain().has_value(); }));
    UC_WaveStrip* strip = w->Pane()->Strip();
    for (const bool byEsc : {true, false}) {
        KeyOnList(*w, Qt::Key_Space);
        ASSERT_TRUE(Playing(*w));
        ASSERT_TRUE(Eventually([&] { return strip->PlayCursor() > strip->Marks().Start; }));
        const qint64 held =
            byEsc ? (QTest::keyClick(w.get(), Qt::Key_Escape), 0) : KeyOnList(*w, Qt::Key_Space);
        EXPECT_LT(held, 200);
        EXPECT_FALSE(Playing(*w));
        QTest::qWait(100);
        EXPECT_EQ(strip->PlayCursor(), -1);
    }
    ::setenv("QUILLAN_AUDIO_SINK", "appsink", 1);
}
