// The stored panel and the job it asks for, shared by the window and quillan-batch.

#include "services/job/PanelSettings.h"

#include <gtest/gtest.h>

#include <map>

using namespace panel;

namespace {

// A store in memory: missing keys read as the default given.
struct MemoryStore {
    std::map<std::string, std::string> Values;
    SettingReader Reader() {
        return [this](const std::string& pKey, const std::string& pDefault) {
            auto it = Values.find(pKey);
            return it == Values.end() ? pDefault : it->second;
        };
    }
    SettingWriter Writer() {
        return
            [this](const std::string& pKey, const std::string& pValue) { Values[pKey] = pValue; };
    }
};

} // namespace

TEST(PanelSettings, MarginTextsRoundHalfToEvenAndTakeTheMagnitude) {
    const std::pair<const char*, int32_t> cases[] = {
        {"12.5", 12},
        {"13.5", 14},
        {"-250", 250},
        {"abc", 0},
        {"  +40  ", 40},
        {"1e3", 1000},
        {".5", 0},
        {"1.5", 2},
        {"", 0},
        {"12ms", 0},
        {"1e", 0},
        {"inf", 0},
        {"nan", 0},
        {"0x10", 0},
        {".", 0},
        // Beyond the 32-bit range, or a magnitude that does not fit: not numeric.
        {"2147483648", 0},
        {"99999999999999999999", 0},
        {"1e400", 0},
        {"-1e400", 0},
        {"2147483647", 2147483647},
        {"-2147483648", 0},
        {"2147483647.6", 0}};
    for (const auto& [text, magnitude] : cases)
        EXPECT_EQ(TextMagnitude(text), magnitude) << text;
}

TEST(PanelSettings, EveryKeyRoundTripsAndDamageCostsOnlyItsField) {
    MemoryStore store;
    PanelSettings p;
    p.Use = {0, 1, 0};
    p.Sliders = {-30, -50, -2, 7};
    p.Texts = {"120", "80", "400", "-9", "-2"};
    p.NormMode = 2;
    p.Clip = 1;
    p.OverWrite = 1;
    p.SoundPath = "/out";
    WritePanelSettings(p, store.Writer());
    for (const std::string& key : PanelSettingKeys())
        EXPECT_EQ(store.Values.count(key), 1u) << key;
    const PanelSettings back = ReadPanelSettings(store.Reader());
    EXPECT_EQ(back.Use, p.Use);
    EXPECT_EQ(back.Sliders, p.Sliders);
    EXPECT_EQ(back.Texts, p.Texts);
    EXPECT_EQ(back.NormMode, 2);
    EXPECT_EQ(back.Clip, 1);
    EXPECT_EQ(back.OverWrite, 1);
    EXPECT_EQ(back.SoundPath, "/out");

    store.Values["TrimLevelIn"] = "loud";
    store.Values["LevelAdjust"] = "99";
    store.Values["PeakLevel"] = "-500";
    store.Values["0Use"] = "7";
    store.Values["NormMode"] = "5";
    const PanelSettings damaged = ReadPanelSettings(store.Reader());
    EXPECT_EQ(damaged.Sliders, (std::array<int32_t, 4>{-45, -50, -60, 20}));
    EXPECT_EQ(damaged.Use[0], 1);
    EXPECT_EQ(damaged.NormMode, -1); // none chosen; a run uses Peak
    EXPECT_EQ(ChosenMode(damaged), NormMode::Peak);
    EXPECT_EQ(damaged.Texts, p.Texts);

    // A margin that is not a number keeps the stored one; no chosen mode keeps the stored one.
    p.Texts[0] = "soon";
    p.NormMode = -1;
    WritePanelSettings(p, store.Writer());
    EXPECT_EQ(store.Values["0Margin"], "120");
    EXPECT_EQ(store.Values["NormMode"], "5");
}

