// Album mode in the engine: a set keeps its files' relative levels in every mode, its loudness
// pools as libebur128 pools several states, a set of one file is the single-file job to the
// byte, and a source changed between the phases is not written.

#include "EngineTestSupport.h"

#include "common/WavWriter.h"
#include "engine/SetMeasure.h"

#include <ebur128.h>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace enginetest;

namespace {

constexpr int32_t kRate = 48000;

struct FileFormat {
    int32_t Bits = 16;
    int32_t Channels = 2;
    bool Float = false;
    int32_t Rate = kRate;
};

// Test music: silence, two partials (their pitch set by pVoice), a pause, the partials again at
// half level, silence; interleaved fractions of full scale, every channel alike.
std::vector<double> Music(int32_t pVoice, const FileFormat& pF) {
    std::vector<double> out;
    const double f1 = 220.0 * (pVoice + 1), f2 = 1000.0 + 370.0 * pVoice;
    auto segment = [&](double pSeconds, double pLevel) {
        const auto frames = int64_t(pSeconds * pF.Rate);
        for (int64_t k = 0; k < frames; ++k) {
            const double t = double(out.size() / size_t(pF.Channels)) / pF.Rate;
            const double v = pLevel * (0.6 * std::sin(2 * std::numbers::pi * f1 * t) +
                                       0.3 * std::sin(2 * std::numbers::pi * f2 * t));
            for (int32_t c = 0; c < pF.Channels; ++c)
                out.push_back(v);
        }
    };
    segment(0.3, 0.0);
    segment(1.2, 1.0);
    segment(0.8, 0.0);
    segment(0.9, 0.5);
    segment(0.3, 0.0);
    return out;
}

// The integrated loudness of interleaved fractions of full scale.
double LoudnessOf(const std::vector<double>& pSamples, const FileFormat& pF) {
    ebur128_state* st = ebur128_init(unsigned(pF.Channels), unsigned(pF.Rate), EBUR128_MODE_I);
    ebur128_add_frames_double(st, pSamples.data(), pSamples.size() / size_t(pF.Channels));
    double lufs = 0;
    ebur128_loudness_global(st, &lufs);
    ebur128_destroy(&st);
    return lufs;
}

// The file's bytes: the samples rounded to the format.
void WriteMusic(const std::string& pPath, const FileFormat& pF, const std::vector<double>& pS) {
    testwav::Format f;
    f.Rate = pF.Rate;
    f.Bits = pF.Bits;
    f.Channels = pF.Channels;
    f.Float = pF.Float;
    if (pF.Float) {
        testwav::WriteFile(pPath, testwav::Wav(f, testwav::Floats({pS.begin(), pS.end()})));
        return;
    }
    const double full = pF.Bits == 32 ? 2147483647.0 : double((1 << (pF.Bits - 1)) - 1);
    std::vector<int32_t> v;
    for (double x : pS)
        v.push_back(int32_t(std::lround(x * full)));
    testwav::WriteFile(pPath, testwav::Wav(f, testwav::Samples(f, v)));
}

// Writes the music of pVoice at pLufs and returns its path.
std::string MusicAt(const TempDir& pDir, const std::string& pName, int32_t pVoice, double pLufs,
                    const FileFormat& pF) {
    std::vector<double> s = Music(pVoice, pF);
    const double g = std::pow(10.0, (pLufs - LoudnessOf(s, pF)) / 20.0);
    for (double& x : s)
        x *= g;
    const std::string path = pDir.Path(pName);
    WriteMusic(path, pF, s);
    return path;
}

EditJob SetJob(NormMode pMode, float pLevel) {
    EditJob job;
    job.Trim = true;
    job.StartThresholdDb = -70.0f;
    job.EndThresholdDb = -70.0f;
    job.Normalize = true;
    job.Mode = pMode;
    job.NormLevelDb = pLevel;
    job.GateMs = 300;
    job.GateDb = -50.0f;
    return job;
}

// The set's level from its files' own figures, pooled here: the highest peak or block, the
// power mean of the RMS levels (files of equal length). The gated RMS and the loudness are
// pooled by the engine (its loudness pooling is checked against libebur128's below).
double PooledHere(NormMode pMode, const EditJob& pJob, const std::vector<EditResult>& pFiles) {
    double highest = -1e9, power = 0;
    std::vector<const SetLevels*> levels;
    for (const EditResult& f : pFiles) {
        const float db = pMode == NormMode::Peak ? f.Levels->MaxPeakDb : f.Levels->MaxRmsDb;
        highest = std::max(highest, double(db));
        power += std::pow(10.0, f.Levels->NormRmsDb / 10.0) / double(pFiles.size());
        levels.push_back(&f.Measured->Levels);
    }
    switch (pMode) {
    case NormMode::Peak:
    case NormMode::RmsMax:
        return highest;
    case NormMode::RmsAverage:
        return 10.0 * std::log10(power);
    default:
        return SetLevelDb(pJob, PoolSetLevels(levels));
    }
}

struct ModeRow {
    NormMode Mode;
    float Level;
    FileFormat Format;
};

} // namespace

