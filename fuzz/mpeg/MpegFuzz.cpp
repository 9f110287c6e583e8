// Feeds arbitrary bytes to the MPEG header parser as the content of a file. The first byte
// chooses whether the name ends in "mp3"; the rest is the file. A result of 1 must come with
// a consistent record. The bytes are also read from a real file through GetMpegInfo (the
// positioned file reads, under a path that does not end in "mp3"), which must agree with the
// parser fed from memory. The same bytes also go to the program stream demultiplexer (whose
// audio goes to the parser), the MIDI tempo walk and the container header readers.

#include "fuzz/MemoryFile.h"
#include "media/ContainerInfo.h"
#include "media/FCT_mpeg.h"
#include "media/MidiLength.h"
#include "media/ProgramStream.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void Check(bool pCondition) {
    if (!pCondition) std::abort();
}

void CheckAccepted(const MpegInfo& pInfo, int64_t pSize) {
    Check(pInfo.StartPos >= 1 && pInfo.StartPos <= pSize);
    Check(pInfo.DataSize > 0 && pInfo.EndPos == pInfo.StartPos + pInfo.DataSize - 1);
    Check(pInfo.EndPos <= pSize);
    Check(pInfo.Layer >= 1 && pInfo.Layer <= 3);
    Check(pInfo.SampleRate >= 8000 && pInfo.SampleRate <= 48000);
    Check(pInfo.EncoderDelay >= 0 && pInfo.EncoderDelay < 4096);
    Check(pInfo.EncoderPadding >= 0 && pInfo.EncoderPadding < 4096);
    Check(pInfo.LengthMs > 0 || !pInfo.IsVbr);
    Check(pInfo.Channels == (pInfo.ChannelMode == 3 ? 1 : 2));
    Check(pInfo.LongText.size() == size_t(MpegTextLength));
    Check(pInfo.ShortText.size() == size_t(MpegTextLength));
    Check(std::strncmp(pInfo.LongText.c_str(), "mp", 2) == 0);
}

bool SameRecord(const MpegInfo& a, const MpegInfo& b) {
    return a.StartPos == b.StartPos && a.DataSize == b.DataSize && a.EndPos == b.EndPos &&
           a.FileSize == b.FileSize && a.IsVbr == b.IsVbr && a.FrameCount == b.FrameCount &&
           a.SampleRate == b.SampleRate && a.BitRate == b.BitRate && a.Layer == b.Layer &&
           a.ChannelMode == b.ChannelMode && a.LengthMs == b.LengthMs && a.LongText == b.LongText &&
           a.ShortText == b.ShortText && a.EncoderDelay == b.EncoderDelay &&
           a.EncoderPadding == b.EncoderPadding;
}

ByteSource MemorySource(const uint8_t* pFile, int64_t pSize) {
    ByteSource source;
    source.Size = pSize;
    source.Read = [=](uint8_t* pBuffer, int32_t pCount, int64_t pPosition) {
        // Like a positioned read: what lies past the end stays as the caller cleared it.
        if (pCount < 0 || pPosition < 0) return false;
        if (pPosition < pSize)
            std::memcpy(pBuffer, pFile + pPosition,
                        size_t(std::min<int64_t>(pCount, pSize - pPosition)));
        return true;
    };
    return source;
}

int32_t FromMemory(const uint8_t* pFile, int64_t pSize, bool pMp3Name, MpegInfo& pInfo) {
    return GetMpegInfoFrom(MemorySource(pFile, pSize), pMp3Name, pInfo);
}

// The other readers of the media layer on the same bytes.
void CheckOtherReaders(const ByteSource& pSource) {
    if (auto audio = ProgramStreamAudio(pSource)) {
        Check(audio->size() <= size_t(pSource.Size));
        MpegInfo info;
        if (GetMpegInfoFrom(MemoryByteSource(*audio), false, info) == 1)
            CheckAccepted(info, int64_t(audio->size()));
    }
    if (auto ms = MidiLengthMs(pSource)) Check(*ms >= 0);
    if (auto container = ReadContainerInfo(pSource))
        Check(container->SampleRate > 0 && container->Channels > 0 && container->LengthMs >= 0 &&
              !container->Text().empty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize) {
    if (pSize == 0) return 0;
    static MemoryFile scratch;
    const bool mp3Name = (pData[0] & 1) != 0;
    const uint8_t* file = pData + 1;
    const int64_t size = int64_t(pSize - 1);

    MpegInfo info;
    const int32_t result = FromMemory(file, size, mp3Name, info);
    if (result == 1) CheckAccepted(info, size);
    CheckOtherReaders(MemorySource(file, size));

    // The file path: the same bytes on disk, read as a file whose name is not "*.mp3".
    scratch.Fill(file, size_t(size));
    MpegInfo fromFile;
    const int32_t fileResult = GetMpegInfo(scratch.Path(), fromFile);
    MpegInfo plain;
    const int32_t plainResult = mp3Name ? FromMemory(file, size, false, plain) : result;
    if (!mp3Name) plain = info;
    Check(fileResult == plainResult);
    if (fileResult == 1) {
        CheckAccepted(fromFile, size);
        Check(SameRecord(fromFile, plain));
    }
    return 0;
}