TEST(PanelSettings, LoudnessReadsLufsAndTheCeilingField) {
    MemoryStore store;
    store.Values["NormMode"] = "4";
    PanelSettings p = ReadPanelSettings(store.Reader());
    EXPECT_EQ(p.SliderOf(Slider::NormLevel), -23); // the loudness default, not 0 dB
    EXPECT_EQ(p.TextOf(TextField::Ceiling), "-1");
    store.Values["PeakLevel"] = "0"; // a level stored in dB comes into the LUFS range
    EXPECT_EQ(ReadPanelSettings(store.Reader()).SliderOf(Slider::NormLevel), -5);
    store.Values["PeakLevel"] = "-60";
    EXPECT_EQ(ReadPanelSettings(store.Reader()).SliderOf(Slider::NormLevel), -40);
    store.Values["NormMode"] = "0"; // other modes keep the dB range
    EXPECT_EQ(ReadPanelSettings(store.Reader()).SliderOf(Slider::NormLevel), -60);

    p.NormMode = int32_t(NormMode::Loudness);
    p.Sliders[size_t(Slider::NormLevel)] = -16;
    p.TextOf(TextField::Ceiling) = " -2.5 ";
    EditJob job = PanelJob(p, p);
    EXPECT_EQ(job.Mode, NormMode::Loudness);
    EXPECT_EQ(job.NormLevelDb, -16.0f);
    EXPECT_TRUE(job.TruePeakCeiling);
    EXPECT_EQ(job.TruePeakCeilingDb, -2.5f);
    p.TextOf(TextField::Ceiling) = "";
    EXPECT_FALSE(PanelJob(p, p).TruePeakCeiling); // an empty field: no ceiling
    for (const char* damaged : {"high", "-1x", "1e9", "nan"}) {
        p.TextOf(TextField::Ceiling) = damaged;
        job = PanelJob(p, p);
        EXPECT_TRUE(job.TruePeakCeiling) << damaged;
        EXPECT_EQ(job.TruePeakCeilingDb, -1.0f) << damaged;
    }
    p.TextOf(TextField::Ceiling) = "-0.5";
    WritePanelSettings(p, store.Writer());
    EXPECT_EQ(ReadPanelSettings(store.Reader()).TextOf(TextField::Ceiling), "-0.5");
}

TEST(PanelSettings, SwitchedOffBoxesSendZeroAndMarginsComeOnlyWithTrimming) {
    PanelSettings p;
    p.Sliders = {-40, -50, -1, -3};
    p.Texts = {"12.5", "-250", "300", "6"};
    EditJob job = PanelJob(p, p);
    EXPECT_TRUE(job.Trim);
    EXPECT_EQ(job.StartThresholdDb, -40.0f);
    EXPECT_EQ(job.EndThresholdDb, -50.0f);
    EXPECT_EQ(job.StartMarginMs, 12);
    EXPECT_EQ(job.EndMarginMs, 250);
    EXPECT_EQ(job.AdjustLeftDb, -3.0f);
    EXPECT_EQ(job.AdjustRightDb, -3.0f);
    EXPECT_EQ(job.NormLevelDb, -1.0f);
    EXPECT_EQ(job.GateMs, 0); // Peak does not gate
    EXPECT_EQ(job.FromFrame, 0);
    EXPECT_EQ(job.Check, LevelCheck::Off);

    p.Use = {0, 0, 0};
    job = PanelJob(p, p);
    EXPECT_FALSE(job.Trim);
    EXPECT_FALSE(job.Normalize);
    EXPECT_EQ(job.StartThresholdDb, 0.0f);
    EXPECT_EQ(job.EndThresholdDb, 0.0f);
    EXPECT_EQ(job.StartMarginMs, 0);
    EXPECT_EQ(job.NormLevelDb, 0.0f);
    EXPECT_EQ(job.AdjustLeftDb, 0.0f);
}

