#include "engine/C_EditWave.h"

#include "engine/EditPass.h"
#include "engine/FileIO.h"
#include "engine/FirstPassFeed.h"
#include "engine/JobRules.h"
#include "engine/LevelAnalysis.h"
#include "engine/Loudness.h"
#include "engine/MetadataChunks.h"
#include "engine/SourceReader.h"
#include "engine/WaveMMIO.h"
#include "platform/core/Events.h"
#include "services/core/Paths.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <vector>

namespace {

// Reads and appends move at most this much; the source reader holds two pieces (one read
// ahead), so memory stays at a few MiB.
constexpr int64_t kPieceBytes = 1048576;
// Blocks of the second pass and the write pass: this many whole pieces (2 MiB at most), so
// that a block never ends in a short piece that would throw the read-ahead away.
constexpr int64_t kPiecesPerBlock = 2;

// Level check results in sample units (fractions of 1.0 for float data).
struct Levels {
    double Peak = 0, MaxRms = 0, NormRms = 0, FullScale = 1;
};

// Progress sink: takes the fraction done, answers true when the job must stop.
using Reporter = std::function<bool(float)>;

// Thrown when the job must end with result 0 (bad input, I/O failure, cancel).
struct JobFailed {
    EditStatus Status = EditStatus::InternalError;
    std::string Detail;
};

// The system's text for an errno value.
std::string SystemText(int pErr) {
    return pErr != 0 ? std::strerror(pErr) : std::string();
}

// A failed write or create: a full disk is told apart.
JobFailed WriteFailure(int pErr) {
    if (pErr == ENOSPC || pErr == EDQUOT) return {EditStatus::DiskFull, SystemText(pErr)};
    if (pErr == EEXIST) return {EditStatus::TargetExists, {}};
    return {EditStatus::WriteFailed, SystemText(pErr)};
}

// Why a job with separate left and right levels is refused for more than two channels.
std::string AdjustmentRefusal(int32_t pChannels) {
    return "separate left and right level adjustments do not apply to " +
           std::to_string(pChannels) + " channels (one level adjusts them all)";
}

// A loudness measurement after a gain of pGainDb on every sample.
LoudnessResult Scaled(LoudnessResult pL, double pGainDb) {
    const double factor = std::pow(10.0, pGainDb / 20.0);
    pL.IntegratedLufs += pGainDb; // minus infinity stays
    pL.TruePeak *= factor;
    pL.CeilingPeak *= factor;
    return pL;
}

class JobRun {
  public:
    // pSetMeasure: the measure phase of album mode (C_EditWave::Measure).
    JobRun(EditJob pJob, Reporter pReport, bool pSetMeasure = false)
        : m_A(std::move(pJob)), m_Report(std::move(pReport)), m_SetMeasure(pSetMeasure) {}
    ~JobRun();

    // Returns when the job ran to its end; throws JobFailed (or any fault) otherwise.
    void Run();
    const Levels& Measured() const { return m_Levels; }
    // The loudness of the range, when a pass measured it.
    const std::optional<LoudnessResult>& MeasuredLoudness() const { return m_Loudness; }
    // The loudness of what was written, when the range's was measured.
    const std::optional<LoudnessResult>& WrittenLoudness() const { return m_WrittenLoudness; }
    double Gain() const { return m_Gain; }
    GainLimit Limit() const { return m_Limit; }
    double ReachedLevel() const { return m_Reached; }
    const std::vector<DroppedChunk>& LostMetadata() const { return m_LostMetadata; }
    // Frames of source audio written to the target; 0 as well when trimming found no sound
    // above the start threshold (the margins hold only the silence around it).
    int64_t KeptFrames() const { return m_NoSound ? 0 : m_End - m_Start; }
    // The measure phase's result: the kept range and its poolable levels.
    std::shared_ptr<const KeptMeasure> Kept() const;

