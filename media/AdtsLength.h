#pragma once
// The length of an ADTS AAC stream, counted from its frame headers.

#include <cstdint>
#include <optional>
#include <string>

// Every ADTS frame header gives the frame's size and its number of AAC blocks (1024 samples
// each), so counting the frames gives the exact length, where GStreamer's estimate from the
// bit rate still moves for a while after the graph is prerolled. An ID3v2 tag in front is
// skipped; the count stops at the first bytes that are not a frame header of the same
// stream (a tag or damage at the end). The length in milliseconds (nearest) when the file
// starts with such frames; nothing otherwise, and for a length beyond the 32-bit range.
std::optional<int32_t> AdtsLengthMs(const std::string& pPath);
