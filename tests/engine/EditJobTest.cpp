// The edit job end to end: files made here, one EditWave call, the output read back.

#include "EngineTestSupport.h"

#include "engine/EditPass.h"
#include "engine/JobRules.h"
#include "engine/LevelAnalysis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <tuple>

using namespace enginetest;
namespace fs = std::filesystem;

namespace {

// Interleaved frames of one constant value per channel.
std::vector<int32_t> Constant(int64_t pFrames, int32_t pChannels, int32_t pValue) {
    return std::vector<int32_t>(size_t(pFrames * pChannels), pValue);
}

// A mono 16-bit signal: silence, a tone of the given peak, silence.
std::vector<int32_t> ToneBetweenSilences(int64_t pLead, int64_t pTone, int64_t pTail,
                                         int32_t pPeak) {
    std::vector<int32_t> s(size_t(pLead), 0);
    for (int64_t i = 0; i < pTone; ++i)
        s.push_back(int32_t(std::lround(pPeak * std::sin(double(i) * 0.05))));
    s.push_back(pPeak); // the exact peak appears once
    s.insert(s.end(), size_t(pTail), 0);
    return s;
}

int32_t PeakOf(const std::vector<int32_t>& pSamples) {
    int32_t peak = 0;
    for (int32_t v : pSamples)
        peak = std::max(peak, std::abs(v));
    return peak;
}

struct Events {
    std::vector<float> Rates;
    int32_t CancelAt = -1; // event index at which the handler asks to cancel
};

C_EditWave::Progress Watch(Events& pEvents) {
    return [&pEvents](float pRate) {
        pEvents.Rates.push_back(pRate);
        return int32_t(pEvents.Rates.size()) - 1 == pEvents.CancelAt;
    };
}

} // namespace

TEST(EditJobLevels, TrimmedPeakAtMinus6ComesOutAtFullScale) {
    TempDir tmp;
    Job job = JobOverNewWav(tmp, 8000, 16, 1, ToneBetweenSilences(500, 4000, 500, 16384));
    job.Trim = true;
    const EditResult r = job.Run();
    ASSERT_TRUE(r.Done());
    EXPECT_EQ(PeakOf(ReadSamples(job.TargetPath, 16)), 32767);
}

TEST(EditJobLevels, CopyThroughKeepsTheAudioByteForByte) {
    TempDir tmp;
    for (int32_t bits : {8, 16, 24}) {
        SCOPED_TRACE(bits);
        std::vector<int32_t> s;
        for (int32_t i = 0; i < 3001; ++i)
            s.push_back(bits == 8 ? (i * 37) % 256 : (i * 7919) % (bits == 16 ? 32768 : 8388608));
        const std::string src = tmp.Path("c" + std::to_string(bits) + ".wav");
        const std::string out = tmp.Path("o" + std::to_string(bits) + ".wav");
        WriteWav(src, 22050, bits, 1, s);
        Job job = Job::Between(src, out);
        const EditResult r = job.Run();
        ASSERT_TRUE(r.Done());
        // Header and audio are the same; the pad byte after odd 8-bit data is silence (128).
        std::vector<uint8_t> expected = ReadBytes(src);
        if (bits == 8) expected.back() = 128;
        EXPECT_EQ(ReadBytes(out), expected);
    }
}

TEST(EditJobLevels, PeakOfMinus32768GivesGainBelowOneWithoutClipping) {
    GainInputs in;
    in.FullScale = 32767;
    in.Peak = 32768;
    EXPECT_EQ(NormGain(in), 32767.0f / 32768.0f);

    TempDir tmp;
    Job job = JobOverNewWav(tmp, 8000, 16, 1, {-32768, 32767, 1000, -1000, 0});
    job.Normalize = true;
    const EditResult r = job.Run();
    ASSERT_TRUE(r.Done());
    const std::vector<int32_t> got = ReadSamples(job.TargetPath, 16);
    EXPECT_EQ(got, (std::vector<int32_t>{-32767, 32766, 1000, -1000, 0}));
}

TEST(EditJobLevels, PeakAboveFullScaleWithoutClipStopsAtFullScale) {
    // A -6 dB file normalised to +3 dB: without Clip the gain stops where the peak reaches
    // full scale, so nothing saturates.
    TempDir tmp;
    const std::vector<int32_t> tone = ToneBetweenSilences(0, 4000, 0, 16384);
    Job job = JobOverNewWav(tmp, 8000, 16, 1, tone);
    job.Normalize = true;
    job.NormLevelDb = 3.0f;
    EditResult r;
    r = job.Run();
    ASSERT_TRUE(r.Done());
    const std::vector<int32_t> got = ReadSamples(job.TargetPath, 16);
    auto atFullScale = [](const std::vector<int32_t>& pSamples, int32_t pFull) {
        return std::count_if(pSamples.begin(), pSamples.end(),
                             [&](int32_t pV) { return std::abs(pV) >= pFull; });
    };
    EXPECT_EQ(PeakOf(got), 32767);
    // Only the samples at the source's peak reach full scale.
    EXPECT_EQ(atFullScale(got, 32767), atFullScale(tone, 16384));

    fs::remove(job.TargetPath);
    job.Clip = true;
    r = job.Run();
    ASSERT_TRUE(r.Done());
    EXPECT_GT(atFullScale(ReadSamples(job.TargetPath, 16), 32767), 10 * atFullScale(tone, 16384));
}

