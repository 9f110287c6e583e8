#pragma once

// Positioned file operations: 64-bit positions and sizes throughout.
//
// A FileHandle is the POSIX file descriptor itself. 0 means "no handle"; the opens here
// never hand out a descriptor below 3 (one that lands on 0, 1 or 2 because the standard
// streams are closed is moved above them), so 0, 1 and 2 are never real handles of ours and
// every operation here treats them as "no handle".
// A read opens and closes the file on every call; a write returns its handle open so that a
// caller appending many blocks keeps one handle, and closes it on any failure.

#include "platform/core/Descriptors.h"

#include <cstdint>
#include <string>

using FileHandle = int32_t;

// Reads pCount bytes into pBuffer. The position is pPosition when it is not 0, otherwise the
// unsigned 32-bit pOffset. 1 when the read succeeded (a read that runs past the end of the
// file succeeds and leaves the rest of the buffer as it was), 0 otherwise. pAttempts is the
// total number of tries (0 and 1 both mean one), with WaitMs(500, 0) between tries.
// pBytesRead, when given, receives the number of bytes really read (0 on failure).
int32_t ReadAt(void* pBuffer, int32_t pCount, int32_t pOffset, const std::string& pPath,
               int64_t pPosition, int32_t pAttempts, int64_t* pBytesRead = nullptr);

// Writes pCount bytes at pPosition, or at the end of the file for pPosition -1. With pHandle
// 0 the file at pPath is opened (created when missing). Returns the open handle on success;
// on any failure closes the handle (also one passed in) and returns 0.
FileHandle WriteAt(const void* pBuffer, int32_t pCount, int64_t pPosition, FileHandle pHandle,
                   const std::string& pPath);

// Positions the handle at an absolute byte position. 0 on success, -1 on failure.
int32_t SeekTo(FileHandle pHandle, int64_t pPosition);

// The (high, low) pair that SeekTo splits a position into: high counts whole 4 GiB steps,
// low is the rest as a 32-bit field pattern. high * 4294967296 + unsigned(low) == position.
struct SeekParts {
    int32_t High;
    int32_t Low;
};
SeekParts SplitSeekPosition(int64_t pPosition);

// The length of the open file, or -1 on failure.
int64_t GetSizeByHandle(FileHandle pHandle);

// Low 32 bits of the file's length (signed); pLength receives the full length, 0 on failure.
int32_t GetFileSizeByPath(const std::string& pPath, int64_t& pLength);

// Waits pMs milliseconds, yielding through platform::PumpEvents() on every pass and sleeping
// pSleepMs per pass when that is positive (0: a busy wait that keeps the window working).
void WaitMs(int32_t pMs, int32_t pSleepMs);

// 64-bit count -> the 32-bit pattern of an unsigned size field: above 4294967295 gives
// 0xFFFFFFFF (-1), negative gives 0, 2147483648..4294967295 gives the value - 4294967296.
int32_t ToUInt32Field(int64_t pValue);
// The 32-bit pattern of an unsigned field -> its 64-bit value.
int64_t FromUInt32Field(int32_t pValue);

// 1 when the value is odd, else 0.
int32_t IsOdd(int64_t pValue);

// Handle helpers for callers that read or write one file many times.
// Opens an existing file for reading; 0 on failure.
FileHandle OpenForRead(const std::string& pPath);
// Opens a file for writing, creating it when missing (never truncates); 0 on failure.
FileHandle OpenForWrite(const std::string& pPath);
// Reads up to pCount bytes at pPosition through an open handle; 1 when the read call
// succeeded (short at the end of the file included), 0 otherwise.
int32_t ReadByHandle(FileHandle pHandle, int64_t pPosition, void* pBuffer, int32_t pCount,
                     int64_t* pBytesRead = nullptr);
// Writes all pCount bytes at pPosition through an open handle; 1 on success. Unlike WriteAt
// it never closes the handle, so a caller's handle stays its own to close.
int32_t WriteByHandle(FileHandle pHandle, int64_t pPosition, const void* pBuffer, int32_t pCount);
// Cuts or extends (with zero bytes) the file to pLength bytes; 1 on success.
int32_t SetEndOfFileAt(FileHandle pHandle, int64_t pLength);
// Closes a handle of ours; values below 3 are ignored.
void CloseFile(FileHandle pHandle);

// Creates a new file for writing; 0 when anything (a file, a folder, a link, even a dangling
// one) is already at the path, or on any other failure. errno tells which.
FileHandle CreateExclusive(const std::string& pPath);

// The device and inode of an open file, to recognise it later by path.
using FileIdentity = platform::FileNode;
FileIdentity IdentityOf(FileHandle pHandle);
// Removes the file at the path only when it is still the file of pIdentity; 1 when removed.
int32_t RemoveIfSameFile(const std::string& pPath, const FileIdentity& pIdentity);
