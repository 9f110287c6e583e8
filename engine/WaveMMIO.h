#pragma once

// The RIFF/WAVE container: header reader, header writer, size fixes, 24-bit packing and the
// kind of a sound file. All file access goes through engine/FileIO.h (64-bit positions).
// A handle passed in is used and left open; a file opened inside an operation is closed
// before it returns.

#include "engine/FileIO.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct WaveInfo {
    int32_t Valid = 0;        // 1 when "fmt " and "data" were found and the format is supported
    int64_t SampleFrames = 0; // DataSize / bytes per frame
    int32_t SampleRate = 0;   // Hz
    int16_t BitsPerSample = 0;
    int16_t Channels = 0;
    int32_t BlockAlign = 0;    // bytes per frame, BitsPerSample * Channels / 8 (nearest)
    int32_t DataOffset = 0;    // offset of the first audio byte
    int64_t DataSize = 0;      // audio bytes present: the "data" size field, cut at the end of
                               // the file; 0 or 0xFFFFFFFF (unfinished) runs to the end
    int64_t DataSizeField = 0; // the "data" chunk's size field as stored (unsigned 32-bit)
    int64_t FileSize = 0;      // length of the file
    int32_t FormatCode = 0;    // 0..9, see WaveFormatCode
    int32_t LengthMs = 0;      // SampleFrames / SampleRate * 1000, nearest, at most 2147483647
    int32_t FormatTag = 0;     // "fmt " format tag, sign-extended (0xFFFE reads as -2)
    // The encoding: the format tag, or for an extensible header (0xFFFE) the tag of its
    // sub-format GUID; -1 when the extension is cut short or its GUID is not a tag GUID.
    int32_t SubFormatTag = 0;
    int32_t HasFormat = 0; // 1 once a "fmt " chunk was read, even one that is not supported
    // Of an extensible header: the speaker positions and the valid bits per sample (0 for
    // a plain header).
    uint32_t ChannelMask = 0;
    int16_t ValidBits = 0;
};

// Encodings by format tag.
constexpr int32_t kTagPcm = 1;
constexpr int32_t kTagFloat = 3;
constexpr int32_t kTagExtensible = -2; // 0xFFFE sign-extended

// 1 when the samples are integer PCM (tag 1, or an extensible header whose sub-format is PCM).
int32_t IsPcmEncoding(const WaveInfo& pInfo);
// 1 for 32-bit IEEE float samples (tag 3, or an extensible header with the float sub-format).
int32_t IsFloat32Encoding(const WaveInfo& pInfo);
// 1 when the engine edits the encoding: integer PCM or 32-bit float.
int32_t IsEditableEncoding(const WaveInfo& pInfo);
// What the encoding is, for a refusal: "A-law", "64-bit float", "IMA ADPCM", "format tag
// 0x0040", "extensible header cut short", ...; empty for PCM and 32-bit float.
std::string EncodingName(const WaveInfo& pInfo);
// Why a layout is not edited: "9 channels", "12-bit", "12-bit, 9 channels"; empty for 8, 16,
// 24 or 32 bits in one to eight channels.
std::string LayoutProblem(const WaveInfo& pInfo);

// Chunk ids as the four id bytes read little-endian.
constexpr uint32_t kChunkRiff = 0x46464952; // "RIFF"
constexpr uint32_t kChunkWave = 0x45564157; // "WAVE"
constexpr uint32_t kChunkFmt = 0x20746D66;  // "fmt "
constexpr uint32_t kChunkData = 0x61746164; // "data"
constexpr uint32_t kChunkDs64 = 0x34367364; // "ds64" (RF64 sizes)
constexpr uint32_t kChunkRf64 = 0x34364652; // "RF64"
constexpr uint32_t kChunkJunk = 0x4B4E554A; // "JUNK"

// The largest file the 32-bit RIFF size fields describe; a longer one is written as RF64.
constexpr int64_t kMaxRiffFileBytes = 4294967295LL;
// A header that may have to become RF64 holds a "JUNK" chunk of this many bytes (28 bytes of
// body: the 64-bit RIFF size, data size and frame count and an empty table) right after
// "WAVE"; FixWaveSizes turns it into the "ds64" chunk when the file passes 4 GiB.
constexpr int32_t kRf64ReserveBytes = 36;

// The sample layout code for a channel count and width; -1 when unsupported.
// 1/8:0 2/8:1 1/16:2 2/16:3 1/24:4 2/24:5 6/16:6 8/16:7 6/24:8 8/24:9; the other layouts of
// 1 to 8 channels of 8, 16, 24 or 32 bits: 10 + 8 * (bits / 8 - 1) + channels - 1 (up to 41).
int32_t WaveFormatCode(int32_t pChannels, int32_t pBitsPerSample);

// Reads the header of a WAV file. Valid 0 when the chunks are missing, the format is
// unsupported or the file cannot be read; the fields read before the stop are kept.
WaveInfo ReadWaveInfo(const std::string& pPath);
// The same through an open read handle, which stays open.
WaveInfo ReadWaveInfoFrom(FileHandle pHandle);

