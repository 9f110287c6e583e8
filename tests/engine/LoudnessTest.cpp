// Loudness measuring against reference signals built after the EBU test-signal descriptions
// (1 kHz sines, gated tone bursts, level steps, sines whose samples miss their peak), the parallel
// true peak against one state, and the loudness mode of the edit job.

#include "EngineTestSupport.h"

#include "engine/EditPass.h"
#include "engine/LevelAnalysis.h"
#include "engine/Loudness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <random>
#include <utility>

using namespace enginetest;

namespace {

constexpr int32_t kRate = 48000;

// A stretch of stereo sine: both channels alike, amplitude in dB of full scale.
struct Tone {
    double Seconds;
    double AmplitudeDb;
    double Hz = 1000.0;
    double PhaseDeg = 0.0;
    double RampSeconds = 0.0; // a linear fade-in, so that no step starts the stretch
};

// Interleaved sample values of the tones one after another, at a width of pBits (8-bit values
// as stored bytes); the phase runs on across the stretches.
std::vector<int32_t> ToneSamples(const std::vector<Tone>& pTones, int32_t pBits = 16,
                                 int32_t pChannels = 2) {
    const double full = double(FullScale(pBits));
    std::vector<int32_t> s;
    int64_t n = 0;
    for (const Tone& t : pTones) {
        const double a = full * std::pow(10.0, t.AmplitudeDb / 20.0);
        const auto frames = int64_t(std::llround(t.Seconds * kRate));
        const double ramp = std::max(1.0, t.RampSeconds * kRate);
        for (int64_t k = 0; k < frames; ++k, ++n) {
            const double gain = std::min(1.0, double(k + 1) / ramp);
            const double phase = 2.0 * std::numbers::pi * t.Hz * double(n) / kRate +
                                 t.PhaseDeg * std::numbers::pi / 180.0;
            const int32_t v = int32_t(
                std::clamp(std::lround(gain * a * std::sin(phase)), -long(full), long(full)));
            for (int32_t c = 0; c < pChannels; ++c)
                s.push_back(pBits == 8 ? v + 128 : v);
        }
    }
    return s;
}

std::vector<uint8_t> Packed(const std::vector<int32_t>& pSamples, int32_t pBits) {
    std::vector<uint8_t> wav = MakeWav(kRate, pBits, 1, pSamples);
    return std::vector<uint8_t>(wav.begin() + 44,
                                wav.begin() + 44 + ptrdiff_t(pSamples.size()) * (pBits / 8));
}

// The meter's reading of interleaved samples, fed in pieces of pPiece frames.
LoudnessResult Measure(const std::vector<int32_t>& pSamples, LoudnessWanted pWanted,
                       int32_t pBits = 16, int32_t pChannels = 2, int64_t pPiece = 65536,
                       int32_t pRate = kRate) {
    const std::vector<uint8_t> bytes = Packed(pSamples, pBits);
    LoudnessMeter meter(pBits, pChannels, pRate, pWanted);
    const int64_t frameBytes = int64_t(pBits / 8) * pChannels;
    const int64_t frames = int64_t(bytes.size()) / frameBytes;
    for (int64_t k = 0; k < frames; k += pPiece)
        meter.Feed(bytes.data() + k * frameBytes, std::min(pPiece, frames - k));
    return meter.Result();
}

double IntegratedOf(const std::vector<Tone>& pTones) {
    return Measure(ToneSamples(pTones), {}).IntegratedLufs;
}

double TruePeakDbOf(const Tone& pTone) {
    LoudnessWanted wanted;
    wanted.TruePeak = true;
    return Measure(ToneSamples({pTone}), wanted).TruePeakDbtp();
}

} // namespace

TEST(LoudnessReference, SteadySinesReadTheirLevel) {
    EXPECT_NEAR(IntegratedOf({{20.0, -23.0}}), -23.0, 0.1);
    EXPECT_NEAR(IntegratedOf({{20.0, -33.0}}), -33.0, 0.1);
}

TEST(LoudnessReference, TheGatesLeaveOutTheQuietBursts) {
    // Relative gate: the -36 dB bursts lie more than 10 LU below the rest.
    EXPECT_NEAR(IntegratedOf({{10.0, -36.0}, {60.0, -23.0}, {10.0, -36.0}}), -23.0, 0.1);
    // Absolute gate: the -72 dB stretches are below -70 LUFS.
    EXPECT_NEAR(
        IntegratedOf({{10.0, -72.0}, {10.0, -36.0}, {60.0, -23.0}, {10.0, -36.0}, {10.0, -72.0}}),
        -23.0, 0.1);
    // Two levels that both pass the gates average by energy.
    EXPECT_NEAR(IntegratedOf({{20.0, -26.0}, {20.1, -20.0}, {20.0, -26.0}}), -23.0, 0.1);
}

