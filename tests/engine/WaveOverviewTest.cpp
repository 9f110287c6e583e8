// The overview of a file against the edit job itself: the trimmed range it computes is the
// range the job writes, its gain is the job's gain in every mode, its level steps and envelope
// equal a plain scan of the samples, across read pieces, at every width, for 32-bit integers,
// floats (peaks above 1.0 too) and six channels; a float file with NaN has the job's reason.

#include "EngineTestSupport.h"
#include "common/WavWriter.h"

#include "engine/LevelAnalysis.h"
#include "engine/WaveMMIO.h"
#include "engine/WaveOverview.h"
#include "engine/WideKernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <tuple>

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

// A sample encoding and channel count; values are handled as doubles on the job's scale.
struct Format {
    int32_t Bits = 16;
    int32_t Channels = 2;
    bool Float = false;
    double Full() const {
        return Float ? 1.0 : Bits == 32 ? 2147483647.0 : double(FullScale(Bits));
    }
};

std::ostream& operator<<(std::ostream& pOut, const Format& pF) {
    return pOut << pF.Bits << (pF.Float ? "-bit float, " : "-bit, ") << pF.Channels << " ch";
}

// A WAV of sample values (integers as they are, floats as floats).
void WriteValues(const std::string& pPath, const Format& pF, const std::vector<double>& pValues) {
    const testwav::Format f{kRate, pF.Bits, pF.Channels, pF.Float};
    std::vector<int32_t> ints;
    std::vector<float> floats;
    for (double v : pValues)
        pF.Float ? floats.push_back(float(v))
                 : ints.push_back(int32_t(v) + (pF.Bits == 8 ? 128 : 0));
    testwav::WriteFile(
        pPath, testwav::Wav(f, pF.Float ? testwav::Floats(floats) : testwav::Samples(f, ints)));
}

// The audio of a WAV as doubles.
std::vector<double> ReadValues(const std::string& pPath, const Format& pF) {
    const WaveInfo info = ReadWaveInfo(pPath);
    const std::vector<uint8_t> b = ReadBytes(pPath);
    std::vector<double> v(size_t(info.SampleFrames) * size_t(pF.Channels));
    for (size_t i = 0; i < v.size(); ++i) {
        const uint8_t* p = b.data() + info.DataOffset + i * size_t(pF.Bits / 8);
        v[i] = pF.Bits == 32 ? WideValue(pF.Float, p, 0) : SampleValue(pF.Bits, p, 0);
    }
    return v;
}

// Quiet noise, a burst peaking at pPeakDb on the first channel (each further channel 2 dB
// lower), quiet noise again; values in the format's units. The noise differs from frame to
// frame, so that a shifted range cannot match.
std::vector<double> WideBurst(const Format& pF, double pLeadS, double pBurstS, double pTailS,
                              double pPeakDb) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> noise(-0.002, 0.002);
    const auto units = [&](double pFraction) {
        const double v = pFraction * pF.Full();
        return pF.Float ? double(float(v))
                        : std::clamp(std::nearbyint(v), -pF.Full() - 1, pF.Full());
    };
    std::vector<double> s;
    const auto quiet = [&](double pSeconds) {
        for (int64_t k = 0; k < int64_t(pSeconds * kRate) * pF.Channels; ++k)
            s.push_back(units(noise(rng)));
    };
    quiet(pLeadS);
    for (int64_t k = 0; k < int64_t(pBurstS * kRate); ++k) {
        const double v = std::sin(2.0 * std::numbers::pi * 440.0 * double(k) / kRate);
        for (int32_t c = 0; c < pF.Channels; ++c)
            s.push_back(units(std::pow(10.0, (pPeakDb - 2.0 * c) / 20.0) * v));
    }
    quiet(pTailS);
    return s;
}

// A level as the job's level check gives it: on the 32-bit scale for floats, at most
// 2147483647.
double AsCheckResult(double pLevel, const Format& pF) {
    return pF.Float ? std::nearbyint(pLevel * 2147483647.0) : std::min(pLevel, 2147483647.0);
}

