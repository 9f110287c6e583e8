// The parameter panel of the real window: first start, enabling rules, the
// fixed layout, and the round trip through the settings store.

#include "WindowFixture.h"

#include "controls/UC_Bar.h"
#include "controls/UC_Check.h"
#include "controls/UC_PathText.h"
#include "controls/UC_Slider.h"
#include "controls/UC_TextPicture.h"
#include "services/store/SettingKeys.h"
#include "services/store/Settings.h"

#include <QAccessible>
#include <QApplication>
#include <QDragEnterEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QScreen>
#include <QSettings>
#include <QUrl>

#include <set>

using namespace testwindow;

namespace {

std::string Shown(app::FrmMain& w, int slider) {
    return w.Panel()->ValueOf(panel::Slider(slider))->TextMes(0).toStdString();
}

std::string Text(app::FrmMain& w, int i) {
    return w.Panel()->FieldOf(panel::TextField(i))->text().toStdString();
}

} // namespace

TEST_F(WindowTest, FirstStartShowsTheDefaults) {
    auto w = OpenWindow();
    EXPECT_EQ(w->windowTitle().toStdString(), "quillan");
    EXPECT_EQ(w->Panel()->UseBoxOf(panel::UseBox::Trim)->Value(), 1);
    EXPECT_EQ(Shown(*w, 0), "-45db");
    EXPECT_EQ(Shown(*w, 1), "-45db");
    EXPECT_EQ(w->Panel()->SliderOf(panel::Slider::TrimIn)->Value(), -45);
    EXPECT_EQ(w->Panel()->SliderOf(panel::Slider::TrimOut)->Value(), -45);
    EXPECT_EQ(Text(*w, 0), "0");
    EXPECT_EQ(Text(*w, 1), "0");
    EXPECT_EQ(w->Panel()->UseBoxOf(panel::UseBox::Normalize)->Value(), 1);
    EXPECT_EQ(Shown(*w, 2), "0db");
    EXPECT_EQ(w->Panel()->ModeBoxOf(NormMode::Peak)->Value(), 1);
    for (int i = 1; i < 5; ++i)
        EXPECT_EQ(w->Panel()->ModeBoxOf(NormMode(i))->Value(), 0);
    EXPECT_EQ(Text(*w, 2), "500");
    EXPECT_EQ(Text(*w, 3), "-6");
    EXPECT_FALSE(w->Panel()->FieldOf(panel::TextField::RmsWindow)->isEnabled());
    EXPECT_FALSE(w->Panel()->FieldOf(panel::TextField::RmsThreshold)->isEnabled());
    EXPECT_EQ(w->Panel()->ClipBox()->Value(), 0);
    EXPECT_EQ(w->Panel()->UseBoxOf(panel::UseBox::Adjust)->Value(), 1);
    EXPECT_EQ(Shown(*w, 3), "0db");
    EXPECT_EQ(w->Panel()->OverWriteBox()->Value(), 0);
    EXPECT_EQ(w->Panel()->OutputTo()->Enabled(), -1);
    EXPECT_EQ(w->Panel()->OutputTo()->Text().toStdString(), "");
    EXPECT_EQ(w->Panel()->UseBoxOf(panel::UseBox::Normalize)->Caption().toStdString(), "Normalize");
    EXPECT_EQ(w->Panel()->ModeBoxOf(NormMode::RmsCalc)->Caption().toStdString(), "RMS(Calc)");
    EXPECT_EQ(w->Panel()->ModeBoxOf(NormMode::Loudness)->Caption().toStdString(), "Loudness");
    EXPECT_EQ(w->Panel()->FieldOf(panel::TextField::Ceiling)->text().toStdString(), "-1");
    EXPECT_FALSE(w->Panel()->FieldOf(panel::TextField::Ceiling)->isEnabled());
    CloseWindow(w);
}

