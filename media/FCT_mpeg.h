#pragma once
// MPEG audio header parser: reads the first frame header that the next frame's header confirms
// (and an optional "Xing", "Info" or "VBRI" header in that frame) straight from the file,
// without a decoder. MPEG-1, MPEG-2 and MPEG-2.5, Layers I to III.

#include "media/ByteSource.h"

#include <cstdint>
#include <functional>
#include <string>

struct MpegInfo {
    int32_t StartPos = 1;   // 1-based file position of the accepted frame header
    int32_t DataSize = 0;   // audio bytes from StartPos up to the tags at the end, else to the end
    int32_t EndPos = 0;     // 1-based position of the last audio byte
    int32_t FileSize = 0;   // size of the file in bytes
    int32_t BlockBytes = 0; // byte count of 3456 samples at the bitrate
    int32_t IsVbr = 0; // 1 for a "Xing" or "VBRI" header ("Info": CBR), or frames at several rates
    int32_t FrameCount = 0;  // frame count of the "Xing", "Info" or "VBRI" header
    int32_t SampleRate = 0;  // Hz
    int32_t IsLsf = 0;       // 1 for MPEG-2 and MPEG-2.5 (low sampling frequencies)
    int32_t BitRate = 0;     // kbit/s: nominal, or the average for VBR
    int32_t Channels = 0;    // 1 or 2
    int32_t ChannelMode = 0; // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    int32_t Layer = 0;       // 1, 2 or 3
    int32_t LengthMs = 0;    // play length in milliseconds
    std::string ShortText;   // "mp3(44.1kHz/128kb/JS)", padded with blanks to 255 characters
    std::string LongText;    // "mp3(44100Hz/128kbps/JointStereo)", padded likewise
    uint8_t HeaderByte1 = 0; // second, third and fourth byte of the accepted header
    uint8_t HeaderByte2 = 0;
    uint8_t HeaderByte3 = 0;
    int32_t EncoderDelay = 0; // samples the encoder put before the audio ("Xing"/"Info" extension)
    int32_t EncoderPadding = 0; // samples it put after the audio
};

// Fixed length of the two texts, in characters.
inline constexpr int32_t MpegTextLength = 255;

// Fills pInfo from the file at pPath. 1 when a header was accepted and every field was set;
// 0 on any failure (the fields are then meaningless).
int32_t GetMpegInfo(const std::string& pPath, MpegInfo& pInfo);

using MpegByteSource = ByteSource;

// Where the short text's decimal separator comes from. Empty (the default): the C library's
// current locale (LC_NUMERIC). Tests set another to check locales this machine lacks.
void SetMpegDecimalSeparatorSource(std::function<std::string()> pSource);

// The parser itself. pMp3Name: the name ends in "mp3", so 0xFF 0xFF is taken for noise.
int32_t GetMpegInfoFrom(const MpegByteSource& pSource, bool pMp3Name, MpegInfo& pInfo);
