// Every reference case of the vectors folder: one EditWave call whose output file and
// level results must match the stored ones exactly.

#include "EngineTestSupport.h"

#include "common/VectorCases.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;
using namespace enginetest;

namespace {

std::string ReadText(const fs::path& pPath) {
    std::ifstream in(pPath);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The "value" entries of args.json, in order.
std::vector<double> ArgumentValues(const std::string& pJson) {
    std::vector<double> values;
    const std::regex re(R"("value"\s*:\s*(-?[0-9.eE+-]+))");
    for (auto it = std::sregex_iterator(pJson.begin(), pJson.end(), re);
         it != std::sregex_iterator(); ++it)
        values.push_back(std::stod((*it)[1]));
    return values;
}

std::string StringField(const std::string& pJson, const std::string& pKey) {
    const std::regex re("\"" + pKey + "\"\\s*:\\s*\"([^\"]*)\"");
    std::smatch m;
    return std::regex_search(pJson, m, re) ? m[1].str() : std::string();
}

// A number field, empty when null.
std::optional<double> NumberField(const std::string& pJson, const std::string& pKey) {
    const std::regex re("\"" + pKey + R"("\s*:\s*(null|-?[0-9.eE+-]+))");
    std::smatch m;
    if (!std::regex_search(pJson, m, re) || m[1] == "null") return std::nullopt;
    return std::stod(m[1]);
}

fs::path VectorsDir() {
    const char* env = std::getenv("QUILLAN_VECTORS");
    if (env && *env) return fs::path(env);
#ifdef QUILLAN_DEFAULT_VECTORS
    return fs::path(QUILLAN_DEFAULT_VECTORS);
#else
    return fs::path();
#endif
}

// One case as the documented call: the source, a target in pTmp (or none) and the 19
// arguments in order. Returns the result; pTarget receives the target path.
EditResult RunCase(const fs::path& pCase, const std::string& pArgs, const TempDir& pTmp,
                   std::string& pTarget) {
    const std::vector<double> v = ArgumentValues(pArgs);
    if (v.size() != 19u) throw std::runtime_error("args.json does not hold 19 values");
    const std::string source = (pCase / StringField(pArgs, "source")).string();
    pTarget = StringField(pArgs, "target").empty() ? "" : pTmp.Path("expected.wav");
    auto i32 = [&](size_t pK) { return int32_t(v[pK]); };
    auto f32 = [&](size_t pK) { return float(v[pK]); };
    return C_EditWave().EditWave(source, pTarget, int64_t(v[0]), int64_t(v[1]), i32(2), f32(3),
                                 f32(4), i32(5), i32(6), i32(7), i32(8), f32(9), i32(10), i32(11),
                                 f32(12), i32(13), f32(14), f32(15), i32(16), i32(17), i32(18));
}

void ExpectLevel(double pActual, const std::string& pExpected, const std::string& pKey) {
    const double want = *NumberField(pExpected, pKey);
    EXPECT_NEAR(pActual, want, 1e-6 * std::fabs(want)) << pKey;
}

} // namespace

class ReferenceVector : public ::testing::TestWithParam<fs::path> {};

TEST_P(ReferenceVector, MatchesByteForByte) {
    const fs::path c = GetParam();
    const std::string args = ReadText(c / "args.json");
    const std::string expected = ReadText(c / "expected.json");
    TempDir tmp;
    std::string target;
    const EditResult r = RunCase(c, args, tmp, target);
    const int32_t result = r.Done() ? 1 : 0;
    EXPECT_EQ(result, int32_t(*NumberField(expected, "result")));

    const fs::path wav = c / "expected.wav";
    if (fs::exists(wav)) {
        ASSERT_TRUE(fs::exists(target)) << "no output written";
        EXPECT_TRUE(ReadBytes(wav.string()) == ReadBytes(target)) << "output differs";
    } else if (!target.empty()) {
        EXPECT_FALSE(fs::exists(target)) << "an output was left behind";
    }

    if (auto peak = NumberField(expected, "max_peak")) {
        ASSERT_TRUE(r.Levels);
        EXPECT_EQ(r.Levels->MaxPeak, int32_t(*peak));
        EXPECT_EQ(r.Levels->MaxRms, int32_t(*NumberField(expected, "max_rms")));
        EXPECT_EQ(r.Levels->NormRms, int32_t(*NumberField(expected, "norm_rms")));
        ExpectLevel(r.Levels->MaxPeakDb, expected, "max_peak_db");
        ExpectLevel(r.Levels->MaxRmsDb, expected, "max_rms_db");
        ExpectLevel(r.Levels->NormRmsDb, expected, "norm_rms_db");
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ReferenceVector,
                         ::testing::ValuesIn(vectorcases::VectorCases(VectorsDir())),
                         vectorcases::CaseName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(ReferenceVector);
