#include "cli/Options.h"
#include "engine/NormModes.h"

#include <gtest/gtest.h>

#include <map>

using cli::OutputMode;
using cli::ParseOptions;

namespace {

cli::ParseResult Parse(std::vector<std::string> pArgs,
                       const std::map<std::string, std::string>& pStore = {}) {
    return ParseOptions(pArgs, [&](const std::string& pKey, const std::string& pDef) {
        auto it = pStore.find(pKey);
        return it == pStore.end() ? pDef : it->second;
    });
}

TEST(CliOptions, DefaultsMatchTheDocumentedTable) {
    auto r = Parse({"a.wav"});
    ASSERT_EQ(r.Error, "");
    const auto& e = r.Options.Edit;
    EXPECT_TRUE(e.Trim);
    EXPECT_EQ(e.StartThresholdDb, -45.0f);
    EXPECT_EQ(e.EndThresholdDb, -45.0f);
    EXPECT_TRUE(e.Normalize);
    EXPECT_EQ(e.Mode, NormMode::Peak);
    EXPECT_EQ(e.GateMs, 500);
    EXPECT_EQ(e.GateDb, -6.0f);
    EXPECT_FALSE(e.Clip);
    EXPECT_EQ(r.Options.Output, OutputMode::BesideSource);
    EXPECT_EQ(r.Options.Files, std::vector<std::string>{"a.wav"});
}

TEST(CliOptions, ValuesReachTheirArgumentUnchanged) {
    auto r = Parse({"--no-trim",
                    "--start-threshold",
                    "-12.5",
                    "--end-threshold=-30.25",
                    "--start-margin",
                    "-250",
                    "--end-margin",
                    "17",
                    "--force-margin",
                    "--normalize",
                    "rms-calc",
                    "--level",
                    "-3.7",
                    "--rms-window",
                    "250",
                    "--rms-threshold",
                    "4",
                    "--clip",
                    "--adjust",
                    "2",
                    "--adjust-right",
                    "-1.5",
                    "--fade-in",
                    "1000",
                    "--fade-out",
                    "5",
                    "--from",
                    "8589934592",
                    "--to",
                    "-1",
                    "-j",
                    "3",
                    "-q",
                    "x.wav",
                    "y.wav"});
    ASSERT_EQ(r.Error, "");
    const auto& e = r.Options.Edit;
    EXPECT_FALSE(e.Trim);
    EXPECT_EQ(e.StartThresholdDb, -12.5f);
    EXPECT_EQ(e.EndThresholdDb, -30.25f);
    EXPECT_EQ(e.StartMarginMs, -250); // no sign rules on the command line
    EXPECT_EQ(e.EndMarginMs, 17);
    EXPECT_TRUE(e.ForceMargins);
    EXPECT_EQ(e.Mode, NormMode::RmsCalc);
    EXPECT_EQ(e.NormLevelDb, static_cast<float>(-3.7));
    EXPECT_EQ(e.GateMs, 250);
    EXPECT_EQ(e.GateDb, 4.0f);
    EXPECT_TRUE(e.Clip);
    EXPECT_EQ(e.AdjustLeftDb, 2.0f);
    EXPECT_EQ(e.AdjustRightDb, -1.5f);
    EXPECT_EQ(e.FadeInFrames, 1000);
    EXPECT_EQ(e.FadeOutFrames, 5);
    EXPECT_EQ(e.FromFrame, 8589934592LL);
    EXPECT_EQ(e.ToFrame, -1);
    EXPECT_EQ(r.Options.Jobs, 3);
    EXPECT_TRUE(r.Options.Quiet);
    EXPECT_EQ(r.Options.Files.size(), 2u);
}

TEST(CliOptions, ModesFlagsAndFileSeparator) {
    const char* names[] = {"peak", "rms-max", "rms-average", "rms-calc"};
    for (int i = 0; i < 4; ++i) {
        auto r = Parse({"--no-normalize", "--normalize", names[i], "f"});
        EXPECT_EQ(int32_t(r.Options.Edit.Mode), i);
        EXPECT_TRUE(r.Options.Edit.Normalize);
    }
    auto r =
        Parse({"--normalize", "rms-max", "--no-normalize", "-o", "out", "-j4", "--", "-odd.wav"});
    ASSERT_EQ(r.Error, "");
    EXPECT_FALSE(r.Options.Edit.Normalize);
    EXPECT_EQ(r.Options.Edit.Mode, NormMode::RmsMax);
    EXPECT_EQ(r.Options.Output, OutputMode::Folder);
    EXPECT_EQ(r.Options.OutputDir, "out");
    EXPECT_EQ(r.Options.Jobs, 4);
    EXPECT_EQ(r.Options.Files, std::vector<std::string>{"-odd.wav"});
    EXPECT_EQ(Parse({"--adjust-left", "1", "--adjust", "3", "f"}).Options.Edit.AdjustLeftDb, 3.0f);
}

TEST(CliOptions, UsageErrorsNameTheOption) {
    struct Case {
        std::vector<std::string> Args;
        std::string Expected;
    } cases[] = {
        {{"--bogus", "f"}, "unknown option '--bogus'"},
        {{"-x", "f"}, "unknown option '-x'"},
        {{"f", "--level"}, "option '--level' needs a value"},
        {{"--level", "loud", "f"}, "option '--level': 'loud' is not a number of dB"},
        {{"--level", "1e60", "f"}, "option '--level'"},
        {{"--level", "nan", "f"}, "option '--level'"},
        // A gain past the single-precision range would overflow: refused, not turned silent.
        {{"--level", "771", "f"}, "option '--level': '771' is out of range (-770 to 770 dB)"},
        {{"--adjust", "1000", "f"}, "option '--adjust': '1000' is out of range"},
        {{"--adjust-right", "-800", "f"}, "option '--adjust-right': '-800' is out of range"},
        {{"--true-peak", "1e20", "f"}, "option '--true-peak': '1e20' is out of range"},
        {{"--start-margin", "12.5", "f"}, "option '--start-margin'"},
        {{"--rms-window", "99999999999", "f"}, "option '--rms-window'"},
        {{"--rms-window", "-1", "f"}, "option '--rms-window': '-1' is out of range (0 to 600000)"},
        {{"--rms-window", "2147483647", "f"},
         "option '--rms-window': '2147483647' is out of range (0 to 600000)"},
        {{"--normalize", "volume", "f"}, "option '--normalize'"},
        {{"-j", "0", "f"}, "option '-j'"},
        {{"--clip=1", "f"}, "option '--clip' takes no value"},
        {{"--overwrite", "-o", "d", "f"}, "'--overwrite' and '--output-dir'"},
        {{"-q"}, "no input files"},
        {{"--watch", "in"}, "'--watch' needs '--output-dir'"},
        {{"--watch", "in", "-o", "out", "f"}, "'--watch' takes no files"},
        {{"--watch", "in", "-o", "out", "--then-delete"}, "give '--i-have-backups'"},
        {{"--then-move", "done", "f"}, "need '--watch'"},
        {{"--watch", "in", "-o", "out", "--settle", "-1"}, "option '--settle'"},
        {{"--backup", "d", "f"}, "need '--overwrite'"},
        {{"--overwrite", "--backup=", "f"}, "option '--backup': the folder name is empty"},
        {{"--undo", "j1", "j2"}, "'--undo' takes at most one journal"},
    };
    for (const auto& c : cases) {
        auto r = Parse(c.Args);
        EXPECT_NE(r.Error.find(c.Expected), std::string::npos)
            << "args[0]=" << c.Args[0] << " error=" << r.Error;
    }
    EXPECT_EQ(Parse({"--help"}).Error, "");
    EXPECT_EQ(Parse({"--version"}).Error, "");
}

TEST(CliOptions, StoredPanelFollowsTheWindowsRules) {
    std::map<std::string, std::string> store{
        {"0Use", "1"},       {"TrimLevelIn", "-30"}, {"TrimLevelOut", "-99"}, {"0Margin", "12.5"},
        {"1Margin", "-250"}, {"1Use", "1"},          {"PeakLevel", "-3"},     {"NormMode", "3"},
        {"RMSmsec", "abc"},  {"RMSdb", "6"},         {"Clip", "1"},           {"2Use", "0"},
        {"LevelAdjust", "5"}};
    auto r = Parse({"--use-settings", "f"}, store);
    ASSERT_EQ(r.Error, "");
    const auto& e = r.Options.Edit;
    EXPECT_EQ(e.StartThresholdDb, -30.0f);
    EXPECT_EQ(e.EndThresholdDb, -45.0f); // out of range: the default, as in the window
    EXPECT_EQ(e.StartMarginMs, 12);
    EXPECT_EQ(e.EndMarginMs, 250);
    EXPECT_EQ(e.NormLevelDb, -3.0f);
    EXPECT_EQ(e.Mode, NormMode::RmsCalc);
    EXPECT_EQ(e.GateMs, 0); // not numeric
    EXPECT_EQ(e.GateDb, -6.0f);
    EXPECT_TRUE(e.Clip);
    EXPECT_EQ(e.AdjustLeftDb, 0.0f); // Level Adjust off
    EXPECT_EQ(e.AdjustRightDb, 0.0f);

    store["0Use"] = "0";
    store["NormMode"] = "1";
    store["OW"] = "1";
    r = Parse({"--use-settings", "--level", "-1", "f"}, store);
    EXPECT_FALSE(r.Options.Edit.Trim);
    EXPECT_EQ(r.Options.Edit.StartThresholdDb, 0.0f);
    EXPECT_EQ(r.Options.Edit.StartMarginMs, 0);
    EXPECT_EQ(r.Options.Edit.GateMs, 0);
    EXPECT_EQ(r.Options.Edit.NormLevelDb, -1.0f); // the option wins
    EXPECT_EQ(r.Options.Output, OutputMode::Overwrite);
    // An explicit folder replaces the stored OverWrite.
    EXPECT_EQ(Parse({"--use-settings", "-o", "d", "f"}, store).Options.Output, OutputMode::Folder);
    // Without --use-settings the store is not consulted; after "--" it is a file name.
    EXPECT_EQ(Parse({"f"}, store).Options.Edit.StartThresholdDb, -45.0f);
    EXPECT_TRUE(cli::AsksForSettings({"-q", "--use-settings", "f"}));
    EXPECT_FALSE(cli::AsksForSettings({"-q", "--", "--use-settings"}));
    r = Parse({"--", "--use-settings"}, store);
    EXPECT_EQ(r.Options.Edit.StartThresholdDb, -45.0f);
    EXPECT_EQ(r.Options.Files, (std::vector<std::string>{"--use-settings"}));
}

TEST(CliOptions, HelpDocumentsEveryOption) {
    const std::string help = cli::UsageText();
    for (const char* name : {"--output-dir",
                             "--overwrite",
                             "--trim",
                             "--no-trim",
                             "--start-threshold",
                             "--end-threshold",
                             "--start-margin",
                             "--end-margin",
                             "--force-margin",
                             "--normalize",
                             "--no-normalize",
                             "--level",
                             "--rms-window",
                             "--rms-threshold",
                             "--clip",
                             "--adjust",
                             "--adjust-left",
                             "--adjust-right",
                             "--fade-in",
                             "--fade-out",
                             "--from",
                             "--to",
                             "--check",
                             "--json",
                             "--info",
                             "--use-settings",
                             "--jobs",
                             "--quiet",
                             "--help",
                             "--version"}) {
        EXPECT_NE(help.find(name), std::string::npos) << name;
        // Every option given in the help is one the parser knows.
        std::string arg = std::string(name);
        auto r = Parse({arg, "1", "f"});
        EXPECT_EQ(r.Error.find("unknown option"), std::string::npos) << name;
    }
    // Every mode of the mode table is listed, each on its own line under --normalize.
    for (const NormModeRow& row : kNormModes)
        EXPECT_NE(help.find("\n" + std::string(30, ' ') + std::string(row.CliName) + " "),
                  std::string::npos)
            << row.CliName;
}

} // namespace
