#pragma once
// The play length of a Standard MIDI File, from its tempo map.

#include "media/ByteSource.h"

#include <cstdint>
#include <optional>

// Milliseconds from the start to the last track's end, with every tempo change of the file
// applied (format 2: the sequences one after another). SMPTE time divisions count frames
// instead. Nothing when the source is no MIDI file (also in a RIFF "RMID" wrapper) or its
// length does not fit in 32 bits.
std::optional<int32_t> MidiLengthMs(const ByteSource& pSource);