// A mode, level, Clip and ceiling to compare the preview's gain with the job's.
struct GainCase {
    NormMode Mode;
    float Level;
    bool Clip;
    bool Ceiling;
};

// The job of a gain case: trimmed (or not) with fixed thresholds, margins and gate.
void SetGainCase(Job& pJob, const GainCase& pCase, bool pTrim) {
    pJob.Trim = pTrim;
    pJob.StartThresholdDb = -30.0f;
    pJob.EndThresholdDb = -40.0f;
    pJob.StartMarginMs = 250;
    pJob.EndMarginMs = 120;
    pJob.Normalize = true;
    pJob.Mode = pCase.Mode;
    pJob.NormLevelDb = pCase.Level;
    pJob.Clip = pCase.Clip;
    pJob.TruePeakCeiling = pCase.Ceiling;
    pJob.TruePeakCeilingDb = -1.0f;
    pJob.GateMs = 200;
    pJob.GateDb = -20.0f;
}

// Runs the job: its gain, ceiling note and kept frames are the preview's.
void ExpectTheJobsGain(const JobPreview& pPreview, const Job& pJob) {
    const EditResult r = pJob.Run();
    ASSERT_TRUE(r.Done());
    ASSERT_TRUE(pPreview.Gain.has_value());
    EXPECT_EQ(pPreview.GainDb(), r.GainDb);
    EXPECT_EQ(pPreview.CeilingLowered, (r.Limit == GainLimit::TruePeakCeiling));
    EXPECT_EQ(pPreview.Range->End - pPreview.Range->Start, r.KeptFrames);
}

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
        const EditResult r = job.Run();
        ASSERT_TRUE(r.Done());
        EXPECT_EQ(r.KeptFrames, p.Range->End - p.Range->Start);
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
    EXPECT_EQ(job.Run().Done(), crossed.Range.has_value());
}

TEST(WaveOverview, GainEqualsTheJobsInEveryMode) {
    TempDir dir;
    Job job = JobOverNewWav(dir, kRate, 16, 2, BurstSamples(1.0, 1.5, 2.5, -9.0));
    const WaveOverview o = OverviewOf(job.SourcePath);
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
            SetGainCase(job, c, trim);
            const JobPreview p = FullPreview(o, job);
            EXPECT_EQ(p.NeedsRange.has_value(), NormModeInfo(c.Mode).NeedsSecondPass);
            ExpectTheJobsGain(p, job);
        }
    }
}