  private:
    bool Writes() const {
        return !m_SetMeasure && !m_A.TargetPath.empty() && m_A.Check != LevelCheck::MeasureOnly;
    }
    // A level check: the first pass over the whole range and nothing else.
    bool CheckOnly() const {
        return !m_SetMeasure && (m_A.TargetPath.empty() || m_A.Check == LevelCheck::MeasureOnly);
    }
    void CountPasses();
    void MeasureRange();
    // Takes the range and levels of the measure phase in place of measuring them.
    void UseMeasure(const KeptMeasure& pKept);
    void SetUp();
    void OpenSource();
    void RefuseUnsupported() const;
    bool Float() const { return IsFloat32Encoding(m_Info) == 1; }
    // A level in dB as a magnitude: a whole number of sample units, a fraction for floats.
    double LevelOf(float pDb) const;
    // Refuses float data holding NaN or an infinity; pFirst is the frame at pData.
    void CheckFinite(const uint8_t* pData, int64_t pFirst, int64_t pFrames) const;
    // The same for a piece of a later pass, unless the first pass checked all its frames.
    void CheckFiniteOutsideFirstPass(const uint8_t* pData, int64_t pFirst, int64_t pFrames) const {
        if (pFirst < m_CheckedFrom || pFirst + pFrames > m_CheckedTo)
            CheckFinite(pData, pFirst, pFrames);
    }
    void KeepRangeInsideData();
    void RunFirstPass();
    void TrimRange();
    bool MeasuresLoudness() const {
        return m_A.MeasureLoudness || NormModeInfo(m_A.Mode).ByLoudness;
    }
    void RunSecondPass(bool pRms);
    std::optional<LoudnessMeter> MakeLoudnessMeter() const;
    // The levels this file's measuring found, as a set pools them.
    SetLevels OwnLevels() const;
    void ComputeGain();
    MetadataChunks KeptMetadata(int64_t pLead, int64_t pTail, const BlockFormat& pFormat);
    // Whether the written audio is the range times one factor, no sample saturated.
    bool OneFactor(const BlockFormat& pFormat) const;
    void WriteOutput();
    void WriteSilence(int64_t pBytes);
    void Append(const uint8_t* pData, int64_t pBytes);
    void Report(double pBase, int64_t pFrom, int64_t pTo, int64_t pPos);
    int64_t PieceFrames() const { return kPieceBytes / m_Info.BlockAlign; }
    int64_t BlockFrames() const { return PieceFrames() * kPiecesPerBlock; }
    // Reads the frames [pFirst, pFirst + pFrames) piece by piece into the buffer and hands
    // each piece to pUse(data, first frame, frames).
    template <typename Use>
    void ForEachPiece(SourceReader& pReader, int64_t pFirst, int64_t pFrames, Use pUse);

