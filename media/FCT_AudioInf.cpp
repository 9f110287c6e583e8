#include "media/FCT_AudioInf.h"

#include "engine/FileIO.h"
#include "engine/WaveMMIO.h"
#include "media/C_FGraph.h"
#include "media/ContainerInfo.h"
#include "media/FCT_mpeg.h"
#include "media/MidiLength.h"
#include "media/ProgramStream.h"
#include "media/WaveFact.h"
#include "platform/qt/MimeDescription.h"
#include "services/core/Paths.h"

#include <algorithm>
#include <array>
#include <utility>

namespace {

constexpr std::array kMpegExtensions{"mp1", "mp2", "mp3"};
constexpr std::array kProgramStreamExtensions{"mpg", "mpeg", "vob"};
constexpr std::array kMidiExtensions{"mid", "midi", "rmi"};
constexpr std::array kContainerExtensions{"flac", "ogg",  "oga",  "opus",
                                          "aif",  "aiff", "aifc", "w64"};
constexpr std::array kMediaObjectExtensions{"asf", "au", "snd", "wma", "wmv", "m4a", "aac"};

constexpr const char* kCannotRead = "cannot read";

enum class Route { None, Wave, Mpeg, ProgramStream, Midi, Container, MediaObject };

template <size_t N> bool IsOneOf(const std::string& pExt, const std::array<const char*, N>& pList) {
    return std::find(pList.begin(), pList.end(), pExt) != pList.end();
}

Route RouteFor(const std::string& pExt) {
    if (pExt == "wav") return Route::Wave;
    if (IsOneOf(pExt, kMpegExtensions)) return Route::Mpeg;
    if (IsOneOf(pExt, kProgramStreamExtensions)) return Route::ProgramStream;
    if (IsOneOf(pExt, kMidiExtensions)) return Route::Midi;
    if (IsOneOf(pExt, kContainerExtensions)) return Route::Container;
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

void SetValid(AudioInfo& pInfo, int32_t pLengthMs, std::string pText) {
    pInfo.Valid = 1;
    pInfo.LengthMs = pLengthMs;
    pInfo.Text = std::move(pText);
    pInfo.Problem.clear();
}

void SetInvalid(AudioInfo& pInfo, const char* pProblem) {
    pInfo.Valid = 0;
    pInfo.LengthMs = 0;
    pInfo.Text.clear();
    pInfo.Problem = pProblem;
}

// The media framework opens the file; the text is the file-type description. A file it does
// not open within its time has no audio here.
void DescribeByMediaObject(const std::string& pPath, AudioInfo& pInfo) {
    C_FGraph graph;
    graph.Init();
    graph.FileName(pPath);
    bool opened = !graph.FileName().empty();
    int32_t length = graph.Length();
    graph.CloseWave();
    if (opened)
        SetValid(pInfo, length, GetShellTypeName(pPath));
    else
        SetInvalid(pInfo, kCannotRead);
}

// The frames of the stream's MPEG audio are counted; other program streams go to the media
// framework.
void DescribeProgramStream(const std::string& pPath, AudioInfo& pInfo) {
    MpegInfo mpeg;
    auto audio = ProgramStreamAudio(FileByteSource(pPath));
    if (audio && GetMpegInfoFrom(MemoryByteSource(*audio), false, mpeg))
        SetValid(pInfo, mpeg.LengthMs, GetShellTypeName(pPath));
    else
        DescribeByMediaObject(pPath, pInfo);
}

void DescribeMidi(const std::string& pPath, AudioInfo& pInfo) {
    if (auto length = MidiLengthMs(FileByteSource(pPath)))
        SetValid(pInfo, *length, GetShellTypeName(pPath));
    else
        SetInvalid(pInfo, kCannotRead);
}

void DescribeContainer(const std::string& pPath, AudioInfo& pInfo) {
    if (auto container = ReadContainerInfo(FileByteSource(pPath)))
        SetValid(pInfo, container->LengthMs, container->Text());
    else
        DescribeByMediaObject(pPath, pInfo);
}

void DescribeByMpeg(const std::string& pPath, AudioInfo& pInfo) {
    MpegInfo mpeg;
    if (GetMpegInfo(pPath, mpeg))
        SetValid(pInfo, mpeg.LengthMs, CutAtNul(mpeg.LongText));
    else
        DescribeByMediaObject(pPath, pInfo);
}

void DescribeByWave(const std::string& pPath, AudioInfo& pInfo) {
    WaveInfo wave = ReadWaveInfo(pPath);
    bool pcm = wave.FormatTag == 1 || wave.FormatTag == -2 || IsFloat32Encoding(wave);
    if (pcm && wave.Valid == 1) {
        SetValid(pInfo, wave.LengthMs, WaveText(wave));
    } else if (wave.FormatTag == 80 || wave.FormatTag == 85) {
        DescribeByMpeg(pPath, pInfo);
    } else {
        DescribeByMediaObject(pPath, pInfo);
        // No decoder for this compression: the "fact" frame count still gives the length.
        if (pInfo.LengthMs == 0)
            if (auto fact = CompressedWaveLengthMs(pPath))
                SetValid(pInfo, *fact, GetShellTypeName(pPath));
    }
}

} // namespace

AudioInfo GetAudioInfo(const std::string& pPath) {
    AudioInfo info;
    if (!FileExists(pPath)) return info;
    std::string fallback = GetShellTypeName(pPath);
    Route route = RouteFor(PathPart(pPath, PathParts::Extension, LetterCase::Lower));
    int64_t size = 0;
    GetFileSizeByPath(pPath, size);
    if (route != Route::None && size == 0) {
        SetInvalid(info, "empty file");
        route = Route::None;
    }
    switch (route) {
    case Route::Wave:
        DescribeByWave(pPath, info);
        break;
    case Route::Mpeg:
        DescribeByMpeg(pPath, info);
        break;
    case Route::ProgramStream:
        DescribeProgramStream(pPath, info);
        break;
    case Route::Midi:
        DescribeMidi(pPath, info);
        break;
    case Route::Container:
        DescribeContainer(pPath, info);
        break;
    case Route::MediaObject:
        DescribeByMediaObject(pPath, info);
        break;
    case Route::None:
        if (info.Problem.empty()) info.Problem = "not a sound file it can describe";
        break;
    }
    if (info.Text.empty()) info.Text = fallback;
    return info;
}

std::string GetShellTypeName(const std::string& pPath) {
    return CutAtNul(platform::MimeDescription(pPath));
}
