#pragma once
// Where a header parser's bytes come from: a file, or memory in tests and fuzzers.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct ByteSource {
    int64_t Size = 0;
    // Fills pCount bytes at pPosition into a buffer the caller has cleared (bytes past the end
    // stay zero); false when the read fails.
    std::function<bool(uint8_t* pBuffer, int32_t pCount, int64_t pPosition)> Read;
};

// The file at pPath; Size 0 when it cannot be read.
ByteSource FileByteSource(const std::string& pPath);
// The bytes, which must outlive the source.
ByteSource MemoryByteSource(const std::vector<uint8_t>& pBytes);
// pCount bytes at pPosition, zeros past the end; empty when the read fails.
std::vector<uint8_t> ReadBytes(const ByteSource& pSource, int64_t pPosition, int32_t pCount);
