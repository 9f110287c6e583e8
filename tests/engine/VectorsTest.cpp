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

// The 19 arguments of a case in order, with its source and a target in pTmp (or none).
struct CaseCall {
    std::vector<double> V;
    std::string Source, Target;
    int32_t I(size_t pK) const { return int32_t(V[pK]); }
    float F(size_t pK) const { return float(V[pK]); }
};

CaseCall CallOf(const fs::path& pCase, const std::string& pArgs, const TempDir& pTmp) {
    CaseCall c;
    c.V = ArgumentValues(pArgs);
    if (c.V.size() != 19u) throw std::runtime_error("args.json does not hold 19 values");
    c.Source = (pCase / StringField(pArgs, "source")).string();
    c.Target = StringField(pArgs, "target").empty() ? "" : pTmp.Path("expected.wav");
    return c;
}

// One case as the documented call. Returns the result; pTarget receives the target path.
EditResult RunCase(const fs::path& pCase, const std::string& pArgs, const TempDir& pTmp,
                   std::string& pTarget) {
    const CaseCall c = CallOf(pCase, pArgs, pTmp);
    pTarget = c.Target;
    return C_EditWave().EditWave(c.Source, c.Target, int64_t(c.V[0]), int64_t(c.V[1]), c.I(2),
                                 c.F(3), c.F(4), c.I(5), c.I(6), c.I(7), c.I(8), c.F(9), c.I(10),
                                 c.I(11), c.F(12), c.I(13), c.F(14), c.F(15), c.I(16), c.I(17),
                                 c.I(18));
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

// A set of one file (album mode: measured, pooled, written) gives the case's output too.
TEST_P(ReferenceVector, SetOfOneMatchesByteForByte) {
    const fs::path c = GetParam();
    const fs::path wav = c / "expected.wav";
    if (!fs::exists(wav)) {
        GTEST_SKIP() << "the case writes nothing";
    }
    TempDir tmp;
    const CaseCall a = CallOf(c, ReadText(c / "args.json"), tmp);
    const std::optional<EditJob> job =
        PositionalJob(a.Source, a.Target, int64_t(a.V[0]), int64_t(a.V[1]), a.I(2), a.F(3), a.F(4),
                      a.I(5), a.I(6), a.I(7), a.I(8), a.F(9), a.I(10), a.I(11), a.F(12), a.I(13),
                      a.F(14), a.F(15), a.I(16), a.I(17), a.I(18));
    ASSERT_TRUE(job);
    const EditResult single = C_EditWave().Edit(EditJob(*job));
    fs::rename(a.Target, tmp.Path("single.wav"));
    const std::vector<EditResult> set = RunAsSet({*job});
    ASSERT_TRUE(set[0].Done()) << EditStatusText(set[0].Status);
    EXPECT_TRUE(ReadBytes(wav.string()) == ReadBytes(a.Target)) << "output differs";
    EXPECT_EQ(set[0].GainDb, single.GainDb);
    EXPECT_EQ(set[0].KeptFrames, single.KeptFrames);
    ASSERT_EQ(set[0].Levels.has_value(), single.Levels.has_value());
    if (single.Levels) {
        EXPECT_EQ(set[0].Levels->MaxRms, single.Levels->MaxRms);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ReferenceVector,
                         ::testing::ValuesIn(vectorcases::VectorCases(VectorsDir())),
                         vectorcases::CaseName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(ReferenceVector);