TEST(LoudnessReference, SilenceHasNoIntegratedLoudness) {
    LoudnessWanted wanted;
    wanted.TruePeak = true;
    const LoudnessResult r = Measure(std::vector<int32_t>(2 * kRate * 3, 0), wanted);
    EXPECT_TRUE(std::isinf(r.IntegratedLufs) && r.IntegratedLufs < 0);
    EXPECT_TRUE(std::isinf(r.TruePeakDbtp()) && r.TruePeakDbtp() < 0);
}

TEST(LoudnessReference, TruePeakFindsThePeakBetweenTheSamples) {
    // Sines at fs/4, fs/6 and fs/8 whose phase keeps every sample below the peak (faded in:
    // a sine that starts with a step overshoots in any interpolator).
    for (const Tone& t :
         {Tone{5.0, -6.0, kRate / 4.0, 0.0, 0.02}, Tone{5.0, -6.0, kRate / 4.0, 45.0, 0.02},
          Tone{5.0, -6.0, kRate / 6.0, 60.0, 0.02}, Tone{5.0, -6.0, kRate / 8.0, 67.5, 0.02}}) {
        SCOPED_TRACE(testing::Message() << t.Hz << " Hz, phase " << t.PhaseDeg);
        const double db = TruePeakDbOf(t);
        EXPECT_LE(db, -6.0 + 0.2);
        EXPECT_GE(db, -6.0 - 0.4);
    }
    // Samples at full scale on a sine 3 dB higher: the true peak is above full scale.
    const double over = TruePeakDbOf({5.0, 3.0103, kRate / 4.0, 45.0, 0.02});
    EXPECT_LE(over, 3.0 + 0.2);
    EXPECT_GE(over, 3.0 - 0.4);
}

TEST(LoudnessReference, EveryWidthReadsTheSameLevel) {
    for (int32_t bits : {8, 16, 24}) {
        SCOPED_TRACE(bits);
        LoudnessWanted wanted;
        wanted.TruePeak = true;
        const LoudnessResult r = Measure(ToneSamples({{10.0, -20.0}}, bits), wanted, bits);
        EXPECT_NEAR(r.IntegratedLufs, -20.0, 0.15);
        EXPECT_NEAR(r.TruePeakDbtp(), -20.0, 0.2);
    }
}

TEST(LoudnessParallel, PerChannelTruePeakEqualsOneState) {
    // Channels with different content, so that a mix-up of channels would show.
    for (int32_t bits : {8, 16, 24}) {
        for (int32_t channels : {1, 2}) {
            SCOPED_TRACE(testing::Message() << bits << "-bit, " << channels << " ch");
            std::vector<int32_t> s =
                ToneSamples({{2.0, -12.0, 997.0}, {1.0, -3.0, 11025.0, 33.0}, {2.0, -30.0, 200.0}},
                            bits, channels);
            if (channels == 2)
                for (size_t i = 1; i < s.size(); i += 4)
                    s[i] = bits == 8 ? 128 + (s[i] - 128) / 3 : s[i] / 3;
            LoudnessWanted parallel;
            parallel.TruePeak = true;
            parallel.Range = true;
            LoudnessWanted single = parallel;
            single.ParallelTruePeak = false;
            // Odd piece sizes: the states must not depend on where the pieces end.
            const LoudnessResult a = Measure(s, parallel, bits, channels, 12345);
            const LoudnessResult b = Measure(s, single, bits, channels, 65536);
            EXPECT_EQ(a.TruePeak, b.TruePeak);
            EXPECT_EQ(a.IntegratedLufs, b.IntegratedLufs);
            EXPECT_EQ(a.RangeLu, b.RangeLu);
            EXPECT_GT(a.TruePeak, 0.5);
        }
    }
}

