#include "engine/WaveOverview.h"

#include "engine/EditPass.h"
#include "engine/FileIO.h"
#include "engine/FirstPassFeed.h"
#include "engine/LevelAnalysis.h"
#include "engine/SourceReader.h"
#include "engine/WaveMMIO.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

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
        if (std::optional<Refusal> refusal = RefusalOf(m_Info))
            m_Failure = std::move(*refusal);
        else if (!m_Failure && !ScanHandles(m_Info))
            m_NoPreview = "no preview of " + FormatWords(m_Info) + " files yet; Start edits them";
    }
    ~OpenSource() { CloseFile(m_Handle); }
    OpenSource(const OpenSource&) = delete;
    OpenSource& operator=(const OpenSource&) = delete;

    const std::optional<Refusal>& Failure() const { return m_Failure; }
    // A file the job edits that the overview's scan does not read (32-bit, float, more than
    // two channels): why there is no picture.
    const std::string& NoPreview() const { return m_NoPreview; }
    FileHandle Handle() const { return m_Handle; }
    const WaveInfo& Info() const { return m_Info; }

  private:
    FileHandle m_Handle = 0;
    WaveInfo m_Info;
    std::optional<Refusal> m_Failure;
    std::string m_NoPreview;

    static bool ScanHandles(const WaveInfo& pInfo) {
        return pInfo.BitsPerSample <= 24 && pInfo.Channels <= 2;
    }
    static std::string FormatWords(const WaveInfo& pInfo) {
        std::string words = IsFloat32Encoding(pInfo) == 1
                                ? "32-bit float"
                                : std::to_string(pInfo.BitsPerSample) + "-bit";
        if (pInfo.Channels > 2) words += ", " + std::to_string(pInfo.Channels) + "-channel";
        return words;
    }
};

template <int kBits> inline int32_t ValueAt(const uint8_t* pData, size_t pI) {
    if constexpr (kBits == 8) {
        return int32_t(pData[pI]) - 128;
    } else if constexpr (kBits == 16) {
        int16_t v;
        std::memcpy(&v, pData + 2 * pI, 2);
        return v;
    } else {
        return Unpack24(pData + 3 * pI);
    }
}

// The envelope and the level steps, piece by piece. Frames go in runs of up to kRunFrames
// inside one bucket: a run's smallest and largest values feed the envelope and give its
// loudest level, and only the runs that may hold a step are looked at frame by frame.
class OverviewScan {
  public:
    explicit OverviewScan(WaveOverview& pO) : m_O(pO) {}

    void Piece(const uint8_t* pData, int64_t pPos, int64_t pFrames) {
        const int32_t bits = m_O.BitsPerSample;
        const bool stereo = m_O.Channels == 2;
        if (bits == 8)
            stereo ? Scan<8, 2>(pData, pPos, pFrames) : Scan<8, 1>(pData, pPos, pFrames);
        else if (bits == 16)
            stereo ? Scan<16, 2>(pData, pPos, pFrames) : Scan<16, 1>(pData, pPos, pFrames);
        else
            stereo ? Scan<24, 2>(pData, pPos, pFrames) : Scan<24, 1>(pData, pPos, pFrames);
        m_O.BucketsDone = std::min(m_O.Buckets, (pPos + pFrames) / m_O.BucketFrames);
    }

  private:
    static constexpr int64_t kRunFrames = 64;

    struct Run {
        int64_t First = 0; // frame in the piece
        int64_t Frames = 0;
        int32_t Level = 0; // the largest magnitude in it
    };

    template <int kBits, int kChannels>
    void Scan(const uint8_t* pData, int64_t pPos, int64_t pFrames) {
        m_Runs.clear();
        for (int64_t k = 0; k < pFrames;) {
            const int64_t bucket = (pPos + k) / m_O.BucketFrames;
            const int64_t bucketEnd = std::min(pFrames, (bucket + 1) * m_O.BucketFrames - pPos);
            int32_t* low = &m_O.Low[size_t(bucket * kChannels)];
            int32_t* high = &m_O.High[size_t(bucket * kChannels)];
            while (k < bucketEnd) {
                const int64_t end = std::min(bucketEnd, k + kRunFrames);
                int32_t lo[kChannels], hi[kChannels];
                for (int c = 0; c < kChannels; ++c)
                    lo[c] = hi[c] = ValueAt<kBits>(pData, size_t(k * kChannels + c));
                for (int64_t f = k; f < end; ++f)
                    for (int c = 0; c < kChannels; ++c) {
                        const int32_t v = ValueAt<kBits>(pData, size_t(f * kChannels + c));
                        lo[c] = std::min(lo[c], v);
                        hi[c] = std::max(hi[c], v);
                    }
                int32_t level = 0;
                for (int c = 0; c < kChannels; ++c) {
                    low[c] = std::min(low[c], lo[c]);
                    high[c] = std::max(high[c], hi[c]);
                    level = std::max({level, -lo[c], hi[c]});
                }
                m_Runs.push_back({k, end - k, level});
                k = end;
            }
        }
        AddRisingSteps<kBits, kChannels>(pData, pPos);
        AddFallingSteps<kBits, kChannels>(pData, pPos);
    }

    template <int kBits, int kChannels>
    static int32_t LevelAt(const uint8_t* pData, int64_t pFrame) {
        int32_t level = 0;
        for (int c = 0; c < kChannels; ++c)
            level =
                std::max(level, std::abs(ValueAt<kBits>(pData, size_t(pFrame * kChannels + c))));
        return level;
    }

