#pragma once
// The length of a compressed WAV file from its "fact" chunk.

#include <cstdint>
#include <optional>
#include <string>

// Compressed WAV data (ADPCM and the like) has no fixed bytes per frame, and GStreamer's
// estimate of its length from the byte rate can be far off, or it may have no decoder for it;
// the "fact" chunk holds the true frame count. The length in milliseconds (nearest) for a
// RIFF/WAVE file whose format is not PCM and whose "fact" chunk gives a frame count above 0;
// nothing otherwise, and for a length beyond the 32-bit range.
std::optional<int32_t> CompressedWaveLengthMs(const std::string& pPath);
