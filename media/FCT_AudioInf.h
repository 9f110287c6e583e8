#pragma once
// The three facts the file list shows for a sound file: whether a reader
// understood it, its play length and a one-line format summary.

#include <cstdint>
#include <string>

struct AudioInfo {
    int32_t Valid = 0;    // 1 when a reader found audio in the file
    int32_t LengthMs = 0; // play length in milliseconds; 0 when no reader supplied one
    std::string Text;     // format summary, else the file-type description, else empty
    std::string Problem;  // why Valid is 0 ("empty file", "cannot read"); empty when valid
};

// Describes the file at pPath. The reader is chosen by the lower-cased extension: "wav"
// through the WAV header, "mp1"/"mp2"/"mp3" through the MPEG header parser, program streams
// by counting their MPEG audio frames, MIDI by its tempo map, FLAC, Ogg, AIFF and Wave64 from
// their headers, a fixed list of compressed formats through the media framework (bounded in
// time); anything else only gets the type name. A missing file gives Valid 0, LengthMs 0 and
// an empty Text; a file with no audio a reader can find gives Valid 0 and a Problem.
AudioInfo GetAudioInfo(const std::string& pPath);

// A human-readable description of the file's type ("WAV audio", "MP3 audio"); empty when
// none is known.
std::string GetShellTypeName(const std::string& pPath);