TEST_F(WindowTest, LayoutFollowsTheTwipsTable) {
    auto w = OpenWindow();
    auto top = [](QWidget* c) { return GeometryTwips(c).y(); };
    // 7935 x 7125 twips at 15 twips per pixel, and below the list the preview strip's 1020
    // twips and its play buttons' 390.
    EXPECT_EQ(w->size(), QSize(529, 475 + 68 + 26));
    EXPECT_EQ(top(w->Panel()->UseBoxOf(panel::UseBox::Normalize)), 900);
    EXPECT_EQ(top(w->Panel()->UseBoxOf(panel::UseBox::Adjust)), 2880);
    EXPECT_EQ(top(w->Panel()->SliderOf(panel::Slider::TrimOut)), 420);
    EXPECT_EQ(top(w->Panel()->SliderOf(panel::Slider::NormLevel)), 900);
    EXPECT_EQ(top(w->Panel()->SliderOf(panel::Slider::Adjust)), 2880);
    EXPECT_EQ(top(w->Panel()->ClipBox()), 900);
    const int modeTops[5] = {1305, 1620, 1935, 2250, 2565};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(top(w->Panel()->ModeBoxOf(NormMode(i))), modeTops[i]);
    EXPECT_EQ(GeometryTwips(w->Panel()->FieldOf(panel::TextField::Ceiling)),
              QRect(3345, 2565, 630, 270));
    // The Level Adjust row ends above the progress bar.
    EXPECT_LE(top(w->Panel()->UseBoxOf(panel::UseBox::Adjust)) +
                  GeometryTwips(w->Panel()->UseBoxOf(panel::UseBox::Adjust)).height(),
              top(w->ProgBar()));
    EXPECT_EQ(top(w->Panel()->FieldOf(panel::TextField::RmsWindow)), 2250);
    EXPECT_EQ(top(w->Panel()->FieldOf(panel::TextField::RmsThreshold)), 2250);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(top(w->Panel()->ValueOf(panel::Slider(i))),
                  top(w->Panel()->SliderOf(panel::Slider(i))));
        EXPECT_EQ(GeometryTwips(w->Panel()->ValueOf(panel::Slider(i))).x(), 4845);
    }
    EXPECT_EQ(GeometryTwips(w->Panel()->SliderOf(panel::Slider::Adjust)).x(), 2055);
    CloseWindow(w);
}

TEST_F(WindowTest, NormalizeAndOutputRulesFollowTheClicks) {
    auto w = OpenWindow();
    ClickCentre(w->Panel()->ModeBoxOf(NormMode::RmsCalc)); // RMS(Calc)
    EXPECT_EQ(w->Panel()->ModeBoxOf(NormMode::RmsCalc)->Value(), 1);
    EXPECT_EQ(w->Panel()->ModeBoxOf(NormMode::Peak)->Value(), 0);
    EXPECT_TRUE(w->Panel()->FieldOf(panel::TextField::RmsWindow)->isEnabled());
    EXPECT_TRUE(w->Panel()->FieldOf(panel::TextField::RmsThreshold)->isEnabled());

    ClickCentre(w->Panel()->UseBoxOf(panel::UseBox::Normalize)); // Normalize off
    EXPECT_EQ(w->Panel()->UseBoxOf(panel::UseBox::Normalize)->Value(), 0);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(w->Panel()->ModeBoxOf(NormMode(i))->Enabled(), 0);
    EXPECT_FALSE(w->Panel()->FieldOf(panel::TextField::RmsWindow)->isEnabled());
    EXPECT_FALSE(w->Panel()->FieldOf(panel::TextField::RmsThreshold)->isEnabled());

    ClickCentre(w->Panel()->UseBoxOf(panel::UseBox::Normalize)); // on again, RMS(Calc) still chosen
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(w->Panel()->ModeBoxOf(NormMode(i))->Enabled(), -1);
    EXPECT_TRUE(w->Panel()->FieldOf(panel::TextField::RmsWindow)->isEnabled());

    ClickCentre(w->Panel()->ModeBoxOf(NormMode::RmsMax)); // another mode: the RMS fields go off
    EXPECT_EQ(w->Panel()->ModeBoxOf(NormMode::RmsCalc)->Value(), 0);
    EXPECT_FALSE(w->Panel()->FieldOf(panel::TextField::RmsWindow)->isEnabled());

    w->Panel()->OutputTo()->SetText("/somewhere");
    ClickCentre(w->Panel()->OverWriteBox());
    EXPECT_EQ(w->Panel()->OverWriteBox()->Value(), 1);
    EXPECT_EQ(w->Panel()->OutputTo()->Enabled(), 0);
    EXPECT_EQ(w->Panel()->OutputTo()->Text().toStdString(), "/somewhere");
    CloseWindow(w);
    EXPECT_EQ(ReadSetting("SoundPath", "x"), "/somewhere");
    EXPECT_EQ(ReadSetting("OW", 0), "1");
}

