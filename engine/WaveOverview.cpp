#include "engine/WaveOverview.h"

#include "engine/EditPass.h"
#include "engine/FileIO.h"
#include "engine/FirstPassFeed.h"
#include "engine/LevelAnalysis.h"
#include "engine/SourceReader.h"
#include "engine/WaveMMIO.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

namespace {

// The edit job's read pieces and range-pass blocks, so that every sum runs as the job's does.
constexpr int64_t kPieceBytes = 1048576;
constexpr int64_t kBlockBytes = 2097152;

// The source, opened and checked as the edit job opens it.
class OpenSource {
  public:
    explicit OpenSource(const std::string& pPath) {
        errno = 0;
        m_Handle = OpenForRead(pPath);
        if (m_Handle == 0) {
            const int err = errno;
            m_Failure = Refusal{EditStatus::SourceUnreadable, err ? std::strerror(err) : ""};
            return;
        }
        m_Info = ReadWaveInfoFrom(m_Handle);
        m_Failure = RefusalOf(m_Info);
    }
    ~OpenSource() { CloseFile(m_Handle); }
    OpenSource(const OpenSource&) = delete;
    OpenSource& operator=(const OpenSource&) = delete;

    const std::optional<Refusal>& Failure() const { return m_Failure; }
    FileHandle Handle() const { return m_Handle; }
    const WaveInfo& Info() const { return m_Info; }
    bool Float() const { return IsFloat32Encoding(m_Info) == 1; }

  private:
    FileHandle m_Handle = 0;
    WaveInfo m_Info;
    std::optional<Refusal> m_Failure;
};

// The most channels the job edits.
constexpr int kMaxChannels = 8;

// The samples of one encoding: a value each, compared and negated in a type that holds every
// magnitude (2^31 of the most negative 32-bit sample too).
template <int kBits> struct IntSamples {
    using Value = std::conditional_t<kBits == 32, int64_t, int32_t>;
    static Value At(const uint8_t* pData, size_t pI) {
        if constexpr (kBits == 8) {
            return int32_t(pData[pI]) - 128;
        } else if constexpr (kBits == 16) {
            int16_t v;
            std::memcpy(&v, pData + 2 * pI, 2);
            return v;
        } else if constexpr (kBits == 24) {
            return Unpack24(pData + 3 * pI);
        } else {
            int32_t v;
            std::memcpy(&v, pData + 4 * pI, 4);
            return v;
        }
    }
};
struct FloatSamples {
    using Value = float;
    static Value At(const uint8_t* pData, size_t pI) {
        float v;
        std::memcpy(&v, pData + 4 * pI, 4);
        return v;
    }
};

template <typename Value> Value Magnitude(Value pV) {
    return pV < 0 ? -pV : pV;
}

// The envelope and the level steps, piece by piece. Frames go in runs of up to kRunFrames
// inside one bucket: a run's smallest and largest values feed the envelope and give its
// loudest level, and only the runs that may hold a step are looked at frame by frame.
// Float data is checked to be finite before it comes here.
class OverviewScan {
  public:
    explicit OverviewScan(WaveOverview& pO) : m_O(pO) {}

    void Piece(const uint8_t* pData, int64_t pPos, int64_t pFrames) {
        if (m_O.Float)
            ScanAs<FloatSamples>(pData, pPos, pFrames);
        else if (m_O.BitsPerSample == 8)
            ScanAs<IntSamples<8>>(pData, pPos, pFrames);
        else if (m_O.BitsPerSample == 16)
            ScanAs<IntSamples<16>>(pData, pPos, pFrames);
        else if (m_O.BitsPerSample == 24)
            ScanAs<IntSamples<24>>(pData, pPos, pFrames);
        else
            ScanAs<IntSamples<32>>(pData, pPos, pFrames);
        m_O.BucketsDone = std::min(m_O.Buckets, (pPos + pFrames) / m_O.BucketFrames);
    }

  private:
    static constexpr int64_t kRunFrames = 64;

    struct Run {
        int64_t First = 0; // frame in the piece
        int64_t Frames = 0;
        double Level = 0; // the largest magnitude in it
    };

    // Mono and stereo with the channel count known to the compiler, more channels counted at
    // run time (kChannels 0).
    template <typename Format> void ScanAs(const uint8_t* pData, int64_t pPos, int64_t pFrames) {
        if (m_O.Channels == 1)
            Scan<Format, 1>(pData, pPos, pFrames);
        else if (m_O.Channels == 2)
            Scan<Format, 2>(pData, pPos, pFrames);
        else
            Scan<Format, 0>(pData, pPos, pFrames);
    }

