#include "engine/FileIO.h"

#include "platform/core/Events.h"

#include <chrono>
#include <cstdint>
#include <thread>

namespace {

constexpr int64_t kFourGiB = 4294967296LL;

FileHandle OpenFile(const std::string& pPath, platform::OpenFor pMode) {
    // A NUL inside the text would silently name a different file.
    if (pPath.empty() || pPath.find('\0') != std::string::npos) return 0;
    const int fd = platform::OpenDescriptor(pPath, pMode);
    return fd >= 3 ? fd : 0;
}

// 0 is "no handle"; 1 and 2 are never ours either (WriteWaveHeader returns 1 as a plain
// success), so closing or writing through them cannot touch the standard streams.
bool IsHandle(FileHandle pHandle) {
    return pHandle >= 3;
}

} // namespace

FileHandle OpenForRead(const std::string& pPath) {
    return OpenFile(pPath, platform::OpenFor::Read);
}

FileHandle OpenForWrite(const std::string& pPath) {
    return OpenFile(pPath, platform::OpenFor::Write);
}

FileHandle CreateExclusive(const std::string& pPath) {
    return OpenFile(pPath, platform::OpenFor::CreateNew);
}

FileIdentity IdentityOf(FileHandle pHandle) {
    return IsHandle(pHandle) ? platform::NodeOf(pHandle) : FileIdentity{};
}

int32_t RemoveIfSameFile(const std::string& pPath, const FileIdentity& pIdentity) {
    return !pPath.empty() && platform::RemoveIfSameNode(pPath, pIdentity) ? 1 : 0;
}

void CloseFile(FileHandle pHandle) {
    if (IsHandle(pHandle)) platform::CloseDescriptor(pHandle);
}

int32_t ReadByHandle(FileHandle pHandle, int64_t pPosition, void* pBuffer, int32_t pCount,
                     int64_t* pBytesRead) {
    if (pBytesRead) *pBytesRead = 0;
    if (!IsHandle(pHandle) || pPosition < 0 || pCount < 0) return 0;
    if (pCount > 0 && pBuffer == nullptr) return 0;
    // A short read at the end of the file leaves the rest of the buffer as it was.
    const int64_t done = platform::ReadDescriptorAt(pHandle, pPosition, pBuffer, pCount);
    if (done < 0) return 0;
    if (pBytesRead) *pBytesRead = done;
    return 1;
}

int32_t ReadAt(void* pBuffer, int32_t pCount, int32_t pOffset, const std::string& pPath,
               int64_t pPosition, int32_t pAttempts, int64_t* pBytesRead) {
    if (pBytesRead) *pBytesRead = 0;
    // A 64-bit position wins; otherwise the 32-bit offset counts as unsigned.
    const int64_t position = pPosition != 0 ? pPosition : int64_t(uint32_t(pOffset));
    const int32_t tries = pAttempts > 1 ? pAttempts : 1;
    for (int32_t attempt = 1;; ++attempt) {
        FileHandle h = OpenForRead(pPath);
        int32_t ok = ReadByHandle(h, position, pBuffer, pCount, pBytesRead);
        CloseFile(h);
        if (ok) return 1;
        if (attempt >= tries) return 0;
        WaitMs(500, 0);
    }
}

FileHandle WriteAt(const void* pBuffer, int32_t pCount, int64_t pPosition, FileHandle pHandle,
                   const std::string& pPath) {
    FileHandle h = IsHandle(pHandle) ? pHandle : OpenForWrite(pPath);
    if (!IsHandle(h)) return 0;
    bool ok = pCount >= 0 && (pCount == 0 || pBuffer != nullptr);
    if (ok) ok = pPosition == -1 ? platform::SeekDescriptorToEnd(h) : SeekTo(h, pPosition) == 0;
    if (ok) ok = platform::WriteDescriptor(h, pBuffer, pCount);
    if (!ok) {
        CloseFile(h);
        return 0;
    }
    return h;
}

int32_t WriteByHandle(FileHandle pHandle, int64_t pPosition, const void* pBuffer, int32_t pCount) {
    if (!IsHandle(pHandle) || pCount < 0 || (pCount > 0 && pBuffer == nullptr)) return 0;
    return SeekTo(pHandle, pPosition) == 0 && platform::WriteDescriptor(pHandle, pBuffer, pCount)
               ? 1
               : 0;
}

SeekParts SplitSeekPosition(int64_t pPosition) {
    if (pPosition < 2147483647) return {0, int32_t(pPosition < INT32_MIN ? 0 : pPosition)};
    // Whole 4 GiB steps go to the high part, the rest to the low 32-bit pattern.
    const int64_t high = pPosition / kFourGiB;
    return {int32_t(high), ToUInt32Field(pPosition - high * kFourGiB)};
}

int32_t SeekTo(FileHandle pHandle, int64_t pPosition) {
    if (!IsHandle(pHandle) || pPosition < 0) return -1;
    const SeekParts parts = SplitSeekPosition(pPosition);
    const int64_t target = int64_t(parts.High) * kFourGiB + FromUInt32Field(parts.Low);
    return platform::SeekDescriptor(pHandle, target) ? 0 : -1;
}

int64_t GetSizeByHandle(FileHandle pHandle) {
    return IsHandle(pHandle) ? platform::DescriptorSize(pHandle) : -1;
}

int32_t GetFileSizeByPath(const std::string& pPath, int64_t& pLength) {
    pLength = 0;
    FileHandle h = OpenForRead(pPath);
    if (!IsHandle(h)) return 0;
    const int64_t size = GetSizeByHandle(h);
    CloseFile(h);
    if (size < 0) return 0;
    pLength = size;
    return int32_t(uint32_t(uint64_t(size) & 0xFFFFFFFFu));
}

void WaitMs(int32_t pMs, int32_t pSleepMs) {
    if (pMs <= 0) return;
    // A monotonic clock: no midnight wrap, no jumps when the wall clock is set.
    const auto start = std::chrono::steady_clock::now();
    const auto limit = std::chrono::milliseconds(pMs);
    for (;;) {
        platform::PumpEvents();
        if (std::chrono::steady_clock::now() - start > limit) return;
        if (pSleepMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(pSleepMs));
        else
            std::this_thread::yield();
    }
}

int32_t ToUInt32Field(int64_t pValue) {
    if (pValue > 4294967295LL) return -1; // 0xFFFFFFFF
    if (pValue < 0) return 0;
    if (pValue <= 2147483647LL) return int32_t(pValue);
    return int32_t(pValue - kFourGiB);
}

int64_t FromUInt32Field(int32_t pValue) {
    return pValue >= 0 ? int64_t(pValue) : int64_t(pValue) + kFourGiB;
}

int32_t IsOdd(int64_t pValue) {
    return pValue % 2 != 0 ? 1 : 0;
}

int32_t SetEndOfFileAt(FileHandle pHandle, int64_t pLength) {
    if (!IsHandle(pHandle) || pLength < 0) return 0;
    return platform::ResizeDescriptor(pHandle, pLength) ? 1 : 0;
}
