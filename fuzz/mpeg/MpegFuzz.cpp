// Feeds arbitrary bytes to the MPEG header parser as the content of a file. The first byte
// chooses whether the name ends in "mp3"; the rest is the file. A result of 1 must come with
// a consistent record.

#include "media/FCT_mpeg.h"

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
    Check(pInfo.SampleRate >= 16000 && pInfo.SampleRate <= 48000);
    Check(pInfo.LengthMs > 0 || !pInfo.IsVbr);
    Check(pInfo.Channels == (pInfo.ChannelMode == 3 ? 1 : 2));
    Check(pInfo.LongText.size() == size_t(MpegTextLength));
    Check(pInfo.ShortText.size() == size_t(MpegTextLength));
    Check(std::strncmp(pInfo.LongText.c_str(), "mp", 2) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize) {
    if (pSize == 0) return 0;
    bool mp3Name = (pData[0] & 1) != 0;
    const uint8_t* file = pData + 1;
    int64_t size = int64_t(pSize - 1);

    MpegByteSource source;
    source.Size = size;
    source.Read = [&](uint8_t* pBuffer, int32_t pCount, int64_t pPosition) {
        // Like a positioned read: what lies past the end stays as the caller cleared it.
        if (pCount < 0 || pPosition < 0) return false;
        if (pPosition < size)
            std::memcpy(pBuffer, file + pPosition,
                        size_t(std::min<int64_t>(pCount, size - pPosition)));
        return true;
    };
    MpegInfo info;
    if (GetMpegInfoFrom(source, mp3Name, info) == 1) CheckAccepted(info, size);
    return 0;
}