TEST(PanelSettings, TheGateComesOnlyWithAGatingModeAndNormalizeOn) {
    PanelSettings p;
    p.Texts = {"0", "0", "300", "6"};
    p.NormMode = int32_t(NormMode::RmsCalc);
    EditJob job = PanelJob(p, p);
    EXPECT_EQ(job.Mode, NormMode::RmsCalc);
    EXPECT_EQ(job.GateMs, 300);
    EXPECT_EQ(job.GateDb, -6.0f);
    p.Texts[3] = "-6";
    EXPECT_EQ(PanelJob(p, p).GateDb, -6.0f);

    p.NormMode = int32_t(NormMode::RmsAverage);
    job = PanelJob(p, p);
    EXPECT_EQ(job.GateMs, 0);
    EXPECT_EQ(job.GateDb, 0.0f);

    p.NormMode = int32_t(NormMode::RmsCalc);
    p.Use[size_t(UseBox::Normalize)] = 0;
    job = PanelJob(p, p);
    EXPECT_EQ(job.GateMs, 0);
    EXPECT_EQ(job.Mode, NormMode::RmsCalc); // read regardless; the engine ignores it
}

TEST(PanelSettings, ARunReadsSomeValuesAtItsStartAndTheRestPerFile) {
    PanelSettings atStart;
    atStart.Texts = {"100", "200", "500", "6"};
    atStart.Sliders = {-40, -40, -2, 0};
    PanelSettings now = atStart;
    now.Texts = {"1", "2", "3", "4"};
    now.Sliders = {-20, -30, -9, 5};
    now.NormMode = int32_t(NormMode::RmsMax);
    now.Clip = 1;
    const EditJob job = PanelJob(atStart, now);
    // Read at the start: margins, the normalize level and mode.
    EXPECT_EQ(job.StartMarginMs, 100);
    EXPECT_EQ(job.EndMarginMs, 200);
    EXPECT_EQ(job.NormLevelDb, -2.0f);
    EXPECT_EQ(job.Mode, NormMode::Peak);
    // Read per file: thresholds, adjustment, clip.
    EXPECT_EQ(job.StartThresholdDb, -20.0f);
    EXPECT_EQ(job.EndThresholdDb, -30.0f);
    EXPECT_EQ(job.AdjustLeftDb, 5.0f);
    EXPECT_TRUE(job.Clip);
}

TEST(PanelSettings, OutputFolderTakesARelativeTextFromTheHomeFolder) {
    EXPECT_EQ(OutputFolder("relout", "/home/u"), "/home/u/relout");
    EXPECT_EQ(OutputFolder("a/b/", "/home/u/"), "/home/u/a/b/");
    EXPECT_EQ(OutputFolder(R"(x\y)", "/home/u"), R"(/home/u/x\y)");
    EXPECT_EQ(OutputFolder("~", "/home/u"), "/home/u/");
    EXPECT_EQ(OutputFolder("~/out", "/home/u"), "/home/u/out");
    EXPECT_EQ(OutputFolder("/srv/out", "/home/u"), "/srv/out");
    EXPECT_EQ(OutputFolder("/", "/home/u"), "/");
    EXPECT_EQ(OutputFolder("", "/home/u"), "");
    // Without a home folder there is nothing to resolve against: beside the source.
    EXPECT_EQ(OutputFolder("relout", ""), "");
    EXPECT_EQ(OutputFolder("relout", "relative"), "");
    EXPECT_EQ(OutputFolder("/srv/out", ""), "/srv/out");
}

TEST(PanelSettings, KeepMetadataIsOnUnlessStoredOff) {
    MemoryStore store;
    PanelSettings p = ReadPanelSettings(store.Reader());
    EXPECT_EQ(p.KeepMetadata, 1);
    EXPECT_TRUE(PanelJob(p, p).KeepMetadata);
    store.Values["KeepMetadata"] = "0";
    p = ReadPanelSettings(store.Reader());
    EXPECT_FALSE(PanelJob(p, p).KeepMetadata);
    store.Values["KeepMetadata"] = "junk"; // damaged: the default
    EXPECT_EQ(ReadPanelSettings(store.Reader()).KeepMetadata, 1);
    p.KeepMetadata = 0;
    WritePanelSettings(p, store.Writer());
    EXPECT_EQ(store.Values["KeepMetadata"], "0");
}
