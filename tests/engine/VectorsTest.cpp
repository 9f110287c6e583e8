// Every reference case of the vectors folder: one EditWave call whose output file and
// level results must match the stored ones exactly.

#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <sstream>

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

} // namespace

TEST(ReferenceVectors, EveryCaseMatchesByteForByte) {
    const fs::path dir = VectorsDir();
    if (dir.empty() || !fs::is_directory(dir)) GTEST_SKIP() << "no reference vectors";
    std::vector<fs::path> cases;
    for (const auto& e : fs::directory_iterator(dir))
        if (fs::exists(e.path() / "args.json")) cases.push_back(e.path());
    std::sort(cases.begin(), cases.end());
    ASSERT_FALSE(cases.empty());
    size_t filesCompared = 0;

    for (const fs::path& c : cases) {
        SCOPED_TRACE(c.filename().string());
        const std::string args = ReadText(c / "args.json");
        const std::string expected = ReadText(c / "expected.json");
        const std::vector<double> v = ArgumentValues(args);
        ASSERT_EQ(v.size(), 19u);
        TempDir tmp;
        Job job;
        job.Source = (c / StringField(args, "source")).string();
        job.Target = StringField(args, "target").empty() ? "" : tmp.Path("expected.wav");
        job.From = int64_t(v[0]);
        job.To = int64_t(v[1]);
        job.UseTh = int32_t(v[2]);
        job.ThIn = float(v[3]);
        job.ThOut = float(v[4]);
        job.StartMargin = int32_t(v[5]);
        job.EndMargin = int32_t(v[6]);
        job.ForceMargin = int32_t(v[7]);
        job.UseNorm = int32_t(v[8]);
        job.NormLevel = float(v[9]);
        job.NormMode = int32_t(v[10]);
        job.RMSmsec = int32_t(v[11]);
        job.RMSdb = float(v[12]);
        job.Clip = int32_t(v[13]);
        job.AdjustL = float(v[14]);
        job.AdjustR = float(v[15]);
        job.FadeIn = int32_t(v[16]);
        job.FadeOut = int32_t(v[17]);
        job.CheckLevel = int32_t(v[18]);

        C_EditWave edit;
        const int32_t result = job.Run(edit);
        EXPECT_EQ(result, int32_t(*NumberField(expected, "result")));

        const fs::path wav = c / "expected.wav";
        if (fs::exists(wav)) {
            ASSERT_TRUE(fs::exists(job.Target));
            EXPECT_TRUE(ReadBytes(wav.string()) == ReadBytes(job.Target)) << "output differs";
            ++filesCompared;
        } else if (!job.Target.empty()) {
            EXPECT_FALSE(fs::exists(job.Target) && result == 1);
        }

        if (auto peak = NumberField(expected, "max_peak")) {
            EXPECT_EQ(edit.MaxPeak(), int32_t(*peak));
            EXPECT_EQ(edit.MaxRMS(), int32_t(*NumberField(expected, "max_rms")));
            EXPECT_EQ(edit.NormRMS(), int32_t(*NumberField(expected, "norm_rms")));
            EXPECT_NEAR(edit.MaxPeakDB(), *NumberField(expected, "max_peak_db"),
                        1e-6 * std::fabs(*NumberField(expected, "max_peak_db")));
            EXPECT_NEAR(edit.MaxRMSDB(), *NumberField(expected, "max_rms_db"),
                        1e-6 * std::fabs(*NumberField(expected, "max_rms_db")));
            EXPECT_NEAR(edit.NormRMSDB(), *NumberField(expected, "norm_rms_db"),
                        1e-6 * std::fabs(*NumberField(expected, "norm_rms_db")));
        }
    }
    EXPECT_GE(filesCompared, 20u);
}