// Three files at -20, -14 and -26 LUFS: one gain for all, so the results stay 6 LU apart, and
// the set measured again lands on the target.
TEST(AlbumSet, KeepsRelativeLevelsInEveryMode) {
    const ModeRow rows[] = {
        {NormMode::Peak, -3.0f, {16, 2}},
        {NormMode::RmsMax, -20.0f, {24, 1}},
        {NormMode::RmsAverage, -24.0f, {32, 2, true}},
        {NormMode::RmsCalc, -24.0f, {16, 1}},
        {NormMode::Loudness, -23.0f, {16, 2}},
        {NormMode::Loudness, -23.0f, {32, 1, true}},
    };
    for (const ModeRow& row : rows) {
        SCOPED_TRACE(std::string(NormModeInfo(row.Mode).CliName) + " " +
                     std::to_string(row.Format.Bits));
        TempDir dir;
        std::vector<EditJob> jobs;
        for (int32_t i = 0; i < 3; ++i) {
            EditJob job = SetJob(row.Mode, row.Level);
            // The loudest file is not the first.
            job.SourcePath = MusicAt(dir, "in" + std::to_string(i) + ".wav", i,
                                     i == 1 ? -14.0 : -20.0 - 3.0 * i, row.Format);
            job.TargetPath = dir.Path("out" + std::to_string(i) + ".wav");
            jobs.push_back(job);
        }
        SetLevels pooled;
        const std::vector<EditResult> written = RunAsSet(jobs, &pooled);
        for (const EditResult& r : written) {
            ASSERT_TRUE(r.Done()) << EditStatusText(r.Status);
            EXPECT_EQ(r.GainDb, written[0].GainDb);
            EXPECT_EQ(r.Limit, GainLimit::None);
        }
        EXPECT_NEAR(written[0].GainDb, SetGainDb(jobs[0], pooled), 1e-6);

        // The results measured as a set of their own.
        std::vector<EditJob> again;
        for (const EditJob& job : jobs) {
            EditJob a = SetJob(row.Mode, row.Level);
            a.SourcePath = job.TargetPath;
            a.MeasureLoudness = true;
            again.push_back(a);
        }
        std::vector<EditResult> measured;
        for (const EditJob& a : again) {
            measured.push_back(C_EditWave().Measure(a));
            ASSERT_TRUE(measured.back().Done() && measured.back().Loudness);
        }
        EXPECT_NEAR(measured[1].Loudness->IntegratedLufs - measured[0].Loudness->IntegratedLufs,
                    6.0, 0.005);
        EXPECT_NEAR(measured[0].Loudness->IntegratedLufs - measured[2].Loudness->IntegratedLufs,
                    6.0, 0.005);
        EXPECT_NEAR(PooledHere(row.Mode, again[0], measured), row.Level, 0.1);
    }
}

