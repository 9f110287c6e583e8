// The parameter panel of the real window: first start, enabling rules, the
// fixed layout, and the round trip through the settings store.

#include "WindowFixture.h"

#include "controls/UC_Bar.h"
#include "controls/UC_Check.h"
#include "controls/UC_PathText.h"
#include "controls/UC_Slider.h"
#include "controls/UC_TextPicture.h"
#include "services/store/Settings.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QScreen>
#include <QUrl>

using namespace testwindow;

namespace {

std::string Shown(app::FrmMain& w, int slider) {
    return w.TextValue(slider)->TextMes(0).toStdString();
}

std::string Text(app::FrmMain& w, int i) {
    return w.TextParm(i)->text().toStdString();
}

} // namespace

TEST_F(WindowTest, FirstStartShowsTheDefaults) {
    auto w = OpenWindow();
    EXPECT_EQ(w->windowTitle().toStdString(), "quillan");
    EXPECT_EQ(w->CheckParm(0)->Value(), 1);
    EXPECT_EQ(Shown(*w, 0), "-45db");
    EXPECT_EQ(Shown(*w, 1), "-45db");
    EXPECT_EQ(w->SliderParm(0)->Value(), -45);
    EXPECT_EQ(w->SliderParm(1)->Value(), -45);
    EXPECT_EQ(Text(*w, 0), "0");
    EXPECT_EQ(Text(*w, 1), "0");
    EXPECT_EQ(w->CheckParm(1)->Value(), 1);
    EXPECT_EQ(Shown(*w, 2), "0db");
    EXPECT_EQ(w->CheckNormMode(0)->Value(), 1);
    for (int i = 1; i < 5; ++i)
        EXPECT_EQ(w->CheckNormMode(i)->Value(), 0);
    EXPECT_EQ(Text(*w, 2), "500");
    EXPECT_EQ(Text(*w, 3), "-6");
    EXPECT_FALSE(w->TextParm(2)->isEnabled());
    EXPECT_FALSE(w->TextParm(3)->isEnabled());
    EXPECT_EQ(w->CheckClip()->Value(), 0);
    EXPECT_EQ(w->CheckParm(2)->Value(), 1);
    EXPECT_EQ(Shown(*w, 3), "0db");
    EXPECT_EQ(w->CheckOW()->Value(), 0);
    EXPECT_EQ(w->TextSoundPath()->Enabled(), -1);
    EXPECT_EQ(w->TextSoundPath()->Text().toStdString(), "");
    EXPECT_EQ(w->CheckParm(1)->Caption().toStdString(), "Normalize");
    EXPECT_EQ(w->CheckNormMode(3)->Caption().toStdString(), "RMS(Calc)");
    EXPECT_EQ(w->CheckNormMode(4)->Caption().toStdString(), "Loudness");
    EXPECT_EQ(w->TextCeiling()->text().toStdString(), "-1");
    EXPECT_FALSE(w->TextCeiling()->isEnabled());
    CloseWindow(w);
}

TEST_F(WindowTest, LayoutFollowsTheTwipsTable) {
    auto w = OpenWindow();
    auto top = [](QWidget* c) { return GeometryTwips(c).y(); };
    // 7935 x 7125 twips at 15 twips per pixel, and the preview strip's 1020 twips below the list.
    EXPECT_EQ(w->size(), QSize(529, 475 + 68));
    EXPECT_EQ(top(w->CheckParm(1)), 900);
    EXPECT_EQ(top(w->CheckParm(2)), 2880);
    EXPECT_EQ(top(w->SliderParm(1)), 420);
    EXPECT_EQ(top(w->SliderParm(2)), 900);
    EXPECT_EQ(top(w->SliderParm(3)), 2880);
    EXPECT_EQ(top(w->CheckClip()), 900);
    const int modeTops[5] = {1305, 1620, 1935, 2250, 2565};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(top(w->CheckNormMode(i)), modeTops[i]);
    EXPECT_EQ(GeometryTwips(w->TextCeiling()), QRect(3345, 2565, 630, 270));
    // The Level Adjust row ends above the progress bar.
    EXPECT_LE(top(w->CheckParm(2)) + GeometryTwips(w->CheckParm(2)).height(), top(w->ProgBar()));
    EXPECT_EQ(top(w->TextParm(2)), 2250);
    EXPECT_EQ(top(w->TextParm(3)), 2250);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(top(w->TextValue(i)), top(w->SliderParm(i)));
        EXPECT_EQ(GeometryTwips(w->TextValue(i)).x(), 4845);
    }
    EXPECT_EQ(GeometryTwips(w->SliderParm(3)).x(), 2055);
    CloseWindow(w);
}