TEST(EditJobLevels, RmsMaxPastFullScaleWithClipSaturates) {
    TempDir tmp;
    struct Case {
        int32_t Bits;
        std::vector<int32_t> In;
        int32_t Lo, Hi;
    };
    const std::vector<Case> cases = {
        {8, {128, 138, 118, 255, 0, 1}, 0, 255},
        {16, {0, 1000, -1000, 32767, -32768, 20000}, -32767, 32767},
        {24, {0, 100000, -100000, 8388607, -8388608, 5000000}, -8388607, 8388607},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Bits);
        const std::string src = tmp.Path("s" + std::to_string(c.Bits) + ".wav");
        const std::string out = tmp.Path("o" + std::to_string(c.Bits) + ".wav");
        WriteWav(src, 8000, c.Bits, 2, c.In);
        Job job = Job::Between(src, out);
        job.Normalize = true;
        job.Mode = NormMode::RmsMax;
        job.NormLevelDb = 0.0f;
        job.Clip = true;
        const EditResult r = job.Run();
        ASSERT_TRUE(r.Done());
        const std::vector<int32_t> got = ReadSamples(out, c.Bits);
        ASSERT_EQ(got.size(), c.In.size());
        EXPECT_EQ(got[3], c.Hi);
        EXPECT_EQ(got[4], c.Lo);
        EXPECT_EQ(*std::max_element(got.begin(), got.end()), c.Hi);
        EXPECT_EQ(*std::min_element(got.begin(), got.end()), c.Lo);
    }
}

TEST(EditJobLevels, PeakNormalisationLandsOnFullScaleAtEveryWidth) {
    // 32-bit gains are formed in double: a single-precision gain stops 43 short of 2^31 - 1.
    TempDir tmp;
    for (const auto& [bits, peak, full] :
         {std::tuple{16, 12345, 32767}, {24, 1234567, 8388607}, {32, 123456789, 2147483647}}) {
        SCOPED_TRACE(bits);
        Job job = JobOverNewWav(tmp, 8000, bits, 1, {0, peak / 3, -peak, peak / 7});
        job.TargetPath = tmp.Path("peak" + std::to_string(bits) + ".wav");
        job.Normalize = true;
        ASSERT_TRUE(job.Run().Done());
        EXPECT_EQ(PeakOf(ReadSamples(job.TargetPath, bits)), full);
    }
}

TEST(EditJobLevels, ThresholdsAreWholeSampleUnitsExceptForFloats) {
    // -6 dB is 16422.4 units of 16-bit audio: the threshold is 16422, as the job compares it.
    EXPECT_EQ(MagnitudeOf(-6.0f, 32767.0, false), 16422.0);
    EXPECT_EQ(MagnitudeOf(-6.0f, 2147483647.0, false), 1076291327.0);
    EXPECT_EQ(MagnitudeOf(-6.0f, 1.0, true), double(DbToLinear(-6.0f)));
}