TEST(LoudnessParallel, PerChannelTruePeakEqualsOneStateToTheBit) {
    LoudnessWanted parallel;
    parallel.TruePeak = true;
    LoudnessWanted single = parallel;
    single.ParallelTruePeak = false;
    // Loud noise, clipped at full scale, peaks between nearly every pair of samples; the
    // oversampling differs with the rate (4 times, 2 times, none). Pieces of 7 frames are
    // shorter than the interpolator's memory.
    std::mt19937 random(11);
    const std::vector<std::pair<int32_t, int32_t>> formats = {
        {8, 44100}, {24, 44100}, {16, 44100}, {16, 88200}, {16, 96000}, {16, 192000}};
    for (auto [bits, rate] : formats) {
        const double full = double(FullScale(bits));
        for (int32_t channels : {1, 2}) {
            for (int64_t piece : {int64_t(7), int64_t(4099)}) {
                SCOPED_TRACE(testing::Message() << bits << "-bit, " << rate << " Hz, " << channels
                                                << " ch, pieces of " << piece);
                std::normal_distribution<double> noise(0.0, full * (piece == 7 ? 0.2 : 0.7));
                std::vector<int32_t> s(size_t((piece == 7 ? 2003 : 20011) * channels));
                for (size_t i = 0; i < s.size(); ++i) {
                    // The second channel quieter, so that its peak alone would not do.
                    const double v = noise(random) / (i % 2 == 1 && channels == 2 ? 3 : 1);
                    const auto k = int32_t(std::clamp(std::lround(v), -long(full), long(full)));
                    s[i] = bits == 8 ? std::clamp(k + 128, 0, 255) : k;
                }
                const LoudnessResult a = Measure(s, parallel, bits, channels, piece, rate);
                const LoudnessResult b = Measure(s, single, bits, channels, 65536, rate);
                EXPECT_EQ(a.TruePeak, b.TruePeak);
                EXPECT_EQ(a.IntegratedLufs, b.IntegratedLufs);
            }
        }
    }
    // Files shorter than one run of the interpolator, one with a lone full-scale sample.
    for (const std::vector<int32_t>& s : {std::vector<int32_t>{100, -2000, 32767, -32768, 5, 9000},
                                          std::vector<int32_t>{0, 0, 0, 32767, 0, 0}}) {
        EXPECT_EQ(Measure(s, parallel, 16, 1, 4).TruePeak, Measure(s, single, 16, 1).TruePeak);
    }
}

TEST(LoudnessReference, RangeOfAStepIsTheStep) {
    LoudnessWanted wanted;
    wanted.Range = true;
    // Two 20-second sines: the range is the step between them.
    for (const auto& [first, second] : {std::pair{-20.0, -30.0}, {-20.0, -15.0}, {-40.0, -20.0}}) {
        SCOPED_TRACE(testing::Message() << first << " then " << second);
        const LoudnessResult r = Measure(ToneSamples({{20.0, first}, {20.0, second}}), wanted);
        ASSERT_TRUE(r.HasRange);
        EXPECT_NEAR(r.RangeLu, std::fabs(second - first), 1.0);
    }
}

TEST(LoudnessGain, TargetCeilingAndClipGuard) {
    GainInputs in;
    in.Mode = NormMode::Loudness;
    in.NormLevel = -23.0f;
    in.IntegratedLufs = -30.0;
    in.TruePeak = 0.25; // -12 dBTP: +7 dB keeps it under -1
    in.Ceiling = true;
    in.Peak = 8000;
    EXPECT_NEAR(20.0 * std::log10(NormGain(in)), 7.0, 1e-4);
    EXPECT_EQ(LimitOf(in), GainLimit::None);

    in.TruePeak = 0.5; // -6 dBTP: only +5 dB fit under -1 dBTP
    EXPECT_NEAR(20.0 * std::log10(NormGain(in)), 20.0 * std::log10(2.0) - 1.0, 1e-4);
    EXPECT_EQ(LimitOf(in), GainLimit::TruePeakCeiling);
    in.Peak = 30000; // the sample peak allows only +0.77 dB: it decides
    EXPECT_EQ(LimitOf(in), GainLimit::SamplePeak);
    in.Peak = 8000;

    in.Ceiling = false; // no ceiling: the sample-peak guard still holds without Clip
    in.Peak = 16384;
    EXPECT_NEAR(NormGain(in), 32767.0 / 16384.0, 1e-5);
    EXPECT_EQ(LimitOf(in), GainLimit::SamplePeak);
    in.Clip = true;
    EXPECT_NEAR(20.0 * std::log10(NormGain(in)), 7.0, 1e-4);
    EXPECT_EQ(LimitOf(in), GainLimit::None);
    // Other modes: a level the sample peak keeps from being reached.
    GainInputs rms;
    rms.Mode = NormMode::RmsMax;
    rms.Peak = 30000;
    rms.MaxBlockRms = 10000;
    rms.NormLevel = -6.0f;
    EXPECT_EQ(LimitOf(rms), GainLimit::SamplePeak);
    rms.NormLevel = -12.0f;
    EXPECT_EQ(LimitOf(rms), GainLimit::None);

    in.IntegratedLufs = -std::numeric_limits<double>::infinity(); // nothing measured: unchanged
    EXPECT_EQ(NormGain(in), 1.0f);
}