// Steps and envelope against a plain scan, in files of several read pieces at every width.
TEST(WaveOverview, StepsAndEnvelopeEqualAPlainScan) {
    std::mt19937 rng(11);
    const Format formats[] = {{8, 1},  {8, 2},  {16, 1}, {16, 2},       {24, 1},
                              {24, 2}, {24, 6}, {32, 2}, {32, 1, true}, {32, 3, true}};
    for (const Format& f : formats) {
        SCOPED_TRACE(testing::Message() << f);
        TempDir dir;
        const double full = f.Full();
        // About 2.5 MiB: three read pieces.
        const int64_t frames = 2600000 / (f.Channels * f.Bits / 8);
        std::vector<double> values(size_t(frames * f.Channels));
        // A level that rises and falls in waves, with noise, so that the steps come at many
        // places; floats pass full scale by half.
        std::uniform_real_distribution<double> unit(-1.0, 1.0);
        for (size_t i = 0; i < values.size(); ++i) {
            const double envelope = 0.5 + 0.5 * std::sin(double(i) / 40000.0);
            const double v = unit(rng) * envelope * envelope;
            values[i] = f.Float ? double(float(1.5 * v)) : std::nearbyint(v * full);
        }
        // The most negative 32-bit sample: a magnitude of 2^31.
        if (f.Bits == 32 && !f.Float) values[values.size() / 3] = -2147483648.0;
        const std::string path = dir.Path("in.wav");
        WriteValues(path, f, values);
        const WaveOverview o = OverviewOf(path);
        ASSERT_EQ(o.Frames, frames);
        ASSERT_EQ(o.FullScale, full);
        // The loudest frame so far from either end, frame by frame.
        std::vector<double> fromStart(size_t(frames), 0), fromEnd(size_t(frames), 0);
        for (int64_t k = 0; k < frames; ++k) {
            double level = 0;
            for (int32_t c = 0; c < f.Channels; ++c)
                level = std::max(level, std::fabs(values[size_t(k * f.Channels + c)]));
            fromStart[size_t(k)] = std::max(level, k > 0 ? fromStart[size_t(k - 1)] : 0);
            fromEnd[size_t(k)] = level;
        }
        for (int64_t k = frames - 1; k-- > 0;)
            fromEnd[size_t(k)] = std::max(fromEnd[size_t(k)], fromEnd[size_t(k + 1)]);
        const double top = fromStart.back();
        for (int32_t i = 0; i <= 98; ++i) {
            // Probes across the range, and exactly at the loudest levels.
            const double probe = i < 98 ? f.Float ? top * i / 97 : std::floor(top * i / 97)
                                        : top - (f.Float ? 0x1p-24 : 1);
            const auto first = std::upper_bound(fromStart.begin(), fromStart.end(), probe);
            // fromEnd falls: the frames whose rest of the file still passes the probe.
            const auto past = std::partition_point(fromEnd.begin(), fromEnd.end(),
                                                   [probe](double l) { return l > probe; });
            ASSERT_EQ(o.FirstSoundAbove(probe),
                      first == fromStart.end() ? -1 : first - fromStart.begin())
                << probe;
            ASSERT_EQ(o.LastSoundAbove(probe),
                      past == fromEnd.begin() ? 0 : past - fromEnd.begin() - 1)
                << probe;
        }
        ASSERT_EQ(o.BucketsDone, o.Buckets);
        // Whole buckets cover the file, never more of them than the overview allows.
        EXPECT_LE(o.Buckets, kOverviewBuckets);
        EXPECT_GE(o.Buckets * o.BucketFrames, frames);
        for (int64_t b = 0; b < o.Buckets; b += 131) {
            for (int32_t c = 0; c < f.Channels; ++c) {
                double low = std::numeric_limits<double>::infinity(), high = -low;
                for (int64_t k = b * o.BucketFrames; k < std::min(frames, (b + 1) * o.BucketFrames);
                     ++k) {
                    low = std::min(low, values[size_t(k * f.Channels + c)]);
                    high = std::max(high, values[size_t(k * f.Channels + c)]);
                }
                ASSERT_EQ(o.Low[size_t(b * f.Channels + c)], float(low / full)) << b;
                ASSERT_EQ(o.High[size_t(b * f.Channels + c)], float(high / full)) << b;
            }
        }
        // The first pass's levels are the level check's.
        Job check = Job::Between(path, "");
        check.Check = LevelCheck::MeasureOnly;
        const EditResult r = check.Run();
        ASSERT_TRUE(r.Done());
        EXPECT_EQ(AsCheckResult(o.Peak, f), r.Levels->MaxPeak);
        EXPECT_EQ(AsCheckResult(o.MaxBlockRms, f), r.Levels->MaxRms);
        EXPECT_EQ(AsCheckResult(o.NormRms, f), r.Levels->NormRms);
        if (f.Float) {
            EXPECT_GT(o.Peak, 1.0);
        }
    }
}