    EditJob m_A;
    Reporter m_Report;
    WaveInfo m_Info;
    Levels m_Levels;
    double m_F = 1;
    int32_t m_N = 1;
    int64_t m_From = 0, m_To = 0, m_Start = 0, m_End = 0;
    int64_t m_LeadPad = 0, m_TailPad = 0;
    int32_t m_ThIn = 0, m_ThOut = 0;
    int64_t m_StartMarginFrames = 0, m_EndMarginFrames = 0;
    int64_t m_GateFrames = 0;
    int32_t m_GateLevel = 0;
    FirstPass m_First;
    double m_RangeRms = 0.0;
    double m_RangeSquares = 0.0, m_RangeSamples = 0.0; // unscaled, for a set
    std::optional<LoudnessResult> m_Loudness;
    std::shared_ptr<const LoudnessBlocks> m_Blocks; // the measure phase's, for a set
    bool m_SetMeasure = false;
    platform::FileNode m_SourceStamp; // the source when opened
    bool m_NoSound = false;
    GainLimit m_Limit = GainLimit::None;
    double m_Reached = 0.0;
    std::optional<LoudnessResult> m_WrittenLoudness;
    std::vector<DroppedChunk> m_LostMetadata;
    float m_Scale = 1.0f;
    double m_Gain = 1.0;
    FileHandle m_Source = 0;
    FileHandle m_Out = 0;
    FileIdentity m_Created; // the target this job created, removed again unless finished
    bool m_Finished = false;
    int64_t m_CheckedFrom = 0, m_CheckedTo = 0; // frames the first pass found finite
};

JobRun::~JobRun() {
    CloseFile(m_Out);
    CloseFile(m_Source);
    if (!m_Finished) RemoveIfSameFile(m_A.TargetPath, m_Created);
}

template <typename Use>
void JobRun::ForEachPiece(SourceReader& pReader, int64_t pFirst, int64_t pFrames, Use pUse) {
    const int64_t pieceFrames = PieceFrames();
    for (int64_t done = 0; done < pFrames;) {
        const int64_t n = std::min(pieceFrames, pFrames - done);
        uint8_t* data = pReader.Read(pFirst + done, n);
        if (!data) throw JobFailed{EditStatus::ReadFailed, {}};
        CheckFiniteOutsideFirstPass(data, pFirst + done, n);
        pUse(data, pFirst + done, n);
        done += n;
    }
}

void JobRun::SetUp() {
    if (CheckOnly()) {
        // Measure only: the first pass and nothing else.
        m_A.Trim = false;
        m_A.Normalize = true;
        m_A.AdjustLeftDb = 0.0f;
        m_A.AdjustRightDb = 0.0f;
    }
    OpenSource();
    RefuseUnsupported();
    // Never append to, replace or damage an existing file (the create is exclusive as well;
    // this saves the measuring).
    if (Writes() && FileExists(m_A.TargetPath)) throw JobFailed{EditStatus::TargetExists, {}};

    m_F = JobFullScale(m_Info);
    m_Levels.FullScale = m_F;
    if (m_A.Trim) {
        if (m_Info.BitsPerSample != 32) {
            m_ThIn = ThresholdLevel(m_A.StartThresholdDb, int32_t(m_F));
            m_ThOut = ThresholdLevel(m_A.EndThresholdDb, int32_t(m_F));
        }
        m_StartMarginFrames = MarginFrames(m_Info.SampleRate, m_A.StartMarginMs);
        m_EndMarginFrames = MarginFrames(m_Info.SampleRate, m_A.EndMarginMs);
    } else {
        m_A.ForceMargins = false;
    }
    if (!m_A.Normalize) m_A.Mode = NormMode::Peak;
    if (NormModeInfo(m_A.Mode).UsesGate) {
        m_GateFrames = GateFrames(m_A.GateMs, m_Info.SampleRate);
        if (m_Info.BitsPerSample != 32) m_GateLevel = GateLevel(m_A.GateDb, int32_t(m_F));
    }
    KeepRangeInsideData();
    CountPasses();
}

// The passes the progress runs over.
void JobRun::CountPasses() {
    const bool secondPass = NormModeInfo(m_A.Mode).NeedsSecondPass || m_A.MeasureLoudness;
    if (m_A.Measured) {
        m_N = 1; // the write pass alone
        return;
    }
    if (m_SetMeasure) {
        m_N = std::max(int32_t(m_A.Trim || m_A.Normalize) + int32_t(secondPass), 1);
        return;
    }
    m_N = NormModeInfo(m_A.Mode).NeedsSecondPass ? 3 : 2;
    // A loudness report of a mode without a second pass takes one of its own.
    if (m_A.MeasureLoudness && !NormModeInfo(m_A.Mode).NeedsSecondPass) ++m_N;
    if (m_A.Check != LevelCheck::Off) --m_N;
    if (!m_A.Trim && !m_A.Normalize) --m_N;
    // A check with nothing to measure would leave no pass to count.
    m_N = std::max(m_N, 1);
}

// One descriptor serves every pass, so that a file replaced meanwhile cannot be measured
// from one version and written from another.
void JobRun::OpenSource() {
    errno = 0;
    m_Source = OpenForRead(m_A.SourcePath);
    if (m_Source == 0) throw JobFailed{EditStatus::SourceUnreadable, SystemText(errno)};
    m_SourceStamp = platform::NodeOf(m_Source);
    // The write phase of a set: the gain was formed from what was measured.
    if (m_A.Measured && !m_SourceStamp.Unchanged(m_A.Measured->Source))
        throw JobFailed{EditStatus::SourceChanged, {}};
    m_Info = ReadWaveInfoFrom(m_Source);
}

// Only integer PCM and 32-bit float in the widths and channel counts the sample code handles
// are edited. One level adjustment serves more than two channels: separate left and right
// levels have no meaning there.
void JobRun::RefuseUnsupported() const {
    if (const std::optional<Refusal> refusal = RefusalOf(m_Info))
        throw JobFailed{refusal->Status, refusal->Detail};
    if (m_Info.Channels > 2 && m_A.AdjustLeftDb != m_A.AdjustRightDb)
        throw JobFailed{EditStatus::InvalidArgument, AdjustmentRefusal(m_Info.Channels)};
}

double JobRun::LevelOf(float pDb) const {
    return MagnitudeOf(pDb, m_F, Float());
}

void JobRun::CheckFinite(const uint8_t* pData, int64_t pFirst, int64_t pFrames) const {
    if (!Float()) return;
    if (std::optional<Refusal> refusal = NonFiniteRefusal(pData, pFirst, pFrames, m_Info.Channels))
        throw JobFailed{refusal->Status, std::move(refusal->Detail)};
}

// [From, To) inside the data: To beyond the end stops there, From beyond To is empty.
void JobRun::KeepRangeInsideData() {
    const int64_t frames = m_Info.SampleFrames;
    m_To = m_A.ToFrame > 0 ? std::min<int64_t>(m_A.ToFrame, frames) : frames;
    m_From = std::clamp<int64_t>(m_A.FromFrame, 0, m_To);
}

void JobRun::Report(double pBase, int64_t pFrom, int64_t pTo, int64_t pPos) {
    const float rate = float(pBase + double(pPos - pFrom) / double(pTo - pFrom) / m_N);
    if (m_Report(rate)) throw JobFailed{EditStatus::Cancelled, {}};
}

void JobRun::RunFirstPass() {
    m_First.BitsPerSample = m_Info.BitsPerSample;
    m_First.Channels = m_Info.Channels;
    m_First.Float = Float();
    m_First.Trim = m_A.Trim;
    m_First.ThIn = m_ThIn;
    m_First.ThOut = m_ThOut;
    if (m_A.Trim) {
        m_First.WideThIn = LevelOf(m_A.StartThresholdDb);
        m_First.WideThOut = LevelOf(m_A.EndThresholdDb);
    }
    const int64_t blockFrames = AnalysisBlockFrames(m_Info.SampleRate);
    m_First.BlockFrames = blockFrames;
    const int64_t align = m_Info.BlockAlign;
    // Whole analysis blocks per piece where one fits, in groups of four where four fit: every
    // piece then starts a block, and loud 24-bit and 32-bit blocks are summed four at a time.
    int64_t pieceFrames = kPieceBytes / align;
    const int64_t group = pieceFrames >= 4 * blockFrames ? 4 * blockFrames : blockFrames;
    if (pieceFrames >= group) pieceFrames -= pieceFrames % group;
    SourceReader reader(m_Source, m_Info, m_To, pieceFrames);

    // Analysis blocks of 0.3 s are read in pieces; a piece may hold several blocks or part
    // of one.
    FirstPassFeed feed(m_First, m_From, m_To, align);
    for (int64_t pos = m_From; pos < m_To;) {
        const int64_t n = std::min(pieceFrames, m_To - pos);
        const uint8_t* piece = reader.Read(pos, n);
        if (!piece) throw JobFailed{EditStatus::ReadFailed, {}};
        feed.Piece(
            piece, pos, n, [] { platform::PumpEvents(); },
            [&](int64_t pBlockEnd) { Report(0.0, m_From, m_To, pBlockEnd); });
        // The peak of float data turns infinite at a sample that is not a finite number.
        if (Float() && !std::isfinite(m_First.Peak())) CheckFinite(piece, pos, n);
        pos += n;
    }
    m_First.Finish();
    m_CheckedFrom = m_From;
    m_CheckedTo = m_To;
    m_Levels.Peak = m_First.Peak();
    m_Levels.MaxRms = m_First.MaxBlockRms;
    m_Levels.NormRms = m_First.NormRms;
}

void JobRun::TrimRange() {
    if (!m_A.Trim) {
        m_Start = m_From;
        m_End = m_To;
        return;
    }
    const std::optional<TrimmedRange> range =
        ::TrimRange(m_First.FirstSound, m_First.LastSound, m_From, m_Info.SampleFrames,
                    m_StartMarginFrames, m_EndMarginFrames);
    if (!range) throw JobFailed{EditStatus::EmptyRange, {}};
    m_NoSound = m_First.FirstSound == -1;
    m_Start = range->Start;
    m_End = range->End;
    m_LeadPad = range->LeadPad;
    m_TailPad = range->TailPad;
}

// A meter for the range pass, or none when nothing asks for loudness; the true peak is measured
// for the report and for the ceiling of the loudness mode.
std::optional<LoudnessMeter> JobRun::MakeLoudnessMeter() const {
    std::optional<LoudnessMeter> meter;
    if (!MeasuresLoudness()) return meter;
    LoudnessWanted wanted;
    wanted.Range = m_A.MeasureLoudness;
    wanted.TruePeak =
        m_A.MeasureLoudness || (NormModeInfo(m_A.Mode).ByLoudness && m_A.TruePeakCeiling);
    if (std::optional<Refusal> refusal = MakeRangeMeter(meter, m_Info, wanted))
        throw JobFailed{refusal->Status, std::move(refusal->Detail)};
    return meter;
}

// The trimmed range again: its RMS (pRms) and its loudness (when asked for), in one read.
void JobRun::RunSecondPass(bool pRms) {
    std::optional<LoudnessMeter> meter = MakeLoudnessMeter();
    SecondPass pass;
    pass.BitsPerSample = m_Info.BitsPerSample;
    pass.Channels = m_Info.Channels;
    pass.Float = Float();
    if (NormModeInfo(m_A.Mode).UsesGate) m_Scale = GateScale(m_F, m_Levels.Peak);
    pass.Scale = m_Scale;
    pass.GateFrames = m_GateFrames;
    pass.GateLevel = m_GateLevel;
    if (NormModeInfo(m_A.Mode).UsesGate) pass.WideGateLevel = LevelOf(m_A.GateDb);

    const int64_t blockFrames = BlockFrames();
    SourceReader reader(m_Source, m_Info, m_End, PieceFrames());
    // A loudness report of a job that neither trims nor normalises runs first.
    const double base = m_A.Trim || m_A.Normalize ? 1.0 / m_N : 0.0;
    for (int64_t pos = m_Start; pos < m_End;) {
        platform::PumpEvents();
        const int64_t n = std::min(blockFrames, m_End - pos);
        ForEachPiece(reader, pos, n, [&](uint8_t* pData, int64_t, int64_t pFrames) {
            if (pRms) pass.Feed(pData, pFrames);
            if (meter) meter->Feed(pData, pFrames);
        });
        pos += n;
        Report(base, m_Start, m_End, pos);
    }
    if (pRms) {
        m_RangeRms = pass.RangeRms();
        const double scale = double(m_Scale);
        m_RangeSquares = pass.SquaresSum() / (scale * scale);
        m_RangeSamples = pass.SamplesCounted();
    }
    if (meter) {
        m_Loudness = meter->Result();
        if (m_SetMeasure) m_Blocks = meter->TakeBlocks();
    }
}

SetLevels JobRun::OwnLevels() const {
    SetLevels l;
    l.FullScale = m_F;
    l.Wide = m_Info.BitsPerSample == 32;
    l.Peak = m_Levels.Peak;
    l.MaxBlockRms = m_Levels.MaxRms;
    l.RangeRms = m_RangeRms;
    l.Scale = m_Scale;
    l.SumOfSquares = m_RangeSquares;
    l.Samples = m_RangeSamples;
    if (m_Loudness) {
        l.HasLoudness = true;
        l.IntegratedLufs = m_Loudness->IntegratedLufs;
        l.CeilingPeak = m_Loudness->CeilingPeak;
    }
    if (m_Blocks) l.Blocks.push_back(m_Blocks);
    return l;
}

std::shared_ptr<const KeptMeasure> JobRun::Kept() const {
    auto k = std::make_shared<KeptMeasure>();
    k->Source = m_SourceStamp;
    k->Start = m_Start;
    k->End = m_End;
    k->LeadPad = m_LeadPad;
    k->TailPad = m_TailPad;
    k->NoSound = m_NoSound;
    k->CheckedFrom = m_CheckedFrom;
    k->CheckedTo = m_CheckedTo;
    k->Peak = m_Levels.Peak;
    k->MaxRms = m_Levels.MaxRms;
    k->NormRms = m_Levels.NormRms;
    k->Loudness = m_Loudness;
    k->Levels = OwnLevels();
    return k;
}

void JobRun::UseMeasure(const KeptMeasure& pKept) {
    m_Start = pKept.Start;
    m_End = pKept.End;
    m_LeadPad = pKept.LeadPad;
    m_TailPad = pKept.TailPad;
    m_NoSound = pKept.NoSound;
    m_CheckedFrom = pKept.CheckedFrom;
    m_CheckedTo = pKept.CheckedTo;
    m_Levels.Peak = pKept.Peak;
    m_Levels.MaxRms = pKept.MaxRms;
    m_Levels.NormRms = pKept.NormRms;
    m_RangeRms = pKept.Levels.RangeRms;
    m_Scale = pKept.Levels.Scale;
    m_RangeSquares = pKept.Levels.SumOfSquares;
    m_RangeSamples = pKept.Levels.Samples;
    m_Loudness = pKept.Loudness;
}

// The gain of the mode from the file's own levels, or from its set's.
void JobRun::ComputeGain() {
    const SetLevels levels = m_A.SetLevel ? *m_A.SetLevel : OwnLevels();
    const GainInputs in = SetGainInputs(m_A, OnScale(levels, m_F, m_Info.BitsPerSample == 32));
    m_Gain = NormGain(in);
    m_Limit = LimitOf(in);
    m_Reached = ::ReachedLevel(in, m_Gain);
}

void JobRun::Append(const uint8_t* pData, int64_t pBytes) {
    errno = 0;
    m_Out = WriteAt(pData, int32_t(pBytes), -1, m_Out, m_A.TargetPath);
    if (m_Out == 0) throw WriteFailure(errno);
}

void JobRun::WriteSilence(int64_t pBytes) {
    if (pBytes <= 0) return;
    if (SilenceByte(m_Info.BitsPerSample) == 0) {
        // Zero bytes: the file is extended, which leaves a hole that takes no disk space and
        // costs no time however long the forced margin.
        const int64_t length = GetSizeByHandle(m_Out);
        errno = 0;
        if (length < 0 || !SetEndOfFileAt(m_Out, length + pBytes)) throw WriteFailure(errno);
        return;
    }
    std::vector<uint8_t> silence(size_t(std::min(pBytes, kPieceBytes)),
                                 SilenceByte(m_Info.BitsPerSample));
    for (int64_t left = pBytes; left > 0;) {
        const int64_t n = std::min<int64_t>(left, int64_t(silence.size()));
        Append(silence.data(), n);
        left -= n;
    }
}

// The source's metadata chunks adjusted to the written range; none when the job keeps none.
MetadataChunks JobRun::KeptMetadata(int64_t pLead, int64_t pTail, const BlockFormat& pFormat) {
    if (!m_A.KeepMetadata) return {};
    MetadataEdit edit;
    edit.KeptStart = m_Start;
    edit.KeptEnd = m_End;
    edit.LeadFrames = pLead;
    edit.TailFrames = pTail;
    // The loudness mode measured the range: the result's loudness is that plus the gain,
    // where every channel got the same one.
    if (NormModeInfo(m_A.Mode).ByLoudness && m_Loudness &&
        (m_Info.Channels == 1 || pFormat.DbL == pFormat.DbR)) {
        const double gainDb = pFormat.DbL;
        MetadataLoudness loudness;
        loudness.IntegratedLufs = m_Loudness->IntegratedLufs + gainDb;
        if (m_Loudness->HasRange) loudness.RangeLu = m_Loudness->RangeLu;
        if (m_Loudness->HasTruePeak) loudness.TruePeakDbtp = m_Loudness->TruePeakDbtp() + gainDb;
        edit.Loudness = loudness;
    }
    MetadataChunks kept = AdjustMetadata(ReadMetadataChunks(m_Source, m_Info), edit);
    for (const DroppedChunk& d : kept.Dropped)
        if (LosesMetadata(d)) m_LostMetadata.push_back(d);
    return kept;
}

bool JobRun::OneFactor(const BlockFormat& pFormat) const {
    if (m_A.FadeInFrames != 0 || m_A.FadeOutFrames != 0) return false;
    if (m_Info.Channels == 2 && pFormat.DbL != pFormat.DbR) return false;
    // No sample may saturate: the peak of the range times the factor within what the format
    // holds, give or take the gain's rounding (an unknown peak only for a factor that does not
    // raise it).
    const double factor = std::pow(10.0, pFormat.DbL / 20.0);
    const double top = !Float() ? m_F : m_A.Clip ? 1.0 : double(std::numeric_limits<float>::max());
    return m_Levels.Peak > 0.0 ? m_Levels.Peak * factor <= top * (1.0 + 1e-6) : factor <= 1.0;
}

void JobRun::WriteOutput() {
    const int64_t align = m_Info.BlockAlign;
    const int64_t lead = m_A.ForceMargins ? m_LeadPad : 0;
    const int64_t tail = m_A.ForceMargins ? m_TailPad : 0;
    const int64_t dataBytes = (lead + (m_End - m_Start) + tail) * align;
    const int64_t pad = dataBytes % 2;

    BlockFormat fmt;
    fmt.BitsPerSample = m_Info.BitsPerSample;
    fmt.Channels = m_Info.Channels;
    fmt.Float = Float();
    fmt.Clip = m_A.Clip;
    fmt.DbL = ChannelDb(m_A.AdjustLeftDb, m_Gain, fmt.BitsPerSample == 32);
    fmt.DbR = ChannelDb(m_A.AdjustRightDb, m_Gain, fmt.BitsPerSample == 32);
    fmt.Start = m_Start;
    fmt.End = m_End;
    fmt.FadeIn = m_A.FadeInFrames;
    fmt.FadeOut = m_A.FadeOutFrames;
    const bool copyThrough =
        fmt.DbL == 0.0 && fmt.DbR == 0.0 && m_A.FadeInFrames == 0 && m_A.FadeOutFrames == 0;
    // The written audio is measured again only where it is not the measured range times one
    // factor; otherwise its loudness follows from the gain.
    std::optional<LoudnessMeter> writtenMeter;
    if (m_Loudness && !copyThrough && !OneFactor(fmt)) writtenMeter = MakeLoudnessMeter();

    // Metadata chunks stand where they stood in the source: before the data or after it.
    MetadataChunks metadata = KeptMetadata(lead, tail, fmt);
    PlaceAroundData(metadata.Kept, dataBytes);
    const std::vector<uint8_t> beforeData = ChunkBytes(metadata.Kept, true);
    const std::vector<uint8_t> afterData = ChunkBytes(metadata.Kept, false);
    const int64_t metadataBytes = int64_t(beforeData.size() + afterData.size());

    errno = 0;
    // An output past the 32-bit sizes is written as RF64.
    m_Out = CreateWaveHeaderLike(m_Info, m_A.TargetPath, metadataBytes + dataBytes + pad);
    if (m_Out == 0) throw WriteFailure(errno);
    m_Created = IdentityOf(m_Out);
    if (WriteChunksBeforeData(m_Out, beforeData) == 0) throw WriteFailure(errno);
    WriteSilence(lead * align);

    const int64_t blockFrames = BlockFrames();
    const BlockConverter converter(fmt);
    SourceReader reader(m_Source, m_Info, m_End, PieceFrames());
    const double base = double(m_N - 1) / m_N;
    for (int64_t pos = m_Start; pos < m_End;) {
        platform::PumpEvents();
        const int64_t n = std::min(blockFrames, m_End - pos);
        ForEachPiece(reader, pos, n, [&](uint8_t* pData, int64_t pFirst, int64_t pFrames) {
            if (!copyThrough) converter.Convert(pData, pFrames, pFirst);
            if (writtenMeter) writtenMeter->Feed(pData, pFrames);
            Append(pData, pFrames * align);
        });
        pos += n;
        Report(base, m_Start, m_End, pos);
    }

    if (writtenMeter)
        m_WrittenLoudness = writtenMeter->Result();
    else if (m_Loudness)
        m_WrittenLoudness = Scaled(*m_Loudness, copyThrough ? 0.0 : fmt.DbL);
    WriteSilence(tail * align);
    if (pad != 0) {
        const uint8_t padByte = SilenceByte(m_Info.BitsPerSample);
        Append(&padByte, 1);
    }
    if (!afterData.empty()) Append(afterData.data(), int64_t(afterData.size()));
    errno = 0;
    // The data size leaves out the pad byte and the chunks after the audio.
    if (FixWaveSizes(m_A.TargetPath, int32_t(pad + int64_t(afterData.size())), 0, m_Out) == 0)
        throw WriteFailure(errno);
}

// Measures the range: the first pass, trimming, the mode's second pass.
void JobRun::MeasureRange() {
    if (!(m_A.Trim || m_A.Normalize)) {
        m_Start = m_From;
        m_End = m_To;
        if (m_A.MeasureLoudness) RunSecondPass(false);
        return;
    }
    RunFirstPass();
    if (CheckOnly()) {
        // A check measures the loudness of the whole range.
        if (m_A.MeasureLoudness) {
            m_Start = m_From;
            m_End = m_To;
            RunSecondPass(false);
        }
        return;
    }
    TrimRange();
    const NormModeRow& mode = NormModeInfo(m_A.Mode);
    if (mode.NeedsSecondPass || m_A.MeasureLoudness)
        RunSecondPass(mode.NeedsSecondPass && !mode.ByLoudness);
}

void JobRun::Run() {
    SetUp();
    if (m_A.Measured)
        UseMeasure(*m_A.Measured);
    else
        MeasureRange();
    if (Writes()) {
        if (m_A.Trim || m_A.Normalize) ComputeGain();
        WriteOutput();
    }
    m_Finished = true;
}

float LevelDb(double pLevel, double pFullScale) {
    return LinearToDb(float(pLevel / pFullScale));
}

// A level in sample units: float levels on the 32-bit integer scale, unclipped; the largest
// 32-bit integer magnitude (2^31) as 2147483647.
double LevelResult(double pLevel, double pFullScale) {
    if (pFullScale == 1.0) return std::nearbyint(pLevel * 2147483647.0);
    return std::min(pLevel, 2147483647.0);
}

EditLevels LevelsOf(const Levels& pL) {
    EditLevels out;
    out.MaxPeak = LevelResult(pL.Peak, pL.FullScale);
    out.MaxRms = LevelResult(pL.MaxRms, pL.FullScale);
    out.NormRms = LevelResult(pL.NormRms, pL.FullScale);
    out.MaxPeakDb = LevelDb(pL.Peak, pL.FullScale);
    out.MaxRmsDb = LevelDb(pL.MaxRms, pL.FullScale);
    out.NormRmsDb = LevelDb(pL.NormRms, pL.FullScale);
    return out;
}

} // namespace

