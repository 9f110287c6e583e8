#pragma once

// Deterministic test WAV files for benchmarks and command-line tests: a lead silence, a
// speech-like signal (tones under a slow envelope plus pseudo-random noise, with pauses)
// whose peak sits at a chosen level, and a tail silence. The same options always give the
// same bytes. Written in pieces, so any length needs little memory.

#include <cstdint>
#include <string>
#include <vector>

struct WavGenOptions {
    int32_t Rate = 44100;
    int32_t Bits = 16;  // 8, 16, 24 or 32
    bool Float = false; // 32-bit IEEE float samples (format tag 3)
    int32_t Channels = 2;
    double Seconds = 10.0;    // length of the signal part
    double LeadSilence = 1.0; // seconds of silence before it
    double TailSilence = 1.0; // and after it
    double PeakDb = -6.0;     // level of the loudest sample, dB relative to full scale
    uint32_t Seed = 1;
};

// Appends a 16- or 32-bit value, least significant byte first (the WAV byte order).
void AppendLe16(std::vector<uint8_t>& pBytes, uint32_t pValue);
void AppendLe32(std::vector<uint8_t>& pBytes, uint32_t pValue);

// Writes the file; false when it cannot be written.
bool GenerateWav(const std::string& pPath, const WavGenOptions& pOptions);
