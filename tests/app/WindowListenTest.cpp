// Listening from the preview strip, keyboard only, with an appsink or a timed fakesink in
// place of the sound card: what is heard is what the run writes, Start and End land on the
// cuts, the play buttons play what their keys play and tell a screen reader, Esc, Space and
// Stop stop, and no play holds up the window.

#include "WindowFixture.h"

#include "app/PlayButtons.h"
#include "common/PlayCases.h"
#include "controls/AccessibleEvents.h"
#include "controls/UC_Bar.h"
#include "controls/UC_ListView.h"
#include "controls/UC_WaveStrip.h"
#include "services/job/PanelSettings.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

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

// What reached the sink, once the window has seen the play end.
std::vector<uint8_t> Heard(app::FrmMain& pW) {
    EXPECT_TRUE(Eventually(
        [&] { return !Playing(pW) && !pW.Pane()->Player()->StopAction()->isEnabled(); }));
    return pW.Pane()->Player()->Player().Received();
}

// A key as the keyboard gives it: to the window's focused control.
void Key(app::FrmMain& pW, Qt::Key pKey) {
    QTest::keyClick(pW.windowHandle(), pKey);
}

QWidget* Focused() {
    return QApplication::focusWidget();
}

QString Said(QWidget* pW, QAccessible::Text pKind) {
    return QAccessible::queryAccessibleInterface(pW)->text(pKind);
}

// The window active, its first row selected by the keyboard and its result measured.
void SelectFirst(app::FrmMain& pW) {
    pW.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&pW));
    QTest::keyClick(pW.LV(), Qt::Key_Down);
    EXPECT_TRUE(Eventually([&] { return pW.Pane()->Gain().has_value(); }));
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
    // Each play is announced, and the status line is cleared when it ends.
    QStringList said;
    for (const QList<QVariant>& note : notes)
        said << note.at(0).toString();
    EXPECT_EQ(said.join('|'), "playing result of take1||playing source of take1||"
                              "playing start of take1||playing end of take1|");

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

// Tab from the list reaches the play buttons in order, each named with its key; a button
// pressed by Space or clicked plays what its key plays, and a reader hears what plays from
// the pressed button and from the strip.
TEST_F(WindowTest, ThePlayButtonsPlayWhatTheirKeysPlayAndTellAReader) {
    ::setenv("QUILLAN_AUDIO_SINK", "appsink", 1);
    const std::string take = folderIn + "/take1.wav";
    testfiles::WriteWav16(take, testfiles::ToneWithSilence(700, 5000, 8000)); // End: its last 3 s
    auto w = OpenWindowOutputting({take});
    SelectFirst(*w);
    app::PlayButtons* buttons = w->Pane()->Buttons();
    KeyOnList(*w, Qt::Key_Space);
    const std::vector<uint8_t> result = Heard(*w);
    QTest::keyClick(w.get(), Qt::Key_F8);
    const std::vector<uint8_t> end = Heard(*w);
    ASSERT_FALSE(end.empty());
    ASSERT_NE(end, result);

    w->LV()->setFocus(Qt::TabFocusReason);
    const char* const named[][2] = {{"Play Result", "(Space)"},
                                    {"Play Source", "(Shift+Space)"},
                                    {"Play Start", "(F7)"},
                                    {"Play End", "(F8)"}};
    for (int i = 0; i < 4; ++i) {
        Key(*w, Qt::Key_Tab);
        ASSERT_EQ(Focused(), buttons->ButtonOf(app::PreviewPlayer::What(i)));
        EXPECT_EQ(Said(Focused(), QAccessible::Name), named[i][0]);
        EXPECT_TRUE(Said(Focused(), QAccessible::Description).contains(named[i][1]));
    }
    EXPECT_FALSE(buttons->StopButton()->isEnabled());
    EXPECT_TRUE(Said(buttons->StopButton(), QAccessible::Description).contains("(Esc)"));

    std::vector<QObject*> told; // who told a reader what plays
    WatchAccessibleEvents([&](QAccessibleEvent* e) {
        if (e->type() != QAccessible::DescriptionChanged) return;
        const QString said = e->accessibleInterface()->text(QAccessible::Description);
        if (said.startsWith("playing end of take1")) told.push_back(e->object());
    });
    Key(*w, Qt::Key_Space); // on Play End
    EXPECT_EQ(Heard(*w), end);
    WatchAccessibleEvents(nullptr);
    // The strip, the status line and the pressed button.
    EXPECT_EQ(told, (std::vector<QObject*>{w->Pane()->Strip(), w->ProgBar(), Focused()}));
    // Once the play is over the button says what it does again.
    EXPECT_TRUE(Said(Focused(), QAccessible::Description).startsWith("Play End (F8)"));

    // A click leaves the keys where they were.
    QTest::mouseClick(buttons->ButtonOf(app::PreviewPlayer::What::Result), Qt::LeftButton);
    EXPECT_EQ(Heard(*w), result);
    EXPECT_EQ(Focused(), buttons->ButtonOf(app::PreviewPlayer::What::End));
}