TEST_F(WindowTest, LoudnessSwitchesTheLevelToLufsAndKeepsTheCeiling) {
    auto w = OpenWindow();
    UC_Slider* level = w->Panel()->SliderOf(panel::Slider::NormLevel);
    level->SetValue(-3);
    ClickCentre(w->Panel()->ModeBoxOf(NormMode::Loudness)); // Loudness
    EXPECT_EQ(w->Panel()->ModeBoxOf(NormMode::Peak)->Value(), 0);
    EXPECT_EQ(level->Value(), -23);
    EXPECT_EQ(Shown(*w, 2), "-23LUFS");
    // The tooltip and what a reader hears say the unit shown.
    const QString heard =
        QAccessible::queryAccessibleInterface(level)->text(QAccessible::Description);
    EXPECT_TRUE(heard.startsWith("Normalize level: -23 LUFS")) << heard.toStdString();
    EXPECT_EQ(heard, level->toolTip());
    // The wider display still ends short of the Clip box.
    EXPECT_LT(GeometryTwips(w->Panel()->ValueOf(panel::Slider::NormLevel)).right(),
              GeometryTwips(w->Panel()->ClipBox()).x());
    EXPECT_TRUE(w->Panel()->FieldOf(panel::TextField::Ceiling)->isEnabled());
    EXPECT_FALSE(w->Panel()->FieldOf(panel::TextField::RmsWindow)->isEnabled());
    const QRect track = level->TrackBox();
    Click(level, QPoint(track.left() + 1, track.center().y()));
    EXPECT_EQ(level->Value(), -40);
    EXPECT_EQ(Shown(*w, 2), "-40LUFS");
    Click(level, QPoint(track.right() - 1, track.center().y()));
    EXPECT_EQ(level->Value(), -5);

    ClickCentre(w->Panel()->UseBoxOf(
        panel::UseBox::Normalize)); // Normalize off: the ceiling goes off with the modes
    EXPECT_FALSE(w->Panel()->FieldOf(panel::TextField::Ceiling)->isEnabled());
    ClickCentre(w->Panel()->UseBoxOf(panel::UseBox::Normalize));
    EXPECT_TRUE(w->Panel()->FieldOf(panel::TextField::Ceiling)->isEnabled());

    level->SetValue(-16);
    w->Panel()->FieldOf(panel::TextField::Ceiling)->setText("-2");
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
    EXPECT_EQ(w->Panel()->SliderOf(panel::Slider::NormLevel)->Value(), -16);
    EXPECT_EQ(Shown(*w, 2), "-16LUFS");
    EXPECT_EQ(w->Panel()->FieldOf(panel::TextField::Ceiling)->text().toStdString(), "-2");
    ClickCentre(w->Panel()->ModeBoxOf(NormMode::RmsMax));
    EXPECT_EQ(w->Panel()->SliderOf(panel::Slider::NormLevel)->Value(), 0);
    EXPECT_EQ(Shown(*w, 2), "0db");
    EXPECT_FALSE(w->Panel()->FieldOf(panel::TextField::Ceiling)->isEnabled());
    CloseWindow(w);
}

TEST_F(WindowTest, SliderDisplaysFollowTheSlidersAndStopAtTheirEnds) {
    auto w = OpenWindow();
    UC_Slider* adjust = w->Panel()->SliderOf(panel::Slider::Adjust);
    QRect track = adjust->TrackBox();
    Click(adjust, QPoint(track.right() + 40, track.center().y())); // far right of the track
    ClickCentre(adjust); // no-op for position check; keeps Scrolled flowing
    Click(adjust, QPoint(track.right() - 1, track.center().y()));
    EXPECT_EQ(adjust->Value(), 20);
    EXPECT_EQ(Shown(*w, 3), "20db");

    UC_Slider* start = w->Panel()->SliderOf(panel::Slider::TrimIn);
    Click(start, QPoint(start->TrackBox().left() + 1, start->TrackBox().center().y()));
    EXPECT_EQ(start->Value(), -60);
    EXPECT_EQ(Shown(*w, 0), "-60db");
    CloseWindow(w);
}