TEST_F(WindowTest, NormalizeAndOutputRulesFollowTheClicks) {
    auto w = OpenWindow();
    ClickCentre(w->CheckNormMode(3)); // RMS(Calc)
    EXPECT_EQ(w->CheckNormMode(3)->Value(), 1);
    EXPECT_EQ(w->CheckNormMode(0)->Value(), 0);
    EXPECT_TRUE(w->TextParm(2)->isEnabled());
    EXPECT_TRUE(w->TextParm(3)->isEnabled());

    ClickCentre(w->CheckParm(1)); // Normalize off
    EXPECT_EQ(w->CheckParm(1)->Value(), 0);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(w->CheckNormMode(i)->Enabled(), 0);
    EXPECT_FALSE(w->TextParm(2)->isEnabled());
    EXPECT_FALSE(w->TextParm(3)->isEnabled());

    ClickCentre(w->CheckParm(1)); // on again, RMS(Calc) still chosen
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(w->CheckNormMode(i)->Enabled(), -1);
    EXPECT_TRUE(w->TextParm(2)->isEnabled());

    ClickCentre(w->CheckNormMode(1)); // another mode: the RMS fields go off
    EXPECT_EQ(w->CheckNormMode(3)->Value(), 0);
    EXPECT_FALSE(w->TextParm(2)->isEnabled());

    w->TextSoundPath()->SetText("/somewhere");
    ClickCentre(w->CheckOW());
    EXPECT_EQ(w->CheckOW()->Value(), 1);
    EXPECT_EQ(w->TextSoundPath()->Enabled(), 0);
    EXPECT_EQ(w->TextSoundPath()->Text().toStdString(), "/somewhere");
    CloseWindow(w);
    EXPECT_EQ(ReadSetting("SoundPath", "x"), "/somewhere");
    EXPECT_EQ(ReadSetting("OW", 0), "1");
}

TEST_F(WindowTest, LoudnessSwitchesTheLevelToLufsAndKeepsTheCeiling) {
    auto w = OpenWindow();
    UC_Slider* level = w->SliderParm(2);
    level->SetValue(-3);
    ClickCentre(w->CheckNormMode(4)); // Loudness
    EXPECT_EQ(w->CheckNormMode(0)->Value(), 0);
    EXPECT_EQ(level->Value(), -23);
    EXPECT_EQ(Shown(*w, 2), "-23LUFS");
    // The wider display still ends short of the Clip box.
    EXPECT_LT(GeometryTwips(w->TextValue(2)).right(), GeometryTwips(w->CheckClip()).x());
    EXPECT_TRUE(w->TextCeiling()->isEnabled());
    EXPECT_FALSE(w->TextParm(2)->isEnabled());
    const QRect track = level->TrackBox();
    Click(level, QPoint(track.left() + 1, track.center().y()));
    EXPECT_EQ(level->Value(), -40);
    EXPECT_EQ(Shown(*w, 2), "-40LUFS");
    Click(level, QPoint(track.right() - 1, track.center().y()));
    EXPECT_EQ(level->Value(), -5);

    ClickCentre(w->CheckParm(1)); // Normalize off: the ceiling goes off with the modes
    EXPECT_FALSE(w->TextCeiling()->isEnabled());
    ClickCentre(w->CheckParm(1));
    EXPECT_TRUE(w->TextCeiling()->isEnabled());

    level->SetValue(-16);
    w->TextCeiling()->setText("-2");
    const EditJob job = panel::PanelJob(w->ReadPanel(), w->ReadPanel());
    EXPECT_EQ(job.Mode, NormMode::Loudness);
    EXPECT_EQ(job.NormLevelDb, -16.0f);
    EXPECT_EQ(job.TruePeakCeilingDb, -2.0f);
    CloseWindow(w);
    EXPECT_EQ(ReadSetting("NormMode", 0), "4");
    EXPECT_EQ(ReadSetting("PeakLevel", 0), "-16");
    EXPECT_EQ(ReadSetting("TruePeak", ""), "-2");

    // The next start comes back in LUFS; another mode goes back to dB at its default.
    w = OpenWindow();
    EXPECT_EQ(w->SliderParm(2)->Value(), -16);
    EXPECT_EQ(Shown(*w, 2), "-16LUFS");
    EXPECT_EQ(w->TextCeiling()->text().toStdString(), "-2");
    ClickCentre(w->CheckNormMode(1));
    EXPECT_EQ(w->SliderParm(2)->Value(), 0);
    EXPECT_EQ(Shown(*w, 2), "0db");
    EXPECT_FALSE(w->TextCeiling()->isEnabled());
    CloseWindow(w);
}