// Offset of the chunk's id in the chunk list from offset 12, or -1 when not found.
int64_t FindChunk(const std::string& pPath, uint32_t pId);

// Deletes any file at the path and writes a plain 44-byte header (or the 68-byte extensible
// header for 6 and 8 channels) with the given data size (a 32-bit field pattern). With
// pKeepOpen 1 returns the open write handle (0 on failure); otherwise closes the file and
// returns 1 (0 on failure).
FileHandle WriteWaveHeader(int32_t pSampleRate, int16_t pBitsPerSample, int16_t pChannels,
                           const std::string& pPath, int32_t pDataSize, int32_t pKeepOpen);

// Creates a new file at the path (never one that exists: 0 then, with errno EEXIST) and
// writes the header WriteWaveHeader writes with a data size of 0. pFollowingBytes is what
// will be appended after the header (audio, pad byte): when the file would pass
// kMaxRiffFileBytes, the header reserves the room of the RF64 sizes. Returns the open write
// handle, 0 on failure.
FileHandle CreateWaveHeader(int32_t pSampleRate, int16_t pBitsPerSample, int16_t pChannels,
                            const std::string& pPath, int64_t pFollowingBytes = 0);

// The speaker positions of a header without a mask of its own: mono centre, stereo, then
// 0x7, 0x33 (quad), 0x37, 0x3F (5.1), 0x13F (6.1) and 0xFF for 3 to 8 channels, the first
// channels beyond.
uint32_t DefaultChannelMask(int32_t pChannels);
// The channel mask an edited copy of the source carries: the source's own in an extensible
// header, else the default of its channel count.
uint32_t ResultChannelMask(const WaveInfo& pSource);

// The same for an edited copy of a source: its rate, width, channels and encoding; an
// extensible header (the source's channel mask, valid bits and sub-format) when the source
// had one or holds more than two channels (then ResultChannelMask), else a plain
// one (44 bytes for PCM; 46 for float, whose format chunk carries an empty extension).
FileHandle CreateWaveHeaderLike(const WaveInfo& pSource, const std::string& pPath,
                                int64_t pFollowingBytes = 0);

// Rewrites the RIFF size (and, unless pRiffSizeOnly, the data size minus pPad) from the
// current length of the file. Through pHandle when not 0, else by path. 1 on success.
// A file longer than kMaxRiffFileBytes becomes RF64 when its header holds the reserved
// "JUNK" chunk ("RF64", "ds64" with the sizes, 0xFFFFFFFF in the 32-bit fields); without it
// the call fails. A file that stays below keeps the "JUNK" chunk as plain RIFF.
int32_t FixWaveSizes(const std::string& pPath, int32_t pPad, int32_t pRiffSizeOnly,
                     FileHandle pHandle);

// Sets the data chunk to pDataSize (plus a pad byte when odd), rewrites the RIFF size to
// match and cuts or extends the file to the end of that chunk. 1 on success.
int32_t SetWaveDataSize(const std::string& pPath, int64_t pDataSize, FileHandle pHandle);

// Packed 24-bit samples: three bytes, least significant first.
using Packed24Mono = std::array<uint8_t, 3>;
using Packed24Stereo = std::array<uint8_t, 6>;
using SamplePair = std::array<int32_t, 2>; // left, right
static_assert(sizeof(Packed24Mono) == 3 && sizeof(Packed24Stereo) == 6,
              "packed groups must be contiguous bytes so raw reads can fill them");

// One packed sample -> signed value (-8388608..8388607).
inline int32_t Unpack24(const uint8_t* pBytes) {
    int32_t v = int32_t(pBytes[0]) | (int32_t(pBytes[1]) << 8) | (int32_t(pBytes[2]) << 16);
    return v > 0x7FFFFF ? v - 0x1000000 : v;
}
// Clamps to -8388608..8388607 and stores three bytes.
inline void Pack24(int32_t pValue, uint8_t* pBytes) {
    int32_t v = pValue > 0x7FFFFF ? 0x7FFFFF : (pValue < -0x800000 ? -0x800000 : pValue);
    if (v < 0) v += 0x1000000;
    pBytes[0] = uint8_t(v & 0xFF);
    pBytes[1] = uint8_t((v >> 8) & 0xFF);
    pBytes[2] = uint8_t(v >> 16);
}

// Resize the output to the input's count, then convert every element.
void Unpack24Mono(const std::vector<Packed24Mono>& pPacked, std::vector<int32_t>& pValues);
void Unpack24Stereo(const std::vector<Packed24Stereo>& pPacked, std::vector<SamplePair>& pValues);
void Pack24Mono(const std::vector<int32_t>& pValues, std::vector<Packed24Mono>& pPacked);
void Pack24Stereo(const std::vector<SamplePair>& pValues, std::vector<Packed24Stereo>& pPacked);

// "wav", "mp2", "mp3", "wmariff" from the format tag, else the path's extension.
std::string GetSoundFileType(const std::string& pPath);
