#pragma once

// Positioned reads and writes through file descriptors: the system calls behind the engine's
// file handles. Interrupted calls are repeated; failures leave errno as the system set it.

#include <cstdint>
#include <string>

namespace platform {

enum class OpenFor {
    Read,      // an existing file
    Write,     // created when missing, never truncated
    CreateNew, // only when nothing (not even a dangling link) is at the path
};

// Opens with close-on-exec and without blocking (a FIFO must not hang the caller; regular
// files ignore the flag). The descriptor is never 0, 1 or 2, so it cannot be taken for a
// standard stream; -1 on failure.
int OpenDescriptor(const std::string& pPath, OpenFor pMode);
void CloseDescriptor(int pFd);

// Reads up to pCount bytes at pPosition; the number read (less only at the end of the file),
// -1 on failure.
int64_t ReadDescriptorAt(int pFd, int64_t pPosition, void* pBuffer, int64_t pCount);
// Writes all pCount bytes at the current position; false on failure.
bool WriteDescriptor(int pFd, const void* pBuffer, int64_t pCount);
// Sets the position from the start of the file, or to its end; false on failure.
bool SeekDescriptor(int pFd, int64_t pPosition);
bool SeekDescriptorToEnd(int pFd);
// The length of the open file, -1 on failure.
int64_t DescriptorSize(int pFd);
// Cuts or extends (with zero bytes) the file to pLength bytes; false on failure.
bool ResizeDescriptor(int pFd, int64_t pLength);

// The device and inode of an open file, to recognise it later by path; its length and
// modification time, to tell whether anything wrote to it since.
struct FileNode {
    uint64_t Device = 0;
    uint64_t Inode = 0;
    bool Known = false;
    int64_t Size = 0;
    int64_t ModifiedNs = 0;

    // The same file, not written to in between.
    bool Unchanged(const FileNode& pOther) const {
        return Known && pOther.Known && Device == pOther.Device && Inode == pOther.Inode &&
               Size == pOther.Size && ModifiedNs == pOther.ModifiedNs;
    }
};
FileNode NodeOf(int pFd);
// Removes the entry at the path (not following a link) only when it is still that file.
bool RemoveIfSameNode(const std::string& pPath, const FileNode& pNode);

} // namespace platform