    template <int kChannels> int Channels() const {
        return kChannels > 0 ? kChannels : m_O.Channels;
    }

    template <typename Format, int kChannels>
    void Scan(const uint8_t* pData, int64_t pPos, int64_t pFrames) {
        using Value = typename Format::Value;
        const int channels = Channels<kChannels>();
        m_Runs.clear();
        for (int64_t k = 0; k < pFrames;) {
            const int64_t bucket = (pPos + k) / m_O.BucketFrames;
            const int64_t bucketEnd = std::min(pFrames, (bucket + 1) * m_O.BucketFrames - pPos);
            float* low = &m_O.Low[size_t(bucket * channels)];
            float* high = &m_O.High[size_t(bucket * channels)];
            while (k < bucketEnd) {
                const int64_t end = std::min(bucketEnd, k + kRunFrames);
                Value lo[kMaxChannels], hi[kMaxChannels];
                for (int c = 0; c < channels; ++c)
                    lo[c] = hi[c] = Format::At(pData, size_t(k * channels + c));
                for (int64_t f = k; f < end; ++f)
                    for (int c = 0; c < channels; ++c) {
                        const Value v = Format::At(pData, size_t(f * channels + c));
                        lo[c] = std::min(lo[c], v);
                        hi[c] = std::max(hi[c], v);
                    }
                Value level = 0;
                for (int c = 0; c < channels; ++c) {
                    low[c] = std::min(low[c], Fraction(lo[c]));
                    high[c] = std::max(high[c], Fraction(hi[c]));
                    level = std::max({level, Magnitude(lo[c]), hi[c]});
                }
                m_Runs.push_back({k, end - k, double(level)});
                k = end;
            }
        }
        AddRisingSteps<Format, kChannels>(pData, pPos);
        AddFallingSteps<Format, kChannels>(pData, pPos);
    }

    template <typename Value> float Fraction(Value pV) const {
        return float(double(pV) / m_O.FullScale);
    }

    template <typename Format, int kChannels>
    double LevelAt(const uint8_t* pData, int64_t pFrame) const {
        const int channels = Channels<kChannels>();
        typename Format::Value level = 0;
        for (int c = 0; c < channels; ++c)
            level = std::max(level, Magnitude(Format::At(pData, size_t(pFrame * channels + c))));
        return double(level);
    }

    template <typename Format, int kChannels>
    void AddRisingSteps(const uint8_t* pData, int64_t pPos) {
        for (const Run& run : m_Runs) {
            if (run.Level <= m_RiseMax) continue;
            for (int64_t f = run.First; f < run.First + run.Frames; ++f) {
                const double level = LevelAt<Format, kChannels>(pData, f);
                if (level > m_RiseMax) {
                    m_RiseMax = level;
                    m_O.FromStart.push_back({pPos + f, level});
                }
            }
        }
    }

    // The piece's own steps from its end; the earlier steps that its loudest frame passes
    // are no steps any more.
    template <typename Format, int kChannels>
    void AddFallingSteps(const uint8_t* pData, int64_t pPos) {
        m_Piece.clear();
        double top = 0;
        for (size_t r = m_Runs.size(); r-- > 0;) {
            const Run& run = m_Runs[r];
            if (run.Level <= top) continue;
            for (int64_t f = run.First + run.Frames; f-- > run.First;) {
                const double level = LevelAt<Format, kChannels>(pData, f);
                if (level > top) {
                    top = level;
                    m_Piece.push_back({pPos + f, level});
                }
            }
        }
        if (m_Piece.empty()) return;
        std::vector<LevelStep>& steps = m_O.FromEnd;
        while (!steps.empty() && steps.back().Level <= top)
            steps.pop_back();
        steps.insert(steps.end(), m_Piece.rbegin(), m_Piece.rend());
    }

    WaveOverview& m_O;
    std::vector<Run> m_Runs; // the runs of the piece in hand
    std::vector<LevelStep> m_Piece;
    double m_RiseMax = 0;
};

void PrepareOverview(WaveOverview& pO, const WaveInfo& pInfo) {
    pO.SampleRate = pInfo.SampleRate;
    pO.Channels = pInfo.Channels;
    pO.BitsPerSample = pInfo.BitsPerSample;
    pO.Float = IsFloat32Encoding(pInfo) == 1;
    pO.FullScale = JobFullScale(pInfo);
    pO.Frames = pInfo.SampleFrames;
    pO.BucketFrames = std::max<int64_t>(1, (pO.Frames + kOverviewBuckets - 1) / kOverviewBuckets);
    pO.Buckets = (pO.Frames + pO.BucketFrames - 1) / pO.BucketFrames;
    constexpr float kInf = std::numeric_limits<float>::infinity();
    pO.Low.assign(size_t(pO.Buckets * pO.Channels), kInf);
    pO.High.assign(size_t(pO.Buckets * pO.Channels), -kInf);
}

bool Stopped(const std::function<bool()>& pStop) {
    return pStop && pStop();
}

} // namespace

