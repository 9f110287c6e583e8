#include "engine/PlayRender.h"

#include "engine/EditPass.h"
#include "engine/LevelAnalysis.h"

#include <algorithm>
#include <cmath>
#include <cstring>

FrameWindow StartWindow(int64_t pTotal, int32_t pRate, double pSeconds) {
    const int64_t n = std::min<int64_t>(pTotal, std::llround(pSeconds * pRate));
    return {0, std::max<int64_t>(n, 0)};
}

FrameWindow EndWindow(int64_t pTotal, int32_t pRate, double pSeconds) {
    const FrameWindow w = StartWindow(pTotal, pRate, pSeconds);
    return {pTotal - w.Frames, w.Frames};
}

PlayRender::PlayRender(const std::string& pPath, const EditJob& pJob, const JobPreview& pPreview,
                       bool pAsIs)
    : m_AsIs(pAsIs) {
    m_Handle = OpenForRead(pPath);
    if (m_Handle == 0) {
        m_Failure = Refusal{EditStatus::SourceUnreadable, {}};
        return;
    }
    m_Info = ReadWaveInfoFrom(m_Handle);
    if (std::optional<Refusal> refusal = RefusalOf(m_Info)) {
        m_Failure = std::move(refusal);
        return;
    }
    if (pAsIs) {
        m_Frames = m_Info.SampleFrames;
        return;
    }
    if (!pPreview.Range || !pPreview.Gain) {
        m_Failure = Refusal{EditStatus::EmptyRange, {}};
        return;
    }
    const TrimmedRange& r = *pPreview.Range;
    if (r.End > m_Info.SampleFrames) {
        m_Failure = Refusal{EditStatus::ReadFailed, "the file changed since it was measured"};
        return;
    }
    const bool forced = pJob.Trim && pJob.ForceMargins;
    m_Lead = forced ? r.LeadPad : 0;
    m_Start = r.Start;
    m_End = r.End;
    m_Frames = m_Lead + (r.End - r.Start) + (forced ? r.TailPad : 0);

    // The write pass's format and its copy-through rule.
    BlockFormat fmt;
    fmt.BitsPerSample = m_Info.BitsPerSample;
    fmt.Channels = m_Info.Channels;
    fmt.Float = Float();
    fmt.Clip = pJob.Clip;
    fmt.DbL = ChannelDb(pJob.AdjustLeftDb, *pPreview.Gain, fmt.BitsPerSample == 32);
    fmt.DbR = ChannelDb(pJob.AdjustRightDb, *pPreview.Gain, fmt.BitsPerSample == 32);
    fmt.Start = r.Start;
    fmt.End = r.End;
    fmt.FadeIn = pJob.FadeInFrames;
    fmt.FadeOut = pJob.FadeOutFrames;
    m_CopyThrough = fmt.DbL == 0.0f && fmt.DbR == 0.0f && fmt.FadeIn == 0 && fmt.FadeOut == 0;
    m_Converter = std::make_unique<BlockConverter>(fmt);
}

PlayRender::~PlayRender() {
    CloseFile(m_Handle);
}

bool PlayRender::Float() const {
    return IsFloat32Encoding(m_Info) == 1;
}

bool PlayRender::ReadSource(int64_t pFrame, int64_t pFrames, uint8_t* pOut) {
    const int64_t align = m_Info.BlockAlign;
    int64_t got = 0;
    const int64_t bytes = pFrames * align;
    if (ReadByHandle(m_Handle, m_Info.DataOffset + pFrame * align, pOut, int32_t(bytes), &got) ==
            0 ||
        got != bytes) {
        m_Failure = Refusal{EditStatus::ReadFailed, {}};
        return false;
    }
    if (Float()) {
        if (std::optional<Refusal> refusal =
                NonFiniteRefusal(pOut, pFrame, pFrames, m_Info.Channels)) {
            m_Failure = std::move(refusal);
            return false;
        }
    }
    return true;
}

bool PlayRender::Read(int64_t pFirst, int64_t pFrames, std::vector<uint8_t>& pOut) {
    if (m_Failure) return false;
    const int64_t first = std::clamp<int64_t>(pFirst, 0, m_Frames);
    const int64_t frames = std::clamp<int64_t>(pFrames, 0, m_Frames - first);
    const int64_t align = m_Info.BlockAlign;
    pOut.assign(size_t(frames * align), SilenceByte(m_Info.BitsPerSample));
    if (m_AsIs) return frames == 0 || ReadSource(first, frames, pOut.data());
    // The part of the window inside the kept range; the rest is forced-margin silence.
    const int64_t keptFirst = std::max(first, m_Lead);
    const int64_t keptLast = std::min(first + frames, m_Lead + (m_End - m_Start));
    if (keptLast <= keptFirst) return true;
    uint8_t* at = pOut.data() + (keptFirst - first) * align;
    const int64_t source = m_Start + (keptFirst - m_Lead);
    if (!ReadSource(source, keptLast - keptFirst, at)) return false;
    if (!m_CopyThrough) m_Converter->Convert(at, keptLast - keptFirst, source);
    return true;
}
