#pragma once

// The audio a job writes, read a stretch at a time for listening before the run: the same
// kept range, forced-margin silence, gain, level adjustment, fades and saturation as the
// write pass (its own block converter), in the source's format. Frames count from the
// result's first frame. "As is" reads the source's frames unchanged instead.

#include "engine/EditJob.h"
#include "engine/FileIO.h"
#include "engine/JobRules.h"
#include "engine/WaveMMIO.h"
#include "engine/WaveOverview.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class BlockConverter;

// A stretch of frames [First, First + Frames).
struct FrameWindow {
    int64_t First = 0;
    int64_t Frames = 0;
};
// The first / last pSeconds of pTotal frames at pRate (all of them when shorter).
FrameWindow StartWindow(int64_t pTotal, int32_t pRate, double pSeconds);
FrameWindow EndWindow(int64_t pTotal, int32_t pRate, double pSeconds);

class PlayRender {
  public:
    // The result of pJob on the file, with the range and gain pPreview found for it (the
    // preview of the file as it is now, its gain known); pAsIs: the source unchanged.
    PlayRender(const std::string& pPath, const EditJob& pJob, const JobPreview& pPreview,
               bool pAsIs);
    ~PlayRender();
    PlayRender(const PlayRender&) = delete;
    PlayRender& operator=(const PlayRender&) = delete;

    // Why nothing can be played (unreadable, unsupported, changed since the preview); none
    // when ready.
    const std::optional<Refusal>& Failure() const { return m_Failure; }
    const WaveInfo& Info() const { return m_Info; }
    bool Float() const;
    // Frames of what plays: the result's frames, or the source's.
    int64_t Frames() const { return m_Frames; }

    // Replaces pOut with frames [pFirst, pFirst + pFrames) (cut at the end); false on a failed
    // read or a float sample that is not a finite number (Failure() then tells).
    bool Read(int64_t pFirst, int64_t pFrames, std::vector<uint8_t>& pOut);

  private:
    bool ReadSource(int64_t pFrame, int64_t pFrames, uint8_t* pOut);

    FileHandle m_Handle = 0;
    WaveInfo m_Info;
    std::optional<Refusal> m_Failure;
    bool m_AsIs = false;
    int64_t m_Frames = 0;
    int64_t m_Lead = 0; // silence before the kept range
    int64_t m_Start = 0, m_End = 0;
    bool m_CopyThrough = true;
    std::unique_ptr<BlockConverter> m_Converter;
};