int64_t WaveOverview::FirstSoundAbove(double pLevel) const {
    const auto it = std::upper_bound(FromStart.begin(), FromStart.end(), pLevel,
                                     [](double pL, const LevelStep& pS) { return pL < pS.Level; });
    return it == FromStart.end() ? -1 : it->Frame;
}

int64_t WaveOverview::LastSoundAbove(double pLevel) const {
    // Levels descend: the steps above pLevel come first, the last of them is the latest frame.
    const auto it =
        std::partition_point(FromEnd.begin(), FromEnd.end(),
                             [pLevel](const LevelStep& pS) { return pS.Level > pLevel; });
    return it == FromEnd.begin() ? 0 : std::prev(it)->Frame;
}

OverviewResult MeasureOverview(const std::string& pPath, const OverviewWatch& pWatch) {
    OverviewResult result;
    OpenSource source(pPath);
    if (source.Failure()) {
        result.Failure = *source.Failure();
        return result;
    }
    const WaveInfo& info = source.Info();
    WaveOverview o;
    PrepareOverview(o, info);

    FirstPass first;
    first.BitsPerSample = info.BitsPerSample;
    first.Channels = info.Channels;
    first.Float = o.Float;
    first.BlockFrames = AnalysisBlockFrames(info.SampleRate);
    const int64_t align = info.BlockAlign;
    const int64_t pieceFrames = kPieceBytes / align;
    FirstPassFeed feed(first, 0, o.Frames, align);
    OverviewScan scan(o);
    SourceReader reader(source.Handle(), info, o.Frames, pieceFrames);
    int64_t sinceShown = 0;
    for (int64_t pos = 0; pos < o.Frames;) {
        if (Stopped(pWatch.Stop)) {
            result.Failure = {EditStatus::Cancelled, {}};
            return result;
        }
        const int64_t n = std::min(pieceFrames, o.Frames - pos);
        const uint8_t* piece = reader.Read(pos, n);
        if (!piece) {
            result.Failure = {EditStatus::ReadFailed, {}};
            return result;
        }
        feed.Piece(
            piece, pos, n, [] {}, [](int64_t) {});
        // As in the job: the peak of float data turns infinite at a sample that is not a
        // finite number, and the file is refused with the job's reason.
        if (o.Float && !std::isfinite(first.Peak()))
            if (std::optional<Refusal> refusal = NonFiniteRefusal(piece, pos, n, info.Channels)) {
                result.Failure = std::move(*refusal);
                return result;
            }
        scan.Piece(piece, pos, n);
        pos += n;
        sinceShown += n * align;
        if (pWatch.Partial && sinceShown >= pWatch.PartialBytes && pos < o.Frames) {
            sinceShown = 0;
            pWatch.Partial(o);
        }
    }
    first.Finish();
    o.Peak = first.Peak();
    o.MaxBlockRms = first.MaxBlockRms;
    o.NormRms = first.NormRms;
    o.BucketsDone = o.Buckets;
    result.Overview = std::move(o);
    return result;
}

