// The overview of a file against the edit job itself: the trimmed range it computes is the
// range the job writes, its gain is the job's gain in every mode, its level steps and envelope
// equal a plain scan of the samples, across read pieces and at every width.

#include "EngineTestSupport.h"

#include "engine/LevelAnalysis.h"
#include "engine/WaveOverview.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

using namespace enginetest;

namespace {

constexpr int32_t kRate = 22050;

// Stereo 16-bit: quiet noise, a sine burst, quiet noise again. The noise differs from frame
// to frame so that a stretch of the file is found again in the output at one place only.
std::vector<int32_t> BurstSamples(double pLeadS, double pBurstS, double pTailS, double pPeakDb,
                                  uint32_t pSeed = 7) {
    std::mt19937 rng(pSeed);
    std::uniform_int_distribution<int32_t> noise(-60, 60);
    const double a = 32767.0 * std::pow(10.0, pPeakDb / 20.0);
    std::vector<int32_t> s;
    auto quiet = [&](double pSeconds) {
        for (int64_t k = 0; k < int64_t(pSeconds * kRate); ++k) {
            s.push_back(noise(rng));
            s.push_back(noise(rng));
        }
    };
    quiet(pLeadS);
    const auto burst = int64_t(pBurstS * kRate);
    for (int64_t k = 0; k < burst; ++k) {
        const double v = std::sin(2.0 * std::numbers::pi * 440.0 * double(k) / kRate);
        s.push_back(int32_t(std::lround(a * v)));
        s.push_back(int32_t(std::lround(a * 0.5 * v)));
    }
    quiet(pTailS);
    return s;
}

WaveOverview OverviewOf(const std::string& pPath) {
    OverviewResult r = MeasureOverview(pPath);
    EXPECT_TRUE(r.Overview.has_value()) << EditStatusText(r.Failure.Status);
    return r.Overview.value_or(WaveOverview{});
}

// The preview of a job, with its range pass measured when the gain needs one.
JobPreview FullPreview(const WaveOverview& pO, const EditJob& pJob) {
    JobPreview p = PreviewJob(pO, pJob);
    if (!p.NeedsRange) return p;
    const RangeResult range = MeasureRange(pJob.SourcePath, *p.NeedsRange);
    EXPECT_TRUE(range.Levels.has_value());
    return range.Levels ? PreviewJob(pO, pJob, &*range.Levels) : p;
}

struct TrimCase {
    float In, Out;
    int32_t StartMs, EndMs;
    bool Force;
};

} // namespace

// The burst peaks at full scale, so the job's gain is 1 and it copies the trimmed frames as
// they are: the output is the preview's range of the source, with its forced silence.
TEST(WaveOverview, TrimMarksAreTheFramesTheJobWrites) {
    TempDir dir;
    const std::vector<int32_t> source = BurstSamples(1.5, 2.0, 1.25, 0.0);
    Job job = JobOverNewWav(dir, kRate, 16, 2, source);
    const WaveOverview o = OverviewOf(job.SourcePath);
    const TrimCase cases[] = {
        {-45, -45, 0, 0, false},    {-20, -50, 0, 0, false},      {-6, -6, 100, 300, false},
        {-45, -45, 3000, 0, false}, {-45, -45, 3000, 2000, true}, {-30, -40, 7, 13, true},
    };
    for (const TrimCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.In << " " << c.Out << " " << c.StartMs << " "
                                        << c.EndMs << " " << c.Force);
        std::filesystem::remove(job.TargetPath);
        job.Trim = true;
        job.StartThresholdDb = c.In;
        job.EndThresholdDb = c.Out;
        job.StartMarginMs = c.StartMs;
        job.EndMarginMs = c.EndMs;
        job.ForceMargins = c.Force;
        const JobPreview p = PreviewJob(o, job);
        ASSERT_TRUE(p.Range.has_value());
        ASSERT_FALSE(p.NeedsRange);
        EXPECT_EQ(p.Gain, 1.0f);
        C_EditWave edit;
        ASSERT_EQ(job.Run(edit), 1);
        EXPECT_EQ(edit.KeptFrames(), p.Range->End - p.Range->Start);
        std::vector<int32_t> expected(size_t(c.Force ? p.Range->LeadPad * 2 : 0), 0);
        expected.insert(expected.end(), source.begin() + p.Range->Start * 2,
                        source.begin() + p.Range->End * 2);
        expected.resize(expected.size() + size_t(c.Force ? p.Range->TailPad * 2 : 0), 0);
        EXPECT_EQ(ReadSamples(job.TargetPath, 16), expected);
        EXPECT_EQ(int64_t(expected.size()) / 2, p.ResultFrames);
    }
    // Margins that pass each other: the job fails, the preview has no range.
    job.StartThresholdDb = -1.0f; // only the burst's loudest frames
    job.EndThresholdDb = -60.0f;  // the noise at the very end
    job.StartMarginMs = 0;
    job.EndMarginMs = 0;
    EXPECT_TRUE(PreviewJob(o, job).Range.has_value());
    job.StartThresholdDb = -60.0f;
    job.EndThresholdDb = -1.0f;
    job.StartMarginMs = 0;
    const JobPreview crossed = PreviewJob(o, job);
    std::filesystem::remove(job.TargetPath);
    C_EditWave edit;
    EXPECT_EQ(job.Run(edit) == 1, crossed.Range.has_value());
}