// The pooled loudness of files of several formats is libebur128's figure for their states.
TEST(AlbumSet, PoolsLoudnessAsLibebur128DoesSeveralStates) {
    const FileFormat formats[] = {{16, 2, false, 44100}, {24, 1}, {32, 2, true}};
    TempDir dir;
    std::vector<ebur128_state*> states;
    std::vector<const SetLevels*> levels;
    std::vector<EditResult> measured;
    for (int32_t i = 0; i < 3; ++i) {
        const FileFormat& f = formats[i];
        EditJob job = SetJob(NormMode::Loudness, -23.0f);
        job.Trim = false;
        job.SourcePath = MusicAt(dir, "in" + std::to_string(i) + ".wav", i, -14.0 - 6.0 * i, f);
        measured.push_back(C_EditWave().Measure(job));
        ASSERT_TRUE(measured.back().Done());
        // The same samples as the file holds, fed to a state of the library's own.
        ebur128_state* st = ebur128_init(unsigned(f.Channels), unsigned(f.Rate), EBUR128_MODE_I);
        const std::vector<uint8_t> bytes = ReadBytes(job.SourcePath);
        const uint8_t* data = bytes.data() + 44;
        const size_t frames = (bytes.size() - 44) / size_t(f.Channels * f.Bits / 8);
        if (f.Float) {
            ebur128_add_frames_float(st, reinterpret_cast<const float*>(data), frames);
        } else if (f.Bits == 16) {
            ebur128_add_frames_short(st, reinterpret_cast<const short*>(data), frames);
        } else {
            std::vector<int> wide;
            for (size_t k = 0; k < frames * size_t(f.Channels); ++k)
                wide.push_back(
                    int(uint32_t(data[3 * k] | data[3 * k + 1] << 8 | data[3 * k + 2] << 16) << 8));
            ebur128_add_frames_int(st, wide.data(), frames);
        }
        states.push_back(st);
    }
    for (const EditResult& m : measured)
        levels.push_back(&m.Measured->Levels);
    double expected = 0;
    ASSERT_EQ(ebur128_loudness_global_multiple(states.data(), states.size(), &expected),
              EBUR128_SUCCESS);
    const SetLevels pooled = PoolSetLevels(levels);
    EXPECT_EQ(pooled.IntegratedLufs, expected);
    EXPECT_EQ(pooled.Files, 3);
    // Of one file, the pool is the file's own measure.
    double first = 0;
    ebur128_loudness_global(states[0], &first);
    EXPECT_EQ(PoolSetLevels({levels[0]}).IntegratedLufs, first);
    for (ebur128_state*& st : states)
        ebur128_destroy(&st);
}

// A set of one file writes what the single-file job writes, in the modes and formats the
// reference vectors leave out.
TEST(AlbumSet, SetOfOneEqualsSingleFile) {
    struct Row {
        NormMode Mode;
        float Level;
        FileFormat Format;
        bool MeasureLoudness;
        int32_t Fade;
        GainLimit Limit;
    };
    const Row rows[] = {
        {NormMode::Loudness, -16.0f, {16, 2}, true, 4800, GainLimit::None},
        {NormMode::Loudness, -5.0f, {32, 1, true}, false, 0, GainLimit::TruePeakCeiling},
        {NormMode::RmsCalc, -18.0f, {32, 2}, false, 0, GainLimit::None},
        {NormMode::RmsAverage, -3.0f, {24, 2}, true, 0, GainLimit::SamplePeak},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(NormModeInfo(row.Mode).CliName) + " " +
                     std::to_string(row.Format.Bits));
        TempDir dir;
        EditJob job = SetJob(row.Mode, row.Level);
        job.SourcePath = MusicAt(dir, "in.wav", 1, -20.0, row.Format);
        job.MeasureLoudness = row.MeasureLoudness;
        job.FadeInFrames = row.Fade;
        job.Check = LevelCheck::Store;
        job.TargetPath = dir.Path("single.wav");
        const EditResult single = C_EditWave().Edit(job);
        job.TargetPath = dir.Path("set.wav");
        const EditResult set = RunAsSet({job})[0];
        ASSERT_TRUE(single.Done() && set.Done());
        EXPECT_TRUE(ReadBytes(dir.Path("single.wav")) == ReadBytes(dir.Path("set.wav")));
        EXPECT_EQ(set.GainDb, single.GainDb);
        EXPECT_EQ(single.Limit, row.Limit);
        EXPECT_EQ(set.Limit, single.Limit);
        EXPECT_EQ(set.ReachedLevel, single.ReachedLevel);
        EXPECT_EQ(set.Levels->NormRms, single.Levels->NormRms);
        ASSERT_EQ(set.Loudness.has_value(), single.Loudness.has_value());
        if (single.Loudness) {
            EXPECT_EQ(set.Loudness->IntegratedLufs, single.Loudness->IntegratedLufs);
            EXPECT_EQ(set.SourceLoudness->TruePeak, single.SourceLoudness->TruePeak);
        }
    }
}

// A source written to between the phases would get a gain measured on other audio.
TEST(AlbumSet, RefusesASourceChangedSinceMeasured) {
    TempDir dir;
    EditJob job = SetJob(NormMode::Peak, -1.0f);
    job.SourcePath = MusicAt(dir, "in.wav", 0, -20.0, {16, 2});
    job.TargetPath = dir.Path("out.wav");
    const EditResult measured = C_EditWave().Measure(job);
    ASSERT_TRUE(measured.Done());
    MusicAt(dir, "in.wav", 2, -20.0, {16, 2});
    job.Measured = measured.Measured;
    const EditResult r = C_EditWave().Edit(job);
    EXPECT_EQ(r.Status, EditStatus::SourceChanged);
    EXPECT_FALSE(std::filesystem::exists(job.TargetPath));
}