namespace {

// A job over a stereo 16-bit file of the tones, normalising by loudness.
Job LoudnessJob(const TempDir& pDir, const std::vector<Tone>& pTones, float pTarget) {
    Job job = JobOverNewWav(pDir, kRate, 16, 2, ToneSamples(pTones));
    job.Normalize = true;
    job.Mode = NormMode::Loudness;
    job.NormLevelDb = pTarget;
    return job;
}

LoudnessResult MeasureFile(const std::string& pPath) {
    LoudnessWanted wanted;
    wanted.TruePeak = true;
    return Measure(ReadSamples(pPath, 16), wanted);
}

} // namespace

TEST(LoudnessJob, TheResultReadsTheTarget) {
    TempDir tmp;
    Job job = LoudnessJob(tmp, {{1.0, -90.0}, {12.0, -30.0}, {1.0, -90.0}}, -23.0f);
    job.Trim = true;
    job.StartThresholdDb = -60.0f;
    job.EndThresholdDb = -60.0f;
    const EditResult r = job.Run();
    ASSERT_TRUE(r.Done());
    ASSERT_TRUE(r.Loudness && r.SourceLoudness);
    EXPECT_NEAR(r.SourceLoudness->IntegratedLufs, -30.0, 0.1);
    EXPECT_NEAR(r.GainDb, 7.0, 0.1);
    EXPECT_EQ(r.Limit, GainLimit::None);
    EXPECT_NEAR(MeasureFile(job.TargetPath).IntegratedLufs, -23.0, 0.05);
    EXPECT_NEAR(r.Loudness->IntegratedLufs, -23.0, 0.05);
}

namespace {

// A job's reported loudness against its written file measured again (pOut).
void ExpectWrittenLoudness(const EditResult& pR, const LoudnessResult& pOut) {
    ASSERT_TRUE(pR.Loudness && pR.SourceLoudness);
    EXPECT_NEAR(pR.Loudness->IntegratedLufs, pOut.IntegratedLufs, 0.01);
    if (pR.Loudness->HasTruePeak) {
        EXPECT_NEAR(pR.Loudness->TruePeakDbtp(), pOut.TruePeakDbtp(), 0.01);
    }
    EXPECT_NEAR(pR.SourceLoudness->IntegratedLufs + pR.GainDb, pOut.IntegratedLufs, 0.01);
    EXPECT_NEAR(pR.ReachedLevel, pOut.IntegratedLufs, 0.01);
}

} // namespace

TEST(LoudnessJob, TheCeilingLowersTheGainAndHolds) {
    TempDir tmp;
    // A quiet tone with loud short bursts: -14 LUFS would drive its true peak past -1 dBTP.
    std::vector<Tone> tones;
    for (int i = 0; i < 10; ++i) {
        tones.push_back({0.99, -30.0});
        tones.push_back({0.01, -8.0, kRate / 4.0, 45.0});
    }
    Job job = LoudnessJob(tmp, tones, -14.0f);
    EditResult r;
    r = job.Run();
    ASSERT_TRUE(r.Done());
    EXPECT_EQ(r.Limit, GainLimit::TruePeakCeiling);
    const LoudnessResult out = MeasureFile(job.TargetPath);
    EXPECT_NEAR(out.TruePeakDbtp(), -1.0, 0.1);
    EXPECT_LT(out.IntegratedLufs, -14.5);
    // What is reported is what was written: the level reached, the file's loudness and true
    // peak; the source's loudness is kept beside them.
    ExpectWrittenLoudness(r, out);

    // Without the ceiling the sample peak alone limits the gain, and says so.
    Job free = job;
    free.TargetPath = tmp.Path("free.wav");
    free.TruePeakCeiling = false;
    r = free.Run();
    ASSERT_TRUE(r.Done());
    EXPECT_EQ(r.Limit, GainLimit::None);
    EXPECT_GT(MeasureFile(free.TargetPath).TruePeakDbtp(), -0.5);
    free.TargetPath = tmp.Path("loud.wav");
    free.NormLevelDb = -5.0f; // beyond what the sample peak allows
    r = free.Run();
    ASSERT_TRUE(r.Done());
    EXPECT_EQ(r.Limit, GainLimit::SamplePeak);
    const LoudnessResult loudOut = MeasureFile(free.TargetPath);
    EXPECT_LT(loudOut.IntegratedLufs, -6.0);
    ExpectWrittenLoudness(r, loudOut);

    // A fade makes the result more than one gain: it is measured as written.
    Job faded = free;
    faded.TargetPath = tmp.Path("faded.wav");
    faded.FadeInFrames = 4 * kRate;
    r = faded.Run();
    ASSERT_TRUE(r.Done());
    const LoudnessResult fadedOut = MeasureFile(faded.TargetPath);
    EXPECT_NEAR(r.Loudness->IntegratedLufs, fadedOut.IntegratedLufs, 0.01);
}