TEST(WaveOverview, GainEqualsTheJobsInEveryMode) {
    TempDir dir;
    Job job = JobOverNewWav(dir, kRate, 16, 2, BurstSamples(1.0, 1.5, 2.5, -9.0));
    const WaveOverview o = OverviewOf(job.SourcePath);
    struct GainCase {
        NormMode Mode;
        float Level;
        bool Clip;
        bool Ceiling;
    };
    const GainCase cases[] = {
        {NormMode::Peak, -1, false, false},     {NormMode::RmsMax, -3, false, false},
        {NormMode::RmsMax, 0, true, false},     {NormMode::RmsAverage, -12, false, false},
        {NormMode::RmsCalc, -10, false, false}, {NormMode::Loudness, -16, false, true},
        {NormMode::Loudness, -5, false, true},  {NormMode::Loudness, -23, false, false},
    };
    for (const bool trim : {true, false}) {
        for (const GainCase& c : cases) {
            SCOPED_TRACE(testing::Message() << int(c.Mode) << " " << c.Level << " " << trim);
            std::filesystem::remove(job.TargetPath);
            job.Trim = trim;
            job.StartThresholdDb = -30.0f;
            job.EndThresholdDb = -40.0f;
            job.StartMarginMs = 250;
            job.EndMarginMs = 120;
            job.Normalize = true;
            job.Mode = c.Mode;
            job.NormLevelDb = c.Level;
            job.Clip = c.Clip;
            job.TruePeakCeiling = c.Ceiling;
            job.TruePeakCeilingDb = -1.0f;
            job.GateMs = 200;
            job.GateDb = -20.0f;
            const JobPreview p = FullPreview(o, job);
            EXPECT_EQ(p.NeedsRange.has_value(), NormModeInfo(c.Mode).NeedsSecondPass);
            C_EditWave edit;
            ASSERT_EQ(job.Run(edit), 1);
            ASSERT_TRUE(p.Gain.has_value());
            EXPECT_EQ(p.GainDb(), edit.GainDb());
            EXPECT_EQ(p.CeilingLowered, edit.CeilingLowered());
            EXPECT_EQ(p.Range->End - p.Range->Start, edit.KeptFrames());
        }
    }
}

