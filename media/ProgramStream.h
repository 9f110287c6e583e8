#pragma once
// The MPEG audio inside an MPEG program stream (.mpg, .vob).

#include "media/ByteSource.h"

#include <cstdint>
#include <optional>
#include <vector>

// The payload of the first MPEG audio stream's packets, joined in order: an MPEG audio
// elementary stream whose frames can be counted. Nothing when the source does not start with
// a pack header or holds no MPEG audio packet.
std::optional<std::vector<uint8_t>> ProgramStreamAudio(const ByteSource& pSource);
