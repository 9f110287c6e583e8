// Album mode's two-phase run over real files: sets pooled apart, a file that cannot be measured
// left out (or, strict, its set not written), and both phases reported.

#include "services/job/SetRun.h"

#include "common/WavWriter.h"
#include "foundation/FoundationUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <mutex>

namespace fs = std::filesystem;
using foundation_test::TempFolder;

namespace {

// Two seconds of a 16-bit stereo tone of amplitude pA between short silences.
void WriteTone(const std::string& pPath, double pA, double pHz) {
    testwav::Format f;
    std::vector<int32_t> v;
    for (int32_t k = 0; k < 2 * f.Rate; ++k) {
        const bool sound = k > f.Rate / 10 && k < 19 * f.Rate / 10;
        const auto s =
            int32_t(sound ? std::lround(pA * std::sin(6.2831853 * pHz * k / f.Rate)) : 0);
        v.insert(v.end(), {s, s});
    }
    testwav::WriteFile(pPath, testwav::Wav(f, testwav::Samples(f, v)));
}

std::vector<std::string> Names(const std::string& pFolder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(pFolder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

job::SetFile FileOf(const TempFolder& pDir, const std::string& pName, size_t pSet) {
    job::SetFile f;
    f.Set = pSet;
    f.Request.Job.SourcePath = pDir / ("in/" + pName);
    f.Request.Job.Trim = true;
    f.Request.Job.StartThresholdDb = f.Request.Job.EndThresholdDb = -60.0f;
    f.Request.Job.Normalize = true;
    f.Request.Job.Mode = NormMode::RmsAverage;
    f.Request.Job.NormLevelDb = -20.0f;
    f.Request.Target.Where = job::Placement::OutputFolder;
    f.Request.Target.Wanted = pDir / ("out/" + pName);
    return f;
}

} // namespace

TEST(SetRun, LeavesOutAFileThatCannotBeMeasuredUnlessStrict) {
    for (const bool strict : {false, true}) {
        SCOPED_TRACE(strict ? "strict" : "not strict");
        TempFolder dir;
        fs::create_directory(dir / "in");
        fs::create_directory(dir / "out");
        WriteTone(dir / "in/a.wav", 16000, 440);
        testwav::WriteFile(dir / "in/b.wav", "RIFF\x04\0\0\0WAVE");
        WriteTone(dir / "in/c.wav", 4000, 660);
        WriteTone(dir / "in/d.wav", 1000, 550); // a set of its own
        std::vector<job::SetFile> files{FileOf(dir, "a.wav", 0), FileOf(dir, "b.wav", 0),
                                        FileOf(dir, "c.wav", 0), FileOf(dir, "d.wav", 1)};

        std::mutex m;
        std::vector<job::SetPhase> phases;
        float highest[2][4] = {};
        job::SetRunHooks hooks;
        hooks.PhaseStarted = [&](job::SetPhase p) { phases.push_back(p); };
        hooks.FileProgress = [&](job::SetPhase p, size_t i, float r) {
            std::lock_guard lock(m);
            highest[int(p)][i] = std::max(highest[int(p)][i], r);
        };
        const job::SetRunResult run = job::RunSets(files, 2, strict, hooks);

        EXPECT_EQ(phases,
                  (std::vector<job::SetPhase>{job::SetPhase::Measure, job::SetPhase::Write}));
        ASSERT_EQ(run.Sets.size(), 2u);
        EXPECT_EQ(run.Sets[0].LeftOut, std::vector<size_t>{1});
        EXPECT_NE(run.Steps[1]->Reason.find("not a WAV file"), std::string::npos);
        EXPECT_EQ(run.Steps[1]->State, job::StepState::Failed);
        // The file of the other set is written as alone, whatever became of the first set.
        job::StepRequest alone = files[3].Request;
        alone.Target.Wanted = dir / "out/alone.wav";
        const job::StepOutcome single = job::RunFileStep(alone);
        ASSERT_EQ(run.Steps[3]->State, job::StepState::Written);
        EXPECT_EQ(run.Steps[3]->Edit.GainDb, single.Edit.GainDb);
        EXPECT_GE(highest[0][3], 1.0f);
        EXPECT_GE(highest[1][3], 1.0f);

        if (strict) {
            EXPECT_NE(run.Sets[0].Error.find("b.wav"), std::string::npos) << run.Sets[0].Error;
            EXPECT_FALSE(run.Sets[0].Levels);
            for (size_t i : {0, 2}) {
                EXPECT_EQ(run.Steps[i]->State, job::StepState::Failed);
                EXPECT_EQ(run.Steps[i]->Reason, run.Sets[0].Error);
            }
            EXPECT_EQ(Names(dir / "out"), (std::vector<std::string>{"alone.wav", "d.wav"}));
            continue;
        }
        // The two files measured share one gain, the set's: its RMS is theirs together.
        EXPECT_EQ(run.Sets[0].Files, 2u);
        for (size_t i : {0, 2}) {
            ASSERT_EQ(run.Steps[i]->State, job::StepState::Written) << run.Steps[i]->Reason;
            EXPECT_EQ(run.Steps[i]->Edit.GainDb, run.Sets[0].GainDb);
            EXPECT_GE(highest[0][i], 1.0f);
            EXPECT_GE(highest[1][i], 1.0f);
        }
        const double rmsA = 16000 / std::sqrt(2.0), rmsC = 4000 / std::sqrt(2.0);
        const double pooled = std::sqrt((rmsA * rmsA + rmsC * rmsC) / 2.0);
        EXPECT_NEAR(run.Sets[0].Level, 20.0 * std::log10(pooled / 32767.0), 0.01);
        EXPECT_NEAR(run.Sets[0].GainDb, -20.0 - run.Sets[0].Level, 0.001);
    }
}
