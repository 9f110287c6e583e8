// quillan-batch and loudness: the options, the report, and results read back by ffmpeg's
// loudness meter.

#include "CliTestSupport.h"
#include "WavGen.h"
#include "cli/Options.h"
#include "cli/Reporter.h"
#include "engine/FailureReason.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <regex>

using namespace clitest;

namespace {

cli::ParseResult Parse(const std::vector<std::string>& pArgs) {
    return cli::ParseOptions(pArgs, {});
}

} // namespace

TEST(CliLoudnessOptions, TheModeBringsItsOwnTargetUnlessALevelIsGiven) {
    auto r = Parse({"--normalize", "loudness", "a.wav"});
    ASSERT_EQ(r.Error, "");
    EXPECT_EQ(r.Options.Edit.Mode, NormMode::Loudness);
    EXPECT_EQ(r.Options.Edit.NormLevelDb, -23.0f);
    EXPECT_TRUE(r.Options.Edit.TruePeakCeiling);
    EXPECT_EQ(r.Options.Edit.TruePeakCeilingDb, -1.0f);
    EXPECT_FALSE(r.Options.Edit.MeasureLoudness);

    // --level wins wherever it stands; a switch back to a level mode restores 0 dB.
    EXPECT_EQ(Parse({"--level", "-16", "--normalize", "loudness", "a"}).Options.Edit.NormLevelDb,
              -16.0f);
    EXPECT_EQ(Parse({"--normalize", "4", "--level", "-14", "a"}).Options.Edit.NormLevelDb, -14.0f);
    EXPECT_EQ(
        Parse({"--normalize", "loudness", "--normalize", "peak", "a"}).Options.Edit.NormLevelDb,
        0.0f);

    r = Parse({"--normalize", "loudness", "--true-peak", "-2.5", "--loudness", "a"});
    EXPECT_EQ(r.Options.Edit.TruePeakCeilingDb, -2.5f);
    EXPECT_TRUE(r.Options.Edit.MeasureLoudness);
    EXPECT_FALSE(Parse({"--no-true-peak", "a"}).Options.Edit.TruePeakCeiling);
    EXPECT_NE(Parse({"--true-peak", "high", "a"}).Error.find("'--true-peak'"), std::string::npos);

    const std::string help = cli::UsageText();
    for (const char* word :
         {"loudness ", "--true-peak DBTP", "--no-true-peak", "--loudness", "integrated_lufs"})
        EXPECT_NE(help.find(word), std::string::npos) << word;
}

