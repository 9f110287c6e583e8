#pragma once
// Why a file could not be edited, in the words both front ends show: quillan-batch's error
// line and the window's row status.

#include "engine/EditJob.h"
#include "engine/EditStatus.h"

#include <cstdint>
#include <string>

// What keeps a source from being edited before the engine sees it: "missing", "not a
// regular file" or "cannot read: ..."; empty for a regular file, whose size goes to bytes.
std::string SourceProblem(const std::string& pPath, int64_t* pBytes = nullptr);

// Why a job the engine did not finish failed, from its status and detail: missing, not a
// WAV file it can edit (and why: "A-law", "4 channels", what the first bytes show), disk
// full where the result was going, a failed write, ... targetFolder is where the result was
// going. Reads at most the source's first bytes.
std::string FailureReason(const std::string& pSource, const std::string& pTargetFolder,
                          EditStatus pStatus, const std::string& pDetail);

// Why a source with no sound above the start threshold was not replaced, and what is said of
// a result that was written all the same.
inline constexpr const char* kNoSoundKept = "no sound above the start threshold: source kept";
inline constexpr const char* kNoSoundWritten =
    "no sound above the start threshold: the result holds no audio";
// The same for a range that holds no frames (--from past --to or past the end) without trimming.
inline constexpr const char* kEmptyRangeKept = "empty range: source kept";
inline constexpr const char* kEmptyRangeWritten = "empty range: the result holds no audio";

// What is said of a result that a limit kept below its normalisation target, naming the limit
// and the level reached (pLufs: the loudness mode): "the true-peak ceiling of -1.0 dBTP
// lowered the gain: -25.3 LUFS instead of -23.0", "the sample peak lowered the gain: -3.2 dB
// instead of 0.0"; empty without a limit.
std::string LimitNote(GainLimit pLimit, float pCeilingDb, double pReached, float pTarget,
                      bool pLufs);