TEST_F(WindowTest, SettingsAreSavedAtCloseAndRestoredAtTheNextStart) {
    auto w = OpenWindow();
    w->Panel()->SliderOf(panel::Slider::TrimIn)->SetValue(-30);
    w->Panel()->SliderOf(panel::Slider::TrimOut)->SetValue(-50);
    w->Panel()->SliderOf(panel::Slider::NormLevel)->SetValue(-3);
    w->Panel()->SliderOf(panel::Slider::Adjust)->SetValue(12);
    w->Panel()->FieldOf(panel::TextField::StartMargin)->setText("120");
    w->Panel()->FieldOf(panel::TextField::EndMargin)->setText("-80");
    w->Panel()->FieldOf(panel::TextField::RmsWindow)->setText("abc");
    w->Panel()->FieldOf(panel::TextField::RmsThreshold)->setText("-9");
    ClickCentre(w->Panel()->ModeBoxOf(NormMode::RmsAverage));
    ClickCentre(w->Panel()->ClipBox());
    ClickCentre(w->Panel()->UseBoxOf(panel::UseBox::Adjust));
    w->Panel()->OutputTo()->SetText(QString::fromStdString(folderOut));
    w->move(200, 150);
    CloseWindow(w);

    w = OpenWindow();
    EXPECT_EQ(w->Panel()->SliderOf(panel::Slider::TrimIn)->Value(), -30);
    EXPECT_EQ(Shown(*w, 0), "-30db");
    EXPECT_EQ(w->Panel()->SliderOf(panel::Slider::TrimOut)->Value(), -50);
    EXPECT_EQ(w->Panel()->SliderOf(panel::Slider::NormLevel)->Value(), -3);
    EXPECT_EQ(w->Panel()->SliderOf(panel::Slider::Adjust)->Value(), 12);
    EXPECT_EQ(Shown(*w, 3), "12db");
    EXPECT_EQ(Text(*w, 0), "120");
    EXPECT_EQ(Text(*w, 1), "-80");
    EXPECT_EQ(Text(*w, 2), "abc"); // stored as it stood
    EXPECT_EQ(Text(*w, 3), "-9");
    EXPECT_EQ(w->Panel()->ModeBoxOf(NormMode::RmsAverage)->Value(), 1);
    EXPECT_EQ(w->Panel()->ModeBoxOf(NormMode::Peak)->Value(), 0);
    EXPECT_EQ(w->Panel()->ClipBox()->Value(), 1);
    EXPECT_EQ(w->Panel()->UseBoxOf(panel::UseBox::Adjust)->Value(), 0);
    EXPECT_EQ(w->Panel()->OutputTo()->Text().toStdString(), folderOut);
    EXPECT_EQ(w->pos(), QPoint(200, 150));

    // A margin that is not a number keeps the stored one.
    w->Panel()->FieldOf(panel::TextField::StartMargin)->setText("abc");
    CloseWindow(w);
    EXPECT_EQ(ReadSetting("0Margin", "0"), "120");
    EXPECT_EQ(ReadSetting("WindowWidth", "none"), std::to_string(app::FrmMain::ClientWidth));

    // Every key the window stored is one of the key tables'.
    std::set<std::string> known(panel::PanelSettingKeys().begin(), panel::PanelSettingKeys().end());
    known.insert(keys::kWindowKeys.begin(), keys::kWindowKeys.end());
    const QSettings store(QString::fromStdString(SettingsFilePath()), QSettings::IniFormat);
    EXPECT_GT(store.allKeys().size(), 20);
    for (const QString& key : store.allKeys())
        EXPECT_EQ(known.count(key.toStdString()), 1u) << key.toStdString();
}

TEST_F(WindowTest, DamagedStoredValuesCostOnlyTheirField) {
    WriteSetting("TrimLevelIn", "loud");
    WriteSetting("LevelAdjust", "99");
    WriteSetting("NormMode", "7");
    WriteSetting("1Use", "x");
    auto w = OpenWindow();
    EXPECT_EQ(w->Panel()->SliderOf(panel::Slider::TrimIn)->Value(), -45);
    EXPECT_EQ(w->Panel()->SliderOf(panel::Slider::Adjust)->Value(), 20); // limited by the slider
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(w->Panel()->ModeBoxOf(NormMode(i))->Value(), 0);
    EXPECT_EQ(w->Panel()->UseBoxOf(panel::UseBox::Normalize)->Value(), 1);
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