TEST(LoudnessJob, ACheckReportsTheWholeRangeAndOtherModesOnlyWhenAsked) {
    TempDir tmp;
    Job job = LoudnessJob(tmp, {{8.0, -20.0}}, -23.0f);
    job.Mode = NormMode::Peak;
    EditResult r;
    r = job.Run();
    ASSERT_TRUE(r.Done());
    EXPECT_FALSE(r.Loudness); // not asked for

    job.TargetPath = tmp.Path("measured.wav");
    job.MeasureLoudness = true;
    r = job.Run();
    ASSERT_TRUE(r.Done());
    ASSERT_TRUE(r.Loudness && r.SourceLoudness);
    EXPECT_TRUE(r.Loudness->HasRange && r.Loudness->HasTruePeak);
    // The peak normalisation to -23 dB took 3 dB off: the written file reads 3 LU lower.
    EXPECT_NEAR(r.SourceLoudness->IntegratedLufs, -20.0, 0.1);
    EXPECT_NEAR(r.Loudness->IntegratedLufs, -23.0, 0.1);

    Job check = job;
    check.TargetPath.clear();
    check.Check = LevelCheck::MeasureOnly;
    r = check.Run();
    ASSERT_TRUE(r.Done());
    ASSERT_TRUE(r.Loudness);
    EXPECT_NEAR(r.Loudness->IntegratedLufs, -20.0, 0.1);
    EXPECT_EQ(r.GainDb, 0.0);
}

TEST(LoudnessJob, SilenceIsWrittenUnscaled) {
    TempDir tmp;
    Job job = LoudnessJob(tmp, {{2.0, -80.0}}, -23.0f);
    const EditResult r = job.Run();
    ASSERT_TRUE(r.Done());
    EXPECT_EQ(r.GainDb, 0.0);
    EXPECT_EQ(ReadBytes(job.SourcePath), ReadBytes(job.TargetPath));
}

namespace {

// A plain 16-bit WAV rewritten with an extensible header carrying pMask.
std::vector<uint8_t> WithMask(const std::vector<uint8_t>& pPlain, uint32_t pMask) {
    std::vector<uint8_t> b(pPlain.begin(), pPlain.begin() + 36);
    b[16] = 40;
    b[20] = 0xFE;
    b[21] = 0xFF;
    const uint8_t extension[24] = {22,
                                   0,
                                   16,
                                   0,
                                   uint8_t(pMask),
                                   uint8_t(pMask >> 8),
                                   0,
                                   0,
                                   1,
                                   0,
                                   0,
                                   0,
                                   0,
                                   0,
                                   0x10,
                                   0,
                                   0x80,
                                   0,
                                   0,
                                   0xAA,
                                   0,
                                   0x38,
                                   0x9B,
                                   0x71};
    b.insert(b.end(), extension, extension + 24);
    b.insert(b.end(), pPlain.begin() + 36, pPlain.end());
    uint32_t riff = 0;
    std::memcpy(&riff, &b[4], 4);
    riff += 24;
    std::memcpy(&b[4], &riff, 4);
    return b;
}

// The integrated loudness of a file as a check reads it.
double FileLufs(const std::string& pPath) {
    Job check = Job::Between(pPath, "");
    check.Check = LevelCheck::MeasureOnly;
    check.MeasureLoudness = true;
    const EditResult r = check.Run();
    EXPECT_TRUE(r.Done());
    return r.Loudness ? r.Loudness->IntegratedLufs : std::nan("");
}

} // namespace