TEST(CliLoudnessReport, FieldsOnlyWhenLoudnessIsReported) {
    cli::Options o;
    EXPECT_FALSE(cli::LoudnessReported(o));
    o.Edit.Mode = NormMode::Loudness;
    EXPECT_TRUE(cli::LoudnessReported(o));
    o.Check = true; // a check does not normalise
    EXPECT_FALSE(cli::LoudnessReported(o));
    o.Edit.MeasureLoudness = true;
    EXPECT_TRUE(cli::LoudnessReported(o));

    cli::FileResult r;
    r.Source = "a.wav";
    r.Result = 1;
    r.Loudness = LoudnessResult{-23.004, true, 4.5, true, 0.5};
    r.SourceLoudness = LoudnessResult{-21.004, true, 4.5, true, 0.63};
    r.GainDb = -2.0;
    r.Limit = GainLimit::TruePeakCeiling;
    EXPECT_EQ(cli::JsonLine(r, true, false).find("lufs"), std::string::npos);
    const std::string json = cli::JsonLine(r, true, true);
    EXPECT_NE(json.find("\"integrated_lufs\": -23.00, \"loudness_range_lu\": 4.50, "
                        "\"true_peak_dbtp\": -6.02, \"gain_db\": -2.00, "
                        "\"true_peak_limited\": true, \"limited_by\": \"true_peak\", "
                        "\"source_integrated_lufs\": -21.00}"),
              std::string::npos)
        << json;
    r.Limit = GainLimit::SamplePeak;
    EXPECT_NE(cli::JsonLine(r, true, true).find("\"limited_by\": \"sample_peak\""),
              std::string::npos);
    EXPECT_EQ(LimitNote(GainLimit::SamplePeak, -1.0f, -46.82, -23.0f, true),
              "the sample peak lowered the gain: -46.8 LUFS instead of -23.0");
    r.Limit = GainLimit::TruePeakCeiling;
    EXPECT_EQ(cli::LoudnessLine(r),
              "a.wav\t-23.00 LUFS\t4.50 LU\t-6.02 dBTP\tgain -2.00 dB (true-peak ceiling)");

    // Silence has no integrated loudness: JSON null, text -inf; a check shows no gain.
    r.Loudness = LoudnessResult{-std::numeric_limits<double>::infinity(), false, 0.0, true, 0.0};
    r.SourceLoudness.reset();
    r.GainDb.reset();
    EXPECT_NE(cli::JsonLine(r, true, true)
                  .find("\"integrated_lufs\": null, "
                        "\"loudness_range_lu\": null, "
                        "\"true_peak_dbtp\": null, \"gain_db\": null, "
                        "\"true_peak_limited\": false, \"limited_by\": null, "
                        "\"source_integrated_lufs\": null}"),
              std::string::npos);
    EXPECT_EQ(cli::LoudnessLine(r), "a.wav\t-inf LUFS\t-\t-inf dBTP");
}

namespace {

struct LoudnessBinary : ::testing::Test {
    ScratchDir Dir;
    // 20 s of the generator's speech-like signal peaking at -6 dBFS (about -13 LUFS, true
    // peak about -5.3 dBTP).
    std::string Speech() {
        const std::string path = Dir / "speech.wav";
        WavGenOptions o;
        o.Seconds = 20.0;
        o.Seed = 3;
        if (!fs::exists(path) && !GenerateWav(path, o)) throw std::runtime_error("no file");
        return path;
    }
};

bool HaveFfmpeg() {
    return std::system("ffmpeg -hide_banner -version >/dev/null 2>&1") == 0;
}

// ffmpeg's loudness meter over a file: its summary's "I:" (integrated loudness) and "Peak:"
// (true peak) lines.
struct FfmpegReading {
    double Integrated = 0.0;
    double TruePeak = 0.0;
};
FfmpegReading FfmpegLoudness(const std::string& pPath, const fs::path& pScratch) {
    const std::string log = (pScratch / "ebur128.txt").string();
    const std::string command = "ffmpeg -hide_banner -nostats -i '" + pPath +
                                "' -af ebur128=peak=true -f null - 2>'" + log + "'";
    if (std::system(command.c_str()) != 0) throw std::runtime_error("ffmpeg failed");
    const std::string text = ReadText(log);
    const std::string summary = text.substr(text.rfind("Summary:"));
    std::smatch m;
    FfmpegReading reading;
    if (!std::regex_search(summary, m, std::regex(R"(I:\s+(-?[0-9.]+) LUFS)")))
        throw std::runtime_error("no I: line");
    reading.Integrated = std::stod(m[1]);
    if (!std::regex_search(summary, m, std::regex(R"(Peak:\s+(-?[0-9.]+) dBFS)")))
        throw std::runtime_error("no Peak: line");
    reading.TruePeak = std::stod(m[1]);
    return reading;
}

double JsonNumber(const std::string& pJson, const char* pKey) {
    const std::optional<std::string> v = JsonValue(pJson, pKey);
    if (!v) throw std::runtime_error(std::string("no ") + pKey);
    return std::stod(*v);
}

} // namespace

