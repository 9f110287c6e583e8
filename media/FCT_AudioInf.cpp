#include "media/FCT_AudioInf.h"

#include "engine/WaveMMIO.h"
#include "media/C_FGraph.h"
#include "media/FCT_mpeg.h"
#include "media/WaveFact.h"
#include "platform/qt/MimeDescription.h"
#include "services/core/Paths.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array kMpegExtensions{"mp1", "mp2", "mp3"};
constexpr std::array kMediaObjectExtensions{"mpg",  "mpeg", "mid", "asf", "au",  "aif",
                                            "aiff", "snd",  "wma", "wmv", "m4a", "aac"};

enum class Route { None, Wave, Mpeg, MediaObject };

template <size_t N> bool IsOneOf(const std::string& pExt, const std::array<const char*, N>& pList) {
    return std::find(pList.begin(), pList.end(), pExt) != pList.end();
}

Route RouteFor(const std::string& pExt) {
    if (pExt == "wav") return Route::Wave;
    if (IsOneOf(pExt, kMpegExtensions)) return Route::Mpeg;
    if (IsOneOf(pExt, kMediaObjectExtensions)) return Route::MediaObject;
    return Route::None;
}

std::string ChannelText(int32_t pChannels) {
    if (pChannels == 1) return "Mono";
    if (pChannels == 2) return "Stereo";
    return std::to_string(pChannels) + "ch";
}

std::string WaveText(const WaveInfo& pWave) {
    const char* encoding = IsFloat32Encoding(pWave) ? "bit float/" : "bit/";
    return "wav(" + std::to_string(pWave.SampleRate) + "Hz/" + std::to_string(pWave.BitsPerSample) +
           encoding + ChannelText(pWave.Channels) + ")";
}

// The media framework opens the file; the text is the file-type description.
void DescribeByMediaObject(const std::string& pPath, AudioInfo& pInfo) {
    pInfo.Text.clear();
    C_FGraph graph;
    graph.Init();
    graph.FileName(pPath);
    pInfo.LengthMs = graph.Length();
    pInfo.Text = GetShellTypeName(pPath);
    graph.CloseWave();
    pInfo.Valid = 1;
}

void DescribeByMpeg(const std::string& pPath, AudioInfo& pInfo) {
    MpegInfo mpeg;
    pInfo.Valid = GetMpegInfo(pPath, mpeg);
    pInfo.Text = CutAtNul(mpeg.LongText);
    pInfo.LengthMs = mpeg.LengthMs;
    if (!pInfo.Valid) DescribeByMediaObject(pPath, pInfo);
}

void DescribeByWave(const std::string& pPath, AudioInfo& pInfo) {
    WaveInfo wave = ReadWaveInfo(pPath);
    bool pcm = wave.FormatTag == 1 || wave.FormatTag == -2 || IsFloat32Encoding(wave);
    if (pcm && wave.Valid == 1) {
        pInfo.Text = WaveText(wave);
        pInfo.LengthMs = wave.LengthMs;
        pInfo.Valid = 1;
    } else if (wave.FormatTag == 80 || wave.FormatTag == 85) {
        DescribeByMpeg(pPath, pInfo);
    } else {
        DescribeByMediaObject(pPath, pInfo);
        // No decoder for this compression: the "fact" frame count still gives the length.
        if (pInfo.LengthMs == 0) pInfo.LengthMs = CompressedWaveLengthMs(pPath).value_or(0);
    }
}

} // namespace

AudioInfo GetAudioInfo(const std::string& pPath) {
    AudioInfo info;
    if (!FileExists(pPath)) return info;
    std::string fallback = GetShellTypeName(pPath);
    switch (RouteFor(PathPart(pPath, PathParts::Extension, LetterCase::Lower))) {
    case Route::Wave:
        DescribeByWave(pPath, info);
        break;
    case Route::Mpeg:
        DescribeByMpeg(pPath, info);
        break;
    case Route::MediaObject:
        DescribeByMediaObject(pPath, info);
        break;
    case Route::None:
        break;
    }
    if (info.Text.empty()) info.Text = fallback;
    return info;
}

std::string GetShellTypeName(const std::string& pPath) {
    return CutAtNul(platform::MimeDescription(pPath));
}