TEST_F(WindowTest, ListeningStopsAndFollowsWithACursor) {
    ::setenv("QUILLAN_AUDIO_SINK", "fakesink sync=true", 1);
    // A long take, so that each play is still going when the keys stop it.
    const std::string take = folderIn + "/take1.wav";
    testfiles::WriteWav16(take, testfiles::ToneWithSilence(250, 20000, 8000, 48000));
    auto w = OpenWindowOutputting({take});
    SelectFirst(*w);
    UC_WaveStrip* strip = w->Pane()->Strip();
    QToolButton* stop = w->Pane()->Buttons()->StopButton();
    enum class StopBy { Esc, Space, StopButton };
    for (const StopBy by : {StopBy::Esc, StopBy::Space, StopBy::StopButton}) {
        EXPECT_FALSE(stop->isEnabled());
        KeyOnList(*w, Qt::Key_Space);
        ASSERT_TRUE(Playing(*w));
        EXPECT_TRUE(stop->isEnabled());
        EXPECT_EQ(w->ProgBar()->TextToDisp(), "playing result of take1");
        ASSERT_TRUE(Eventually([&] { return strip->PlayCursor() > strip->Marks().Start; }));
        qint64 held = 0;
        if (by == StopBy::Esc) QTest::keyClick(w.get(), Qt::Key_Escape);
        if (by == StopBy::Space) held = KeyOnList(*w, Qt::Key_Space);
        if (by == StopBy::StopButton) {
            // Stop is the fifth button after the list while something plays.
            w->LV()->setFocus(Qt::TabFocusReason);
            for (int i = 0; i < 5; ++i)
                Key(*w, Qt::Key_Tab);
            ASSERT_EQ(Focused(), stop);
            Key(*w, Qt::Key_Space);
            // The greyed Stop hands the keys back to a play button, not to a control further on.
            EXPECT_EQ(Focused(), w->Pane()->Buttons()->ButtonOf(app::PreviewPlayer::What::Result));
        }
        EXPECT_LT(held, 200);
        EXPECT_FALSE(Playing(*w));
        QTest::qWait(100);
        EXPECT_EQ(strip->PlayCursor(), -1);
        EXPECT_EQ(w->ProgBar()->TextToDisp(), ""); // no longer says it plays
    }
    EXPECT_FALSE(stop->isEnabled());

    // F6 hides the strip with its buttons: the play stops and the keys go back to the list.
    KeyOnList(*w, Qt::Key_Space);
    w->Pane()->Buttons()->ButtonOf(app::PreviewPlayer::What::End)->setFocus(Qt::TabFocusReason);
    Key(*w, Qt::Key_F6);
    EXPECT_FALSE(w->Pane()->Shown());
    EXPECT_FALSE(Playing(*w));
    EXPECT_EQ(Focused(), w->LV());
    Key(*w, Qt::Key_F6);
    ::setenv("QUILLAN_AUDIO_SINK", "appsink", 1);
}
