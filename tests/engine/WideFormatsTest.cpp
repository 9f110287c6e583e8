// 32-bit integer, 32-bit float and 4-, 6- and 8-channel files made by sox, edited in every
// normalisation mode; the results decoded by sox equal the samples the plain formulas give,
// computed here from the source's samples. Float peaks above full scale, with and without Clip,
// refused NaN samples and refused left/right adjustments of more than two channels.

#include "EngineTestSupport.h"
#include "engine/EditPass.h"
#include "engine/FailureReason.h"
#include "engine/LevelAnalysis.h"
#include "engine/Loudness.h"
#include "engine/WaveMMIO.h"
#include "engine/WideKernels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>

using namespace enginetest;

namespace {

struct Format {
    int32_t Bits = 16;
    int32_t Channels = 2;
    bool Float = false;
    std::string Name() const {
        return std::to_string(Bits) + (Float ? "f_" : "i_") + std::to_string(Channels) + "ch";
    }
};

// The samples of a file as sox decodes them, in the file's own encoding, as doubles.
std::vector<double> DecodeWithSox(const std::string& pPath, const Format& pF) {
    const std::string raw = pPath + ".raw";
    EXPECT_EQ(RunCommand("sox '" + pPath + "' -t raw '" + raw + "'"), 0);
    const std::vector<uint8_t> b = ReadBytes(raw);
    std::filesystem::remove(raw);
    const size_t width = size_t(pF.Bits / 8);
    std::vector<double> v(b.size() / width);
    for (size_t i = 0; i < v.size(); ++i) {
        const uint8_t* p = b.data() + i * width;
        if (pF.Bits == 32)
            v[i] = WideValue(pF.Float, p, 0);
        else
            v[i] = SampleValue(pF.Bits, p, 0);
    }
    return v;
}

// The audio bytes of a file, as doubles (floats above full scale included).
std::vector<double> DataSamples(const std::string& pPath, const Format& pF) {
    const WaveInfo info = ReadWaveInfo(pPath);
    const std::vector<uint8_t> b = ReadBytes(pPath);
    std::vector<double> v(size_t(info.SampleFrames) * size_t(pF.Channels));
    for (size_t i = 0; i < v.size(); ++i) {
        const uint8_t* p = b.data() + info.DataOffset + i * size_t(pF.Bits / 8);
        v[i] = pF.Bits == 32 ? WideValue(pF.Float, p, 0) : SampleValue(pF.Bits, p, 0);
    }
    return v;
}

// A sox-made file: a tone per channel between silences, so that trimming has work to do.
std::string MakeSource(const TempDir& pDir, const Format& pF, int32_t pRate) {
    const std::string path = pDir.Path("src_" + pF.Name() + ".wav");
    std::string tones;
    for (int32_t c = 0; c < pF.Channels; ++c)
        tones += " sine " + std::to_string(220 + 110 * c);
    const std::string encoding = pF.Float ? "floating-point" : "signed-integer";
    EXPECT_EQ(RunCommand("sox -n -r " + std::to_string(pRate) + " -b " + std::to_string(pF.Bits) +
                         " -e " + encoding + " -c " + std::to_string(pF.Channels) + " '" + path +
                         "' synth 0.8" + tones + " tremolo 3 60 pad 0.15 0.2 vol 0.4 2>/dev/null"),
              0);
    return path;
}

double FullScaleOf(const Format& pF) {
    if (pF.Float) return 1.0;
    return pF.Bits == 32 ? 2147483647.0 : double(FullScale(pF.Bits));
}

// A level in dB as the engine compares it: whole sample units, or a fraction for floats.
double LevelOf(const Format& pF, float pDb) {
    const double linear = double(DbToLinear(pDb));
    return pF.Float ? linear : std::nearbyint(linear * FullScaleOf(pF));
}

// The plain formulas: first pass, trim, second pass, gain and per-sample conversion.
std::vector<double> Expected(const std::vector<double>& pIn, const Format& pF, int32_t pRate,
                             const EditJob& pJob, uint32_t pMask) {
    const size_t ch = size_t(pF.Channels);
    const int64_t frames = int64_t(pIn.size() / ch);
    const double full = FullScaleOf(pF);
    const double thIn = LevelOf(pF, pJob.StartThresholdDb);
    const double thOut = LevelOf(pF, pJob.EndThresholdDb);
    const int64_t blockFrames = AnalysisBlockFrames(pRate);
    double peak = 0.0, maxBlockRms = 0.0;
    int64_t firstSound = -1, lastSound = 0;
    auto round = [&](double pRms) { return pF.Float ? pRms : std::nearbyint(pRms); };
    for (int64_t b = 0; b < frames; b += blockFrames) {
        const int64_t n = std::min(blockFrames, frames - b);
        double sum = 0.0;
        for (int64_t k = b; k < b + n; ++k) {
            for (size_t c = 0; c < ch; ++c) {
                const double v = pIn[size_t(k) * ch + c];
                if (std::fabs(v) > thIn && firstSound < 0) firstSound = k;
                if (std::fabs(v) > thOut) lastSound = k;
                peak = std::max(peak, std::fabs(v));
                sum += v * v;
            }
        }
        const double rms = std::sqrt(sum / double(int64_t(ch) * n));
        if (rms > maxBlockRms) maxBlockRms = round(rms);
    }
    int64_t start = firstSound, end = lastSound;
    if ((end - start) % 2 != 0) --end;

    GainInputs in;
    in.FullScale = full;
    in.Mode = pJob.Mode;
    in.NormLevel = pJob.NormLevelDb;
    in.Peak = peak;
    in.MaxBlockRms = maxBlockRms;
    in.Clip = pJob.Clip;
    in.Ceiling = false;
    const bool gated = pJob.Mode == NormMode::RmsCalc;
    const float scale = gated && peak > 0 ? float(full / peak) : 1.0f;
    in.Scale = scale;
    if (pJob.Mode == NormMode::RmsAverage || gated) {
        const int64_t gate = gated ? int64_t(std::nearbyint(pJob.GateMs / 1000.0 * pRate)) : 0;
        const double level = LevelOf(pF, pJob.GateDb);
        double sum = 0.0;
        int64_t run = 0, counted = 0;
        for (int64_t k = start; k < end; ++k) {
            bool quiet = true;
            std::vector<double> sq;
            for (size_t c = 0; c < ch; ++c) {
                const double v = std::fabs(pIn[size_t(k) * ch + c]) * double(scale);
                quiet = quiet && v <= level;
                sq.push_back(v * v);
            }
            if (gate != 0) {
                run = quiet ? run + 1 : 0;
                if (run > gate) continue;
            }
            for (double s : sq)
                sum += s;
            ++counted;
        }
        in.RangeRms = std::sqrt(sum / (double(ch) * double(counted)));
    }
    if (pJob.Mode == NormMode::Loudness) {
        // The loudness library's reading of the trimmed range.
        LoudnessWanted wanted;
        LoudnessMeter meter(pF.Bits, pF.Channels, pRate, wanted, pF.Float);
        if (pMask != 0) meter.SetChannelMask(pMask);
        std::vector<uint8_t> bytes(size_t(end - start) * ch * size_t(pF.Bits / 8));
        for (size_t i = 0; i < bytes.size() / size_t(pF.Bits / 8); ++i) {
            const double v = pIn[size_t(start) * ch + i];
            uint8_t* p = bytes.data() + i * size_t(pF.Bits / 8);
            if (pF.Float) {
                const float f = float(v);
                std::memcpy(p, &f, 4);
            } else if (pF.Bits == 32) {
                const int32_t n = int32_t(v);
                std::memcpy(p, &n, 4);
            } else if (pF.Bits == 24) {
                Pack24(int32_t(v), p);
            } else {
                const int16_t n = int16_t(v);
                std::memcpy(p, &n, 2);
            }
        }
        meter.Feed(bytes.data(), end - start);
        in.IntegratedLufs = meter.Result().IntegratedLufs;
    }
    // 32-bit data: gain, level and factor in double; narrower data in single.
    const bool wide = pF.Bits == 32;
    in.Wide = wide;
    const double db = ChannelDb(pJob.AdjustLeftDb, NormGain(in), wide);
    const double a = wide ? std::pow(10.0, db / 20.0) : double(DbToLinear(float(db)));

    std::vector<double> out;
    for (size_t i = size_t(start) * ch; i < size_t(end) * ch; ++i) {
        const double v = pIn[i];
        if (pF.Float) {
            const double top = pJob.Clip ? 1.0 : double(std::numeric_limits<float>::max());
            out.push_back(float(std::clamp(double(float(v)) * a, -top, top)));
        } else if (pF.Bits == 32) {
            const double y = v * a;
            out.push_back(std::fabs(y) >= 2147483647.0 ? std::copysign(2147483647.0, y)
                                                       : std::nearbyint(y));
        } else if (pF.Bits == 24) {
            out.push_back(Convert24(int32_t(v), float(a)));
        } else {
            out.push_back(Convert16(int16_t(v), float(a)));
        }
    }
    return out;
}

EditJob ModeJob(NormMode pMode) {
    EditJob job;
    job.Trim = true;
    job.StartThresholdDb = -30.0f;
    job.EndThresholdDb = -35.0f;
    job.Normalize = true;
    job.Mode = pMode;
    job.NormLevelDb = pMode == NormMode::Loudness ? -20.0f : -3.0f;
    job.TruePeakCeiling = false;
    job.GateMs = 50;
    job.GateDb = -40.0f;
    return job;
}

TEST(WideFormats, EveryModeGivesThePlainFormulasSamples) {
    if (!HaveSox()) GTEST_SKIP() << "sox not installed";
    TempDir tmp;
    const int32_t rate = 8000;
    const Format formats[] = {{32, 2, false}, {32, 2, true},  {32, 1, true},  {16, 4, false},
                              {16, 6, false}, {16, 8, false}, {24, 4, false}, {24, 6, false},
                              {24, 8, false}, {32, 6, true}};
    for (const Format& f : formats) {
        SCOPED_TRACE(f.Name());
        const std::string src = MakeSource(tmp, f, rate);
        const WaveInfo info = ReadWaveInfo(src);
        ASSERT_EQ(info.Valid, 1);
        const std::vector<double> in = DecodeWithSox(src, f);
        for (NormMode mode : {NormMode::Peak, NormMode::RmsMax, NormMode::RmsAverage,
                              NormMode::RmsCalc, NormMode::Loudness}) {
            SCOPED_TRACE(int(mode));
            EditJob job = ModeJob(mode);
            job.SourcePath = src;
            job.TargetPath = tmp.Path("out_" + f.Name() + std::to_string(int(mode)) + ".wav");
            const EditResult r = C_EditWave().Edit(job);
            ASSERT_TRUE(r.Done()) << r.Detail;
            const uint32_t mask = f.Channels > 2 ? ResultChannelMask(info) : 0;
            const std::vector<double> want = Expected(in, f, rate, job, mask);
            ASSERT_GT(want.size(), size_t(rate / 2) * size_t(f.Channels));
            // Every sample as sox reads it (floats to within its resolution of 2^-24) and, to
            // the bit, as stored.
            const std::vector<double> decoded = DecodeWithSox(job.TargetPath, f);
            ASSERT_EQ(decoded.size(), want.size());
            const double step = f.Float ? std::ldexp(1.0, -24) : 0.0;
            size_t off = 0;
            double worst = 0.0;
            for (size_t i = 0; i < want.size(); ++i) {
                off += std::fabs(decoded[i] - want[i]) > step;
                worst = std::max(worst, std::fabs(decoded[i] - want[i]));
            }
            EXPECT_EQ(off, 0u) << worst;
            EXPECT_TRUE(DataSamples(job.TargetPath, f) == want);

            // The header keeps the source's encoding and channel mask; a plain header of more
            // than two channels becomes extensible, with the usual positions of its count.
            const WaveInfo out = ReadWaveInfo(job.TargetPath);
            EXPECT_EQ(out.SubFormatTag, info.SubFormatTag);
            const bool extensible = info.FormatTag == kTagExtensible || f.Channels > 2;
            EXPECT_EQ(out.FormatTag, extensible ? kTagExtensible : info.FormatTag);
            EXPECT_EQ(out.ChannelMask, extensible ? ResultChannelMask(info) : 0u);
        }
    }
}

// A float file whose samples pass 1.0: its sox-made tone doubled.
std::string LoudFloatSource(const TempDir& pDir, std::vector<double>& pSamples) {
    const Format f{32, 2, true};
    const std::string src = MakeSource(pDir, f, 16000);
    std::vector<uint8_t> b = ReadBytes(src);
    const WaveInfo info = ReadWaveInfo(src);
    pSamples.clear();
    for (size_t i = 0; i < size_t(info.SampleFrames) * 2; ++i) {
        uint8_t* p = b.data() + info.DataOffset + 4 * i;
        float v;
        std::memcpy(&v, p, 4);
        v *= 3.0f; // peaks at 1.2
        std::memcpy(p, &v, 4);
        pSamples.push_back(v);
    }
    WriteBytes(src, b);
    return src;
}

TEST(WideFormats, FloatPeaksAboveFullScaleAreKeptUnlessClipped) {
    if (!HaveSox()) GTEST_SKIP() << "sox not installed";
    TempDir tmp;
    std::vector<double> in;
    const std::string src = LoudFloatSource(tmp, in);
    const Format f{32, 2, true};
    double peak = 0.0;
    for (double v : in)
        peak = std::max(peak, std::fabs(v));
    ASSERT_GT(peak, 1.1);

    // Level adjustments alone: no measuring. +800 dB drives the samples past the float range:
    // they stop at the largest finite float, and the result is a file a check still takes.
    const double top = std::numeric_limits<float>::max();
    struct Case {
        float Db;
        bool Clip;
        double Peak; // of the result; 0: above the source's
    };
    for (const Case c : {Case{1.0f, false, 0.0}, Case{1.0f, true, 1.0}, Case{800.0f, false, top}}) {
        SCOPED_TRACE(testing::Message() << c.Db << " dB, clip " << c.Clip);
        EditJob job;
        job.SourcePath = src;
        job.TargetPath = tmp.Path("adj" + std::to_string(int(c.Db)) + (c.Clip ? "c.wav" : ".wav"));
        job.AdjustLeftDb = job.AdjustRightDb = c.Db;
        job.Clip = c.Clip;
        ASSERT_TRUE(C_EditWave().Edit(job).Done());
        const double a = std::pow(10.0, ChannelDb(c.Db, 1.0, true) / 20.0);
        std::vector<double> want;
        for (double v : in)
            want.push_back(ConvertFloat(float(v), a, c.Clip));
        const std::vector<double> got = DataSamples(job.TargetPath, f);
        EXPECT_TRUE(got == want);
        double outPeak = 0.0;
        for (double v : got)
            outPeak = std::max(outPeak, std::fabs(v));
        if (c.Peak > 0.0)
            EXPECT_EQ(outPeak, c.Peak);
        else
            EXPECT_GT(outPeak, peak);
        EditJob recheck;
        recheck.SourcePath = job.TargetPath;
        recheck.Check = LevelCheck::MeasureOnly;
        const EditResult checked = C_EditWave().Edit(recheck);
        EXPECT_TRUE(checked.Done()) << checked.Detail;
    }

    // Measured: levels relative to 1.0; a peak normalisation to 0 dB brings the peak to 1.0.
    EditJob check;
    check.SourcePath = src;
    check.Check = LevelCheck::MeasureOnly;
    EditResult r;
    r = C_EditWave().Edit(check);
    ASSERT_TRUE(r.Done());
    EXPECT_EQ(r.Levels->MaxPeakDb, LinearToDb(float(peak)));
    EXPECT_GT(r.Levels->MaxPeakDb, 0.8f);
    // The level in units says the same: above 2147483647, not capped there.
    EXPECT_EQ(r.Levels->MaxPeak, std::nearbyint(peak * 2147483647.0));

    EditJob norm;
    norm.SourcePath = src;
    norm.TargetPath = tmp.Path("norm.wav");
    norm.Normalize = true;
    r = C_EditWave().Edit(norm);
    ASSERT_TRUE(r.Done());
    double outPeak = 0.0;
    for (double v : DataSamples(norm.TargetPath, f))
        outPeak = std::max(outPeak, std::fabs(v));
    EXPECT_EQ(outPeak, 1.0); // the gain in double precision lands on full scale
}

TEST(WideFormats, NonFiniteFloatSamplesAreRefused) {
    if (!HaveSox()) GTEST_SKIP() << "sox not installed";
    TempDir tmp;
    const std::string src = MakeSource(tmp, {32, 2, true}, 16000);
    const WaveInfo info = ReadWaveInfo(src);
    for (float bad :
         {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        std::vector<uint8_t> b = ReadBytes(src);
        std::memcpy(b.data() + info.DataOffset + 4 * (2 * 5000 + 1), &bad, 4);
        const std::string path = tmp.Path("bad.wav");
        WriteBytes(path, b);
        // Measured first, and copied through without measuring: refused either way.
        for (bool measure : {true, false}) {
            EditJob job;
            job.SourcePath = path;
            job.TargetPath = tmp.Path("bad_out.wav");
            job.Normalize = measure;
            const EditResult r = C_EditWave().Edit(job);
            EXPECT_FALSE(r.Done());
            EXPECT_EQ(r.Status, EditStatus::NonFiniteSample);
            const std::string reason = FailureReason(path, tmp.Path(""), r.Status, r.Detail);
            EXPECT_EQ(reason, std::string("a float sample that is not a finite number: ") +
                                  (std::isnan(bad) ? "NaN" : "infinity") +
                                  " at frame 5000, channel 2");
            EXPECT_FALSE(std::filesystem::exists(job.TargetPath));
        }
    }
}

TEST(WideFormats, SeparateLeftAndRightLevelsAreRefusedBeyondTwoChannels) {
    if (!HaveSox()) GTEST_SKIP() << "sox not installed";
    TempDir tmp;
    const Format f{16, 6, false};
    const std::string src = MakeSource(tmp, f, 16000);
    EditJob job;
    job.SourcePath = src;
    job.TargetPath = tmp.Path("lr.wav");
    job.AdjustLeftDb = -2.0f;
    EditResult r;
    r = C_EditWave().Edit(job);
    EXPECT_FALSE(r.Done());
    EXPECT_EQ(FailureReason(src, tmp.Path(""), r.Status, r.Detail),
              "invalid argument: separate left and right level adjustments do not apply to 6 "
              "channels (one level adjusts them all)");
    EXPECT_FALSE(std::filesystem::exists(job.TargetPath));

    // One level for all: every channel scaled alike, fades included.
    job.AdjustRightDb = -2.0f;
    job.FadeInFrames = 300;
    r = C_EditWave().Edit(job);
    ASSERT_TRUE(r.Done());
    const std::vector<double> in = DecodeWithSox(src, f);
    const std::vector<double> got = DecodeWithSox(job.TargetPath, f);
    ASSERT_EQ(got.size(), in.size());
    const float db = ChannelDb(-2.0f, 1.0f);
    for (size_t i = 0; i < in.size(); ++i) {
        const int64_t frame = int64_t(i / 6);
        const float fade = FadeDb(frame, 0, int64_t(in.size() / 6), 300, 0);
        const float a = DbToLinear(float(double(fade) + double(db)));
        ASSERT_EQ(got[i], Convert16(int16_t(in[i]), a)) << i;
    }
}

} // namespace

namespace {

// Integrated loudness of a 1 kHz tone in one channel of four, under a channel mask (0: none).
double ToneInChannelLufs(int32_t pChannel, uint32_t pMask) {
    const int32_t rate = 8000;
    LoudnessMeter meter(16, 4, rate, LoudnessWanted{});
    if (pMask != 0) meter.SetChannelMask(pMask);
    std::vector<uint8_t> bytes(size_t(rate) * 2 * 4 * 2);
    for (size_t k = 0; k < bytes.size() / 8; ++k) {
        const int16_t v = int16_t(std::lround(10000.0 * std::sin(k * 2.0 * M_PI * 1000.0 / rate)));
        std::memcpy(&bytes[k * 8 + size_t(pChannel) * 2], &v, 2);
    }
    meter.Feed(bytes.data(), int64_t(bytes.size() / 8));
    return meter.Result().IntegratedLufs;
}

TEST(WideFormats, SurroundChannelsAreWeightedByTheirMaskPositions) {
    // Four channels without a mask are L, R, Ls, Rs: a surround channel counts 1.5 dB more.
    // Front left, right, centre and back centre (0x107): the fourth is straight behind and
    // counts as a front one; the mask's low-frequency bit leaves its channel out.
    const double front = ToneInChannelLufs(0, 0);
    EXPECT_NEAR(ToneInChannelLufs(3, 0) - front, 10.0 * std::log10(1.41), 0.01);
    EXPECT_NEAR(ToneInChannelLufs(3, 0x107) - front, 0.0, 0.01);
    EXPECT_EQ(ToneInChannelLufs(0, 0x107), front);
    EXPECT_TRUE(std::isinf(ToneInChannelLufs(3, 0x0F)));
    // Back left and right (bits 4 and 5, the quad default 0x33) count as surround channels.
    EXPECT_NEAR(ToneInChannelLufs(2, 0x33) - front, 10.0 * std::log10(1.41), 0.01);
    EXPECT_NEAR(ToneInChannelLufs(3, 0x33) - front, 10.0 * std::log10(1.41), 0.01);
}

} // namespace