// 32-bit integers (with a sample of -2^31), floats peaking above 1.0 and six 24-bit channels:
// the marks are the frames the job writes and the gain is the job's, in every mode.
TEST(WaveOverview, WideAndSurroundFilesPreviewAsTheJobRuns) {
    struct Case {
        Format F;
        double PeakDb;
    };
    const Case cases[] = {{{32, 2}, 0.0}, {{32, 2, true}, 4.5}, {{24, 6}, -1.0}};
    const TrimCase trims[] = {
        {-45, -45, 0, 0, false},
        {-20, -50, 100, 300, false},
        {-30, -40, 3000, 2000, true},
    };
    const GainCase gains[] = {
        {NormMode::Peak, -1, false, false},        {NormMode::RmsMax, -3, true, false},
        {NormMode::RmsAverage, -12, false, false}, {NormMode::RmsCalc, -10, false, false},
        {NormMode::Loudness, -16, false, true},    {NormMode::Loudness, -23, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.F);
        TempDir dir;
        std::vector<double> source = WideBurst(c.F, 1.0, 1.5, 1.25, c.PeakDb);
        if (c.F.Bits == 32 && !c.F.Float) source[size_t(kRate * 1.2) * 2 + 1] = -2147483648.0;
        Job job = Job::Between(dir.Path("in.wav"), dir.Path("out.wav"));
        WriteValues(job.SourcePath, c.F, source);
        const WaveOverview o = OverviewOf(job.SourcePath);
        const size_t ch = size_t(c.F.Channels);
        for (const TrimCase& t : trims) {
            SCOPED_TRACE(testing::Message() << t.In << " " << t.Out << " " << t.StartMs);
            std::filesystem::remove(job.TargetPath);
            job.Trim = true;
            job.StartThresholdDb = t.In;
            job.EndThresholdDb = t.Out;
            job.StartMarginMs = t.StartMs;
            job.EndMarginMs = t.EndMs;
            job.ForceMargins = t.Force;
            const JobPreview p = PreviewJob(o, job);
            ASSERT_TRUE(p.Range && p.Gain);
            const EditResult r = job.Run();
            ASSERT_TRUE(r.Done());
            EXPECT_EQ(p.GainDb(), r.GainDb);
            EXPECT_EQ(r.KeptFrames, p.Range->End - p.Range->Start);
            // The output is the preview's range of the source at the gain, with its silence.
            const std::vector<double> out = ReadValues(job.TargetPath, c.F);
            ASSERT_EQ(int64_t(out.size() / ch), p.ResultFrames);
            const double g = std::pow(10.0, p.GainDb() / 20.0);
            const size_t lead = size_t(t.Force ? p.Range->LeadPad : 0) * ch;
            for (size_t i = 0; i < out.size(); ++i) {
                const size_t from = size_t(p.Range->Start) * ch + i - lead;
                const bool inRange = i >= lead && from < size_t(p.Range->End) * ch;
                const double want = inRange ? source[from] * g : 0.0;
                ASSERT_NEAR(out[i], want, c.F.Float ? 1e-6 : 1.0 + 1e-6 * std::fabs(want)) << i;
            }
        }
        for (const bool trim : {true, false}) {
            for (const GainCase& gc : gains) {
                SCOPED_TRACE(testing::Message() << int(gc.Mode) << " " << gc.Level << " " << trim);
                std::filesystem::remove(job.TargetPath);
                job.ForceMargins = false;
                SetGainCase(job, gc, trim);
                ExpectTheJobsGain(FullPreview(o, job), job);
            }
        }
    }
}

