// Every reference case of the engine run through the real quillan-batch, one test per case in
// name order: the options must reach the engine as the case's arguments, the written file and
// the JSON levels must be the case's.

#include "CliTestSupport.h"

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
    std::string name;
    std::string source;
    bool hasTarget = false;
    std::map<std::string, std::string> args;
    std::string expectedJson;
};

VectorCase LoadCase(const fs::path& folder) {
    VectorCase c;
    c.name = folder.filename();
    const std::string args = ReadText((folder / "args.json").string());
    std::string source = JsonValue(args, "source").value_or("\"\"");
    c.source = (folder / source.substr(1, source.size() - 2)).lexically_normal().string();
    c.hasTarget = JsonValue(args, "target").value_or("\"\"") != "\"\"";
    std::regex pair("\"name\"\\s*:\\s*\"(\\w+)\"\\s*,\\s*\"value\"\\s*:\\s*([-0-9.eE+]+)");
    for (std::sregex_iterator it(args.begin(), args.end(), pair), end; it != end; ++it)
        c.args[(*it)[1]] = (*it)[2];
    c.expectedJson = ReadText((folder / "expected.json").string());
    return c;
}

// The command-line options that carry a case's arguments.
std::vector<std::string> OptionsFor(const VectorCase& c) {
    static const char* modes[] = {"peak", "rms-max", "rms-average", "rms-calc"};
    auto a = [&](const char* n) { return c.args.at(n); };
    auto on = [&](const char* n) { return std::stoll(a(n)) != 0; };
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

void ExpectLevelsMatch(const std::string& expected, const std::string& line) {
    for (const char* key : {"max_peak", "max_rms", "norm_rms"}) {
        auto want = JsonValue(expected, key);
        if (want && *want != "null") {
            EXPECT_EQ(JsonValue(line, key), want) << key;
        }
    }
    for (const char* key : {"max_peak_db", "max_rms_db", "norm_rms_db"}) {
        auto want = JsonValue(expected, key);
        if (!want || *want == "null") continue;
        auto got = JsonValue(line, key);
        ASSERT_TRUE(got && *got != "null") << key;
        const double w = std::stod(*want), g = std::stod(*got);
        EXPECT_LE(std::fabs(g - w), 1e-6 * std::max(1.0, std::fabs(w))) << key;
    }
}

// The case folders in name order; empty when the vectors are absent.
std::vector<fs::path> VectorCases() {
    std::vector<fs::path> cases;
    std::error_code ec;
    const fs::path dir = VectorsDir();
    if (dir.empty() || !fs::is_directory(dir, ec)) return cases;
    for (const auto& e : fs::directory_iterator(dir, ec))
        if (fs::exists(e.path() / "args.json")) cases.push_back(e.path());
    std::sort(cases.begin(), cases.end());
    return cases;
}

std::string CaseName(const ::testing::TestParamInfo<fs::path>& info) {
    std::string name = "case_" + info.param.filename().string();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

class BatchVector : public ::testing::TestWithParam<fs::path> {};

TEST_P(BatchVector, OptionsReachTheEngineAsTheCaseExpects) {
    const fs::path folder = GetParam();
    const VectorCase c = LoadCase(folder);
    const bool check = std::stoi(c.args.at("pCheckLevel")) == 1;
    if (!c.hasTarget && !check) GTEST_SKIP() << "measure only without a level check has no option";
    ScratchDir dir;
    fs::create_directory(dir / "in");
    fs::create_directory(dir / "out");
    const std::string source = dir / ("in/" + fs::path(c.source).filename().string());
    fs::copy_file(c.source, source);
    const auto original = ReadBytes(source);

    std::vector<std::string> args = OptionsFor(c);
    args.insert(args.end(), {"--json", "-q", "-o", dir / "out", source});
    RunResult r = RunBatch(args);
    const int expectedResult = std::stoi(*JsonValue(c.expectedJson, "result"));
    EXPECT_EQ(r.status, expectedResult == 1 ? 0 : 1) << r.err;
    EXPECT_EQ(JsonValue(r.out, "result"), std::to_string(expectedResult));
    if (expectedResult == 1) {
        ExpectLevelsMatch(c.expectedJson, r.out);
    } else {
        // A failed job shows no levels (null), whatever the engine's presets are, and says why.
        EXPECT_EQ(JsonValue(r.out, "max_peak"), "null");
        EXPECT_NE(r.err.find(source + ": "), std::string::npos) << r.err;
    }
    EXPECT_EQ(ReadBytes(source), original);

    const auto written = Listing(dir / "out");
    if (fs::exists(folder / "expected.wav") && !check) {
        ASSERT_EQ(written.size(), 1u) << r.err;
        EXPECT_TRUE(ReadBytes(dir / ("out/" + written[0])) ==
                    ReadBytes((folder / "expected.wav").string()));
    } else {
        EXPECT_TRUE(written.empty());
        EXPECT_EQ(JsonValue(r.out, "target"), "null");
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, BatchVector, ::testing::ValuesIn(VectorCases()), CaseName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(BatchVector);

} // namespace