namespace {

// Runs a job and fills in the result; pFill(run, result) takes what the job found.
template <typename Fill>
EditResult RunJob(const EditJob& pJob, const C_EditWave::Progress& pProgress, bool pSetMeasure,
                  bool pLevels, Fill pFill) {
    EditResult result;
    if (pLevels) result.Levels = EditLevels{};
    Reporter report = [&pProgress](float pRate) {
        const bool cancel = pProgress && pProgress(pRate);
        platform::PumpEvents();
        return cancel;
    };
    try {
        JobRun run(pJob, report, pSetMeasure);
        run.Run();
        if (pLevels) result.Levels = LevelsOf(run.Measured());
        result.Loudness = run.MeasuredLoudness();
        pFill(run, result);
        result.Status = EditStatus::Done;
    } catch (const JobFailed& failed) {
        result.Status = failed.Status;
        result.Detail = failed.Detail;
    } catch (const std::bad_alloc&) {
        result.Status = EditStatus::OutOfMemory;
    } catch (const std::range_error&) {
        result.Detail = "a value out of range";
    } catch (...) {
    }
    return result;
}

} // namespace

EditResult C_EditWave::Edit(const EditJob& pJob, const Progress& pProgress) const {
    const bool writes = !pJob.TargetPath.empty() && pJob.Check != LevelCheck::MeasureOnly;
    return RunJob(pJob, pProgress, false, pJob.Check != LevelCheck::Off,
                  [writes](const JobRun& pRun, EditResult& pResult) {
                      if (!writes) return;
                      pResult.KeptFrames = pRun.KeptFrames();
                      pResult.GainDb = 20.0 * std::log10(pRun.Gain());
                      pResult.Limit = pRun.Limit();
                      if (pResult.Limit != GainLimit::None)
                          pResult.ReachedLevel = pRun.ReachedLevel();
                      pResult.SourceLoudness = pRun.MeasuredLoudness();
                      pResult.Loudness = pRun.WrittenLoudness();
                      pResult.LostMetadata = pRun.LostMetadata();
                  });
}