RangeResult MeasureRange(const std::string& pPath, const RangeRequest& pRequest,
                         const std::function<bool()>& pStop) {
    RangeResult result;
    OpenSource source(pPath);
    if (source.Failure()) {
        result.Failure = *source.Failure();
        return result;
    }
    const WaveInfo& info = source.Info();
    const int64_t end = std::min<int64_t>(pRequest.End, info.SampleFrames);
    std::optional<LoudnessMeter> meter;
    if (pRequest.Loudness) {
        LoudnessWanted wanted;
        wanted.TruePeak = pRequest.TruePeak;
        if (std::optional<Refusal> refusal = MakeRangeMeter(meter, info, wanted)) {
            result.Failure = std::move(*refusal);
            return result;
        }
    }
    SecondPass pass;
    pass.BitsPerSample = info.BitsPerSample;
    pass.Channels = info.Channels;
    pass.Float = source.Float();
    pass.Scale = pRequest.Scale;
    pass.GateFrames = pRequest.GateFrames;
    // The same level both ways: whole sample units below 32 bits.
    pass.GateLevel = int32_t(std::clamp(pRequest.GateLevel, 0.0, 2147483647.0));
    pass.WideGateLevel = pRequest.GateLevel;

    const int64_t align = info.BlockAlign;
    const int64_t blockFrames = kBlockBytes / align;
    const int64_t pieceFrames = kPieceBytes / align;
    SourceReader reader(source.Handle(), info, end, pieceFrames);
    for (int64_t pos = pRequest.Start; pos < end;) {
        if (Stopped(pStop)) {
            result.Failure = {EditStatus::Cancelled, {}};
            return result;
        }
        const int64_t n = std::min(blockFrames, end - pos);
        for (int64_t done = 0; done < n;) {
            const int64_t m = std::min(pieceFrames, n - done);
            const uint8_t* data = reader.Read(pos + done, m);
            if (!data) {
                result.Failure = {EditStatus::ReadFailed, {}};
                return result;
            }
            if (pass.Float)
                if (std::optional<Refusal> refusal =
                        NonFiniteRefusal(data, pos + done, m, info.Channels)) {
                    result.Failure = std::move(*refusal);
                    return result;
                }
            if (pRequest.Rms) pass.Feed(data, m);
            if (meter) meter->Feed(data, m);
            done += m;
        }
        pos += n;
    }
    RangeLevels levels;
    if (pRequest.Rms) levels.RangeRms = pass.RangeRms();
    if (meter) levels.Loudness = meter->Result();
    result.Levels = levels;
    return result;
}

double JobPreview::GainDb() const {
    return Gain ? 20.0 * std::log10(*Gain) : 0.0;
}

JobPreview PreviewJob(const WaveOverview& pO, const EditJob& pJob, const RangeLevels* pRange) {
    JobPreview p;
    const double f = pO.FullScale;
    const auto magnitude = [&](float pDb) { return MagnitudeOf(pDb, f, pO.Float); };
    p.Range = TrimmedRange{0, pO.Frames, 0, 0};
    if (!pJob.Trim && !pJob.Normalize) {
        p.ResultFrames = pO.Frames;
        p.Gain = 1.0;
        return p;
    }
    if (pJob.Trim) {
        p.Trims = true;
        p.FirstSound = pO.FirstSoundAbove(magnitude(pJob.StartThresholdDb));
        p.LastSound = pO.LastSoundAbove(magnitude(pJob.EndThresholdDb));
        p.NoSound = p.FirstSound == -1;
        p.Range = TrimRange(p.FirstSound, p.LastSound, 0, pO.Frames,
                            MarginFrames(pO.SampleRate, pJob.StartMarginMs),
                            MarginFrames(pO.SampleRate, pJob.EndMarginMs));
        if (!p.Range) return p;
    }
    const TrimmedRange& r = *p.Range;
    const bool forced = pJob.Trim && pJob.ForceMargins;
    p.ResultFrames = r.End - r.Start + (forced ? r.LeadPad + r.TailPad : 0);

    const NormMode mode = pJob.Normalize ? pJob.Mode : NormMode::Peak;
    const NormModeRow& row = NormModeInfo(mode);
    GainInputs in;
    in.FullScale = f;
    in.Mode = mode;
    in.NormLevel = pJob.NormLevelDb;
    in.Peak = pO.Peak;
    in.MaxBlockRms = pO.MaxBlockRms;
    in.Clip = pJob.Clip;
    in.Ceiling = pJob.TruePeakCeiling;
    in.CeilingDb = pJob.TruePeakCeilingDb;
    in.Wide = pO.BitsPerSample == 32;
    if (row.NeedsSecondPass) {
        RangeRequest request;
        request.Start = r.Start;
        request.End = r.End;
        request.Rms = !row.ByLoudness;
        if (row.UsesGate) {
            request.Scale = GateScale(f, pO.Peak);
            request.GateFrames = GateFrames(pJob.GateMs, pO.SampleRate);
            request.GateLevel = magnitude(pJob.GateDb);
        }
        request.Loudness = row.ByLoudness;
        request.TruePeak = row.ByLoudness && pJob.TruePeakCeiling;
        p.NeedsRange = request;
        if (!pRange) return p;
        in.RangeRms = pRange->RangeRms;
        in.Scale = request.Scale;
        if (pRange->Loudness) {
            in.IntegratedLufs = pRange->Loudness->IntegratedLufs;
            in.TruePeak = pRange->Loudness->CeilingPeak;
        }
    }
    p.Gain = NormGain(in);
    p.CeilingLowered = LimitOf(in) == GainLimit::TruePeakCeiling;
    return p;
}
