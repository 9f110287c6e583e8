// Feeds arbitrary bytes to the header reader and the chunk walk through a scratch file:
// every input must give a record or -1, with no crash and no unbounded loop.
#include "engine/WaveMMIO.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

const std::string& ScratchPath() {
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        return std::string(dir && *dir ? dir : "/tmp") + "/quillan-fuzz-wavinfo-" +
               std::to_string(::getpid()) + ".wav";
    }();
    return path;
}

bool WriteScratch(const uint8_t* pData, size_t pSize) {
    std::FILE* f = std::fopen(ScratchPath().c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(pData, 1, pSize, f) == pSize;
    return std::fclose(f) == 0 && ok;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize) {
    if (!WriteScratch(pData, pSize)) return 0;
    const WaveInfo info = ReadWaveInfo(ScratchPath());
    if (info.Valid == 1) {
        // A valid record must be self-consistent.
        if (info.FormatCode < 0 || info.FormatCode > 9 || info.SampleRate <= 0 ||
            info.FileSize != int64_t(pSize) || info.DataOffset < 20 || info.SampleFrames < 0)
            std::abort();
    }
    const int64_t data = FindChunk(ScratchPath(), kChunkData);
    if (data != -1 && (data < 12 || data + 4 > int64_t(pSize))) std::abort();
    (void)GetSoundFileType(ScratchPath());
    return 0;
}