EditResult C_EditWave::Measure(const EditJob& pJob, const Progress& pProgress) const {
    EditJob job = pJob;
    job.Measured.reset();
    job.SetLevel.reset();
    return RunJob(job, pProgress, true, true, [](const JobRun& pRun, EditResult& pResult) {
        pResult.KeptFrames = pRun.KeptFrames();
        pResult.Measured = pRun.Kept();
    });
}

std::optional<EditJob> PositionalJob(const std::string& pSourceFN, const std::string& pTargetFN,
                                     int64_t pFrom, int64_t pTo, int32_t pUseTh, float pThIn,
                                     float pThOut, int32_t pStartMargin, int32_t pEndMargin,
                                     int32_t pForceMargin, int32_t pUseNorm, float pNormLevel,
                                     int32_t pNormMode, int32_t pRMSmsec, float pRMSdb,
                                     int32_t pClip, float pAdjustdbL, float pAdjustdbR,
                                     int32_t pFadeInSample, int32_t pFadeOutSample,
                                     int32_t pCheckLevel) {
    EditJob job;
    job.SourcePath = pSourceFN;
    job.TargetPath = pTargetFN;
    job.FromFrame = pFrom;
    job.ToFrame = pTo;
    job.Trim = pUseTh != 0;
    job.StartThresholdDb = pThIn;
    job.EndThresholdDb = pThOut;
    job.StartMarginMs = pStartMargin;
    job.EndMarginMs = pEndMargin;
    job.ForceMargins = pForceMargin == 1;
    job.Normalize = pUseNorm != 0;
    job.NormLevelDb = pNormLevel;
    job.GateMs = pRMSmsec;
    job.GateDb = pRMSdb;
    job.Clip = pClip != 0;
    job.AdjustLeftDb = pAdjustdbL;
    job.AdjustRightDb = pAdjustdbR;
    job.FadeInFrames = pFadeInSample;
    job.FadeOutFrames = pFadeOutSample;
    job.Check = pCheckLevel == 0   ? LevelCheck::Off
                : pCheckLevel == 1 ? LevelCheck::MeasureOnly
                                   : LevelCheck::Store;
    const std::optional<NormMode> mode = NormModeFromIndex(pNormMode);
    if (job.Normalize && !mode) return std::nullopt;
    job.Mode = mode.value_or(NormMode::Peak);
    return job;
}

