#include "services/job/CompleteWave.h"

#include "engine/WaveMMIO.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace job {

namespace {

// The 12 bytes before the chunks: "RIFF" (or "RF64"), the size of what follows, "WAVE".
struct RiffHead {
    char Magic[4] = {};
    uint32_t Size = 0;
};

std::optional<RiffHead> ReadRiffHead(const std::string& pPath) {
    std::ifstream in(pPath, std::ios::binary);
    unsigned char bytes[12];
    if (!in.read(reinterpret_cast<char*>(bytes), sizeof bytes)) return std::nullopt;
    if (std::memcmp(bytes + 8, "WAVE", 4) != 0) return std::nullopt;
    RiffHead head;
    std::memcpy(head.Magic, bytes, 4);
    head.Size = uint32_t(bytes[4]) | uint32_t(bytes[5]) << 8 | uint32_t(bytes[6]) << 16 |
                uint32_t(bytes[7]) << 24;
    return head;
}

// An RF64 file's 64-bit RIFF and data sizes from its "ds64" chunk, which comes first.
struct Ds64Sizes {
    int64_t Riff = 0;
    int64_t Data = 0;
};

std::optional<Ds64Sizes> ReadDs64Sizes(const std::string& pPath) {
    std::ifstream in(pPath, std::ios::binary);
    unsigned char bytes[36];
    if (!in.read(reinterpret_cast<char*>(bytes), sizeof bytes)) return std::nullopt;
    if (std::memcmp(bytes + 12, "ds64", 4) != 0) return std::nullopt;
    const auto u64 = [&](int pAt) {
        uint64_t v = 0;
        for (int i = 7; i >= 0; --i)
            v = v << 8 | bytes[pAt + i];
        return v;
    };
    if (u64(20) > uint64_t(INT64_MAX) || u64(28) > uint64_t(INT64_MAX)) return std::nullopt;
    return Ds64Sizes{int64_t(u64(20)), int64_t(u64(28))};
}

} // namespace

bool IsCompleteWave(const std::string& pPath) {
    const WaveInfo info = ReadWaveInfo(pPath);
    if (!info.Valid) return false;
    const auto head = ReadRiffHead(pPath);
    if (!head) return false;
    const int64_t dataEnd = int64_t(info.DataOffset) + info.DataSize;
    if (std::memcmp(head->Magic, "RF64", 4) == 0) {
        // The same checks with the sizes of "ds64".
        const auto sizes = ReadDs64Sizes(pPath);
        return sizes && sizes->Data == info.DataSize && dataEnd <= info.FileSize &&
               sizes->Riff + 8 == info.FileSize;
    }
    if (std::memcmp(head->Magic, "RIFF", 4) != 0) return false;
    // The data chunk holds what its size says, and the file ends where the RIFF size says.
    return info.DataSize == info.DataSizeField && int64_t(head->Size) + 8 == info.FileSize;
}

std::optional<std::string> ExistingResult(const std::string& pSource, const std::string& pWanted) {
    if (!IsCompleteWave(pWanted)) return std::nullopt;
    // The source itself is no result of it (an output folder that is the source's folder).
    std::error_code ec;
    if (std::filesystem::equivalent(pWanted, pSource, ec)) return std::nullopt;
    return pWanted;
}

} // namespace job