TEST(LoudnessJob, SurroundFilesReadTheirGainWithOrWithoutAMask) {
    TempDir tmp;
    std::mt19937 rng(27);
    for (int32_t channels = 3; channels <= 8; ++channels) {
        // Noise at a level of its own in every channel, so that every channel's weight counts.
        std::uniform_int_distribution<int32_t> noise(-1000, 1000);
        std::vector<int32_t> samples;
        for (int64_t k = 0; k < 2 * kRate; ++k)
            for (int32_t c = 0; c < channels; ++c)
                samples.push_back(noise(rng) * (c + 1));
        const std::vector<uint8_t> plain = MakeWav(kRate, 16, channels, samples);
        // No mask (the usual positions of the count), and the first channels' positions.
        for (uint32_t mask : {0u, (1u << channels) - 1}) {
            SCOPED_TRACE(std::to_string(channels) + " channels, mask " + std::to_string(mask));
            const std::string name = std::to_string(channels) + "_" + std::to_string(mask);
            const std::string src = tmp.Path(name + ".wav");
            WriteBytes(src, mask != 0 ? WithMask(plain, mask) : plain);
            const double source = FileLufs(src);
            Job adjust = Job::Between(src, tmp.Path(name + "_adjust.wav"));
            adjust.AdjustLeftDb = adjust.AdjustRightDb = -6.0f;
            ASSERT_TRUE(adjust.Run().Done());
            EXPECT_NEAR(FileLufs(adjust.TargetPath) - source, -6.0, 0.01);
            Job norm = Job::Between(src, tmp.Path(name + "_norm.wav"));
            norm.Normalize = true;
            norm.Mode = NormMode::Loudness;
            norm.NormLevelDb = -23.0f;
            norm.TruePeakCeiling = false;
            ASSERT_TRUE(norm.Run().Done());
            EXPECT_NEAR(FileLufs(norm.TargetPath), -23.0, 0.01);
        }
    }
}

TEST(LoudnessJob, TheCeilingHoldsOnTheContinuousPeak) {
    // Sines whose 4x points miss their peak (near a quarter of the rate, at any phase, up to
    // 0.17 dB) and high ones the 4x filter reads low. A sine's peak is its amplitude whatever a
    // meter reads, so the result's is the amplitude plus the gain: at most 0.02 dB above the
    // ceiling, and not far below it.
    TempDir tmp;
    const double amplitude = 0.5 * 32767.0; // -6 dB; the meter's full scale is 32768
    const int64_t frames = 3 * kRate, ramp = kRate / 10;
    for (double hz : {12000.0, 11990.0, 1000.0, 19000.0}) {
        for (double phaseDeg : {0.0, 11.25, 22.5, 33.75}) {
            SCOPED_TRACE(testing::Message() << hz << " Hz, " << phaseDeg << " deg");
            std::vector<int32_t> s;
            for (int64_t k = 0; k < frames; ++k) {
                const double envelope = std::min(
                    {1.0, double(k) / double(ramp), double(frames - 1 - k) / double(ramp)});
                const double v = envelope * amplitude *
                                 std::sin(2.0 * std::numbers::pi * hz * double(k) / kRate +
                                          phaseDeg * std::numbers::pi / 180.0);
                s.push_back(int32_t(std::lround(v)));
                s.push_back(int32_t(std::lround(v)));
            }
            Job job = JobOverNewWav(tmp, kRate, 16, 2, s);
            job.TargetPath = tmp.Path("ceiling" + std::to_string(int(hz)) + "_" +
                                      std::to_string(int(phaseDeg * 100)) + ".wav");
            job.Normalize = true;
            job.Mode = NormMode::Loudness;
            job.NormLevelDb = 10.0f; // far above what the ceiling allows
            const EditResult r = job.Run();
            ASSERT_TRUE(r.Done());
            ASSERT_EQ(r.Limit, GainLimit::TruePeakCeiling);
            const double peakDb = 20.0 * std::log10(amplitude / 32768.0) + r.GainDb;
            EXPECT_LE(peakDb, -1.0 + 0.02);
            EXPECT_GE(peakDb, -1.0 - 0.1);
        }
    }
}