TEST_F(WindowTest, SliderDisplaysFollowTheSlidersAndStopAtTheirEnds) {
    auto w = OpenWindow();
    UC_Slider* adjust = w->SliderParm(3);
    QRect track = adjust->TrackBox();
    Click(adjust, QPoint(track.right() + 40, track.center().y())); // far right of the track
    ClickCentre(adjust); // no-op for position check; keeps Scrolled flowing
    Click(adjust, QPoint(track.right() - 1, track.center().y()));
    EXPECT_EQ(adjust->Value(), 20);
    EXPECT_EQ(Shown(*w, 3), "20db");

    UC_Slider* start = w->SliderParm(0);
    Click(start, QPoint(start->TrackBox().left() + 1, start->TrackBox().center().y()));
    EXPECT_EQ(start->Value(), -60);
    EXPECT_EQ(Shown(*w, 0), "-60db");
    CloseWindow(w);
}

TEST_F(WindowTest, SettingsAreSavedAtCloseAndRestoredAtTheNextStart) {
    auto w = OpenWindow();
    w->SliderParm(0)->SetValue(-30);
    w->SliderParm(1)->SetValue(-50);
    w->SliderParm(2)->SetValue(-3);
    w->SliderParm(3)->SetValue(12);
    w->TextParm(0)->setText("120");
    w->TextParm(1)->setText("-80");
    w->TextParm(2)->setText("abc");
    w->TextParm(3)->setText("-9");
    ClickCentre(w->CheckNormMode(2));
    ClickCentre(w->CheckClip());
    ClickCentre(w->CheckParm(2));
    w->TextSoundPath()->SetText(QString::fromStdString(folderOut));
    w->move(200, 150);
    CloseWindow(w);

    w = OpenWindow();
    EXPECT_EQ(w->SliderParm(0)->Value(), -30);
    EXPECT_EQ(Shown(*w, 0), "-30db");
    EXPECT_EQ(w->SliderParm(1)->Value(), -50);
    EXPECT_EQ(w->SliderParm(2)->Value(), -3);
    EXPECT_EQ(w->SliderParm(3)->Value(), 12);
    EXPECT_EQ(Shown(*w, 3), "12db");
    EXPECT_EQ(Text(*w, 0), "120");
    EXPECT_EQ(Text(*w, 1), "-80");
    EXPECT_EQ(Text(*w, 2), "abc"); // stored as it stood
    EXPECT_EQ(Text(*w, 3), "-9");
    EXPECT_EQ(w->CheckNormMode(2)->Value(), 1);
    EXPECT_EQ(w->CheckNormMode(0)->Value(), 0);
    EXPECT_EQ(w->CheckClip()->Value(), 1);
    EXPECT_EQ(w->CheckParm(2)->Value(), 0);
    EXPECT_EQ(w->TextSoundPath()->Text().toStdString(), folderOut);
    EXPECT_EQ(w->pos(), QPoint(200, 150));

    // A margin that is not a number keeps the stored one.
    w->TextParm(0)->setText("abc");
    CloseWindow(w);
    EXPECT_EQ(ReadSetting("0Margin", "0"), "120");
    EXPECT_EQ(ReadSetting("WindowWidth", "none"), std::to_string(app::FrmMain::ClientWidth));
}

TEST_F(WindowTest, DamagedStoredValuesCostOnlyTheirField) {
    WriteSetting("TrimLevelIn", "loud");
    WriteSetting("LevelAdjust", "99");
    WriteSetting("NormMode", "7");
    WriteSetting("1Use", "x");
    auto w = OpenWindow();
    EXPECT_EQ(w->SliderParm(0)->Value(), -45);
    EXPECT_EQ(w->SliderParm(3)->Value(), 20); // limited by the slider
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(w->CheckNormMode(i)->Value(), 0);
    EXPECT_EQ(w->CheckParm(1)->Value(), 1);
    EXPECT_EQ(w->ReadPanel().NormMode, -1); // none chosen: a run uses Peak
    CloseWindow(w);
}

TEST_F(WindowTest, ASecondInstanceEndsAtOnce) {
    auto first = OpenWindow();
    app::FrmMain second;
    EXPECT_FALSE(second.Form_Load());
    EXPECT_FALSE(second.isVisible());
    CloseWindow(first);
    app::FrmMain third;
    EXPECT_TRUE(third.Form_Load());
    third.close();
}

TEST_F(WindowTest, AStoredSizeLargerThanTheScreenIsCutToIt) {
    WriteSetting("WindowLeft", 3000);
    WriteSetting("WindowTop", 1500);
    WriteSetting("WindowWidth", 99999);
    auto w = OpenWindow();
    const QRect screen = w->screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(w->frameGeometry())) << screen.width() << "x" << screen.height();
    EXPECT_EQ(w->frameGeometry().width(), screen.width());
    EXPECT_EQ(w->height(), w->minimumHeight()); // the stored height was the designed one
    CloseWindow(w);
}

TEST_F(WindowTest, ADragOverTheWindowBringsItToTheFront) {
    auto w = OpenWindow();
    QWidget other;
    other.show();
    other.activateWindow();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::activeWindow(), &other);
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile("/tmp/x.wav")});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.get(), &enter);
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), w.get());
    CloseWindow(w);
}