// Steps and envelope against a plain scan, in files of several read pieces at every width.
TEST(WaveOverview, StepsAndEnvelopeEqualAPlainScan) {
    std::mt19937 rng(11);
    for (const int32_t bits : {8, 16, 24}) {
        for (const int32_t channels : {1, 2}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, " << channels << " channels");
            TempDir dir;
            const int32_t full = FullScale(bits);
            // About 2.5 MiB: three read pieces.
            const int64_t frames = 2600000 / (channels * bits / 8);
            std::vector<int32_t> values(size_t(frames * channels));
            // A level that rises and falls in waves, with noise, so that the steps come at
            // many places.
            std::uniform_real_distribution<double> unit(-1.0, 1.0);
            for (size_t i = 0; i < values.size(); ++i) {
                const double envelope = 0.5 + 0.5 * std::sin(double(i) / 40000.0);
                values[i] = int32_t(std::lround(unit(rng) * envelope * envelope * full));
            }
            std::vector<int32_t> stored = values;
            if (bits == 8)
                for (int32_t& v : stored)
                    v += 128;
            const Job job = JobOverNewWav(dir, kRate, bits, channels, stored);
            const WaveOverview o = OverviewOf(job.SourcePath);
            ASSERT_EQ(o.Frames, frames);
            // The loudest frame so far from either end, frame by frame.
            std::vector<int32_t> fromStart(size_t(frames), 0), fromEnd(size_t(frames), 0);
            for (int64_t k = 0; k < frames; ++k) {
                int32_t level = 0;
                for (int32_t c = 0; c < channels; ++c)
                    level = std::max(level, std::abs(values[size_t(k * channels + c)]));
                fromStart[size_t(k)] = std::max(level, k > 0 ? fromStart[size_t(k - 1)] : 0);
                fromEnd[size_t(k)] = level;
            }
            for (int64_t k = frames - 1; k-- > 0;)
                fromEnd[size_t(k)] = std::max(fromEnd[size_t(k)], fromEnd[size_t(k + 1)]);
            for (int32_t probe = 0; probe <= full; probe += std::max(1, full / 97)) {
                const auto first = std::upper_bound(fromStart.begin(), fromStart.end(), probe);
                // fromEnd falls: the frames whose rest of the file still passes the probe.
                const auto past = std::partition_point(fromEnd.begin(), fromEnd.end(),
                                                       [probe](int32_t l) { return l > probe; });
                ASSERT_EQ(o.FirstSoundAbove(probe),
                          first == fromStart.end() ? -1 : first - fromStart.begin())
                    << probe;
                ASSERT_EQ(o.LastSoundAbove(probe),
                          past == fromEnd.begin() ? 0 : past - fromEnd.begin() - 1)
                    << probe;
            }
            ASSERT_EQ(o.BucketsDone, o.Buckets);
            for (int64_t b = 0; b < o.Buckets; b += 131) {
                for (int32_t c = 0; c < channels; ++c) {
                    int32_t low = INT32_MAX, high = INT32_MIN;
                    for (int64_t k = b * o.BucketFrames;
                         k < std::min(frames, (b + 1) * o.BucketFrames); ++k) {
                        low = std::min(low, values[size_t(k * channels + c)]);
                        high = std::max(high, values[size_t(k * channels + c)]);
                    }
                    ASSERT_EQ(o.Low[size_t(b * channels + c)], low) << b;
                    ASSERT_EQ(o.High[size_t(b * channels + c)], high) << b;
                }
            }
            // The first pass's levels are the level check's.
            Job check = job;
            check.TargetPath.clear();
            check.Check = LevelCheck::MeasureOnly;
            C_EditWave edit;
            ASSERT_EQ(check.Run(edit), 1);
            EXPECT_EQ(o.Peak, edit.MaxPeak());
            EXPECT_EQ(o.MaxBlockRms, edit.MaxRMS());
            EXPECT_EQ(o.NormRms, edit.NormRMS());
        }
    }
}

TEST(WaveOverview, FailuresPartsAndStops) {
    TempDir dir;
    EXPECT_EQ(MeasureOverview(dir.Path("missing.wav")).Failure.Status,
              EditStatus::SourceUnreadable);
    WriteBytes(dir.Path("text.wav"), std::vector<uint8_t>(100, 'x'));
    const OverviewResult text = MeasureOverview(dir.Path("text.wav"));
    EXPECT_FALSE(text.Overview);
    EXPECT_EQ(text.Failure.Status, EditStatus::NotWav);

    const Job job = JobOverNewWav(dir, kRate, 16, 2, BurstSamples(10.0, 10.0, 10.0, -3.0));
    OverviewWatch watch;
    std::vector<int64_t> shown;
    watch.PartialBytes = 1 << 20;
    watch.Partial = [&](const WaveOverview& pSoFar) { shown.push_back(pSoFar.BucketsDone); };
    const OverviewResult whole = MeasureOverview(job.SourcePath, watch);
    ASSERT_TRUE(whole.Overview);
    ASSERT_GE(shown.size(), 2u); // 2.6 MB of audio, shown after every MiB
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
    EXPECT_LT(shown.back(), whole.Overview->Buckets);

    int32_t asked = 0;
    watch.Stop = [&] { return ++asked > 2; };
    EXPECT_EQ(MeasureOverview(job.SourcePath, watch).Failure.Status, EditStatus::Cancelled);
    RangeRequest request;
    request.End = whole.Overview->Frames;
    request.Rms = true;
    ASSERT_TRUE(MeasureRange(job.SourcePath, request).Levels);
    // The range pass reads blocks of 2 MiB: asked before each of its two.
    asked = 1;
    const RangeResult stopped = MeasureRange(job.SourcePath, request, watch.Stop);
    EXPECT_FALSE(stopped.Levels);
    EXPECT_EQ(stopped.Failure.Status, EditStatus::Cancelled);
}
