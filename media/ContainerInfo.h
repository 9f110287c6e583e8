#pragma once
// Format facts read straight from the headers of containers that carry their own sample
// counts: FLAC, Ogg (Vorbis and Opus), AIFF/AIFC and Sony Wave64.

#include "media/ByteSource.h"

#include <cstdint>
#include <optional>
#include <string>

struct ContainerInfo {
    std::string Kind; // "flac", "vorbis", "opus", "aiff", "aifc", "w64"
    int32_t SampleRate = 0;
    int32_t BitsPerSample = 0; // 0 for lossy codecs, which have none
    int32_t Channels = 0;
    int32_t LengthMs = 0;

    // "flac(44100Hz/16bit/Stereo)", "opus(48000Hz/Stereo)".
    std::string Text() const;
};

// The facts of the first container these headers say the source is; nothing when it is none
// of them, its header is damaged or gives no length.
std::optional<ContainerInfo> ReadContainerInfo(const ByteSource& pSource);
