#include "media/ByteSource.h"

#include "engine/FileIO.h"

#include <algorithm>
#include <cstring>

ByteSource FileByteSource(const std::string& pPath) {
    ByteSource source;
    GetFileSizeByPath(pPath, source.Size);
    source.Read = [pPath](uint8_t* pBuffer, int32_t pCount, int64_t pPosition) {
        // A position of 0 means "use the 32-bit offset", which is 0 too.
        return ReadAt(pBuffer, pCount, 0, pPath, pPosition, 0) == 1;
    };
    return source;
}

ByteSource MemoryByteSource(const std::vector<uint8_t>& pBytes) {
    ByteSource source;
    source.Size = int64_t(pBytes.size());
    source.Read = [&pBytes](uint8_t* pBuffer, int32_t pCount, int64_t pPosition) {
        if (pPosition < 0 || pCount < 0) return false;
        if (pPosition >= int64_t(pBytes.size())) return true;
        size_t n = std::min(size_t(pCount), pBytes.size() - size_t(pPosition));
        std::memcpy(pBuffer, pBytes.data() + pPosition, n);
        return true;
    };
    return source;
}

std::vector<uint8_t> ReadBytes(const ByteSource& pSource, int64_t pPosition, int32_t pCount) {
    std::vector<uint8_t> bytes(size_t(std::max(pCount, 0)), 0);
    if (pPosition < 0 || !pSource.Read || !pSource.Read(bytes.data(), pCount, pPosition)) return {};
    return bytes;
}
