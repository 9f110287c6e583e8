// Every reference case of the engine run through the real quillan-batch, one test per case in
// name order: the options must reach the engine as the case's arguments, the written file and
// the JSON levels must be the case's.

#include "CliTestSupport.h"

#include "common/VectorCases.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <regex>

using namespace clitest;

namespace {

// One reference case: the EditWave arguments by name and the expected results.
struct VectorCase {
    std::string Name;
    std::string Source;
    bool HasTarget = false;
    std::map<std::string, std::string> Args;
    std::string ExpectedJson;
};

VectorCase LoadCase(const fs::path& pFolder) {
    VectorCase c;
    c.Name = pFolder.filename();
    const std::string args = ReadText((pFolder / "args.json").string());
    std::string source = JsonValue(args, "source").value_or("\"\"");
    c.Source = (pFolder / source.substr(1, source.size() - 2)).lexically_normal().string();
    c.HasTarget = JsonValue(args, "target").value_or("\"\"") != "\"\"";
    std::regex pair("\"name\"\\s*:\\s*\"(\\w+)\"\\s*,\\s*\"value\"\\s*:\\s*([-0-9.eE+]+)");
    for (std::sregex_iterator it(args.begin(), args.end(), pair), end; it != end; ++it)
        c.Args[(*it)[1]] = (*it)[2];
    c.ExpectedJson = ReadText((pFolder / "expected.json").string());
    return c;
}

// The command-line options that carry a case's arguments.
std::vector<std::string> OptionsFor(const VectorCase& pC) {
    static const char* modes[] = {"peak", "rms-max", "rms-average", "rms-calc"};
    auto a = [&](const char* pN) { return pC.Args.at(pN); };
    auto on = [&](const char* pN) { return std::stoll(a(pN)) != 0; };
    std::vector<std::string> o{"--from",
                               a("pFrom"),
                               "--to",
                               a("pTo"),
                               on("pUseTh") ? "--trim" : "--no-trim",
                               "--start-threshold",
                               a("pThIn"),
                               "--end-threshold",
                               a("pThOut"),
                               "--start-margin",
                               a("pStartMargin"),
                               "--end-margin",
                               a("pEndMargin"),
                               "--normalize",
                               modes[std::stoi(a("pNormMode"))],
                               "--level",
                               a("pNormLevel"),
                               "--rms-window",
                               a("pRMSmsec"),
                               "--rms-threshold",
                               a("pRMSdb"),
                               "--adjust-left",
                               a("pAdjustdbL"),
                               "--adjust-right",
                               a("pAdjustdbR"),
                               "--fade-in",
                               a("pFadeInSample"),
                               "--fade-out",
                               a("pFadeOutSample")};
    if (!on("pUseNorm")) o.push_back("--no-normalize");
    if (on("pForceMargin")) o.push_back("--force-margin");
    if (on("pClip")) o.push_back("--clip");
    if (std::stoi(a("pCheckLevel")) == 1) o.push_back("--check");
    return o;
}

void ExpectLevelsMatch(const std::string& pExpected, const std::string& pLine) {
    for (const char* key : {"max_peak", "max_rms", "norm_rms"}) {
        auto want = JsonValue(pExpected, key);
        if (want && *want != "null") {
            EXPECT_EQ(JsonValue(pLine, key), want) << key;
        }
    }
    for (const char* key : {"max_peak_db", "max_rms_db", "norm_rms_db"}) {
        auto want = JsonValue(pExpected, key);
        if (!want || *want == "null") continue;
        auto got = JsonValue(pLine, key);
        ASSERT_TRUE(got && *got != "null") << key;
        const double w = std::stod(*want), g = std::stod(*got);
        EXPECT_LE(std::fabs(g - w), 1e-6 * std::max(1.0, std::fabs(w))) << key;
    }
}

class BatchVector : public ::testing::TestWithParam<fs::path> {};

TEST_P(BatchVector, OptionsReachTheEngineAsTheCaseExpects) {
    const fs::path folder = GetParam();
    const VectorCase c = LoadCase(folder);
    const bool check = std::stoi(c.Args.at("pCheckLevel")) == 1;
    if (!c.HasTarget && !check) GTEST_SKIP() << "measure only without a level check has no option";
    ScratchDir dir;
    fs::create_directory(dir / "in");
    fs::create_directory(dir / "out");
    const std::string source = dir / ("in/" + fs::path(c.Source).filename().string());
    fs::copy_file(c.Source, source);
    const auto original = ReadBytes(source);

    std::vector<std::string> args = OptionsFor(c);
    args.insert(args.end(), {"--json", "-q", "-o", dir / "out", source});
    RunResult r = RunBatch(args);
    const int expectedResult = std::stoi(*JsonValue(c.ExpectedJson, "result"));
    EXPECT_EQ(r.Status, expectedResult == 1 ? 0 : 1) << r.Err;
    EXPECT_EQ(JsonValue(r.Out, "result"), std::to_string(expectedResult));
    if (expectedResult == 1) {
        ExpectLevelsMatch(c.ExpectedJson, r.Out);
    } else {
        // A failed job shows no levels (null), whatever the engine's presets are, and says why.
        EXPECT_EQ(JsonValue(r.Out, "max_peak"), "null");
        EXPECT_NE(r.Err.find(source + ": "), std::string::npos) << r.Err;
    }
    EXPECT_EQ(ReadBytes(source), original);

    const auto written = Listing(dir / "out");
    if (fs::exists(folder / "expected.wav") && !check) {
        ASSERT_EQ(written.size(), 1u) << r.Err;
        EXPECT_TRUE(ReadBytes(dir / ("out/" + written[0])) ==
                    ReadBytes((folder / "expected.wav").string()));
    } else {
        EXPECT_TRUE(written.empty());
        EXPECT_EQ(JsonValue(r.Out, "target"), "null");
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, BatchVector,
                         ::testing::ValuesIn(vectorcases::VectorCases(VectorsDir())),
                         vectorcases::CaseName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(BatchVector);

} // namespace