TEST(EditJobLevels, HugeGainsSaturateInsteadOfFallingSilent) {
    // Past about 770 dB a single-precision factor overflows: it must saturate, never turn into
    // 0 (silence, or -60 dB after the floor) or into a gain of 0 dB.
    TempDir tmp;
    const std::vector<int32_t> tone = ToneBetweenSilences(0, 9000, 0, 1000);
    struct Case {
        const char* Name;
        NormMode Mode;
        float Level, Adjust;
        bool Clip;
        int32_t Peak;     // expected peak magnitude of the result
        bool AllSaturate; // every non-zero sample at full scale
    };
    const Case cases[] = {
        {"adjust", NormMode::Peak, 0.0f, 1000.0f, false, 32767, true},
        {"rms-average", NormMode::RmsAverage, 1e20f, 0.0f, false, 32767, false},
        {"loudness-clip", NormMode::Loudness, 1e20f, 0.0f, true, 32767, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Job job = JobOverNewWav(tmp, 8000, 16, 1, tone);
        job.TargetPath = tmp.Path(std::string(c.Name) + ".wav");
        job.Normalize = c.Adjust == 0.0f;
        job.Mode = c.Mode;
        job.NormLevelDb = c.Level;
        job.TruePeakCeiling = false;
        job.Clip = c.Clip;
        job.AdjustLeftDb = job.AdjustRightDb = c.Adjust;
        const EditResult r = job.Run();
        ASSERT_TRUE(r.Done());
        const std::vector<int32_t> got = ReadSamples(job.TargetPath, 16);
        ASSERT_EQ(got.size(), tone.size());
        EXPECT_EQ(PeakOf(got), c.Peak);
        if (job.Normalize) {
            EXPECT_GT(r.GainDb, 30.0); // at least the peak's limit, 32767 / 1000
        }
        for (size_t i = 0; i < got.size() && c.AllSaturate; ++i)
            ASSERT_EQ(std::abs(got[i]), tone[i] == 0 ? 0 : 32767) << i;
    }
}

TEST(EditJobLevels, AdjustmentBelowMinus60IsRaisedToMinus60) {
    EXPECT_EQ(ChannelDb(-80.0f, 1.0f), -60.0f);
    TempDir tmp;
    Job job = JobOverNewWav(tmp, 8000, 16, 2, {32000, 32000, -20000, -20000});
    job.AdjustLeftDb = -80.0f;
    const EditResult r = job.Run();
    ASSERT_TRUE(r.Done());
    // -60 dB is a factor of 1/1000; the right channel stays as it was.
    EXPECT_EQ(ReadSamples(job.TargetPath, 16), (std::vector<int32_t>{32, 32000, -20, -20000}));
}

TEST(EditJobLevels, FadeInRisesFromMinus60Through30To0) {
    EXPECT_EQ(FadeDb(100, 100, 5000, 1000, 0), -60.0f);
    EXPECT_EQ(FadeDb(600, 100, 5000, 1000, 0), -30.0f);
    EXPECT_EQ(FadeDb(1100, 100, 5000, 1000, 0), 0.0f);
    EXPECT_EQ(FadeDb(4999, 100, 5000, 0, 1000), float(999.0 / 1000 * -60.0));
    EXPECT_EQ(FadeDb(4001, 100, 5000, 0, 1000), float(1.0 / 1000 * -60.0));
    EXPECT_EQ(FadeDb(4000, 100, 5000, 0, 1000), 0.0f);

    TempDir tmp;
    Job job = JobOverNewWav(tmp, 8000, 16, 1, Constant(3000, 1, 10000));
    job.FadeInFrames = 1000;
    const EditResult r = job.Run();
    ASSERT_TRUE(r.Done());
    const std::vector<int32_t> got = ReadSamples(job.TargetPath, 16);
    ASSERT_EQ(got.size(), 3000u);
    EXPECT_EQ(got[0], 10);    // -60 dB
    EXPECT_EQ(got[500], 316); // -30 dB
    EXPECT_EQ(got[1000], 10000);
    EXPECT_TRUE(std::is_sorted(got.begin(), got.begin() + 1001));
}

TEST(EditJobLevels, LevelCheckOfA16384PeakReadsMinus6Db) {
    TempDir tmp;
    const std::string src = tmp.Path("in.wav");
    WriteWav(src, 8000, 16, 1, ToneBetweenSilences(100, 3000, 100, 16384));
    Job job;
    job.SourcePath = src;
    job.TargetPath = tmp.Path("never.wav");
    job.Check = LevelCheck::MeasureOnly;
    const EditResult r = job.Run();
    ASSERT_TRUE(r.Done() && r.Levels);
    EXPECT_EQ(r.Levels->MaxPeak, 16384);
    EXPECT_NEAR(r.Levels->MaxPeakDb, -6.02, 0.005);
    EXPECT_GT(r.Levels->MaxRms, r.Levels->NormRms);
    EXPECT_FALSE(fs::exists(job.TargetPath));

    // A measuring call without a check returns no levels.
    Job measure;
    measure.SourcePath = src;
    const EditResult plain = measure.Run();
    ASSERT_TRUE(plain.Done());
    EXPECT_FALSE(plain.Levels);
}

TEST(EditJobTrim, SilentSourceGivesAnEmptyOutput) {
    TempDir tmp;
    Job job = JobOverNewWav(tmp, 8000, 16, 2, Constant(5000, 2, 0));
    job.Trim = true;
    const EditResult r = job.Run();
    ASSERT_TRUE(r.Done());
    const std::vector<uint8_t> b = ReadBytes(job.TargetPath);
    EXPECT_EQ(b.size(), 44u);
    EXPECT_EQ(DataSizeField(b), 0u);
}

TEST(EditJobTrim, StartMarginPastTheFileStartPadsAnEvenNumberOfFrames) {
    TempDir tmp;
    // 1000 Hz: one frame per ms. Sound from frame 100 to frame 199.
    std::vector<int32_t> s(100, 0);
    s.insert(s.end(), 100, 20000);
    s.insert(s.end(), 100, 0);
    Job job = JobOverNewWav(tmp, 1000, 16, 1, s);
    job.Trim = true;
    job.StartMarginMs = 301; // Start -201, End 200: odd, so End 199; lead 201 -> 200
    job.EndMarginMs = 1;
    job.ForceMargins = true;
    const EditResult r = job.Run();
    ASSERT_TRUE(r.Done());
    const std::vector<int32_t> got = ReadSamples(job.TargetPath, 16);
    // Lead 200 + frames [0, 199), no tail.
    ASSERT_EQ(got.size(), 399u);
    EXPECT_TRUE(std::all_of(got.begin(), got.begin() + 300, [](int32_t v) { return v == 0; }));
    EXPECT_TRUE(std::all_of(got.begin() + 300, got.end(), [](int32_t v) { return v == 32767; }));
}

TEST(EditJobTrim, AnOddRangeLosesItsLastFrame) {
    TempDir tmp;
    std::vector<int32_t> s(10, 0);
    for (int32_t i = 0; i < 7; ++i)
        s.push_back(1000 * (i + 1)); // frames 10..16
    s.insert(s.end(), 10, 0);
    Job job = JobOverNewWav(tmp, 1000, 16, 1, s);
    job.Trim = true;
    job.EndMarginMs = 1; // [10, 17) is odd: the last frame goes
    job.AdjustLeftDb = 0.0f;
    const EditResult r = job.Run();
    ASSERT_TRUE(r.Done());
    const std::vector<int32_t> got = ReadSamples(job.TargetPath, 16);
    ASSERT_EQ(got.size(), 6u);
}

TEST(EditJobTrim, EightBitMonoOddRangeEndsWithAPadByte) {
    TempDir tmp;
    std::vector<int32_t> s;
    for (int32_t i = 0; i < 1001; ++i)
        s.push_back(128 + (i % 50) - 25);
    Job job = JobOverNewWav(tmp, 8000, 8, 1, s);
    job.AdjustLeftDb = -3.0f;
    const EditResult r = job.Run();
    ASSERT_TRUE(r.Done());
    const std::vector<uint8_t> b = ReadBytes(job.TargetPath);
    ASSERT_EQ(b.size(), 44u + 1001u + 1u);
    EXPECT_EQ(DataSizeField(b), 1001u);
    EXPECT_EQ(b.back(), 128);
}

TEST(EditJobProgress, AnalysisBlocksAre300Ms) {
    EXPECT_EQ(AnalysisBlockFrames(44100), 13230);
    EXPECT_EQ(AnalysisBlockFrames(8000), 2400);
    EXPECT_EQ(AnalysisBlockFrames(1), 1);        // rates below 2 Hz still advance
    EXPECT_EQ(AnalysisBlockFrames(11025), 3308); // 3307.5 rounds to even

    TempDir tmp;
    const std::string src = tmp.Path("in.wav");
    WriteWav(src, 44100, 16, 1, Constant(13230 * 3 + 10, 1, 5));
    Job job;
    job.SourcePath = src;
    job.Check = LevelCheck::MeasureOnly;
    Events ev;
    const EditResult r = job.Run(Watch(ev));
    ASSERT_TRUE(r.Done());
    ASSERT_EQ(ev.Rates.size(), 4u);
    EXPECT_FLOAT_EQ(ev.Rates[0], 13230.0f / 39700.0f);
    EXPECT_FLOAT_EQ(ev.Rates[3], 1.0f);
}

TEST(EditJobProgress, AHalfFrameBlockAt11025HzRoundsToEven) {
    // One loud sample as frame 3307: inside the first block of 3308 frames, while a block of
    // 3307 would leave it alone in a block of its own (RMS = the sample itself).
    TempDir tmp;
    std::vector<int32_t> s(3308, 0);
    s[3307] = 20000;
    Job job = JobOverNewWav(tmp, 11025, 16, 1, s);
    job.TargetPath.clear();
    job.Check = LevelCheck::MeasureOnly;
    const EditResult r = job.Run();
    ASSERT_TRUE(r.Done());
    EXPECT_EQ(r.Levels->MaxRms, int32_t(std::nearbyint(20000.0 / std::sqrt(3308.0))));
}

TEST(EditJobProgress, PassCountAndFirstProgressValueOfEachLayout) {
    TempDir tmp;
    const std::string src = tmp.Path("in.wav");
    // 16-bit stereo, 600000 frames: two write blocks of up to 524288 frames.
    std::vector<int32_t> s = Constant(600000, 2, 3000);
    std::fill(s.begin(), s.begin() + 2000, 0); // trimmed range [1000, 599998)
    WriteWav(src, 44100, 16, 2, s);
    const double total = 600000.0;
    const double firstBlock = 13230.0 / total;
    struct Layout {
        const char* Name;
        bool Trim, Normalize;
        NormMode Mode;
        LevelCheck Check;
        double First; // first rate
        int32_t N;
        bool LoudnessReport = false;
    };
    const std::vector<Layout> layouts = {
        {"plain copy, N=1", false, false, NormMode::Peak, LevelCheck::Off, 524288.0 / total, 1},
        {"trim, N=2", true, false, NormMode::Peak, LevelCheck::Off, firstBlock / 2, 2},
        {"peak, N=2", false, true, NormMode::Peak, LevelCheck::Off, firstBlock / 2, 2},
        {"rms average with trim, N=3", true, true, NormMode::RmsAverage, LevelCheck::Off,
         firstBlock / 3, 3},
        {"check of rms calc, N=2", false, true, NormMode::RmsCalc, LevelCheck::Store,
         firstBlock / 2, 2},
        {"loudness with trim, N=3", true, true, NormMode::Loudness, LevelCheck::Off, firstBlock / 3,
         3},
        {"peak with a loudness report, N=3", true, true, NormMode::Peak, LevelCheck::Off,
         firstBlock / 3, 3, true},
        {"plain copy with a loudness report, N=2", false, false, NormMode::Peak, LevelCheck::Off,
         524288.0 / total / 2, 2, true},
    };
    for (const Layout& l : layouts) {
        SCOPED_TRACE(l.Name);
        Job job;
        job.SourcePath = src;
        job.TargetPath = tmp.Path(std::string(l.Name) + ".wav");
        job.Trim = l.Trim;
        job.Normalize = l.Normalize;
        job.Mode = l.Mode;
        job.NormLevelDb = -3.0f;
        job.Check = l.Check;
        job.MeasureLoudness = l.LoudnessReport;
        EditResult r;
        Events ev;
        r = job.Run(Watch(ev));
        ASSERT_TRUE(r.Done());
        ASSERT_FALSE(ev.Rates.empty());
        EXPECT_FLOAT_EQ(ev.Rates.front(), float(l.First));
        EXPECT_FLOAT_EQ(ev.Rates.back(), 1.0f);
        if (l.Check == LevelCheck::Off) {
            EXPECT_TRUE(std::is_sorted(ev.Rates.begin(), ev.Rates.end()));
        }
        // The write pass runs from (N - 1) / N over the trimmed range.
        const double writeRange = l.Trim ? 598998.0 : total;
        const double firstWrite = double(l.N - 1) / l.N + 524288.0 / writeRange / l.N;
        EXPECT_TRUE(std::any_of(ev.Rates.begin(), ev.Rates.end(),
                                [&](float r) { return std::fabs(r - firstWrite) < 1e-6; }));
        if (l.N == 3) {
            // The second pass covers only the trimmed range.
            const auto second = std::find_if(ev.Rates.begin(), ev.Rates.end(),
                                             [](float pR) { return pR > 1.0f / 3 + 1e-6f; });
            EXPECT_FLOAT_EQ(*second, float(1.0 / 3 + 524288.0 / 598998.0 / 3));
        }
    }
}

TEST(EditJobProgress, CancelOnTheFirstEventEndsAfterOneBlock) {
    TempDir tmp;
    Job job = JobOverNewWav(tmp, 8000, 16, 1, Constant(24000, 1, 1000));
    job.Normalize = true;
    EditResult r;
    Events ev;
    ev.CancelAt = 0;
    r = job.Run(Watch(ev));
    EXPECT_FALSE(r.Done());
    EXPECT_EQ(ev.Rates.size(), 1u);
    EXPECT_EQ(r.Status, EditStatus::Cancelled);
    EXPECT_FALSE(fs::exists(job.TargetPath));

    // A cancel ends only its own job: the next one runs.
    ev = Events{};
    r = job.Run(Watch(ev));
    EXPECT_TRUE(r.Done());
    EXPECT_FALSE(ev.Rates.empty());
}

TEST(EditJobInput, NineChannelsFailBeforeAnyProgress) {
    TempDir tmp;
    Job job = JobOverNewWav(tmp, 8000, 16, 9, Constant(1000, 9, 1000));
    job.Normalize = true;
    job.Check = LevelCheck::Store;
    EditResult r;
    Events ev;
    r = job.Run(Watch(ev));
    EXPECT_FALSE(r.Done());
    EXPECT_TRUE(ev.Rates.empty());
    EXPECT_EQ(r.Levels->MaxPeak, -1);
    EXPECT_EQ(r.Levels->MaxPeakDb, 0.0f);
    EXPECT_FALSE(fs::exists(job.TargetPath));

    job.SourcePath = tmp.Path("missing.wav");
    r = job.Run();
    EXPECT_FALSE(r.Done());
}

TEST(EditJobInput, AnUnknownModeIsRefusedOnlyWhenItWouldNormalise) {
    TempDir tmp;
    Job job = JobOverNewWav(tmp, 8000, 16, 1, Constant(1000, 1, 1000));
    EditResult r;
    auto call = [&](int32_t pUseNorm, int32_t pMode) {
        r = C_EditWave().EditWave(job.SourcePath, job.TargetPath, 0, 0, 0, -40.0f, -45.0f, 0, 0, 0,
                                  pUseNorm, 0.0f, pMode, 0, 0.0f, 0, 0.0f, 0.0f, 0, 0, 0);
        return r.Done();
    };
    EXPECT_FALSE(call(1, int32_t(kNormModeCount)));
    EXPECT_EQ(r.Status, EditStatus::InvalidArgument);
    EXPECT_FALSE(fs::exists(job.TargetPath));
    EXPECT_TRUE(call(0, 9)); // not normalising: the mode is not read
    EXPECT_EQ(ReadBytes(job.TargetPath), ReadBytes(job.SourcePath));
}

TEST(EditJobInput, ModeThreeWithoutGateEqualsModeTwoTimesScale) {
    std::vector<int32_t> s;
    for (int32_t i = 0; i < 20000; ++i)
        s.push_back(int32_t(9000 * std::sin(i * 0.01)));
    const auto bytes = MakeWav(8000, 16, 2, s);
    const uint8_t* data = bytes.data() + 44;
    SecondPass two, three;
    two.Channels = three.Channels = 2;
    three.Scale = float(32767.0 / 9000.0);
    two.Feed(data, 10000);
    three.Feed(data, 10000);
    EXPECT_NEAR(three.RangeRms(), two.RangeRms() * three.Scale, two.RangeRms() * 1e-12);
}

// ---- changes for safety -------------------------------------------------------------

TEST(EditJobSafety, AnExistingTargetIsRefusedAndLeftAlone) {
    TempDir tmp;
    Job job = JobOverNewWav(tmp, 8000, 16, 1, Constant(1000, 1, 1000));
    WriteBytes(job.TargetPath, {1, 2, 3});
    job.Normalize = true;
    EditResult r;
    r = job.Run();
    EXPECT_FALSE(r.Done());
    EXPECT_EQ(ReadBytes(job.TargetPath), (std::vector<uint8_t>{1, 2, 3}));

    const std::vector<uint8_t> before = ReadBytes(job.SourcePath);
    job.TargetPath = job.SourcePath;
    r = job.Run();
    EXPECT_FALSE(r.Done());
    EXPECT_EQ(ReadBytes(job.SourcePath), before);
}

TEST(EditJobSafety, ATruncatedSourceIsCutToTheWholeFramesItHolds) {
    TempDir tmp;
    for (int32_t bits : {8, 16}) {
        SCOPED_TRACE(bits);
        // Two write blocks claimed, the second one cut off after 100 frames and a half.
        const int64_t blockFrames = 2097152 / (bits / 8 * 2);
        const int64_t present = blockFrames + 100;
        const int32_t loud = bits == 8 ? 200 : 12345;
        std::vector<uint8_t> wav =
            MakeWav(8000, bits, 2, Constant(present, 2, loud), (present + 5000) * (bits / 8) * 2);
        wav.push_back(uint8_t(loud)); // half a frame
        const std::string src = tmp.Path("t" + std::to_string(bits) + ".wav");
        const std::string out = tmp.Path("o" + std::to_string(bits) + ".wav");
        WriteBytes(src, wav);
        Job job = Job::Between(src, out);
        job.ToFrame = present + 5000; // a range past the end stops there too
        const EditResult r = job.Run();
        ASSERT_TRUE(r.Done());
        EXPECT_EQ(r.KeptFrames, present);
        const std::vector<int32_t> got = ReadSamples(out, bits);
        EXPECT_EQ(got, Constant(present, 2, loud));
    }
}

TEST(EditJobSafety, AReversedRangeGivesAnEmptyFileWithItsSizesRight) {
    TempDir tmp;
    Job job = JobOverNewWav(tmp, 8000, 8, 1, Constant(2000, 1, 200));
    job.FromFrame = 1000;
    job.ToFrame = 501;
    job.AdjustLeftDb = -1.0f;
    const EditResult r = job.Run();
    ASSERT_TRUE(r.Done());
    EXPECT_EQ(r.KeptFrames, 0);
    const std::vector<uint8_t> out = ReadBytes(job.TargetPath);
    ASSERT_EQ(out.size(), 44u);
    EXPECT_EQ(DataSizeField(out), 0u);
    EXPECT_EQ(out[4], 36); // RIFF size
}

TEST(EditJobSafety, NothingButPcmIsEditedAndEachRefusalSaysWhy) {
    TempDir tmp;
    std::vector<uint8_t> pcm = MakeWav(8000, 16, 1, Constant(800, 1, 1000));
    struct Case {
        uint16_t Tag;
        EditStatus Status;
        const char* Detail;
    };
    const Case cases[] = {{6, EditStatus::NotPcm, "A-law"},
                          {3, EditStatus::NotPcm, "16-bit float"},
                          {0x11, EditStatus::NotPcm, "IMA ADPCM"},
                          {0xFFFE, EditStatus::NotPcm, "extensible header cut short"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Tag);
        std::vector<uint8_t> bytes = pcm;
        bytes[20] = uint8_t(c.Tag);
        bytes[21] = uint8_t(c.Tag >> 8);
        const std::string src = tmp.Path("in.wav");
        WriteBytes(src, bytes);
        Job job = Job::Between(src, tmp.Path("out.wav"));
        job.Normalize = true;
        EditResult r;
        r = job.Run();
        EXPECT_FALSE(r.Done());
        EXPECT_EQ(r.Status, c.Status);
        EXPECT_EQ(r.Detail.rfind(c.Detail, 0), 0u) << r.Detail;
        EXPECT_FALSE(fs::exists(job.TargetPath));
    }

    Job job = JobOverNewWav(tmp, 8000, 16, 9, Constant(100, 9, 1000));
    fs::remove(job.TargetPath);
    EditResult r;
    r = job.Run();
    EXPECT_FALSE(r.Done());
    EXPECT_EQ(r.Status, EditStatus::UnsupportedLayout);
    EXPECT_EQ(r.Detail, "9 channels");

    job.SourcePath = tmp.Path("missing.wav");
    r = job.Run();
    EXPECT_FALSE(r.Done());
    EXPECT_EQ(r.Status, EditStatus::SourceUnreadable);
    EXPECT_EQ(r.Detail, "No such file or directory");

    WriteBytes(job.SourcePath, {'n', 'o', 't', ' ', 'a', ' ', 'w', 'a', 'v'});
    r = job.Run();
    EXPECT_FALSE(r.Done());
    EXPECT_EQ(r.Status, EditStatus::NotWav);
}

TEST(EditJobSafety, TheSourceIsReadThroughOneDescriptorFromStartToEnd) {
    TempDir tmp;
    // Long enough for several progress events, so the swap happens between two passes.
    Job job = JobOverNewWav(tmp, 8000, 16, 1, ToneBetweenSilences(4000, 30000, 4000, 16384));
    job.Trim = true;
    job.Normalize = true;
    job.Mode = NormMode::RmsAverage;
    const std::string expectedPath = tmp.Path("expected.wav");
    Job reference = job;
    reference.TargetPath = expectedPath;
    EditResult r;
    r = reference.Run();
    ASSERT_TRUE(r.Done());

    // Another version replaces the source (by rename, as an editor saving it would) during
    // the first pass: the job goes on with the file it opened.
    const std::string other = tmp.Path("other.wav");
    WriteWav(other, 8000, 16, 1, ToneBetweenSilences(100, 20000, 100, 3000));
    bool swapped = false;
    auto prog = [&](float) {
        if (swapped) return false;
        fs::rename(other, job.SourcePath);
        swapped = true;
        return false;
    };
    r = job.Run(prog);
    ASSERT_TRUE(r.Done());
    EXPECT_TRUE(swapped);
    EXPECT_EQ(ReadBytes(job.TargetPath), ReadBytes(expectedPath));
}

TEST(EditJobSafety, ASourceCutDuringTheJobFailsItAndLeavesNoOutput) {
    TempDir tmp;
    Job job = JobOverNewWav(tmp, 8000, 16, 1, Constant(600000, 1, 1000));
    job.Normalize = true;
    bool cut = false;
    auto prog = [&](float) {
        if (cut) return false;
        fs::resize_file(job.SourcePath, 1000);
        cut = true;
        return false;
    };
    const EditResult r = job.Run(prog);
    EXPECT_FALSE(r.Done());
    EXPECT_EQ(r.Status, EditStatus::ReadFailed);
    EXPECT_FALSE(fs::exists(job.TargetPath));
}

TEST(EditJobSafety, ATargetThatAppearsDuringTheJobIsNeitherReplacedNorDeleted) {
    TempDir tmp;
    Job job = JobOverNewWav(tmp, 8000, 16, 1, Constant(30000, 1, 1000));
    job.Normalize = true;
    EditResult r;
    // Someone else takes the name after the job's first look and before its header.
    auto prog = [&](float) {
        if (!fs::exists(job.TargetPath)) WriteBytes(job.TargetPath, {7, 7, 7});
        return false;
    };
    r = job.Run(prog);
    EXPECT_FALSE(r.Done());
    EXPECT_EQ(r.Status, EditStatus::TargetExists);
    EXPECT_EQ(ReadBytes(job.TargetPath), (std::vector<uint8_t>{7, 7, 7}));

    // A dangling link at the target is not followed.
    fs::remove(job.TargetPath);
    fs::create_symlink(tmp.Path("elsewhere.wav"), job.TargetPath);
    r = job.Run();
    EXPECT_FALSE(r.Done());
    EXPECT_EQ(r.Status, EditStatus::TargetExists);
    EXPECT_FALSE(fs::exists(tmp.Path("elsewhere.wav")));
}

TEST(EditJobSafety, AnExistingTargetIsRefusedWhenLevelsAreStoredToo) {
    TempDir tmp;
    Job job = JobOverNewWav(tmp, 8000, 16, 1, Constant(1000, 1, 1000));
    WriteBytes(job.TargetPath, {1, 2, 3});
    job.Normalize = true;
    job.Check = LevelCheck::Store;
    const EditResult r = job.Run();
    EXPECT_FALSE(r.Done());
    EXPECT_EQ(r.Status, EditStatus::TargetExists);
    EXPECT_EQ(ReadBytes(job.TargetPath), (std::vector<uint8_t>{1, 2, 3}));
}

TEST(EditJobSafety, NoSoundAboveTheStartThresholdKeepsNoFrames) {
    TempDir tmp;
    // Peak about -48 dBFS under a -45 dB threshold, with margins around the (missing) sound.
    Job job = JobOverNewWav(tmp, 8000, 16, 1, Constant(8000, 1, 130));
    job.Trim = true;
    job.StartThresholdDb = -45.0f;
    job.EndThresholdDb = -45.0f;
    job.StartMarginMs = 100;
    job.EndMarginMs = 100;
    EditResult r;
    r = job.Run();
    ASSERT_TRUE(r.Done());
    EXPECT_EQ(r.KeptFrames, 0);

    fs::remove(job.TargetPath);
    job.StartThresholdDb = job.EndThresholdDb = -60.0f;
    r = job.Run();
    ASSERT_TRUE(r.Done());
    EXPECT_EQ(r.KeptFrames, 8000);
}

TEST(EditJobSafety, AFailedWriteFailsTheJob) {
    TempDir tmp;
    const std::string src = tmp.Path("in.wav"), out = tmp.Path("out.wav");
    WriteWav(src, 44100, 16, 2, Constant(600000, 2, 1000));
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 1000000; // the output would be 2.4 MB
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    Job job = Job::Between(src, out);
    job.AdjustLeftDb = job.AdjustRightDb = -1.0f;
    EditResult r;
    r = job.Run();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(r.Done());
    EXPECT_EQ(r.Status, EditStatus::WriteFailed);
    EXPECT_FALSE(r.Detail.empty());
    EXPECT_FALSE(fs::exists(out)); // the job's own partial output is gone

    // A target in a folder that does not exist cannot be written either.
    job.TargetPath = tmp.Path("no/such/folder/out.wav");
    r = job.Run();
    EXPECT_FALSE(r.Done());
}

TEST(EditJobSafety, HugeSamplingRateKeepsMemoryBounded) {
    TempDir tmp;
    const std::string src = tmp.Path("in.wav");
    std::vector<int32_t> s = Constant(3000, 2, 100);
    s[10] = 20000;
    WriteWav(src, 2147483647, 16, 2, s);
    Job job;
    job.SourcePath = src;
    job.Check = LevelCheck::MeasureOnly;
    EditResult r;
    r = job.Run();
    ASSERT_TRUE(r.Done());
    // One analysis block holds the whole file.
    EXPECT_EQ(r.Levels->MaxPeak, 20000);
    EXPECT_EQ(r.Levels->MaxRms, r.Levels->NormRms);

    WriteWav(src + "1", 1, 16, 1, {0, 0, 900, 0, 0});
    Job trim;
    trim.SourcePath = src + "1";
    trim.TargetPath = tmp.Path("one-hz.wav");
    trim.Trim = true;
    r = trim.Run();
    ASSERT_TRUE(r.Done());
}

TEST(EditJobSafety, ForcedMarginsHoldExactlyTheSilenceFrames) {
    TempDir tmp;
    // 24-bit mono at 1000 Hz: sound on frames 2..4 of 7.
    Job job = JobOverNewWav(tmp, 1000, 24, 1, {0, 0, 500000, -500000, 400000, 0, 0});
    job.Trim = true;
    job.StartMarginMs = 5; // Start -3: lead 2
    job.EndMarginMs = 10;  // End 14 -> 13 (odd range): tail 13 - 7 = 6
    job.ForceMargins = true;
    const EditResult r = job.Run();
    ASSERT_TRUE(r.Done());
    const std::vector<uint8_t> b = ReadBytes(job.TargetPath);
    const uint32_t frames = 2 + 7 + 6;
    EXPECT_EQ(DataSizeField(b), frames * 3);
    ASSERT_EQ(b.size(), 44u + frames * 3 + 1); // odd data: one pad byte
    const std::vector<int32_t> got = ReadSamples(job.TargetPath, 24);
    ASSERT_EQ(got.size(), frames);
    for (size_t i : {0, 1, 2, 3, 7, 8, 9, 10, 11, 12, 13, 14})
        EXPECT_EQ(got[i], 0) << i;
    EXPECT_GE(got[4], 8388600); // the peak is raised to full scale
    EXPECT_EQ(got[5], -got[4]);
}

TEST(EditJobSafety, ACheckWithNothingToMeasureStillWrites) {
    TempDir tmp;
    Job job = JobOverNewWav(tmp, 8000, 16, 1, Constant(100, 1, 1000));
    job.Check = LevelCheck::Store;
    Events ev;
    const EditResult r = job.Run(Watch(ev));
    ASSERT_TRUE(r.Done());
    EXPECT_EQ(ReadSamples(job.TargetPath, 16), Constant(100, 1, 1000));
    ASSERT_EQ(ev.Rates.size(), 1u);
    EXPECT_EQ(ev.Rates[0], 1.0f);
}