    template <int kBits, int kChannels> void AddRisingSteps(const uint8_t* pData, int64_t pPos) {
        for (const Run& run : m_Runs) {
            if (run.Level <= m_RiseMax) continue;
            for (int64_t f = run.First; f < run.First + run.Frames; ++f) {
                const int32_t level = LevelAt<kBits, kChannels>(pData, f);
                if (level > m_RiseMax) {
                    m_RiseMax = level;
                    m_O.FromStart.push_back({pPos + f, level});
                }
            }
        }
    }

    // The piece's own steps from its end; the earlier steps that its loudest frame passes
    // are no steps any more.
    template <int kBits, int kChannels> void AddFallingSteps(const uint8_t* pData, int64_t pPos) {
        m_Piece.clear();
        int32_t top = 0;
        for (size_t r = m_Runs.size(); r-- > 0;) {
            const Run& run = m_Runs[r];
            if (run.Level <= top) continue;
            for (int64_t f = run.First + run.Frames; f-- > run.First;) {
                const int32_t level = LevelAt<kBits, kChannels>(pData, f);
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
    int32_t m_RiseMax = 0;
};

void PrepareOverview(WaveOverview& pO, const WaveInfo& pInfo) {
    pO.SampleRate = pInfo.SampleRate;
    pO.Channels = pInfo.Channels;
    pO.BitsPerSample = pInfo.BitsPerSample;
    pO.FullScale = FullScale(pInfo.BitsPerSample);
    pO.Frames = pInfo.SampleFrames;
    pO.BucketFrames = std::max<int64_t>(1, (pO.Frames + kOverviewBuckets - 1) / kOverviewBuckets);
    pO.Buckets = (pO.Frames + pO.BucketFrames - 1) / pO.BucketFrames;
    pO.Low.assign(size_t(pO.Buckets * pO.Channels), INT32_MAX);
    pO.High.assign(size_t(pO.Buckets * pO.Channels), INT32_MIN);
}

bool Stopped(const std::function<bool()>& pStop) {
    return pStop && pStop();
}

} // namespace

int64_t WaveOverview::FirstSoundAbove(int32_t pLevel) const {
    const auto it = std::upper_bound(FromStart.begin(), FromStart.end(), pLevel,
                                     [](int32_t pL, const LevelStep& pS) { return pL < pS.Level; });
    return it == FromStart.end() ? -1 : it->Frame;
}

int64_t WaveOverview::LastSoundAbove(int32_t pLevel) const {
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
    if (!source.NoPreview().empty()) {
        result.Failure = Refusal{EditStatus::UnsupportedLayout, {}};
        result.NoPreview = source.NoPreview();
        return result;
    }
    const WaveInfo& info = source.Info();
    WaveOverview o;
    PrepareOverview(o, info);

    FirstPass first;
    first.BitsPerSample = info.BitsPerSample;
    first.Channels = info.Channels;
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
    if (source.Failure() || !source.NoPreview().empty()) {
        result.Failure = source.Failure().value_or(Refusal{EditStatus::UnsupportedLayout, {}});
        return result;
    }
    const WaveInfo& info = source.Info();
    const int64_t end = std::min<int64_t>(pRequest.End, info.SampleFrames);
    std::optional<LoudnessMeter> meter;
    if (pRequest.Loudness) {
        LoudnessWanted wanted;
        wanted.TruePeak = pRequest.TruePeak;
        try {
            meter.emplace(info.BitsPerSample, info.Channels, info.SampleRate, wanted);
        } catch (const std::invalid_argument&) {
            result.Failure = {EditStatus::UnsupportedLayout,
                              std::to_string(info.SampleRate) + " Hz, too low a rate for loudness"};
            return result;
        }
    }
    SecondPass pass;
    pass.BitsPerSample = info.BitsPerSample;
    pass.Channels = info.Channels;
    pass.Scale = pRequest.Scale;
    pass.GateFrames = pRequest.GateFrames;
    pass.GateLevel = pRequest.GateLevel;

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
    return Gain ? 20.0 * std::log10(double(*Gain)) : 0.0;
}

JobPreview PreviewJob(const WaveOverview& pO, const EditJob& pJob, const RangeLevels* pRange) {
    JobPreview p;
    const int32_t f = pO.FullScale;
    p.Range = TrimmedRange{0, pO.Frames, 0, 0};
    if (!pJob.Trim && !pJob.Normalize) {
        p.ResultFrames = pO.Frames;
        p.Gain = 1.0f;
        return p;
    }
    if (pJob.Trim) {
        p.Trims = true;
        p.FirstSound = pO.FirstSoundAbove(ThresholdLevel(pJob.StartThresholdDb, f));
        p.LastSound = pO.LastSoundAbove(ThresholdLevel(pJob.EndThresholdDb, f));
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
    if (row.NeedsSecondPass) {
        RangeRequest request;
        request.Start = r.Start;
        request.End = r.End;
        request.Rms = !row.ByLoudness;
        if (row.UsesGate) {
            request.Scale = GateScale(f, pO.Peak);
            request.GateFrames = GateFrames(pJob.GateMs, pO.SampleRate);
            request.GateLevel = GateLevel(pJob.GateDb, f);
        }
        request.Loudness = row.ByLoudness;
        request.TruePeak = row.ByLoudness && pJob.TruePeakCeiling;
        p.NeedsRange = request;
        if (!pRange) return p;
        in.RangeRms = pRange->RangeRms;
        in.Scale = request.Scale;
        if (pRange->Loudness) {
            in.IntegratedLufs = pRange->Loudness->IntegratedLufs;
            in.TruePeak = pRange->Loudness->TruePeak;
        }
    }
    p.Gain = NormGain(in);
    p.CeilingLowered = CeilingLowersGain(in);
    return p;
}
