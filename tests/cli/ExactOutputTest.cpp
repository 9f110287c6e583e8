// Whole outputs of quillan-batch, byte for byte, against the files in tests/data/expected:
// --help, --info of committed files and a run's error lines and summary. Paths that change
// from run to run are written as DATA (tests/data) and SCRATCH (the test's folder).
//
// After a deliberate change of an output, regenerate the files and review the diff:
//   QUILLAN_REGENERATE=1 build/dbg/tests/cli/test_cli --gtest_filter='ExactOutput*'
//   git diff tests/data/expected

#include "CliTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

using namespace clitest;

namespace {

struct OutputCase {
    const char* Name; // the expected file: tests/data/expected/<Name>.txt
    std::vector<std::string> Args;
};

void PrintTo(const OutputCase& pCase, std::ostream* pOut) {
    *pOut << pCase.Name;
}

// DATA and SCRATCH stand for the folders in the arguments.
const OutputCase kCases[] = {
    {"help", {"--help"}},
    {"info", {"--info", "DATA/pcm16-stereo.wav", "DATA/pcm8-mono.wav", "DATA/extensible24.wav"}},
    {"info-json", {"--info", "--json", "DATA/extensible24.wav", "DATA/absent.wav"}},
    {"run",
     {"-j", "1", "-o", "SCRATCH/out", "SCRATCH/in/stereo.wav", "SCRATCH/in/notes.wav",
      "SCRATCH/in/mono.wav"}},
    {"run-loudness",
     {"-j", "1", "--normalize", "loudness", "--loudness", "-o", "SCRATCH/out",
      "SCRATCH/in/stereo.wav", "SCRATCH/in/mono.wav"}},
};

std::string Replaced(std::string pText, const std::string& pFrom, const std::string& pTo) {
    for (size_t at = pText.find(pFrom); at != std::string::npos; at = pText.find(pFrom, at))
        pText.replace(at, pFrom.size(), pTo), at += pTo.size();
    return pText;
}

class ExactOutput : public ::testing::TestWithParam<OutputCase> {
  protected:
    const std::string m_Data = std::string(std::getenv("QUILLAN_SOURCE_DIR")) + "/tests/data";
    ScratchDir m_Scratch;

    void SetUp() override {
        fs::create_directories(m_Scratch.path() / "in");
        fs::create_directories(m_Scratch.path() / "out");
        fs::copy_file(m_Data + "/pcm16-stereo.wav", m_Scratch / "in/stereo.wav");
        fs::copy_file(m_Data + "/pcm8-mono.wav", m_Scratch / "in/mono.wav");
        std::ofstream(m_Scratch / "in/notes.wav") << "just some text\n";
    }
    // "exit N", then stdout and stderr under their own headings, the folders named.
    std::string Transcript(const std::vector<std::string>& pArgs) {
        std::vector<std::string> args;
        for (const std::string& a : pArgs)
            args.push_back(
                Replaced(Replaced(a, "DATA", m_Data), "SCRATCH", m_Scratch.path().string()));
        const RunResult r = RunBatch(args);
        const std::string all =
            "exit " + std::to_string(r.Status) + "\n--- stdout\n" + r.Out + "--- stderr\n" + r.Err;
        return Replaced(Replaced(all, m_Scratch.path().string(), "SCRATCH"), m_Data, "DATA");
    }
};

TEST_P(ExactOutput, MatchesTheExpectedFile) {
    const std::string expectedPath = m_Data + "/expected/" + GetParam().Name + ".txt";
    const std::string actual = Transcript(GetParam().Args);
    if (std::getenv("QUILLAN_REGENERATE")) std::ofstream(expectedPath) << actual;
    EXPECT_EQ(actual, ReadText(expectedPath))
        << "regenerate as described at the top of " << __FILE__;
}

INSTANTIATE_TEST_SUITE_P(Cli, ExactOutput, ::testing::ValuesIn(kCases),
                         [](const auto& pInfo) { return Replaced(pInfo.param.Name, "-", "_"); });

} // namespace