// A float sample that is not a finite number: no picture, and the job's own reason.
TEST(WaveOverview, NonFiniteFloatsAreRefusedAsTheJobRefusesThem) {
    TempDir dir;
    const Format f{32, 2, true};
    for (const double bad :
         {std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::infinity()}) {
        std::vector<double> values = WideBurst(f, 2.0, 1.0, 10.0, -3.0);
        values[size_t(200000) * 2 + 1] = bad; // past the first read piece
        Job job = Job::Between(dir.Path("bad.wav"), dir.Path("out.wav"));
        WriteValues(job.SourcePath, f, values);
        const OverviewResult r = MeasureOverview(job.SourcePath);
        EXPECT_FALSE(r.Overview);
        job.Trim = true;
        const EditResult edited = job.Run();
        ASSERT_FALSE(edited.Done());
        EXPECT_EQ(edited.Status, EditStatus::NonFiniteSample);
        EXPECT_EQ(r.Failure.Status, edited.Status);
        EXPECT_EQ(r.Failure.Detail, edited.Detail);
        EXPECT_EQ(r.Failure.Detail, (std::isnan(bad) ? "NaN" : "infinity") +
                                        std::string(" at frame 200000, channel 2"));
        // The range pass refuses it as well.
        RangeRequest request;
        request.End = int64_t(values.size() / 2);
        request.Rms = true;
        EXPECT_EQ(MeasureRange(job.SourcePath, request).Failure.Status,
                  EditStatus::NonFiniteSample);
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

// One case worked by hand, so that a shared rule that is wrong cannot pass by being wrong in
// the preview and the job alike. 16-bit mono at 8000 Hz (1 ms = 8 frames), 100 frames, silent
// but for frame 10 = 3277, 30 = 3278, 60 = 16384, 81 = 329 and 90 = 328.
// - Start threshold -20 dB: nearest(0.1f * 32767) = 3277; frame 10 only equals it, so the
//   sound starts at 30. End threshold -40 dB: nearest(0.01f * 32767) = 328; the last frame
//   above it is 81 (90 only equals it).
// - Margins 2 ms and 1 ms: [30 - 16, 81 + 8) = [14, 89), 75 frames, odd, so [14, 88).
//   A forced 5 ms start margin starts 10 frames before the file: 10 frames of silence.
// - Peak to 0 dB: g = 32767 / 16384, so the peak comes out at 32767.
//   RMS(Average) to -20 dB over [14, 88): RMS = sqrt((3278^2 + 16384^2 + 329^2) / 74) = 1942.7,
//   g = 0.1f * 32767 / RMS = 1.6867, below the clip limit 32767 / 16384.
TEST(WaveOverview, AHandWorkedTrimAndGain) {
    TempDir dir;
    std::vector<int32_t> samples(100, 0);
    for (auto [frame, value] : {std::pair{10, 3277}, {30, 3278}, {60, 16384}, {81, 329}, {90, 328}})
        samples[size_t(frame)] = value;
    Job job = JobOverNewWav(dir, 8000, 16, 1, samples);
    job.Trim = job.Normalize = true;
    job.StartThresholdDb = -20.0f;
    job.EndThresholdDb = -40.0f;
    job.EndMarginMs = 1;
    const WaveOverview o = OverviewOf(job.SourcePath);
    const double rms = std::sqrt((3278.0 * 3278 + 16384.0 * 16384 + 329.0 * 329) / 74);
    const struct {
        int32_t StartMarginMs;
        NormMode Mode;
        float LevelDb;
        TrimmedRange Range;
        double Gain;
    } cases[] = {
        {2, NormMode::Peak, 0, {14, 88, 0, 0}, 32767.0 / 16384},
        {5, NormMode::Peak, 0, {0, 88, 10, 0}, 32767.0 / 16384}, // forced
        {2, NormMode::RmsAverage, -20, {14, 88, 0, 0}, double(0.1f) * 32767 / rms},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.StartMarginMs << " ms, mode " << int(c.Mode));
        std::filesystem::remove(job.TargetPath);
        job.StartMarginMs = c.StartMarginMs;
        job.ForceMargins = c.StartMarginMs == 5;
        job.Mode = c.Mode;
        job.NormLevelDb = c.LevelDb;
        const JobPreview p = FullPreview(o, job);
        ASSERT_TRUE(p.Range.has_value() && p.Gain.has_value());
        EXPECT_EQ(std::tie(p.FirstSound, p.LastSound), std::tuple(30, 81));
        const TrimmedRange& r = *p.Range;
        EXPECT_EQ(std::tie(r.Start, r.End, r.LeadPad, r.TailPad),
                  std::tie(c.Range.Start, c.Range.End, c.Range.LeadPad, c.Range.TailPad));
        EXPECT_FLOAT_EQ(*p.Gain, float(c.Gain));
        // The job writes the same: the range with its silence, the peak scaled by that gain.
        ASSERT_TRUE(job.Run().Done());
        const std::vector<int32_t> out = ReadSamples(job.TargetPath, 16);
        ASSERT_EQ(int64_t(out.size()), c.Range.End - c.Range.Start + c.Range.LeadPad);
        EXPECT_EQ(p.ResultFrames, int64_t(out.size()));
        EXPECT_NEAR(out[size_t(60 - c.Range.Start + c.Range.LeadPad)], 16384 * c.Gain, 1.0);
    }
}