TEST_F(LoudnessBinary, ResultsReadTheTargetInAnotherMeter) {
    if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg not installed";
    const std::string source = Speech();
    fs::create_directories(Dir / "out");
    for (const char* target : {"-23", "-16"}) {
        SCOPED_TRACE(target);
        fs::remove(Dir / "out/speech.wav");
        const RunResult r = RunBatch({"-q", "--json", "--normalize", "loudness", "--level", target,
                                      "-o", Dir / "out", source});
        ASSERT_EQ(r.Status, 0) << r.Err;
        EXPECT_EQ(JsonValue(r.Out, "true_peak_limited"), "false");
        const FfmpegReading out = FfmpegLoudness(Dir / "out/speech.wav", Dir.path());
        EXPECT_NEAR(out.Integrated, std::stod(target), 0.1);
    }
}

TEST_F(LoudnessBinary, TheCeilingHoldsAndTheReportSaysSo) {
    if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg not installed";
    const std::string source = Speech();
    fs::create_directories(Dir / "out");
    // -8 LUFS would put the true peak near -0.5 dBTP, far above -3: the ceiling decides.
    const RunResult r = RunBatch({"--json", "--normalize", "loudness", "--level", "-8",
                                  "--true-peak", "-3", "-o", Dir / "out", source});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(JsonValue(r.Out, "true_peak_limited"), "true");
    EXPECT_NE(r.Err.find("warning: the true-peak ceiling of -3.0 dBTP lowered the gain"),
              std::string::npos)
        << r.Err;
    // The ceiling holds the continuous peak, which the reported 4x figure of the result may
    // read a little below; the source's loudness is the result's less the gain.
    EXPECT_LE(JsonNumber(r.Out, "true_peak_dbtp"), -3.0 + 0.005);
    EXPECT_GE(JsonNumber(r.Out, "true_peak_dbtp"), -3.1);
    EXPECT_NEAR(JsonNumber(r.Out, "source_integrated_lufs") + JsonNumber(r.Out, "gain_db"),
                JsonNumber(r.Out, "integrated_lufs"), 0.011);
    EXPECT_EQ(JsonValue(r.Out, "limited_by"), "\"true_peak\"");
    const FfmpegReading out = FfmpegLoudness(Dir / "out/speech.wav", Dir.path());
    // ffmpeg shows one decimal (and oversamples its own way): 0.1 dB plus half a step.
    EXPECT_NEAR(out.TruePeak, -3.0, 0.15);
    EXPECT_LT(out.Integrated, -8.5);

    // The written result measured again by quillan-batch: the same ceiling, from the file.
    const RunResult check = RunBatch({"--check", "--loudness", Dir / "out/speech.wav"});
    ASSERT_EQ(check.Status, 0) << check.Err;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(check.Out, m, std::regex(R"(\t(-?[0-9.]+) dBTP\n)")))
        << check.Out;
    EXPECT_LE(std::stod(m[1]), -3.0 + 0.005);
    EXPECT_GE(std::stod(m[1]), -3.1);
}

TEST_F(LoudnessBinary, ACheckReportsLoudnessWithoutTheMode) {
    const std::string source = Speech();
    RunResult r = RunBatch({"--check", "--json", "--loudness", source});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_NEAR(JsonNumber(r.Out, "integrated_lufs"), -12.9, 0.5);
    EXPECT_GT(JsonNumber(r.Out, "loudness_range_lu"), 0.0);
    EXPECT_NEAR(JsonNumber(r.Out, "true_peak_dbtp"), -5.3, 0.5);
    EXPECT_EQ(JsonValue(r.Out, "gain_db"), "null");

    // Without --loudness the objects keep their old shape.
    r = RunBatch({"--check", "--json", source});
    EXPECT_EQ(r.Out.find("lufs"), std::string::npos);
    // One text line per file without --json, in the order given.
    r = RunBatch({"--check", "--loudness", source, source});
    EXPECT_TRUE(std::regex_match(
        r.Out,
        std::regex("(" +
                   std::regex_replace(source, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)") +
                   R"(\t-[0-9.]+ LUFS\t[0-9.]+ LU\t-[0-9.]+ dBTP\n){2})")))
        << r.Out;
}