EditResult C_EditWave::EditWave(const std::string& pSourceFN, const std::string& pTargetFN,
                                int64_t pFrom, int64_t pTo, int32_t pUseTh, float pThIn,
                                float pThOut, int32_t pStartMargin, int32_t pEndMargin,
                                int32_t pForceMargin, int32_t pUseNorm, float pNormLevel,
                                int32_t pNormMode, int32_t pRMSmsec, float pRMSdb, int32_t pClip,
                                float pAdjustdbL, float pAdjustdbR, int32_t pFadeInSample,
                                int32_t pFadeOutSample, int32_t pCheckLevel,
                                const Progress& pProgress) const {
    const std::optional<EditJob> job =
        PositionalJob(pSourceFN, pTargetFN, pFrom, pTo, pUseTh, pThIn, pThOut, pStartMargin,
                      pEndMargin, pForceMargin, pUseNorm, pNormLevel, pNormMode, pRMSmsec, pRMSdb,
                      pClip, pAdjustdbL, pAdjustdbR, pFadeInSample, pFadeOutSample, pCheckLevel);
    if (!job) {
        // An unknown mode would normalise by nothing; refuse it rather than guess.
        EditResult refused;
        if (pCheckLevel != 0) refused.Levels = EditLevels{};
        refused.Status = EditStatus::InvalidArgument;
        refused.Detail = "normalisation mode " + std::to_string(pNormMode);
        return refused;
    }
    return Edit(*job, pProgress);
}
